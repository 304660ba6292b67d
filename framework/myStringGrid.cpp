// TmyStringGrid: rows, cells and column widths, the cell cursor and the
// selected row, scrolling through two scroll bars, sorting, check cells, the
// in-place editor, the column-border drag and the painting of exactly the
// cells that intersect the clip box.
#include "myStringGrid.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "myDrawing.h"
#include "my_Edit.h"
#include "my_ScrollBar.h"

namespace {

// Cell capacity of the rows SetGridSize appends (they grow to myGridMaxColumns).
constexpr unsigned myGridRowRoom = 16;
// Column style of a new grid: 68 = centred text (low two bits 0).
constexpr uint8_t myGridDefaultColumnStyle = 68;
// Low two bits of a column style: the text alignment.
constexpr uint8_t myGridAlignMask = 3;
constexpr uint8_t myGridAlignLeft = 1;
constexpr uint8_t myGridAlignRight = 2;
// Pixels between the text and the cell's side for left and right alignment.
constexpr int myGridTextInset = 2;
// Initial size of the scroll bars; also the horizontal bar's thickness when
// fill-last-column is switched off again.
constexpr int myGridBarSize = 20;
// Style property 9 at construction: 0xAA6666, a blue row highlight.
constexpr int32_t myGridSelectedRowColor = 11167334;
// Texts the row height is measured with: at construction and on a font change.
constexpr const char* myGridRowSample = "abiyqtlexW10";
constexpr const char* myGridFontSample = "abcdexW10";
// Border style codes of the cells.
constexpr int myCellFrameEditor = 1;
constexpr int myCellFrameSunken = 3;
constexpr int myCellFrameHeader = 4;
constexpr int myCellFrameOrdinary = 5;
// Alignment of the in-place editor: left, vertically centred.
constexpr unsigned myGridEditorAlign = AlignTextLeft | AlignTextMiddle;
// Pixels a cell must keep inside the visible area before the horizontal bar follows the cursor.
constexpr int myGridScrollSlack = 10;
// Pixels around a column border within which the border can be dragged.
constexpr int myGridBorderGrip = 5;
// Control message the grid posts to itself to close its editor after the
// editor's own handler has returned (wParam: the editor's generation).
constexpr unsigned myGridCloseEditorCode = 1;
// A check cell's first character: bit 0 checked, bit 1 pushed, bit 2 inactive.
constexpr unsigned char myCheckChecked = 1;
constexpr unsigned char myCheckPushed = 2;
constexpr unsigned char myCheckInactive = 4;
// The text a check cell gets when it is ticked by a click.
constexpr const char* myCheckTickedText = "!";

int ClampToInt(int64_t value)
{
    return static_cast<int>(std::max<int64_t>(INT_MIN, std::min<int64_t>(INT_MAX, value)));
}

}  // namespace

// ---- Construction and destruction -----------------------------------------

TmyStringGrid::TmyStringGrid(TmyControl* parent, int x, int y, int width, int height, int columnCount,
                             int rowCount, int defaultColumnWidth, int fixedColumn, int headerRow, int cellFrames,
                             int storesText)
    : TmyControl(parent, x, y, width, height), HorzScrollBar(nullptr), VertScrollBar(nullptr), Rows(nullptr),
      ColumnWidths{}, DefaultColumnWidth(std::clamp(defaultColumnWidth, 0, myGridMaxColumnWidth)), RowHeight(1), RowCount(0), ColumnCount(0),
      CurrentColumn(-1), CurrentRow(-1), FixedColumn(fixedColumn != 0), HeaderRow(headerRow != 0),
      CellFrames(cellFrames != 0), ShowCursor(1), EditorColumns(0, myGridMaxColumns),
      CheckColumns(0, myGridMaxColumns), ColumnResizing(0), PressedHeader(-1), PressedInside(0), SortColumn(-1),
      Ascending(1), DragColumn(-1), DragStartX(0), DragStartWidth(0), SelectedRow(-1), ColumnStyles{},
      SelectRowWithCursor(1), StoresText(storesText != 0), NoHighlight(0), LastDownColumn(-1), LastDownRow(-1),
      FillLastColumn(0), MinColumnWidth(0), SortOnHeaderClick(0), Editor(nullptr), PreviousHorzPosition(0),
      PreviousVertPosition(0), SizingCursor(nullptr), NormalCursor(nullptr), EditorGeneration(0)
{
    RegisterType(this, 24, "StringGrid");
    SetState(StateTabStop, 1);
    // The two grid properties (selected-row colour, header text colour) live
    // in a table of the grid's own, so the parent's table keeps its size.
    MakeStyleTablePrivate();
    StyleTable->Put(PropHeaderTextColor, StyleTable->Get(PropHeaderTextColor));
    Rows = new TmyTypeList<TmyStringList>();

    std::fill(ColumnWidths, ColumnWidths + myGridMaxColumns, DefaultColumnWidth);
    std::fill(ColumnStyles, ColumnStyles + myGridMaxColumns, myGridDefaultColumnStyle);

    HorzScrollBar = new Tmy_ScrollBar(this, 0, 0, 0, myGridBarSize, myGridBarSize, 0);
    VertScrollBar = new Tmy_ScrollBar(this, 1, 0, 0, myGridBarSize, myGridBarSize, 0);
    HorzScrollBar->OnChange.Set(this, &TmyStringGrid::Scrolled);
    VertScrollBar->OnChange.Set(this, &TmyStringGrid::Scrolled);

    RowHeight = std::max(1, static_cast<int>(MeasureText(myGridRowSample).cy) + 2 * BorderMargin());
    SizingCursor = LoadCursorA(nullptr, IDC_SIZEWE);
    NormalCursor = GetCursorShape();
    MinColumnWidth = 2 * BorderMargin();

    SetProperty(PropSelectedRowColor, myGridSelectedRowColor);
    SetProperty(PropHeaderTextColor, GetProperty(PropTextColor));

    // Sizing lays out the scroll bars as well.
    SetGridSize(rowCount, columnCount);
}

