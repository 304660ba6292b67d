// The string grid in a real window: size rules, cells and row tags, the
// selection and cursor under keys and clicks, header clicks that sort,
// check cells, the column-border drag, scrolling with its trace line, the
// in-place editor, and the cells a repaint reaches and the pixels it draws.
#include "myStringGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "debugCapture.h"
#include "myDrawing.h"
#include "myPanelTest.h"
#include "myTestGraveyard.h"
#include "my_Edit.h"
#include "my_ScrollBar.h"

namespace {

constexpr COLORREF HostBack = RGB(20, 40, 60);
constexpr COLORREF HeaderBack = RGB(90, 90, 90);
constexpr COLORREF Field = RGB(250, 250, 250);
constexpr COLORREF Ink = RGB(0, 0, 0);
constexpr COLORREF HeaderInk = RGB(255, 255, 0);
constexpr COLORREF Highlight = RGB(0x66, 0x66, 0xAA);
// Where the grid sits in the host window, and its size.
constexpr int GridX = 10;
constexpr int GridY = 10;
constexpr int GridWidth = 300;
constexpr int GridHeight = 200;
constexpr int ColumnWidth = 60;

// Records the grid's events as short lines.
class TmyGridLog : public TmyEventLog {
public:
    void Watch(TmyStringGrid* grid)
    {
        grid->OnCursorMoved.Set(this, &TmyGridLog::CursorMoved);
        grid->OnRowSelected.Set(this, &TmyGridLog::RowSelected);
        grid->OnCellClick.Set(this, &TmyGridLog::CellClicked);
        grid->OnHeaderClick.Set(this, &TmyGridLog::HeaderClicked);
        grid->OnColumnResized.Set(this, &TmyGridLog::ColumnResized);
        grid->OnCheckClick.Set(this, &TmyGridLog::CheckClicked);
        grid->OnEditorCreated.Set(this, &TmyGridLog::EditorCreated);
    }
    int CursorMoved(TmyStringGrid* g) { return Note("cursor " + Pair(g->GetCurrentRow(), g->GetCurrentColumn())); }
    int RowSelected(TmyStringGrid* g) { return Note("select " + std::to_string(g->GetSelectedRow())); }
    int CellClicked(TmyStringGrid*, int row, int column) { return Note("click " + Pair(row, column)); }
    int HeaderClicked(TmyStringGrid*, int column) { return Note("header " + std::to_string(column)); }
    int ColumnResized(TmyStringGrid*, int column) { return Note("resized " + std::to_string(column)); }
    int CheckClicked(TmyStringGrid*, int row, int column, int state)
    {
        return Note("check " + Pair(row, column) + " -> " + std::to_string(state));
    }
    int EditorCreated(TmyStringGrid*, Tmy_Edit*) { return Note("editor"); }

private:
    static std::string Pair(int a, int b) { return std::to_string(a) + "," + std::to_string(b); }
    int Note(const std::string& line)
    {
        Add(line);
        return 0;
    }
};

// Notes every cell the grid paints; a cell can be taken over and painted in
// one colour instead.
class TmyCellWatch : public TmyObject {
public:
    int Painted(TmyStringGrid*, TmyGridCellPaint* cell)
    {
        Cells.insert(std::make_pair(cell->Row, cell->Column));
        ++Calls;
        if (cell->Row == TakeRow && cell->Column == TakeColumn) {
            FillColor(cell->Dc, cell->Rect, TakeColor);
            cell->Handled = 1;
        }
        return 0;
    }
    // Takes over the cell, painting it in color.
    void Take(int row, int column, COLORREF color)
    {
        TakeRow = row;
        TakeColumn = column;
        TakeColor = color;
    }
    std::set<std::pair<int, int>> Cells;
    int Calls = 0;
    int TakeRow = -2;
    int TakeColumn = -2;
    COLORREF TakeColor = 0;
};

// Answers the width query with a fixed width.
class TmyWidthRule : public TmyObject {
public:
    int Query(TmyStringGrid*, int, int* width)
    {
        *width = Forced;
        return 0;
    }
    int Forced = 0;
};

class GridFixture : public ::testing::Test {
protected:
    void SetUp() override { Host = new TmyTestHost(GridX + GridWidth + 20, GridY + GridHeight + 20, HostBack); }
    void TearDown() override { delete Host; }

