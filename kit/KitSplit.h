#pragma once
// A panel that holds two panes and a bar between them. The bar is dragged with the left button (a
// patterned track line follows the mouse and the panes move on release, or the panes follow at once
// with RealTimeDrag); Esc cancels a drag. An optional hot spot in the middle of the bar closes one pane
// with a click and reopens it with the next. Everything the user sees inside the splitter is a child of
// one of the panes, never of the splitter itself.
//
// Terms: the axis is X and the extent the Width for orHorizontal (panes side by side, a vertical bar),
// Y and the Height for orVertical. Position is the bar's offset from the client rectangle's upper or
// left edge; Percent is Position as a percentage of (extent - SplitterWidth div 2).
#include "kit/KitPanel.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

enum TFixedPane { fpUpperLeft, fpLowerRight };
enum TSplitterStyle { ssStandard, ssGroove, ssBump, ssGroupBar };
enum THotSpotDirection { hsdMin, hsdMax, hsdBoth };
enum TSelectedPane { spUpperLeft, spLowerRight };

// The cursors over the bar: plain, and over the hot spot.
constexpr ui::TCursor crKitSplitHorz = ui::crHSplit;
constexpr ui::TCursor crKitSplitVert = ui::crVSplit;
constexpr ui::TCursor crKitSplitHotSpot = ui::crHandPoint;

class TKitSplitter;

class TKitSplitterPane : public TKitCustomPanel {
public:
    TKitSplitterPane(ui::TComponent* owner, TKitSplitter* splitter);

    TKitSplitter* Splitter() const { return splitter_; }
    bool DockSite() const { return dockSite_; }
    void SetDockSite(bool v) { dockSite_ = v; }
    bool ShowDockClientCaptions() const { return showDockClientCaptions_; }
    void SetShowDockClientCaptions(bool v) { showDockClientCaptions_ = v; }

    // The mouse over a pane that is no dock site goes to the splitter beneath it, as if the pane
    // were not there; the pane's own mouse events never fire then.
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;

protected:
    void VisibleChanged() override;

private:
    TKitSplitter* splitter_;
    bool dockSite_ = false;
    bool showDockClientCaptions_ = true;
};

// The published face of one pane: each property reads and writes the pane's own.
class TKitPaneData {
public:
    explicit TKitPaneData(TKitSplitterPane& pane) : pane_(pane) {}

    TColor BorderColor() const { return pane_.BorderColor(); }
    void SetBorderColor(TColor v) { pane_.SetBorderColor(v); }
    TFrameStyleEx BorderInner() const { return pane_.BorderInner(); }
    void SetBorderInner(TFrameStyleEx v) { pane_.SetBorderInner(v); }
    TFrameStyleEx BorderOuter() const { return pane_.BorderOuter(); }
    void SetBorderOuter(TFrameStyleEx v) { pane_.SetBorderOuter(v); }
    int BorderWidth() const { return pane_.BorderWidth(); }
    void SetBorderWidth(int v) { pane_.SetBorderWidth(v); }
    TColor Color() const { return pane_.Color(); }
    void SetColor(TColor v) { pane_.SetColor(v); }
    TColor FlatColor() const { return pane_.FlatColor(); }
    void SetFlatColor(TColor v) { pane_.SetFlatColor(v); }
    int FlatColorAdjustment() const { return pane_.FlatColorAdjustment(); }
    void SetFlatColorAdjustment(int v) { pane_.SetFlatColorAdjustment(v); }
    bool DockSite() const { return pane_.DockSite(); }
    void SetDockSite(bool v) { pane_.SetDockSite(v); }
    bool ShowDockClientCaptions() const { return pane_.ShowDockClientCaptions(); }
    void SetShowDockClientCaptions(bool v) { pane_.SetShowDockClientCaptions(v); }
    bool Visible() const { return pane_.Visible(); }
    void SetVisible(bool v) { pane_.SetVisible(v); }

private:
    TKitSplitterPane& pane_;
};

class TKitSplitter : public TKitCustomPanel {
public:
    explicit TKitSplitter(ui::TComponent* owner);
    ~TKitSplitter() override;

    // Pane 1 is the upper or left one, pane 2 the lower or right one.
    TKitSplitterPane* Pane1() const { return pane1_; }
    TKitSplitterPane* Pane2() const { return pane2_; }
    TKitPaneData& UpperLeft() { return *upperLeft_; }
    TKitPaneData& LowerRight() { return *lowerRight_; }
    // 1 or 2.
    TKitPaneData& PaneData(int index);

