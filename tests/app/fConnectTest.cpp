// The connect dialog: its line choice and key, its settings in the ini file, its buttons, and the
// automatic search over pseudo-terminals (silent ones, one with the simulated communicator).
#include "app/fConnect.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "link/COMUtils.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "tests/support/When.h"
#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/Layout.h"

namespace fs = std::filesystem;

namespace {

using testsupport::When;

const char* const kCaption = "Подключение к панели";

struct ConnectFixture : ::testing::Test {
    ConnectFixture()
    {
        std::string pattern = (fs::temp_directory_path() / "sorvel-connect-XXXXXX").string();
        folder = ::mkdtemp(pattern.data()) != nullptr ? pattern : throw std::runtime_error("mkdtemp failed");
        dlg = ui::Create<TFormConnect>(&scope.App(), "FormConnect");
        dlg->SetPortLister([this] { return ports; });
    }
    ~ConnectFixture() override
    {
        ui::Free(dlg);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    TMemIniFile Ini(const std::string& text)
    {
        std::ofstream(folder / "current.ini") << text;
        return TMemIniFile(folder / "current.ini");
    }
    // The line, what it enables, the key, the phone list and the phone shown.
    std::string State() const
    {
        const auto flag = [](bool on) { return on ? "1" : "0"; };
        return std::string(flag(dlg->rb1->Checked())) + flag(dlg->rb2->Checked()) + " " + flag(dlg->Label2->Enabled()) +
               flag(dlg->cbPhones->Enabled()) + flag(dlg->AutoSearchButton->Enabled()) + " " + dlg->MKEdit->Text() + " " +
               dlg->cbPhones->Items().Join(",") + " " + dlg->cbPhones->Text();
    }
    // Nothing keeps the ports the search tried.
    void ExpectFree(const std::vector<std::string>& tried)
    {
        for (const std::string& port : tried) {
            TComHandle handle;
            EXPECT_TRUE(OpenComPort(port, 19200, handle, scope.Clock())) << port;
            CloseComPort(handle);
        }
    }
    // The search has ended and given everything back.
    void ExpectIdle()
    {
        EXPECT_FALSE(dlg->Searching);
        EXPECT_EQ(dlg->Caption(), kCaption);
        TKitDialogButtons& bar = *dlg->KitDialogButtons1;
        EXPECT_TRUE(bar.ButtonOk()->Enabled() && dlg->ComPorts->Enabled() && dlg->UpdateCOMsSpeedButton->Enabled());
    }

    const std::vector<ui::MessageBoxRequest>& Boxes() { return scope.Services().Boxes(); }

    ui::ApplicationScope scope;
    fs::path folder;
    std::vector<std::string> ports;
    TFormConnect* dlg = nullptr;
    ui::Driver driver;
};

TEST_F(ConnectFixture, StartsOnTheCableWithTheFactoryKeyTheLineChoiceEnablesPhoneOrSearchAndRefreshSortsThePorts)
{
    dlg->Show();
    EXPECT_EQ(State(), "10 001 5816  ");
    EXPECT_TRUE(driver.TypeText(*dlg->MKEdit, "12345"));
    EXPECT_EQ(dlg->MKEdit->Text(), "5816") << "at most four characters";
    ASSERT_TRUE(driver.Click(*dlg->rb2));
    EXPECT_EQ(State(), "01 110 5816  ");
    EXPECT_FALSE(driver.Click(*dlg->AutoSearchButton));
    ASSERT_TRUE(driver.Click(*dlg->rb1));
    EXPECT_EQ(State(), "10 001 5816  ");

    ports = {"/dev/ttyUSB0", "/dev/ttyS10", "/dev/ttyS2"};
    ASSERT_TRUE(driver.Click(*dlg->UpdateCOMsSpeedButton));
    EXPECT_EQ(dlg->ComPorts->Items().Join(",") + " " + dlg->ComPorts->Text(), "/dev/ttyS10,/dev/ttyS2,/dev/ttyUSB0 /dev/ttyS10");
    ports.clear();
    dlg->UpdateComPorts();
    EXPECT_EQ(dlg->ComPorts->ItemIndex(), -1);
}

TEST_F(ConnectFixture, OkNeedsAPortAndCancelClosesAndSavingLeavesTheNumbersOfALongerListAndTheBarsButtonsOut)
{
    dlg->cbPhones->Items().Add("111");
    TMemIniFile ini = Ini("[FormConnect]\nDialPhone5=left from a longer list\n");
    dlg->SaveSettings(ini);
    EXPECT_EQ(ini.ReadString("FormConnect", "DialPhonesNum", ""), "1");
    EXPECT_EQ(ini.ReadString("FormConnect", "DialPhone5", ""), "left from a longer list");
    EXPECT_FALSE(ini.ValueExists("Connect", "DialPhonesNum"));
    for (const std::string& key : ini.ReadSection("FormConnect")) EXPECT_EQ(key.find("Button"), std::string::npos) << key;

    TKitDialogButtons& bar = *dlg->KitDialogButtons1;
    EXPECT_EQ(bar.CaptionOk() + bar.CaptionCancel(), "OKCancel");
    scope.Services().AnswerModal([&](ui::TForm&) {
        ui::App().Post([&] {
            driver.PressKey(*dlg->MKEdit, ui::VK_RETURN);
            EXPECT_EQ(dlg->ModalResult(), ui::mrNone) << "no port, no connect: the dialog stays";
            driver.Click(*bar.ButtonCancel());
        });
    });
    EXPECT_EQ(dlg->ShowModal(), ui::mrCancel);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "Выберите Com-порт, к которому подключена панель.");

