// TmyStringGrid: a windowless table of text cells with an optional header row
// and fixed first column, two scroll bars, a cell cursor, one selected row,
// sortable columns, check-box columns, an in-place editor and column widths
// the user can drag. Rows are string lists owned by the grid; each row keeps
// one user value (its tag) in its TmyObject reserved word.
#pragma once

#include <windows.h>

#include <cstdint>

#include "myControl.h"
#include "myList.h"
#include "mySet.h"
#include "myString.h"
#include "myStringList.h"

class Tmy_Edit;
class Tmy_ScrollBar;

// Most columns a grid holds.
constexpr unsigned myGridMaxColumns = 128;
// Style property 9 of a grid: background of the selected row's ordinary cells.
constexpr int PropSelectedRowColor = 9;
// Style property 10 of a grid: text colour of the header cells.
constexpr int PropHeaderTextColor = 10;
// Widths above this are refused by SetColumnWidth.
constexpr int myGridMaxColumnWidth = 1000000;

// What the grid is about to paint in one cell; a paint-cell handler may change
// the text, the colours and the frame, or draw the cell itself and set Handled.
struct TmyGridCellPaint {
    int32_t Row;
    int32_t Column;
    TmyString Text;
    COLORREF BackColor;
    COLORREF TextColor;
    int32_t FrameStyle;  // border style code of the cell, 0 = none
    int32_t Handled;     // set by the handler: the grid draws nothing more
    HDC Dc;
    RECT Rect;           // the whole cell in the grid's drawing coordinates
};

class TmyStringGrid : public TmyControl {
public:
    // A grid of columnCount x rowCount cells (header row included) whose
    // columns start defaultColumnWidth pixels wide. Without storesText the
    // grid keeps no texts: they come from the paint-cell event.
    TmyStringGrid(TmyControl* parent, int x, int y, int width, int height, int columnCount, int rowCount,
                  int defaultColumnWidth, int fixedColumn, int headerRow, int cellFrames, int storesText);

    // Overrides of TmyControl slots, in slot order.
    ~TmyStringGrid() override;
    void EnabledChanged(int enabled) override;
    void Paint(HDC dc) override;
    void LeftButtonUp(unsigned keys, int x, int y) override;
    void MouseMoved(unsigned keys, int x, int y) override;
    void KeyDown(unsigned key, unsigned flags) override;
    void Resized() override;
    int LeftButtonDown(unsigned keys, int x, int y) override;
    void FocusChanged(int gained) override;
    // Closes the editor once the editor's own handler has returned.
    void ControlMessage(unsigned code, WPARAM parameter) override;
    void SetFont(HFONT font) override;
    void SetProperty(int index, int32_t value) override;

    // The order of the virtual operations appended below is part of the
    // class's contract: derived grids override them by slot.
    // A scroll bar moved: repaint, and carry an open editor along with its cell.
    virtual int Scrolled(Tmy_ScrollBar* bar);
    virtual void PaintCell(HDC dc, int row, int column, const RECT& rect);
    virtual void HeaderClick(int column);
    virtual void UpdateScrollRanges();
    // Scrolls so that the cursor cell shows.
    virtual void EnsureCursorVisible();
    virtual void InvalidateCell(int row, int column);
    virtual void DeleteRow(int row);
    // 1 when the width was applied (or unchanged), 0 when refused.
    virtual int SetColumnWidth(int column, int width);
    virtual void SetNoHighlight(int on);
    virtual void SetFillLastColumn(int on);
    virtual void SortRows();
    // Rows include the header row; negative counts count as 0, columns are capped at 128.
    virtual void SetGridSize(int rows, int columns);
    // 1 when (row, column) lies inside the grid.
    virtual int SetCellText(int row, int column, const TmyString& text);
    virtual void SetColumnResizing(int on);
    virtual void SelectRow(int row);
    virtual void SetCursorCell(int row, int column);
    virtual void SetCellFrames(int on);
    virtual int SetColumnStyle(int column, uint8_t style);
    virtual void SetSelectRowWithCursor(int on);
    // Keeps a user value with the row (stored-text grids only); 1 when stored.
    virtual int SetRowTag(int row, unsigned value);
    virtual void SwapRows(int first, int second);
    virtual void SetSortColumn(int column);
    virtual void SetAscending(int on);
    virtual void SetShowCursor(int on);
    // Writes the editor's text back to its cell (stored-text grids) and deletes it.
    virtual void CloseEditor();

    // Operations
    // Row count n (header row included); 0, or a grid that stores no text, empties the grid.
    void SetRowCount(int rows);
    // The stored text; empty outside the grid or without stored text.
    TmyString GetCellText(int row, int column) const;
    // The row's user value; 0 for rows the grid does not hold.
    unsigned GetRowTag(int row) const;
    int GetColumnWidth(int column) const;
    // Column and row under (x, y); a point right of the last column gives the
    // column count, one below the last row a row at or beyond the row count.
    POINT CellAt(int x, int y) const;
    // The cell's rectangle in the grid's drawing coordinates, scrolling applied.
    RECT CellRect(int row, int column) const;
    void SetEditorColumn(int column, int on);
    void SetCheckColumn(int column, int on);
    void SetSortOnHeaderClick(int on) { SortOnHeaderClick = on != 0; }

