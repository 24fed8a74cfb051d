#include "ui/Layout.h"

#include <gtest/gtest.h>

#include "tests/support/UiTest.h"
#include "ui/StdCtrls.h"

namespace {

using namespace ui;

class LayoutTest : public testsupport::UiTest {
protected:
    template <class T = TLabel>
    T* Make(TWinControl* parent, const std::string& name, const std::string& caption = "")
    {
        auto* control = Create<T>(form, name, parent);
        if (!caption.empty()) control->SetCaption(caption);
        return control;
    }
};

// How the window layouts fit their captions and keep clear of each other is held by the window layout
// tests over every page.
TEST_F(LayoutTest, HiddenControlsLeaveNoGapShownOnesGetTheirPlaceBackAndOverlapsCountOnlyShownOnes)
{
    auto* box = Make<TGroupBox>(form, "GroupBox6");
    auto* label = Make(box, "lbARazd", "Номер раздела");
    auto* section = Make<TComboBox>(box, "cbARazd");
    auto* last = Make<TCheckBox>(box, "cbAltsect");
    auto* below = Make<TGroupBox>(form, "KitGroupBox1");
    Layout::Rows(*box, {{nullptr, Make<TCheckBox>(box, "cbIARazd")}, {label, section}, {nullptr, last}});
    Layout::Columns(*form, {{box, below}});
    const int lastTop = last->Top();
    const int belowTop = below->Top();

    label->Hide();
    section->Hide();
    EXPECT_EQ(last->Top(), section->Top());
    EXPECT_LT(below->Top(), belowTop) << "the box took the height of what it still shows";
    box->Hide();
    EXPECT_EQ(below->Top(), box->Top());
    box->Show();
    label->Show();
    section->Show();
    EXPECT_EQ(std::pair(last->Top(), below->Top()), std::pair(lastTop, belowTop));
    // The overlap check the window layouts are held to ignores hidden controls.
    Make<TEdit>(box, "a")->SetBounds(0, 0, 50, 20);
    auto* b = Make<TEdit>(box, "b");
    b->SetBounds(40, 10, 50, 20);
    EXPECT_TRUE(Layout::HasOverlap(*box));
    b->Hide();
    EXPECT_FALSE(Layout::HasOverlap(*box));
}

}  // namespace
