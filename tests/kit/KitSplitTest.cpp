// The splitter's position logic, the pane that stays fixed, the hot spot and the dragging of the bar, on
// the two nested splitters of the main window at its size. Its looks are held
// by KitPicturesTest.
#include "KitStage.h"

#include <climits>

using ui::TPoint;
using ui::TRect;

namespace {

TPoint Centre(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

class KitSplitterTest : public KitTest {
protected:
    void HotSpotClick(TKitSplitter& s) { Click(s, Centre(s.HotSpotRect()).X, Centre(s.HotSpotRect()).Y); }
    // Presses on the bar `from`, moves `by` along the axis and, unless told not to, releases there.
    void Drag(TKitSplitter& s, TPoint from, int by, bool release = true)
    {
        user.MouseDown(s, ui::mbLeft, {}, from.X, from.Y);
        const TPoint to = s.Orientation() == orHorizontal ? TPoint{from.X + by, from.Y} : TPoint{from.X, from.Y + by};
        user.MouseMove(s, {ui::ssLeft}, to.X, to.Y);
        if (release) user.MouseUp(s, ui::mbLeft, {}, to.X, to.Y);
    }
    TPoint OnInnerBar() const { return {inner->BarSize().Left + 2, inner->BarSize().Top + 10}; }

    std::pair<TKitSplitter*, TKitSplitter*> splitters = MainWindowSplitters(868, 563, 458, 126);
    TKitSplitter* outer = splitters.first;
    TKitSplitter* inner = splitters.second;
};

}  // namespace

// --- position ---

TEST_F(KitSplitterTest, AFixedLowerPaneKeepsItsSizeAHiddenPaneNeverOverflowsAndTheFocusShowsIt)
{
    auto* s = Make<TKitSplitter>(400, 100);
    s->ChangePosition(300);
    s->SetFixedPane(fpLowerRight);
    for (const int width : {600, 300}) {
        s->SetWidth(width);
        EXPECT_EQ(s->Pane2()->Width(), 96) << width;
    }
    s->Pane2()->Hide();
    s->SetPosition(INT_MAX);
    EXPECT_LE(s->Position(), 300);
    s->SetWidth(2000);
    s->Pane2()->Show();
    s->SetWidth(50);
    EXPECT_GE(std::min({s->Position(), s->Pane1()->Width(), s->Pane2()->Width()}), 0);
    // The focus moving into a hidden pane shows it.
    auto* edit = Make<ui::TEdit>(50, 21, s->Pane2());
    s->Pane2()->Hide();
    edit->SetFocus();
    EXPECT_TRUE(s->Pane2()->Visible() && edit->Focused());
}

// --- hot spot ---

TEST_F(KitSplitterTest, HotSpotsCloseTheirPaneAndAClickOrADragReopensIt)
{
    HotSpotClick(*outer);
    EXPECT_EQ(std::pair(outer->HotSpotClosedToMax(), outer->Pane2()->Height()), std::pair(true, 0));  // the log is closed
    Drag(*outer, Centre(outer->HotSpotRect()), -100);  // dragging the closed bar opens it where it was
    EXPECT_EQ(std::pair(outer->HotSpotClosed(), outer->Position()), std::pair(false, 458));
    HotSpotClick(*inner);  // the page tree closes to the left and stays closed on resize
    outer->SetWidth(900);
    EXPECT_EQ(std::tuple(inner->HotSpotClosedToMin(), inner->Position(), inner->Pane1()->Width()), std::tuple(true, 0, 0));
    HotSpotClick(*inner);
    EXPECT_EQ(inner->Position(), 126);
    outer->SetHotSpotDirection(hsdBoth);  // left half, anywhere (it opens again), right half
    for (const auto& [side, position] : std::vector<std::pair<int, int>>{{-1, 0}, {0, 458}, {1, 558}}) {
        const TRect hs = outer->HotSpotRect();
        Click(*outer, side < 0 ? hs.Left + 10 : side > 0 ? hs.Right - 10 : Centre(hs).X, hs.Top + 2);
        EXPECT_EQ(outer->Position(), position) << side;
    }
}

// --- dragging ---

TEST_F(KitSplitterTest, ADragShowsATrackLineAndCommitsOnRelease)
{
    int changes = 0;
    inner->OnChange = [&](ui::TObject*) { ++changes; };
    const TRect bar = inner->BarSize();
    Drag(*inner, OnInnerBar(), 40, false);
    EXPECT_TRUE(inner->Focused());  // the track line and the panes staying until the release are in the drag picture
    user.MouseUp(*inner, ui::mbLeft, {}, bar.Left + 42, bar.Top + 10);
    EXPECT_EQ(std::tuple(inner->Position(), changes, inner->TrackLines().empty()), std::tuple(166, 1, true));
    inner->SetAlign(ui::alNone);
    inner->SetWidth(150);
    inner->SetWidth(868);
    EXPECT_EQ(inner->Position(), 166) << "the dragged place is the one a growing window returns to";
}

TEST_F(KitSplitterTest, EscEndsTheDragAndTheHotSpotPressCompletely)
{
    const TRect bar = inner->BarSize();
    Drag(*inner, OnInnerBar(), 50, false);
    user.PressKey(*inner, ui::VK_ESCAPE);
    EXPECT_EQ(std::pair(inner->Dragging(), inner->TrackLines().empty()), std::pair(false, true));
    user.MouseMove(*inner, {ui::ssLeft}, bar.Left + 80, bar.Top + 10);  // belongs to no drag
    EXPECT_TRUE(inner->TrackLines().empty());
    user.MouseUp(*inner, ui::mbLeft, {}, bar.Left + 80, bar.Top + 10);
    EXPECT_EQ(std::pair(inner->Position(), inner->TrackDrawingHeld()), std::pair(126, false));
    const TPoint p = Centre(outer->HotSpotRect());
    user.MouseDown(*outer, ui::mbLeft, {}, p.X, p.Y);
    user.PressKey(*outer, ui::VK_ESCAPE);
    EXPECT_FALSE(outer->HotSpotPressed());
    user.MouseUp(*outer, ui::mbLeft, {}, p.X, p.Y);
    EXPECT_EQ(outer->Position(), 458);
}
