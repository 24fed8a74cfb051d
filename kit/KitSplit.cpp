#include "kit/KitSplit.h"

#include "ui/Forms.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <stdexcept>

using ui::Canvas;
using ui::TPoint;
using ui::TRect;

namespace {

// Positions are worked out in 64 bits and brought back into the int range here, so that no sum of a
// far-end position, a size and a border can overflow.
int Saturate(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }
int NonNegative(long long v) { return static_cast<int>(std::clamp<long long>(v, 0, INT_MAX)); }
int RoundPercentOf(long double percent, int base) { return Saturate(Round(percent * base / 100.0L)); }

// How far a frame style reaches in on a side, as the track and the position limit count it.
int FrameStyleWidth(TFrameStyleEx style, int bevelWidth)
{
    switch (style) {
    case fsFlat: return 1;
    case fsGroove:
    case fsBump:
    case fsLowered:
    case fsButtonDown:
    case fsRaised:
    case fsButtonUp: return 2;
    case fsStatus:
    case fsPopup: return bevelWidth;
    default: return 0;
    }
}

void Polygon3(Canvas& canvas, TPoint a, TPoint b, TPoint c)
{
    const TPoint points[] = {a, b, c};
    canvas.polygon(points);
}

}  // namespace

// ---------------------------------------------------------------- TKitSplitterPane

TKitSplitterPane::TKitSplitterPane(ui::TComponent* owner, TKitSplitter* splitter)
    : TKitCustomPanel(owner), splitter_(splitter)
{
    SetBorderOuter(fsNone);
    SetTabStop(false);
}

void TKitSplitterPane::VisibleChanged()
{
    TKitCustomPanel::VisibleChanged();
    if (splitter_ != nullptr) splitter_->LayoutPanes();
}

void TKitSplitterPane::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y)
{
    if (splitter_ == nullptr || dockSite_) TKitCustomPanel::MouseDown(button, shift, x, y);
    else splitter_->MouseDown(button, shift, x + Left(), y + Top());
}

void TKitSplitterPane::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y)
{
    if (splitter_ == nullptr || dockSite_) TKitCustomPanel::MouseUp(button, shift, x, y);
    else splitter_->MouseUp(button, shift, x + Left(), y + Top());
}

void TKitSplitterPane::MouseMove(ui::TShiftState shift, int x, int y)
{
    if (splitter_ == nullptr || dockSite_) TKitCustomPanel::MouseMove(shift, x, y);
    else splitter_->MouseMove(shift, x + Left(), y + Top());
}

// ---------------------------------------------------------------- track drawing

TKitSplitter::TrackDrawing::TrackDrawing()
{
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) pattern[static_cast<std::size_t>(y * 8 + x)] = (x + y) % 2 == 0 ? clBlack : clWhite;
}

void TKitSplitter::TrackDrawing::Invert(const TRect& r)
{
    const auto it = std::find(drawn.begin(), drawn.end(), r);
    if (it != drawn.end()) drawn.erase(it);
    else drawn.push_back(r);
}

// ---------------------------------------------------------------- TKitSplitter

TKitSplitter::TKitSplitter(ui::TComponent* owner) : TKitCustomPanel(owner)
{
    SetDefaultSize(200, 100);
    SetBorderOuter(fsNone);
    pane1_ = ui::Create<TKitSplitterPane>(this, "", this, this);
    pane2_ = ui::Create<TKitSplitterPane>(this, "", this, this);
    upperLeft_ = std::make_unique<TKitPaneData>(*pane1_);
    lowerRight_ = std::make_unique<TKitPaneData>(*pane2_);
    LayoutPanes();
    SaveFixedPaneSize();
    SaveRestorePosition(position_);
}

TKitSplitter::~TKitSplitter() = default;

TKitPaneData& TKitSplitter::PaneData(int index)
{
    if (index != 1 && index != 2) throw std::out_of_range("Splitter pane index must be 1 or 2");
    return index == 1 ? *upperLeft_ : *lowerRight_;
}

int TKitSplitter::Extent() const { return orientation_ == orHorizontal ? Width() : Height(); }
int TKitSplitter::PercentBase() const { return Extent() - splitterWidth_ / 2; }

