// What the kit's buttons and the dialog button bar do with the mouse and the keys: clicks, modal results
// and kinds. Their looks, and the bar's layouts, are held by KitPicturesTest.
#include "KitStage.h"

namespace {

using Clicks = std::vector<std::string>;

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
    Clicks clicks;
};

}  // namespace

TEST_F(KitButtonTest, AReleaseInsideClicksAfterTheModalResultIsSet)
{
    ui::TModalResult seen = ui::mrNone;
    ok->OnClick = [&](ui::TObject*) { seen = form->ModalResult(); };
    Press(*ok, 10, 10);
    EXPECT_EQ(std::tuple(ok->Focused(), ok->Pressed(), seen), std::tuple(true, true, ui::mrNone));
    // Dragged out the look lets go, dragged back it presses again; a release outside clicks nothing.
    for (const auto& [x, y, pressed] : std::vector<std::tuple<int, int, bool>>{{74, 24, true}, {10, 25, false}, {0, 0, true}, {10, -1, false}}) {
        user.MouseMove(*ok, {ui::ssLeft}, x, y);
        EXPECT_EQ(ok->Pressed(), pressed) << x << "," << y;
    }
    Release(*ok, 10, -1);
    Release(*ok, 10, 10);  // nor does a release without a press
    EXPECT_EQ(seen, ui::mrNone);
    Click(*ok, 10, 10);
    EXPECT_EQ(std::pair(ok->Pressed(), seen), std::pair(false, ui::mrOk));
}

TEST_F(KitButtonTest, EnterPressesTheActiveButtonEscapeTheCancelButtonSpaceTheFocusedOne)
{
    user.Focus(*edit);
    for (const auto& [key, shift] : std::vector<std::pair<std::uint16_t, ui::TShiftState>>{
             {ui::VK_RETURN, {}}, {ui::VK_ESCAPE, {}}, {ui::VK_RETURN, {ui::ssShift}}, {ui::VK_ESCAPE, {ui::ssCtrl}}, {ui::VK_RETURN, {ui::ssAlt}}})
        user.PressKey(*edit, key, shift);
    // A focused button takes Enter over; back in the edit it is OK's again, unless OK is no default: then
    // a standard default button has it, which never sees a key a kit button took.
    auto* plain = Make<ui::TButton>(75, 25);
    plain->SetDefault(true);
    plain->OnClick = [this](ui::TObject*) { clicks.push_back("plain"); };
    user.Focus(*cancel);
    user.PressKey(*cancel, ui::VK_RETURN);
    user.Focus(*edit);
    user.PressKey(*edit, ui::VK_RETURN);
    ok->SetDefault(false);
    user.PressKey(*edit, ui::VK_RETURN);
    EXPECT_EQ(clicks, (Clicks{"ok", "cancel", "cancel", "ok", "plain"}));
    // The space bar clicks on its release; leaving the button with the bar held drops the press.
    user.Focus(*ok);
    user.PressKey(*ok, ui::VK_SPACE);
    EXPECT_TRUE(ok->Pressed());
    user.ReleaseKey(*ok, ui::VK_SPACE);
    user.ReleaseKey(*ok, ui::VK_SPACE);
    EXPECT_FALSE(ok->Pressed());
    user.PressKey(*ok, ui::VK_SPACE);
    user.Focus(*edit);
    EXPECT_FALSE(ok->Pressed());
    user.ReleaseKey(*ok, ui::VK_SPACE);
    EXPECT_EQ(clicks, (Clicks{"ok", "cancel", "cancel", "ok", "plain", "ok"}));
}

TEST_F(KitButtonTest, AKindHoldsWhileItsSettingsAreTheKindsAndTheGlyphStripCountsImages)
{
    for (const auto& [kind, caption, result, isDefault, isCancel] : std::vector<std::tuple<TBitBtnKind, std::string, ui::TModalResult, bool, bool>>{
             {ui::bkOK, "OK", ui::mrOk, true, false}, {ui::bkCancel, "Cancel", ui::mrCancel, false, true}, {ui::bkHelp, "&Help", ui::mrNone, false, false},
             {ui::bkYes, "&Yes", ui::mrYes, true, false}, {ui::bkNo, "&No", ui::mrNo, false, true}, {ui::bkAll, "&All", 8, false, false}}) {
        ok->SetKind(kind);
        EXPECT_EQ(std::tuple(ok->Kind(), ok->Caption(), ok->ModalResult(), ok->Default(), ok->Cancel(), ok->NumGlyphs()),
                  std::tuple(kind, caption, result, isDefault, isCancel, 2));
    }
    cancel->SetModalResult(ui::mrAbort);
    EXPECT_EQ(cancel->Kind(), ui::bkCustom);
    for (const auto& [width, images] : std::vector<std::pair<int, int>>{{48, 3}, {80, 1}}) {
        ok->SetGlyph(ui::Bitmap(width, 16));
        EXPECT_EQ(std::pair(ok->NumGlyphs(), ok->Kind()), std::pair(images, ui::bkCustom)) << width;
    }
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
    Clicks clicks;
};

}  // namespace

TEST_F(KitDialogButtonsTest, KeysGiveTheModalResultsAndTheClickEvents)
{
    const std::vector<std::tuple<std::uint16_t, ui::TShiftState, ui::TModalResult>> keys = {
        {ui::VK_RETURN, {}, ui::mrOk}, {ui::VK_ESCAPE, {}, ui::mrCancel}, {ui::VK_RETURN, {ui::ssShift}, ui::mrNone}, {ui::VK_ESCAPE, {ui::ssCtrl}, ui::mrNone}};
    for (const auto& [key, shift, result] : keys) {
        form->SetModalResult(ui::mrNone);
        user.PressKey(*edit, key, shift);
        EXPECT_EQ(form->ModalResult(), result) << key;
    }
    bar->SetShowHelpButton(true);
    EXPECT_TRUE(user.PressAccelerator(*form, U'h'));
    bar->SetShowCancelButton(false);  // with no Cancel button Esc presses OK
    user.PressKey(*edit, ui::VK_ESCAPE);
    bar->SetShowCancelButton(true);
    user.PressKey(*edit, ui::VK_ESCAPE);
    EXPECT_EQ(clicks, (Clicks{"ok", "cancel", "help", "ok", "cancel"}));
    // The connect dialog's hot-tracked buttons light up as the pointer comes.
    bar->SetHotTrack(true);
    paints.clear();
    user.MouseEnter(*bar->ButtonOk());
    EXPECT_EQ(paints[bar->ButtonOk()], 1);
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
        EXPECT_EQ(std::pair(searching, form->ModalResult()), std::pair(false, ui::mrNone));
        // The pressed Cancel button holds the focus; back in the edit, Enter presses OK again.
        EXPECT_TRUE(user.Focus(*edit));
        user.PressKey(*edit, ui::VK_RETURN);
    });
    EXPECT_EQ(form->ShowModal(), ui::mrOk);
}
