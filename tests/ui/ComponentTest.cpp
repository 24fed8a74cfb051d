#include "ui/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/Application.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace {

using namespace ui;

// Records its own destruction so that tests can see the order.
class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::vector<std::string>* log) : TComponent(owner), log_(log) {}
    ~Probe() override { log_->push_back(Name()); }

private:
    std::vector<std::string>* log_;
};

TEST(ComponentOwnership, ComponentsKeepCreationOrderAndFindIgnoresCase)
{
    ApplicationScope scope;
    TForm* form = Create<TForm>(&scope.App(), "FormCommon");
    auto* a = Create<TEdit>(form, "etO", form);
    auto* b = Create<TCheckBox>(form, "cbTamper", form);
    auto* c = Create<TLabel>(form, "Label1", form);
    ASSERT_EQ(form->ComponentCount(), 3);
    EXPECT_EQ(form->Components(0), a);
    EXPECT_EQ(form->Components(1), b);
    EXPECT_EQ(form->Components(2), c);
    EXPECT_EQ(b->ComponentIndex(), 1);
    EXPECT_EQ(form->FindComponent("ETO"), a);
    EXPECT_EQ(form->FindComponent("missing"), nullptr);
    EXPECT_THROW(form->Components(3), std::out_of_range);
}

TEST(ComponentOwnership, DuplicateNameInOneOwnerIsRefusedAndNothingIsLeftBehind)
{
    ApplicationScope scope;
    TForm* form = Create<TForm>(&scope.App(), "F");
    Create<TEdit>(form, "etO", form);
    EXPECT_THROW(Create<TEdit>(form, "ETO", form), std::invalid_argument);
    EXPECT_EQ(form->ComponentCount(), 1);
    EXPECT_EQ(form->ControlCount(), 1);
}

TEST(ComponentOwnership, FreeingOneComponentShiftsTheRestAndLeavesTheParent)
{
    ApplicationScope scope;
    TForm* form = Create<TForm>(&scope.App(), "F");
    auto* box = Create<TGroupBox>(form, "Box", form);
    auto* first = Create<TEdit>(form, "E1", box);
    auto* second = Create<TEdit>(form, "E2", box);
    Free(first);
    EXPECT_EQ(form->ComponentCount(), 2);
    EXPECT_EQ(form->Components(1), second);
    ASSERT_EQ(box->ControlCount(), 1);
    EXPECT_EQ(box->Controls(0), second);
}

TEST(ComponentOwnership, OwnerDestroysItsComponentsLastFirst)
{
    std::vector<std::string> log;
    {
        TComponent owner(nullptr);
        auto one = std::make_unique<Probe>(&owner, &log);
        one->SetName("one");
        owner.InsertComponent(std::move(one));
        auto two = std::make_unique<Probe>(&owner, &log);
        two->SetName("two");
        owner.InsertComponent(std::move(two));
    }
    EXPECT_EQ(log, (std::vector<std::string>{"two", "one"}));
}

TEST(ComponentOwnership, ControlsOwnedElsewhereOutliveTheirParentDetached)
{
    ApplicationScope scope;
    TForm* form = Create<TForm>(&scope.App(), "F");
    auto* box = Create<TGroupBox>(form, "Box", form);
    std::unique_ptr<TCheckBox> rowBox = MakeUnowned<TCheckBox>("", box);
    EXPECT_EQ(rowBox->Parent(), box);
    Free(box);
    EXPECT_EQ(rowBox->Parent(), nullptr);
    rowBox.reset();
}

TEST(ComponentOwnership, FormsOfThePageTreeAreFreedWhileTheWalkStaysOnItsIndex)
{
    ApplicationScope scope;
    TForm* main = Create<TForm>(&scope.App(), "Main");
    auto* pane = Create<TPanel>(main, "Pane", main);
    Create<TForm>(pane, "Page0", pane);
    Create<TLabel>(pane, "NotAPage", pane);
    Create<TForm>(pane, "Page2", pane);
    for (int i = 0; i < pane->ComponentCount();) {
        if (Is<TForm>(pane->Components(i))) {
            Free(pane->Components(i));
        } else {
            ++i;
        }
    }
    ASSERT_EQ(pane->ComponentCount(), 1);
    EXPECT_EQ(pane->Components(0)->Name(), "NotAPage");
}

TEST(ClassTests, SubclassesCountAndSiblingsDoNot)
{
    ApplicationScope scope;
    TForm* form = Create<TForm>(&scope.App(), "F");
    TComponent* edit = Create<TEdit>(form, "e", form);
    TComponent* spin = Create<TSpinEdit>(form, "s", form);
    TComponent* mask = Create<TMaskEdit>(form, "m", form);
    TComponent* combo = Create<TComboBox>(form, "c", form);
    EXPECT_TRUE(Is<TCustomCombo>(combo));
    TComponent* comboEx = Create<TComboBoxEx>(form, "x", form);
    TComponent* bitBtn = Create<TBitBtn>(form, "b", form);
    TComponent* check = Create<TCheckBox>(form, "k", form);
    TComponent* radio = Create<TRadioButton>(form, "r", form);

    for (TComponent* c : {edit, spin, mask}) EXPECT_TRUE(Is<TCustomEdit>(c));
    EXPECT_FALSE(Is<TEdit>(spin));
    EXPECT_FALSE(Is<TEdit>(mask));
    EXPECT_FALSE(Is<TSpinEdit>(mask));
    EXPECT_FALSE(Is<TComboBox>(comboEx));
    EXPECT_TRUE(Is<TCustomCombo>(comboEx));
    EXPECT_TRUE(Is<TButton>(bitBtn));
    EXPECT_TRUE(Is<TButtonControl>(check));
    EXPECT_TRUE(Is<TButtonControl>(radio));
    EXPECT_FALSE(Is<TCheckBox>(radio));
    EXPECT_EQ(As<TEdit>(edit), edit);
    EXPECT_EQ(As<TEdit>(spin), nullptr);
}

TEST(ComponentOwnership, CreateWithoutOwnerIsRefused)
{
    ApplicationScope scope;
    EXPECT_THROW(Create<TEdit>(nullptr, "e"), std::invalid_argument);
    EXPECT_THROW(Free(MakeUnowned<TEdit>("e").get()), std::logic_error);
}

TEST(ComponentOwnership, ANonControlTakesNoParent)
{
    ApplicationScope scope;
    TForm* form = Create<TForm>(&scope.App(), "F");
    EXPECT_THROW(Create<TTimer>(form, "t", form), std::invalid_argument);
    EXPECT_EQ(form->ComponentCount(), 0);
}

}  // namespace