    TOrientation Orientation() const { return orientation_; }
    virtual void SetOrientation(TOrientation v);
    int Position() const { return position_; }
    virtual void SetPosition(int value);
    // As SetPosition, and the new place becomes the one a growing window returns to.
    virtual void ChangePosition(int value);
    int Percent() const { return percent_; }
    // At run time this switches UsePercent on; while loading it only stores the value.
    virtual void SetPercent(int v);
    bool UsePercent() const { return usePercent_; }
    virtual void SetUsePercent(bool v);
    int PercentMin() const { return percentMin_; }
    virtual void SetPercentMin(int v);
    int PercentMax() const { return percentMax_; }
    virtual void SetPercentMax(int v);
    int MarginMin() const { return marginMin_; }
    virtual void SetMarginMin(int v);
    int MarginMax() const { return marginMax_; }
    virtual void SetMarginMax(int v);
    TFixedPane FixedPane() const { return fixedPane_; }
    virtual void SetFixedPane(TFixedPane v);
    int SplitterWidth() const { return splitterWidth_; }
    // 0 to 65535.
    virtual void SetSplitterWidth(int w);
    TSplitterStyle SplitterStyle() const { return splitterStyle_; }
    virtual void SetSplitterStyle(TSplitterStyle v);
    bool RealTimeDrag() const { return realTimeDrag_; }
    void SetRealTimeDrag(bool v) { realTimeDrag_ = v; }
    bool LockBar() const { return lockBar_; }
    void SetLockBar(bool v) { lockBar_ = v; }

    bool HotSpotVisible() const { return hotSpotVisible_; }
    virtual void SetHotSpotVisible(bool v);
    THotSpotDirection HotSpotDirection() const { return hotSpotDirection_; }
    virtual void SetHotSpotDirection(THotSpotDirection v);
    int HotSpotSizePercent() const { return hotSpotSizePercent_; }
    virtual void SetHotSpotSizePercent(int v);
    bool HotSpotIgnoreMargins() const { return hotSpotIgnoreMargins_; }
    void SetHotSpotIgnoreMargins(bool v) { hotSpotIgnoreMargins_ = v; }
    TColor HotSpotColor() const { return hotSpotColor_; }
    void SetHotSpotColor(TColor v) { Store(hotSpotColor_, v); }
    TColor HotSpotDotColor() const { return hotSpotDotColor_; }
    void SetHotSpotDotColor(TColor v) { Store(hotSpotDotColor_, v); }
    TColor HotSpotFrameColor() const { return hotSpotFrameColor_; }
    void SetHotSpotFrameColor(TColor v) { Store(hotSpotFrameColor_, v); }
    TColor HotSpotHighlight() const { return hotSpotHighlight_; }
    virtual void SetHotSpotHighlight(TColor v) { Store(hotSpotHighlight_, v); }
    int GradientColorAdjustment() const { return gradientColorAdjustment_; }
    virtual void SetGradientColorAdjustment(int v) { Store(gradientColorAdjustment_, v); }
    TKitGroupBarGradientPath GradientPath() const { return gradientPath_; }
    virtual void SetGradientPath(TKitGroupBarGradientPath v) { Store(gradientPath_, v); }
    TSelectedPane SelectedPane() const { return selectedPane_; }
    virtual void SetSelectedPane(TSelectedPane v) { selectedPane_ = v; }
    TKitSplitterPane* SelectedPaneControl() const { return selectedPane_ == spLowerRight ? pane2_ : pane1_; }

    // The frame settings relay the panes.
    void SetBorderOuter(TFrameStyleEx v) override;
    void SetBorderInner(TFrameStyleEx v) override;
    void SetBorderSides(TSides v) override;
    void SetBorderWidth(int v);
    void SetTransparent(bool v) override;
    void SetParentColor(bool follow);

    // The bar and the hot spot in client coordinates, and the states a form stores.
    ui::TRect BarSize() const { return barSize_; }
    void SetBarSize(const ui::TRect& r);
    ui::TRect HotSpotRect() const { return hotSpotRect_; }
    bool HotSpotClosed() const { return hotSpotClosed_; }
    bool HotSpotClosedToMin() const { return hotSpotClosedToMin_; }
    bool HotSpotClosedToMax() const { return hotSpotClosedToMax_; }
    int HotSpotPosition() const { return hotSpotPosition_; }
    void SetHotSpotClosedState(bool closed, bool toMin, bool toMax, int position);
    int RestorePosition() const { return restorePosition_; }
    bool Dragging() const { return dragging_; }
    bool HotSpotPressed() const { return hotSpotPressed_; }
    bool HotSpotHighlighted() const { return hotSpotHighlighted_; }

    // The inverted track lines drawn now (client coordinates; empty outside a drag). The splitter's own
    // paint shows them; whoever shows the panes on top draws them over the panes as well.
    std::vector<ui::TRect> TrackLines() const;
    // True between a press on the bar and the end of the drag (the track line's drawing state exists).
    bool TrackDrawingHeld() const { return track_.has_value(); }

