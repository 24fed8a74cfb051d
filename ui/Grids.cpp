#include "ui/Grids.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "ui/Canvas.h"

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
    topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
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
    ScrollIntoView();
}

void TStringGrid::SetRow(int row)
{
    row = std::clamp(row, fixedRows_, rowCount_ - 1);
    if (row == row_) return;
    row_ = row;
    Changed(ModelChange::Selection);
    ScrollIntoView();
}

void TStringGrid::SetTopRow(int row)
{
    row = std::clamp(row, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    if (row == topRow_) return;
    topRow_ = row;
    Changed(ModelChange::Selection);
    Fire(OnTopLeftChanged, this);
}

void TStringGrid::SetLeftCol(int col)
{
    col = std::clamp(col, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
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
    if (x < 0 || y < 0) return TRect{};
    const TRect cell =
        Bounds(x, y, colWidths_[static_cast<std::size_t>(col)], rowHeights_[static_cast<std::size_t>(row)]);
    return IntersectRect(cell, ClientRect());
}

namespace {

// The first scrollable row (or column) from which the last ones fill the room.
int FirstOfLastFitting(const std::vector<int>& sizes, int fixed, int count, int lineWidth, int room)
{
    int used = 0;
    int first = count;
    while (first > fixed && used + sizes[static_cast<std::size_t>(first - 1)] + lineWidth <= room) {
        --first;
        used += sizes[static_cast<std::size_t>(first)] + lineWidth;
    }
    return std::clamp(first, fixed, count - 1);
}

}  // namespace

int TStringGrid::MaxTopRow() const
{
    return FirstOfLastFitting(rowHeights_, fixedRows_, rowCount_, gridLineWidth_, ClientHeight() - FixedHeight());
}

int TStringGrid::MaxLeftCol() const
{
    return FirstOfLastFitting(colWidths_, fixedCols_, colCount_, gridLineWidth_, ClientWidth() - FixedWidth());
}

// ---------------------------------------------------------------- scroll bars

int TStringGrid::ContentWidth() const
{
    int width = 0;
    for (const int w : colWidths_) width += w + gridLineWidth_;
    return width;
}

int TStringGrid::ContentHeight() const
{
    int height = 0;
    for (const int h : rowHeights_) height += h + gridLineWidth_;
    return height;
}

int TStringGrid::FixedWidth() const
{
    int width = 0;
    for (int c = 0; c < fixedCols_; ++c) width += colWidths_[static_cast<std::size_t>(c)] + gridLineWidth_;
    return width;
}

int TStringGrid::FixedHeight() const
{
    int height = 0;
    for (int r = 0; r < fixedRows_; ++r) height += rowHeights_[static_cast<std::size_t>(r)] + gridLineWidth_;
    return height;
}

TStringGrid::ShownBars TStringGrid::Bars() const
{
    const bool mayV = scrollBars_ == gssVertical || scrollBars_ == gssBoth;
    const bool mayH = scrollBars_ == gssHorizontal || scrollBars_ == gssBoth;
    // The last line of the last row or column may fall outside: the cells themselves must fit.
    const int wide = ContentWidth() - gridLineWidth_;
    const int high = ContentHeight() - gridLineWidth_;
    ShownBars bars;
    bars.vertical = mayV && high > Height();
    bars.horizontal = mayH && wide > Width() - (bars.vertical ? ScrollBarSize : 0);
    if (bars.horizontal && !bars.vertical) bars.vertical = mayV && high > Height() - ScrollBarSize;
    return bars;
}

TRect TStringGrid::ClientRect() const
{
    const ShownBars bars = Bars();
    return Rect(0, 0, std::max(0, Width() - (bars.vertical ? ScrollBarSize : 0)),
                std::max(0, Height() - (bars.horizontal ? ScrollBarSize : 0)));
}

TStringGrid::ScrollBarParts TStringGrid::BarParts(bool vertical) const
{
    const ShownBars bars = Bars();
    if (!(vertical ? bars.vertical : bars.horizontal)) return {};
    const TRect client = ClientRect();
    ScrollBarParts p;
    // Positions run along the bar: `along` maps an offset and a length on it to a rectangle.
    const auto along = [&](int from, int length) {
        return vertical ? Bounds(client.Right, from, ScrollBarSize, length) : Bounds(from, client.Bottom, length, ScrollBarSize);
    };
    const int length = vertical ? client.Height() : client.Width();
    const int arrow = std::min(ScrollBarSize, length / 2);
    p.bar = along(0, length);
    p.lessArrow = along(0, arrow);
    p.moreArrow = along(length - arrow, arrow);
    const int track = length - 2 * arrow;
    const int first = vertical ? fixedRows_ : fixedCols_;
    const int last = vertical ? MaxTopRow() : MaxLeftCol();
    const int count = vertical ? rowCount_ - fixedRows_ : colCount_ - fixedCols_;
    const int shown = vertical ? VisibleRowCount() : VisibleColCount();
    if (track <= 0 || count <= 0) return p;
    const int thumb = std::clamp(track * std::max(1, shown) / count, std::min(8, track), track);
    const int at = vertical ? topRow_ : leftCol_;
    const int offset = last > first ? (track - thumb) * (at - first) / (last - first) : 0;
    p.thumb = along(arrow + offset, thumb);
    return p;
}

TStringGrid::ScrollBarParts TStringGrid::VertScrollBar() const { return BarParts(true); }
TStringGrid::ScrollBarParts TStringGrid::HorzScrollBar() const { return BarParts(false); }

void TStringGrid::Resized()
{
    TCustomControl::Resized();
    // A grown grid shows rows that were scrolled past; the current cell stays where it was.
    SetTopRow(topRow_);
    SetLeftCol(leftCol_);
}

bool TStringGrid::ClickBar(int x, int y)
{
    for (const bool vertical : {true, false}) {
        const ScrollBarParts p = BarParts(vertical);
        if (!p.bar.Contains({x, y})) continue;
        const int at = vertical ? topRow_ : leftCol_;
        const int page = std::max(1, vertical ? VisibleRowCount() : VisibleColCount());
        const auto scroll = [&](int to) { vertical ? SetTopRow(to) : SetLeftCol(to); };
        const int along = vertical ? y : x;
        const int thumbStart = vertical ? p.thumb.Top : p.thumb.Left;
        const int thumbEnd = vertical ? p.thumb.Bottom : p.thumb.Right;
        if (p.lessArrow.Contains({x, y})) scroll(at - 1);
        else if (p.moreArrow.Contains({x, y})) scroll(at + 1);
        else if (p.thumb.IsEmpty()) return true;
        else if (along < thumbStart) scroll(at - page);
        else if (along >= thumbEnd) scroll(at + page);
        else {
            drag_ = vertical ? Drag::Vertical : Drag::Horizontal;
            dragOffset_ = along - thumbStart;
        }
        return true;
    }
    return false;
}

void TStringGrid::DragThumb(int x, int y)
{
    const bool vertical = drag_ == Drag::Vertical;
    const ScrollBarParts p = BarParts(vertical);
    if (p.thumb.IsEmpty()) return;
    const int trackStart = vertical ? p.lessArrow.Bottom : p.lessArrow.Right;
    const int trackEnd = vertical ? p.moreArrow.Top : p.moreArrow.Left;
    const int thumb = vertical ? p.thumb.Height() : p.thumb.Width();
    const int travel = trackEnd - trackStart - thumb;
    const int first = vertical ? fixedRows_ : fixedCols_;
    const int last = vertical ? MaxTopRow() : MaxLeftCol();
    if (travel <= 0 || last <= first) return;
    const int offset = std::clamp((vertical ? y : x) - dragOffset_ - trackStart, 0, travel);
    const int to = first + (offset * (last - first) + travel / 2) / travel;
    vertical ? SetTopRow(to) : SetLeftCol(to);
}

void TStringGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbLeft && ClickBar(x, y)) return;
    TCustomControl::MouseDown(button, shift, x, y);
}