bool TKitSplitter::BothPanesVisible() const
{
    return pane1_ != nullptr && pane2_ != nullptr && pane1_->Visible() && pane2_->Visible();
}

void TKitSplitter::ShowControl(ui::TControl* control)
{
    const bool pane = control != nullptr && (control == pane1_ || control == pane2_);
    if (pane && !loading_ && !control->Visible()) {
        if (ui::TForm* form = TopForm(); form != nullptr && form->ActiveControl() != nullptr &&
                                         ContainsControl(form->ActiveControl()))
            form->SetActiveControl(this);
        control->SetVisible(true);
    }
    TKitCustomPanel::ShowControl(control);
}

int TKitSplitter::FrameWidth() const
{
    const int sides = ((BorderSides() & sdLeft) ? 1 : 0) + ((BorderSides() & sdTop) ? 1 : 0);
    return BorderWidth() + (FrameStyleWidth(BorderOuter(), BevelWidth()) + FrameStyleWidth(BorderInner(), BevelWidth())) * sides;
}

// --- position logic ---

void TKitSplitter::CheckPosition(int& pos) const
{
    const int extent = Extent();
    if (BothPanesVisible()) {
        const bool ignore = hotSpotClosed_ && hotSpotIgnoreMargins_;
        const int lo = ignore ? 0 : marginMin_;
        const int hi = ignore ? 0 : marginMax_;
        if (pos < lo) pos = lo;
        const long long limit = static_cast<long long>(extent) - hi - splitterWidth_ - 2LL * FrameWidth();
        if (pos > limit) pos = Saturate(limit);
    }
    // Whatever the margins say, the bar stays between the two ends.
    pos = std::clamp(pos, 0, std::max(extent, 0));
}

void TKitSplitter::SetPosition(int value)
{
    if (value == position_ && !resizing_) return;
    CheckPosition(value);
    if (!DoChanging(value)) return;
    position_ = value;
    const int d = PercentBase();
    percent_ = d == 0 ? 0 : Saturate(Round(static_cast<long double>(value) / d * 100.0L));
    LayoutPanes();
    SaveFixedPaneSize();
    DoChange();
}

void TKitSplitter::ChangePosition(int value)
{
    if (value == position_) return;
    SetPosition(value);
    SaveRestorePosition(position_);
}

void TKitSplitter::SetPercent(int v)
{
    if (v == percent_) return;
    percent_ = v;
    if (loading_) return;
    usePercent_ = true;
    SetPosition(RoundPercentOf(v, PercentBase()));
}

void TKitSplitter::SetUsePercent(bool v)
{
    if (v == usePercent_) return;
    usePercent_ = v;
    if (v) {
        fixedPane_ = fpUpperLeft;
        SetPercentMin(percentMin_);
        SetPercentMax(percentMax_);
    }
    SetPosition(position_);
}

void TKitSplitter::SetPercentMin(int v)
{
    percentMin_ = std::max(v, 0);
    if (!loading_ && usePercent_) marginMin_ = std::max(0, RoundPercentOf(percentMin_, PercentBase()));
}

void TKitSplitter::SetPercentMax(int v)
{
    percentMax_ = std::min(v, 100);
    if (!loading_ && usePercent_)
        marginMax_ = NonNegative(static_cast<long long>(PercentBase()) - RoundPercentOf(percentMax_, PercentBase()));
}

void TKitSplitter::SetMarginMin(int v)
{
    marginMin_ = std::max(v, 0);
    if (Extent() < static_cast<long long>(marginMin_) + marginMax_)
        marginMin_ = NonNegative(static_cast<long long>(Extent()) - marginMax_);
}

void TKitSplitter::SetMarginMax(int v)
{
    marginMax_ = std::max(v, 0);
    if (Extent() < static_cast<long long>(marginMin_) + marginMax_)
        marginMax_ = NonNegative(static_cast<long long>(Extent()) - marginMin_);
}

