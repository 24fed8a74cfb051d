#include "app/S7QX1FormsController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/fATests.h"
#include "app/fCommon.h"
#include "app/fConnect.h"
#include "app/fDial.h"
#include "app/fGPRS.h"
#include "app/fHistory.h"
#include "app/fMain.h"
#include "link/ModemWorker.h"
#include "platform/ProgramFolder.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Modem.h"
#include "sim/Pty.h"
#include "tests/support/SimDevice.h"
#include "tests/app/ProgramFixture.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using namespace programtest;
using S7QX1FormsControllerTest = ProgramFixture;

// ------------------------------------------------------------------ cable line

TEST_F(S7QX1FormsControllerTest, CableConnectHandshakesLogsInReadsTheVersionAndStartsTheWatchdog)
{
    Start();
    ASSERT_TRUE(ConnectByCable(120));
    const auto requests = cable->line.Requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests[0], "CABLE CONNECT");
    EXPECT_NE(std::find(requests.begin(), requests.end(), "+id1234"), requests.end()) << "the login with the key";
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "+CABLE DISCONNECT"), 0);
    EXPECT_TRUE(main->StatusText(TFormMain::PanelPort).ends_with("sim-cable"));
    EXPECT_EQ(main->StatusText(TFormMain::PanelVersion), "REV 11.005.120");
    EXPECT_TRUE(main->Timer1->Enabled());
    EXPECT_FALSE(main->tbConnect->Enabled());
    EXPECT_TRUE(main->tbRead->Enabled());
    EXPECT_TRUE(main->UpdateFirmware->Enabled());
    EXPECT_TRUE(main->mnuReload->Enabled());
    EXPECT_EQ(FormConnect, nullptr) << "the dialog lives only for the connect";
    EXPECT_NE(ReadIni().find("[Connect]"), std::string::npos) << "the settings are saved";

    controller->Disconnect();
    EXPECT_FALSE(Connected());
    EXPECT_EQ(controller->PortWorker, nullptr);
    EXPECT_FALSE(main->Timer1->Enabled() && Connected());
    EXPECT_TRUE(main->tbConnect->Enabled());
    EXPECT_FALSE(main->UpdateFirmware->Enabled());
    EXPECT_FALSE(main->mnuReload->Enabled());
    EXPECT_EQ(main->StatusText(TFormMain::PanelPort), "");
}

// Runs Probe once, from the event queue, when the connect writes its first log line.
void OnFirstLogLine(ui::TTreeView& log, std::function<void()> Probe)
{
    log.OnAddition = [&log, Probe](ui::TObject*, ui::TTreeNode*) {
        log.OnAddition = nullptr;
        ui::App().Post(Probe);
    };
}

TEST_F(S7QX1FormsControllerTest, AConnectShowsItsWorkThroughoutAndASecondConnectMeanwhileIsRefusedQuietly)
{
    Start();
    AddCable(120);
    // What the screen shows at every log line of the connect; at the first, the user asks again by the
    // toolbar, the menu and the shortcut.
    std::vector<std::string> shown;
    main->tvLog->OnAddition = [&](ui::TObject*, ui::TTreeNode*) {
        shown.push_back(std::to_string(scope.App().Screen().Cursor()) + " " + main->StatusBar1->SimpleText());
        if (shown.size() > 1) return;
        ui::App().Post([&] {
            user.Click(*main->tbConnect);
            user.Click(*main->mnuConnect);
            user.PressKey(*main->tv1, 'C', {ui::ssCtrl});
        });
    };
    AnswerConnect(Cable("sim-cable"));
    EXPECT_TRUE(controller->Connect());
    const std::string working = std::to_string(ui::crHourGlass) + " " + TS7QX1FormsController::ConnectingText;
    ASSERT_GE(shown.size(), 6u) << "handshake, login and version, each request and reply";
    EXPECT_EQ(std::count(shown.begin(), shown.end(), working), static_cast<long>(shown.size()));
    EXPECT_EQ(scope.Services().ModalForms().size(), 1u) << "no second dialog";
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(scope.App().Screen().Cursor(), ui::crDefault);
    EXPECT_FALSE(main->StatusBar1->SimplePanel());
    EXPECT_EQ(main->StatusText(TFormMain::PanelVersion), "REV 11.005.120");
}