void TStringGrid::MouseMove(TShiftState shift, int x, int y)
{
    if (drag_ != Drag::None) {
        DragThumb(x, y);
        return;
    }
    TCustomControl::MouseMove(shift, x, y);
}

void TStringGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (drag_ != Drag::None) {
        drag_ = Drag::None;
        return;
    }
    TCustomControl::MouseUp(button, shift, x, y);
}

bool TStringGrid::MouseWheel(TShiftState shift, int wheelDelta, int, int)
{
    // Three lines a notch, as the desktop scrolls; with Shift, or with no rows to scroll, the columns.
    const int lines = -wheelDelta * 3 / 120;
    const ShownBars bars = Bars();
    const bool across = bars.horizontal && (shift.Contains(ssShift) || !bars.vertical);
    if (across) SetLeftCol(leftCol_ + lines);
    else if (bars.vertical) SetTopRow(topRow_ + lines);
    return across || bars.vertical;
}

void TStringGrid::ScrollIntoView()
{
    if (row_ < topRow_) SetTopRow(row_);
    else {
        int top = topRow_;
        while (top < row_ && RowTop(row_) - RowTop(top) + FixedHeight() + rowHeights_[static_cast<std::size_t>(row_)] > ClientHeight())
            ++top;
        SetTopRow(top);
    }
    if (options_.Contains(goRowSelect)) return;
    if (col_ < leftCol_) SetLeftCol(col_);
    else {
        int left = leftCol_;
        while (left < col_ && ColLeft(col_) - ColLeft(left) + FixedWidth() + colWidths_[static_cast<std::size_t>(col_)] > ClientWidth())
            ++left;
        SetLeftCol(left);
    }
}

