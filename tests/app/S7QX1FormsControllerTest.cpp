// The connect: the dialogs, the cable handshake or the modem call, the login and the version read, the
// gates the firmware and the panel set, and every way a connect fails.
#include "app/S7QX1FormsController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/fATests.h"
#include "app/fCommon.h"
#include "app/fGPRS.h"
#include "app/fHistory.h"
#include "kit/KitPrgres.h"
#include "tests/app/ProgramFixture.h"

namespace {

using namespace programtest;

using S7QX1FormsControllerTest = ProgramFixture;

// The sequence runs under the wait cursor and the status message; a second connect meanwhile (toolbar, menu, shortcut) is refused
// without a word; the disconnect gives the window back.
TEST_F(S7QX1FormsControllerTest, CableConnectLogsInShowsItsWorkRefusesASecondConnectAndAModemLineWithoutANumberIsNotDialled)
{
    Start();
    AddCable(120);
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
    ASSERT_TRUE(controller->Connect());
    main->tvLog->OnAddition = nullptr;
    const std::string working = std::to_string(ui::crHourGlass) + " " + TS7QX1FormsController::ConnectingText;
    ASSERT_GE(shown.size(), 6u) << "handshake, login and version, each request and reply";
    EXPECT_EQ(std::count(shown.begin(), shown.end(), working), static_cast<long>(shown.size()));
    EXPECT_EQ(scope.Services().ModalForms().size(), 1u) << "no second dialog";
    EXPECT_EQ(cable->line.Requests().at(0), "CABLE CONNECT");
    EXPECT_TRUE(Sent("+id1234")) << "the login with the key";
    EXPECT_EQ(scope.App().Screen().Cursor(), ui::crDefault);
    EXPECT_FALSE(main->StatusBar1->SimplePanel());
    EXPECT_TRUE(main->StatusText(TFormMain::PanelPort).ends_with("sim-cable"));
    EXPECT_EQ(EnabledFlags(main->Timer1, main->tbConnect), "10");
    EXPECT_NE(ReadIni().find("rb1=1"), std::string::npos) << "the settings are saved";

    controller->Disconnect();
    EXPECT_EQ(main->StatusText(TFormMain::PanelPort), "");

    // A modem line without a phone number is not dialled: a device straight on the line answers.
    cable->line.ClearReceived();
    AnswerConnect(Modem("sim-cable", "  "));
    ASSERT_TRUE(controller->Connect());
    EXPECT_EQ(scope.Services().ModalForms(), (std::vector<std::string>{"FormConnect", "FormConnect"}));
    EXPECT_FALSE(Sent("CABLE CONNECT"));
    EXPECT_TRUE(Sent("+id1234"));
}

TEST_F(S7QX1FormsControllerTest, ClosingTheWindowDuringAConnectStopsItAtItsNextStepThenCloses)
{
    Start();
    AddCable(120);
    main->tvLog->OnAddition = [this](ui::TObject*, ui::TTreeNode*) {
        main->tvLog->OnAddition = nullptr;
        ui::App().Post([this] { main->Close(); });
    };
    AnswerConnect(Cable("sim-cable"));
    EXPECT_FALSE(controller->Connect());
    EXPECT_EQ(cable->line.Requests(), (std::vector<std::string>{"CABLE CONNECT"})) << "no login after the close";
    EXPECT_EQ(controller->PortWorker, nullptr);
    user.Advance(TFormMain::CloseRetryMs);
    EXPECT_EQ(main->Controller(), nullptr) << "the window closed once the connect had stopped";
}

// Each failure takes the connection down completely and tells why; a refused key is the line-timing
// suite's.
TEST_F(S7QX1FormsControllerTest, AFailedConnectTakesTheConnectionDownAndSaysWhy)
{
    Start();
    AddCable(120);
    cable->line.AddFault("CABLE CONNECT", sim::Fault{sim::FaultKind::Vanish});
    const std::string dead = (folder / "ports" / "dead").string();
    std::filesystem::create_symlink(folder / "nowhere", dead);
    // A port that cannot be opened is told in a box; a device lost under the connect in the errors window,
    // in the interface's words (the log keeps the port's own).
    const std::pair<std::string, std::string> failures[] = {{"no such port", "Ошибка подключения: порт не выбран."},
                                                            {dead, "Ошибка подключения: порт «" + dead + "» не найден."},
                                                            {"sim-cable", ""}};
    for (const auto& [port, box] : failures) {
        AnswerConnect(Cable(port));
        if (box.empty()) CatchErrorWindow();
        ASSERT_TRUE(user.Click(*main->tbConnect));
        EXPECT_FALSE(Connected());
        EXPECT_EQ(controller->PortWorker, nullptr);
        EXPECT_EQ(EnabledFlags(main->tbConnect, main->tbDisconnect, main->tbRead), "100");
        ASSERT_FALSE(Boxes().empty());
        EXPECT_TRUE(box.empty() || Boxes().back().starts_with(box)) << Boxes().back();
    }
    EXPECT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(errorLines, std::vector<std::string>{"Связь с устройством потеряна. Подключение не выполнено"});
    EXPECT_TRUE(Logged("Связь с устройством потеряна: "));
}

// A refused key is said in a box and the dialog comes again with the port, the line and the key as typed
// (selected, with the focus on it), so that only the key needs typing again. A new connection also empties
// the status bar's upload bar, which a finished upload had left full.
TEST_F(S7QX1FormsControllerTest, ARefusedMasterKeyIsSaidAndTheDialogComesAgainWithItsFieldsKept)
{
    Start();
    AddCable(120);
    main->KitProgressBar1->SetTotalParts(10);
    main->KitProgressBar1->SetPartsComplete(10);
    AnswerConnect(With(Cable("sim-cable"), [](ConnectChoice& c) { c.key = "4321"; }));
    std::string again;
    scope.Services().AnswerModal([&](ui::TForm& form) {
        auto& dialog = static_cast<TFormConnect&>(form);
        again = std::string(dialog.ComPorts->Text().ends_with("sim-cable") ? "sim-cable" : "another port") +
                (dialog.rb1->Checked() ? " cable " : " modem ") + dialog.MKEdit->Text() + " " +
                std::to_string(dialog.MKEdit->SelLength()) + (dialog.ActiveControl() == dialog.MKEdit ? " focused" : "");
        dialog.MKEdit->SetText("1234");
        dialog.SetModalResult(ui::mrOk);
    });
    ASSERT_TRUE(user.Click(*main->tbConnect));
    EXPECT_TRUE(Connected());
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Неверный мастер-ключ"});
    EXPECT_EQ(again, "sim-cable cable 4321 4 focused");
    EXPECT_EQ(main->KitProgressBar1->PartsComplete(), 0u);
}

TEST_F(S7QX1FormsControllerTest, ACancelledDialogStillSavesTheSettingsAndThePhoneList)
{
    WriteIni("[Connect]\r\nrb1=0\r\nrb2=1\r\n[FormConnect]\r\nDialPhonesNum=5\r\nDialPhone1=111\r\nDialPhone2=222\r\n"
             "DialPhone3=333\r\nDialPhone4=444\r\nDialPhone5=555\r\n");
    Start();
    for (const char* phone : {"000", "222", ""}) {
        AnswerConnect(With(Modem("x", phone), [](auto& c) { c.ok = false; }));
        EXPECT_FALSE(controller->Connect());
    }
    const std::string ini = ReadIni();
    EXPECT_NE(ini.find("DialPhonesNum=5\r\nDialPhone1=000\r\nDialPhone2=111\r\nDialPhone3=222\r\nDialPhone4=333\r\n"
                       "DialPhone5=444"),
              std::string::npos)
        << "the new number first, the alphabetically last dropped; a known or empty one changes nothing\n" << ini;
    EXPECT_EQ(scope.Services().ModalForms().size(), 3u) << "no dial dialog after a cancel";
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

// ------------------------------------------------------------------ modem line

// The call that drops during an action closes the bracket, then disconnects and says so in the error
// window; the next call is taken down by the disconnect.
TEST_F(S7QX1FormsControllerTest, ModemConnectDialsThroughTheDialogReadsAPageOverTheCallAndHangsUp)
{
    Start();
    AddModem(120);
    modemDevice->SetValue("o", "1A2B");
    for (int call = 0; call < 2; ++call) {
        AnswerConnect(Modem("sim-modem", "+79123456789"));
        AnswerDial();
        ASSERT_TRUE(controller->Connect());
        EXPECT_EQ(modemLine->modem().DialledNumber(), "+79123456789");
        controller->ReadCurrent();
        EXPECT_EQ(FormCommon->etO->Text(), "1A2B");
        if (call == 0) modemLine->modem().DropCallOn("+OUTS03");
        call == 0 ? controller->OutputsOn() : controller->Disconnect();
        EXPECT_FALSE(Connected());
        EXPECT_FALSE(modemLine->modem().CallUp());
        EXPECT_EQ(controller->OperationDepth(), 0);
        EXPECT_EQ(EnabledFlags(main->tbConnect, main->tbRead, main->tv1, main->ToolBar1), "1011");
    }
    EXPECT_EQ(scope.Services().ModalForms(), (std::vector<std::string>{"FormConnect", "FormDial", "", "FormConnect", "FormDial"}));
    const auto requests = modemLine->line().Requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "CABLE CONNECT"), 0) << "no cable handshake on a modem";
    EXPECT_TRUE(Boxes().empty());
}

