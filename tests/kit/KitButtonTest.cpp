// What the kit's buttons do with the mouse and the keys, their groups and kinds. Their looks are held by
// KitPicturesTest.
#include "KitStage.h"

namespace {

class KitButtonTest : public KitTest {
protected:
    KitButtonTest()
    {
        ok->SetKind(ui::bkOK);
        cancel->SetKind(ui::bkCancel);
        ok->OnClick = [this](ui::TObject*) { clicks.push_back("ok"); };
        cancel->OnClick = [this](ui::TObject*) { clicks.push_back("cancel"); };
    }

    ui::TEdit* edit = Make<ui::TEdit>(100, 21);
    TKitBitBtn* ok = Make<TKitBitBtn>(75, 25);
    TKitBitBtn* cancel = Make<TKitBitBtn>(75, 25);
    std::vector<std::string> clicks;
};

using Clicks = std::vector<std::string>;

}  // namespace

// --- mouse ---

TEST_F(KitButtonTest, AReleaseInsideClicksAfterTheModalResultIsSet)
{
    ui::TModalResult seen = ui::mrNone;
    ok->OnClick = [&](ui::TObject*) { seen = form->ModalResult(); };
    Press(*ok, 10, 10);
    EXPECT_TRUE(ok->Focused());
    EXPECT_TRUE(ok->Pressed());
    EXPECT_EQ(seen, ui::mrNone);
    Release(*ok, 10, 10);
    EXPECT_FALSE(ok->Pressed());
    EXPECT_EQ(seen, ui::mrOk);
}

TEST_F(KitButtonTest, DraggingOutReleasesTheLookAndDraggingBackPressesAgain)
{
    Press(*ok, 10, 10);
    const std::vector<std::pair<ui::TPoint, bool>> moves = {{{75, 10}, false}, {{74, 24}, true}, {{10, -1}, false}, {{0, 0}, true}};
    for (const auto& [at, pressed] : moves) {
        user.MouseMove(*ok, {ui::ssLeft}, at.X, at.Y);
        EXPECT_EQ(ok->Pressed(), pressed) << at.X << "," << at.Y;
    }
    user.MouseMove(*ok, {ui::ssLeft}, 10, -1);
    Release(*ok, 10, -1);
    Release(*ok, 10, 10);  // a release without a press clicks nothing either
    EXPECT_TRUE(clicks.empty());
}