    // A port named by a long path widens its box, the refresh button beside it, the dialog around them.
    const std::string longPort = "/home/operator/sorvel/build/run/gui/ports/sim-communicator";
    ports = {"/dev/ttyUSB0", longPort};
    dlg->UpdateComPorts();
    EXPECT_GE(dlg->ComPorts->Width(), ui::Layout::ComboFitWidth(*dlg->ComPorts, {longPort}));
    EXPECT_GE(dlg->UpdateCOMsSpeedButton->Left(), dlg->ComPorts->Left() + dlg->ComPorts->Width());
    EXPECT_GE(dlg->ClientWidth(), dlg->UpdateCOMsSpeedButton->Left() + dlg->UpdateCOMsSpeedButton->Width());
    // Enter with the focus on "Автопоиск" presses OK, the default button, and starts no search.
    scope.Services().AnswerModal([&](ui::TForm&) {
        ui::App().Post([&] {
            driver.Focus(*dlg->AutoSearchButton);
            driver.PressKey(*dlg->AutoSearchButton, ui::VK_RETURN);
            if (dlg->ModalResult() == ui::mrNone) dlg->SetModalResult(ui::mrAbort);
        });
    });
    EXPECT_EQ(dlg->ShowModal(), ui::mrOk);
    EXPECT_EQ(Boxes().size(), 1u);
}

// Each file is loaded into a dialog left on the modem with a phone typed. A count of two billion is
// answered from the keys there are, at once; a line chosen nowhere falls back to the cable.
struct SettingsCase {
    const char* ini;
    const char* state;
};

class ConnectSettings : public ConnectFixture, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(ConnectSettings, LoadSafely)
{
    dlg->rb2->SetChecked(true);
    dlg->cbPhones->SetText("typed");
    const auto start = std::chrono::steady_clock::now();
    dlg->LoadSettings(Ini(GetParam().ini));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(State(), GetParam().state);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ConnectSettings,
    ::testing::Values(SettingsCase{"[FormConnect]\nDialPhonesNum=3\nDialPhone1= 89120000001 \nDialPhone2=\nDialPhone3=+70000000000\n"
                                   "DialPhone4=not read\nCurDialPhone=555\nMKEdit=1234\n[Connect]\nrb1=0\nrb2=1\n",
                                   "01 110 1234 +70000000000,89120000001 555"},
                      SettingsCase{"", "10 001 5816  typed"},
                      SettingsCase{"[FormConnect]\nDialPhonesNum=2147483647\nDialPhone1=111\nDialPhone01=not a key of ours\n"
                                   "DialPhone2147483647=222\n[Connect]\nrb1=0\nrb2=0\n",
                                   "10 001 5816 111,222 typed"},
                      SettingsCase{"[FormConnect]\nDialPhonesNum=-3\nDialPhone1=111\n", "10 001 5816  typed"}));

// ------------------------------------------------------------------ the automatic search

// Ports for the search: links in the folder (named so that their order is known), each a pseudo-terminal;
// silent ones have nobody behind them, the device has the simulated communicator.
struct SearchFixture : ConnectFixture {
    std::string Silent(const std::string& name)
    {
        silent.push_back(std::make_unique<sim::Pty>(folder, name));
        return silent.back()->LinkPath().string();
    }
    std::string Device(const std::string& name)
    {
        devicePty = std::make_unique<sim::Pty>(folder, name);
        deviceLine = std::make_unique<sim::Line>(*devicePty, device);
        deviceLine->SetRequestPacing(true);
        return devicePty->LinkPath().string();
    }

