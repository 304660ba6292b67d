// TmyPanel: construction, painting (background, image, caption, border,
// focus frame), image drawing at full, half or stretched size, and sizing to
// the caption or the children.
#include "myPanel.h"

#include "myBitmap.h"
#include "myDrawing.h"
#include "my_Label.h"
#include "my_Panel.h"

namespace {

constexpr int panelTypeId = 4;
constexpr int raisedBevel = 4;
constexpr int sunkenBevel = 3;
// Characters of the window text that AutoSize measures.
constexpr int autoSizeTextLimit = 1024;

// Position of an extent in [low, high) by the first flag of the axis it holds.
int PlaceOnAxis(unsigned align, unsigned nearFlag, unsigned farFlag, unsigned middleFlag, int low, int high,
                int extent)
{
    if (align & nearFlag)
        return low;
    if (align & farFlag)
        return high - extent;
    if (align & middleFlag)
        return low + (high - low - extent) / 2;
    return 0;
}

// DrawTextA flag that lays the text out like the alignment's horizontal flag.
UINT HorizontalTextFlag(unsigned align)
{
    if (align & AlignTextLeft)
        return 0;
    if (align & AlignTextRight)
        return DT_RIGHT;
    if (align & AlignTextCentre)
        return DT_CENTER;
    return 0;
}

}  // namespace

POINT PlaceAligned(const RECT& rect, int width, int height, unsigned align)
{
    return POINT{PlaceOnAxis(align, AlignTextLeft, AlignTextRight, AlignTextCentre, rect.left, rect.right, width),
                 PlaceOnAxis(align, AlignTextTop, AlignTextBottom, AlignTextMiddle, rect.top, rect.bottom, height)};
}

// A panel inside a flat parent keeps the parent's border; otherwise it is raised.
TmyPanel::TmyPanel(const char* caption, HWND parentWindow, int x, int y, int width, int height, DWORD style,
                   DWORD exStyle)
    : TmyComponent(caption, style, exStyle, x, y, width, height, parentWindow),
      TextAlign(AlignTextCentre | AlignTextMiddle), ImageAlign(AlignTextCentre | AlignTextMiddle), FocusFrame(0),
      Image(nullptr), DisabledImage(nullptr), UserValue(0), ImageDC(nullptr), FieldBackground(1), UserIndex(-1),
      HalfSizeImage(1)
{
    RegisterType(this, panelTypeId, "Panel");
    if (!HasState(StateFlat))
        SetBorderStyle(raisedBevel);
}

// The image DC goes first, so neither image is still selected when deleted;
// one handle given as both images is deleted once.
TmyPanel::~TmyPanel()
{
    if (ImageDC)
        DeleteDC(ImageDC);
    if (Image)
        DeleteObject(Image);
    if (DisabledImage && DisabledImage != Image)
        DeleteObject(DisabledImage);
}

void TmyPanel::Paint(HDC dc)
{
    const RECT client{0, 0, GetWidth(), GetHeight()};
    const RECT face = PanelFaceArea(*this);
    PaintBackground(dc, face);
    PaintImage(dc, face);
    const TmyString caption = GetTextString();
    if (caption.Length()) {
        const TmyTextRecord record{static_cast<COLORREF>(GetProperty(PropBackColor)), StateTextColor(),
                                   GetProperty(PropShadow)};
        DrawAlignedText(dc, face, caption, ResolveFont(), TextAlign, record);
    }
    RECT border = client;
    DrawControlBorder(dc, &border);
    if (FocusFrame && GetFocus() == Window)
        DrawFocusFrame(dc, client);
    TmyComponent::Paint(dc);
}

void TmyPanel::FitToChildren(int extraWidth, int extraHeight)
{
    const int inset = BorderMargin();
    TmyComponent::FitToChildren(extraWidth + inset, extraHeight + inset);
}

LRESULT TmyPanel::EraseBackground(HDC)
{
    return 1;
}

void TmyPanel::DrawFocusFrame(HDC dc, const RECT& rect)
{
    DrawFocusRect(dc, &rect);
}