TEST_F(KitButtonTest, TheRightButtonAndADisabledButtonNeverClick)
{
    user.MouseDown(*ok, ui::mbRight, {}, 10, 10);
    EXPECT_FALSE(ok->Pressed());
    user.MouseUp(*ok, ui::mbRight, {}, 10, 10);
    Press(*ok, 10, 10);
    ok->SetEnabled(false);  // a press in progress ends without a click
    EXPECT_FALSE(ok->Pressed());
    ok->MouseUp(ui::mbLeft, {}, 10, 10);
    Click(*ok, 10, 10);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(KitButtonTest, HotTrackFollowsThePointer)
{
    ok->SetHotTrack(true);
    EXPECT_TRUE(ok->Transparent());
    user.MouseEnter(*ok);
    EXPECT_TRUE(ok->MouseOver());
    user.MouseLeave(*ok);
    EXPECT_FALSE(ok->MouseOver());
    EXPECT_TRUE(ok->ReadObsoleteProperty("FrameFlat", false));
    EXPECT_FALSE(ok->HotTrack());
    EXPECT_FALSE(ok->ReadObsoleteProperty("FrameFlat", 1LL));
}

// --- keyboard ---

TEST_F(KitButtonTest, EnterPressesTheActiveButtonAndEscapeTheCancelButton)
{
    user.Focus(*edit);
    const std::vector<std::pair<std::uint16_t, ui::TShiftState>> keys = {
        {ui::VK_RETURN, {}}, {ui::VK_ESCAPE, {}}, {ui::VK_RETURN, {ui::ssShift}}, {ui::VK_ESCAPE, {ui::ssCtrl}}, {ui::VK_RETURN, {ui::ssAlt}}};
    for (const auto& [key, shift] : keys) user.PressKey(*edit, key, shift);
    EXPECT_EQ(clicks, (Clicks{"ok", "cancel"}));
    // A focused button takes Enter over; back in the edit it is OK's again, unless OK is no default.
    user.Focus(*cancel);
    user.PressKey(*cancel, ui::VK_RETURN);
    user.Focus(*edit);
    user.PressKey(*edit, ui::VK_RETURN);
    ok->SetDefault(false);
    user.PressKey(*edit, ui::VK_RETURN);
    EXPECT_EQ(clicks, (Clicks{"ok", "cancel", "cancel", "ok"}));
    EXPECT_FALSE(ok->Active());
}

TEST_F(KitButtonTest, TheSpaceBarClicksOnItsReleaseOnly)
{
    user.Focus(*ok);
    user.PressKey(*ok, ui::VK_SPACE);
    EXPECT_TRUE(ok->Pressed());
    EXPECT_TRUE(clicks.empty());
    user.ReleaseKey(*ok, ui::VK_SPACE);
    user.ReleaseKey(*ok, ui::VK_SPACE);
    EXPECT_EQ(clicks, Clicks{"ok"});
    // Leaving the button with the bar held drops the press.
    user.PressKey(*ok, ui::VK_SPACE);
    user.Focus(*edit);
    EXPECT_FALSE(ok->Pressed());
    user.ReleaseKey(*ok, ui::VK_SPACE);
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(KitButtonTest, TheAcceleratorClicksAnEnabledButton)
{
    auto* help = Make<TKitBitBtn>(75, 25);
    help->SetKind(ui::bkHelp);
    int helps = 0;
    help->OnClick = [&](ui::TObject*) { ++helps; };
    EXPECT_TRUE(user.PressAccelerator(*form, U'H'));
    EXPECT_FALSE(user.PressAccelerator(*form, U'x'));
    help->SetEnabled(false);
    EXPECT_FALSE(user.PressAccelerator(*form, U'h'));
    EXPECT_EQ(helps, 1);
}

// --- groups, kinds and glyphs ---

TEST_F(KitButtonTest, AGroupKeepsOneButtonDown)
{
    auto* a = Make<TKitButton>(75, 25);
    auto* b = Make<TKitButton>(75, 25);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    Click(*a, 5, 5);
    Click(*a, 5, 5);
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(a->State(), bsExclusive);
    b->SetDown(true);
    EXPECT_FALSE(a->Down());
    b->SetAllowAllUp(true);
    EXPECT_TRUE(a->AllowAllUp());  // the group shares it
    b->SetDown(false);
    EXPECT_FALSE(b->Down());
    b->SetDown(true);
    b->SetGroupIndex(0);
    EXPECT_FALSE(b->Down());
    b->SetDown(true);
    EXPECT_FALSE(b->Down()) << "a button outside any group is never down";
}

TEST_F(KitButtonTest, AKindHoldsWhileItsSettingsAreTheKinds)
{
    const std::vector<std::tuple<TBitBtnKind, std::string, ui::TModalResult, bool, bool>> kinds = {
        {ui::bkOK, "OK", ui::mrOk, true, false},         {ui::bkCancel, "Cancel", ui::mrCancel, false, true},
        {ui::bkHelp, "&Help", ui::mrNone, false, false}, {ui::bkYes, "&Yes", ui::mrYes, true, false},
        {ui::bkNo, "&No", ui::mrNo, false, true},        {ui::bkAll, "&All", 8, false, false}};
    auto* b = Make<TKitBitBtn>(75, 25);
    for (const auto& [kind, caption, result, isDefault, isCancel] : kinds) {
        b->SetKind(kind);
        EXPECT_EQ(std::tuple(b->Kind(), b->Caption(), b->ModalResult(), b->Default(), b->Cancel(), b->NumGlyphs()),
                  std::tuple(kind, caption, result, isDefault, isCancel, 2));
    }
    b->SetModalResult(ui::mrAbort);
    EXPECT_EQ(b->Kind(), ui::bkCustom);
    ok->SetGlyph(ui::Bitmap(16, 16));
    EXPECT_EQ(ok->Kind(), ui::bkCustom);
}

TEST_F(KitButtonTest, TheGlyphStripSetsTheNumberOfImages)
{
    for (const auto& [width, images] : std::vector<std::pair<int, int>>{{64, 4}, {48, 3}, {16, 1}, {80, 1}, {50, 1}}) {
        ok->SetGlyph(ui::Bitmap(width, 16));
        EXPECT_EQ(ok->NumGlyphs(), images) << width;
    }
    ok->SetNumGlyphs(9);
    EXPECT_EQ(ok->NumGlyphs(), 4);
    ok->SetMargin(-2);
    EXPECT_EQ(ok->Margin(), 2);
    ok->ChangeScale(120, 96);
    EXPECT_EQ(ok->Margin(), 3);
    EXPECT_EQ(ok->Spacing(), 5);
}

// --- dialog button bar ---

namespace {

class KitDialogButtonsTest : public KitTest {
protected:
    KitDialogButtonsTest()
    {
        form->SetBounds(0, 0, 255, 150);
        bar->OnClickOk = [this](ui::TObject* s) { clicks.push_back(s == bar ? "ok" : "?"); };
        bar->OnClickCancel = [this](ui::TObject*) { clicks.push_back("cancel"); };
        bar->OnClickHelp = [this](ui::TObject*) { clicks.push_back("help"); };
    }

    ui::TEdit* edit = Make<ui::TEdit>(100, 21);
    TKitDialogButtons* bar = Make<TKitDialogButtons>(255, 36);
    std::vector<std::string> clicks;
};

}  // namespace

TEST_F(KitDialogButtonsTest, EnterAndEscapeGiveTheModalResultsAndTheClickEvents)
{
    EXPECT_EQ(bar->ButtonOk()->BoundsRect(), ui::Bounds(89, 6, 75, 25));
    user.PressKey(*edit, ui::VK_RETURN);
    EXPECT_EQ(form->ModalResult(), ui::mrOk);
    user.PressKey(*edit, ui::VK_ESCAPE);
    EXPECT_EQ(form->ModalResult(), ui::mrCancel);
    form->SetModalResult(ui::mrNone);
    user.PressKey(*edit, ui::VK_RETURN, {ui::ssShift});
    user.PressKey(*edit, ui::VK_ESCAPE, {ui::ssCtrl});
    EXPECT_EQ(form->ModalResult(), ui::mrNone);
    bar->SetShowHelpButton(true);
    EXPECT_TRUE(user.PressAccelerator(*form, U'h'));
    EXPECT_EQ(form->ModalResult(), ui::mrNone);
    EXPECT_EQ(clicks, (Clicks{"ok", "cancel", "help"}));
}

TEST_F(KitDialogButtonsTest, WithoutACancelButtonOkAnswersEscape)
{
    bar->SetShowCancelButton(false);
    user.PressKey(*edit, ui::VK_ESCAPE);
    EXPECT_EQ(form->ModalResult(), ui::mrOk);
    bar->SetShowCancelButton(true);
    user.PressKey(*edit, ui::VK_ESCAPE);
    EXPECT_EQ(form->ModalResult(), ui::mrCancel);
    EXPECT_EQ(clicks, (Clicks{"ok", "cancel"}));
}

TEST_F(KitDialogButtonsTest, ACancelHandlerMayKeepTheDialogOpen)
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
        Click(*bar->ButtonCancel(), 5, 5);
        EXPECT_FALSE(searching);
        EXPECT_EQ(form->ModalResult(), ui::mrNone);
        // The pressed Cancel button holds the focus; back in the edit, Enter presses OK again.
        EXPECT_TRUE(user.Focus(*edit));
        user.PressKey(*edit, ui::VK_RETURN);
    });
    EXPECT_EQ(form->ShowModal(), ui::mrOk);
}

TEST_F(KitDialogButtonsTest, SharedSettingsReachAllThreeButtons)
{
    bar->SetHotTrack(true);
    bar->SetHotTrackColor(0x0000FF);
    bar->SetButtonColor(0xC0FFC0);
    bar->SetShowGlyphs(true);
    for (int i = 1; i <= 3; ++i) {
        const TKitBitBtn& b = *bar->Button(i);
        EXPECT_EQ(std::tuple(b.HotTrack(), b.HotTrackColor(), b.Color(), b.Glyph().isEmpty()), std::tuple(true, TColor{0x0000FF}, TColor{0xC0FFC0}, false));
    }
    bar->SetShowGlyphs(false);
    EXPECT_TRUE(bar->ButtonCancel()->Glyph().isEmpty());
    EXPECT_TRUE(bar->ReadObsoleteProperty("FrameFlat", false));
    EXPECT_FALSE(bar->HotTrack());
    EXPECT_THROW(bar->Button(4), std::out_of_range);
}