TEST_F(S7QX1FormsControllerTest, ClosingTheWindowDuringAConnectStopsItAtItsNextStepThenCloses)
{
    Start();
    AddCable(120);
    OnFirstLogLine(*main->tvLog, [this] { main->Close(); });
    AnswerConnect(Cable("sim-cable"));
    EXPECT_FALSE(controller->Connect());
    EXPECT_EQ(cable->line.Requests(), (std::vector<std::string>{"CABLE CONNECT"})) << "no login after the close";
    EXPECT_EQ(controller->PortWorker, nullptr);
    user.Advance(TFormMain::CloseRetryMs);
    EXPECT_EQ(main->Controller(), nullptr) << "the window closed once the connect had stopped";
}

TEST_F(S7QX1FormsControllerTest, FailedStepsTakeTheConnectionDownCompletely)
{
    Start();
    AddCable(120);
    AnswerConnect(With(Cable("sim-cable"), [](auto& c) { c.key = "5816"; }));
    EXPECT_FALSE(controller->Connect()) << "the device refuses the factory key";
    EXPECT_FALSE(Connected());
    EXPECT_EQ(controller->PortWorker, nullptr);
    EXPECT_TRUE(main->tbConnect->Enabled());
    EXPECT_FALSE(main->tbDisconnect->Enabled());
    EXPECT_NE(main->tvLog->Items().Count(), 0);
    bool logged = false;
    for (int i = 0; i < main->tvLog->Items().RootCount(); ++i)
        logged = logged || main->tvLog->Items().Root(i)->Text() == "Неверный мастер-ключ";
    EXPECT_TRUE(logged);

    EXPECT_TRUE(Boxes().empty());

    // A device that goes while the handshake runs: the connection is taken down, then the
    // application's error box says why.
    cable->line.AddFault("CABLE CONNECT", sim::Fault{sim::FaultKind::Vanish});
    AnswerConnect(Cable("sim-cable"));
    ASSERT_TRUE(user.Click(*main->tbConnect));
    EXPECT_FALSE(Connected());
    EXPECT_EQ(controller->PortWorker, nullptr);
    EXPECT_TRUE(main->tbConnect->Enabled());
    EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(S7QX1FormsControllerTest, APortThatCannotBeOpenedShowsOneBoxInTheProgramsWordsAndStaysDisconnected)
{
    Start();
    const std::string dead = (folder / "ports" / "dead").string();
    std::filesystem::create_symlink(folder / "nowhere", dead);
    // The adapter was pulled after the list was made.
    scope.Services().AnswerModal([&dead](ui::TForm& form) {
        ui::TComboBox& ports = *static_cast<TFormConnect&>(form).ComPorts;
        ports.SetItemIndex(ports.Items().Add(dead));
        form.SetModalResult(ui::mrOk);
    });
    EXPECT_FALSE(controller->Connect());
    // A dead link is not listed: the dialog offers nothing, and the empty name cannot be opened.
    scope.Services().AnswerModal([](ui::TForm& form) { form.SetModalResult(ui::mrOk); });
    EXPECT_FALSE(controller->Connect());
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Ошибка подключения: порт «" + dead + "» не найден.",
                                                 "Ошибка подключения: порт не выбран."}));
    EXPECT_EQ(controller->PortWorker, nullptr);
    EXPECT_TRUE(main->tbConnect->Enabled());
}

