#include "ui/Component.h"

#include <gtest/gtest.h>

#include "tests/support/UiTest.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

namespace {

using namespace ui;

using ComponentTest = testsupport::UiTest;

TEST_F(ComponentTest, ComponentsKeepCreationOrderUniqueNamesAndTheirParentsList)
{
    auto* box = Create<TGroupBox>(form, "Box", form);
    auto* a = Create<TEdit>(form, "etO", box);
    auto* b = Create<TCheckBox>(form, "cbTamper", box);
    EXPECT_EQ(b->ComponentIndex(), 2);
    EXPECT_EQ(form->FindComponent("ETO"), a);
    EXPECT_TRUE(SameText("Панель", "пАНЕЛЬ")) << "Cyrillic names compare without case too";
    EXPECT_THROW(Create<TEdit>(form, "ETO", box), std::invalid_argument);
    EXPECT_THROW(Create<TTimer>(form, "t", form), std::invalid_argument) << "a timer takes no parent";
    EXPECT_EQ(form->ComponentCount(), 3) << "nothing refused is left behind";
    Free(a);
    EXPECT_EQ(form->Components(1), b);
    ASSERT_EQ(box->ControlCount(), 1);
    EXPECT_EQ(box->Controls(0), b);
    std::unique_ptr<TCheckBox> rowBox = MakeUnowned<TCheckBox>("", box);  // owned elsewhere
    Free(box);
    EXPECT_EQ(rowBox->Parent(), nullptr) << "outlives its parent, detached";
}

}  // namespace