    sim::Communicator device{{}, scope.Clock()};
    std::vector<std::unique_ptr<sim::Pty>> silent;
    std::unique_ptr<sim::Pty> devicePty;
    std::unique_ptr<sim::Line> deviceLine;
};

// No port at all; then a port that vanishes while it is tried (reported), a link to something that is no
// terminal (it opens but cannot be set up: skipped quietly) and a port nobody answers on.
TEST_F(SearchFixture, NoPortAFailingPortOrNoAnswerIsToldACancelStopsItAndTheDeviceIsFoundOnItsPort)
{
    dlg->Show();
    ASSERT_TRUE(driver.Click(*dlg->AutoSearchButton));
    const std::string failing = Silent("a-failing");
    std::ofstream(folder / "b-file") << "x";
    ports = {failing, (folder / "b-file").string(), Silent("c-silent")};
    When([&] { return dlg->Searching && dlg->Caption() == failing; }, [&] { silent.front()->CloseMaster(); });
    const auto start = scope.Clock().NowMs();
    ASSERT_TRUE(driver.Click(*dlg->AutoSearchButton));
    EXPECT_GE(scope.Clock().ElapsedSince(start), 5000u);
    const auto& boxes = Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Нет доступных последовательных портов.");
    EXPECT_TRUE(boxes[1].text.starts_with("Ошибка при работе с портом \"") && boxes[1].text.ends_with("\"")) << boxes[1].text;
    EXPECT_EQ(boxes[2].text, "Панель не обнаружена.");
    EXPECT_EQ(boxes[0].type, ui::mtError);
    EXPECT_EQ(boxes[2].type, ui::mtInformation);
    EXPECT_EQ(dlg->ModalResult(), ui::mrNone);
    ExpectIdle();
    EXPECT_TRUE(dlg->AutoSearchButton->Enabled());
    ExpectFree({ports[2]});

    // A cancel stops the search and the dialog stays open; meanwhile the user also picks the modem and
    // back and the modem again: the search's button stays off.
    scope.Services().ClearRecords();
    ports = {Silent("d"), Silent("e")};
    When([&] { return dlg->Searching; },
         [&] {
             driver.Click(*dlg->rb2);
             driver.Click(*dlg->rb1);
             EXPECT_FALSE(dlg->AutoSearchButton->Enabled());
             driver.Click(*dlg->rb2);
         });
    When([&] { return dlg->Searching && dlg->Caption() == ports[1]; }, [&] { driver.Click(*dlg->KitDialogButtons1->ButtonCancel()); });
    const auto cancelledAt = scope.Clock().NowMs();
    ASSERT_TRUE(driver.Click(*dlg->AutoSearchButton));
    EXPECT_LT(scope.Clock().ElapsedSince(cancelledAt), 2u * 5000u);
    EXPECT_EQ(dlg->ModalResult(), ui::mrNone);
    EXPECT_TRUE(Boxes().empty());
    ExpectIdle();
    EXPECT_EQ(State(), "01 110 5816  ");
    ExpectFree(ports);

    // The device on the second of three ports: found, with the dialog locked meanwhile.
    ASSERT_TRUE(driver.Click(*dlg->rb1));
    ports = {Silent("f-silent"), Device("g-device"), Silent("h-silent"), (folder / "i-missing").string()};
    bool lockedMeanwhile = false;
    std::string captionMeanwhile;
    When([&] { return dlg->Searching; },
         [&] {
             captionMeanwhile = dlg->Caption();
             lockedMeanwhile = !driver.Click(*dlg->KitDialogButtons1->ButtonOk()) && !dlg->ComPorts->Enabled() &&
                               !dlg->UpdateCOMsSpeedButton->Enabled() && !dlg->AutoSearchButton->Enabled();
         });
    const auto foundFrom = scope.Clock().NowMs();
    ASSERT_TRUE(driver.Click(*dlg->AutoSearchButton));
    EXPECT_EQ(dlg->ModalResult(), ui::mrOk);
    EXPECT_EQ(dlg->ComPorts->Text(), ports[1]);
    EXPECT_GE(scope.Clock().ElapsedSince(foundFrom), 5000u) << "the first port had its whole five seconds";
    EXPECT_EQ(captionMeanwhile, ports[0]);
    EXPECT_TRUE(lockedMeanwhile);
    ExpectIdle();
    EXPECT_TRUE(Boxes().empty());
    ExpectFree({ports[0], ports[1], ports[2]});
    EXPECT_EQ(deviceLine->Requests(), (std::vector<std::string>{"+v"})) << "the third was never opened";
    ASSERT_TRUE(driver.Click(*dlg->KitDialogButtons1->ButtonCancel()));
    EXPECT_EQ(dlg->ModalResult(), ui::mrCancel) << "not searching, Cancel closes";
}

}  // namespace