TEST_F(S7QX1FormsControllerTest, ACancelledDialogStillSavesTheSettingsAndThePhoneList)
{
    WriteIni("[Connect]\r\nrb1=0\r\nrb2=1\r\n[FormConnect]\r\nDialPhonesNum=5\r\nDialPhone1=111\r\nDialPhone2=222\r\n"
             "DialPhone3=333\r\nDialPhone4=444\r\nDialPhone5=555\r\n");
    Start();
    AnswerConnect(With(Modem("x", "000"), [](auto& c) { c.ok = false; }));
    EXPECT_FALSE(controller->Connect());
    const std::string ini = ReadIni();
    EXPECT_NE(ini.find("DialPhonesNum=5"), std::string::npos) << ini;
    EXPECT_NE(ini.find("DialPhone1=000"), std::string::npos) << "the new number comes first";
    EXPECT_EQ(ini.find("=555"), std::string::npos) << "the alphabetically last one is dropped";
    EXPECT_NE(ini.find("DialPhone5=444"), std::string::npos);

    AnswerConnect(With(Modem("x", "222"), [](auto& c) { c.ok = false; }));
    EXPECT_FALSE(controller->Connect());
    EXPECT_NE(ReadIni().find("DialPhone1=000"), std::string::npos) << "a number already stored changes nothing";
    EXPECT_EQ(scope.Services().ModalForms().size(), 2u) << "no dial dialog after a cancel";
}

TEST_F(S7QX1FormsControllerTest, AReadOnlySettingsFileIsKeptToldOfOnceAndTheWorkGoesOn)
{
    WriteIni("[Connect]\r\nrb1=1\r\n");
    namespace fs = std::filesystem;
    fs::permissions(folder / "current.ini", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    Start();
    ASSERT_TRUE(ConnectByCable(120));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_NE(Boxes()[0].find((folder / "current.ini").string() + "\": файл только для чтения"), std::string::npos)
        << Boxes()[0];
    controller->ReadCurrent();
    controller->Disconnect();
    ASSERT_TRUE(ConnectByCable(120));
    ui::Free(main);
    main = nullptr;
    EXPECT_EQ(Boxes().size(), 1u) << "neither the next connect nor the save at the end tells it again";
    EXPECT_EQ(ReadIni(), "[Connect]\r\nrb1=1\r\n");
}

TEST_F(S7QX1FormsControllerTest, AnIniFileWithNeitherLineTypeConnectsByCable)
{
    WriteIni("[Connect]\r\nrb1=0\r\nrb2=0\r\n");
    Start();
    AddCable(120);
    AnswerConnect(With(Cable("sim-cable"), [](auto& c) { c.touchLineType = false; }));
    ASSERT_TRUE(controller->Connect());
    EXPECT_TRUE(shownCable) << "the dialog shows the cable chosen";
    EXPECT_EQ(dynamic_cast<TModemWorker*>(controller->PortWorker.get()), nullptr);
    EXPECT_EQ(cable->line.Requests().at(0), "CABLE CONNECT");
}

// ------------------------------------------------------------------ modem line

TEST_F(S7QX1FormsControllerTest, ModemConnectDialsThroughTheDialogAndReadsAPageOverTheCall)
{
    Start();
    AddModem(120);
    modemDevice->SetValue("o", "1A2B");
    AnswerConnect(Modem("sim-modem", "+79123456789"));
    AnswerDial();
    ASSERT_TRUE(controller->Connect());
    EXPECT_EQ(scope.Services().ModalForms(), (std::vector<std::string>{"FormConnect", "FormDial"}));
    EXPECT_NE(dynamic_cast<TModemWorker*>(controller->PortWorker.get()), nullptr);
    EXPECT_EQ(modemLine->modem().DialledNumber(), "+79123456789");
    EXPECT_EQ(FormDial, nullptr) << "the dial dialog lives only for the dial";
    const auto requests = modemLine->line().Requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "CABLE CONNECT"), 0) << "no cable handshake on a modem";

    controller->ReadCurrent();
    EXPECT_EQ(FormCommon->etO->Text(), "1A2B");
    EXPECT_TRUE(Connected());

    controller->Disconnect();
    EXPECT_FALSE(modemLine->modem().CallUp()) << "the call is taken down";
    EXPECT_EQ(controller->PortWorker, nullptr);
}

