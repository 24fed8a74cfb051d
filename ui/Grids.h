#pragma once
// The string grid: cells of text (and an object pointer each, not owned) in columns and rows, the
// first FixedCols columns and FixedRows rows fixed (titles).
//
// Painting: PaintTo(canvas) draws the grid whole: with DefaultDrawing each cell's colour and text, then
// OnDrawCell for every cell shown (fixed cells included, with gdFixed in the state; top row first; the
// handler draws on PaintCanvas()), then the grid lines and the scroll bars.
//
// Scrolling: the grid shows a scroll bar (as ScrollBars allows) where its cells need more room than it
// has; the client area is what the bars leave. The bars take the mouse (arrows, track, dragging the
// thumb), the wheel scrolls, the keys move the current cell, and the current cell, however it moves,
// is scrolled into view. The first rows and columns shown never go past the point where the last ones
// fill the client area.
#include <functional>
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace ui {

enum TGridOption {
    goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected, goRowSizing,
    goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect, goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = EnumSet<TGridOption>;

enum TGridDrawFlag { gdSelected, gdFocused, gdFixed };
using TGridDrawState = EnumSet<TGridDrawFlag>;

enum TGridScrollStyle { gssNone, gssHorizontal, gssVertical, gssBoth };

class TStringGrid : public TCustomControl {
public:
    explicit TStringGrid(TComponent* owner);

    int ColCount() const { return colCount_; }
    // Cells of columns or rows that go are lost; new ones are empty.
    void SetColCount(int count);
    int RowCount() const { return rowCount_; }
    void SetRowCount(int count);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int count);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int count);

    // Throw std::out_of_range outside the grid.
    const std::string& Cells(int col, int row) const;
    void SetCell(int col, int row, std::string text);
    TObject* Objects(int col, int row) const;
    void SetObject(int col, int row, TObject* object);
    // The texts of one row, left to right.
    std::vector<std::string> RowCells(int row) const;
    void ClearRow(int row);
    void ClearCol(int col);
    // Empties every cell (texts and objects); the size stays.
    void ClearCells();

    int DefaultColWidth() const { return defaultColWidth_; }
    // Sets every column to the width.
    void SetDefaultColWidth(int width);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int height);
    int ColWidths(int col) const;
    void SetColWidth(int col, int width);
    int RowHeights(int row) const;
    void SetRowHeight(int row, int height);
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int v) { gridLineWidth_ = v < 0 ? 0 : v; Changed(ModelChange::Other); }

    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions v) { options_ = v; Changed(ModelChange::Other); }
    TGridScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TGridScrollStyle v) { scrollBars_ = v; Changed(ModelChange::Other); }
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool v) { defaultDrawing_ = v; }

    // The current cell (not a fixed one).
    int Col() const { return col_; }
    int Row() const { return row_; }
    void SetCol(int col);
    void SetRow(int row);
    // The first scrollable row and column shown.
    int TopRow() const { return topRow_; }
    void SetTopRow(int row);
    int LeftCol() const { return leftCol_; }
    void SetLeftCol(int col);
    // The largest TopRow and LeftCol.
    int MaxTopRow() const;
    int MaxLeftCol() const;
    // Scrollable rows / columns that fit wholly in the client area below / beside the fixed ones.
    int VisibleRowCount() const;
    int VisibleColCount() const;
    // The cell's rectangle in the grid's client coordinates, cut to the client area; empty when the
    // cell is not shown (scrolled out or beyond the client area).
    TRect CellRect(int col, int row) const;

    static constexpr int ScrollBarSize = 17;
    bool VertScrollBarShown() const { return Bars().vertical; }
    bool HorzScrollBarShown() const { return Bars().horizontal; }
    // A bar's parts in the grid's coordinates; all empty when the bar is not shown.
    struct ScrollBarParts {
        TRect bar, lessArrow, moreArrow, thumb;
    };
    ScrollBarParts VertScrollBar() const;
    ScrollBarParts HorzScrollBar() const;
    // The area the cells share: the grid less its scroll bars.
    TRect ClientRect() const override;

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool MouseWheel(TShiftState shift, int wheelDelta, int x, int y) override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;

    // The user's choice of a cell: OnSelectCell may refuse; then Col and Row move and OnClick runs.
    void UserSelectCell(int col, int row);

    std::function<void(TObject* Sender, int ACol, int ARow, const TRect& Rect, TGridDrawState State)> OnDrawCell;
    std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)> OnSelectCell;
    std::function<void(TObject* Sender)> OnTopLeftChanged;

protected:
    void Paint(Canvas& canvas) override;
    void Resized() override;

private:
    struct ShownBars {
        bool vertical = false;
        bool horizontal = false;
    };
    enum class Drag { None, Vertical, Horizontal };
    ShownBars Bars() const;
    int ContentWidth() const;
    int ContentHeight() const;
    int FixedWidth() const;
    int FixedHeight() const;
    ScrollBarParts BarParts(bool vertical) const;
    // The bar under the point scrolled as a click there asks; false when the point is on no bar.
    bool ClickBar(int x, int y);
    void DragThumb(int x, int y);
    void ScrollIntoView();
    void MoveCurrent(std::uint16_t key);
    void PaintCells(Canvas& canvas);
    void PaintLines(Canvas& canvas) const;
    void PaintBar(Canvas& canvas, bool vertical) const;

    struct Cell {
        std::string text;
        TObject* object = nullptr;
    };
    Cell& At(int col, int row);
    const Cell& At(int col, int row) const;
    void Resize(int cols, int rows);
    // Left edges of the columns shown (fixed ones, then from LeftCol), -1 for a column not shown.
    int ColLeft(int col) const;
    int RowTop(int row) const;

    int colCount_ = 5;
    int rowCount_ = 5;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    int gridLineWidth_ = 1;
    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    std::vector<std::vector<Cell>> cells_;  // [row][col]
    TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    TGridScrollStyle scrollBars_ = gssBoth;
    bool defaultDrawing_ = true;
    int col_ = 1;
    int row_ = 1;
    int topRow_ = 1;
    int leftCol_ = 1;
    Drag drag_ = Drag::None;
    int dragOffset_ = 0;  // from the thumb's leading edge to the point that holds it
};

}  // namespace ui