    TmyStringGrid* MakeGrid(int columns, int rows, int fixed, int header, int storesText = 1)
    {
        Grid = new TmyStringGrid(Host, GridX, GridY, GridWidth, GridHeight, columns, rows, ColumnWidth, fixed,
                                 header, 0, storesText);
        Grid->SetBackColor(HeaderBack);
        Grid->SetFieldColor(Field);
        Grid->SetForeColor(Ink);
        Grid->SetProperty(PropHeaderTextColor, static_cast<int32_t>(HeaderInk));
        Log.Watch(Grid);
        PumpPending();
        return Grid;
    }
    // Column c's texts: "r<row>c<column>" in every cell.
    void FillNumbered()
    {
        for (unsigned r = 0; r < Grid->GetRowCount(); ++r)
            for (unsigned c = 0; c < Grid->GetColumnCount(); ++c)
                Grid->SetCellText(static_cast<int>(r), static_cast<int>(c),
                                  ("r" + std::to_string(r) + "c" + std::to_string(c)).c_str());
    }
    // Mouse messages at grid coordinates.
    void Press(int x, int y, unsigned keys = MK_LBUTTON)
    {
        SendMessageA(Host->GetWindow(), WM_LBUTTONDOWN, keys, MAKELPARAM(GridX + x, GridY + y));
    }
    void Release(int x, int y)
    {
        SendMessageA(Host->GetWindow(), WM_LBUTTONUP, 0, MAKELPARAM(GridX + x, GridY + y));
    }
    void MoveTo(int x, int y, unsigned keys = 0)
    {
        SendMessageA(Host->GetWindow(), WM_MOUSEMOVE, keys, MAKELPARAM(GridX + x, GridY + y));
    }
    void Click(int x, int y)
    {
        Press(x, y);
        Release(x, y);
    }
    // A point inside cell (row, column) as the grid shows it now.
    POINT Inside(int row, int column) const
    {
        const RECT cell = Grid->CellRect(row, column);
        return POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    }
    void ClickCell(int row, int column)
    {
        const POINT at = Inside(row, column);
        Click(at.x, at.y);
    }
    void Key(unsigned key) { SendMessageA(Host->GetWindow(), WM_KEYDOWN, key, 0); }
    // Every row's text in column, and every row's tag.
    std::vector<std::string> Column(int column) const
    {
        std::vector<std::string> texts;
        for (unsigned r = 0; r < Grid->GetRowCount(); ++r)
            texts.push_back(Grid->GetCellText(static_cast<int>(r), column).c_str());
        return texts;
    }
    std::vector<unsigned> Tags() const
    {
        std::vector<unsigned> tags;
        for (unsigned r = 0; r < Grid->GetRowCount(); ++r)
            tags.push_back(Grid->GetRowTag(static_cast<int>(r)));
        return tags;
    }
    std::pair<int, int> Cursor() const { return {Grid->GetCurrentRow(), Grid->GetCurrentColumn()}; }
    // The host window painted into Canvas; GridPixel reads it in grid coordinates.
    void Render() { RenderWindow(Host->GetWindow(), Canvas); }
    COLORREF GridPixel(int x, int y) const { return Canvas.Pixel(GridX + x, GridY + y); }
    RECT CellOnCanvas(int row, int column) const
    {
        RECT cell = Grid->CellRect(row, column);
        OffsetRect(&cell, GridX, GridY);
        return cell;
    }

    TmyTestHost* Host = nullptr;
    TmyStringGrid* Grid = nullptr;
    TmyGridLog Log;
    TmyTestCanvas Canvas{GridX + GridWidth + 20, GridY + GridHeight + 20};
};

}  // namespace

// ---- Size, cells and row tags -------------------------------------------------------

using GridSize = GridFixture;

TEST_F(GridSize, ColumnCountAboveTheLimitGivesTheLimit)
{
    MakeGrid(500, 3, 0, 0);
    EXPECT_EQ(128u, Grid->GetColumnCount());
    EXPECT_EQ(1, Grid->SetCellText(2, 127, "last"));
    EXPECT_STREQ("last", Grid->GetCellText(2, 127).c_str());
    Grid->SetGridSize(3, 129);
    EXPECT_EQ(128u, Grid->GetColumnCount());
}

TEST_F(GridSize, NegativeCountsGiveAnEmptyGridOrTheHeaderMinimum)
{
    MakeGrid(-4, -7, 0, 0);
    EXPECT_EQ(0u, Grid->GetRowCount());
    EXPECT_EQ(0u, Grid->GetColumnCount());
    EXPECT_EQ(0, Grid->SetCellText(0, 0, "x"));
    auto* framed = new TmyStringGrid(Host, 0, 0, 100, 100, -3, -3, -50, 1, 1, 0, 1);
    EXPECT_EQ(1u, framed->GetRowCount());
    EXPECT_EQ(1u, framed->GetColumnCount());
    EXPECT_EQ(0, framed->GetColumnWidth(0));
    framed->SetRowCount(-5);
    EXPECT_EQ(0u, framed->GetRowCount());
}

TEST_F(GridSize, ResizingKeepsTheTextsOfCellsThatRemain)
{
    MakeGrid(3, 4, 0, 0);
    FillNumbered();
    Grid->SetGridSize(2, 5);
    EXPECT_STREQ("r1c2", Grid->GetCellText(1, 2).c_str());
    EXPECT_STREQ("", Grid->GetCellText(1, 4).c_str());
    EXPECT_EQ(ColumnWidth, Grid->GetColumnWidth(4));
    Grid->SetGridSize(6, 2);
    EXPECT_EQ((std::vector<std::string>{"r0c1", "r1c1", "", "", "", ""}), Column(1));
    EXPECT_STREQ("", Grid->GetCellText(0, 2).c_str());
}

TEST_F(GridSize, RowCountRemovesFromRowOneAndAppendsEmptyRows)
{
    MakeGrid(2, 4, 0, 1);
    FillNumbered();
    Grid->SetRowCount(2);
    EXPECT_EQ((std::vector<std::string>{"r0c0", "r3c0"}), Column(0));
    Grid->SetRowCount(4);
    EXPECT_EQ((std::vector<std::string>{"r0c0", "r3c0", "", ""}), Column(0));
    EXPECT_EQ(1, Grid->SetCellText(3, 1, "new"));
    Grid->SetRowCount(0);
    EXPECT_EQ(0u, Grid->GetRowCount());
    EXPECT_EQ(0u, Grid->GetColumnCount());
}