void TStringGrid::MoveCurrent(std::uint16_t key)
{
    const int page = std::max(1, VisibleRowCount());
    int col = col_;
    int row = row_;
    const bool rowSelect = options_.Contains(goRowSelect);
    switch (key) {
    case VK_LEFT: rowSelect ? SetLeftCol(leftCol_ - 1) : void(--col); break;
    case VK_RIGHT: rowSelect ? SetLeftCol(leftCol_ + 1) : void(++col); break;
    case VK_UP: --row; break;
    case VK_DOWN: ++row; break;
    case VK_PRIOR: row -= page; break;
    case VK_NEXT: row += page; break;
    case VK_HOME: row = fixedRows_; break;
    case VK_END: row = rowCount_ - 1; break;
    default: return;
    }
    col = std::clamp(col, fixedCols_, colCount_ - 1);
    row = std::clamp(row, fixedRows_, rowCount_ - 1);
    if (col != col_ || row != row_) UserSelectCell(col, row);
}

void TStringGrid::KeyDown(std::uint16_t& key, TShiftState shift)
{
    TCustomControl::KeyDown(key, shift);
    if (key == 0 || shift.Contains(ssAlt)) return;
    switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END: MoveCurrent(key); key = 0; break;
    default: break;
    }
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

// ---------------------------------------------------------------- painting

void TStringGrid::Paint(Canvas& canvas)
{
    TCustomControl::Paint(canvas);
    canvas.brush = Brush::Solid(Color());
    canvas.fillRect(ClientRect());
    {
        const CanvasStateGuard keep(canvas);
        canvas.intersectClip(ClientRect());
        PaintCells(canvas);
        PaintLines(canvas);
    }
    PaintBar(canvas, true);
    PaintBar(canvas, false);
    if (VertScrollBarShown() && HorzScrollBarShown()) {
        const TRect client = ClientRect();
        canvas.brush = Brush::Solid(clBtnFace);
        canvas.fillRect(Rect(client.Right, client.Bottom, Width(), Height()));
    }
}

void TStringGrid::PaintCells(Canvas& canvas)
{
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
            if (defaultDrawing_) {
                canvas.brush = Brush::Solid(state.Contains(gdFixed) ? clBtnFace : selected ? clHighlight : Color());
                canvas.font = CanvasFontOf(Font());
                if (selected && !state.Contains(gdFixed)) canvas.font.color = clHighlightText;
                canvas.textRect(rect, rect.Left + 2, rect.Top + 2, At(c, r).text);
            }
            Fire(OnDrawCell, this, c, r, rect, state);
        }
    }
}