TEST_F(S7QX1FormsControllerTest, AModemLineWithoutAPhoneNumberIsNotDialled)
{
    Start();
    AddCable(120);
    AnswerConnect(Modem("sim-cable", "  "));
    ASSERT_TRUE(controller->Connect()) << "a device straight on the line answers";
    EXPECT_EQ(scope.Services().ModalForms(), std::vector<std::string>{"FormConnect"});
    EXPECT_NE(dynamic_cast<TModemWorker*>(controller->PortWorker.get()), nullptr);
    const auto requests = cable->line.Requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "CABLE CONNECT"), 0);
    EXPECT_NE(std::find(requests.begin(), requests.end(), "+id1234"), requests.end()) << "the login on either line";
}

TEST_F(S7QX1FormsControllerTest, ACallThatDropsDuringAnActionClosesTheBracketThenDisconnects)
{
    Start();
    AddModem(120);
    AnswerConnect(Modem("sim-modem", "+79123456789"));
    AnswerDial();
    ASSERT_TRUE(controller->Connect());
    modemLine->modem().DropCallOn("+OUTS03");
    controller->OutputsOn();
    EXPECT_FALSE(Connected());
    EXPECT_EQ(controller->OperationDepth(), 0);
    EXPECT_TRUE(main->tbConnect->Enabled());
    EXPECT_FALSE(main->tbRead->Enabled());
    EXPECT_TRUE(main->tv1->Enabled());
    EXPECT_TRUE(main->ToolBar1->Enabled());
    EXPECT_TRUE(Boxes().empty());
}

// ------------------------------------------------------------------ gates

TEST_F(S7QX1FormsControllerTest, AnOldBolidFirmwareLeavesOnlyUpdateAndDisconnectAndGivesTheTreeBack)
{
    Start();
    ASSERT_TRUE(ConnectByCable(108, sim::PanelKind::Bolid));
    for (ui::TControl* c : std::initializer_list<ui::TControl*>{
             main->tv1, main->tbRead, main->tbReadAll, main->tbWrite, main->tbWriteAll, FormCommon->btnSync,
             FormHistory->btnBackward, FormHistory->Button2, FormHistory->btnClear})
        EXPECT_FALSE(c->Enabled()) << c->Name();
    for (ui::TMenuItem* item : {main->mnuReload, main->mnuRead, main->mnuReadAll, main->mnuWrite, main->mnuWriteAll})
        EXPECT_FALSE(item->Enabled()) << item->Name();
    EXPECT_TRUE(main->UpdateFirmware->Enabled());
    EXPECT_TRUE(main->tbDisconnect->Enabled());
    EXPECT_TRUE(main->mnuDisconnect->Enabled());

    controller->BeginOperation();
    controller->EndOperation();
    EXPECT_FALSE(main->tv1->Enabled()) << "an operation gives back what the gate set";

    controller->Disconnect();
    EXPECT_TRUE(main->tv1->Enabled()) << "the pages can be browsed again";
    EXPECT_FALSE(main->tbRead->Enabled());
    EXPECT_FALSE(main->UpdateFirmware->Enabled());
}

TEST_F(S7QX1FormsControllerTest, TheTreeOffersNinePagesToABolidFrom109AndSevenToOtherPanels)
{
    Start();
    ASSERT_TRUE(ConnectByCable(109, sim::PanelKind::Bolid));
    EXPECT_EQ(main->tv1->Items().RootCount(), static_cast<int>(controller->Pages().size()));
    EXPECT_TRUE(main->tv1->Enabled());
    EXPECT_EQ(controller->CurrentPage, FormCommon);
    ASSERT_NE(main->tv1->Selected(), nullptr);
    EXPECT_EQ(main->tv1->Selected()->StateIndex(), 0);
    const std::vector<ui::TControl*> history{FormHistory->btnBackward, FormHistory->Button2, FormHistory->btnClear,
                                             FormHistory->Button1, FormHistory->Button3};
    for (ui::TControl* c : history) EXPECT_TRUE(c->Enabled()) << c->Name();
    controller->Disconnect();
    for (ui::TControl* c : history) EXPECT_FALSE(c->Enabled()) << c->Name() << ": exactly while connected";

    for (const sim::PanelKind panel : {sim::PanelKind::Altonika, sim::PanelKind::Paradox}) {
        ASSERT_TRUE(ConnectByCable(120, panel));
        const auto texts = TreeTexts();
        const auto pages = controller->Pages();
        EXPECT_EQ(std::count_if(pages.begin(), pages.end(),
                                [](TformIncl* p) { return p->Name() != "formBolid" && p->Name() != "FormMasks"; }),
                  static_cast<long>(texts.size()));
        for (TformIncl* page : controller->Pages()) {
            if (page->Name() == "formBolid" || page->Name() == "FormMasks") {
                EXPECT_EQ(std::count(texts.begin(), texts.end(), page->Caption()), 0) << page->Name();
            }
        }
        controller->Disconnect();
    }
}