TEST_F(GridSize, CellsOutsideTheGridAreRefusedAndReadEmpty)
{
    MakeGrid(2, 2, 0, 0);
    EXPECT_EQ(0, Grid->SetCellText(2, 0, "x"));
    EXPECT_EQ(0, Grid->SetCellText(0, -1, "x"));
    EXPECT_STREQ("", Grid->GetCellText(-1, 0).c_str());
    EXPECT_EQ(0, Grid->SetColumnStyle(2, 1));
    EXPECT_EQ(0, Grid->SetColumnWidth(2, 50));
    EXPECT_EQ(0, Grid->SetRowTag(2, 9));
    Grid->DeleteRow(2);
    Grid->DeleteRow(-1);
    EXPECT_EQ(2u, Grid->GetRowCount());
}

TEST_F(GridSize, RowTagStaysWithItsRowThroughSwapsAndDeletes)
{
    MakeGrid(1, 4, 0, 0);
    for (int r = 0; r < 4; ++r)
        Grid->SetRowTag(r, 100u + static_cast<unsigned>(r));
    Grid->SwapRows(0, 3);
    EXPECT_EQ((std::vector<unsigned>{103, 101, 102, 100}), Tags());
    Grid->DeleteRow(1);
    EXPECT_EQ((std::vector<unsigned>{103, 102, 100}), Tags());
}

// ---- Selection after deletes and resizes ----------------------------------------------

using GridSelection = GridFixture;

TEST_F(GridSelection, DeletingTheSelectedLastRowSelectsTheNewLastRowUntilOnlyTheHeaderIsLeft)
{
    MakeGrid(2, 3, 0, 1);
    Grid->SelectRow(2);
    Log.Entries.clear();
    Grid->DeleteRow(2);
    EXPECT_EQ(1, Grid->GetSelectedRow());
    EXPECT_EQ((std::vector<std::string>{"select 1"}), Log.Entries);
    Grid->DeleteRow(1);
    EXPECT_EQ(-1, Grid->GetSelectedRow());
    EXPECT_EQ(1u, Grid->GetRowCount());
}

TEST_F(GridSelection, ShrinkingTheGridClampsSelectionAndCursor)
{
    MakeGrid(3, 8, 0, 1);
    Grid->SetCursorCell(7, 2);
    EXPECT_EQ(7, Grid->GetSelectedRow());
    Grid->SetGridSize(4, 2);
    EXPECT_EQ(3, Grid->GetSelectedRow());
    EXPECT_EQ(std::make_pair(1, 0), Cursor());
    Grid->SetGridSize(1, 2);
    EXPECT_EQ(-1, Grid->GetSelectedRow());
    EXPECT_EQ(std::make_pair(-1, -1), Cursor());
}

TEST_F(GridSelection, DeletingTheCursorRowAtTheEndMovesTheCursorUp)
{
    MakeGrid(2, 3, 0, 0);
    Grid->SetCursorCell(2, 1);
    Grid->DeleteRow(2);
    EXPECT_EQ(std::make_pair(1, 1), Cursor());
    Grid->SetRowCount(0);
    EXPECT_EQ(std::make_pair(-1, -1), Cursor());
    EXPECT_EQ(-1, Grid->GetSelectedRow());
}

TEST_F(GridSelection, RowsOutsideTheGridSelectNone)
{
    MakeGrid(2, 3, 0, 0);
    Grid->SelectRow(1);
    Grid->SelectRow(3);
    EXPECT_EQ(-1, Grid->GetSelectedRow());
    Grid->SelectRow(-9);
    EXPECT_EQ(-1, Grid->GetSelectedRow());
}

// ---- Cursor keys ---------------------------------------------------------------------------

class GridKeys : public GridFixture {
protected:
    void SetUp() override
    {
        GridFixture::SetUp();
        MakeGrid(4, 40, 1, 1);
        Grid->SetFocus();
        Grid->SetCursorCell(5, 2);
        Log.Entries.clear();
    }
};

TEST_F(GridKeys, HomePageUpAndUpStopBelowTheHeaderRow)
{
    Key(VK_HOME);
    EXPECT_EQ(std::make_pair(1, 2), Cursor());
    EXPECT_EQ(Grid->GetRowHeight(), Grid->CellRect(1, 2).top);
    Grid->SetCursorCell(3, 2);
    Key(VK_PRIOR);
    EXPECT_EQ(std::make_pair(1, 2), Cursor());
    Key(VK_UP);
    EXPECT_EQ(std::make_pair(1, 2), Cursor());
}

TEST_F(GridKeys, LeftStopsBesideTheFixedColumnAndRightAtTheLastColumn)
{
    Key(VK_LEFT);
    Key(VK_LEFT);
    EXPECT_EQ(std::make_pair(5, 1), Cursor());
    for (int i = 0; i < 3; ++i)
        Key(VK_RIGHT);
    EXPECT_EQ(std::make_pair(5, 3), Cursor());
}

TEST_F(GridKeys, PageDownMovesByWholeRowsOfThePageAndEndShowsTheLastRow)
{
    const int page = static_cast<int>(Grid->GetVertScrollBar()->GetPage()) / Grid->GetRowHeight();
    ASSERT_GT(page, 1);
    Key(VK_NEXT);
    EXPECT_EQ(std::make_pair(5 + page, 2), Cursor());
    Key(VK_END);
    EXPECT_EQ(std::make_pair(39, 2), Cursor());
    EXPECT_EQ(static_cast<LONG>(Grid->GetVertScrollBar()->GetPage()), Grid->CellRect(39, 2).bottom);
    Key(VK_DOWN);
    Key(VK_NEXT);
    EXPECT_EQ(std::make_pair(39, 2), Cursor());
}

