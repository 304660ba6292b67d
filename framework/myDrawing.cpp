// Drawing helpers shared by every control: colour shading, filled rectangles,
// the border styles, glyphs, aligned and shadowed text, fonts and bitmap
// halving. Only the stock DC_PEN, DC_BRUSH, NULL_BRUSH and DEFAULT_GUI_FONT
// objects are selected, and each function puts back what it replaced.
#include "myDrawing.h"

#include <cmath>
#include <cstdint>

#include "myBitmap.h"

namespace {

// Colour of the drop shadows of the framed border styles.
constexpr COLORREF myShadowColor = 0x000000;
// Shadow amounts chosen by the automatic text shadow (PropShadow 127).
constexpr int myShadowAutomatic = 127;
constexpr int myShadowOnDarkText = -32;
constexpr int myShadowOnLightText = -128;

// One channel shaded in 1/256 steps, truncating.
int ShadeChannel(int c, int amount)
{
    return amount > 0 ? c + amount * (255 - c) / 256 : c - (-amount) * c / 256;
}

// One channel shaded by a fraction of its distance to white or black, rounded.
int ShadeChannel(int c, double fraction)
{
    const double distance = fraction > 0 ? 255 - c : c;
    return c + static_cast<int>(std::lround(fraction * distance));
}

template <typename Amount>
COLORREF ShadeChannels(COLORREF color, Amount amount)
{
    const int red = ShadeChannel(GetRValue(color), amount);
    const int green = ShadeChannel(GetGValue(color), amount);
    const int blue = ShadeChannel(GetBValue(color), amount);
    return (color & 0xFF000000u) | RGB(red, green, blue);
}

// Selects objects into a device context and puts the previous ones back.
class TmySelection {
public:
    explicit TmySelection(HDC dc) : Dc(dc), Pen(nullptr), Brush(nullptr), Font(nullptr) {}
    ~TmySelection()
    {
        if (Pen)
            SelectObject(Dc, Pen);
        if (Brush)
            SelectObject(Dc, Brush);
        if (Font)
            SelectObject(Dc, Font);
    }
    TmySelection(const TmySelection&) = delete;
    TmySelection& operator=(const TmySelection&) = delete;

    void SelectPen(int stock) { Keep(&Pen, SelectObject(Dc, GetStockObject(stock))); }
    void SelectBrush(int stock) { Keep(&Brush, SelectObject(Dc, GetStockObject(stock))); }
    // A null or inherited font stands for the stock GUI font.
    void SelectFont(HFONT font)
    {
        if (!font || font == InheritedFont())
            font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        Keep(&Font, SelectObject(Dc, font));
    }

private:
    static void Keep(HGDIOBJ* slot, HGDIOBJ previous)
    {
        if (!*slot)
            *slot = previous;
    }

    HDC Dc;
    HGDIOBJ Pen;
    HGDIOBJ Brush;
    HGDIOBJ Font;
};

// ---- Borders ----------------------------------------------------------------

// A border being drawn: the drawing rectangle has inclusive right and bottom
// edges and moves inward by one pixel per ring.
class TmyBorderPainter {
public:
    TmyBorderPainter(HDC dc, const RECT& rect, const TmyBorderRecord& border, COLORREF outer)
        : Dc(dc), Ring{rect.left, rect.top, rect.right - 1, rect.bottom - 1}, Border(border),
          Outer(outer), Frame(border.BorderColor > myColorUnset ? border.TextColor : border.BorderColor),
          Step(static_cast<double>(border.Intensity) / (border.Width * 255.0))
    {
    }

