// TmyControl geometry and drawing: painting of the windowless subtree without
// overdraw, invalidation of exactly the changed areas, bounds and visibility
// changes, docking and anchoring of children, drawing contexts outside
// WM_PAINT, fonts, borders and text with the control's properties.
#include "myControl.h"

#include "myDrawing.h"
#include "myProfiler.h"

namespace {

// Window flags for repositioning docked and anchored child windows.
constexpr UINT myDockFlags = SWP_NOZORDER | SWP_NOACTIVATE;
constexpr UINT myAnchorFlags = SWP_NOZORDER | SWP_FRAMECHANGED;

int Width(const RECT& rect)
{
    return rect.right - rect.left;
}

int Height(const RECT& rect)
{
    return rect.bottom - rect.top;
}

// A rectangle without an m-wide strip at the right and/or bottom; never inverted.
RECT WithoutStrips(RECT rect, int m, bool right, bool bottom)
{
    if (right)
        rect.right = rect.left > rect.right - m ? rect.left : rect.right - m;
    if (bottom)
        rect.bottom = rect.top > rect.bottom - m ? rect.top : rect.bottom - m;
    return rect;
}

// One region made of two rectangles combined by mode; the caller deletes it.
HRGN CombinedRegion(const RECT& first, const RECT& second, int mode)
{
    HRGN region = CreateRectRgnIndirect(&first);
    HRGN other = CreateRectRgnIndirect(&second);
    CombineRgn(region, region, other, mode);
    DeleteObject(other);
    return region;
}

// A drawing context for measuring: the control's own, or the screen's when
// the control is not (yet) inside a window.
class TmyMeasuringContext {
public:
    explicit TmyMeasuringContext(TmyControl* control)
        : Control(control), Dc(control->BeginDraw()), Screen(Dc == nullptr)
    {
        if (Screen)
            Dc = GetDC(nullptr);
    }
    ~TmyMeasuringContext()
    {
        if (Screen)
            ReleaseDC(nullptr, Dc);
        else
            Control->EndDraw(Dc);
    }
    TmyMeasuringContext(const TmyMeasuringContext&) = delete;
    TmyMeasuringContext& operator=(const TmyMeasuringContext&) = delete;

    HDC Get() const { return Dc; }

private:
    TmyControl* Control;
    HDC Dc;
    bool Screen;
};

// Batches the repositioning of child windows; windowless children are
// placed with SetBounds at once. Falls back to immediate SetWindowPos when
// the batch could not be made or was dropped by the system.
class TmyChildPlacer {
public:
    explicit TmyChildPlacer(int count) : Batch(count ? BeginDeferWindowPos(count) : nullptr) {}
    ~TmyChildPlacer()
    {
        if (Batch)
            EndDeferWindowPos(Batch);
    }
    TmyChildPlacer(const TmyChildPlacer&) = delete;
    TmyChildPlacer& operator=(const TmyChildPlacer&) = delete;

    void Place(TmyControl* child, int x, int y, int width, int height, UINT flags)
    {
        HWND window = child->GetWindow();
        if (!window) {
            child->SetBounds(x, y, width, height);
            return;
        }
        if (Batch)
            Batch = DeferWindowPos(Batch, window, nullptr, x, y, width, height, flags);
        else
            SetWindowPos(window, nullptr, x, y, width, height, flags);
    }

private:
    HDWP Batch;
};

// One docking pass over the children in list order: those aligned to the near
// side (top or left) take their height or width from the near edge of the
// remaining area, those aligned to the far side from its far edge; hidden
// children are placed too but take no space.
void DockPass(TmyControl* child, TmyChildPlacer& placer, RECT* area, int nearAlign, int farAlign, bool rows)
{
    for (; child; child = child->NextSiblingControl()) {
        const int align = child->GetAlign();
        if (align != nearAlign && align != farAlign)
            continue;
        const RECT& bounds = child->GetBounds();
        const int extent = rows ? Height(bounds) : Width(bounds);
        const int space = child->HasState(StateHidden) ? 0 : extent;
        const bool nearSide = align == nearAlign;
        LONG* edge = rows ? (nearSide ? &area->top : &area->bottom) : (nearSide ? &area->left : &area->right);
        const int start = nearSide ? *edge : *edge - extent;
        if (rows)
            placer.Place(child, area->left, start, Width(*area), extent, myDockFlags);
        else
            placer.Place(child, start, area->top, extent, Height(*area), myDockFlags);
        *edge += nearSide ? space : -space;
    }
}

// Anchored position and size on one axis of the client span [low, high).
void AnchorAxis(int32_t nearMargin, int32_t farMargin, int low, int high, int* position, int* size)
{
    if (nearMargin == AnchorCentre) {
        *position = (high - *size - low) / 2;
    } else if (farMargin != AnchorUnset) {
        if (nearMargin == AnchorUnset)
            *position = high - farMargin - *size;
        else
            *size = high - farMargin - nearMargin - low;
    }
    if (*size < 0)
        *size = 0;
}

}  // namespace

