#include "kit/KitSplit.h"

#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include "tests/support/Pictures.h"

#include <climits>
#include <vector>

using ui::TPoint;
using ui::TRect;

namespace {

TPoint Centre(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

// The two nested splitters of the main window: the outer one stacks the page area over the log, the
// inner one puts the page tree beside the pages.
class KitSplitterTest : public ::testing::Test {
protected:
    KitSplitterTest()
    {
        form->SetBounds(0, 0, 868, 563);
        form->Show();
        outer->SetBounds(0, 0, 868, 563);
        outer->SetOrientation(orVertical);
        outer->SetHotSpotVisible(true);
        outer->SetHotSpotDirection(hsdMax);
        outer->SetSplitterStyle(ssGroove);
        outer->SetSplitterWidth(5);
        outer->ChangePosition(458);

        inner->SetBorderWidth(3);
        inner->SetBorderInner(fsGroove);
        inner->SetBorderSides(sdTop);
        inner->SetHotSpotVisible(true);
        inner->SetSplitterStyle(ssGroove);
        inner->SetSplitterWidth(6);
        inner->SetAlign(ui::alClient);
        inner->ChangePosition(126);
    }

    void Click(TKitSplitter& s, TPoint p)
    {
        driver.MouseDown(s, ui::mbLeft, {}, p.X, p.Y);
        driver.MouseUp(s, ui::mbLeft, {}, p.X, p.Y);
    }

    ui::Canvas Painted(TKitSplitter& s)
    {
        ui::Canvas c(s.Width(), s.Height(), clFuchsia);
        s.PaintTo(c);
        return c;
    }

    ui::ApplicationScope scope;
    ui::Driver driver{scope.App()};
    ui::TForm* form = ui::Create<ui::TForm>(&scope.App(), "formMain");
    TKitSplitter* outer = ui::Create<TKitSplitter>(form, "KitSplitter1", form);
    TKitSplitter* inner = ui::Create<TKitSplitter>(form, "kitCntSpl", outer->Pane1());
};

}  // namespace

// --- layout and position ---

TEST_F(KitSplitterTest, MainWindowSplittersLayOutTheirPanes)
{
    ASSERT_EQ(inner->Width(), 868);
    ASSERT_EQ(inner->Height(), 458);
    EXPECT_EQ(inner->Pane1()->BoundsRect(), ui::Bounds(3, 5, 126, 450));
    EXPECT_EQ(inner->Pane2()->BoundsRect(), ui::Bounds(135, 5, 730, 450));
    EXPECT_EQ(outer->Pane2()->BoundsRect(), ui::Bounds(0, 463, 868, 100));
    // A 40 % hot spot of the 450-pixel bar: 180 pixels centred on it.
    EXPECT_EQ(inner->HotSpotRect(), ui::Rect(129, 140, 135, 320));
}

TEST_F(KitSplitterTest, PercentFollowsThePixelPositionAndSurvivesNoBase)
{
    EXPECT_EQ(outer->Percent(), 82);
    inner->SetPosition(432);  // half of 865
    EXPECT_EQ(inner->Percent(), 50);
    auto* s = ui::Create<TKitSplitter>(form, "S", form);
    s->SetSplitterWidth(4);
    s->SetWidth(2);  // extent - SplitterWidth div 2 = 0
    s->SetPosition(1);
    EXPECT_EQ(s->Percent(), 0);
}

TEST_F(KitSplitterTest, ShrinkingPushesTheBarBackAndGrowingReturnsIt)
{
    form->SetBounds(0, 0, 868, 563);
    inner->SetAlign(ui::alNone);
    inner->SetWidth(300);
    // The upper limit: extent - SplitterWidth - 2 x FrameWidth (3 + 2 on the top side).
    inner->SetWidth(120);
    EXPECT_EQ(inner->Position(), 120 - 6 - 10);
    inner->SetWidth(868);
    EXPECT_EQ(inner->Position(), 126);
}

TEST_F(KitSplitterTest, PercentSetAtRunTimeIsKeptOnResize)
{
    inner->SetPercent(50);
    EXPECT_EQ(inner->Position(), 432);
    inner->SetAlign(ui::alNone);
    inner->SetWidth(403);  // d = 400
    EXPECT_EQ(inner->Position(), 200);
}

TEST_F(KitSplitterTest, PercentWhileLoadingOnlyStores)
{
    auto* s = ui::Create<TKitSplitter>(form, "S", form);
    s->BeginLoading();
    s->SetWidth(868);
    s->SetPosition(126);
    s->SetPercent(15);
    s->Loaded();
    EXPECT_FALSE(s->UsePercent());
    EXPECT_EQ(s->Pane1()->Width(), 126);
}

TEST_F(KitSplitterTest, VetoedChangeLeavesPositionAndLayout)
{
    std::vector<int> asked;
    inner->OnChanging = [&](ui::TObject*, int newPos, bool& allow) {
        asked.push_back(newPos);
        allow = false;
    };
    inner->SetPosition(300);
    EXPECT_EQ(asked, std::vector<int>{300});
    EXPECT_EQ(inner->Pane1()->Width(), 126);
}

TEST_F(KitSplitterTest, MarginsLimitThePositionAndAreNeverNegative)
{
    inner->SetMarginMin(200);
    inner->SetPosition(50);
    EXPECT_EQ(inner->Position(), 200);
    inner->SetMarginMin(-5);
    EXPECT_EQ(inner->MarginMin(), 0);
    inner->SetMarginMax(5000);
    EXPECT_EQ(inner->MarginMax(), 868);
    inner->SetMarginMin(100);
    EXPECT_EQ(inner->MarginMin(), 0);
    inner->SetPercentMax(-50);
    inner->SetUsePercent(true);
    EXPECT_GE(inner->MarginMax(), 0);
    EXPECT_GE(inner->MarginMin(), 0);
}

TEST_F(KitSplitterTest, FarEndPositionOfAHiddenPaneNeverOverflows)
{
    auto* s = ui::Create<TKitSplitter>(form, "S", form);
    s->SetBounds(0, 0, 400, 100);
    s->SetFixedPane(fpLowerRight);
    s->Pane2()->Hide();
    s->SetPosition(INT_MAX);
    EXPECT_LE(s->Position(), 400);
    s->SetWidth(2000);
    s->Pane2()->Show();
    s->SetWidth(50);
    for (TKitSplitterPane* pane : {s->Pane1(), s->Pane2()}) {
        EXPECT_GE(pane->Width(), 0);
        EXPECT_GE(pane->Height(), 0);
    }
    EXPECT_GE(s->Position(), 0);
}

TEST_F(KitSplitterTest, FixedLowerPaneKeepsItsSizeOnResize)
{
    auto* s = ui::Create<TKitSplitter>(form, "S", form);
    s->SetBounds(0, 0, 400, 100);
    s->ChangePosition(300);
    s->SetFixedPane(fpLowerRight);
    s->SetWidth(600);
    EXPECT_EQ(s->Pane2()->Width(), 96);
}

TEST_F(KitSplitterTest, StyleAndHotSpotRaiseTheBarWidth)
{
    auto* s = ui::Create<TKitSplitter>(form, "S", form);
    EXPECT_EQ(s->SplitterWidth(), 4);
    s->SetSplitterStyle(ssBump);
    EXPECT_EQ(s->SplitterWidth(), 6);
    s->SetHotSpotVisible(true);
    EXPECT_EQ(s->SplitterWidth(), 7);
}

// --- hot spot ---

TEST_F(KitSplitterTest, OuterHotSpotClosesTheLogAndReopensIt)
{
    int clicks = 0;
    outer->OnHotSpotClick = [&](ui::TObject*) { ++clicks; };
    Click(*outer, Centre(outer->HotSpotRect()));
    EXPECT_TRUE(outer->HotSpotClosedToMax());
    EXPECT_EQ(outer->Pane2()->Height(), 0);

    Click(*outer, Centre(outer->HotSpotRect()));
    EXPECT_EQ(outer->Position(), 458);
    EXPECT_EQ(clicks, 2);
}

TEST_F(KitSplitterTest, InnerHotSpotClosesThePageTreeToTheLeft)
{
    Click(*inner, Centre(inner->HotSpotRect()));
    EXPECT_TRUE(inner->HotSpotClosedToMin());
    EXPECT_EQ(inner->Pane1()->Width(), 0);
    Click(*inner, Centre(inner->HotSpotRect()));
    EXPECT_EQ(inner->Position(), 126);
}

TEST_F(KitSplitterTest, ClosedHotSpotIgnoresMarginsAndStaysClosedOnResize)
{
    inner->SetMarginMin(50);
    Click(*inner, Centre(inner->HotSpotRect()));
    EXPECT_EQ(inner->Position(), 0);
    form->SetBounds(0, 0, 900, 563);
    outer->SetWidth(900);
    EXPECT_TRUE(inner->HotSpotClosed());
}

TEST_F(KitSplitterTest, DraggingAClosedBarOpensIt)
{
    Click(*outer, Centre(outer->HotSpotRect()));
    const TPoint p = Centre(outer->HotSpotRect());
    driver.MouseDown(*outer, ui::mbLeft, {}, p.X, p.Y);
    driver.MouseMove(*outer, {}, p.X, p.Y - 100);
    driver.MouseUp(*outer, ui::mbLeft, {}, p.X, p.Y - 100);
    EXPECT_FALSE(outer->HotSpotClosed());
    EXPECT_EQ(outer->Position(), 458);
}

TEST_F(KitSplitterTest, BothWaysHotSpotClosesTowardsTheHalfClicked)
{
    outer->SetHotSpotDirection(hsdBoth);
    const TRect hs = outer->HotSpotRect();
    Click(*outer, {hs.Left + 10, hs.Top + 2});
    EXPECT_EQ(outer->Position(), 0);
    Click(*outer, Centre(outer->HotSpotRect()));
    EXPECT_EQ(outer->Position(), 458);
    Click(*outer, {hs.Right - 10, hs.Top + 2});
    EXPECT_EQ(outer->Position(), 558);
}

TEST_F(KitSplitterTest, LockedBarOnlyAnswersTheHotSpot)
{
    outer->SetLockBar(true);
    const TRect bar = outer->BarSize();
    driver.MouseMove(*outer, {}, bar.Left + 5, bar.Top + 1);
    EXPECT_EQ(outer->Cursor(), ui::crDefault);
    driver.MouseDown(*outer, ui::mbLeft, {}, bar.Left + 5, bar.Top + 1);
    driver.MouseMove(*outer, {}, bar.Left + 5, bar.Top - 50);
    driver.MouseUp(*outer, ui::mbLeft, {}, bar.Left + 5, bar.Top - 50);
    EXPECT_EQ(outer->Position(), 458);
    Click(*outer, Centre(outer->HotSpotRect()));
    EXPECT_EQ(outer->Position(), 558);
}

TEST_F(KitSplitterTest, CursorAndHighlightFollowTheMouse)
{
    const TRect bar = outer->BarSize();
    driver.MouseMove(*outer, {}, bar.Left + 5, bar.Top + 1);
    EXPECT_EQ(outer->Cursor(), crKitSplitVert);
    driver.MouseMove(*outer, {}, Centre(outer->HotSpotRect()).X, bar.Top + 1);
    EXPECT_EQ(outer->Cursor(), crKitSplitHotSpot);
    EXPECT_TRUE(outer->HotSpotHighlighted());
    driver.MouseLeave(*outer);
    EXPECT_FALSE(outer->HotSpotHighlighted());
    // An empty pane is not there for the mouse: the splitter beneath it takes the move and the press.
    driver.MouseMove(*outer, {}, Centre(outer->HotSpotRect()).X, bar.Top + 1);
    int pressedAt = -1;
    outer->OnMouseDown = [&](ui::TObject*, ui::TMouseButton, ui::TShiftState, int, int y) { pressedAt = y; };
    driver.MouseMove(*outer->Pane2(), {}, 5, 5);
    EXPECT_FALSE(outer->HotSpotHighlighted());
    EXPECT_EQ(outer->Cursor(), ui::crDefault);
    driver.MouseDown(*outer->Pane2(), ui::mbLeft, {}, 5, 5);
    EXPECT_EQ(pressedAt, outer->Pane2()->Top() + 5);
}

TEST_F(KitSplitterTest, FocusMovingIntoAHiddenPaneShowsIt)
{
    auto* edit = ui::Create<ui::TEdit>(form, "Edit", outer->Pane2());
    outer->Pane2()->Hide();
    edit->SetFocus();
    EXPECT_TRUE(outer->Pane2()->Visible());
    EXPECT_TRUE(edit->Focused());
}

// --- dragging ---

TEST_F(KitSplitterTest, DragShowsATrackLineAndCommitsOnRelease)
{
    const TRect bar = inner->BarSize();
    driver.MouseDown(*inner, ui::mbLeft, {}, bar.Left + 2, bar.Top + 10);
    EXPECT_TRUE(inner->Focused());
    EXPECT_EQ(inner->TrackLines(), std::vector<TRect>{bar});
    driver.MouseMove(*inner, {}, bar.Left + 42, bar.Top + 10);
    EXPECT_EQ(inner->TrackLines(), std::vector<TRect>{bar.Offset(40, 0)});
    EXPECT_EQ(inner->Position(), 126);  // the panes stay until the release
    driver.MouseUp(*inner, ui::mbLeft, {}, bar.Left + 42, bar.Top + 10);
    EXPECT_EQ(inner->Position(), 166);
    EXPECT_TRUE(inner->TrackLines().empty());
}

TEST_F(KitSplitterTest, RealTimeDragMovesThePanesAtOnce)
{
    inner->SetRealTimeDrag(true);
    const TRect bar = inner->BarSize();
    driver.MouseDown(*inner, ui::mbLeft, {}, bar.Left + 2, bar.Top + 10);
    EXPECT_FALSE(inner->TrackDrawingHeld());
    driver.MouseMove(*inner, {}, bar.Left + 22, bar.Top + 10);
    EXPECT_EQ(inner->Pane1()->Width(), 146);
}

TEST_F(KitSplitterTest, EscEndsTheDragCompletely)
{
    const TRect bar = inner->BarSize();
    driver.MouseDown(*inner, ui::mbLeft, {}, bar.Left + 2, bar.Top + 10);
    driver.MouseMove(*inner, {}, bar.Left + 52, bar.Top + 10);
    driver.PressKey(*inner, ui::VK_ESCAPE);
    EXPECT_FALSE(inner->Dragging());
    EXPECT_TRUE(inner->TrackLines().empty());
    // What the mouse does until its release belongs to no drag.
    driver.MouseMove(*inner, {}, bar.Left + 80, bar.Top + 10);
    EXPECT_TRUE(inner->TrackLines().empty());
    driver.MouseUp(*inner, ui::mbLeft, {}, bar.Left + 80, bar.Top + 10);
    EXPECT_EQ(inner->Position(), 126);
    EXPECT_FALSE(inner->TrackDrawingHeld());
}

TEST_F(KitSplitterTest, EscDuringAHotSpotPressCancelsTheClick)
{
    int clicks = 0;
    outer->OnHotSpotClick = [&](ui::TObject*) { ++clicks; };
    const TPoint p = Centre(outer->HotSpotRect());
    driver.MouseDown(*outer, ui::mbLeft, {}, p.X, p.Y);
    driver.PressKey(*outer, ui::VK_ESCAPE);
    EXPECT_FALSE(outer->HotSpotPressed());
    driver.MouseUp(*outer, ui::mbLeft, {}, p.X, p.Y);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(outer->Position(), 458);
}

// --- painting ---

TEST_F(KitSplitterTest, HotSpotHasFiftyGripDotsEveryThreePixels)
{
    const ui::Canvas c = Painted(*inner);
    const TRect hs = inner->HotSpotRect();
    const int x = (hs.Left + hs.Right) / 2;
    const TColor dot = ui::ResolveColor(clHighlight);
    std::vector<int> found;
    for (int y = hs.Top + 12; y < hs.Bottom - 12; ++y)
        if (c.pixel(x, y) == dot) found.push_back(y - hs.Top);
    std::vector<int> expected;
    for (int i = 0; i < 50; ++i) expected.push_back(15 + 3 * i);
    EXPECT_EQ(found, expected);
    // The frame of the hot spot and its arrows.
    EXPECT_EQ(c.pixel(hs.Left, hs.Top + 50), ui::ResolveColor(clBtnShadow));
    EXPECT_EQ(c.pixel(x, hs.Top + 8), dot);
}

TEST_F(KitSplitterTest, GrooveBarHasTwoEtchedStrips)
{
    inner->SetHotSpotVisible(false);
    const ui::Canvas c = Painted(*inner);
    const TRect bar = inner->BarSize();
    const int y = bar.Top + 20;
    EXPECT_EQ(c.pixel(bar.Left + 2, y), ui::ResolveColor(clBtnHighlight));
    EXPECT_EQ(c.pixel(bar.Left + 3, y), ui::ResolveColor(clBtnShadow));
}

TEST_F(KitSplitterTest, TrackLineInvertsTheBarItCovers)
{
    inner->SetHotSpotVisible(false);
    const TRect bar = inner->BarSize();
    const ui::Canvas before = Painted(*inner);
    driver.MouseDown(*inner, ui::mbLeft, {}, bar.Left + 2, bar.Top + 10);
    const ui::Canvas during = Painted(*inner);
    int changed = 0;
    for (int y = bar.Top; y < bar.Bottom; ++y)
        for (int x = bar.Left; x < bar.Right; ++x) changed += before.pixel(x, y) != during.pixel(x, y) ? 1 : 0;
    EXPECT_EQ(changed, bar.Width() * bar.Height() / 2);
    driver.PressKey(*inner, ui::VK_ESCAPE);
    EXPECT_EQ(Painted(*inner).bitmap(), before.bitmap());
}

TEST_F(KitSplitterTest, Pictures)
{
    outer->Pane2()->SetColor(clWindow);
    inner->Pane2()->SetColor(clWhite);
    testsupport::SavePicture(Painted(*inner).bitmap(), "KitSplitter_inner");
    testsupport::SavePicture(Painted(*outer).bitmap(), "KitSplitter_outer");
    outer->SetHotSpotDirection(hsdBoth);
    driver.MouseMove(*outer, {}, Centre(outer->HotSpotRect()).X - 20, outer->BarSize().Top + 2);
    ui::Canvas bar(outer->Width(), 15, clFuchsia);
    bar.setOrigin({0, -(outer->BarSize().Top - 5)});
    outer->PaintTo(bar);
    testsupport::SavePicture(bar.bitmap(), "KitSplitter_hotspot_both");
}