// The scroll bars and the editor are children and go with the control part;
// their notifications are cut first, since the grid part is gone by then.
TmyStringGrid::~TmyStringGrid()
{
    HorzScrollBar->OnChange.Clear();
    VertScrollBar->OnChange.Clear();
    if (Editor) {
        Editor->OnFocusChange.Clear();
        Editor->OnKeyDown.Clear();
    }
    delete Rows;
    Rows = nullptr;
}

TmyStringList* TmyStringGrid::NewRow(unsigned initialCount, unsigned maxCount) const
{
    auto* row = new TmyStringList(initialCount, maxCount);
    for (unsigned c = 0; c < ColumnCount; ++c)
        row->InsertString(myEmptyString, -1);
    return row;
}

// ---- Geometry ----------------------------------------------------------------

int TmyStringGrid::ColumnLeft(int column) const
{
    int left = 0;
    for (int c = 0; c < column && c < static_cast<int>(myGridMaxColumns); ++c)
        left += ColumnWidths[c];
    return left;
}

int TmyStringGrid::TotalColumnWidth() const
{
    return ColumnLeft(static_cast<int>(ColumnCount));
}

// The cell area: the grid less the scroll bars that show.
int TmyStringGrid::VisibleWidth() const
{
    const int bar = VertScrollBar->HasState(StateHidden) ? 0 : VertScrollBar->GetWidth();
    return std::max(0, static_cast<int>(Bounds.right - Bounds.left) - bar);
}

int TmyStringGrid::VisibleHeight() const
{
    const int bar = HorzScrollBar->HasState(StateHidden) ? 0 : HorzScrollBar->GetHeight();
    return std::max(0, static_cast<int>(Bounds.bottom - Bounds.top) - bar);
}

int TmyStringGrid::HorzPosition() const
{
    return ClampToInt(HorzScrollBar->GetPosition());
}

int64_t TmyStringGrid::VertPosition() const
{
    return VertScrollBar->GetPosition();
}

bool TmyStringGrid::IsCell(int row, int column) const
{
    return row >= 0 && column >= 0 && static_cast<unsigned>(row) < RowCount &&
           static_cast<unsigned>(column) < ColumnCount;
}

RECT TmyStringGrid::CellRect(int row, int column) const
{
    const int left = ColumnLeft(column) - (FixedColumn && column == 0 ? 0 : HorzPosition());
    const int64_t top = static_cast<int64_t>(row) * RowHeight - (HeaderRow && row == 0 ? 0 : VertPosition());
    const int width = column >= 0 && column < static_cast<int>(myGridMaxColumns) ? ColumnWidths[column] : 0;
    return RECT{left, ClampToInt(top), left + width, ClampToInt(top + RowHeight)};
}

POINT TmyStringGrid::CellAt(int x, int y) const
{
    POINT cell{0, 0};
    if (HeaderRow && y >= 0 && y < RowHeight) {
        cell.y = 0;
    } else {
        const int64_t offset = y + VertPosition();
        cell.y = offset < 0 ? -1 : ClampToInt(offset / RowHeight);
    }
    if (FixedColumn && x < ColumnWidths[0])
        return cell;
    int rest = x + HorzPosition();
    for (cell.x = 0; cell.x < static_cast<int>(ColumnCount); ++cell.x) {
        rest -= ColumnWidths[cell.x];
        if (rest < 0)
            break;
    }
    return cell;
}

int TmyStringGrid::GetColumnWidth(int column) const
{
    return column >= 0 && static_cast<unsigned>(column) < ColumnCount ? ColumnWidths[column] : 0;
}

// ---- Scrolling -----------------------------------------------------------------

// Places the bars along the right and bottom edges with their own thickness;
// with fill-last-column the horizontal bar takes no room.
void TmyStringGrid::LayoutScrollBars()
{
    const int width = GetWidth();
    const int height = GetHeight();
    const int barWidth = VertScrollBar->HasState(StateHidden) ? 0 : VertScrollBar->GetWidth();
    const int barHeight = FillLastColumn ? 0 : HorzScrollBar->GetHeight();
    VertScrollBar->SetBounds(width - barWidth, 0, VertScrollBar->GetWidth(), height - barHeight);
    HorzScrollBar->SetBounds(0, height - barHeight, std::max(0, width - barWidth), barHeight);
}

// The last column takes what the others leave of the visible width, never below 0.
void TmyStringGrid::FitLastColumn()
{
    if (!FillLastColumn || ColumnCount == 0)
        return;
    const int last = static_cast<int>(ColumnCount) - 1;
    ColumnWidths[last] = std::max(0, VisibleWidth() - ColumnLeft(last));
}

void TmyStringGrid::UpdateScrollRanges()
{
    LayoutScrollBars();
    FitLastColumn();
    HorzScrollBar->SetAll(0, TotalColumnWidth(), VisibleWidth(), HorzScrollBar->GetPosition(), 0, 0);
    VertScrollBar->SetAll(0, static_cast<int64_t>(RowCount) * RowHeight, VisibleHeight(),
                          VertScrollBar->GetPosition(), 0, 0);
}

void TmyStringGrid::ScrollVertically(int64_t position)
{
    VertScrollBar->SetPosition(position);
}

