// The main window: its settings and defaults at the start, every command of the toolbar, the menu, the
// log pane and the status bar, the keys, the link watchdog, the error box of last resort and the close.
#include "app/fMain.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/fAbout.h"
#include "app/fCommon.h"
#include "app/fUpdateIns.h"
#include "app/fUpdateInsertion.h"
#include "kit/KitPrgres.h"
#include "tests/app/ProgramFixture.h"
#include "ui/Clipboard.h"

namespace {

using namespace programtest;

class MainWindowTest : public ProgramFixture {
protected:
    ~MainWindowTest() override
    {
        for (ui::TForm* window : std::initializer_list<ui::TForm*>{formUpdateIns, formUpdateInsertion, FormAbout})
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
    // The watchdog's interval passes; its tick runs from the event pump.
    void WatchdogInterval()
    {
        scope.Clock().Advance(TFormMain::WatchdogIntervalMs);
        user.Pump();
    }
};

// ------------------------------------------------------------------ start, commands, log pane

TEST_F(MainWindowTest, StartsDisconnectedWithTheUpdateFromAFileLockedAndTheMissingTableLogged)
{
    WriteIni("[Update]\r\nUpdatePanelVersion=WUZLAM\r\n");
    StartWithWindows();
    EXPECT_EQ(VisibleFlags(main->N6, main->mnuUpdate, main->KitProgressBar1), "000") << "the code is compared exactly";
    EXPECT_EQ(EnabledFlags(main->tbConnect, main->tbDisconnect, main->tbRead, main->tbDefault, main->mnuSave, main->N8), "100011");
    EXPECT_TRUE(main->Caption().starts_with("Программа настройки \"Sorvel GSM-7-QX3\" v.")) << main->Caption();
    const auto lines = RootTexts(*main->tvLog);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("Таблица сообщений не загружена.")) << lines[0];
    EXPECT_TRUE(lines[0].ends_with("\": нет такого файла или устройства")) << "the reason in Russian too";
    ui::Clipboard().SetAsText("old");
    ASSERT_TRUE(user.Click(*main->StatusBar1));
    EXPECT_EQ(ui::Clipboard().AsText(), "") << "an empty IMEI panel copies an empty text";
}

// What the line-timing and real-window suites do not click: the rest of the toolbar, menu and log pane.
TEST_F(MainWindowTest, EveryToolbarMenuAndLogPaneCommandDoesItsWork)
{
    StartWithWindows();
    ASSERT_TRUE(ConnectByCable(120));
    ASSERT_TRUE(user.Click(*main->StatusBar1));
    EXPECT_EQ(ui::Clipboard().AsText(), "356938035643809") << "a click on the status bar copies the IMEI";
    FormCommon->etO->SetText("0077");
    FormCommon->MKEdit->SetText("7319");
    FormCommon->PSignal->SetPartsComplete(20);
    ASSERT_TRUE(user.Click(*main->N22));
    EXPECT_EQ(FormCommon->etO->Text(), "0050");
    EXPECT_EQ(FormCommon->MKEdit->Text(), "7319") << "the factory's settings keep the key that opens the device";
    EXPECT_EQ(FormCommon->PSignal->PartsComplete(), 0u) << "the kit's bar takes its hint too";

    // A file of settings saved and loaded: the loaded box's click handler runs.
    const auto saved = folder / "saved.txt";
    FormCommon->cbIARazd->SetChecked(true);
    scope.Services().AnswerFileDialog(saved.string());
    ASSERT_TRUE(user.Click(*main->mnuSave));
    FormCommon->etO->SetText("0123");
    FormCommon->cbIARazd->SetChecked(false);
    scope.Services().AnswerFileDialog(saved.string());
    ASSERT_TRUE(user.Click(*main->mnuLoad));
    EXPECT_EQ(FormCommon->etO->Text(), "0050");
    EXPECT_FALSE(FormCommon->cbARazd->Enabled());
    EXPECT_EQ(main->StatusText(TFormMain::PanelOutcome), "Настройки загружены из " + saved.string());

    const auto log = folder / "log.txt";
    scope.Services().AnswerFileDialog(log.string());
    ASSERT_TRUE(user.Click(*main->Button1));
    EXPECT_EQ(main->StatusText(TFormMain::PanelOutcome), "Журнал сохранён в " + log.string());
    std::ifstream in(log);
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(in), {}).find("\tOK"), std::string::npos);
    ASSERT_TRUE(user.Click(*main->BitBtn1));
    EXPECT_EQ(main->tvLog->Items().Count(), 0);

    ASSERT_TRUE(user.Click(*main->UpdateFirmware));
    EXPECT_TRUE(formUpdateIns->Visible() || !Boxes().empty());
    ASSERT_TRUE(user.Click(*main->mnuReload));
    EXPECT_TRUE(Sent("+reset"));
    main->mnuUpdate->SetVisible(true);
    scope.Services().AnswerModal([](ui::TForm& form) { form.SetModalResult(ui::mrCancel); });
    ASSERT_TRUE(user.Click(*main->mnuUpdate));
    EXPECT_EQ(scope.Services().ModalForms().back(), "formUpdateInsertion");

    // "Выход" while connected only disconnects, saves the pages and frees the controller.
    FormCommon->etO->SetText("0042");
    ASSERT_TRUE(user.Click(*main->N2));
    EXPECT_TRUE(scope.App().Terminated());
    EXPECT_EQ(main->Controller(), nullptr);
    EXPECT_NE(ReadIni().find("etO=0042"), std::string::npos);
}