void TKitSplitter::SetFixedPane(TFixedPane v)
{
    if (v == fixedPane_) return;
    fixedPane_ = v;
    if (v == fpLowerRight) usePercent_ = false;
    SaveRestorePosition(position_);
    SaveFixedPaneSize();
}

void TKitSplitter::SetOrientation(TOrientation v)
{
    if (v == orientation_) return;
    orientation_ = v;
    if (usePercent_) {
        const int d = PercentBase();
        SetPosition(RoundPercentOf(percent_, d));
        marginMin_ = std::max(0, RoundPercentOf(percentMin_, d));
        marginMax_ = NonNegative(static_cast<long long>(d) - RoundPercentOf(percentMax_, d));
    }
    // The bar turns even when the pixel position stays the same.
    LayoutPanes();
    Invalidate();
}

void TKitSplitter::SaveFixedPaneSize()
{
    fixedPaneSize_ = fixedPane_ == fpUpperLeft ? position_ : Saturate(static_cast<long long>(Extent()) - position_);
}

void TKitSplitter::SaveRestorePosition(int pos)
{
    restorePosition_ = fixedPane_ == fpUpperLeft ? pos : Saturate(static_cast<long long>(Extent()) - pos);
}

void TKitSplitter::Resized()
{
    TKitCustomPanel::Resized();
    if (pane1_ == nullptr || pane2_ == nullptr || loading_) return;
    struct ResizingScope {
        bool& flag;
        explicit ResizingScope(bool& f) : flag(f) { flag = true; }
        ~ResizingScope() { flag = false; }
    } scope(resizing_);
    const long long extent = Extent();
    if (usePercent_) {
        const int d = PercentBase();
        marginMin_ = std::max(0, RoundPercentOf(percentMin_, d));
        marginMax_ = NonNegative(static_cast<long long>(d) - RoundPercentOf(percentMax_, d));
        if (hotSpotClosed_) SetPosition(hotSpotClosedToMin_ ? 0 : d);
        else SetPosition(RoundPercentOf(percent_, d));
    } else if (fixedPane_ == fpUpperLeft) {
        SetPosition(hotSpotClosedToMin_ ? 0 : hotSpotClosedToMax_ ? INT_MAX : position_);
        if (!hotSpotClosed_ && restorePosition_ > position_) SetPosition(restorePosition_);
    } else {
        SetPosition(Saturate(extent - fixedPaneSize_));
        if (!hotSpotClosed_) {
            if (restorePosition_ > extent - position_) SetPosition(Saturate(extent - restorePosition_));
        } else {
            hotSpotPosition_ = Saturate(extent - restorePosition_);
        }
    }
    // A vetoed change leaves the position, but the panes still fill the new size.
    LayoutPanes();
}

void TKitSplitter::Loaded()
{
    loading_ = false;
    SaveRestorePosition(position_);
    LayoutPanes();
}

// --- layout ---

void TKitSplitter::LayoutPanes()
{
    if (loading_ || pane1_ == nullptr || pane2_ == nullptr) return;
    const TRect c = AlignRect();
    const long long l = c.Left, t = c.Top;
    const int w = std::max(0, c.Width());
    const int h = std::max(0, c.Height());
    const long long p = position_, s = splitterWidth_;
    const bool v1 = pane1_->Visible(), v2 = pane2_->Visible();
    const auto place = [](TKitSplitterPane* pane, long long left, long long top, long long width, long long height) {
        pane->SetBounds(Saturate(left), Saturate(top), NonNegative(width), NonNegative(height));
    };
    if (orientation_ == orHorizontal) {
        place(pane1_, l, t, v1 && v2 ? p : v1 ? w : 0, h);
        barSize_ = v1 && v2 ? TRect{Saturate(l + p), Saturate(t), Saturate(l + p + s), Saturate(t + h)}
                            : TRect{Saturate(l), Saturate(t), Saturate(l), Saturate(t + h)};
        if (v1 && v2) place(pane2_, l + p + s, t, w - p - s, h);
        else place(pane2_, l, t, v2 ? w : 0, h);
    } else {
        place(pane1_, l, t, w, v1 && v2 ? p : v1 ? h : 0);
        barSize_ = v1 && v2 ? TRect{Saturate(l), Saturate(t + p), Saturate(l + w), Saturate(t + p + s)}
                            : TRect{Saturate(l), Saturate(t), Saturate(l + w), Saturate(t)};
        if (v1 && v2) place(pane2_, l, t + p + s, w, h - p - s);
        else place(pane2_, l, t, w, v2 ? h : 0);
    }
    UpdateHotSpotRect();
    for (TKitSplitterPane* pane : {pane1_, pane2_})
        for (int i = 0; i < pane->ControlCount(); ++i)
            if (auto* nested = dynamic_cast<TKitSplitter*>(pane->Controls(i))) nested->LayoutPanes();
    if (realTimeDrag_) {
        pane1_->Invalidate();
        pane2_->Invalidate();
    }
    Invalidate();
}

