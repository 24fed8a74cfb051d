// Panels: the enable memory, the far edge an aligned panel keeps and the repaints a look change asks for.
// Their looks, and the room they leave their children, are held by KitPicturesTest.
#include "KitStage.h"

#include "ui/ExtCtrls.h"

namespace {

class KitPanelTest : public KitTest {
protected:
    std::vector<bool> Enabled(const std::vector<ui::TControl*>& controls) const
    {
        std::vector<bool> states;
        for (const ui::TControl* c : controls) states.push_back(c->Enabled());
        return states;
    }

    TKitPanel* panel = Make<TKitPanel>(100, 60);
};

using Flags = std::vector<bool>;

}  // namespace

TEST_F(KitPanelTest, EnablingBringsBackExactlyTheChildrenThatWereEnabled)
{
    auto* a = Make<ui::TCustomControl>(5, 5, panel);
    auto* b = Make<ui::TCustomControl>(5, 5, panel);
    auto* freed = Make<ui::TCustomControl>(5, 5, panel);
    auto* inner = Make<TKitPanel>(20, 20, panel);
    auto* x = Make<ui::TCustomControl>(5, 5, inner);
    auto* y = Make<ui::TCustomControl>(5, 5, inner);
    auto* away = Make<ui::TCustomControl>(5, 5, panel);
    b->SetEnabled(false);
    y->SetEnabled(false);
    away->SetEnabled(false);
    panel->SetEnabled(false);
    EXPECT_EQ(Enabled({a, b, inner, x, y}), (Flags{false, false, false, false, false}));
    ui::Free(freed);
    auto* newcomer = Make<ui::TCustomControl>(5, 5, panel);  // came while disabled: comes back enabled
    newcomer->SetEnabled(false);
    away->SetParent(Make<ui::TPanel>(10, 10));  // left and came back: a newcomer too
    away->SetParent(panel);
    panel->SetEnabled(true);
    EXPECT_EQ(Enabled({a, b, inner, x, y, newcomer, away}), (Flags{true, false, true, true, false, true, true}));
    a->SetEnabled(false);
    panel->SetEnabled(true);  // enabling an enabled panel changes nothing
    EXPECT_FALSE(a->Enabled());
}

TEST_F(KitPanelTest, BottomAndRightAlignedPanelsKeepTheirFarEdge)
{
    auto loose = ui::MakeUnowned<TKitPanel>("Loose");
    loose->SetBounds(10, 100, 200, 39);
    loose->SetAlign(ui::alBottom);
    loose->SetHeight(49);
    EXPECT_EQ(loose->BoundsRect(), ui::Rect(10, 90, 210, 139));
    loose->SetAlign(ui::alRight);
    loose->SetWidth(180);
    EXPECT_EQ(loose->BoundsRect(), ui::Rect(30, 90, 210, 139));
    panel->SetAlign(ui::alBottom);  // inside a parent the alignment itself keeps the edge
    panel->SetHeight(49);
    EXPECT_EQ(panel->Top(), form->ClientHeight() - 49);
}

TEST_F(KitPanelTest, LookChangesRepaintTheTransparentChildrenAndOnPaintFollows)
{
    auto* glass = Make<TKitPanel>(10, 10, panel);
    glass->SetTransparent(true);
    auto* solid = Make<TKitPanel>(10, 10, panel);
    auto* picture = Make<ui::TImage>(10, 10, panel);
    picture->SetTransparent(true);
    paints.clear();
    panel->SetGradientColorStart(clRed);
    panel->SetGradientColorStart(clRed);  // no change, no repaint
    panel->SetGradientDirection(gdVerticalBox);
    EXPECT_EQ((std::vector{paints[glass], paints[picture], paints[solid], paints[panel]}), (std::vector{2, 2, 0, 2}));
    panel->SetTransparent(true);  // every child
    EXPECT_EQ(paints[solid], 1);
    panel->OnPaint = [&](ui::TObject* sender) { static_cast<TKitPanel*>(sender)->PaintCanvas()->setPixel(10, 10, clRed); };
    ui::Canvas c(100, 60);
    panel->PaintTo(c);
    EXPECT_EQ(c.pixel(10, 10), clRed);
}

TEST_F(KitPanelTest, AFrameControllerLinkLastsAsLongAsBoth)
{
    auto* controller = ui::Create<TKitFrameController>(form, "FC");
    auto* second = ui::Create<TKitFrameController>(form, "FC2");
    controller->SetColor(clAqua);
    panel->SetFrameController(controller);
    EXPECT_EQ(panel->Color(), clAqua);
    panel->SetFrameController(second);
    EXPECT_EQ(controller->ControlCount(), 0);
    panel->SetFrameController(controller);
    ui::Free(panel);
    EXPECT_EQ(controller->ControlCount(), 0);
    auto* another = Make<TKitPanel>(10, 10);
    another->SetFrameController(second);
    ui::Free(second);
    EXPECT_EQ(another->FrameController(), nullptr);
}
