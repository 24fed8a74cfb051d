#include "ui/Grids.h"

#include <algorithm>
#include <stdexcept>

namespace ui {

TStringGrid::TStringGrid(TComponent* owner) : TCustomControl(owner)
{
    SetDefaultSize(320, 120);
    SetColor(clWindow);
    SetTabStop(true);
    Resize(colCount_, rowCount_);
}

void TStringGrid::Resize(int cols, int rows)
{
    cols = std::max(cols, 1);
    rows = std::max(rows, 1);
    colWidths_.resize(static_cast<std::size_t>(cols), defaultColWidth_);
    rowHeights_.resize(static_cast<std::size_t>(rows), defaultRowHeight_);
    cells_.resize(static_cast<std::size_t>(rows));
    for (auto& row : cells_) row.resize(static_cast<std::size_t>(cols));
    colCount_ = cols;
    rowCount_ = rows;
    fixedCols_ = std::min(fixedCols_, colCount_ - 1);
    fixedRows_ = std::min(fixedRows_, rowCount_ - 1);
    col_ = std::clamp(col_, fixedCols_, colCount_ - 1);
    row_ = std::clamp(row_, fixedRows_, rowCount_ - 1);
    topRow_ = std::clamp(topRow_, fixedRows_, rowCount_ - 1);
    leftCol_ = std::clamp(leftCol_, fixedCols_, colCount_ - 1);
    Changed(ModelChange::Items);
}

void TStringGrid::SetColCount(int count) { Resize(count, rowCount_); }
void TStringGrid::SetRowCount(int count) { Resize(colCount_, count); }

void TStringGrid::SetFixedCols(int count)
{
    fixedCols_ = std::clamp(count, 0, colCount_ - 1);
    leftCol_ = fixedCols_;
    col_ = fixedCols_;
    Resize(colCount_, rowCount_);
}

void TStringGrid::SetFixedRows(int count)
{
    fixedRows_ = std::clamp(count, 0, rowCount_ - 1);
    topRow_ = fixedRows_;
    row_ = fixedRows_;
    Resize(colCount_, rowCount_);
}

TStringGrid::Cell& TStringGrid::At(int col, int row)
{
    if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_)
        throw std::out_of_range("Grid index out of range (" + std::to_string(col) + ", " + std::to_string(row) + ")");
    return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

const TStringGrid::Cell& TStringGrid::At(int col, int row) const { return const_cast<TStringGrid*>(this)->At(col, row); }

const std::string& TStringGrid::Cells(int col, int row) const { return At(col, row).text; }

void TStringGrid::SetCell(int col, int row, std::string text)
{
    Cell& cell = At(col, row);
    if (cell.text == text) return;
    cell.text = std::move(text);
    Changed(ModelChange::Items);
}

TObject* TStringGrid::Objects(int col, int row) const { return At(col, row).object; }

void TStringGrid::SetObject(int col, int row, TObject* object) { At(col, row).object = object; }

std::vector<std::string> TStringGrid::RowCells(int row) const
{
    std::vector<std::string> out;
    for (int c = 0; c < colCount_; ++c) out.push_back(At(c, row).text);
    return out;
}

void TStringGrid::ClearRow(int row)
{
    for (int c = 0; c < colCount_; ++c) At(c, row) = Cell{};
    Changed(ModelChange::Items);
}

void TStringGrid::ClearCol(int col)
{
    for (int r = 0; r < rowCount_; ++r) At(col, r) = Cell{};
    Changed(ModelChange::Items);
}

void TStringGrid::ClearCells()
{
    for (auto& row : cells_)
        for (Cell& cell : row) cell = Cell{};
    Changed(ModelChange::Items);
}

void TStringGrid::SetDefaultColWidth(int width)
{
    defaultColWidth_ = width;
    std::fill(colWidths_.begin(), colWidths_.end(), width);
    Changed(ModelChange::Other);
}

void TStringGrid::SetDefaultRowHeight(int height)
{
    defaultRowHeight_ = height;
    std::fill(rowHeights_.begin(), rowHeights_.end(), height);
    Changed(ModelChange::Other);
}

int TStringGrid::ColWidths(int col) const
{
    if (col < 0 || col >= colCount_) throw std::out_of_range("Grid column out of range");
    return colWidths_[static_cast<std::size_t>(col)];
}

void TStringGrid::SetColWidth(int col, int width)
{
    if (col < 0 || col >= colCount_) throw std::out_of_range("Grid column out of range");
    colWidths_[static_cast<std::size_t>(col)] = std::max(0, width);
    Changed(ModelChange::Other);
}

int TStringGrid::RowHeights(int row) const
{
    if (row < 0 || row >= rowCount_) throw std::out_of_range("Grid row out of range");
    return rowHeights_[static_cast<std::size_t>(row)];
}

void TStringGrid::SetRowHeight(int row, int height)
{
    if (row < 0 || row >= rowCount_) throw std::out_of_range("Grid row out of range");
    rowHeights_[static_cast<std::size_t>(row)] = std::max(0, height);
    Changed(ModelChange::Other);
}

void TStringGrid::SetCol(int col)
{
    col = std::clamp(col, fixedCols_, colCount_ - 1);
    if (col == col_) return;
    col_ = col;
    Changed(ModelChange::Selection);
}

void TStringGrid::SetRow(int row)
{
    row = std::clamp(row, fixedRows_, rowCount_ - 1);
    if (row == row_) return;
    row_ = row;
    Changed(ModelChange::Selection);
}

void TStringGrid::SetTopRow(int row)
{
    row = std::clamp(row, fixedRows_, rowCount_ - 1);
    if (row == topRow_) return;
    topRow_ = row;
    Changed(ModelChange::Selection);
    Fire(OnTopLeftChanged, this);
}

void TStringGrid::SetLeftCol(int col)
{
    col = std::clamp(col, fixedCols_, colCount_ - 1);
    if (col == leftCol_) return;
    leftCol_ = col;
    Changed(ModelChange::Selection);
    Fire(OnTopLeftChanged, this);
}

int TStringGrid::ColLeft(int col) const
{
    int x = 0;
    for (int c = 0; c < fixedCols_; ++c) {
        if (c == col) return x;
        x += colWidths_[static_cast<std::size_t>(c)] + gridLineWidth_;
    }
    if (col < leftCol_) return -1;
    for (int c = leftCol_; c < col; ++c) x += colWidths_[static_cast<std::size_t>(c)] + gridLineWidth_;
    return x;
}

int TStringGrid::RowTop(int row) const
{
    int y = 0;
    for (int r = 0; r < fixedRows_; ++r) {
        if (r == row) return y;
        y += rowHeights_[static_cast<std::size_t>(r)] + gridLineWidth_;
    }
    if (row < topRow_) return -1;
    for (int r = topRow_; r < row; ++r) y += rowHeights_[static_cast<std::size_t>(r)] + gridLineWidth_;
    return y;
}

TRect TStringGrid::CellRect(int col, int row) const
{
    if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) return TRect{};
    const int x = ColLeft(col);
    const int y = RowTop(row);
    if (x < 0 || y < 0 || x >= ClientWidth() || y >= ClientHeight()) return TRect{};
    return Bounds(x, y, colWidths_[static_cast<std::size_t>(col)], rowHeights_[static_cast<std::size_t>(row)]);
}