void TKitSplitter::UpdateHotSpotRect()
{
    const TRect& b = barSize_;
    if (orientation_ == orHorizontal) {
        const int mid = b.Top + (b.Bottom - b.Top) / 2;
        const int half = RoundPercentOf(hotSpotSizePercent_, b.Bottom - b.Top) / 2;
        hotSpotRect_ = {b.Left, mid - half, b.Right, mid + half};
    } else {
        const int mid = b.Left + (b.Right - b.Left) / 2;
        const int half = RoundPercentOf(hotSpotSizePercent_, b.Right - b.Left) / 2;
        hotSpotRect_ = {mid - half, b.Top, mid + half, b.Bottom};
    }
}

void TKitSplitter::SetBarSize(const TRect& r)
{
    barSize_ = r;
    UpdateHotSpotRect();
    Invalidate();
}

void TKitSplitter::SetHotSpotClosedState(bool closed, bool toMin, bool toMax, int position)
{
    hotSpotClosed_ = closed;
    hotSpotClosedToMin_ = toMin;
    hotSpotClosedToMax_ = toMax;
    hotSpotPosition_ = position;
    Invalidate();
}

// --- look settings ---

void TKitSplitter::SetSplitterWidth(int w)
{
    w = std::clamp(w, 0, 65535);
    if (w == splitterWidth_) return;
    splitterWidth_ = w;
    if (orientation_ == orHorizontal) barSize_.Right = barSize_.Left + w;
    else barSize_.Bottom = barSize_.Top + w;
    LayoutPanes();
    Invalidate();
}

void TKitSplitter::SetSplitterStyle(TSplitterStyle v)
{
    if (!Store(splitterStyle_, v)) return;
    if (v != ssStandard && splitterWidth_ < 6) SetSplitterWidth(6);
}

void TKitSplitter::SetHotSpotVisible(bool v)
{
    if (!Store(hotSpotVisible_, v)) return;
    if (v && splitterWidth_ < 7) SetSplitterWidth(7);
}

void TKitSplitter::SetHotSpotDirection(THotSpotDirection v) { Store(hotSpotDirection_, v); }

void TKitSplitter::SetHotSpotSizePercent(int v)
{
    if (v == hotSpotSizePercent_) return;
    hotSpotSizePercent_ = v;
    UpdateHotSpotRect();
    Invalidate();
}

void TKitSplitter::SetBorderOuter(TFrameStyleEx v)
{
    if (v == BorderOuter()) return;
    TKitCustomPanel::SetBorderOuter(v);
    LayoutPanes();
}

void TKitSplitter::SetBorderInner(TFrameStyleEx v)
{
    if (v == BorderInner()) return;
    TKitCustomPanel::SetBorderInner(v);
    LayoutPanes();
}

void TKitSplitter::SetBorderSides(TSides v)
{
    if (v == BorderSides()) return;
    TKitCustomPanel::SetBorderSides(v);
    LayoutPanes();
}

void TKitSplitter::SetBorderWidth(int v)
{
    if (std::max(v, 0) == BorderWidth()) return;
    TKitCustomPanel::SetBorderWidth(v);
    LayoutPanes();
}

void TKitSplitter::SetTransparent(bool v)
{
    TKitCustomPanel::SetTransparent(v);
    pane1_->SetTransparent(v);
    pane2_->SetTransparent(v);
}