// A place off the desktop (on a screen that has gone) is not taken: the window keeps its size, centred.
TEST_F(MainWindowTest, AWindowPlacedOffTheDesktopOpensCentred)
{
    WriteIni("[formMain]\r\nLeft=3000\r\nTop=30\r\nWidth=900\r\nHeight=600\r\n");
    scope.App().Screen().SetWorkAreaRect(ui::Bounds(0, 0, 1366, 768));
    Start();
    EXPECT_EQ(main->Position(), ui::poScreenCenter);
    EXPECT_EQ(std::pair(main->Width(), main->WindowState()), std::pair(900, ui::wsNormal));
}

// ------------------------------------------------------------------ keys

// An exception nothing caught shows the error box and the program goes on.
TEST_F(MainWindowTest, CtrlXAndCtrlCEditInATextFieldAndActElsewhereCtrlAltUShowsTheImageListAndAnExceptionIsShown)
{
    StartWithWindows();
    ASSERT_TRUE(user.Focus(*FormCommon->etO));
    ASSERT_TRUE(user.PressKey(*FormCommon->etO, 'C', {ui::ssCtrl}));
    ASSERT_TRUE(user.PressKey(*FormCommon->etO, 'X', {ui::ssCtrl}));
    ASSERT_TRUE(user.Focus(*main->tv1));
    ASSERT_TRUE(user.PressKey(*main->tv1, 'U', {ui::ssCtrl, ui::ssShift}));
    ASSERT_TRUE(user.PressKey(*main->tv1, 'U', {ui::ssAlt}));
    EXPECT_TRUE(scope.Services().ModalForms().empty()) << "no connect dialog, no image list";
    EXPECT_FALSE(scope.App().Terminated()) << "no exit";
    scope.App().Post([] { throw std::runtime_error("boom"); });
    scope.App().ProcessMessages();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Возникла непредвиденная ошибка: \"boom\""}) << "and the program goes on";

    scope.Services().AnswerModal([](ui::TForm& form) { form.SetModalResult(ui::mrOk); });
    ASSERT_TRUE(user.PressKey(*main->tv1, 'U', {ui::ssCtrl, ui::ssAlt}));
    scope.Services().AnswerModal([](ui::TForm& form) { form.SetModalResult(ui::mrCancel); });
    ASSERT_TRUE(user.PressKey(*main->tv1, 'C', {ui::ssCtrl}));
    EXPECT_EQ(scope.Services().ModalForms(), (std::vector<std::string>{"", "FormConnect"}));
    ASSERT_TRUE(user.PressKey(*main->tv1, 'X', {ui::ssCtrl}));
    EXPECT_TRUE(scope.App().Terminated());
}

// ------------------------------------------------------------------ watchdog, errors, close

TEST_F(MainWindowTest, TheWatchdogKeepsALiveLinkAndDisconnectsQuietlyOnAWrongReplyOrALostLink)
{
    StartWithWindows();
    ASSERT_TRUE(ConnectByCable(120));
    cable->line.ClearReceived();
    WatchdogInterval();
    EXPECT_TRUE(Sent("+v"));
    EXPECT_TRUE(Connected());
    EXPECT_TRUE(main->Timer1->Enabled()) << "a reply with REV keeps it going";

    cable->line.AddFault("+v", {sim::FaultKind::Nok}, 3);
    WatchdogInterval();
    EXPECT_FALSE(Connected()) << "a reply without REV";
    EXPECT_TRUE(Logged("Связь с устройством потеряна: устройство не ответило на проверку связи"));
    EXPECT_TRUE(main->tbConnect->Enabled());

    AnswerConnect(Cable("sim-cable"));
    ASSERT_TRUE(controller->Connect());
    cable->line.Vanish();
    WatchdogInterval();
    EXPECT_FALSE(Connected()) << "a port that is gone";
    EXPECT_EQ(controller->PortWorker, nullptr);
    EXPECT_TRUE(Boxes().empty());
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