// ------------------------------------------------------------------ gates

// What the firmware build and the panel offer, as one line: the tree, the commands, the common page's
// groups, the system-events and GPRS pages, the history page's buttons.
struct Gate {
    int build;
    sim::PanelKind panel;
    const char* offered;
};

class Gates : public S7QX1FormsControllerTest, public ::testing::WithParamInterface<Gate> {
protected:
    std::string Offered() const
    {
        const TFormMain& m = *main;
        const TFormCommon& c = *FormCommon;
        const TFormHistory& h = *FormHistory;
        return "tree " + std::to_string(m.tv1->Items().RootCount()) + " " +
               EnabledFlags(m.tv1, m.tbRead, m.tbReadAll, m.tbWrite, m.tbWriteAll, m.tbDisconnect, m.mnuReload, m.mnuRead,
                            m.mnuReadAll, m.mnuWrite, m.mnuWriteAll, m.mnuDisconnect, m.UpdateFirmware, c.btnSync) +
               " common " + VisibleFlags(c.GroupBox6, c.cbARazd, c.lbAltsect, c.cbAltsect, c.KitGroupBox1, c.MKBox, c.ImeiIdent) +
               " atests " + std::to_string(formATests->DeltaMinuts->Items().Count()) + VisibleFlags(formATests->DeltaATest) +
               " gprs " + EnabledFlags(formGPRS->CheckBox1) + " history " +
               EnabledFlags(h.btnBackward, h.Button2, h.btnClear, h.Button1, h.Button3);
    }
};