void TKitSplitter::SetParentColor(bool follow)
{
    TKitCustomPanel::SetParentColor(follow);
    pane1_->SetParentColor(follow);
    pane2_->SetParentColor(follow);
}

// --- events ---

void TKitSplitter::DoChange() { ui::Fire(OnChange, this); }

bool TKitSplitter::DoChanging(int newPos)
{
    bool allow = true;
    if (OnChanging) OnChanging(this, newPos, allow);
    return allow;
}

void TKitSplitter::DoHotSpotClick() { ui::Fire(OnHotSpotClick, this); }

// --- mouse and keys ---

void TKitSplitter::DrawTrackLine(int pos)
{
    if (!track_) return;
    const TRect c = AlignRect();
    const TRect r = orientation_ == orHorizontal ? ui::Bounds(c.Left + pos, c.Top, barSize_.Width(), barSize_.Height())
                                                 : ui::Bounds(c.Left, c.Top + pos, barSize_.Width(), barSize_.Height());
    track_->Invert(r);
    Invalidate();
}

std::vector<TRect> TKitSplitter::TrackLines() const { return track_ ? track_->drawn : std::vector<TRect>{}; }

void TKitSplitter::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y)
{
    TKitCustomPanel::MouseDown(button, shift, x, y);
    const TPoint p{x, y};
    if (button != ui::mbLeft || !barSize_.Contains(p)) return;
    const bool onHotSpot = hotSpotVisible_ && hotSpotRect_.Contains(p);
    if (lockBar_ && !onHotSpot) return;
    if (!realTimeDrag_) SetFocus();
    dragging_ = true;
    hotSpotPressed_ = onHotSpot;
    grabOffset_ = AxisOf(p) - Extent() / 2;
    if (!realTimeDrag_) track_.emplace();
    dragStartPosition_ = position_;
    DrawTrackLine(position_);
    trackPosition_ = position_;
}

void TKitSplitter::MouseMove(ui::TShiftState shift, int x, int y)
{
    TKitCustomPanel::MouseMove(shift, x, y);
    const TPoint p{x, y};
    UpdateHotSpotLook(p, true);
    // The mouse is held while the bar is dragged: it keeps the bar's cursor wherever it goes.
    if (!dragging_) UpdateCursor(p);
    if (hotSpotPressed_ && lockBar_) return;
    if (!dragging_) return;
    int newPos = Saturate(static_cast<long long>(AxisOf(p)) + dragStartPosition_ - Extent() / 2 - grabOffset_);
    CheckPosition(newPos);
    if (!DoChanging(newPos)) return;
    if (newPos != trackPosition_) {
        // A press that moves the bar is a drag, not a hot-spot click.
        hotSpotClosed_ = hotSpotClosedToMin_ = hotSpotClosedToMax_ = hotSpotPressed_ = false;
        DrawTrackLine(trackPosition_);
        DrawTrackLine(newPos);
        if (realTimeDrag_) {
            SetPosition(newPos);
            restorePosition_ = fixedPane_ == fpUpperLeft ? newPos : Saturate(static_cast<long long>(Extent()) - newPos);
        }
        Invalidate();
    }
    trackPosition_ = newPos;
}

void TKitSplitter::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y)
{
    TKitCustomPanel::MouseUp(button, shift, x, y);
    if (!((dragging_ && button == ui::mbLeft) || hotSpotPressed_)) return;
    dragging_ = false;
    if (!realTimeDrag_) {
        DrawTrackLine(trackPosition_);
        SetPosition(trackPosition_);
        SaveRestorePosition(trackPosition_);
    }
    if (hotSpotPressed_) {
        hotSpotPressed_ = false;
        if (hotSpotRect_.Contains({x, y})) HotSpotClick({x, y});
    }
    EndDrag();
    UpdateCursor({x, y});
}

void TKitSplitter::KeyDown(std::uint16_t& key, ui::TShiftState shift)
{
    TKitCustomPanel::KeyDown(key, shift);
    if (key != ui::VK_ESCAPE || !dragging_) return;
    dragging_ = false;
    if (!realTimeDrag_) {
        DrawTrackLine(trackPosition_);
        SaveRestorePosition(position_);
    }
    // The cancelled press is over too: the release that follows must not commit it or click the hot spot.
    hotSpotPressed_ = false;
    EndDrag();
}

