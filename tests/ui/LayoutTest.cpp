#include "ui/Layout.h"

#include <gtest/gtest.h>

#include "ui/Application.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace {

using namespace ui;

class LayoutTest : public ::testing::Test {
protected:
    ApplicationScope scope;
    TForm* page = Create<TForm>(&scope.App(), "formGPRS");

    TLabel* Label(TWinControl* parent, const std::string& name, const std::string& caption)
    {
        auto* label = Create<TLabel>(page, name, parent);
        label->SetCaption(caption);
        return label;
    }
};

TEST_F(LayoutTest, LabelledRowsInAGroupBoxDoNotOverlapAndTheBoxGrowsToHoldThem)
{
    auto* box = Create<TGroupBox>(page, "GroupBox3", page);
    box->SetBounds(0, 0, 50, 20);
    auto* phone = Create<TEdit>(page, "etSIM1Phone", box);
    auto* addr = Create<TEdit>(page, "etSIM1ADDR", box);
    auto* wide = Create<TMemo>(page, "memo", box);
    auto* flag = Create<TCheckBox>(page, "CheckBox1", box);
    Layout::Rows(*box, {{Label(box, "l1", "Номер телефона GPRS"), phone},
                        {Label(box, "l2", "Точка доступа GPRS"), addr},
                        {Label(box, "l3", "Заметки"), wide},
                        {nullptr, flag}});
    EXPECT_FALSE(Layout::HasOverlap(*box));
    EXPECT_EQ(phone->Left(), addr->Left());
    EXPECT_GT(addr->Top(), phone->Top());
    EXPECT_GE(phone->Top(), box->AlignRect().Top);  // below the caption
    for (int i = 0; i < box->ControlCount(); ++i) {
        const TRect r = box->Controls(i)->BoundsRect();
        EXPECT_LE(r.Right, box->Width());
        EXPECT_LE(r.Bottom, box->Height());
    }
}

TEST_F(LayoutTest, GroupBoxesInColumnsDoNotOverlap)
{
    std::vector<TControl*> left;
    std::vector<TControl*> right;
    for (int i = 0; i < 3; ++i) {
        auto* box = Create<TGroupBox>(page, "L" + std::to_string(i), page);
        box->SetHeight(60 + 10 * i);
        left.push_back(box);
        auto* other = Create<TGroupBox>(page, "R" + std::to_string(i), page);
        other->SetWidth(100 + 50 * i);
        right.push_back(other);
    }
    page->SetBounds(0, 0, 10, 10);
    Layout::Columns(*page, {left, right});
    EXPECT_FALSE(Layout::HasOverlap(*page));
    EXPECT_EQ(right[0]->Width(), 200);  // a column is as wide as its widest box
    EXPECT_GE(page->Width(), right[0]->Left() + 200);
    EXPECT_GE(page->Height(), left[2]->Top() + left[2]->Height());
}

TEST_F(LayoutTest, OverlapCheckSeesOverlapsAndIgnoresHiddenControls)
{
    auto* a = Create<TEdit>(page, "a", page);
    auto* b = Create<TEdit>(page, "b", page);
    a->SetBounds(0, 0, 50, 20);
    b->SetBounds(40, 10, 50, 20);
    EXPECT_TRUE(Layout::HasOverlap(*page));
    b->Hide();
    EXPECT_FALSE(Layout::HasOverlap(*page));
}

}  // namespace