TEST_P(Gates, FollowTheFirmwareAndThePanelAndGoWithTheConnection)
{
    Start();
    ASSERT_TRUE(ConnectByCable(GetParam().build, GetParam().panel));
    // An operation gives back what the gates set.
    controller->BeginOperation();
    controller->EndOperation();
    EXPECT_EQ(Offered(), GetParam().offered);
    EXPECT_EQ(controller->CurrentPage, FormCommon);
    EXPECT_EQ(main->tv1->Selected()->StateIndex(), 0);
    controller->Disconnect();
    const TFormMain& m = *main;
    EXPECT_EQ(EnabledFlags(m.tv1, m.tbRead, m.UpdateFirmware, FormCommon->btnSync) + VisibleFlags(FormCommon->KitGroupBox1) +
                  EnabledFlags(FormHistory->btnBackward, FormHistory->Button2, FormHistory->btnClear, FormHistory->Button1,
                               FormHistory->Button3),
              "1000000000")
        << "the pages can be browsed again, nothing else is offered";
}

INSTANTIATE_TEST_SUITE_P(
    Builds, Gates,
    ::testing::Values(
        Gate{45, sim::PanelKind::Altonika, "tree 7 11111111111111 common 0111000 atests 120 gprs 0 history 11111"},
        Gate{69, sim::PanelKind::Altonika, "tree 7 11111111111111 common 1011000 atests 120 gprs 0 history 11111"},
        Gate{70, sim::PanelKind::Altonika, "tree 7 11111111111111 common 0011100 atests 120 gprs 0 history 11111"},
        Gate{96, sim::PanelKind::Paradox, "tree 7 11111111111111 common 0100010 atests 121 gprs 0 history 11111"},
        Gate{120, sim::PanelKind::Altonika, "tree 7 11111111111111 common 0011111 atests 121 gprs 1 history 11111"},
        Gate{108, sim::PanelKind::Bolid, "tree 9 00000100000110 common 0111011 atests 121 gprs 0 history 00000"},
        Gate{109, sim::PanelKind::Bolid, "tree 9 11111111111111 common 0100010 atests 121 gprs 0 history 11111"},
        Gate{93, sim::PanelKind::Altonika, "tree 7 11111111111111 common 0011100 atests 120 gprs 0 history 11111"},
        Gate{115, sim::PanelKind::Altonika, "tree 7 11111111111111 common 0011110 atests 121 gprs 0 history 11111"},
        Gate{116, sim::PanelKind::Altonika, "tree 7 11111111111111 common 0011110 atests 121 gprs 1 history 11111"},
        Gate{121, sim::PanelKind::Altonika, "tree 7 11111111111111 common 0011111 atests 601 gprs 1 history 11111"}),
    [](const auto& info) { return std::to_string(info.param.build) + "_" + std::to_string(static_cast<int>(info.param.panel)); });

}  // namespace
