// Panels and group boxes remember which children were enabled when they themselves were disabled. Their
// looks, and the room they leave their children, are held by KitPicturesTest.
#include "KitStage.h"

#include "ui/ExtCtrls.h"

TEST_F(KitTest, EnablingAPanelBringsBackExactlyTheChildrenThatWereEnabled)
{
    using Flags = std::vector<bool>;
    const auto enabled = [](const std::vector<ui::TControl*>& controls) {
        Flags states;
        for (const ui::TControl* c : controls) states.push_back(c->Enabled());
        return states;
    };
    auto* panel = Make<TKitPanel>(100, 60);
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
    EXPECT_EQ(enabled({a, b, inner, x, y}), (Flags{false, false, false, false, false}));
    ui::Free(freed);
    auto* newcomer = Make<ui::TCustomControl>(5, 5, panel);  // came while disabled: comes back enabled
    newcomer->SetEnabled(false);
    away->SetParent(Make<ui::TPanel>(10, 10));  // left and came back: a newcomer too
    away->SetParent(panel);
    panel->SetEnabled(true);
    EXPECT_EQ(enabled({a, b, inner, x, y, newcomer, away}), (Flags{true, false, true, true, false, true, true}));
    a->SetEnabled(false);
    panel->SetEnabled(true);  // enabling an enabled panel changes nothing
    EXPECT_FALSE(a->Enabled());
}
