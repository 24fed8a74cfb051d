#include "kit/KitDlgBtn.h"

#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include "tests/support/Pictures.h"

using ui::TRect;

namespace {

class KitDlgBtnTest : public ::testing::Test {
protected:
    KitDlgBtnTest()
    {
        form->SetBounds(0, 0, 255, 150);
        form->Show();
    }

    ui::Canvas Painted(ui::TCustomControl& control)
    {
        ui::Canvas c(control.Width(), control.Height(), clFuchsia);
        control.PaintTo(c);
        return c;
    }

    ui::ApplicationScope scope;
    ui::Application& app = scope.App();
    ui::Driver user{app};
    ui::TForm* form = app.CreateForm<ui::TForm>("FormConnect");
    ui::TEdit* edit = ui::Create<ui::TEdit>(form, "MKEdit", form);
    TKitDialogButtons* bar = ui::Create<TKitDialogButtons>(form, "KitDialogButtons1", form);
};

}  // namespace

// --- layout ---

TEST_F(KitDlgBtnTest, OkAndCancelSitFlushRight)
{
    EXPECT_EQ(bar->Height(), 36);
    EXPECT_EQ(bar->CaptionCancel(), "Cancel");
    EXPECT_EQ(bar->CaptionHelp(), "&Help");
    EXPECT_EQ(bar->ButtonOk()->BoundsRect(), ui::Bounds(89, 6, 75, 25));
    EXPECT_EQ(bar->ButtonCancel()->BoundsRect(), ui::Bounds(172, 6, 75, 25));
    bar->SetShowHelpButton(true);
    EXPECT_EQ(bar->ButtonOk()->BoundsRect(), ui::Bounds(6, 6, 75, 25));
    EXPECT_EQ(bar->ButtonHelp()->BoundsRect(), ui::Bounds(172, 6, 75, 25));
}

TEST_F(KitDlgBtnTest, WidthsAndResizesRearrangeTheRow)
{
    bar->SetWidthCancel(100);
    EXPECT_EQ(bar->ButtonOk()->BoundsRect(), ui::Bounds(64, 6, 75, 25));
    form->SetWidth(400);
    EXPECT_EQ(bar->ButtonOk()->Left(), 209);
}

TEST_F(KitDlgBtnTest, AllButtonsHiddenLeavesAnEmptyBar)
{
    bar->SetShowOKButton(false);
    bar->SetShowCancelButton(false);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_FALSE(bar->Button(i)->Visible());
        EXPECT_EQ(bar->Button(i)->BoundsRect(), TRect{});
    }
    EXPECT_NO_THROW(Painted(*bar));
}

TEST_F(KitDlgBtnTest, AtTheRightSideTheButtonsStack)
{
    bar->SetShowHelpButton(true);
    bar->SetWidthHelp(90);
    bar->SetAlign(ui::alRight);
    EXPECT_EQ(bar->Width(), 90 + 12);
    EXPECT_EQ(bar->ButtonHelp()->BoundsRect(), ui::Bounds(6, 74, 90, 25));
    bar->SetShowOKButton(false);
    EXPECT_EQ(bar->ButtonHelp()->Top(), 41);
    bar->SetAlign(ui::alTop);
    EXPECT_EQ(bar->Height(), 36);
    EXPECT_EQ(bar->ButtonCancel()->Top(), 6);
}

TEST_F(KitDlgBtnTest, ScalingTo120DpiGrowsTheButtonsAndLaysThemOutAgain)
{
    bar->ChangeScale(120, 96);
    EXPECT_EQ(bar->Height(), 45);
    const int w = bar->Width();
    EXPECT_EQ(bar->ButtonOk()->BoundsRect(), ui::Bounds(w - 2 * (94 + 8), 6, 94, 31));
    EXPECT_EQ(bar->ButtonCancel()->BoundsRect(), ui::Bounds(w - (94 + 8), 6, 94, 31));
}

TEST(KitMulDiv, RoundsToTheNearestAsWindowsDoes)
{
    EXPECT_EQ(MulDiv(25, 120, 96), 31);
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
}

// --- keys and results ---

