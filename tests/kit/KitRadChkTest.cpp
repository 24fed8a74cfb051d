// The kit's radio buttons of the common page: one checked per parent, clicks only when checked, the keys
// and the tab stop. Their looks are held by KitPicturesTest.
#include "KitStage.h"

#include <type_traits>

// The page routines store and default ui::TRadioButton (and other button controls) only; the kit's radio
// button must never be taken for one.
static_assert(!std::is_base_of_v<ui::TButtonControl, TKitRadioButton>);
static_assert(!std::is_base_of_v<ui::TRadioButton, TKitRadioButton>);

namespace {

class KitRadioButtonTest : public KitTest {
protected:
    KitRadioButtonTest()
    {
        for (int i = 0; i < 3; ++i) {
            radio[i] = Make<TKitRadioButton>(280, 17, box);
            radio[i]->SetBounds(8, 8 + 20 * i, 280, 17);
            radio[i]->OnClick = [this, i](ui::TObject*) { clicks.push_back(i + 1); };
        }
    }

    std::vector<bool> Checked() const { return {radio[0]->Checked(), radio[1]->Checked(), radio[2]->Checked()}; }

    ui::TEdit* edit = Make<ui::TEdit>(100, 21);
    TKitGroupBox* box = Make<TKitGroupBox>(300, 100);
    TKitRadioButton* radio[3] = {};
    std::vector<int> clicks;
};

using Flags = std::vector<bool>;

}  // namespace

TEST_F(KitRadioButtonTest, CheckingOneUnchecksItsSiblingsAndOnlyItClicks)
{
    EXPECT_FALSE(radio[0]->TabStop() || radio[1]->TabStop() || radio[2]->TabStop());
    radio[0]->SetChecked(true);
    radio[2]->SetChecked(true);
    radio[2]->SetChecked(true);
    EXPECT_EQ(Checked(), (Flags{false, false, true}));
    EXPECT_TRUE(radio[2]->TabStop() && !radio[0]->TabStop()) << "only the checked button is a tab stop";
    EXPECT_EQ(clicks, (std::vector<int>{1, 3}));
    radio[2]->SetChecked(false);
    EXPECT_EQ(Checked(), (Flags{false, false, false}));
}

TEST_F(KitRadioButtonTest, AMousePressChecksOnlyOnAReleaseInsideAndKeysCheckByTabbingIn)
{
    Press(*radio[1], 5, 5);
    EXPECT_TRUE(radio[1]->Focused());
    EXPECT_TRUE(radio[1]->MouseDownInProgress());
    EXPECT_EQ(Checked(), (Flags{false, false, false}));
    user.MouseMove(*radio[1], {ui::ssLeft}, 300, 5);
    Release(*radio[1], 300, 5);
    EXPECT_EQ(Checked(), (Flags{false, false, false}));
    Click(*radio[1], 5, 5);
    Click(*radio[1], 5, 5);  // the checked button clicks no more
    EXPECT_EQ(Checked(), (Flags{false, true, false}));
    EXPECT_EQ(clicks, std::vector<int>{2});
    // Tabbing in checks, the arrow keys move round the group and check, the space bar does nothing.
    user.Focus(*radio[2]);
    EXPECT_EQ(Checked(), (Flags{false, false, true}));
    user.PressKey(*radio[2], ui::VK_DOWN);
    EXPECT_EQ(clicks, (std::vector<int>{2, 3, 1}));
    user.Focus(*edit);
    clicks.clear();
    user.PressKey(*radio[1], ui::VK_SPACE);
    user.ReleaseKey(*radio[1], ui::VK_SPACE);
    EXPECT_FALSE(radio[1]->Checked());
    EXPECT_TRUE(clicks.empty());
}