    void Draw();

private:
    // Pen colour changes go through the DC pen.
    void Pen(COLORREF color) { SetDCPenColor(Dc, color); }
    // One ring: top and left edges in light, bottom and right (with the
    // top-right and bottom-left corners) in dark; then the next ring inward.
    void BevelRing(COLORREF light, COLORREF dark)
    {
        Pen(light);
        MoveToEx(Dc, Ring.left, Ring.bottom, nullptr);
        LineTo(Dc, Ring.left, Ring.top);
        LineTo(Dc, Ring.right, Ring.top);
        Pen(dark);
        LineTo(Dc, Ring.right, Ring.bottom);
        LineTo(Dc, Ring.left - 1, Ring.bottom);
        Inward(1);
    }
    // A ring in one colour, drawn as a hollow rectangle.
    void FlatRing(COLORREF color)
    {
        Pen(color);
        Rectangle(Dc, Ring.left, Ring.top, Ring.right + 1, Ring.bottom + 1);
        Inward(1);
    }
    void FlatRings(int count, COLORREF color)
    {
        for (int i = 0; i < count; ++i)
            FlatRing(color);
    }
    // The four corner pixels of the current ring in the outer colour.
    void OuterCorners()
    {
        SetPixelV(Dc, Ring.left, Ring.top, Outer);
        SetPixelV(Dc, Ring.right, Ring.top, Outer);
        SetPixelV(Dc, Ring.left, Ring.bottom, Outer);
        SetPixelV(Dc, Ring.right, Ring.bottom, Outer);
    }
    COLORREF Lighter(double fraction) const { return ShadeColor(Border.Background, fraction); }
    COLORREF Darker(double fraction) const { return ShadeColor(Border.Background, -fraction); }
    void Inward(int pixels) { InflateRect(&Ring, -pixels, -pixels); }
    void RaisedBevel();
    void SunkenBevel();
    RECT FrameRing();
    void DropShadow(const RECT& outline, int depth);
    void FramedFace();