    unsigned GetRowCount() const { return RowCount; }
    unsigned GetColumnCount() const { return ColumnCount; }
    int GetRowHeight() const { return RowHeight; }
    int GetCurrentRow() const { return CurrentRow; }
    int GetCurrentColumn() const { return CurrentColumn; }
    int GetSelectedRow() const { return SelectedRow; }
    int GetSortColumn() const { return SortColumn; }
    int IsAscending() const { return Ascending; }
    Tmy_ScrollBar* GetHorzScrollBar() const { return HorzScrollBar; }
    Tmy_ScrollBar* GetVertScrollBar() const { return VertScrollBar; }
    Tmy_Edit* GetEditor() const { return Editor; }

private:
    // Private helpers (myStringGrid.cpp).
    int ColumnLeft(int column) const;
    int TotalColumnWidth() const;
    int VisibleWidth() const;
    int VisibleHeight() const;
    int HorzPosition() const;
    int64_t VertPosition() const;
    int HeaderRows() const { return HeaderRow ? 1 : 0; }
    int FixedColumns() const { return FixedColumn ? 1 : 0; }
    bool IsCell(int row, int column) const;
    void LayoutScrollBars();
    void FitLastColumn();
    void ScrollVertically(int64_t position);
    void ScrollHorizontally(int position);
    void PlaceEditor();
    void ResizeRows(unsigned n, unsigned a);
    void ResetCursor();
    void ClampSelection();
    void InvalidateVisible(const RECT& rect);
    void InvalidateRowStrip(int row);
    void OpenEditor();
    int EditorFocusChanged(TmyControl* sender, int gained);
    int EditorKeyDown(TmyControl* sender, unsigned key, unsigned flags);
    void SortRange(int first, int last);
    void ToggleCheck(int row, int column, int x);
    void TrackColumnBorder(unsigned keys, int x, int y);
    int ColumnBorderAt(int x) const;
    void DragColumnBorder(int x);
    void MoveCursorByKey(unsigned key);
    void PaintRow(HDC dc, const RECT& clip, int row, int firstColumn);
    POINT RowsInClip(const RECT& clip, int first) const;
    void PaintHeaders(HDC dc, const RECT& clip);
    void PaintBody(HDC dc, const RECT& clip);
    void PaintOutside(HDC dc);
    int DrawSortMark(HDC dc, const RECT& rect, int frameStyle);
    void DrawCheck(HDC dc, RECT rect, const TmyString& text);
    void DrawCellText(HDC dc, RECT rect, const TmyString& text, uint8_t style, COLORREF color);
    TmyStringList* NewRow(unsigned initialCount, unsigned maxCount) const;

    // Fields, in the order the rest of the framework relies on.
    Tmy_ScrollBar* HorzScrollBar;
    Tmy_ScrollBar* VertScrollBar;
    TmyTypeList<TmyStringList>* Rows;
    int32_t ColumnWidths[myGridMaxColumns];
    int32_t DefaultColumnWidth;
    int32_t RowHeight;
    uint32_t RowCount;
    uint32_t ColumnCount;
    int32_t CurrentColumn;
    int32_t CurrentRow;
    int32_t FixedColumn;
    int32_t HeaderRow;
    int32_t CellFrames;
    int32_t ShowCursor;
    TmySet EditorColumns;
    TmySet CheckColumns;
    int32_t ColumnResizing;
    int32_t PressedHeader;
    int32_t PressedInside;
    int32_t SortColumn;
    int32_t Ascending;
    int32_t DragColumn;
    int32_t DragStartX;
    int32_t DragStartWidth;
    int32_t SelectedRow;
    uint8_t ColumnStyles[myGridMaxColumns];
    int32_t SelectRowWithCursor;
    int32_t StoresText;
    int32_t NoHighlight;
    int32_t LastDownColumn;
    int32_t LastDownRow;
    int32_t FillLastColumn;
    int32_t MinColumnWidth;
    int32_t SortOnHeaderClick;
    Tmy_Edit* Editor;
    int32_t PreviousHorzPosition;
    int32_t PreviousVertPosition;
    // Cursors of the column-border drag: the sizing cursor and the one it replaces.
    HCURSOR SizingCursor;
    HCURSOR NormalCursor;
    // Counts the editors opened, so a late close request cannot reach a newer one.
    WPARAM EditorGeneration;

public:
    // Events; each handler gets the grid first.
    TmyEvent<TmyStringGrid*> OnCursorMoved;
    TmyEvent<TmyStringGrid*> OnRowSelected;
    TmyEvent<TmyStringGrid*, TmyGridCellPaint*> OnPaintCell;
    TmyEvent<TmyStringGrid*, int, int> OnCellClick;          // row, column
    TmyEvent<TmyStringGrid*, int> OnHeaderClick;             // column
    TmyEvent<TmyStringGrid*, int> OnColumnResized;           // column
    TmyEvent<TmyStringGrid*, int, int*> OnColumnWidthQuery;  // column, width in/out
    TmyEvent<TmyStringGrid*, int, int, int> OnCheckClick;    // row, column, new state
    TmyEvent<TmyStringGrid*, Tmy_Edit*> OnEditorCreated;
};
