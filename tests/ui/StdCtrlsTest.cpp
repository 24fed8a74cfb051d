#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/UiTest.h"

namespace {

using namespace ui;

using StdCtrlsTest = testsupport::UiTest;

TEST_F(StdCtrlsTest, RadioButtonsAreExclusiveWithinTheirParentAndClickWhenSelected)
{
    auto* panel1 = Create<TGroupBox>(form, "p1", form);
    auto* panel2 = Create<TGroupBox>(form, "p2", form);
    auto* andLink = Create<TRadioButton>(form, "rb1", panel1);
    auto* orLink = Create<TRadioButton>(form, "rb2", panel1);
    auto* elsewhere = Create<TRadioButton>(form, "rb3", panel2);
    std::vector<std::string> clicks;
    for (TRadioButton* rb : {andLink, orLink, elsewhere})
        rb->OnClick = [&clicks](TObject* s) { clicks.push_back(static_cast<TRadioButton*>(s)->Name()); };
    orLink->SetChecked(true);
    elsewhere->SetChecked(true);
    andLink->SetChecked(true);
    EXPECT_FALSE(orLink->Checked());
    EXPECT_TRUE(elsewhere->Checked());
    andLink->SetChecked(true);   // already selected: nothing
    andLink->SetChecked(false);  // cleared: no click
    EXPECT_EQ(clicks, (std::vector<std::string>{"rb2", "rb3", "rb1"}));
}

TEST_F(StdCtrlsTest, TextFromCodeFiresOnChangeOnlyWhenItChangesAndSettles)
{
    auto* edit = Create<TEdit>(form, "zadav", form);
    int changes = 0;
    edit->OnChange = [&](TObject*) {
        ++changes;
        if (edit->Text().size() > 2) edit->SetText("63");
    };
    edit->SetText("50");
    edit->SetText("50");
    edit->Clear();
    EXPECT_EQ(changes, 2);
    edit->SetText("700");
    EXPECT_EQ(edit->Text(), "63");
    // Cyrillic compares and folds as the program's lists and names need.
    EXPECT_EQ(UpperCase("ёжик џ w"), "ЁЖИК Џ W");
    EXPECT_TRUE(SameText("Панель", "пАНЕЛЬ"));
    TStringList list;
    list.Add("COM1");
    EXPECT_THROW(list[1], std::out_of_range);
}

}  // namespace