    HDC Dc;
    RECT Ring;
    const TmyBorderRecord& Border;
    COLORREF Outer;
    COLORREF Frame;
    double Step;  // f: shading per ring
};

void TmyBorderPainter::RaisedBevel()
{
    for (int i = 1; i <= Border.Width; ++i) {
        const double amount = Step * (Border.Width - i + 1);
        BevelRing(Lighter(amount), Darker(amount));
    }
}

void TmyBorderPainter::SunkenBevel()
{
    for (int i = 1; i <= Border.Width; ++i)
        BevelRing(Darker(Step * i), Lighter(Step * i));
}

// The current ring in the border colour with its corners in the outer colour,
// so that they blend into the parent; returns that ring.
RECT TmyBorderPainter::FrameRing()
{
    const RECT frame = Ring;
    Pen(Frame);
    Rectangle(Dc, Ring.left, Ring.top, Ring.right + 1, Ring.bottom + 1);
    OuterCorners();
    Inward(1);
    return frame;
}

// A black band `depth` pixels wide below and right of outline (inclusive
// edges), offset by depth like a drop shadow.
void TmyBorderPainter::DropShadow(const RECT& outline, int depth)
{
    if (depth <= 0)
        return;
    const RECT bottom{outline.left + depth, outline.bottom + 1, outline.right + depth + 1,
                      outline.bottom + depth + 1};
    const RECT right{outline.right + 1, outline.top + depth, outline.right + depth + 1, outline.bottom + 1};
    FillColor(Dc, bottom, myShadowColor);
    FillColor(Dc, right, myShadowColor);
}

// Outer rings whose bottom and right part is a drop shadow, a one-pixel
// outline in the border colour and an inner band in the field colour.
void TmyBorderPainter::FramedFace()
{
    const int outerRings = (Border.Width - 1) / 2;
    FlatRings(outerRings, Outer);
    Pen(Frame);
    Rectangle(Dc, Ring.left, Ring.top, Ring.right + 1, Ring.bottom + 1);
    DropShadow(Ring, outerRings);
    Inward(1);
    FlatRings(Border.Width - 1 - outerRings, Border.FieldColor);
}

void TmyBorderPainter::Draw()
{
    const int w = Border.Width;
    const RECT whole = Ring;
    switch (Border.Style & 0xFF) {
    case 1:
        FlatRing(Lighter(Step));
        break;
    case 2:
        Pen(Lighter(Step));
        RoundRect(Dc, Ring.left, Ring.top, Ring.right + 1, Ring.bottom + 1, 2 * w, 2 * w);
        Pen(Darker(Step));
        RoundRect(Dc, Ring.left + 1, Ring.top + 1, Ring.right, Ring.bottom, 2 * w, 2 * w);
        break;
    case 3:
        SunkenBevel();
        break;
    case 4:
        RaisedBevel();
        break;
    case 5:
        BevelRing(Darker(Step), Lighter(Step));
        break;
    case 6:
        FlatRings(w - 1, Outer);
        FrameRing();
        break;
    case 7:
        FlatRings(w - 1, Outer);
        DropShadow(FrameRing(), w - 1);
        break;
    case 8:
        FlatRings(w, Outer);
        DropShadow(RECT{whole.left, whole.top, whole.right - w, whole.bottom - w}, w);
        break;
    case 9:
        RaisedBevel();
        SunkenBevel();
        break;
    case 10:
        FlatRings(w, Outer);
        break;
    case 11:
        FlatRings(w, Border.Background);
        break;
    case 12:
        FramedFace();
        break;
    case 13:
        // As 7 with the frame and its shadow moved left by w - 1 pixels.
        FlatRings(w, Outer);
        Ring = RECT{whole.left, whole.top + w - 1, whole.right - 2 * (w - 1), whole.bottom - (w - 1)};
        DropShadow(FrameRing(), w - 1);
        break;
    case 14:
        FrameRing();
        FlatRings(w - 1, Border.FieldColor);
        break;
    default:
        break;
    }
}

// ---- Glyphs -----------------------------------------------------------------

// A one-pixel line from (x1, y1) up to but excluding (x2, y2).
void Line(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// Horizontal lines narrowing by one pixel per side every `step` lines: a
// triangle `width` wide and `height` high; pointing down, or up when flipped.
void VerticalTriangle(HDC dc, int x, int y, int width, int height, int step, bool up)
{
    for (int i = 0; i < height; ++i) {
        const int row = up ? y + height - 1 - i : y + i;
        Line(dc, x + i / step, row, x + width - i / step, row);
    }
}

// Vertical lines narrowing every `step` columns: a triangle `height` high and
// `width` wide; pointing right, or left when flipped.
void HorizontalTriangle(HDC dc, int x, int y, int width, int height, int step, bool left)
{
    for (int i = 0; i < width; ++i) {
        const int column = left ? x + width - 1 - i : x + i;
        Line(dc, column, y + i / step, column, y + height - i / step);
    }
}

// `count` full-width rows (bars, squares).
void Rows(HDC dc, int x, int y, int width, int count)
{
    for (int i = 0; i < count; ++i)
        Line(dc, x, y + i, x + width, y + i);
}

// `count` full-height columns.
void Columns(HDC dc, int x, int y, int count, int height)
{
    for (int i = 0; i < count; ++i)
        Line(dc, x + i, y, x + i, y + height);
}

// Filled triangle of kinds 16..19: height a (odd), depth a / 2 + 1, centred in n x n.
void PolygonTriangle(HDC dc, int x, int y, int n, int kind)
{
    const int a = (n % 2) ? n : n - 1;
    const int d = a / 2 + 1;
    const int across = x + (n - a) / 2;  // origin when the base is horizontal
    const int down = y + (n - d) / 2;
    const int sideways = x + (n - d) / 2;  // origin when the base is vertical
    const int level = y + (n - a) / 2;
    POINT points[3];
    switch (kind) {
    case GlyphPolygonRight:
        points[0] = {sideways, level};
        points[1] = {sideways, level + a - 1};
        points[2] = {sideways + d - 1, level + a / 2};
        break;
    case GlyphPolygonLeft:
        points[0] = {sideways + d - 1, level};
        points[1] = {sideways + d - 1, level + a - 1};
        points[2] = {sideways, level + a / 2};
        break;
    case GlyphPolygonUp:
        points[0] = {across, down + d - 1};
        points[1] = {across + a - 1, down + d - 1};
        points[2] = {across + a / 2, down};
        break;
    default:
        points[0] = {across, down};
        points[1] = {across + a - 1, down};
        points[2] = {across + a / 2, down + d - 1};
        break;
    }
    Polygon(dc, points, 3);
}

void DrawGlyphShape(HDC dc, int x, int y, int n, int kind)
{
    switch (kind) {
    case GlyphTriangleDown:
    case GlyphTriangleUp:
        VerticalTriangle(dc, x, y, n, n, 2, kind == GlyphTriangleUp);
        break;
    case GlyphTriangleLeft:
    case GlyphTriangleRight:
        HorizontalTriangle(dc, x, y, n, n, 2, kind == GlyphTriangleLeft);
        break;
    case GlyphBar:
        Rows(dc, x, y, n, n / 3);
        break;
    case GlyphCross:
        Line(dc, x, y, x + n, y + n);
        Line(dc, x + n - 1, y, x - 1, y + n);
        break;
    case GlyphSquare:
        Rows(dc, x, y, n, n);
        break;
    case GlyphCircle: {
        const int diameter = n & ~1;
        Ellipse(dc, x, y, x + diameter, y + diameter);
        break;
    }
    case GlyphDoubleRight:
    case GlyphDoubleLeft: {
        const int width = n / 2 + 1;
        const bool left = kind == GlyphDoubleLeft;
        HorizontalTriangle(dc, x, y, width, n, 1, left);
        HorizontalTriangle(dc, x + n - width, y, width, n, 1, left);
        break;
    }
    case GlyphPause: {
        const int width = n / 3 + 1;
        Columns(dc, x, y, width, n);
        Columns(dc, x + n - width, y, width, n);
        break;
    }
    case GlyphUpDown: {
        const int half = n / 2;
        VerticalTriangle(dc, x + n / 4, y, half, half, 2, true);
        VerticalTriangle(dc, x + n / 4, y + half, half, half, 2, false);
        break;
    }
    case GlyphNarrowRight:
        HorizontalTriangle(dc, x + n / 4, y, n / 2, n, 1, false);
        break;
    case GlyphPolygonRight:
    case GlyphPolygonLeft:
    case GlyphPolygonUp:
    case GlyphPolygonDown:
        PolygonTriangle(dc, x, y, n, kind);
        break;
    default:
        break;
    }
}

// ---- Text -------------------------------------------------------------------

// The shadow's shading amount for a record, 0 for none.
int ShadowAmount(const TmyTextRecord& record)
{
    const int amount = static_cast<int8_t>(record.Shadow & 0xFF);
    if (amount != myShadowAutomatic)
        return amount;
    return ColorBrightness(record.ShadowBase) > ColorBrightness(record.TextColor) ? myShadowOnDarkText
                                                                                 : myShadowOnLightText;
}

// Alignment flags of one axis in the order in which they win.
constexpr unsigned myHorizontalFlags[3] = {AlignTextLeft, AlignTextRight, AlignTextCentre};
constexpr unsigned myVerticalFlags[3] = {AlignTextTop, AlignTextBottom, AlignTextMiddle};

// The first of an axis's flags that align holds, 0 when none.
unsigned FirstFlag(unsigned align, const unsigned (&order)[3])
{
    for (unsigned flag : order)
        if (align & flag)
            return flag;
    return 0;
}

// Position of an extent inside [low, high) by the chosen flag (0 without one).
int Place(unsigned flag, unsigned first, unsigned last, unsigned middle, int low, int high, int extent)
{
    if (flag == first)
        return low;
    if (flag == last)
        return high - extent;
    if (flag == middle)
        return low + (high - low - extent) / 2;
    return 0;
}

UINT DrawingFlags(unsigned horizontal, unsigned vertical)
{
    UINT flags = DT_END_ELLIPSIS | DT_NOPREFIX | DT_NOCLIP;
    if (vertical == AlignTextBottom)
        flags |= DT_BOTTOM;
    else if (vertical == AlignTextMiddle)
        flags |= DT_VCENTER;
    if (horizontal == AlignTextRight)
        flags |= DT_RIGHT;
    else if (horizontal == AlignTextCentre)
        flags |= DT_CENTER;
    return flags;
}

// Keeps the text colour and background mode of a device context and sets
// the background transparent for the lifetime of the object.
class TmyTextState {
public:
    explicit TmyTextState(HDC dc)
        : Dc(dc), Color(GetTextColor(dc)), Mode(SetBkMode(dc, TRANSPARENT))
    {
    }
    ~TmyTextState()
    {
        SetBkMode(Dc, Mode);
        SetTextColor(Dc, Color);
    }
    TmyTextState(const TmyTextState&) = delete;
    TmyTextState& operator=(const TmyTextState&) = delete;

private:
    HDC Dc;
    COLORREF Color;
    int Mode;
};

}  // namespace

COLORREF ShadeColor(COLORREF color, int amount)
{
    // Beyond one full step a channel would overflow into its neighbour.
    if (amount > 256)
        amount = 256;
    else if (amount < -256)
        amount = -256;
    return ShadeChannels(color, amount);
}

COLORREF ShadeColor(COLORREF color, double fraction)
{
    if (fraction > 1.0)
        fraction = 1.0;
    else if (fraction < -1.0)
        fraction = -1.0;
    return ShadeChannels(color, fraction);
}

int ColorBrightness(COLORREF color)
{
    return GetRValue(color) + GetGValue(color) + GetBValue(color);
}

void FillColor(HDC dc, const RECT& rect, COLORREF color)
{
    TmySelection selection(dc);
    selection.SelectBrush(DC_BRUSH);
    SetDCBrushColor(dc, color);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

int BorderMarginOf(int style, int width)
{
    if (width < 0)
        width = 0;
    switch (style & 0xFF) {
    case 0:
        return 0;
    case 1:
    case 2:
    case 5:
        return 1;
    case 9:
        return 2 * width;
    default:
        return width;
    }
}

int DrawBorder(HDC dc, RECT* rect, const TmyBorderRecord& border, COLORREF outer)
{
    if (border.Width <= 0)
        return 0;
    if (rect->right - rect->left <= border.Width || rect->bottom - rect->top <= border.Width)
        return 0;
    {
        TmySelection selection(dc);
        selection.SelectPen(DC_PEN);
        selection.SelectBrush(NULL_BRUSH);
        TmyBorderPainter(dc, *rect, border, outer).Draw();
    }
    const int margin = BorderMarginOf(border.Style, border.Width);
    InflateRect(rect, -margin, -margin);
    return 1;
}

void DrawGlyph(HDC dc, POINT point, int size, int kind, COLORREF color)
{
    if (size <= 0)
        return;
    TmySelection selection(dc);
    selection.SelectPen(DC_PEN);
    selection.SelectBrush(DC_BRUSH);
    SetDCPenColor(dc, color);
    SetDCBrushColor(dc, color);
    DrawGlyphShape(dc, point.x, point.y, size, kind);
}

void DrawAlignedText(HDC dc, const RECT& rect, const TmyString& text, HFONT font, unsigned align,
                     const TmyTextRecord& record)
{
    TmySelection selection(dc);
    selection.SelectFont(font);
    TmyTextState state(dc);
    const int length = static_cast<int>(text.Length());

    RECT measured{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), length, &measured, DT_CALCRECT | DT_NOPREFIX);
    const int width = measured.right - measured.left;
    const int height = measured.bottom - measured.top;

    const unsigned horizontal = FirstFlag(align, myHorizontalFlags);
    const unsigned vertical = FirstFlag(align, myVerticalFlags);
    RECT placed;
    placed.left = Place(horizontal, AlignTextLeft, AlignTextRight, AlignTextCentre, rect.left, rect.right, width);
    placed.top = Place(vertical, AlignTextTop, AlignTextBottom, AlignTextMiddle, rect.top, rect.bottom, height);
    placed.right = placed.left + width;
    placed.bottom = placed.top + height;
    if (placed.right > rect.right)
        placed.right = rect.right;
    if (placed.bottom > rect.bottom)
        placed.bottom = rect.bottom;
    if (placed.left < rect.left)
        placed.left = rect.left;

    const UINT flags = DrawingFlags(horizontal, vertical);
    const int shadow = ShadowAmount(record);
    if (shadow) {
        SetTextColor(dc, ShadeColor(record.ShadowBase, shadow));
        for (int offset = 1; offset <= 2; ++offset) {
            RECT shifted = placed;
            OffsetRect(&shifted, offset, offset);
            if (shifted.bottom > rect.bottom)
                shifted.bottom = rect.bottom;
            DrawTextA(dc, text.c_str(), length, &shifted, flags);
        }
    }
    SetTextColor(dc, record.TextColor);
    DrawTextA(dc, text.c_str(), length, &placed, flags);
}

void DrawShadowTextW(HDC dc, int x, int y, const TmyWideString& text, HFONT font,
                     const TmyTextRecord& record, const RECT* clip)
{
    TmySelection selection(dc);
    selection.SelectFont(font);
    TmyTextState state(dc);
    const UINT options = clip ? ETO_CLIPPED : 0;
    const UINT length = text.Length();

    const int shadow = ShadowAmount(record);
    if (shadow) {
        SetTextColor(dc, ShadeColor(record.ShadowBase, shadow));
        for (int offset = 1; offset <= 2; ++offset)
            ExtTextOutW(dc, x + offset, y + offset, options, clip, text.c_str(), length, nullptr);
    }
    SetTextColor(dc, record.TextColor);
    ExtTextOutW(dc, x, y, options, clip, text.c_str(), length, nullptr);
}

HFONT CreateTextFont(int height, const char* face, int bold, int italic, int underline,
                     int strikeOut, int pitchAndFamily, int charSet, int quality)
{
    return CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : 0, italic, underline, strikeOut, charSet, 0, 0,
                       quality, pitchAndFamily, face);
}

