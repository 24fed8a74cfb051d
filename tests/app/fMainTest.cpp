#include "app/fMain.h"
#include "kit/KitSplit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/fAbout.h"
#include "app/fCommon.h"
#include "app/fProgress.h"
#include "app/fUpdateIns.h"
#include "app/fUpdateInsertion.h"
#include "kit/KitPrgres.h"
#include "tests/app/ProgramFixture.h"
#include "ui/Clipboard.h"
#include "ui/Dialogs.h"
#include "ui/Menus.h"

namespace {

using namespace programtest;

constexpr std::uint16_t kKeyC = 'C';
constexpr std::uint16_t kKeyX = 'X';

class MainWindowTest : public ProgramFixture {
protected:
    ~MainWindowTest() override
    {
        for (ui::TForm* window : {static_cast<ui::TForm*>(formUpdateIns), static_cast<ui::TForm*>(formUpdateInsertion),
                                  static_cast<ui::TForm*>(FormAbout)})
            if (window != nullptr) ui::Free(window);
        formUpdateInsertion = nullptr;
        FormAbout = nullptr;
    }
    void StartWithWindows()
    {
        Start();
        formUpdateInsertion = scope.App().CreateForm<TformUpdateInsertion>("formUpdateInsertion");
        formUpdateIns = scope.App().CreateForm<TformUpdateIns>("formUpdateIns");
        FormAbout = scope.App().CreateForm<TFormAbout>("FormAbout");
        main->KeepEditingKeys();
    }
    bool Sent(const std::string& request) const
    {
        const auto requests = cable->line.Requests();
        return std::find(requests.begin(), requests.end(), request) != requests.end();
    }
    // The watchdog's interval passes; its tick runs from the event pump.
    void WatchdogInterval()
    {
        scope.Clock().Advance(TFormMain::WatchdogIntervalMs);
        user.Pump();
    }
    bool Logged(const std::string& text) const
    {
        for (int i = 0; i < main->tvLog->Items().RootCount(); ++i)
            if (main->tvLog->Items().Root(i)->Text() == text) return true;
        return false;
    }
};

// ------------------------------------------------------------------ menus, toolbar, settings

TEST_F(MainWindowTest, TheMenuCarriesItsShortcutsAndHidesWhatIsNotOffered)
{
    StartWithWindows();
    const std::pair<ui::TMenuItem*, const char*> keys[] = {
        {main->N2, "Ctrl+X"},          {main->mnuConnect, "Ctrl+C"},  {main->mnuDisconnect, "Ctrl+D"},
        {main->mnuRead, "Ctrl+R"},     {main->mnuWrite, "Ctrl+W"},    {main->mnuReadAll, "Ctrl+Shift+R"},
        {main->mnuWriteAll, "Ctrl+Shift+W"}, {main->mnuSave, "Ctrl+S"}, {main->mnuLoad, "Ctrl+L"},
        {main->N8, "F1"}};
    for (const auto& [item, text] : keys) EXPECT_EQ(ui::ShortCutToText(item->ShortCut()), text) << item->Name();
    EXPECT_FALSE(main->N6->Visible());
    EXPECT_FALSE(main->mnuUpdate->Visible());
    EXPECT_FALSE(main->KitProgressBar1->Visible());
    EXPECT_EQ(main->Proto, 0);
    EXPECT_TRUE(main->Caption().starts_with("Программа настройки \"Sorvel GSM-7-QX3\" v.")) << main->Caption();
    EXPECT_EQ(main->KitProgressBar1->Left(), 360) << "in the place of panel 4";
}

TEST_F(MainWindowTest, TheUpdateAccessCodeIsComparedExactly)
{
    WriteIni("[Update]\r\nUpdatePanelVersion=WUZLAM\r\n");
    Start();
    EXPECT_FALSE(main->mnuUpdate->Visible());
}

TEST_F(MainWindowTest, EveryToolbarAndMenuCommandReachesTheDeviceOrThePages)
{
    StartWithWindows();
    AddCable(120);
    cable->device.SetValue("o", "1A2B");
    AnswerConnect(Cable("sim-cable"));
    ASSERT_TRUE(user.Click(*main->tbConnect));
    ASSERT_TRUE(Connected());

    FormCommon->etO->SetText("");
    ASSERT_TRUE(user.Click(*main->tbRead));
    EXPECT_EQ(FormCommon->etO->Text(), "1A2B");
    FormCommon->etO->SetText("0077");
    ASSERT_TRUE(user.Click(*main->mnuWrite));
    EXPECT_TRUE(Sent("+o0077"));
    cable->line.ClearReceived();
    ASSERT_TRUE(user.Click(*main->tbReadAll));
    EXPECT_TRUE(Sent("+o")) << "the common page is read again";
    EXPECT_GT(cable->line.Requests().size(), 10u) << "and the other pages";
    cable->line.ClearReceived();
    scope.Services().AnswerBox(ui::mrNo);
    ASSERT_TRUE(user.Click(*main->mnuWriteAll));
    EXPECT_TRUE(cable->line.Requests().empty()) << "a No to the history warning writes nothing";
    ASSERT_TRUE(user.Click(*main->tbWriteAll));
    EXPECT_TRUE(Sent("+o0077"));

    ASSERT_TRUE(user.SelectNode(*main->tv1, main->tv1->Items().Root(0)));
    ASSERT_EQ(controller->CurrentPage, FormCommon);
    ASSERT_TRUE(user.Click(*main->tbDefault));
    EXPECT_EQ(FormCommon->etO->Text(), FormCommon->etO->Hint());
    FormCommon->etO->SetText("0077");
    ASSERT_TRUE(user.Click(*main->N22));
    EXPECT_EQ(FormCommon->etO->Text(), FormCommon->etO->Hint());

    const auto saved = folder / "saved.txt";
    scope.Services().AnswerFileDialog(saved.string());
    ASSERT_TRUE(user.Click(*main->mnuSave));
    EXPECT_TRUE(std::filesystem::exists(saved));
    FormCommon->etO->SetText("0123");
    scope.Services().AnswerFileDialog(saved.string());
    ASSERT_TRUE(user.Click(*main->mnuLoad));
    EXPECT_EQ(FormCommon->etO->Text(), FormCommon->etO->Hint());

    scope.Services().AnswerModal([](ui::TForm& form) { form.SetModalResult(ui::mrOk); });
    ASSERT_TRUE(user.Click(*main->N8));
    EXPECT_EQ(scope.Services().ModalForms().back(), "FormAbout");

    ASSERT_TRUE(user.Click(*main->UpdateFirmware));
    const bool offered = formUpdateIns->Visible();
    EXPECT_TRUE(offered || (!scope.Services().Boxes().empty() &&
                            scope.Services().Boxes().back().text == "Обновлние не требуется."));
    if (offered) formUpdateIns->Hide();

    cable->line.ClearReceived();
    ASSERT_TRUE(user.Click(*main->mnuReload));
    EXPECT_TRUE(Sent("+reset"));
    EXPECT_TRUE(Connected());

    cable->line.ClearReceived();
    ASSERT_TRUE(user.Click(*main->tbDisconnect));
    EXPECT_TRUE(Sent("+reset")) << "the disconnect command resets the device first";
    EXPECT_FALSE(Sent("CABLE DISCONNECT"));
    EXPECT_FALSE(Connected());
    EXPECT_TRUE(main->tbConnect->Enabled());

    scope.Services().AnswerModal([](ui::TForm& form) { form.SetModalResult(ui::mrCancel); });
    ASSERT_TRUE(user.Click(*main->mnuConnect));
    EXPECT_EQ(scope.Services().ModalForms().back(), "FormConnect");

    main->mnuUpdate->SetVisible(true);
    AnswerConnect(Cable("sim-cable"));
    ASSERT_TRUE(user.Click(*main->tbConnect));
    scope.Services().AnswerModal([](ui::TForm& form) { form.SetModalResult(ui::mrCancel); });
    ASSERT_TRUE(user.Click(*main->mnuUpdate));
    EXPECT_EQ(scope.Services().ModalForms().back(), "formUpdateInsertion");
    EXPECT_TRUE(Connected());

    ASSERT_TRUE(user.Click(*main->N2));
    EXPECT_TRUE(scope.App().Terminated());
    EXPECT_EQ(main->FormsController, nullptr);
}

TEST_F(MainWindowTest, TheSplittersHoldTheTreeThePagesAndTheLog)
{
    StartWithWindows();
    EXPECT_EQ(main->tv1->Parent(), main->kitCntSpl->Pane1());
    EXPECT_EQ(main->PagesPane->Parent(), main->kitCntSpl->Pane2());
    EXPECT_EQ(main->kitCntSpl->Parent(), main->KitSplitter1->Pane1());
    EXPECT_EQ(main->LogPane->Parent(), main->KitSplitter1->Pane2());
    // The log's hot spot folds the lower pane away and gives it back.
    TKitSplitter& outer = *main->KitSplitter1;
    const int open = outer.Pane2()->Height();
    ASSERT_GT(open, 0);
    const auto clickHotSpot = [&] {
        const ui::TRect spot = outer.HotSpotRect();
        const int x = (spot.Left + spot.Right) / 2, y = (spot.Top + spot.Bottom) / 2;
        ASSERT_TRUE(user.MouseMove(outer, {}, x, y));
        ASSERT_TRUE(user.MouseDown(outer, ui::mbLeft, {}, x, y));
        ASSERT_TRUE(user.MouseUp(outer, ui::mbLeft, {}, x, y));
    };
    clickHotSpot();
    EXPECT_TRUE(outer.HotSpotClosed());
    EXPECT_EQ(outer.Pane2()->Height(), 0);
    clickHotSpot();
    EXPECT_FALSE(outer.HotSpotClosed());
    EXPECT_EQ(outer.Pane2()->Height(), open);

    // The tree's bar has its grip too: a click folds the tree to the left, the pages take the room.
    TKitSplitter& inner = *main->kitCntSpl;
    ASSERT_TRUE(inner.HotSpotVisible());
    const int tree = main->tv1->Width();
    const int pages = main->PagesPane->Width();
    const ui::TRect spot = inner.HotSpotRect();
    const int x = (spot.Left + spot.Right) / 2, y = (spot.Top + spot.Bottom) / 2;
    ASSERT_TRUE(user.MouseDown(inner, ui::mbLeft, {}, x, y));
    ASSERT_TRUE(user.MouseUp(inner, ui::mbLeft, {}, x, y));
    EXPECT_TRUE(inner.HotSpotClosed());
    EXPECT_EQ(main->PagesPane->Width(), pages + tree);
}

TEST_F(MainWindowTest, TheLogPaneClearsSavesAndScrolls)
{
    StartWithWindows();
    controller->Log->AddInfo("one");
    controller->Log->AddError("two");
    const auto saved = folder / "log.txt";
    scope.Services().AnswerFileDialog(saved.string());
    ASSERT_TRUE(user.Click(*main->Button1));
    std::ifstream in(saved);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("two"), std::string::npos);
    ASSERT_TRUE(user.Click(*main->BitBtn1));
    EXPECT_EQ(main->tvLog->Items().Count(), 0);
    EXPECT_TRUE(main->cbScrolling->Checked());
}