// ---- Painting ---------------------------------------------------------------

// Paints the windowless children first, each cut out of the clip region once
// painted, then the control itself in what is left, then the overlay children.
void TmyControl::DoPaint(HDC dc)
{
    POINT origin;
    GetWindowOrgEx(dc, &origin);
    HRGN entry = CreateRectRgn(0, 0, 0, 0);
    const bool hadClip = GetClipRgn(dc, entry) == 1;
    if (!hadClip)
        SetRectRgn(entry, -origin.x, -origin.y, GetWidth() - origin.x, GetHeight() - origin.y);
    HRGN remaining = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(remaining, entry, nullptr, RGN_COPY);

    for (TmyControl* child = FirstChild; child; child = child->NextSibling) {
        if (child->Window || child->HasState(StateOverlay) || child->HasState(StateHidden))
            continue;
        RECT area = child->Bounds;
        OffsetRect(&area, -origin.x, -origin.y);
        if (!RectInRegion(remaining, &area))
            continue;
        SetWindowOrgEx(dc, origin.x - child->Bounds.left, origin.y - child->Bounds.top, nullptr);
        SelectClipRgn(dc, remaining);
        IntersectClipRect(dc, 0, 0, Width(child->Bounds), Height(child->Bounds));
        child->DoPaint(dc);
        SelectClipRgn(dc, remaining);
        ExcludeClipRect(dc, 0, 0, Width(child->Bounds), Height(child->Bounds));
        GetClipRgn(dc, remaining);
    }

    SetWindowOrgEx(dc, origin.x, origin.y, nullptr);
    SelectClipRgn(dc, remaining);
    {
        TmyProfilerScope probe(487, "myControl", "TmyControl::DoPaint");
        Paint(dc);
    }

    // Overlay children draw over the control, but only inside the area the
    // control itself was given, so they never cover an earlier sibling.
    for (TmyControl* child = FirstChild; child; child = child->NextSibling) {
        if (child->Window || !child->HasState(StateOverlay) || child->HasState(StateHidden))
            continue;
        RECT area = child->Bounds;
        OffsetRect(&area, -origin.x, -origin.y);
        if (!RectInRegion(entry, &area))
            continue;
        SetWindowOrgEx(dc, origin.x - child->Bounds.left, origin.y - child->Bounds.top, nullptr);
        SelectClipRgn(dc, entry);
        IntersectClipRect(dc, 0, 0, Width(child->Bounds), Height(child->Bounds));
        child->DoPaint(dc);
    }

    SetWindowOrgEx(dc, origin.x, origin.y, nullptr);
    SelectClipRgn(dc, hadClip ? entry : nullptr);
    DeleteObject(remaining);
    DeleteObject(entry);
}

// ---- Invalidation -----------------------------------------------------------

void TmyControl::InvalidateRegion(HRGN region)
{
    if (!Parent || HasState(StateHidden))
        return;
    OffsetRgn(region, Bounds.left, Bounds.top);
    Parent->InvalidateRegion(region);
    OffsetRgn(region, -Bounds.left, -Bounds.top);
}

// The own area less the ordinary visible children, which repaint themselves.
void TmyControl::Invalidate()
{
    if (!IsVisible())
        return;
    HRGN region = CreateRectRgn(0, 0, GetWidth(), GetHeight());
    HRGN cut = CreateRectRgn(0, 0, 0, 0);
    for (TmyControl* child = FirstChild; child; child = child->NextSibling) {
        if (child->HasState(StateHidden) || child->HasState(StateOverlay))
            continue;
        SetRectRgn(cut, child->Bounds.left, child->Bounds.top, child->Bounds.right, child->Bounds.bottom);
        CombineRgn(region, region, cut, RGN_DIFF);
    }
    DeleteObject(cut);
    InvalidateRegion(region);
    DeleteObject(region);
}

void TmyControl::InvalidateRect(const RECT& rect)
{
    HRGN region = CreateRectRgnIndirect(&rect);
    InvalidateRegion(region);
    DeleteObject(region);
}

// ---- Visibility and layout --------------------------------------------------

