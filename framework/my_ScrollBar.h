// Tmy_ScrollBar: a windowless scroll bar of two arrow buttons, a draggable
// thumb and a track, over a 64-bit range. The position is the first visible
// value and always lies within minimum..maximum - page.
#pragma once

#include <windows.h>

#include <cstdint>

#include "myEvent.h"
#include "my_Panel.h"

class Tmy_Btn;
class Tmy_Btn2;

class Tmy_ScrollBar : public Tmy_Panel {
public:
    // A vertical (vertical = 1) or horizontal bar with the range 0..100, page
    // 10 and position 0; style is the bar's border style.
    Tmy_ScrollBar(TmyControl* parent, int vertical, int x, int y, int width, int height, int style);

    // Overrides of inherited slots.
    ~Tmy_ScrollBar() override;
    void Paint(HDC dc) override;
    // Remembers the pointer of a held track press.
    void MouseMoved(unsigned keys, int x, int y) override;
    // Ends track paging.
    void LeftButtonUp(unsigned keys, int x, int y) override;
    // A press on the track pages towards the pointer and starts the repeat timer.
    int LeftButtonDown(unsigned keys, int x, int y) override;
    // The enabled state decides whether thumb and buttons take part.
    void StateChanged() override;
    void Timer(UINT_PTR id) override;
    // The arrow buttons and the thumb follow the bar's back colour.
    void SetBackColor(COLORREF color) override;
    // The frame decides the track: the thumb is laid out again.
    void SetBorderWidth(int width) override;
    void SetBorderStyle(int style) override;
    void Resized() override;

    // The order of the virtual operations appended below is part of the
    // class's contract.
    // Fires the change notification.
    virtual void NotifyOwner();
    // Always 1: the bar takes part in the panels' queries.
    virtual int QueryOption(int option);
    // Applies a whole range at once (see the rules in the source); nothing
    // when no value changes.
    virtual void SetAll(int64_t minimum, int64_t maximum, int64_t page, int64_t position, int64_t markFrom,
                        int64_t markTo);
    virtual void SetPosition(int64_t position);
    virtual void SetPage(int64_t page);
    // A band drawn on the track in the flat look; both 0 means none.
    virtual void SetMarkBand(int64_t from, int64_t to);

    // Operations
    void SetReversed(int reversed);
    void SetLineStep(int64_t step);
    void SetMinThumbLength(int length);
    int64_t GetMinimum() const { return Minimum; }
    int64_t GetMaximum() const { return Maximum; }
    int64_t GetPage() const { return Page; }
    int64_t GetPosition() const { return Position; }
    int64_t GetMarkFrom() const { return MarkFrom; }
    int64_t GetMarkTo() const { return MarkTo; }
    int64_t GetLineStep() const { return LineStep; }
    int IsVertical() const { return Vertical; }
    int IsReversed() const { return Reversed; }
    Tmy_Btn2* GetFirstButton() const { return FirstButton; }
    Tmy_Btn2* GetSecondButton() const { return SecondButton; }
    Tmy_Btn2* GetThumb() const { return Thumb; }

private:
    // Pixel geometry along the bar: client start and length, button size and
    // the track between the buttons.
    struct Geometry {
        int Start;
        int Length;
        int Across;      // client start across the bar
        int Thickness;   // client extent across the bar
        int Button;
        int Track;
    };
    Geometry Measure();
    // Places a child along the bar at offset from the client start.
    void PlaceAlong(TmyControl* child, const Geometry& g, int offset, int length);
    // Spans along and across the bar to a rectangle in bar coordinates.
    RECT AlongRect(int alongFrom, int alongTo, int acrossFrom, int acrossTo) const;
    void DrawGroove(HDC dc, const Geometry& g, COLORREF color);
    int TrackPixel(int64_t value, const Geometry& g) const;
    // Places buttons and thumb for the current range, size and state.
    void LayoutThumb();
    // Moves the position by one page towards the remembered press point;
    // 1 when the thumb had not reached it yet.
    int PageTowardsPress();
    // The position moved by amount (saturating), clamped by SetPosition.
    void Step(int64_t base, uint64_t amount, bool forward);
    // Handlers of the children's events.
    int ArrowRepeat(Tmy_Btn* button);
    int ThumbDown(TmyControl* thumb, unsigned keys, int x, int y);
    int ThumbMove(TmyControl* thumb, unsigned keys, int x, int y);
    int ThumbUp(TmyControl* thumb, unsigned keys, int x, int y);
    void StopRepeat();
    // 1 while the window under the bar holds the mouse capture.
    int HoldsCapture();

protected:
    // Fields, in the order the rest of the framework relies on.
    int32_t Vertical;
    int32_t Reversed;
    UINT_PTR RepeatTimer;      // control timer of a held track press; myNoScrollTimer = none
    int64_t Minimum;
    int64_t Maximum;
    int64_t Page;
    int64_t Position;
    int64_t MarkFrom;
    int64_t MarkTo;
    Tmy_Btn2* FirstButton;     // up or left
    Tmy_Btn2* SecondButton;    // down or right
    Tmy_Btn2* Thumb;
    POINT PressPoint;
    int64_t LineStep;
    int32_t MinThumbLength;    // pixels

public:
    // Called with the bar whenever the position changes.
    TmyEvent<Tmy_ScrollBar*> OnChange;
    // Fired with the bar after each scroll action of the user.
    TmyEvent<Tmy_ScrollBar*> OnScroll;

private:
    // While the thumb is dragged: where it was grabbed (bar coordinates along
    // the track) and the position at that moment.
    int32_t Dragging;
    int32_t GrabPoint;
    int64_t GrabPosition;
};

// RepeatTimer while no track press is held.
constexpr UINT_PTR myNoScrollTimer = static_cast<UINT_PTR>(-1);