void TStringGrid::PaintLines(Canvas& canvas) const
{
    if (gridLineWidth_ <= 0) return;
    for (int r = 0; r < rowCount_; ++r) {
        for (int c = 0; c < colCount_; ++c) {
            const int x = ColLeft(c);
            const int y = RowTop(r);
            if (x < 0 || y < 0 || x >= ClientWidth() || y >= ClientHeight()) continue;
            const TRect rect = Bounds(x, y, colWidths_[static_cast<std::size_t>(c)], rowHeights_[static_cast<std::size_t>(r)]);
            const bool fixed = c < fixedCols_ || r < fixedRows_;
            canvas.brush = Brush::Solid(fixed ? clBtnShadow : clSilver);
            if (options_.Contains(fixed ? goFixedVertLine : goVertLine))
                canvas.fillRect(Rect(rect.Right, rect.Top, rect.Right + gridLineWidth_, rect.Bottom + gridLineWidth_));
            if (options_.Contains(fixed ? goFixedHorzLine : goHorzLine))
                canvas.fillRect(Rect(rect.Left, rect.Bottom, rect.Right + gridLineWidth_, rect.Bottom + gridLineWidth_));
        }
    }
}

namespace {

// A raised button face of a scroll bar (arrow or thumb).
void PaintBarButton(Canvas& canvas, const TRect& r)
{
    canvas.brush = Brush::Solid(clBtnFace);
    canvas.fillRect(r);
    canvas.brush = Brush::Solid(clBtnHighlight);
    canvas.fillRect(Rect(r.Left, r.Top, r.Right - 1, r.Top + 1));
    canvas.fillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom - 1));
    canvas.brush = Brush::Solid(clBtnShadow);
    canvas.fillRect(Rect(r.Left + 1, r.Bottom - 2, r.Right - 1, r.Bottom - 1));
    canvas.fillRect(Rect(r.Right - 2, r.Top + 1, r.Right - 1, r.Bottom - 1));
    canvas.brush = Brush::Solid(cl3DDkShadow);
    canvas.fillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
    canvas.fillRect(Rect(r.Right - 1, r.Top, r.Right, r.Bottom));
}

// The arrow of a bar's end button, pointing the way the button scrolls.
void PaintArrow(Canvas& canvas, const TRect& r, bool vertical, bool less)
{
    PaintBarButton(canvas, r);
    const int cx = r.Left + r.Width() / 2;
    const int cy = r.Top + r.Height() / 2;
    std::array<TPoint, 3> points{};
    if (vertical)
        points = less ? std::array<TPoint, 3>{{{cx - 3, cy + 1}, {cx + 3, cy + 1}, {cx, cy - 2}}}
                      : std::array<TPoint, 3>{{{cx - 3, cy - 1}, {cx + 3, cy - 1}, {cx, cy + 2}}};
    else
        points = less ? std::array<TPoint, 3>{{{cx + 1, cy - 3}, {cx + 1, cy + 3}, {cx - 2, cy}}}
                      : std::array<TPoint, 3>{{{cx - 1, cy - 3}, {cx - 1, cy + 3}, {cx + 2, cy}}};
    canvas.pen.color = clBlack;
    canvas.brush = Brush::Solid(clBlack);
    canvas.polygon(points);
}

}  // namespace

void TStringGrid::PaintBar(Canvas& canvas, bool vertical) const
{
    const ScrollBarParts p = BarParts(vertical);
    if (p.bar.IsEmpty()) return;
    canvas.brush = Brush::Solid(clScrollBar);
    canvas.fillRect(p.bar);
    PaintArrow(canvas, p.lessArrow, vertical, true);
    PaintArrow(canvas, p.moreArrow, vertical, false);
    if (!p.thumb.IsEmpty()) PaintBarButton(canvas, p.thumb);
}

}  // namespace ui