TEST_F(GridKeys, EachMoveSelectsTheRowAndReportsTheCursor)
{
    Key(VK_DOWN);
    EXPECT_EQ((std::vector<std::string>{"select 6", "cursor 6,2"}), Log.Entries);
}

TEST_F(GridKeys, SpaceSelectsTheCursorRowWhenMovesDoNot)
{
    Grid->SetSelectRowWithCursor(0);
    Key(VK_DOWN);
    EXPECT_EQ(5, Grid->GetSelectedRow());
    Key(VK_SPACE);
    EXPECT_EQ(6, Grid->GetSelectedRow());
}

TEST_F(GridKeys, FirstKeyWithoutCursorStartsAtTheSelectedRow)
{
    Grid->SetCursorCell(-1, -1);
    Grid->SelectRow(7);
    Key(VK_DOWN);
    EXPECT_EQ(std::make_pair(7, 1), Cursor());
}

// ---- Scrolling -------------------------------------------------------------------------------

using GridScrolling = GridFixture;

TEST_F(GridScrolling, SelectingARowBelowThePageScrollsToItsBottomAndTraces)
{
    MakeGrid(2, 50, 0, 1);
    Grid->TraceFlags = myTraceToDebugger;
    const int rowHeight = Grid->GetRowHeight();
    const int page = static_cast<int>(Grid->GetVertScrollBar()->GetPage());
    DebugCapture capture;
    Grid->SelectRow(30);
    const int bottom = 31 * rowHeight;
    char expected[96];
    std::snprintf(expected, sizeof expected, "SelBottom(%d) > SBLength(%d), setting to %d", bottom, page,
                  bottom - page);
    EXPECT_EQ(bottom - page, Grid->GetVertScrollBar()->GetPosition());
    EXPECT_EQ(page, Grid->CellRect(30, 0).bottom);
    const auto lines = [&](const char* text) {
        return std::count_if(capture.Texts().begin(), capture.Texts().end(),
                             [text](const std::string& line) { return line.find(text) != std::string::npos; });
    };
    EXPECT_EQ(1, lines(expected)) << "expected a line with: " << expected;
    EXPECT_EQ(1, lines("Se;ectRow -1->30"));

    // Back up: the row's top meets the header's bottom.
    Grid->SelectRow(10);
    EXPECT_EQ(rowHeight, Grid->CellRect(10, 0).top);
}

TEST_F(GridScrolling, ScrollingMovesCellsButNotTheHeaderOrFixedColumn)
{
    MakeGrid(8, 50, 1, 1);
    Grid->GetVertScrollBar()->SetPosition(35);
    Grid->GetHorzScrollBar()->SetPosition(25);
    EXPECT_EQ(0, Grid->CellRect(0, 3).top);
    EXPECT_EQ(3 * ColumnWidth - 25, Grid->CellRect(0, 3).left);
    EXPECT_EQ(0, Grid->CellRect(7, 0).left);
    EXPECT_EQ(7 * Grid->GetRowHeight() - 35, Grid->CellRect(7, 0).top);
    const POINT cell = Grid->CellAt(ColumnWidth + 5, Grid->GetRowHeight() + 2);
    EXPECT_EQ(1, cell.x);
    EXPECT_EQ((Grid->GetRowHeight() + 2 + 35) / Grid->GetRowHeight(), cell.y);
}

TEST_F(GridScrolling, RangesAndBarsFollowTheColumnsAndRows)
{
    MakeGrid(8, 50, 0, 0);
    Tmy_ScrollBar* across = Grid->GetHorzScrollBar();
    Tmy_ScrollBar* down = Grid->GetVertScrollBar();
    EXPECT_EQ(8 * ColumnWidth, across->GetMaximum());
    EXPECT_EQ(GridWidth - down->GetWidth(), across->GetPage());
    EXPECT_EQ(50 * Grid->GetRowHeight(), down->GetMaximum());
    EXPECT_EQ(GridHeight - across->GetHeight(), down->GetPage());
    EXPECT_EQ(GridHeight - across->GetHeight(), down->GetHeight());
    EXPECT_EQ(GridWidth - down->GetWidth(), across->GetBounds().right);
}

// ---- Mouse: header, fixed column, cells and check cells -------------------------------------

using GridMouse = GridFixture;

TEST_F(GridMouse, HeaderClicksSortAscendingThenDescendingWithoutSelecting)
{
    MakeGrid(2, 5, 0, 1);
    Grid->SetSortOnHeaderClick(1);
    const char* texts[] = {"head", "pear", "apple", "fig", "kiwi"};
    for (int r = 0; r < 5; ++r)
        Grid->SetCellText(r, 1, texts[r]);
    ClickCell(0, 1);
    EXPECT_EQ((std::vector<std::string>{"head", "apple", "fig", "kiwi", "pear"}), Column(1));
    EXPECT_EQ(1, Grid->IsAscending());
    ClickCell(0, 1);
    EXPECT_EQ((std::vector<std::string>{"head", "pear", "kiwi", "fig", "apple"}), Column(1));
    EXPECT_EQ(0, Grid->IsAscending());
    EXPECT_EQ(-1, Grid->GetSelectedRow());
    EXPECT_EQ(std::make_pair(-1, -1), Cursor());
    EXPECT_EQ((std::vector<std::string>{"header 1", "header 1"}), Log.Entries);
    ClickCell(0, 0);
    EXPECT_EQ(0, Grid->GetSortColumn());
    EXPECT_EQ(1, Grid->IsAscending());
}