void TmyStringGrid::ScrollHorizontally(int position)
{
    HorzScrollBar->SetPosition(position);
}

// Repaints the cells after a bar moved and carries an open editor along,
// keeping it off the header row and the fixed column.
int TmyStringGrid::Scrolled(Tmy_ScrollBar*)
{
    const int horizontal = HorzPosition();
    const int vertical = ClampToInt(VertPosition());
    if (horizontal == PreviousHorzPosition && vertical == PreviousVertPosition)
        return 0;
    PreviousHorzPosition = horizontal;
    PreviousVertPosition = vertical;
    PlaceEditor();
    InvalidateRect(RECT{0, 0, VisibleWidth(), VisibleHeight()});
    return 1;
}

void TmyStringGrid::PlaceEditor()
{
    if (!Editor)
        return;
    RECT cell = CellRect(CurrentRow, CurrentColumn);
    cell.top = std::max<LONG>(cell.top, HeaderRow ? RowHeight : 0);
    cell.left = std::max<LONG>(cell.left, FixedColumn ? ColumnWidths[0] : 0);
    const bool empty = cell.right <= cell.left || cell.bottom <= cell.top;
    Editor->SetVisible(!empty);
    if (!empty)
        Editor->SetBounds(cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top);
}

void TmyStringGrid::EnsureCursorVisible()
{
    if (!IsCell(CurrentRow, CurrentColumn))
        return;
    const RECT cell = CellRect(CurrentRow, CurrentColumn);
    const int headerBottom = HeaderRow ? RowHeight : 0;
    const int fixedRight = FixedColumn ? ColumnWidths[0] : 0;
    const int visibleHeight = VisibleHeight();
    const int visibleWidth = VisibleWidth();
    if (cell.bottom > visibleHeight)
        ScrollVertically(VertPosition() + (cell.bottom - visibleHeight));
    else if (cell.top < headerBottom)
        ScrollVertically(VertPosition() - (headerBottom - cell.top));
    if (cell.right > visibleWidth && cell.left > fixedRight + myGridScrollSlack)
        ScrollHorizontally(HorzPosition() + std::min(cell.right - visibleWidth, cell.left - fixedRight));
    else if (cell.left < fixedRight && cell.right < visibleWidth - myGridScrollSlack)
        ScrollHorizontally(HorzPosition() - (fixedRight - cell.left));
}

// ---- Size, rows and cells -------------------------------------------------------

void TmyStringGrid::SetGridSize(int rows, int columns)
{
    CloseEditor();
    unsigned n = static_cast<unsigned>(std::max(rows, 0));
    unsigned a = std::min(static_cast<unsigned>(std::max(columns, 0)), myGridMaxColumns);
    if (FixedColumn)
        a = std::max(a, 1u);
    if (HeaderRow)
        n = std::max(n, 1u);
    if (StoresText)
        ResizeRows(n, a);
    for (unsigned c = ColumnCount; c < a; ++c)
        ColumnWidths[c] = DefaultColumnWidth;
    RowCount = n;
    ColumnCount = a;
    ResetCursor();
    ClampSelection();
    UpdateScrollRanges();
    Invalidate();
}

// A cursor row or column the grid no longer has goes back to the first
// ordinary row or column; a cursor that still lies outside is cleared.
void TmyStringGrid::ResetCursor()
{
    if (CurrentRow == -1 && CurrentColumn == -1)
        return;
    if (CurrentRow < 0 || static_cast<unsigned>(CurrentRow) >= RowCount)
        CurrentRow = HeaderRows();
    if (CurrentColumn < 0 || static_cast<unsigned>(CurrentColumn) >= ColumnCount)
        CurrentColumn = FixedColumns();
    if (!IsCell(CurrentRow, CurrentColumn)) {
        CurrentRow = -1;
        CurrentColumn = -1;
    }
}

// Brings the stored rows to n rows of a cells each.
void TmyStringGrid::ResizeRows(unsigned n, unsigned a)
{
    while (Rows->Count() < n)
        Rows->Insert(new TmyStringList(myGridRowRoom, myGridMaxColumns), -1);
    for (unsigned r = 0; r < n; ++r) {
        TmyStringList* row = Rows->Item(r);
        while (row->Count() < a && row->InsertString(myEmptyString, -1) >= 0) {
        }
        while (row->Count() > a)
            row->Remove(row->Count() - 1);
    }
    while (Rows->Count() > n)
        Rows->Remove(Rows->Count() - 1);
}

void TmyStringGrid::SetRowCount(int rows)
{
    CloseEditor();
    const unsigned n = static_cast<unsigned>(std::max(rows, 0));
    if (n == 0 || !StoresText) {
        Rows->SetCount(0);
        RowCount = 0;
        ColumnCount = 0;
        CurrentRow = -1;
        CurrentColumn = -1;
        ClampSelection();
        UpdateScrollRanges();
        Invalidate();
        return;
    }
    while (RowCount > n)
        DeleteRow(1);
    while (RowCount < n) {
        Rows->Insert(NewRow(myGridMaxColumns, myGridMaxColumns), -1);
        ++RowCount;
    }
    UpdateScrollRanges();
    Invalidate();
}

void TmyStringGrid::DeleteRow(int row)
{
    if (row < 0 || static_cast<unsigned>(row) >= RowCount)
        return;
    CloseEditor();
    if (StoresText)
        Rows->Remove(static_cast<unsigned>(row));
    --RowCount;
    // A cursor on the row that left the end moves up to the new last row.
    if (CurrentRow >= static_cast<int>(RowCount))
        CurrentRow = static_cast<int>(RowCount) - 1;
    if (CurrentRow != -1 && CurrentRow < HeaderRows()) {
        CurrentRow = -1;
        CurrentColumn = -1;
    }
    ClampSelection();
    UpdateScrollRanges();
    Invalidate();
}

