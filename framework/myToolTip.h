// TmyToolTip: shows a control's hint text in a borderless top-most pop-up
// near the mouse once the pointer has stayed on the control for a second.
// The application holds one tooltip, created on first use; a control's hint
// field names its hint by 1-based position in the tooltip's list.
#pragma once

#include <windows.h>

#include <cstdint>

#include "myComponents.h"
#include "myList.h"
#include "myString.h"

class Tmy_Label;

// Delay before the hint shows, and the period of the leave test, ms.
constexpr unsigned myHintDelay = 1000;

// One hint, owned by the tooltip's hint list.
struct TmyHintStruct {
    TmyControl* Control;   // null once the control was destroyed
    TmyString Text;
};

class TmyToolTip : public TmyComponent {
public:
    TmyToolTip();

    // Overrides of inherited slots.
    ~TmyToolTip() override;
    // Timer 1: shows the current hint, or hides it once the pointer left its control.
    void Timer(UINT_PTR id) override;

    // Operations
    // Requests the hint at a 1-based position; 0 cancels.
    void ShowHint(uint32_t position);
    // Appends a hint for control and stores its position in the control's hint
    // field; returns the position, 0 when the list is full.
    uint32_t AddHint(TmyControl* control, const TmyString& text);
    // The control is being destroyed: its hint no longer shows.
    void ForgetControl(TmyControl* control);
    uint32_t GetCurrentHint() const { return CurrentHint; }
    unsigned GetHintCount() const { return Hints.Count(); }
    Tmy_Label* GetLabel() const { return Label; }

private:
    void Cancel();

protected:
    // Fields, in the order the rest of the framework relies on.
    TmyTypeList<TmyHintStruct> Hints;
    uint32_t CurrentHint;   // 1-based; 0 = none
    Tmy_Label* Label;       // child
};

// The application's tooltip, created on first request.
TmyToolTip* ApplicationToolTip();
// Drops a destroyed control's hint in the application's tooltip; creates none.
void ForgetHintedControl(TmyControl* control);
// Deletes the application's tooltip; the next request creates a new one.
void ReleaseApplicationToolTip();
