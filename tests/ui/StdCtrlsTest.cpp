#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/UiTest.h"

namespace {

using namespace ui;

using StdCtrlsTest = testsupport::UiTest;

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
