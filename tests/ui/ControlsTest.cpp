#include "ui/Controls.h"

#include <gtest/gtest.h>

#include <vector>

#include "ui/Application.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace {

using namespace ui;

struct Recorder : ModelObserver {
    std::vector<std::pair<TControl*, ModelChange>> changes;
    int created = 0;
    int destroyed = 0;
    void ComponentCreated(TComponent&) override { ++created; }
    void ComponentDestroying(TComponent&) override { ++destroyed; }
    void ControlChanged(TControl& c, ModelChange what) override { changes.emplace_back(&c, what); }
    int Count(TControl* c, ModelChange what) const
    {
        int n = 0;
        for (const auto& [control, change] : changes) n += control == c && change == what;
        return n;
    }
};

class ControlsTest : public ::testing::Test {
protected:
    ApplicationScope scope;
    TForm* form = Create<TForm>(&scope.App(), "F");
};

TEST_F(ControlsTest, AlignPassStacksTopBottomLeftRightThenClient)
{
    form->SetBounds(0, 0, 400, 300);
    auto* client = Create<TPanel>(form, "client", form);
    client->SetAlign(alClient);
    auto* top = Create<TPanel>(form, "top", form);
    top->SetHeight(30);
    top->SetAlign(alTop);
    auto* bottom = Create<TPanel>(form, "bottom", form);
    bottom->SetHeight(20);
    bottom->SetAlign(alBottom);
    auto* left = Create<TPanel>(form, "left", form);
    left->SetWidth(100);
    left->SetAlign(alLeft);

    EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 400, 30));
    EXPECT_EQ(bottom->BoundsRect(), Rect(0, 280, 400, 300));
    EXPECT_EQ(left->BoundsRect(), Rect(0, 30, 100, 280));
    EXPECT_EQ(client->BoundsRect(), Rect(100, 30, 400, 280));

    form->SetBounds(0, 0, 500, 400);
    EXPECT_EQ(client->BoundsRect(), Rect(100, 30, 500, 380));
    top->Hide();
    EXPECT_EQ(client->BoundsRect(), Rect(100, 0, 500, 380));
}

TEST_F(ControlsTest, ShowingAndEnabledIncludeTheParentChain)
{
    auto* box = Create<TGroupBox>(form, "box", form);
    auto* edit = Create<TEdit>(form, "edit", box);
    EXPECT_FALSE(edit->Showing());  // the form is not shown
    form->Show();
    EXPECT_TRUE(edit->Showing());
    box->Hide();
    EXPECT_TRUE(edit->Visible());
    EXPECT_FALSE(edit->Showing());
    box->SetEnabled(false);
    EXPECT_TRUE(edit->Enabled());
    EXPECT_FALSE(edit->EffectivelyEnabled());
}

TEST_F(ControlsTest, ChildrenFollowTheParentFontUntilTheyChangeTheirOwn)
{
    auto* box = Create<TGroupBox>(form, "box", form);
    auto* label = Create<TLabel>(form, "label", box);
    auto* other = Create<TLabel>(form, "other", box);
    other->Font().SetColor(clRed);
    form->Font().SetStyle({fsBold});
    EXPECT_TRUE(label->Font().Style().Contains(fsBold));
    EXPECT_TRUE(label->ParentFont());
    EXPECT_FALSE(other->Font().Style().Contains(fsBold));
    EXPECT_EQ(other->Font().Color(), clRed);
}

TEST_F(ControlsTest, FontSizeAndHeightAreTwoViewsOfOneValue)
{
    TFont font;
    font.SetHeight(-11);
    EXPECT_EQ(font.Size(), 8);
    font.SetSize(10);
    EXPECT_EQ(font.Height(), -13);
}

TEST_F(ControlsTest, ObserverHearsCreationChangesAndDestruction)
{
    Recorder recorder;
    scope.App().SetObserver(&recorder);
    auto* edit = Create<TEdit>(form, "edit", form);
    EXPECT_EQ(recorder.created, 1);
    edit->SetText("1");
    edit->SetText("1");
    edit->SetEnabled(false);
    edit->Font().SetColor(clRed);
    edit->SetBounds(1, 2, 3, 4);
    EXPECT_EQ(recorder.Count(edit, ModelChange::Text), 1);
    EXPECT_EQ(recorder.Count(edit, ModelChange::Enabled), 1);
    EXPECT_EQ(recorder.Count(edit, ModelChange::Font), 1);
    EXPECT_EQ(recorder.Count(edit, ModelChange::Bounds), 1);
    Free(edit);
    EXPECT_EQ(recorder.destroyed, 1);
    scope.App().SetObserver(nullptr);
}

TEST_F(ControlsTest, ResizeFiresOnResizeOnlyForASizeChange)
{
    int resized = 0;
    auto* panel = Create<TPanel>(form, "p", form);
    panel->OnResize = [&](TObject*) { ++resized; };
    panel->SetBounds(10, 10, panel->Width(), panel->Height());
    EXPECT_EQ(resized, 0);
    panel->SetWidth(300);
    EXPECT_EQ(resized, 1);
}

TEST_F(ControlsTest, APageTakesItsPanesClientRectAndBelongsToTheMainWindow)
{
    auto* pane = Create<TPanel>(form, "pane", form);
    pane->SetBounds(200, 0, 600, 500);
    TForm* page = Create<TForm>(pane, "page", pane);
    page->SetBoundsRect(pane->ClientRect());
    EXPECT_EQ(page->BoundsRect(), Rect(0, 0, 600, 500));
    EXPECT_EQ(page->TopForm(), form);
    auto* edit = Create<TEdit>(page, "e", page);
    edit->SetBounds(5, 6, 10, 10);
    EXPECT_EQ(edit->FormOrigin(), (TPoint{205, 6}));
}

TEST_F(ControlsTest, AControlCannotBecomeItsOwnAncestor)
{
    auto* outer = Create<TPanel>(form, "outer", form);
    auto* inner = Create<TPanel>(form, "inner", outer);
    EXPECT_THROW(outer->SetParent(inner), std::invalid_argument);
    EXPECT_EQ(outer->Parent(), form);
}

}  // namespace