int TStringGrid::VisibleRowCount() const
{
    int count = 0;
    for (int r = topRow_; r < rowCount_; ++r) {
        const int y = RowTop(r);
        if (y + rowHeights_[static_cast<std::size_t>(r)] > ClientHeight()) break;
        ++count;
    }
    return count;
}

int TStringGrid::VisibleColCount() const
{
    int count = 0;
    for (int c = leftCol_; c < colCount_; ++c) {
        const int x = ColLeft(c);
        if (x + colWidths_[static_cast<std::size_t>(c)] > ClientWidth()) break;
        ++count;
    }
    return count;
}

void TStringGrid::UserSelectCell(int col, int row)
{
    if (col < fixedCols_ || col >= colCount_ || row < fixedRows_ || row >= rowCount_) return;
    bool canSelect = true;
    Fire(OnSelectCell, this, col, row, canSelect);
    if (!canSelect) return;
    SetCol(col);
    SetRow(row);
    Click();
}

void TStringGrid::Paint(Canvas& canvas)
{
    TCustomControl::Paint(canvas);
    for (int r = 0; r < rowCount_; ++r) {
        for (int c = 0; c < colCount_; ++c) {
            const TRect rect = CellRect(c, r);
            if (rect.IsEmpty()) continue;
            TGridDrawState state;
            if (c < fixedCols_ || r < fixedRows_) state.Include(gdFixed);
            const bool selected = r == row_ && (c == col_ || options_.Contains(goRowSelect));
            if (selected && !state.Contains(gdFixed)) {
                state.Include(gdSelected);
                if (Focused()) state.Include(gdFocused);
            }
            Fire(OnDrawCell, this, c, r, rect, state);
        }
    }
}

}  // namespace ui
