// Tmy_Label: text storage with auto-size, and painting with or without a
// background.
#include "my_Label.h"

#include "myDrawing.h"

namespace {

constexpr int labelTypeId = 40;
// Characters a new label's empty text has room for.
constexpr unsigned initialTextRoom = 16;
// Room the two shadow copies of the text (offset by 1 and 2) need beside it.
constexpr int shadowExtent = 2;

// The control's font for measuring; the GUI font when it resolves to none.
HFONT MeasuringFont(TmyControl& control)
{
    HFONT font = control.ResolveFont();
    if (!font || font == InheritedFont())
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return font;
}

}  // namespace

SIZE MeasureTextBlock(TmyControl& control, const TmyString& text, UINT extraFlags)
{
    HDC dc = control.BeginDraw();
    const bool screen = dc == nullptr;
    if (screen)
        dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, MeasuringFont(control));
    RECT extent{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.Length()), &extent, DT_CALCRECT | DT_NOPREFIX | extraFlags);
    SelectObject(dc, previous);
    if (screen)
        ReleaseDC(nullptr, dc);
    else
        control.EndDraw(dc);
    return SIZE{extent.right - extent.left, extent.bottom - extent.top};
}

// Borderless, left-top aligned; sized to the caption unless a size is given.
Tmy_Label::Tmy_Label(const char* caption, TmyControl* parent, int x, int y, int width, int height)
    : TmyControl(parent, x, y, width, height), Text(TmyReserve{initialTextRoom}),
      Alignment(AlignTextLeft | AlignTextTop), Option(1)
{
    RegisterType(this, labelTypeId, "_Label");
    SetProperty(PropBorderStyle, 0);
    if (width || height)
        Text = caption;
    else
        SetLabelText(caption, 1);
}

Tmy_Label::~Tmy_Label() = default;

void Tmy_Label::Paint(HDC dc)
{
    RECT inside{0, 0, GetWidth(), GetHeight()};
    DrawControlBorder(dc, &inside);
    const COLORREF back = static_cast<COLORREF>(GetProperty(PropBackColor));
    if (!HasState(StateOverlay))
        FillColor(dc, inside, back);
    const TmyTextRecord record{back, StateTextColor(), GetProperty(PropShadow)};
    DrawAlignedText(dc, inside, Text, ResolveFont(), Alignment, record);
    TmyControl::Paint(dc);
}

void Tmy_Label::Resized()
{
    Invalidate();
}

// The auto size is the text plus the border inset on every side, plus room
// for the shadow when the label has one.
int Tmy_Label::SetLabelText(const TmyString& text, int autoSize)
{
    if (text == Text)
        return 1;
    Text = text;
    if (autoSize) {
        const SIZE extent = MeasureTextBlock(*this, Text);
        const int shadow = GetProperty(PropShadow) ? shadowExtent : 0;
        const int width = extent.cx + 2 * BorderMargin() + shadow;
        const int height = extent.cy + 2 * BorderMargin() + shadow;
        if (width != GetWidth() || height != GetHeight())
            Resize(width, height);
    }
    Invalidate();
    return 1;
}

int Tmy_Label::SetLabelTextChars(const char* text, int autoSize)
{
    return SetLabelText(TmyString(text), autoSize);
}

TmyString Tmy_Label::GetLabelText()
{
    return Text;
}

void Tmy_Label::SetOption(int value)
{
    Option = value;
}

void Tmy_Label::SetAlignment(unsigned flags)
{
    Alignment = flags;
    Invalidate();
}