int TmyPanel::PaintBackground(HDC dc, const RECT& rect)
{
    if (OnPaintBackground.IsSet())
        return OnPaintBackground.Fire(this, dc, &rect);
    FillColor(dc, rect, BackgroundColor());
    return 1;
}

// The image's top-left pixel is its transparent colour.
void TmyPanel::PaintImage(HDC dc, const RECT& rect)
{
    HBITMAP image = IsEnabled() ? Image : DisabledImage;
    if (!image || !ImageDC)
        return;
    HGDIOBJ previous = SelectObject(ImageDC, image);
    BITMAP info{};
    GetObjectA(image, sizeof info, &info);
    const int width = info.bmWidth;
    const int height = info.bmHeight;
    const COLORREF transparent = GetPixel(ImageDC, 0, 0);
    if (ImageAlign == ImageAlignStretch) {
        const RECT area = GetClientArea();
        TransparentBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, ImageDC, 0, 0,
                       width, height, transparent);
    } else if (!HalfSizeImage) {
        const POINT at = PlaceAligned(rect, width, height, ImageAlign);
        StretchBlt(dc, at.x, at.y, width, height, ImageDC, 0, 0, width, height, SRCCOPY);
    } else {
        PaintHalfSizeImage(dc, rect, width, height, transparent);
    }
    SelectObject(ImageDC, previous);
}

// Measures the window text in the panel's font and fits the window around it.
void TmyPanel::AutoSize()
{
    char text[autoSizeTextLimit + 1];
    const int length = GetText(text, sizeof text);
    const SIZE extent = MeasureTextBlock(*this, TmyString(text, length > 0 ? length : 0),
                                         HorizontalTextFlag(TextAlign));
    const int inset = BorderMargin();
    Resize(extent.cx + 2 * inset, extent.cy + 2 * inset);
}

void TmyPanel::SetTextAlign(unsigned flags)
{
    TextAlign = flags;
    Invalidate();
}

void TmyPanel::SetFocusFrame(int on)
{
    FocusFrame = on;
    Invalidate();
}

void TmyPanel::SetImageAlign(unsigned flags)
{
    ImageAlign = flags;
    Invalidate();
}

void TmyPanel::SetHalfSizeImage(int on)
{
    HalfSizeImage = on;
    Invalidate();
}

void TmyPanel::SetFieldBackground(int on)
{
    FieldBackground = on;
    Invalidate();
}

void TmyPanel::SetImages(HBITMAP image, HBITMAP disabledImage)
{
    if (Image && Image != image && Image != disabledImage)
        DeleteObject(Image);
    if (DisabledImage && DisabledImage != Image && DisabledImage != image && DisabledImage != disabledImage)
        DeleteObject(DisabledImage);
    Image = image;
    DisabledImage = disabledImage;
    if (!ImageDC)
        ImageDC = CreateCompatibleDC(nullptr);
    Invalidate();
}

COLORREF TmyPanel::BackgroundColor()
{
    const bool field = GetProperty(PropBorderStyle) == sunkenBevel && FieldBackground;
    return static_cast<COLORREF>(GetProperty(field ? PropFieldColor : PropBackColor));
}

// The image goes over the background colour into a 24-bit copy, whose 2 x 2
// blocks are averaged in place; the top-left quarter is the smoothed image.
void TmyPanel::PaintHalfSizeImage(HDC dc, const RECT& rect, int width, int height, COLORREF transparent)
{
    TmyBitmap24 smoothed(width, height);
    HDC smoothedDC = smoothed.MemoryDC();
    if (!smoothedDC)
        return;
    FillColor(smoothedDC, RECT{0, 0, width, height}, BackgroundColor());
    TransparentBlt(smoothedDC, 0, 0, width, height, ImageDC, 0, 0, width, height, transparent);
    GdiFlush();
    HalveBitmap(smoothed, smoothed);
    const POINT at = PlaceAligned(rect, width / 2, height / 2, ImageAlign);
    BitBlt(dc, at.x, at.y, width / 2, height / 2, smoothedDC, 0, 0, SRCCOPY);
}