TEST_F(MainWindowTest, AClickOnTheStatusBarCopiesTheImei)
{
    StartWithWindows();
    ui::Clipboard().SetAsText("old");
    ASSERT_TRUE(user.Click(*main->StatusBar1));
    EXPECT_EQ(ui::Clipboard().AsText(), "") << "an empty panel copies an empty text";
    main->SetStatusText(TFormMain::PanelImei, "356938035643809");
    ASSERT_TRUE(user.Click(*main->StatusBar1));
    EXPECT_EQ(ui::Clipboard().AsText(), "356938035643809");
}

// ------------------------------------------------------------------ keys

TEST_F(MainWindowTest, CtrlXAndCtrlCCutAndCopyInATextFieldAndActElsewhere)
{
    StartWithWindows();
    std::vector<std::uint16_t> fieldKeys;
    FormCommon->etO->OnKeyDown = [&fieldKeys, previous = FormCommon->etO->OnKeyDown](ui::TObject* s, std::uint16_t& key,
                                                                                       ui::TShiftState shift) {
        fieldKeys.push_back(key);
        if (previous) previous(s, key, shift);
    };
    ASSERT_TRUE(user.Focus(*FormCommon->etO));
    ASSERT_TRUE(user.PressKey(*FormCommon->etO, kKeyC, {ui::ssCtrl}));
    ASSERT_TRUE(user.PressKey(*FormCommon->etO, kKeyX, {ui::ssCtrl}));
    EXPECT_TRUE(scope.Services().ModalForms().empty()) << "no connect dialog";
    EXPECT_FALSE(scope.App().Terminated()) << "no exit";
    EXPECT_EQ(fieldKeys, (std::vector<std::uint16_t>{kKeyC, kKeyX})) << "the field has the keys";
    EXPECT_EQ(ui::ShortCutToText(main->N2->ShortCut()), "");

    ASSERT_TRUE(user.Focus(*main->tv1));
    EXPECT_EQ(ui::ShortCutToText(main->N2->ShortCut()), "Ctrl+X");
    scope.Services().AnswerModal([](ui::TForm& form) { form.SetModalResult(ui::mrCancel); });
    ASSERT_TRUE(user.PressKey(*main->tv1, kKeyC, {ui::ssCtrl}));
    EXPECT_EQ(scope.Services().ModalForms(), std::vector<std::string>{"FormConnect"});
    ASSERT_TRUE(user.PressKey(*main->tv1, kKeyX, {ui::ssCtrl}));
    EXPECT_TRUE(scope.App().Terminated());
}