// A selected row at or beyond the row count moves to the last row (none when
// only the header row is left) and is selected again.
void TmyStringGrid::ClampSelection()
{
    if (SelectedRow < static_cast<int>(RowCount))
        return;
    const int last = static_cast<int>(RowCount) - 1;
    SelectRow(last >= HeaderRows() ? last : -1);
}

int TmyStringGrid::SetCellText(int row, int column, const TmyString& text)
{
    if (!IsCell(row, column))
        return 0;
    if (StoresText) {
        TmyStringList* cells = Rows->Item(static_cast<unsigned>(row));
        cells->Remove(static_cast<unsigned>(column));
        cells->InsertString(text, column);
    }
    InvalidateCell(row, column);
    return 1;
}

TmyString TmyStringGrid::GetCellText(int row, int column) const
{
    if (!StoresText || !IsCell(row, column))
        return myEmptyString;
    return Rows->Item(static_cast<unsigned>(row))->String(static_cast<unsigned>(column));
}

int TmyStringGrid::SetColumnStyle(int column, uint8_t style)
{
    if (column < 0 || static_cast<unsigned>(column) >= ColumnCount)
        return 0;
    ColumnStyles[column] = style;
    Invalidate();
    return 1;
}

int TmyStringGrid::SetRowTag(int row, unsigned value)
{
    if (!StoresText || row < 0 || static_cast<unsigned>(row) >= RowCount)
        return 0;
    Rows->Item(static_cast<unsigned>(row))->Reserved = value;
    return 1;
}

unsigned TmyStringGrid::GetRowTag(int row) const
{
    if (!StoresText || row < 0 || static_cast<unsigned>(row) >= RowCount)
        return 0;
    return Rows->Item(static_cast<unsigned>(row))->Reserved;
}

void TmyStringGrid::SwapRows(int first, int second)
{
    if (!StoresText || !IsCell(first, 0) || !IsCell(second, 0) || first == second)
        return;
    CloseEditor();
    Rows->Exchange(static_cast<unsigned>(first), static_cast<unsigned>(second));
    InvalidateRowStrip(first);
    InvalidateRowStrip(second);
}

// ---- Columns -------------------------------------------------------------------

int TmyStringGrid::SetColumnWidth(int column, int width)
{
    if (column < 0 || static_cast<unsigned>(column) >= ColumnCount)
        return 0;
    width = std::max(width, 2 * BorderMargin());
    width = std::max(width, MinColumnWidth);
    OnColumnWidthQuery.Fire(this, column, &width);
    if (width > myGridMaxColumnWidth)
        return 0;
    width = std::max(width, 0);
    if (width == ColumnWidths[column])
        return 1;
    const RECT cell = CellRect(0, column);
    InvalidateRect(RECT{cell.left, 0, GetWidth(), GetHeight()});
    ColumnWidths[column] = width;
    const int last = static_cast<int>(ColumnCount) - 1;
    if (FillLastColumn && column != last) {
        const int rest = VisibleWidth() - ColumnLeft(last);
        // Column c gives up what would not fit, but never more than it has.
        ColumnWidths[column] = std::max(0, ColumnWidths[column] + std::min(rest, 0));
        ColumnWidths[last] = std::max(rest, 0);
    }
    UpdateScrollRanges();
    OnColumnResized.Fire(this, column);
    return 1;
}

void TmyStringGrid::SetEditorColumn(int column, int on)
{
    if (on)
        EditorColumns.Include(column);
    else
        EditorColumns.Exclude(column);
    Invalidate();
}

void TmyStringGrid::SetCheckColumn(int column, int on)
{
    if (on)
        CheckColumns.Include(column);
    else
        CheckColumns.Exclude(column);
    Invalidate();
}

// ---- Flags -----------------------------------------------------------------------

void TmyStringGrid::SetNoHighlight(int on)
{
    NoHighlight = on != 0;
    Invalidate();
}

void TmyStringGrid::SetFillLastColumn(int on)
{
    FillLastColumn = on != 0;
    if (!FillLastColumn && HorzScrollBar->GetHeight() == 0)
        HorzScrollBar->Resize(HorzScrollBar->GetWidth(), myGridBarSize);
    UpdateScrollRanges();
    Invalidate();
}

void TmyStringGrid::SetColumnResizing(int on)
{
    ColumnResizing = on != 0;
}

void TmyStringGrid::SetCellFrames(int on)
{
    CellFrames = on != 0;
    Invalidate();
}

void TmyStringGrid::SetSelectRowWithCursor(int on)
{
    SelectRowWithCursor = on != 0;
}

void TmyStringGrid::SetSortColumn(int column)
{
    InvalidateCell(0, SortColumn);
    SortColumn = column;
    InvalidateCell(0, SortColumn);
}

void TmyStringGrid::SetAscending(int on)
{
    Ascending = on != 0;
    InvalidateCell(0, SortColumn);
}

void TmyStringGrid::SetShowCursor(int on)
{
    ShowCursor = on != 0;
    InvalidateCell(CurrentRow, CurrentColumn);
}

// ---- Selection and cursor ----------------------------------------------------------

// Cells scrolled out of view cost nothing to invalidate, which keeps filling
// a large grid cheap.
void TmyStringGrid::InvalidateVisible(const RECT& rect)
{
    const RECT view{0, 0, GetWidth(), GetHeight()};
    RECT visible;
    if (IntersectRect(&visible, &rect, &view))
        InvalidateRect(visible);
}

