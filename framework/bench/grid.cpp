// The string grid with 10, 10,000 and 1,000,000 rows: the time a full
// repaint and a page scroll take (both should not depend on the row count,
// since only the cells in the clip box are painted) and the time to sort
// 100,000 rows.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench.h"
#include "myComponents.h"
#include "myStringGrid.h"
#include "myTimeCounter.h"
#include "my_ScrollBar.h"

namespace {

constexpr int benchColumns = 4;
constexpr int benchColumnWidth = 90;
constexpr int benchVisibleRows = 8;   // fewer than the smallest grid holds
constexpr unsigned benchRepaints = 200;
constexpr unsigned benchScrolls = 200;
constexpr int benchRowCounts[] = {10, 10000, 1000000};
constexpr int benchSortRows = 100000;

double MicrosecondsSince(int64_t start, unsigned repeats)
{
    const int64_t elapsed = TmyTimeCounter::Now() - start;
    return static_cast<double>(myTraceTimeBase.ScaledTime(static_cast<uint64_t>(elapsed), 1000000)) / repeats;
}

// A shown window holding one grid of rows x benchColumns cells, every cell
// filled, sized to show benchVisibleRows rows.
class TmyGridBench {
public:
    TmyGridBench(int rows, int storesText)
        : Window(new TmyComponent("grid bench", WS_POPUP | WS_VISIBLE, 0, 0, 0, 400, 300, nullptr)),
          Grid(new TmyStringGrid(Window, 0, 0, 400, 300, benchColumns, rows, benchColumnWidth, 0, 0, 0, storesText))
    {
        Grid->SetVisible(0);
        for (int r = 0; r < rows && storesText; ++r)
            for (int c = 0; c < benchColumns; ++c)
                Grid->SetCellText(r, c, RowText(r, c).c_str());
        const int barHeight = Grid->GetHorzScrollBar()->GetHeight();
        Grid->Resize(400, benchVisibleRows * Grid->GetRowHeight() + barHeight);
        Grid->SetVisible(1);
        UpdateWindow(Window->GetWindow());
    }
    ~TmyGridBench() { delete Window; }
    TmyGridBench(const TmyGridBench&) = delete;
    TmyGridBench& operator=(const TmyGridBench&) = delete;

    static std::string RowText(int row, int column)
    {
        return "cell " + std::to_string(row) + "/" + std::to_string(column);
    }

    double MicrosecondsPerRepaint()
    {
        const int64_t start = TmyTimeCounter::Now();
        for (unsigned i = 0; i < benchRepaints; ++i) {
            InvalidateRect(Window->GetWindow(), nullptr, TRUE);
            UpdateWindow(Window->GetWindow());
        }
        return MicrosecondsSince(start, benchRepaints);
    }

    // One page down per step, repainted each time; a step that would pass
    // the end goes to the end, and from the end back to the top, so every
    // step moves the cells.
    double MicrosecondsPerPageScroll()
    {
        Tmy_ScrollBar* bar = Grid->GetVertScrollBar();
        const int64_t end = bar->GetMaximum() - bar->GetPage();
        const int64_t start = TmyTimeCounter::Now();
        for (unsigned i = 0; i < benchScrolls; ++i) {
            const int64_t position = bar->GetPosition();
            const int64_t next = position + bar->GetPage();
            bar->SetPosition(next <= end ? next : position == end ? 0 : end);
            UpdateWindow(Window->GetWindow());
        }
        return MicrosecondsSince(start, benchScrolls);
    }

    TmyComponent* Window;
    TmyStringGrid* Grid;
};

void RunGridPaint()
{
    double repaint[3] = {};
    double scroll[3] = {};
    for (int i = 0; i < 3; ++i) {
        const int64_t start = TmyTimeCounter::Now();
        TmyGridBench bench(benchRowCounts[i], 1);
        const double setup = MicrosecondsSince(start, 1000);
        repaint[i] = bench.MicrosecondsPerRepaint();
        scroll[i] = bench.MicrosecondsPerPageScroll();
        printf("%8d rows: set-up %9.1f ms, repaint %8.1f us, page scroll %8.1f us\n", benchRowCounts[i], setup,
               repaint[i], scroll[i]);
    }
    printf("repaint ratio 1,000,000 : 10 rows   %6.2f (goal: below 1.5)\n", repaint[2] / repaint[0]);
    printf("repaint ratio 10,000 : 10 rows      %6.2f\n", repaint[1] / repaint[0]);
    printf("page scroll ratio 1,000,000 : 10    %6.2f\n", scroll[2] / scroll[0]);
}

// Sorts rows of pseudo-random numbers ascending, then the sorted rows descending.
void RunGridSort()
{
    TmyGridBench bench(benchSortRows, 1);
    TmyStringGrid* grid = bench.Grid;
    unsigned seed = 2024;
    for (int r = 0; r < benchSortRows; ++r) {
        seed = seed * 1103515245u + 12345u;
        grid->SetCellText(r, 1, std::to_string((seed >> 4) % 1000000).c_str());
    }
    grid->SetSortColumn(1);
    grid->SetAscending(1);
    int64_t start = TmyTimeCounter::Now();
    grid->SortRows();
    printf("sort %d rows ascending:               %9.1f ms\n", benchSortRows, MicrosecondsSince(start, 1000));
    grid->SetAscending(0);
    start = TmyTimeCounter::Now();
    grid->SortRows();
    printf("sort %d sorted rows descending:       %9.1f ms\n", benchSortRows, MicrosecondsSince(start, 1000));
}

const TmyBenchRegistration gridPaintRun("string grid of 10, 10,000 and 1,000,000 rows", &RunGridPaint);
const TmyBenchRegistration gridSortRun("string grid sort of 100,000 rows", &RunGridSort);

}  // namespace
