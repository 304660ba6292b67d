// TmyHoveringMonitor: times the control under the pointer with timer 1 of a
// hidden window and calls its MouseHover once the period has passed, unless
// the pointer left it meanwhile.
#include "myHoveringMonitor.h"

#include "myApplication.h"

namespace {

constexpr int hoverMonitorTypeId = 33;
// The monitor's one window timer.
constexpr UINT_PTR hoverTimerId = 1;

// True when point lies in the rectangle at origin with the given size, edges included.
bool InsideInclusive(POINT point, POINT origin, int width, int height)
{
    return point.x >= origin.x && point.x <= origin.x + width && point.y >= origin.y &&
           point.y <= origin.y + height;
}

TmyHoveringMonitor* HeldMonitor()
{
    return static_cast<TmyHoveringMonitor*>(Application.HoverMonitor);
}

}  // namespace

// A hidden window used only for its timer.
TmyHoveringMonitor::TmyHoveringMonitor(unsigned periodMs)
    : TmyComponent("myHoverMonitor", 0, 0, 0, 0, 0, 0, nullptr), Hovered(nullptr), Since(0), Period(periodMs)
{
    RegisterType(this, hoverMonitorTypeId, "HoverMonitor");
}

// The application no longer hands out a monitor being destroyed.
TmyHoveringMonitor::~TmyHoveringMonitor()
{
    Stop();
    if (Application.HoverMonitor == this)
        Application.HoverMonitor = nullptr;
}

LRESULT TmyHoveringMonitor::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == hoverTimerId && Hovered)
        HoverCheck();
    return TmyComponent::WndProc(message, wParam, lParam);
}

void TmyHoveringMonitor::ReportMouse(TmyControl* control)
{
    if (control == Hovered)
        return;
    Stop();
    Hovered = control;
    Since = GetTickCount();
    StartTimer(hoverTimerId, Period);
}

void TmyHoveringMonitor::ForgetControl(TmyControl* control)
{
    if (control && control == Hovered)
        Stop();
}

// Once more than the period has passed: MouseHover when the pointer is still
// on the control; either way the control is no longer timed.
void TmyHoveringMonitor::HoverCheck()
{
    if (GetTickCount() - Since <= Period)
        return;
    TmyControl* control = Hovered;
    Stop();
    POINT cursor;
    GetCursorPos(&cursor);
    const POINT origin = control->GetScreenPos(POINT{0, 0}, 0);
    if (InsideInclusive(cursor, origin, control->GetWidth(), control->GetHeight()))
        control->MouseHover();
}

void TmyHoveringMonitor::Stop()
{
    if (Hovered)
        StopTimer(hoverTimerId);
    Hovered = nullptr;
}

TmyHoveringMonitor* ApplicationHoverMonitor()
{
    if (!Application.HoverMonitor)
        Application.HoverMonitor = new TmyHoveringMonitor(myHoverPeriod);
    return HeldMonitor();
}

void ForgetHoveredControl(TmyControl* control)
{
    if (TmyHoveringMonitor* monitor = HeldMonitor())
        monitor->ForgetControl(control);
}

void ReleaseApplicationHoverMonitor()
{
    delete HeldMonitor();
}