struct CommonGateCase {
    int build;
    sim::PanelKind panel;
    bool groupBox6;
    bool altsect;  // the numbered form (lbAltsect, cbAltsect) rather than the ticked one
    bool kitGroupBox1;
    bool mkBox;
    bool imei;
};

TEST_F(S7QX1FormsControllerTest, TheCommonPageShowsWhatTheFirmwareAndPanelOffer)
{
    const CommonGateCase cases[] = {
        {45, sim::PanelKind::Altonika, false, false, false, false, false},
        {69, sim::PanelKind::Altonika, true, true, false, false, false},
        {70, sim::PanelKind::Altonika, false, false, true, false, false},
        {96, sim::PanelKind::Paradox, false, false, false, true, false},
        {120, sim::PanelKind::Altonika, false, false, true, true, true},
    };
    Start();
    for (const CommonGateCase& c : cases) {
        SCOPED_TRACE(c.build);
        ASSERT_TRUE(ConnectByCable(c.build, c.panel));
        TFormCommon& page = *FormCommon;
        EXPECT_EQ(page.GroupBox6->Visible(), c.groupBox6);
        if (c.groupBox6) {
            EXPECT_EQ(page.lbAltsect->Visible(), c.altsect);
            EXPECT_EQ(page.cbAltsect->Visible(), c.altsect);
            EXPECT_EQ(page.cbARazd->Visible(), !c.altsect);
        }
        EXPECT_EQ(page.KitGroupBox1->Visible(), c.kitGroupBox1);
        EXPECT_EQ(page.MKBox->Visible(), c.mkBox);
        EXPECT_EQ(page.ImeiIdent->Visible(), c.imei);
        controller->Disconnect();
        EXPECT_FALSE(page.KitGroupBox1->Visible()) << "hidden again without a device";
    }
}

TEST_F(S7QX1FormsControllerTest, OtherPagesFollowTheBuild)
{
    Start();
    const struct {
        int build;
        int minutes;
        bool deltaTest;
        bool gprsFlag;
    } cases[] = {{115, 12, true, false}, {116, 12, true, true}, {121, 60, true, true}, {93, 12, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.build);
        ASSERT_TRUE(ConnectByCable(c.build));
        EXPECT_EQ(formATests->DeltaMinuts->Items().Count(), c.minutes);
        EXPECT_EQ(formATests->DeltaATest->Visible(), c.deltaTest);
        EXPECT_EQ(formGPRS->CheckBox1->Enabled(), c.gprsFlag);
        controller->Disconnect();
    }
}

// ------------------------------------------------------------------ helpers of the unit

TEST(S7QX1FormsControllerUnit, ThePhoneListKeepsFiveNumbersNewestFirst)
{
    ui::ApplicationScope scope;
    auto* form = scope.App().CreateForm<ui::TForm>("F");
    auto* phones = ui::Create<ui::TComboBox>(form, "cbPhones", form);
    phones->SetSorted(true);
    for (const char* n : {"5", "1", "3", "2", "4"}) phones->Items().Add(n);
    phones->SetText("0");
    TS7QX1FormsController::KeepPhoneList(*phones);
    EXPECT_EQ(phones->Items().Join(","), "0,1,2,3,4");
    phones->SetText("3");
    TS7QX1FormsController::KeepPhoneList(*phones);
    EXPECT_EQ(phones->Items().Join(","), "0,1,2,3,4");
    phones->SetText("");
    TS7QX1FormsController::KeepPhoneList(*phones);
    EXPECT_EQ(phones->Items().Count(), 5);
}

}  // namespace
