// TmyHoveringMonitor: calls MouseHover on a control once the pointer has
// stayed over it for longer than a period. A hidden window of its own drives
// the check with its timer 1. The application holds one monitor, created on
// first use.
#pragma once

#include <windows.h>

#include <cstdint>

#include "myComponents.h"

// Hover delay of the application's monitor, ms.
constexpr unsigned myHoverPeriod = 500;

class TmyHoveringMonitor : public TmyComponent {
public:
    explicit TmyHoveringMonitor(unsigned periodMs);

    // Overrides of inherited slots.
    ~TmyHoveringMonitor() override;
    // Timer 1: the hover check.
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Operations
    // The pointer is over control; the time counts from entering it.
    void ReportMouse(TmyControl* control);
    // The control is being destroyed: it is no longer timed.
    void ForgetControl(TmyControl* control);
    TmyControl* GetHovered() const { return Hovered; }
    unsigned GetPeriod() const { return Period; }

private:
    void HoverCheck();
    void Stop();

protected:
    // Fields, in the order the rest of the framework relies on.
    TmyControl* Hovered;
    uint32_t Since;       // GetTickCount when the pointer entered Hovered
    uint32_t Period;      // ms
};

// The application's hover monitor (period myHoverPeriod), created on first request.
TmyHoveringMonitor* ApplicationHoverMonitor();
// Forgets a control in the application's monitor; creates none.
void ForgetHoveredControl(TmyControl* control);
// Deletes the application's monitor; the next request creates a new one.
void ReleaseApplicationHoverMonitor();