TEST_F(MainWindowTest, CtrlAltUShowsTheImageListAndOtherCombinationsDoNot)
{
    StartWithWindows();
    ASSERT_TRUE(user.PressKey(*main->tv1, 'U', {ui::ssCtrl, ui::ssShift}));
    ASSERT_TRUE(user.PressKey(*main->tv1, 'U', {ui::ssAlt}));
    EXPECT_TRUE(scope.Services().ModalForms().empty());
    scope.Services().AnswerModal([](ui::TForm& form) { form.SetModalResult(ui::mrOk); });
    ASSERT_TRUE(user.PressKey(*main->tv1, 'U', {ui::ssCtrl, ui::ssAlt}));
    EXPECT_EQ(scope.Services().ModalForms().size(), 1u);
}

// ------------------------------------------------------------------ watchdog

TEST_F(MainWindowTest, TheWatchdogKeepsALiveLinkAndDisconnectsOnAWrongReplyOrALostLink)
{
    StartWithWindows();
    ASSERT_TRUE(ConnectByCable(120));
    cable->line.ClearReceived();
    WatchdogInterval();
    EXPECT_TRUE(Sent("+v"));
    EXPECT_TRUE(Connected());
    EXPECT_TRUE(main->Timer1->Enabled()) << "a reply with REV keeps it going";

    cable->responder.Override("+v", ">11.005.120\r\nOK\r\n");
    WatchdogInterval();
    EXPECT_FALSE(Connected()) << "a reply without REV";
    EXPECT_TRUE(main->tbConnect->Enabled());
    EXPECT_TRUE(scope.Services().Boxes().empty()) << "no message";

    cable->responder.Override("", "");
    AnswerConnect(Cable("sim-cable"));
    ASSERT_TRUE(controller->Connect());
    cable->line.Vanish();
    WatchdogInterval();
    EXPECT_FALSE(Connected()) << "a port that is gone";
    EXPECT_EQ(controller->PortWorker, nullptr);
    EXPECT_TRUE(scope.Services().Boxes().empty());
}