    // Reading stored properties: while loading Percent only stores and the panes are not laid out.
    void BeginLoading() { loading_ = true; }
    void Loaded();
    bool Loading() const { return loading_; }

    void LayoutPanes();
    // Relative to the client rectangle's edge the frame sides counted (left and top).
    int FrameWidth() const;
    // A hidden pane that the focus moves into is shown (not while loading); a focused control inside
    // the splitter hands the focus to the splitter first.
    void ShowControl(ui::TControl* control) override;

    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseLeave() override;
    void KeyDown(std::uint16_t& key, ui::TShiftState shift) override;

    std::function<void(ui::TObject* Sender)> OnChange;
    std::function<void(ui::TObject* Sender, int NewPos, bool& AllowChange)> OnChanging;
    std::function<void(ui::TObject* Sender)> OnHotSpotClick;

protected:
    void PaintPanel(ui::Canvas& canvas) override;
    void Resized() override;

    virtual void CheckPosition(int& pos) const;
    virtual void SaveFixedPaneSize();
    virtual void SaveRestorePosition(int pos);
    virtual void UpdateHotSpotRect();
    virtual void DrawSplitter(ui::Canvas& canvas);
    virtual void DrawHotSpot(ui::Canvas& canvas, bool highlight, ui::TPoint mousePos);
    virtual void DoChange();
    virtual bool DoChanging(int newPos);
    virtual void DoHotSpotClick();

private:
    // What the track line is drawn with: an 8 x 8 black and white pattern combined by inversion, so that
    // drawing a rectangle twice erases it. It exists only from the press to the end of the drag.
    struct TrackDrawing {
        ui::BrushPattern pattern;
        std::vector<ui::TRect> drawn;
        TrackDrawing();
        void Invert(const ui::TRect& r);
    };

    // Defined here: the inline setters above call it from every unit that includes this header.
    template <class T>
    bool Store(T& field, T value)
    {
        if (field == value) return false;
        field = value;
        Invalidate();
        return true;
    }
    int Extent() const;
    // extent - SplitterWidth div 2, the base of Percent.
    int PercentBase() const;
    int AxisOf(ui::TPoint p) const { return orientation_ == orHorizontal ? p.X : p.Y; }
    bool BothPanesVisible() const;
    void DrawTrackLine(int pos);
    void EndDrag();
    void HotSpotClick(ui::TPoint at);
    void UpdateHotSpotLook(ui::TPoint mouse, bool repeatBoth);
    void UpdateCursor(ui::TPoint mouse);

    TKitSplitterPane* pane1_ = nullptr;
    TKitSplitterPane* pane2_ = nullptr;
    std::unique_ptr<TKitPaneData> upperLeft_;
    std::unique_ptr<TKitPaneData> lowerRight_;

    TOrientation orientation_ = orHorizontal;
    int position_ = 100;
    int percent_ = 50;
    bool usePercent_ = false;
    int percentMin_ = 0;
    int percentMax_ = 100;
    int marginMin_ = 0;
    int marginMax_ = 0;
    TFixedPane fixedPane_ = fpUpperLeft;
    int splitterWidth_ = 4;
    TSplitterStyle splitterStyle_ = ssStandard;
    bool realTimeDrag_ = false;
    bool lockBar_ = false;
    bool hotSpotVisible_ = false;
    THotSpotDirection hotSpotDirection_ = hsdMin;
    int hotSpotSizePercent_ = 40;
    bool hotSpotIgnoreMargins_ = true;
    TColor hotSpotColor_ = clBtnFace;
    TColor hotSpotDotColor_ = clHighlight;
    TColor hotSpotFrameColor_ = clBtnShadow;
    TColor hotSpotHighlight_ = clWindow;
    int gradientColorAdjustment_ = 30;
    TKitGroupBarGradientPath gradientPath_ = gpTopToBottom;
    TSelectedPane selectedPane_ = spUpperLeft;

    ui::TRect barSize_;
    ui::TRect hotSpotRect_;
    bool hotSpotClosed_ = false;
    bool hotSpotClosedToMin_ = false;
    bool hotSpotClosedToMax_ = false;
    int hotSpotPosition_ = 100;
    bool hotSpotPressed_ = false;
    bool hotSpotHighlighted_ = false;
    ui::TPoint highlightPos_;
    int fixedPaneSize_ = 0;
    int restorePosition_ = 0;
    bool dragging_ = false;
    int dragStartPosition_ = 0;
    int grabOffset_ = 0;
    int trackPosition_ = 0;
    bool resizing_ = false;
    bool loading_ = false;
    std::optional<TrackDrawing> track_;
};