void TKitSplitter::EndDrag()
{
    track_.reset();
    Invalidate();
}

void TKitSplitter::MouseLeave()
{
    TKitCustomPanel::MouseLeave();
    UpdateHotSpotLook({INT_MIN, INT_MIN}, false);
}

void TKitSplitter::UpdateHotSpotLook(TPoint mouse, bool repeatBoth)
{
    if (!hotSpotVisible_) return;
    if (hotSpotRect_.Contains(mouse)) {
        if (!hotSpotHighlighted_ || (repeatBoth && hotSpotDirection_ == hsdBoth)) {
            hotSpotHighlighted_ = true;
            highlightPos_ = mouse;
            Invalidate();
        }
    } else if (hotSpotHighlighted_) {
        hotSpotHighlighted_ = false;
        Invalidate();
    }
}

void TKitSplitter::UpdateCursor(TPoint mouse)
{
    if (!barSize_.Contains(mouse) || lockBar_) {
        SetCursor(ui::crDefault);
        return;
    }
    if (hotSpotVisible_ && hotSpotRect_.Contains(mouse)) SetCursor(crKitSplitHotSpot);
    else SetCursor(orientation_ == orHorizontal ? crKitSplitHorz : crKitSplitVert);
}

void TKitSplitter::HotSpotClick(TPoint at)
{
    hotSpotClosed_ = !hotSpotClosed_;
    if (hotSpotClosed_) {
        hotSpotPosition_ = position_;
        const int midX = (hotSpotRect_.Left + hotSpotRect_.Right) / 2;
        const int midY = (hotSpotRect_.Top + hotSpotRect_.Bottom) / 2;
        const bool firstHalf = orientation_ == orVertical ? at.X < midX : at.Y < midY;
        if (hotSpotDirection_ == hsdMin || (hotSpotDirection_ == hsdBoth && firstHalf)) {
            hotSpotClosedToMin_ = true;
            SetPosition(0);
        } else {
            hotSpotClosedToMax_ = true;
            SetPosition(INT_MAX);
        }
    } else {
        hotSpotClosedToMin_ = hotSpotClosedToMax_ = false;
        SetPosition(hotSpotPosition_);
        SaveRestorePosition(position_);
    }
    Invalidate();
    DoHotSpotClick();
}

// --- painting ---

void TKitSplitter::PaintPanel(Canvas& canvas)
{
    TKitCustomPanel::PaintPanel(canvas);
    DrawSplitter(canvas);
    if (!track_) return;
    const ui::CanvasStateGuard keep(canvas);
    canvas.brush = ui::Brush::Patterned(track_->pattern);
    for (const TRect& r : track_->drawn) canvas.patternInvert(r);
}

void TKitSplitter::DrawSplitter(Canvas& canvas)
{
    const TRect& b = barSize_;
    if (b.IsEmpty()) return;
    const ui::CanvasStateGuard keep(canvas);
    const auto fillBar = [&] {
        canvas.brush = ui::Brush::Solid(Color());
        canvas.fillRect(b);
    };
    switch (splitterStyle_) {
    case ssStandard:
        if (!FullRepaint()) fillBar();
        break;
    case ssGroupBar:
        if (VisualStyle() == vsClassic) {
            if (!FullRepaint()) fillBar();
        } else {
            DrawGroupBarBackground(canvas, b, VisualStyle(), GradientColorStyle(), gradientPath_, GradientColorStart(),
                                   GradientColorStop());
        }
        break;
    case ssGroove:
    case ssBump: {
        fillBar();
        const TFrameStyleEx look = splitterStyle_ == ssGroove ? fsStatus : fsPopup;
        for (int strip = 0; strip < 2; ++strip) {
            if (orientation_ == orHorizontal) {
                const int c = b.Left + b.Width() / 2 - 3 + 3 * strip;
                DrawBorder(canvas, {c, b.Top, c + 3, b.Bottom}, look);
            } else {
                const int c = b.Top + b.Height() / 2 - 3 + 3 * strip;
                DrawBorder(canvas, {b.Left, c, b.Right, c + 3}, look);
            }
        }
        break;
    }
    }
    if (hotSpotVisible_) DrawHotSpot(canvas, hotSpotHighlighted_, highlightPos_);
}