void TmyControl::SetVisible(int shown)
{
    const bool hidden = HasState(StateHidden);
    if (shown ? !hidden : hidden)
        return;
    const RECT whole{0, 0, GetWidth(), GetHeight()};
    if (shown) {
        SetState(StateHidden, 0);
        InvalidateRect(whole);
        VisibilityChanged(1);
    } else {
        InvalidateRect(whole);
        VisibilityChanged(0);
        SetState(StateHidden, 1);
    }
    if (Parent)
        Parent->Layout();
}

// Docks the aligned children in four passes, then applies the anchors.
// Returns the number of children that docking or anchoring may move.
int TmyControl::Layout()
{
    int count = 0;
    for (TmyControl* child = FirstChild; child; child = child->NextSibling)
        if (child->Align != AlignNone || (child->Anchors && child->Window))
            ++count;
    TmyChildPlacer placer(count);

    RECT area = GetClientArea();
    DockPass(FirstChild, placer, &area, AlignTop, AlignBottom, true);
    DockPass(FirstChild, placer, &area, AlignLeft, AlignRight, false);
    DockPass(FirstChild, placer, &area, AlignInnerTop, AlignInnerBottom, true);
    for (TmyControl* child = FirstChild; child; child = child->NextSibling)
        if (child->Align == AlignClient)
            placer.Place(child, area.left, area.top, Width(area), Height(area), myDockFlags);

    const RECT client = GetClientArea();
    for (TmyControl* child = FirstChild; child; child = child->NextSibling) {
        if (child->Align != AlignNone || !child->Anchors)
            continue;
        int x = child->Bounds.left;
        int y = child->Bounds.top;
        int width = Width(child->Bounds);
        int height = Height(child->Bounds);
        AnchorAxis(child->Anchors->Left, child->Anchors->Right, client.left, client.right, &x, &width);
        AnchorAxis(child->Anchors->Top, child->Anchors->Bottom, client.top, client.bottom, &y, &height);
        placer.Place(child, x, y, width, height, myAnchorFlags);
    }
    return count;
}

// ---- Drawing contexts -------------------------------------------------------

// The parent's context with the origin at this control's top-left and the
// clip region cut to its area.
HDC TmyControl::BeginDraw()
{
    if (!Parent)
        return nullptr;
    HDC dc = Parent->BeginDraw();
    if (!dc)
        return nullptr;
    SaveDC(dc);
    OffsetWindowOrgEx(dc, -Bounds.left, -Bounds.top, nullptr);
    IntersectClipRect(dc, 0, 0, Width(Bounds), Height(Bounds));
    return dc;
}

void TmyControl::EndDraw(HDC dc)
{
    if (!dc || !Parent)
        return;
    RestoreDC(dc, -1);
    Parent->EndDraw(dc);
}

// ---- Geometry ---------------------------------------------------------------

int TmyControl::GetHeight()
{
    return Height(Bounds);
}

int TmyControl::GetWidth()
{
    return Width(Bounds);
}

void TmyControl::FitToChildren(int extraWidth, int extraHeight)
{
    int right = 0;
    int bottom = 0;
    for (TmyControl* child = FirstChild; child; child = child->NextSibling) {
        if (child->Bounds.right > right)
            right = child->Bounds.right;
        if (child->Bounds.bottom > bottom)
            bottom = child->Bounds.bottom;
    }
    Resize(extraWidth + right, extraHeight + bottom);
}

// The screen position of the control's top-left corner.
POINT TmyControl::GetScreenPos(POINT point, int)
{
    POINT position{Bounds.left, Bounds.top};
    if (Parent) {
        const POINT origin = Parent->GetScreenPos(point, 1);
        position.x += origin.x;
        position.y += origin.y;
    }
    return position;
}

// Applies new bounds and invalidates in the parent only what changed: both
// areas on a move; on a resize the uncovered or newly covered area plus the
// border strips that move.
void TmyControl::SetBounds(int x, int y, int width, int height)
{
    if (width < 0)
        width = 0;
    if (height < 0)
        height = 0;
    BoundsChanging(&x, &y, &width, &height);
    const RECT old = Bounds;
    const RECT bounds{x, y, x + width, y + height};
    if (EqualRect(&old, &bounds))
        return;
    const bool moved = x != old.left || y != old.top;
    const bool resized = width != Width(old) || height != Height(old);

    HRGN changed = nullptr;
    if (moved) {
        changed = CombinedRegion(old, bounds, RGN_OR);
    } else {
        const int m = BorderMargin();
        const RECT before = WithoutStrips(old, m, width > Width(old), height > Height(old));
        const RECT after = WithoutStrips(bounds, m, width < Width(old), height < Height(old));
        changed = CombinedRegion(before, after, RGN_XOR);
    }
    // A hidden control shows nowhere, so its bounds change repaints nothing.
    if (Parent && !HasState(StateHidden))
        Parent->InvalidateRegion(changed);
    DeleteObject(changed);

    Bounds = bounds;
    if (moved)
        Moved();
    if (resized)
        Resized();
}