TEST_F(GridMouse, HeaderReleasedElsewhereDoesNotClick)
{
    MakeGrid(3, 3, 0, 1);
    const POINT at = Inside(0, 0);
    Press(at.x, at.y);
    MoveTo(at.x + ColumnWidth, at.y, MK_LBUTTON);
    Release(at.x + ColumnWidth, at.y);
    EXPECT_TRUE(Log.Entries.empty());
}

TEST_F(GridMouse, PressInTheFixedColumnSelectsTheRowWithTheCursorInColumnOne)
{
    MakeGrid(3, 6, 1, 1);
    ClickCell(4, 0);
    EXPECT_EQ(4, Grid->GetSelectedRow());
    EXPECT_EQ(std::make_pair(4, 1), Cursor());
}

TEST_F(GridMouse, PressBelowTheLastRowSelectsNothingAndClearsTheCursor)
{
    MakeGrid(3, 3, 0, 0);
    ClickCell(1, 1);
    Click(5, 3 * Grid->GetRowHeight() + 4);
    EXPECT_EQ(-1, Grid->GetSelectedRow());
    EXPECT_EQ(std::make_pair(-1, -1), Cursor());
}

TEST_F(GridMouse, CellClickNeedsPressAndReleaseOnTheSameCell)
{
    MakeGrid(3, 3, 0, 0);
    ClickCell(2, 1);
    EXPECT_EQ(1, Log.Count("click 2,1"));
    const POINT from = Inside(1, 1);
    const POINT to = Inside(1, 2);
    Press(from.x, from.y);
    Release(to.x, to.y);
    EXPECT_EQ(0, Log.Count("click 1,1"));
    EXPECT_EQ(0, Log.Count("click 1,2"));
}

TEST_F(GridMouse, CheckCellTogglesOnlyFromItsCentreSquare)
{
    MakeGrid(3, 3, 0, 0);
    Grid->SetCheckColumn(2, 1);
    Grid->SetCheckColumn(0, 1);
    ClickCell(1, 2);
    EXPECT_STREQ("!", Grid->GetCellText(1, 2).c_str());
    ClickCell(1, 2);
    EXPECT_STREQ("", Grid->GetCellText(1, 2).c_str());
    const RECT cell = Grid->CellRect(1, 2);
    Click(cell.left + 2, (cell.top + cell.bottom) / 2);
    EXPECT_STREQ("", Grid->GetCellText(1, 2).c_str());
    EXPECT_EQ(1, Log.Count("check 1,2 -> 1"));
    EXPECT_EQ(1, Log.Count("check 1,2 -> 0"));
    // Bit 0 of the first character decides: '3' (0x33) clears, '2' (0x32) ticks.
    Grid->SetCellText(0, 0, "3");
    Grid->SetCellText(1, 0, "2");
    ClickCell(0, 0);
    ClickCell(1, 0);
    EXPECT_STREQ("", Grid->GetCellText(0, 0).c_str());
    EXPECT_STREQ("!", Grid->GetCellText(1, 0).c_str());
}

TEST_F(GridMouse, CheckCellWithoutStoredTextOnlyReportsStateZero)
{
    MakeGrid(3, 3, 0, 0, 0);
    Grid->SetCheckColumn(1, 1);
    ClickCell(2, 1);
    EXPECT_EQ(1, Log.Count("check 2,1 -> 0"));
    EXPECT_STREQ("", Grid->GetCellText(2, 1).c_str());
}

// ---- Column widths and the border drag -----------------------------------------------------

using GridColumns = GridFixture;

TEST_F(GridColumns, DraggingAColumnBorderInTheHeaderResizesWithoutPressingTheHeader)
{
    MakeGrid(4, 5, 0, 1);
    Grid->SetColumnResizing(1);
    Grid->SetSortOnHeaderClick(1);
    const int border = 2 * ColumnWidth;
    MoveTo(border + 2, 4);
    Press(border + 2, 4);
    // The drag starts with the first move while the button is held there.
    MoveTo(border + 3, 4, MK_LBUTTON);
    EXPECT_EQ(ColumnWidth, Grid->GetColumnWidth(1));
    MoveTo(border + 30, 4, MK_LBUTTON);
    EXPECT_EQ(ColumnWidth + 27, Grid->GetColumnWidth(1));
    EXPECT_EQ(1, Log.Count("resized 1"));
    MoveTo(border - 500, 4, MK_LBUTTON);
    EXPECT_EQ(2 * Grid->BorderMargin(), Grid->GetColumnWidth(1));
    Release(border - 500, 4);
    MoveTo(border + 200, 4, MK_LBUTTON);
    EXPECT_EQ(2 * Grid->BorderMargin(), Grid->GetColumnWidth(1));
    EXPECT_EQ(ColumnWidth, Grid->GetColumnWidth(0));
    EXPECT_EQ(0, Log.Count("header 1"));
    EXPECT_EQ(0, Log.Count("header 2"));
    // Away from a border the header is pressed and clicked as usual.
    MoveTo(ColumnWidth / 2, 3);
    Click(ColumnWidth / 2, 3);
    EXPECT_EQ(1, Log.Count("header 0"));
}