void TKitSplitter::DrawHotSpot(Canvas& canvas, bool highlight, TPoint mouse)
{
    const TRect hs = hotSpotRect_;
    if (hs.IsEmpty()) return;
    const ui::CanvasStateGuard keep(canvas);
    const bool vertical = orientation_ == orVertical;
    const int midX = (hs.Left + hs.Right) / 2;
    const int midY = (hs.Top + hs.Bottom) / 2;
    const TRect inside = DrawSides(canvas, hs, hotSpotFrameColor_, hotSpotFrameColor_, sdAllSides);
    const auto fill = [&](const TRect& r, TColor colour) {
        canvas.brush = ui::Brush::Solid(colour);
        canvas.fillRect(r);
    };

    if (hotSpotDirection_ == hsdBoth) {
        fill(inside, hotSpotColor_);
        if (highlight && hotSpotClosed_) {
            fill(inside, hotSpotHighlight_);
        } else if (highlight) {
            TRect half = inside;
            if (vertical) (mouse.X < midX ? half.Right : half.Left) = midX;
            else (mouse.Y < midY ? half.Bottom : half.Top) = midY;
            fill(half, hotSpotHighlight_);
        }
        if (!hotSpotClosed_) {
            canvas.pen = {hotSpotFrameColor_, 1, ui::PenStyle::Solid};
            if (vertical) {
                canvas.moveTo(midX, hs.Top);
                canvas.lineTo(midX, hs.Bottom);
            } else {
                canvas.moveTo(hs.Left, midY);
                canvas.lineTo(hs.Right, midY);
            }
        }
    } else {
        fill(inside, highlight ? hotSpotHighlight_ : hotSpotColor_);
    }

    // Which way the arrows point: towards the end the next click moves the bar to.
    bool firstToMin = true, secondToMin = true;
    switch (hotSpotDirection_) {
    case hsdMin: firstToMin = secondToMin = !hotSpotClosed_; break;
    case hsdMax: firstToMin = secondToMin = hotSpotClosed_; break;
    case hsdBoth:
        if (!hotSpotClosed_) {
            firstToMin = true;
            secondToMin = false;
        } else {
            firstToMin = secondToMin = !hotSpotClosedToMin_;
        }
        break;
    }
    canvas.pen = {hotSpotDotColor_, 1, ui::PenStyle::Solid};
    canvas.brush = ui::Brush::Solid(hotSpotDotColor_);
    const auto arrow = [&](int x, int y, bool toMin) {
        if (vertical) {
            const int tip = toMin ? -1 : 1;
            Polygon3(canvas, {x, y + tip}, {x - 2, y - tip}, {x + 2, y - tip});
        } else {
            const int tip = toMin ? -1 : 1;
            Polygon3(canvas, {x + tip, y}, {x - tip, y - 2}, {x - tip, y + 2});
        }
    };
    if (vertical) {
        arrow(hs.Left + 8, midY, firstToMin);
        arrow(hs.Right - 8, midY, secondToMin);
    } else {
        arrow(midX, hs.Top + 8, firstToMin);
        arrow(midX, hs.Bottom - 8, secondToMin);
    }

    const int length = vertical ? hs.Width() : hs.Height();
    const int start = vertical ? hs.Left : hs.Top;
    const int middle = vertical ? midX : midY;
    const int n = (length - 32) / 3;
    if (n < 0) return;
    for (int i = 0; i <= n; ++i) {
        const int at = start + 15 + 3 * i;
        if (hotSpotDirection_ == hsdBoth && !hotSpotClosed_ && std::abs(at - middle) < 4) continue;
        if (vertical) canvas.setPixel(at, midY, hotSpotDotColor_);
        else canvas.setPixel(midX, at, hotSpotDotColor_);
    }
}
