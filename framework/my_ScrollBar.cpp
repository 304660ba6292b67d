// Tmy_ScrollBar: range rules, thumb layout, arrow, track and thumb input,
// and the flat-look painting. Range arithmetic is done on unsigned 64-bit
// differences (maximum - minimum never overflows) with 128-bit products, so
// any pair of 64-bit limits works.
#include "my_ScrollBar.h"

#include <algorithm>
#include <cstdlib>

#include "myDrawing.h"
#include "my_Btn.h"

namespace {

constexpr int scrollBarTypeId = 6;
// Range, page and position of a new bar.
constexpr int64_t initialMaximum = 100;
constexpr int64_t initialPage = 10;
constexpr int64_t defaultLineStep = 1;
constexpr int32_t defaultMinThumbLength = 5;   // pixels
// Track paging: first repeat after the delay, then one per interval.
constexpr unsigned trackRepeatDelayMs = 500;
constexpr unsigned trackRepeatIntervalMs = 100;
// Shift and Ctrl divide the arrow step.
constexpr int64_t shiftDivisor = 10;
constexpr int64_t ctrlDivisor = 100;

// b - a for a <= b, exact for any two 64-bit values.
uint64_t Distance(int64_t a, int64_t b)
{
    return static_cast<uint64_t>(b) - static_cast<uint64_t>(a);
}

// (a * b + addend) / divisor with a 128-bit intermediate; divisor > 0 and the
// quotient must fit 64 bits (callers scale by a factor not above the divisor).
uint64_t MulDiv(uint64_t a, uint64_t b, uint64_t addend, uint64_t divisor)
{
    const uint64_t aLow = a & 0xFFFFFFFFu;
    const uint64_t aHigh = a >> 32;
    const uint64_t bLow = b & 0xFFFFFFFFu;
    const uint64_t bHigh = b >> 32;
    const uint64_t lowLow = aLow * bLow;
    const uint64_t middle1 = aHigh * bLow;
    const uint64_t middle2 = aLow * bHigh;
    const uint64_t cross = (lowLow >> 32) + (middle1 & 0xFFFFFFFFu) + (middle2 & 0xFFFFFFFFu);
    uint64_t low = (cross << 32) | (lowLow & 0xFFFFFFFFu);
    uint64_t high = aHigh * bHigh + (middle1 >> 32) + (middle2 >> 32) + (cross >> 32);
    low += addend;
    if (low < addend)
        ++high;
    // Restoring long division, one bit at a time from the top.
    uint64_t quotient = 0;
    uint64_t remainder = 0;
    for (int bit = 127; bit >= 0; --bit) {
        const bool carry = (remainder >> 63) != 0;
        const uint64_t next = bit >= 64 ? (high >> (bit - 64)) & 1 : (low >> bit) & 1;
        remainder = (remainder << 1) | next;
        quotient <<= 1;
        if (carry || remainder >= divisor) {
            remainder -= divisor;
            quotient |= 1;
        }
    }
    return quotient;
}

// base moved by amount, saturating at the limits of int64_t.
int64_t Advance(int64_t base, uint64_t amount, bool forward)
{
    if (forward) {
        const uint64_t room = Distance(base, INT64_MAX);
        return amount >= room ? INT64_MAX : static_cast<int64_t>(static_cast<uint64_t>(base) + amount);
    }
    const uint64_t room = Distance(INT64_MIN, base);
    return amount >= room ? INT64_MIN : static_cast<int64_t>(static_cast<uint64_t>(base) - amount);
}

// The magnitude of a signed value as unsigned.
uint64_t Magnitude(int64_t value)
{
    return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

// A non-zero mark from is raised to minimum, a non-zero mark to lowered to maximum.
int64_t ClampMarkFrom(int64_t from, int64_t minimum)
{
    return from != 0 && from < minimum ? minimum : from;
}
int64_t ClampMarkTo(int64_t to, int64_t maximum)
{
    return to != 0 && to > maximum ? maximum : to;
}

}  // namespace

// The panel with two arrow buttons and the thumb between them; the three
// share one private style table, copied from the bar's.
Tmy_ScrollBar::Tmy_ScrollBar(TmyControl* parent, int vertical, int x, int y, int width, int height, int style)
    : Tmy_Panel(parent, x, y, width, height), Vertical(vertical != 0), Reversed(0), RepeatTimer(myNoScrollTimer),
      Minimum(0), Maximum(0), Page(0), Position(0), MarkFrom(0), MarkTo(0), FirstButton(nullptr),
      SecondButton(nullptr), Thumb(nullptr), PressPoint{0, 0}, LineStep(defaultLineStep),
      MinThumbLength(defaultMinThumbLength), Dragging(0), GrabPoint(0), GrabPosition(0)
{
    RegisterType(this, scrollBarTypeId, "ScrollBar");
    FirstButton = new Tmy_Btn2("", this, 0, 0, 0, 0);
    SecondButton = new Tmy_Btn2("", this, 0, 0, 0, 0);
    Thumb = new Tmy_Btn2("", this, 0, 0, 0, 0);
    FirstButton->AdoptStyleCopy(FirstButton);
    Thumb->AdoptStyleReference(FirstButton);
    SecondButton->AdoptStyleReference(FirstButton);
    FirstButton->SetGlyphKind(Vertical ? GlyphTriangleUp : GlyphTriangleLeft);
    SecondButton->SetGlyphKind(Vertical ? GlyphTriangleDown : GlyphTriangleRight);
    FirstButton->OnAutoRepeat.Set(this, &Tmy_ScrollBar::ArrowRepeat);
    SecondButton->OnAutoRepeat.Set(this, &Tmy_ScrollBar::ArrowRepeat);
    Thumb->OnMouseDown.Set(this, &Tmy_ScrollBar::ThumbDown);
    Thumb->OnMouseMove.Set(this, &Tmy_ScrollBar::ThumbMove);
    Thumb->OnMouseUp.Set(this, &Tmy_ScrollBar::ThumbUp);
    // The first range is a change from the empty one: it lays out the children.
    SetAll(0, initialMaximum, initialPage, 0, 0, 0);
    SetBorderStyle(style);
}

// The children go with the control part.
Tmy_ScrollBar::~Tmy_ScrollBar()
{
    StopRepeat();
}

// Flat look: background, a two-line groove along the track and the mark band
// between its lines; otherwise the panel's face and border.
void Tmy_ScrollBar::Paint(HDC dc)
{
    if (!HasState(StateFlat)) {
        Tmy_Panel::Paint(dc);
        return;
    }
    FillColor(dc, RECT{0, 0, GetWidth(), GetHeight()}, static_cast<COLORREF>(GetProperty(PropBackColor)));
    const Geometry g = Measure();
    const COLORREF color = StateTextColor();
    DrawGroove(dc, g, color);
    if ((MarkFrom || MarkTo) && Maximum > Minimum) {
        const int from = TrackPixel(MarkFrom, g);
        const int to = TrackPixel(MarkTo, g);
        const int middle = g.Across + g.Thickness / 2;
        FillColor(dc, AlongRect(std::min(from, to), std::max(from, to), middle - 1, middle + 1), color);
    }
    TmyControl::Paint(dc);
}

void Tmy_ScrollBar::MouseMoved(unsigned keys, int x, int y)
{
    Tmy_Panel::MouseMoved(keys, x, y);
    if (keys & MK_LBUTTON)
        PressPoint = POINT{x, y};
}

void Tmy_ScrollBar::LeftButtonUp(unsigned keys, int x, int y)
{
    Tmy_Panel::LeftButtonUp(keys, x, y);
    StopRepeat();
}

int Tmy_ScrollBar::LeftButtonDown(unsigned keys, int x, int y)
{
    const int result = Tmy_Panel::LeftButtonDown(keys, x, y);
    if (!IsEnabled() || Thumb->HasState(StateHidden))
        return result;
    PressPoint = POINT{x, y};
    StopRepeat();
    const UINT_PTR timer = StartTimer(trackRepeatDelayMs);
    RepeatTimer = timer ? timer : myNoScrollTimer;
    PageTowardsPress();
    OnScroll.Fire(this);
    return result;
}

void Tmy_ScrollBar::StateChanged()
{
    Tmy_Panel::StateChanged();
    if (!IsEnabled())
        StopRepeat();
    LayoutThumb();
}

// The repeat timer pages again every interval while the press is held.
void Tmy_ScrollBar::Timer(UINT_PTR id)
{
    if (id != RepeatTimer || RepeatTimer == myNoScrollTimer) {
        Tmy_Panel::Timer(id);
        return;
    }
    StopRepeat();
    if (!HoldsCapture())
        return;
    const UINT_PTR timer = StartTimer(trackRepeatIntervalMs);
    RepeatTimer = timer ? timer : myNoScrollTimer;
    if (PageTowardsPress())
        OnScroll.Fire(this);
}

void Tmy_ScrollBar::SetBackColor(COLORREF color)
{
    Tmy_Panel::SetBackColor(color);
    if (FirstButton)
        FirstButton->SetBackColor(color);
}

void Tmy_ScrollBar::SetBorderWidth(int width)
{
    Tmy_Panel::SetBorderWidth(width);
    LayoutThumb();
}

void Tmy_ScrollBar::SetBorderStyle(int style)
{
    Tmy_Panel::SetBorderStyle(style);
    LayoutThumb();
}

void Tmy_ScrollBar::Resized()
{
    LayoutThumb();
    Tmy_Panel::Resized();
}

void Tmy_ScrollBar::NotifyOwner()
{
    OnChange.Fire(this);
}

int Tmy_ScrollBar::QueryOption(int)
{
    return 1;
}

// Maximum is raised to minimum, page cut to 0..maximum - minimum, position
// clamped to minimum..maximum - page, non-zero marks clamped to the range.
void Tmy_ScrollBar::SetAll(int64_t minimum, int64_t maximum, int64_t page, int64_t position, int64_t markFrom,
                           int64_t markTo)
{
    maximum = std::max(maximum, minimum);
    const uint64_t range = Distance(minimum, maximum);
    page = std::max<int64_t>(page, 0);
    if (static_cast<uint64_t>(page) > range)
        page = static_cast<int64_t>(range);
    position = std::min(std::max(position, minimum), maximum - page);
    markFrom = ClampMarkFrom(markFrom, minimum);
    markTo = ClampMarkTo(markTo, maximum);
    if (minimum == Minimum && maximum == Maximum && page == Page && position == Position && markFrom == MarkFrom &&
        markTo == MarkTo)
        return;
    const bool moved = position != Position;
    Minimum = minimum;
    Maximum = maximum;
    Page = page;
    Position = position;
    MarkFrom = markFrom;
    MarkTo = markTo;
    if (moved)
        NotifyOwner();
    LayoutThumb();
    Invalidate();
}

void Tmy_ScrollBar::SetPosition(int64_t position)
{
    position = std::min(std::max(position, Minimum), Maximum - Page);
    if (position == Position)
        return;
    Position = position;
    LayoutThumb();
    NotifyOwner();
}

// A page that no longer fits behind the position pulls the position back.
void Tmy_ScrollBar::SetPage(int64_t page)
{
    const uint64_t range = Distance(Minimum, Maximum);
    page = std::max<int64_t>(page, 0);
    if (static_cast<uint64_t>(page) > range)
        page = static_cast<int64_t>(range);
    Page = page;
    if (Position <= Maximum - Page)
        LayoutThumb();
    else
        SetPosition(Maximum - Page);
}

void Tmy_ScrollBar::SetMarkBand(int64_t from, int64_t to)
{
    from = ClampMarkFrom(from, Minimum);
    to = ClampMarkTo(to, Maximum);
    if (from == MarkFrom && to == MarkTo)
        return;
    MarkFrom = from;
    MarkTo = to;
    Invalidate();
}

void Tmy_ScrollBar::SetReversed(int reversed)
{
    Reversed = reversed != 0;
    LayoutThumb();
    Invalidate();
}

void Tmy_ScrollBar::SetLineStep(int64_t step)
{
    LineStep = step;
}

void Tmy_ScrollBar::SetMinThumbLength(int length)
{
    MinThumbLength = std::max(length, 0);
    LayoutThumb();
}

// A negative track (bar shorter than its buttons) counts as the minimum thumb length.
Tmy_ScrollBar::Geometry Tmy_ScrollBar::Measure()
{
    const RECT c = GetClientArea();
    const int width = c.right - c.left;
    const int height = c.bottom - c.top;
    Geometry g;
    g.Start = Vertical ? c.top : c.left;
    g.Length = Vertical ? height : width;
    g.Across = Vertical ? c.left : c.top;
    g.Thickness = Vertical ? width : height;
    g.Button = std::min(width, height);
    g.Track = g.Length - 2 * g.Button;
    if (g.Track < 0)
        g.Track = MinThumbLength;
    return g;
}

void Tmy_ScrollBar::PlaceAlong(TmyControl* child, const Geometry& g, int offset, int length)
{
    if (Vertical)
        child->SetBounds(g.Across, g.Start + offset, g.Thickness, length);
    else
        child->SetBounds(g.Start + offset, g.Across, length, g.Thickness);
}

RECT Tmy_ScrollBar::AlongRect(int alongFrom, int alongTo, int acrossFrom, int acrossTo) const
{
    return Vertical ? RECT{acrossFrom, alongFrom, acrossTo, alongTo} : RECT{alongFrom, acrossFrom, alongTo, acrossTo};
}

// Two lines along the track, at the middle - 2 and the middle + 1 across the bar.
void Tmy_ScrollBar::DrawGroove(HDC dc, const Geometry& g, COLORREF color)
{
    const int trackStart = g.Start + g.Button;
    const int middle = g.Across + g.Thickness / 2;
    HGDIOBJ previousPen = SelectObject(dc, GetStockObject(DC_PEN));
    const COLORREF previousColor = SetDCPenColor(dc, color);
    for (int across : {middle - 2, middle + 1}) {
        const RECT line = AlongRect(trackStart, trackStart + g.Track, across, across);
        MoveToEx(dc, line.left, line.top, nullptr);
        LineTo(dc, line.right, line.bottom);
    }
    SetDCPenColor(dc, previousColor);
    SelectObject(dc, previousPen);
}

// A value of the range (clamped to it) scaled onto the track; needs a
// non-empty range.
int Tmy_ScrollBar::TrackPixel(int64_t value, const Geometry& g) const
{
    value = std::min(std::max(value, Minimum), Maximum);
    const uint64_t scaled = MulDiv(Distance(Minimum, value), static_cast<uint64_t>(g.Track), 0,
                                   Distance(Minimum, Maximum));
    const int trackStart = g.Start + g.Button;
    return Reversed ? trackStart + g.Track - static_cast<int>(scaled) : trackStart + static_cast<int>(scaled);
}

// Buttons at both ends; the thumb sized by page / range and placed by the
// position (mirrored when reversed), rounded to the nearest pixel. A page
// covering the whole range, or a disabled bar, hides the thumb and disables
// both buttons.
void Tmy_ScrollBar::LayoutThumb()
{
    if (!Thumb)
        return;
    const Geometry g = Measure();
    PlaceAlong(FirstButton, g, 0, g.Button);
    PlaceAlong(SecondButton, g, g.Length - g.Button, g.Button);
    const uint64_t range = Distance(Minimum, Maximum);
    const bool usable = static_cast<uint64_t>(Page) != range && IsEnabled();
    FirstButton->SetEnabled(usable);
    SecondButton->SetEnabled(usable);
    Thumb->SetVisible(usable);
    if (!usable)
        return;
    const uint64_t track = static_cast<uint64_t>(g.Track);
    int length = static_cast<int>(MulDiv(static_cast<uint64_t>(Page), track, 0, range));
    length = std::max({length, 2 * Thumb->BorderMargin(), static_cast<int>(MinThumbLength)});
    const uint64_t span = range - static_cast<uint64_t>(Page);
    const uint64_t room = static_cast<uint64_t>(std::max(g.Track - length, 0));
    const uint64_t from = Reversed ? Distance(Position, Maximum) - static_cast<uint64_t>(Page)
                                   : Distance(Minimum, Position);
    const int offset = static_cast<int>(MulDiv(from, room, span / 2, span));
    PlaceAlong(Thumb, g, g.Button + offset, length);
}

// Before the thumb the position goes down by a page, after it up (the other
// way when reversed). Once the thumb has reached the pointer it pages no
// more; returns 1 when it paged.
int Tmy_ScrollBar::PageTowardsPress()
{
    const int point = Vertical ? PressPoint.y : PressPoint.x;
    const RECT& thumb = Thumb->GetBounds();
    const int start = Vertical ? thumb.top : thumb.left;
    const int end = Vertical ? thumb.bottom : thumb.right;
    if (point >= start && point < end)
        return 0;
    const bool after = point >= end;
    Step(Position, static_cast<uint64_t>(Page), after != (Reversed != 0));
    return 1;
}

void Tmy_ScrollBar::Step(int64_t base, uint64_t amount, bool forward)
{
    SetPosition(Advance(base, amount, forward));
}

// The first button moves the position down by the line step, the second up;
// Shift divides the step by 10, Ctrl by 100.
int Tmy_ScrollBar::ArrowRepeat(Tmy_Btn* button)
{
    int64_t step = LineStep;
    const unsigned keys = GetModifierKeys();
    if (keys & ModifierShift)
        step /= shiftDivisor;
    if (keys & ModifierCtrl)
        step /= ctrlDivisor;
    const bool up = (button == SecondButton) != (Reversed != 0);
    Step(Position, Magnitude(step), (step < 0) != up);
    OnScroll.Fire(this);
    return 0;
}

int Tmy_ScrollBar::ThumbDown(TmyControl*, unsigned, int x, int y)
{
    Dragging = 1;
    GrabPoint = Vertical ? Thumb->GetTop() + y : Thumb->GetLeft() + x;
    GrabPosition = Position;
    return 0;
}

// The pointer's offset from the grab point, in pixels along the track,
// scaled by (range - page) / (track - thumb length).
int Tmy_ScrollBar::ThumbMove(TmyControl*, unsigned keys, int x, int y)
{
    if (!Dragging || !(keys & MK_LBUTTON))
        return 0;
    const Geometry g = Measure();
    const int point = Vertical ? Thumb->GetTop() + y : Thumb->GetLeft() + x;
    const int thumbLength = Vertical ? Thumb->GetHeight() : Thumb->GetWidth();
    const int divisor = std::max(g.Track - thumbLength, 1);
    const int offset = point - GrabPoint;
    // Beyond the whole track the position is at its limit anyway.
    const uint64_t pixels = static_cast<uint64_t>(std::min(std::abs(offset), divisor));
    const uint64_t span = Distance(Minimum, Maximum) - static_cast<uint64_t>(Page);
    const uint64_t amount = MulDiv(pixels, span, 0, static_cast<uint64_t>(divisor));
    Step(GrabPosition, amount, (offset > 0) != (Reversed != 0));
    return 0;
}

int Tmy_ScrollBar::ThumbUp(TmyControl*, unsigned, int, int)
{
    if (!Dragging)
        return 0;
    Dragging = 0;
    NotifyOwner();
    OnScroll.Fire(this);
    return 0;
}

void Tmy_ScrollBar::StopRepeat()
{
    if (RepeatTimer != myNoScrollTimer)
        StopTimer(RepeatTimer);
    RepeatTimer = myNoScrollTimer;
}

// The capture belongs to the nearest window at or above the bar.
int Tmy_ScrollBar::HoldsCapture()
{
    TmyControl* owner = this;
    while (owner && !owner->GetWindow())
        owner = owner->GetParent();
    return owner && GetCapture() == owner->GetWindow();
}