unsigned GetModifierKeys()
{
    unsigned keys = 0;
    if (GetAsyncKeyState(VK_MENU) < 0)
        keys |= ModifierAlt;
    if (GetAsyncKeyState(VK_SHIFT) < 0)
        keys |= ModifierShift;
    if (GetAsyncKeyState(VK_CONTROL) < 0)
        keys |= ModifierCtrl;
    return keys;
}

int HalveBitmap(TmyBitmap24& source, TmyBitmap24& destination)
{
    const int width = source.Width() / 2;
    const int height = source.Height() / 2;
    if (!source.Bits() || !destination.Bits() || destination.Width() < width || destination.Height() < height)
        return 0;
    // Rows and pixels go forward, so halving a bitmap in place never reads a
    // pixel it has already overwritten.
    for (int y = 0; y < height; ++y) {
        const unsigned char* upper = source.ScanLine(2 * y);
        const unsigned char* lower = source.ScanLine(2 * y + 1);
        unsigned char* target = destination.ScanLine(y);
        for (int x = 0; x < width * 3; ++x) {
            const int a = 6 * (x / 3) + x % 3;
            target[x] = static_cast<unsigned char>((upper[a] + upper[a + 3] + lower[a] + lower[a + 3]) / 4);
        }
    }
    return 1;
}
