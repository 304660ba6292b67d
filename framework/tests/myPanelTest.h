// Helpers of the panel, label and button tests: a bounded message pump, a
// shown host window, rendering a window into a test canvas, and a log of the
// events a widget fired.
#pragma once

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "myApplication.h"
#include "myComponents.h"
#include "myHoveringMonitor.h"
#include "myTestCanvas.h"

// Rectangles compare and print by their four edges.
inline bool operator==(const RECT& first, const RECT& second)
{
    return first.left == second.left && first.top == second.top && first.right == second.right &&
           first.bottom == second.bottom;
}
inline std::ostream& operator<<(std::ostream& out, const RECT& rect)
{
    return out << "(" << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom << ")";
}

// Most messages one pump handles before it gives up on an endless stream.
constexpr int maxPumpedMessages = 10000;

// Dispatches what is pending in the thread's queue (including paints).
inline void PumpPending()
{
    MSG message;
    for (int i = 0; i < maxPumpedMessages && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Pumps until done() holds or timeoutMs passed; true when done() held.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        PumpPending();
    }
    return true;
}

// A shown top-level window to put the widgets in.
class TmyTestHost : public TmyComponent {
public:
    TmyTestHost(int width, int height, COLORREF back)
        : TmyComponent("host", WS_POPUP | WS_VISIBLE, 0, 20, 20, width, height, nullptr)
    {
        SetBackColor(back);
        PumpPending();
    }
};

// Base of the widget fixtures: every test leaves the queue drained and every
// thunk released. Mouse moves create the application's hover monitor, which
// is released here so that it does not count as a leak.
class TmyWidgetTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        PumpPending();
        ReleaseApplicationHoverMonitor();
        EXPECT_TRUE(Application.ThunkSlots.IsEmpty()) << "a test leaked a window thunk";
    }
};

// Paints the whole client area of window into canvas through WM_PAINT with
// the canvas as the device context.
inline void RenderWindow(HWND window, TmyTestCanvas& canvas)
{
    PumpPending();
    InvalidateRect(window, nullptr, TRUE);
    SendMessageA(window, WM_PAINT, reinterpret_cast<WPARAM>(canvas.Get()), 0);
}

// Pixels in which two canvases of the same size differ.
inline int Differences(const TmyTestCanvas& first, const TmyTestCanvas& second)
{
    int count = 0;
    for (int y = 0; y < first.Height; ++y)
        for (int x = 0; x < first.Width; ++x)
            count += first.Pixel(x, y) != second.Pixel(x, y);
    return count;
}

// Records events as short texts in the order they fired.
class TmyEventLog : public TmyObject {
public:
    void Add(const std::string& entry) { Entries.push_back(entry); }
    int Count(const std::string& entry) const
    {
        int count = 0;
        for (const std::string& e : Entries)
            count += e == entry;
        return count;
    }
    std::vector<std::string> Entries;
};
