#include "ui/Controls.h"

#include <gtest/gtest.h>

#include "tests/support/UiTest.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

namespace {

using namespace ui;

using ControlsTest = testsupport::UiTest;

TEST_F(ControlsTest, AlignPassStacksTopBottomLeftRightThenClient)
{
    form->SetBounds(0, 0, 400, 300);
    const auto panel = [this](TAlign align, int size) {
        auto* p = Create<TPanel>(form, "p" + std::to_string(form->ComponentCount()), form);
        p->SetBounds(0, 0, size, size);
        p->SetAlign(align);
        return p;
    };
    auto* client = panel(alClient, 0);
    auto* top = panel(alTop, 30);
    auto* bottom = panel(alBottom, 20);
    auto* left = panel(alLeft, 100);
    EXPECT_EQ(bottom->BoundsRect(), Rect(0, 280, 400, 300));
    EXPECT_EQ(left->BoundsRect(), Rect(0, 30, 100, 280));
    EXPECT_EQ(client->BoundsRect(), Rect(100, 30, 400, 280));
    form->SetBounds(0, 0, 500, 400);
    top->Hide();
    EXPECT_EQ(client->BoundsRect(), Rect(100, 0, 500, 380));
    // A page laid into a pane belongs to the main window, its controls placed from the window's corner.
    TForm* page = Create<TForm>(client, "page", client);
    page->SetBoundsRect(client->ClientRect());
    auto* edit = Create<TEdit>(page, "e", page);
    edit->SetBounds(5, 6, 10, 10);
    EXPECT_EQ(page->TopForm(), form);
    EXPECT_EQ(edit->FormOrigin(), (TPoint{105, 6}));
    EXPECT_THROW(client->SetParent(page), std::invalid_argument) << "no control inside itself";
}

// What a view of the model hears as controls change is held by the window mirror's tests.

// A label that sizes itself to its text follows every change of its font, its style included.
TEST_F(ControlsTest, AnAutoSizedLabelFollowsItsFontsStyleAndHeight)
{
    auto* label = Create<TLabel>(form, "lb", form);
    label->SetAutoSize(true);
    label->SetCaption("Номер объекта");
    const int plain = label->Width();
    label->Font().SetStyle({fsBold});
    EXPECT_GT(label->Width(), plain);
    const int bold = label->Height();
    label->Font().SetHeight(-20);
    EXPECT_GT(label->Height(), bold);
}

}  // namespace