TEST_F(GridColumns, WidthsAreRaisedToTheMinimumAndTheQueryHasTheLastWord)
{
    MakeGrid(3, 2, 0, 0);
    Grid->SetBorderStyle(3);
    Grid->SetBorderWidth(2);
    EXPECT_EQ(0, Grid->SetColumnWidth(1, 1000001));
    EXPECT_EQ(ColumnWidth, Grid->GetColumnWidth(1));
    EXPECT_EQ(1, Grid->SetColumnWidth(1, -40));
    EXPECT_EQ(4, Grid->GetColumnWidth(1));
    EXPECT_EQ(2 * ColumnWidth + 4, Grid->GetHorzScrollBar()->GetMaximum());
    EXPECT_EQ(1, Grid->SetColumnWidth(1, 1000000));
    EXPECT_EQ(1, Grid->SetColumnWidth(1, 1000000));
    EXPECT_EQ(2, Log.Count("resized 1"));

    TmyWidthRule rule;
    Grid->OnColumnWidthQuery.Set(&rule, &TmyWidthRule::Query);
    rule.Forced = 77;
    EXPECT_EQ(1, Grid->SetColumnWidth(0, 10));
    EXPECT_EQ(77, Grid->GetColumnWidth(0));
    rule.Forced = 2000000;
    EXPECT_EQ(0, Grid->SetColumnWidth(0, 10));
    EXPECT_EQ(77, Grid->GetColumnWidth(0));
}

TEST_F(GridColumns, FillLastColumnShrinksTheLastColumnAndNeverScrolls)
{
    MakeGrid(3, 2, 0, 0);
    const int barHeight = Grid->GetHorzScrollBar()->GetHeight();
    Grid->SetFillLastColumn(1);
    const int visible = GridWidth - Grid->GetVertScrollBar()->GetWidth();
    EXPECT_EQ(0, Grid->GetHorzScrollBar()->GetHeight());
    EXPECT_EQ(visible - 2 * ColumnWidth, Grid->GetColumnWidth(2));
    Grid->SetColumnWidth(0, ColumnWidth + 50);
    EXPECT_EQ(visible - 2 * ColumnWidth - 50, Grid->GetColumnWidth(2));
    EXPECT_EQ(Grid->GetHorzScrollBar()->GetPage(), Grid->GetHorzScrollBar()->GetMaximum());
    // Column 0 gives up what does not fit; no width turns negative.
    Grid->SetColumnWidth(0, 500);
    EXPECT_EQ(0, Grid->GetColumnWidth(2));
    EXPECT_EQ(visible - ColumnWidth, Grid->GetColumnWidth(0));
    Grid->SetColumnWidth(1, 5000);
    EXPECT_GE(Grid->GetColumnWidth(1), 0);
    EXPECT_LE(Grid->GetHorzScrollBar()->GetMaximum(), visible);
    Grid->SetFillLastColumn(0);
    EXPECT_EQ(barHeight, Grid->GetHorzScrollBar()->GetHeight());
}

// ---- Sorting ---------------------------------------------------------------------------------

class GridSorting : public GridFixture {
protected:
    // A grid with a header row whose rows 1.. hold texts, tagged 1, 2, ...
    void Load(const std::vector<std::string>& texts)
    {
        MakeGrid(1, static_cast<int>(texts.size()) + 1, 0, 1);
        for (size_t i = 0; i < texts.size(); ++i) {
            Grid->SetCellText(static_cast<int>(i) + 1, 0, texts[i].c_str());
            Grid->SetRowTag(static_cast<int>(i) + 1, static_cast<unsigned>(i) + 1);
        }
        Grid->SetCellText(0, 0, "zz header");
        Grid->SetSortColumn(0);
    }
};

// Equal texts end in the order this quicksort leaves them (it is not stable).
TEST_F(GridSorting, EqualTextsEndInTheQuicksortsOrderBothWays)
{
    Load({"b", "a", "b", "a"});
    Grid->SortRows();
    EXPECT_EQ((std::vector<unsigned>{0, 4, 2, 1, 3}), Tags());
    Load({"b", "a", "b", "a"});
    Grid->SetAscending(0);
    Grid->SortRows();
    EXPECT_EQ((std::vector<unsigned>{0, 3, 1, 4, 2}), Tags());
}

TEST_F(GridSorting, ComparisonIsByUnsignedBytesAndCaseSensitive)
{
    Load({"b", "\xE9t\xE9", "B", "a", "Z", "ab"});
    Grid->SortRows();
    EXPECT_EQ((std::vector<std::string>{"zz header", "B", "Z", "a", "ab", "b", "\xE9t\xE9"}), Column(0));
}

TEST_F(GridSorting, ManyRowsEndSortedBothWays)
{
    std::vector<std::string> texts;
    unsigned seed = 12345;
    for (int i = 0; i < 2000; ++i) {
        seed = seed * 1103515245u + 12345u;
        texts.push_back(std::to_string((seed >> 8) % 500));
    }
    Load(texts);
    Grid->SortRows();
    std::vector<std::string> sorted = Column(0);
    EXPECT_EQ("zz header", sorted[0]);
    EXPECT_TRUE(std::is_sorted(sorted.begin() + 1, sorted.end()));
    Grid->SetAscending(0);
    Grid->SortRows();
    sorted = Column(0);
    EXPECT_TRUE(std::is_sorted(sorted.rbegin(), sorted.rend() - 1));
}

