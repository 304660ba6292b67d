// Painting a window that holds 1,000 windowless children: how many controls a
// repaint reaches and how much area they are given after one child is
// invalidated and after the whole window is, and the time a full repaint
// takes, straight to the window and through the back buffer.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "bench.h"
#include "myComponents.h"
#include "myDrawing.h"
#include "myTimeCounter.h"

namespace {

constexpr int benchColumns = 40;
constexpr int benchRows = 25;
constexpr int benchCell = 20;       // pixels between children
constexpr int benchChildSize = 18;  // pixels, so that the parent shows between them
constexpr unsigned benchRepaints = 50;

// Counts the Paint calls of one repaint and the area their clip regions leave
// to draw; every control fills its own area as a real control would.
class TmyPaintCounter : public TmyObject {
public:
    int Painted(TmyControl* sender, HDC dc)
    {
        ++Calls;
        HRGN clip = CreateRectRgn(0, 0, 0, 0);
        if (GetClipRgn(dc, clip) == 1) {
            const long area = RegionArea(clip);
            Area += area;
            Drawing += area > 0;
        }
        DeleteObject(clip);
        FillColor(dc, RECT{0, 0, sender->GetWidth(), sender->GetHeight()}, RGB(Calls & 0xFF, 60, 90));
        return 0;
    }
    void Reset()
    {
        Calls = 0;
        Drawing = 0;
        Area = 0;
    }

    unsigned Calls = 0;    // Paint calls
    unsigned Drawing = 0;  // of which had a non-empty clip region
    long Area = 0;         // pixels of those clip regions

private:
    static long RegionArea(HRGN region)
    {
        const DWORD size = GetRegionData(region, 0, nullptr);
        std::vector<char> buffer(size);
        RGNDATA* data = reinterpret_cast<RGNDATA*>(buffer.data());
        if (!GetRegionData(region, size, data))
            return 0;
        const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
        long area = 0;
        for (DWORD i = 0; i < data->rdh.nCount; ++i)
            area += static_cast<long>(rects[i].right - rects[i].left) * (rects[i].bottom - rects[i].top);
        return area;
    }
};

void Repaint(TmyComponent* window)
{
    UpdateWindow(window->GetWindow());
}

void Report(const char* what, const TmyPaintCounter& counter)
{
    printf("%-34s %5u Paint calls, %5u with area to draw, %7ld pixels\n", what, counter.Calls,
           counter.Drawing, counter.Area);
}

// Microseconds per full repaint over benchRepaints repaints.
double MicrosecondsPerFullRepaint(TmyComponent* window)
{
    const int64_t start = TmyTimeCounter::Now();
    for (unsigned i = 0; i < benchRepaints; ++i) {
        InvalidateRect(window->GetWindow(), nullptr, TRUE);
        Repaint(window);
    }
    const int64_t elapsed = TmyTimeCounter::Now() - start;
    return static_cast<double>(myTraceTimeBase.ScaledTime(static_cast<uint64_t>(elapsed), 1000000)) /
           benchRepaints;
}

void RunPaint()
{
    auto* window = new TmyComponent("paint bench", WS_POPUP | WS_VISIBLE, 0, 0, 0, benchColumns * benchCell,
                                    benchRows * benchCell, nullptr);
    TmyPaintCounter counter;
    std::vector<TmyControl*> children;
    for (int i = 0; i < benchColumns * benchRows; ++i) {
        auto* child = new TmyControl(window, (i % benchColumns) * benchCell, (i / benchColumns) * benchCell,
                                     benchChildSize, benchChildSize);
        child->OnPaint.Set(&counter, &TmyPaintCounter::Painted);
        children.push_back(child);
    }
    window->OnPaint.Set(&counter, &TmyPaintCounter::Painted);
    Repaint(window);

    counter.Reset();
    children[benchColumns * benchRows / 2]->Invalidate();
    Repaint(window);
    Report("one child invalidated:", counter);

    counter.Reset();
    InvalidateRect(window->GetWindow(), nullptr, TRUE);
    Repaint(window);
    Report("whole window invalidated:", counter);
    printf("%-34s %5zu controls (1 window, %zu children)\n", "visible controls:", children.size() + 1,
           children.size());

    printf("full repaint, straight to window:   %10.1f us\n", MicrosecondsPerFullRepaint(window));
    window->SetDoubleBuffered(1);
    Repaint(window);
    printf("full repaint, through back buffer:  %10.1f us\n", MicrosecondsPerFullRepaint(window));

    delete window;
}

const TmyBenchRegistration paintRun("painting 1,000 windowless children", &RunPaint);

}  // namespace