// ------------------------------------------------------------------ errors and close

TEST_F(MainWindowTest, AnExceptionNothingCaughtShowsTheErrorBoxAndTheProgramGoesOn)
{
    StartWithWindows();
    scope.App().Post([] { throw std::runtime_error("boom"); });
    scope.App().ProcessMessages();
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].text, "Возникла непредвиденная ошибка: \"boom\"");
    EXPECT_EQ(scope.Services().Boxes()[0].type, ui::mtError);
    EXPECT_FALSE(scope.App().Terminated());
}

TEST_F(MainWindowTest, ClosingSavesThePagesAndFreesTheController)
{
    StartWithWindows();
    ASSERT_TRUE(ConnectByCable(120));
    FormCommon->etO->SetText("0042");
    ASSERT_TRUE(user.CloseForm(*main));
    EXPECT_TRUE(scope.App().Terminated());
    EXPECT_EQ(main->FormsController, nullptr);
    EXPECT_EQ(main->Controller(), nullptr);
    EXPECT_FALSE(Sent("+reset")) << "the close only disconnects";
    EXPECT_NE(ReadIni().find("etO=0042"), std::string::npos);
}

TEST_F(MainWindowTest, ClosingDuringAReadCancelsItFirstAndKeepsThePageAsStored)
{
    WriteIni("[FormCommon]\r\netO=1234\r\n");
    StartWithWindows();
    ASSERT_TRUE(ConnectByCable(120));
    cable->device.SetValue("o", "1A2B");
    // The close box pressed while the read's first group is under way.
    scope.App().Post([this] { EXPECT_TRUE(user.CloseForm(*main)); });
    ASSERT_TRUE(user.Click(*main->tbRead));
    EXPECT_FALSE(scope.App().Terminated()) << "not while the read runs";
    EXPECT_TRUE(main->ClosePending());
    EXPECT_FALSE(Connected()) << "the read was cancelled and the connection went";
    ASSERT_NE(main->Controller(), nullptr);

    user.Advance(TFormMain::CloseRetryMs + 1);
    EXPECT_TRUE(scope.App().Terminated());
    EXPECT_EQ(main->Controller(), nullptr);
    const std::string ini = ReadIni();
    EXPECT_NE(ini.find("etO=1234"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("1A2B"), std::string::npos);
}

}  // namespace