// Each case arms a handler that deletes the grid and drives the grid's own
// slots at grid coordinates until it ran; the grid must touch nothing of
// itself afterwards.
TEST_F(GridMouse, HandlersThatDeleteTheirGridLeaveItUntouched)
{
    using Grid = TmyPoisoned<TmyStringGrid>;
    using Deleter = TmySelfDeleter;
    ExpectUntouchedAfterSelfDelete<Grid>(
        [&] { return new Grid(Host, GridX, GridY, GridWidth, GridHeight, 4, 10, ColumnWidth, 1, 1, 0, 1); }, {
        {"OnCellClick",
         [](Grid* g, Deleter* d) {
             g->OnCellClick.Set(d, &Deleter::Delete<TmyStringGrid*, int, int>);
             g->LeftButtonDown(MK_LBUTTON, 90, 3 * g->GetRowHeight());
             g->LeftButtonUp(0, 90, 3 * g->GetRowHeight());
         }},
        {"OnHeaderClick",
         [](Grid* g, Deleter* d) {
             g->OnHeaderClick.Set(d, &Deleter::Delete<TmyStringGrid*, int>);
             g->LeftButtonDown(MK_LBUTTON, 90, 3);
             g->LeftButtonUp(0, 90, 3);
         }},
        {"OnRowSelected of a press in the fixed column",
         [](Grid* g, Deleter* d) {
             g->OnRowSelected.Set(d, &Deleter::Delete<TmyStringGrid*>);
             g->LeftButtonDown(MK_LBUTTON, 10, 3 * g->GetRowHeight());
         }},
        {"OnRowSelected of a cursor key",
         [](Grid* g, Deleter* d) {
             g->SetSelectRowWithCursor(1);
             g->OnRowSelected.Set(d, &Deleter::Delete<TmyStringGrid*>);
             g->KeyDown(VK_DOWN, 0);
         }},
        {"OnCursorMoved of a press",
         [](Grid* g, Deleter* d) {
             g->OnCursorMoved.Set(d, &Deleter::Delete<TmyStringGrid*>);
             g->LeftButtonDown(MK_LBUTTON, 90, 3 * g->GetRowHeight());
         }},
        {"OnCheckClick",
         [](Grid* g, Deleter* d) {
             g->SetCheckColumn(1, 1);
             g->OnCheckClick.Set(d, &Deleter::Delete<TmyStringGrid*, int, int, int>);
             g->LeftButtonDown(MK_LBUTTON, 90, 3 * g->GetRowHeight() - g->GetRowHeight() / 2);
         }},
    });
}

// ---- Painting --------------------------------------------------------------------------------

using GridPainting = GridFixture;

TEST_F(GridPainting, RepaintReachesOnlyTheCellsInsideTheClipBox)
{
    MakeGrid(8, 1000, 1, 1);
    TmyCellWatch watch;
    Grid->OnPaintCell.Set(&watch, &TmyCellWatch::Painted);
    UpdateWindow(Host->GetWindow());
    const int rh = Grid->GetRowHeight();
    EXPECT_LT(watch.Calls, 8 * (GridHeight / rh + 2));

    // Columns 2 and 3, rows 4 and 5: the rectangle lies inside those cells.
    const auto repaint = [&](const RECT& area) {
        watch.Cells.clear();
        watch.Calls = 0;
        InvalidateRect(Host->GetWindow(), &area, FALSE);
        UpdateWindow(Host->GetWindow());
    };
    repaint(RECT{GridX + 2 * ColumnWidth + 5, GridY + 4 * rh + 1, GridX + 4 * ColumnWidth - 5, GridY + 6 * rh - 1});
    EXPECT_EQ((std::set<std::pair<int, int>>{{4, 2}, {4, 3}, {5, 2}, {5, 3}}), watch.Cells);
    EXPECT_EQ(4, watch.Calls);
    // A strip of the header row over the fixed column and column 1.
    repaint(RECT{GridX + 1, GridY + 1, GridX + ColumnWidth + 10, GridY + 3});
    EXPECT_EQ((std::set<std::pair<int, int>>{{0, 0}, {0, 1}}), watch.Cells);
}

TEST_F(GridPainting, HeadersSelectedRowAndFieldShowTheirColours)
{
    MakeGrid(3, 6, 1, 1);
    Grid->SelectRow(2);
    Render();
    const int rh = Grid->GetRowHeight();
    const int inside = 3 * ColumnWidth / 2;
    EXPECT_EQ(HeaderBack, GridPixel(inside, rh / 2));
    EXPECT_EQ(HeaderBack, GridPixel(ColumnWidth / 2, 3 * rh + rh / 2));
    EXPECT_EQ(Highlight, GridPixel(inside, 2 * rh + rh / 2));
    EXPECT_EQ(Field, GridPixel(inside, 3 * rh + rh / 2));
    // Beyond the last column and below the last row: the field colour.
    EXPECT_EQ(Field, GridPixel(3 * ColumnWidth + 10, rh / 2));
    EXPECT_EQ(Field, GridPixel(inside, 6 * rh + 3));
    Grid->SetNoHighlight(1);
    Render();
    EXPECT_EQ(Field, GridPixel(inside, 2 * rh + rh / 2));
}