TEST_F(KitDlgBtnTest, EnterAndEscapeGiveTheModalResultsAndTheClickEvents)
{
    std::vector<std::string> clicks;
    bar->OnClickOk = [&](ui::TObject* s) { clicks.push_back(s == bar ? "ok" : "?"); };
    bar->OnClickCancel = [&](ui::TObject*) { clicks.push_back("cancel"); };
    user.PressKey(*edit, ui::VK_RETURN);
    EXPECT_EQ(form->ModalResult(), ui::mrOk);
    user.PressKey(*edit, ui::VK_ESCAPE);
    EXPECT_EQ(form->ModalResult(), ui::mrCancel);
    form->SetModalResult(ui::mrNone);
    user.PressKey(*edit, ui::VK_RETURN, {ui::ssShift});
    user.PressKey(*edit, ui::VK_ESCAPE, {ui::ssCtrl});
    EXPECT_EQ(form->ModalResult(), ui::mrNone);
    EXPECT_EQ(clicks, (std::vector<std::string>{"ok", "cancel"}));
}

TEST_F(KitDlgBtnTest, WithoutACancelButtonOkAnswersEscape)
{
    int oks = 0;
    bar->OnClickOk = [&](ui::TObject*) { ++oks; };
    bar->SetShowCancelButton(false);
    user.PressKey(*edit, ui::VK_ESCAPE);
    EXPECT_EQ(oks, 1);
    bar->SetShowCancelButton(true);
    user.PressKey(*edit, ui::VK_ESCAPE);
    EXPECT_EQ(oks, 1);
    EXPECT_EQ(form->ModalResult(), ui::mrCancel);
}

TEST_F(KitDlgBtnTest, ACancelHandlerMayKeepTheDialogOpen)
{
    // The connect dialog's automatic search: Cancel stops it and the dialog stays.
    bool searching = true;
    bar->OnClickCancel = [&](ui::TObject*) {
        if (!searching) return;
        searching = false;
        form->SetModalResult(ui::mrNone);
    };
    form->Hide();
    scope.Services().AnswerModal([](ui::TForm&) {});
    app.Post([&] {
        user.MouseDown(*bar->ButtonCancel(), ui::mbLeft, {}, 5, 5);
        user.MouseUp(*bar->ButtonCancel(), ui::mbLeft, {}, 5, 5);
        EXPECT_FALSE(searching);
        EXPECT_EQ(form->ModalResult(), ui::mrNone);
        // The pressed Cancel button holds the focus, so Enter would press it; back in the edit, Enter
        // presses OK again.
        EXPECT_TRUE(user.Focus(*edit));
        user.PressKey(*edit, ui::VK_RETURN);
        EXPECT_EQ(form->ModalResult(), ui::mrOk);
    });
    EXPECT_EQ(form->ShowModal(), ui::mrOk);
}

TEST_F(KitDlgBtnTest, SharedPropertiesReachAllThreeButtons)
{
    bar->SetHotTrack(true);
    bar->SetButtonColor(0x00C0FFC0);
    bar->SetHotTrackColor(0x0000FF);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(bar->Button(i)->HotTrack());
        EXPECT_EQ(bar->Button(i)->HotTrackColor(), 0x0000FFu);
    }
    EXPECT_TRUE(bar->ReadObsoleteProperty("FrameFlat", false));
    EXPECT_FALSE(bar->HotTrack());
}

TEST_F(KitDlgBtnTest, GlyphsComeAndGoTogether)
{
    bar->SetShowGlyphs(true);
    EXPECT_FALSE(bar->ButtonHelp()->Glyph().isEmpty());
    bar->SetShowGlyphs(false);
    EXPECT_TRUE(bar->ButtonCancel()->Glyph().isEmpty());
}

TEST_F(KitDlgBtnTest, TheDividerIsAGrooveOnTheSideFacingTheDialog)
{
    const ui::Canvas plain = Painted(*bar);
    bar->SetShowDivider(true);
    const ui::Canvas divided = Painted(*bar);
    EXPECT_EQ(divided.pixel(30, 0), ui::ResolveColor(clBtnShadow));
    EXPECT_EQ(divided.pixel(30, 1), ui::ResolveColor(clBtnHighlight));
    EXPECT_EQ(plain.pixel(30, 0), divided.pixel(30, 2));
    bar->SetShowHelpButton(true);
    bar->SetShowGlyphs(true);
    ui::Canvas picture(bar->Width(), bar->Height());
    picture.draw(0, 0, Painted(*bar).bitmap());
    for (int i = 1; i <= 3; ++i) {
        TKitBitBtn* b = bar->Button(i);
        picture.draw(b->Left(), b->Top(), Painted(*b).bitmap());
    }
    testsupport::SavePicture(picture.bitmap(), "kit_dialog_buttons");
}