void TmyStringGrid::InvalidateCell(int row, int column)
{
    if (IsCell(row, column))
        InvalidateVisible(CellRect(row, column));
}

void TmyStringGrid::InvalidateRowStrip(int row)
{
    if (row < 0 || static_cast<unsigned>(row) >= RowCount)
        return;
    const RECT cell = CellRect(row, 0);
    InvalidateVisible(RECT{0, cell.top, GetWidth(), cell.bottom});
}

// Selects row r (-1: none; rows outside the grid select none) and scrolls it into view.
void TmyStringGrid::SelectRow(int row)
{
    Trace(this, 0, "Se;ectRow %d->%d", SelectedRow, row);
    InvalidateRowStrip(SelectedRow);
    if (row < -1 || (row >= 0 && static_cast<unsigned>(row) >= RowCount))
        row = -1;
    SelectedRow = row;
    if (row != -1) {
        const RECT strip = CellRect(row, 0);
        const int headerBottom = HeaderRow ? RowHeight : 0;
        const int page = VisibleHeight();
        if (strip.top < headerBottom && !(HeaderRow && row == 0)) {
            ScrollVertically(VertPosition() - (headerBottom - strip.top));
        } else if (strip.bottom > page) {
            const int64_t position = VertPosition() + (strip.bottom - page);
            Trace(this, 0, "SelBottom(%d) > SBLength(%d), setting to %d", static_cast<int>(strip.bottom), page,
                  ClampToInt(position));
            ScrollVertically(position);
        }
        InvalidateRowStrip(row);
    }
    OnRowSelected.Fire(this);
}

// The cursor lives on ordinary cells only; (-1, -1) clears it.
void TmyStringGrid::SetCursorCell(int row, int column)
{
    const bool clear = row == -1 && column == -1;
    if (!clear && (!IsCell(row, column) || row < HeaderRows() || column < FixedColumns()))
        return;
    if (row == CurrentRow && column == CurrentColumn && Editor)
        return;
    CloseEditor();
    InvalidateCell(CurrentRow, CurrentColumn);
    CurrentRow = row;
    CurrentColumn = column;
    InvalidateCell(CurrentRow, CurrentColumn);
    if (SelectRowWithCursor) {
        TmyControlGuard watch(this);
        SelectRow(CurrentRow);
        if (!watch.Alive())
            return;
    }
    EnsureCursorVisible();
    if (!clear && EditorColumns.Contains(column))
        OpenEditor();
    OnCursorMoved.Fire(this);
}

// ---- In-place editor ---------------------------------------------------------------

void TmyStringGrid::OpenEditor()
{
    const RECT cell = CellRect(CurrentRow, CurrentColumn);
    Editor = new Tmy_Edit(this, cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top,
                          myGridEditorAlign);
    ++EditorGeneration;
    PlaceEditor();
    if (StoresText)
        Editor->SetText(GetCellText(CurrentRow, CurrentColumn).c_str());
    OnEditorCreated.Fire(this, Editor);
    Editor->OnFocusChange.Set(this, &TmyStringGrid::EditorFocusChanged);
    Editor->OnKeyDown.Set(this, &TmyStringGrid::EditorKeyDown);
    Editor->SetVisible(1);
    Editor->SetFocus();
}

// The editor finishes when it loses the focus or takes Enter; it is closed
// once its own handler has returned.
int TmyStringGrid::EditorFocusChanged(TmyControl*, int gained)
{
    if (!gained)
        PostControlMessage(this, myGridCloseEditorCode, EditorGeneration);
    return 0;
}

int TmyStringGrid::EditorKeyDown(TmyControl*, unsigned key, unsigned)
{
    if (key == VK_RETURN)
        PostControlMessage(this, myGridCloseEditorCode, EditorGeneration);
    return 0;
}

void TmyStringGrid::ControlMessage(unsigned code, WPARAM parameter)
{
    if (code == myGridCloseEditorCode && Editor && parameter == EditorGeneration)
        CloseEditor();
    TmyControl::ControlMessage(code, parameter);
}

void TmyStringGrid::CloseEditor()
{
    if (!Editor)
        return;
    Tmy_Edit* editor = Editor;
    Editor = nullptr;
    editor->OnFocusChange.Clear();
    editor->OnKeyDown.Clear();
    const bool hadFocus = editor->HasState(StateFocusPath);
    SetCellText(CurrentRow, CurrentColumn, editor->GetText());
    delete editor;
    if (hadFocus)
        SetFocus();
}

// ---- Sorting ---------------------------------------------------------------------

void TmyStringGrid::SortRows()
{
    if (!StoresText || SortColumn < 0 || static_cast<unsigned>(SortColumn) >= ColumnCount)
        return;
    CloseEditor();
    const int first = HeaderRows();
    const int last = static_cast<int>(RowCount) - 1;
    if (first < last)
        SortRange(first, last);
    Invalidate();
}