TEST_F(GridPainting, SortMarkIsDrawnInTheHeaderTextColourOfTheSortColumnOnly)
{
    MakeGrid(3, 4, 0, 1);
    Grid->SetSortColumn(1);
    Render();
    const RECT sorted = CellOnCanvas(0, 1);
    EXPECT_GT(Canvas.Count(HeaderInk, sorted), 0);
    EXPECT_EQ(0, Canvas.Count(HeaderInk, CellOnCanvas(0, 2)));
    EXPECT_GT(Canvas.Extent(HeaderInk).left, (sorted.left + sorted.right) / 2);
}

TEST_F(GridPainting, HandledCellIsLeftToThePaintEvent)
{
    MakeGrid(3, 4, 0, 0);
    TmyCellWatch watch;
    watch.Take(1, 1, RGB(1, 200, 3));
    Grid->OnPaintCell.Set(&watch, &TmyCellWatch::Painted);
    Grid->SetCellText(1, 1, "text");
    Render();
    EXPECT_EQ(ColumnWidth * Grid->GetRowHeight(), Canvas.Count(RGB(1, 200, 3), CellOnCanvas(1, 1)));
}

TEST_F(GridPainting, HeaderCellsScrolledLeftPassBeneathTheCornerCell)
{
    MakeGrid(8, 4, 1, 1);
    TmyCellWatch watch;
    watch.Take(0, 0, RGB(1, 200, 3));
    Grid->OnPaintCell.Set(&watch, &TmyCellWatch::Painted);
    Grid->GetHorzScrollBar()->SetPosition(ColumnWidth / 2);
    Render();
    EXPECT_EQ(ColumnWidth * Grid->GetRowHeight(), Canvas.Count(RGB(1, 200, 3), CellOnCanvas(0, 0)));
}

TEST_F(GridPainting, OnlyTheTickedCheckCellShowsATick)
{
    MakeGrid(2, 3, 0, 0);
    Grid->SetCheckColumn(1, 1);
    Grid->SetCellText(1, 1, "!");
    Render();
    // Both show a box; only the ticked one has the black tick (the cells draw no text).
    EXPECT_LT(Canvas.Count(Field, CellOnCanvas(2, 1)), ColumnWidth * Grid->GetRowHeight());
    EXPECT_GT(Canvas.Count(RGB(0, 0, 0), CellOnCanvas(1, 1)), 0);
    EXPECT_EQ(0, Canvas.Count(RGB(0, 0, 0), CellOnCanvas(2, 1)));
}

// ---- In-place editor -------------------------------------------------------------------------

class GridEditor : public GridFixture {
protected:
    void SetUp() override
    {
        GridFixture::SetUp();
        MakeGrid(3, 4, 0, 1);
        Grid->SetEditorColumn(1, 1);
        FillNumbered();
        Log.Entries.clear();
    }
};

TEST_F(GridEditor, CursorEnteringAnEditorColumnOpensAnEditorOverTheCell)
{
    Grid->SetCursorCell(2, 1);
    Tmy_Edit* editor = Grid->GetEditor();
    ASSERT_NE(nullptr, editor);
    EXPECT_STREQ("r2c1", editor->GetText().c_str());
    const RECT cell = Grid->CellRect(2, 1);
    EXPECT_TRUE(EqualRect(&cell, &editor->GetBounds()));
    EXPECT_EQ(AlignTextLeft | AlignTextMiddle, editor->GetAlignment());
    EXPECT_EQ(1, Log.Count("editor"));
    Grid->SetCursorCell(2, 2);
    EXPECT_EQ(nullptr, Grid->GetEditor());
}

TEST_F(GridEditor, MovingTheCursorAwayOrDisablingWritesTheEditedTextBack)
{
    Grid->SetCursorCell(1, 1);
    Grid->GetEditor()->SetText("edited");
    Grid->SetCursorCell(3, 0);
    EXPECT_STREQ("edited", Grid->GetCellText(1, 1).c_str());
    Grid->SetCursorCell(2, 1);
    Grid->GetEditor()->SetText("kept");
    Grid->SetEnabled(0);
    EXPECT_EQ(nullptr, Grid->GetEditor());
    EXPECT_STREQ("kept", Grid->GetCellText(2, 1).c_str());
}

TEST_F(GridEditor, EnterFinishesTheEditorAndTheGridGetsTheFocusBack)
{
    Grid->SetFocus();
    ClickCell(3, 1);
    ASSERT_NE(nullptr, Grid->GetEditor());
    Grid->GetEditor()->SetText("typed");
    Key(VK_RETURN);
    PumpPending();
    EXPECT_EQ(nullptr, Grid->GetEditor());
    EXPECT_STREQ("typed", Grid->GetCellText(3, 1).c_str());
    EXPECT_TRUE(Grid->HasState(StateFocusPath));
}

TEST_F(GridEditor, EditorFollowsItsCellAndStaysOffTheHeader)
{
    Grid->SetGridSize(40, 3);
    Grid->SetCursorCell(2, 1);
    Tmy_Edit* editor = Grid->GetEditor();
    ASSERT_NE(nullptr, editor);
    const int rh = Grid->GetRowHeight();
    Grid->GetVertScrollBar()->SetPosition(rh / 2);
    EXPECT_EQ(2 * rh - rh / 2, editor->GetBounds().top);
    Grid->GetVertScrollBar()->SetPosition(rh + rh / 2);
    EXPECT_EQ(rh, editor->GetBounds().top);
    EXPECT_EQ(3 * rh - (rh + rh / 2), editor->GetBounds().bottom);
    Grid->GetVertScrollBar()->SetPosition(5 * rh);
    EXPECT_EQ(1, editor->HasState(StateHidden));
}