void TmyControl::Move(int x, int y)
{
    SetBounds(x, y, Width(Bounds), Height(Bounds));
}

void TmyControl::Resize(int width, int height)
{
    SetBounds(Bounds.left, Bounds.top, width, height);
}

// The area inside the border; an axis too small for the border keeps its full span.
RECT TmyControl::GetClientArea()
{
    const int m = BorderMargin();
    const int width = GetWidth();
    const int height = GetHeight();
    RECT area{m, m, width - m, height - m};
    if (width < 2 * m) {
        area.left = 0;
        area.right = width;
    }
    if (height < 2 * m) {
        area.top = 0;
        area.bottom = height;
    }
    return area;
}

// ---- Fonts and text ---------------------------------------------------------

// Stores the font, measures the text height it gives and lets children that
// inherit their font follow.
void TmyControl::SetFont(HFONT font)
{
    Font = font;
    {
        TmyMeasuringContext context(this);
        HFONT resolved = ResolveFont();
        if (!resolved || resolved == InheritedFont())
            resolved = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        HGDIOBJ previous = SelectObject(context.Get(), resolved);
        TEXTMETRICA metrics;
        if (GetTextMetricsA(context.Get(), &metrics))
            TextHeight = metrics.tmHeight;
        SelectObject(context.Get(), previous);
    }
    for (TmyControl* child = FirstChild; child; child = child->NextSibling)
        if (child->Font == InheritedFont())
            child->SetFont(InheritedFont());
    Invalidate();
}

int TmyControl::BorderMargin(int style, int width)
{
    if (style == -1)
        style = GetProperty(PropBorderStyle);
    if (width == -1)
        width = GetProperty(PropBorderWidth);
    return BorderMarginOf(style, width);
}

int TmyControl::DrawControlBorder(HDC dc, RECT* rect, int style, int width, int intensity, COLORREF borderColor,
                                  COLORREF background)
{
    TmyBorderRecord border;
    border.Background = background == CLR_INVALID ? GetProperty(PropBackColor) : background;
    border.FieldColor = GetProperty(PropFieldColor);
    border.TextColor = borderColor == CLR_INVALID ? StateTextColor() : borderColor;
    border.Width = width == -1 ? GetProperty(PropBorderWidth) : width;
    border.Style = style == -1 ? GetProperty(PropBorderStyle) : style;
    border.Intensity = (intensity == -1 ? GetProperty(PropBorderIntensity) : intensity) & 0xFF;
    border.BorderColor = IsEnabled() ? GetProperty(PropBorderColor) : GetProperty(PropDisabledTextColor);
    const COLORREF outer = Parent ? static_cast<COLORREF>(Parent->GetProperty(PropBackColor)) : border.Background;
    return DrawBorder(dc, rect, border, outer);
}

void TmyControl::DrawControlText(HDC dc, const RECT& rect, const TmyString& text, unsigned align,
                                 COLORREF textColor)
{
    TmyTextRecord record;
    record.ShadowBase = GetProperty(PropFieldColor);
    record.TextColor = textColor == CLR_INVALID ? StateTextColor() : textColor;
    record.Shadow = GetProperty(PropShadow);
    DrawAlignedText(dc, rect, text, ResolveFont(), align, record);
}

// Extent of one line of text; an empty text has width 0 and one line's height.
SIZE TmyControl::MeasureText(const TmyString& text, HFONT font, HDC dc)
{
    if (!dc) {
        TmyMeasuringContext context(this);
        HFONT chosen = font ? font : ResolveFont();
        return MeasureText(text, chosen ? chosen : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)),
                           context.Get());
    }
    HGDIOBJ previous = nullptr;
    if (font) {
        if (font == InheritedFont())
            font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        previous = SelectObject(dc, font);
    }
    SIZE size{0, 0};
    if (text.Length() == 0) {
        GetTextExtentPoint32A(dc, "X", 1, &size);
        size.cx = 0;
    } else {
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.Length()), &size);
    }
    if (previous)
        SelectObject(dc, previous);
    return size;
}