// Quicksort with the middle row as pivot. Ascending keeps greater texts after
// the pivot, descending before it. The smaller part is sorted by recursion
// and the larger by the loop, which gives the same order as any other split
// of the work but keeps the stack depth logarithmic.
void TmyStringGrid::SortRange(int first, int last)
{
    const unsigned column = static_cast<unsigned>(SortColumn);
    const auto text = [this, column](int row) -> const TmyString& {
        return Rows->Item(static_cast<unsigned>(row))->String(column);
    };
    // a belongs before b: ascending when b is greater, descending when a is.
    const bool ascending = Ascending != 0;
    const auto before = [ascending](const TmyString& a, const TmyString& b) { return ascending ? b > a : a > b; };
    while (first < last) {
        const TmyString pivot = text((first + last) / 2);
        int i = first;
        int j = last;
        do {
            while (before(text(i), pivot))
                ++i;
            while (before(pivot, text(j)))
                --j;
            if (i <= j) {
                Rows->Exchange(static_cast<unsigned>(i), static_cast<unsigned>(j));
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - first < last - i) {
            if (first < j)
                SortRange(first, j);
            first = i;
        } else {
            if (i < last)
                SortRange(i, last);
            last = j;
        }
    }
}

void TmyStringGrid::HeaderClick(int column)
{
    InvalidateCell(0, SortColumn);
    if (SortOnHeaderClick) {
        Ascending = column != SortColumn ? 1 : !Ascending;
        SortColumn = column;
        InvalidateCell(0, SortColumn);
        if (StoresText)
            SortRows();
    }
    OnHeaderClick.Fire(this, column);
}

// ---- Mouse -----------------------------------------------------------------------

// Every event fired may delete the grid: the watch tells.
int TmyStringGrid::LeftButtonDown(unsigned keys, int x, int y)
{
    TmyControlGuard watch(this);
    const POINT cell = CellAt(x, y);
    const int row = cell.y;
    const int column = cell.x;
    if (row < 0 || static_cast<unsigned>(row) >= RowCount) {
        SelectRow(-1);
        if (watch.Alive())
            SetCursorCell(-1, -1);
    } else if (FixedColumn && column == 0 && row >= HeaderRows()) {
        SelectRow(row);
        if (watch.Alive())
            SetCursorCell(row, 1);
    } else if (HeaderRow && row == 0) {
        if (GetCursorShape() != SizingCursor && IsCell(0, column)) {
            PressedHeader = column;
            PressedInside = 1;
            InvalidateCell(0, column);
        }
    } else if (IsCell(row, column)) {
        LastDownColumn = column;
        LastDownRow = row;
        SetCursorCell(row, column);
        if (watch.Alive())
            SelectRow(row);
        if (watch.Alive() && CheckColumns.Contains(column))
            ToggleCheck(row, column, x);
    }
    return !watch.Alive() ? 0 : TmyControl::LeftButtonDown(keys, x, y);
}

// A press within half a row height of the column's centre flips the check cell.
void TmyStringGrid::ToggleCheck(int row, int column, int x)
{
    const RECT cell = CellRect(row, column);
    const int centre2 = cell.left + cell.right;
    if (std::abs(2 * x - centre2) > RowHeight)
        return;
    if (!StoresText) {
        OnCheckClick.Fire(this, row, column, 0);
        return;
    }
    const bool checked = static_cast<unsigned char>(GetCellText(row, column)[0]) & myCheckChecked;
    SetCellText(row, column, checked ? myEmptyString : TmyString(myCheckTickedText));
    OnCheckClick.Fire(this, row, column, checked ? 0 : 1);
}

// The press is forgotten before the click events fire.
void TmyStringGrid::LeftButtonUp(unsigned keys, int x, int y)
{
    TmyControlGuard watch(this);
    const POINT cell = CellAt(x, y);
    DragColumn = -1;
    const POINT down{LastDownColumn, LastDownRow};
    LastDownRow = -1;
    LastDownColumn = -1;
    if (down.y != -1 && cell.y == down.y && cell.x == down.x) {
        OnCellClick.Fire(this, down.y, down.x);
        if (!watch.Alive())
            return;
    }
    if (PressedHeader != -1) {
        const int column = PressedHeader;
        PressedHeader = -1;
        InvalidateCell(0, column);
        if (HeaderRow && cell.y == 0 && cell.x == column)
            HeaderClick(column);
        if (!watch.Alive())
            return;
    }
    TmyControl::LeftButtonUp(keys, x, y);
}

void TmyStringGrid::MouseMoved(unsigned keys, int x, int y)
{
    if (PressedHeader != -1) {
        const POINT cell = CellAt(x, y);
        const int inside = y >= 0 && cell.y == 0 && cell.x == PressedHeader;
        if (inside != PressedInside) {
            PressedInside = inside;
            InvalidateCell(0, PressedHeader);
        }
    } else if (DragColumn != -1 && (keys & MK_LBUTTON)) {
        DragColumnBorder(x);
    } else {
        DragColumn = -1;
        TrackColumnBorder(keys, x, y);
    }
    TmyControl::MouseMoved(keys, x, y);
}

// Shows the sizing cursor over a column border in the header band and starts
// a drag when the left button is held there.
void TmyStringGrid::TrackColumnBorder(unsigned keys, int x, int y)
{
    const int border = ColumnResizing && y >= 0 && y <= RowHeight ? ColumnBorderAt(x) : -1;
    HCURSOR wanted = border == -1 ? NormalCursor : SizingCursor;
    if (GetCursorShape() != wanted) {
        SetCursorShape(wanted);
        ::SetCursor(wanted);
    }
    if (border != -1 && (keys & MK_LBUTTON)) {
        DragColumn = border;
        DragStartX = x;
        DragStartWidth = ColumnWidths[border];
    }
}

// The column whose right border lies within the grip of x, or -1.
int TmyStringGrid::ColumnBorderAt(int x) const
{
    int rest = x;
    if (!FixedColumn || x > ColumnWidths[0] + myGridBorderGrip)
        rest += HorzPosition();
    for (int c = 0; c < static_cast<int>(ColumnCount); ++c) {
        rest -= ColumnWidths[c];
        if (std::abs(rest) <= myGridBorderGrip)
            return c;
        if (rest < -myGridBorderGrip)
            break;
    }
    return -1;
}

// The dragged border follows x, never left of the grid or of a fixed column;
// SetColumnWidth keeps the width at its minimum.
void TmyStringGrid::DragColumnBorder(int x)
{
    x = std::max(x, 0);
    if (FixedColumn && DragColumn > 0)
        x = std::max(x, ColumnWidths[0]);
    SetColumnWidth(DragColumn, DragStartWidth + (x - DragStartX));
}

// ---- Keys ---------------------------------------------------------------------------

void TmyStringGrid::KeyDown(unsigned key, unsigned flags)
{
    TmyControlGuard watch(this);
    if (key == VK_SPACE) {
        SelectRow(CurrentRow);
        if (watch.Alive())
            EnsureCursorVisible();
    } else {
        MoveCursorByKey(key);
    }
    if (watch.Alive())
        TmyControl::KeyDown(key, flags);
}

// Moves the cursor for the navigation keys. Without a cursor the first key
// puts it on the selected row (or the first ordinary row), first ordinary column.
void TmyStringGrid::MoveCursorByKey(unsigned key)
{
    const int firstRow = HeaderRows();
    const int lastRow = static_cast<int>(RowCount) - 1;
    const int page = VisibleHeight() / RowHeight;
    int row = CurrentRow;
    int column = CurrentColumn;
    switch (key) {
    case VK_PRIOR: row = std::max(row - page, firstRow); break;
    case VK_NEXT: row = std::min(row + page, lastRow); break;
    case VK_END: row = lastRow; break;
    case VK_HOME: row = firstRow; break;
    case VK_LEFT: column -= column > FixedColumns() ? 1 : 0; break;
    case VK_UP: row -= row > firstRow ? 1 : 0; break;
    case VK_RIGHT: column += column < static_cast<int>(ColumnCount) - 1 ? 1 : 0; break;
    case VK_DOWN: row += row < lastRow ? 1 : 0; break;
    default: return;
    }
    if (!IsCell(CurrentRow, CurrentColumn)) {
        row = SelectedRow >= firstRow ? SelectedRow : firstRow;
        column = FixedColumns();
    }
    SetCursorCell(row, column);
}

// ---- State changes -----------------------------------------------------------------

void TmyStringGrid::EnabledChanged(int enabled)
{
    if (!enabled)
        CloseEditor();
    TmyControl::EnabledChanged(enabled);
}

void TmyStringGrid::Resized()
{
    TmyControl::Resized();
    UpdateScrollRanges();
}

void TmyStringGrid::FocusChanged(int gained)
{
    InvalidateCell(CurrentRow, CurrentColumn);
    TmyControl::FocusChanged(gained);
}

// The row height follows the font; the header's bevel needs the border inset.
void TmyStringGrid::SetFont(HFONT font)
{
    TmyControl::SetFont(font);
    const int margin = HeaderRow ? 2 * BorderMargin() : 0;
    RowHeight = std::max(1, static_cast<int>(MeasureText(myGridFontSample).cy) + margin);
    UpdateScrollRanges();
}

// A new border changes the smallest width a column may have.
void TmyStringGrid::SetProperty(int index, int32_t value)
{
    TmyControl::SetProperty(index, value);
    if (index == PropBorderStyle || index == PropBorderWidth)
        MinColumnWidth = 2 * BorderMargin();
}

// ---- Painting ------------------------------------------------------------------------

// Paints the header cells first and takes them out of the clip region, then
// the ordinary cells inside the clip box, then the area beyond the last row
// and column.
void TmyStringGrid::Paint(HDC dc)
{
    RECT clip;
    if (GetClipBox(dc, &clip) != NULLREGION) {
        const int saved = SaveDC(dc);
        HFONT font = ResolveFont();
        SelectObject(dc, !font || font == InheritedFont() ? GetStockObject(DEFAULT_GUI_FONT) : font);
        SetBkMode(dc, TRANSPARENT);
        PaintHeaders(dc, clip);
        if (GetClipBox(dc, &clip) != NULLREGION) {
            PaintBody(dc, clip);
            PaintOutside(dc);
        }
        RestoreDC(dc, saved);
    }
    TmyControl::Paint(dc);
}

// Calls paint for every column of row whose cell meets the clip box.
void TmyStringGrid::PaintRow(HDC dc, const RECT& clip, int row, int firstColumn)
{
    for (int column = firstColumn; column < static_cast<int>(ColumnCount); ++column) {
        const RECT cell = CellRect(row, column);
        if (cell.left >= clip.right)
            break;
        if (cell.right > clip.left && cell.right > cell.left)
            PaintCell(dc, row, column, cell);
    }
}

// The rows whose strips meet the clip box, from first on.
POINT TmyStringGrid::RowsInClip(const RECT& clip, int first) const
{
    const int64_t top = std::max<int64_t>(0, clip.top + VertPosition()) / RowHeight;
    const int64_t bottom = std::max<int64_t>(0, clip.bottom - 1 + VertPosition()) / RowHeight;
    const int64_t last = std::min<int64_t>(bottom, static_cast<int64_t>(RowCount) - 1);
    return POINT{ClampToInt(std::max<int64_t>(top, first)), ClampToInt(last)};
}

// The fixed column, the corner cell included, is painted first and taken out
// of the clip region: header cells scrolled to the left pass beneath the
// corner as the ordinary cells pass beneath the fixed column.
void TmyStringGrid::PaintHeaders(HDC dc, const RECT& clip)
{
    const bool headerInClip = HeaderRow && RowCount > 0 && clip.top < RowHeight;
    if (FixedColumn && ColumnCount > 0 && clip.left < ColumnWidths[0]) {
        if (headerInClip) {
            PaintCell(dc, 0, 0, CellRect(0, 0));
            ExcludeClipRect(dc, 0, 0, ColumnWidths[0], RowHeight);
        }
        const POINT rows = RowsInClip(clip, HeaderRows());
        for (int row = rows.x; row <= rows.y; ++row)
            PaintCell(dc, row, 0, CellRect(row, 0));
        const int64_t bottom = static_cast<int64_t>(RowCount) * RowHeight - VertPosition();
        ExcludeClipRect(dc, 0, HeaderRow ? RowHeight : 0, ColumnWidths[0],
                        ClampToInt(std::min<int64_t>(bottom, VisibleHeight())));
    }
    if (headerInClip) {
        PaintRow(dc, clip, 0, FixedColumns());
        ExcludeClipRect(dc, 0, 0, std::min(TotalColumnWidth() - HorzPosition(), VisibleWidth()), RowHeight);
    }
}

void TmyStringGrid::PaintBody(HDC dc, const RECT& clip)
{
    const POINT rows = RowsInClip(clip, HeaderRows());
    for (int row = rows.x; row <= rows.y; ++row)
        PaintRow(dc, clip, row, FixedColumns());
}

// Beyond the last column and below the last row: the field colour, no border.
void TmyStringGrid::PaintOutside(HDC dc)
{
    const COLORREF field = static_cast<COLORREF>(GetProperty(PropFieldColor));
    const int right = std::max(0, TotalColumnWidth() - HorzPosition());
    const int64_t bottom = std::max<int64_t>(0, static_cast<int64_t>(RowCount) * RowHeight - VertPosition());
    const int width = GetWidth();
    const int height = GetHeight();
    if (right < width)
        FillColor(dc, RECT{right, 0, width, height}, field);
    if (bottom < height)
        FillColor(dc, RECT{0, ClampToInt(bottom), width, height}, field);
}

void TmyStringGrid::PaintCell(HDC dc, int row, int column, const RECT& rect)
{
    TmyGridCellPaint cell{row, column, GetCellText(row, column), 0, 0, 0, 0, dc, rect};
    const bool header = (HeaderRow && row == 0) || (FixedColumn && column == 0);
    if (header) {
        const bool pressed = HeaderRow && row == 0 && column == PressedHeader && PressedInside;
        const bool selected = !(HeaderRow && row == 0) && row == SelectedRow;
        cell.BackColor = static_cast<COLORREF>(GetProperty(PropBackColor));
        cell.TextColor = static_cast<COLORREF>(GetProperty(PropHeaderTextColor));
        cell.FrameStyle = pressed || selected ? myCellFrameSunken : myCellFrameHeader;
    } else {
        const bool highlighted = row == SelectedRow && !NoHighlight;
        cell.BackColor = static_cast<COLORREF>(GetProperty(highlighted ? PropSelectedRowColor : PropFieldColor));
        cell.TextColor = static_cast<COLORREF>(GetProperty(PropTextColor));
        cell.FrameStyle = EditorColumns.Contains(column) ? myCellFrameEditor
                          : CellFrames                   ? myCellFrameOrdinary
                                                         : 0;
    }
    if (!IsEnabled())
        cell.TextColor = static_cast<COLORREF>(GetProperty(PropDisabledTextColor));
    OnPaintCell.Fire(this, &cell);
    if (cell.Handled)
        return;

    FillColor(dc, rect, cell.BackColor);
    RECT inner = rect;
    if (cell.FrameStyle)
        DrawControlBorder(dc, &inner, cell.FrameStyle, -1, -1, CLR_INVALID, cell.BackColor);
    if (header && HeaderRow && row == 0 && column == SortColumn)
        inner.right -= DrawSortMark(dc, rect, cell.FrameStyle);
    if (!header && CheckColumns.Contains(column))
        DrawCheck(dc, inner, cell.Text);
    else
        DrawCellText(dc, inner, cell.Text, ColumnStyles[column], cell.TextColor);
    if (!header && row == CurrentRow && column == CurrentColumn && ShowCursor && !NoHighlight && IsFocused())
        DrawFocusRect(dc, &inner);
}

// Draws the sort triangle at the header cell's right end; returns the width it takes.
int TmyStringGrid::DrawSortMark(HDC dc, const RECT& rect, int frameStyle)
{
    const int inset = BorderMargin(frameStyle);
    const int room = RowHeight - inset;
    const int size = (RowHeight - 2 * inset) / 2;
    const POINT at{rect.right - inset - (room + size) / 2, rect.top + (rect.bottom - rect.top - size) / 2};
    DrawGlyph(dc, at, size, Ascending ? GlyphTriangleUp : GlyphTriangleDown,
              static_cast<COLORREF>(GetProperty(PropHeaderTextColor)));
    return room;
}

void TmyStringGrid::DrawCheck(HDC dc, RECT rect, const TmyString& text)
{
    const unsigned char bits = static_cast<unsigned char>(text[0]);
    UINT state = DFCS_BUTTONCHECK;
    if (bits & myCheckChecked)
        state |= DFCS_CHECKED;
    if (bits & myCheckPushed)
        state |= DFCS_PUSHED;
    if (bits & myCheckInactive)
        state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &rect, DFC_BUTTON, state);
}

void TmyStringGrid::DrawCellText(HDC dc, RECT rect, const TmyString& text, uint8_t style, COLORREF color)
{
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
    switch (style & myGridAlignMask) {
    case myGridAlignLeft:
        format |= DT_LEFT;
        rect.left += myGridTextInset;
        break;
    case myGridAlignRight:
        format |= DT_RIGHT;
        rect.right -= myGridTextInset;
        break;
    default: format |= DT_CENTER; break;
    }
    SetTextColor(dc, color);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.Length()), &rect, format);
}
