#include "app/fConnect.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
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
using sim::Fault;
using sim::FaultKind;

namespace {

using testsupport::When;

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "sorvel-connect-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

struct ConnectFixture : ::testing::Test {
    ConnectFixture()
    {
        dlg = ui::Create<TFormConnect>(&scope.App(), "FormConnect");
        dlg->SetPortLister([this] { return ports; });
    }
    ~ConnectFixture() override { ui::Free(dlg); }

    TMemIniFile Ini(const std::string& text)
    {
        const fs::path file = folder.Path() / "current.ini";
        std::ofstream(file) << text;
        return TMemIniFile(file);
    }

    bool PortIsFree(const std::string& path)
    {
        TComHandle handle;
        const bool opened = OpenComPort(path, 19200, handle, scope.Clock());
        CloseComPort(handle);
        return opened;
    }

    std::vector<std::string> Boxes()
    {
        std::vector<std::string> texts;
        for (const auto& box : scope.Services().Boxes()) texts.push_back(box.text);
        return texts;
    }

    ui::ApplicationScope scope;
    TempFolder folder;
    std::vector<std::string> ports;
    TFormConnect* dlg = nullptr;
    ui::Driver driver;
};

// Ports for the automatic search: links in a folder (named so that their order is known), each a
// pseudo-terminal; silent ones have nobody behind them, the device has the simulated communicator.
struct SearchFixture : ConnectFixture {
    std::string Silent(const std::string& name)
    {
        silent.push_back(std::make_unique<sim::Pty>(folder.Path(), name));
        return silent.back()->LinkPath().string();
    }
    std::string Device(const std::string& name)
    {
        devicePty = std::make_unique<sim::Pty>(folder.Path(), name);
        deviceLine = std::make_unique<sim::Line>(*devicePty, device);
        deviceLine->SetRequestPacing(true);
        return devicePty->LinkPath().string();
    }

    sim::Communicator device{{}, scope.Clock()};
    std::vector<std::unique_ptr<sim::Pty>> silent;
    std::unique_ptr<sim::Pty> devicePty;
    std::unique_ptr<sim::Line> deviceLine;
};

}  // namespace

TEST_F(ConnectFixture, StartsOnTheCableWithTheFactoryKey)
{
    EXPECT_TRUE(dlg->rb1->Checked());
    EXPECT_FALSE(dlg->rb2->Checked());
    EXPECT_FALSE(dlg->Label2->Enabled());
    EXPECT_FALSE(dlg->cbPhones->Enabled());
    EXPECT_TRUE(dlg->AutoSearchButton->Enabled());
    EXPECT_EQ(dlg->MKEdit->Text(), "5816");
    EXPECT_FALSE(ui::Layout::HasOverlap(*dlg));
    dlg->Show();
    EXPECT_TRUE(driver.TypeText(*dlg->MKEdit, "12345"));
    EXPECT_EQ(dlg->MKEdit->Text(), "5816");  // at most four characters
}

TEST_F(ConnectFixture, LineChoiceEnablesPhoneOrSearch)
{
    dlg->Show();
    ASSERT_TRUE(driver.Click(*dlg->rb2));
    EXPECT_TRUE(dlg->Label2->Enabled());
    EXPECT_TRUE(dlg->cbPhones->Enabled());
    EXPECT_FALSE(dlg->AutoSearchButton->Enabled());
    EXPECT_FALSE(driver.Click(*dlg->AutoSearchButton));
    ASSERT_TRUE(driver.Click(*dlg->rb1));
    EXPECT_FALSE(dlg->rb2->Checked());
    EXPECT_FALSE(dlg->Label2->Enabled());
    EXPECT_FALSE(dlg->cbPhones->Enabled());
    EXPECT_TRUE(dlg->AutoSearchButton->Enabled());
}

TEST_F(ConnectFixture, ButtonBarSitsAtTheBottomWithOkAndCancelFlushRight)
{
    TKitDialogButtons& bar = *dlg->KitDialogButtons1;
    EXPECT_EQ(bar.Parent(), dlg);
    EXPECT_EQ(bar.Align(), ui::alBottom);
    EXPECT_EQ(bar.Left(), 0);
    EXPECT_EQ(bar.Width(), dlg->ClientWidth());
    EXPECT_EQ(bar.Top() + bar.Height(), dlg->ClientHeight());
    EXPECT_GE(bar.Top(), dlg->AutoSearchButton->Top() + dlg->AutoSearchButton->Height()) << "below the last row";
    EXPECT_EQ(bar.CaptionOk(), "OK");
    EXPECT_EQ(bar.CaptionCancel(), "Cancel");
    EXPECT_FALSE(bar.ShowHelpButton());
    EXPECT_TRUE(bar.HotTrack());
    EXPECT_EQ(bar.ButtonCancel()->BoundsRect(), ui::Bounds(bar.Width() - 83, 6, 75, 25));
    EXPECT_EQ(bar.ButtonOk()->BoundsRect(), ui::Bounds(bar.Width() - 166, 6, 75, 25));

    // The bar's buttons are no settings of the dialog.
    TMemIniFile ini("/nonexistent/none.ini");
    dlg->SaveSettings(ini);
    for (const std::string& key : ini.ReadSection("FormConnect"))
        EXPECT_EQ(key.find("Button"), std::string::npos) << key;
}

TEST_F(ConnectFixture, CancelClosesWithCancelAndOkWithOkOnceAPortIsChosen)
{
    TKitDialogButtons& bar = *dlg->KitDialogButtons1;
    scope.Services().AnswerModal([&](ui::TForm&) {
        ui::App().Post([&] {
            driver.PressKey(*dlg->MKEdit, ui::VK_RETURN);
            EXPECT_EQ(dlg->ModalResult(), ui::mrNone) << "no port, no connect: the dialog stays";
            driver.Click(*bar.ButtonCancel());
        });
    });
    EXPECT_EQ(dlg->ShowModal(), ui::mrCancel);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Выберите Com-порт, к которому подключена панель."}));

    ports = {"/dev/ttyUSB0"};
    dlg->UpdateComPorts();
    scope.Services().AnswerModal([&](ui::TForm&) { ui::App().Post([&] { driver.Click(*bar.ButtonOk()); }); });
    EXPECT_EQ(dlg->ShowModal(), ui::mrOk);

    // A press and release of the mouse over the button, and the keys the bar's buttons answer.
    scope.Services().AnswerModal([&](ui::TForm&) {
        ui::App().Post([&] {
            driver.MouseDown(*bar.ButtonOk(), ui::mbLeft, {}, 10, 10);
            driver.MouseUp(*bar.ButtonOk(), ui::mbLeft, {}, 10, 10);
        });
    });
    EXPECT_EQ(dlg->ShowModal(), ui::mrOk);
    scope.Services().AnswerModal([&](ui::TForm&) { ui::App().Post([&] { driver.PressKey(*dlg->MKEdit, ui::VK_ESCAPE); }); });
    EXPECT_EQ(dlg->ShowModal(), ui::mrCancel);
    scope.Services().AnswerModal([&](ui::TForm&) { ui::App().Post([&] { driver.PressKey(*dlg->MKEdit, ui::VK_RETURN); }); });
    EXPECT_EQ(dlg->ShowModal(), ui::mrOk);
    EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(ConnectFixture, RefreshListsThePortsSortedAndSelectsTheFirst)
{
    ports = {"/dev/ttyUSB0", "/dev/ttyS10", "/dev/ttyS2"};
    dlg->Show();
    ASSERT_TRUE(driver.Click(*dlg->UpdateCOMsSpeedButton));
    EXPECT_EQ(dlg->ComPorts->Items().Lines(), (std::vector<std::string>{"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyUSB0"}));
    EXPECT_EQ(dlg->ComPorts->ItemIndex(), 0);
    EXPECT_EQ(dlg->ComPorts->Text(), "/dev/ttyS10");
    ports.clear();
    dlg->UpdateComPorts();
    EXPECT_TRUE(dlg->ComPorts->Items().Empty());
    EXPECT_EQ(dlg->ComPorts->ItemIndex(), -1);
}

TEST_F(ConnectFixture, LoadsControlsLineAndPhones)
{
    const TMemIniFile ini = Ini(
        "[FormConnect]\nDialPhonesNum=3\nDialPhone1= 89120000001 \nDialPhone2=\n"
        "DialPhone3=+70000000000\nDialPhone4=not read\nCurDialPhone=555\n"
        "[Connect]\nrb1=0\nrb2=1\n");
    dlg->LoadSettings(ini);
    EXPECT_FALSE(dlg->rb1->Checked());
    EXPECT_TRUE(dlg->rb2->Checked());
    // Checking the modem from the settings runs the click: the phone box is usable.
    EXPECT_TRUE(dlg->cbPhones->Enabled());
    EXPECT_FALSE(dlg->AutoSearchButton->Enabled());
    EXPECT_EQ(dlg->cbPhones->Items().Lines(), (std::vector<std::string>{"+70000000000", "89120000001"}));
    EXPECT_EQ(dlg->cbPhones->Text(), "555");
}

TEST_F(ConnectFixture, MissingKeysKeepTheDefaults)
{
    dlg->cbPhones->SetText("typed");
    dlg->LoadSettings(Ini(""));
    EXPECT_TRUE(dlg->rb1->Checked());
    EXPECT_FALSE(dlg->rb2->Checked());
    EXPECT_TRUE(dlg->cbPhones->Items().Empty());
    EXPECT_EQ(dlg->cbPhones->Text(), "typed");
    EXPECT_EQ(dlg->MKEdit->Text(), "5816");
}

TEST_F(ConnectFixture, DamagedSettingsLoadSafely)
{
    dlg->rb2->SetChecked(true);
    // A count of two billion is answered from the keys there are, at once; a line chosen nowhere
    // falls back to the cable.
    const auto start = std::chrono::steady_clock::now();
    dlg->LoadSettings(Ini("[FormConnect]\nDialPhonesNum=2147483647\nDialPhone1=111\nDialPhone01=not a key of ours\n"
                          "DialPhone2147483647=222\n[Connect]\nrb1=0\nrb2=0\n"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(dlg->cbPhones->Items().Lines(), (std::vector<std::string>{"111", "222"}));
    EXPECT_TRUE(dlg->rb1->Checked());
    EXPECT_FALSE(dlg->cbPhones->Enabled());
    EXPECT_TRUE(dlg->AutoSearchButton->Enabled());

    dlg->cbPhones->Items().Clear();
    dlg->LoadSettings(Ini("[FormConnect]\nDialPhonesNum=-3\nDialPhone1=111\n"));
    EXPECT_TRUE(dlg->cbPhones->Items().Empty());
}

TEST_F(ConnectFixture, SavingLeavesTheNumbersOfALongerListUnread)
{
    dlg->cbPhones->Items().Add("111");
    TMemIniFile ini = Ini("[FormConnect]\nDialPhone5=left from a longer list\n");
    dlg->SaveSettings(ini);
    EXPECT_EQ(ini.ReadString("FormConnect", "DialPhonesNum", ""), "1");
    EXPECT_EQ(ini.ReadString("FormConnect", "DialPhone5", ""), "left from a longer list");
    EXPECT_FALSE(ini.ValueExists("Connect", "DialPhonesNum"));
}

TEST_F(SearchFixture, FindsTheDeviceOnTheSecondOfThreePorts)
{
    ports = {Silent("a-silent"), Device("b-device"), Silent("c-silent"), (folder.Path() / "d-missing").string()};
    const auto start = scope.Clock().NowMs();
    bool okLockedMeanwhile = false;
    std::string captionMeanwhile;
    scope.Services().AnswerModal([&](ui::TForm&) {
        ui::App().Post([&] { driver.Click(*dlg->AutoSearchButton); });
        When([&] { return dlg->Searching; },
             [&] {
                 captionMeanwhile = dlg->Caption();
                 okLockedMeanwhile = !dlg->KitDialogButtons1->ButtonOk()->Enabled() && !driver.Click(*dlg->KitDialogButtons1->ButtonOk()) &&
                                     !dlg->ComPorts->Enabled() && !dlg->UpdateCOMsSpeedButton->Enabled() &&
                                     !dlg->AutoSearchButton->Enabled();
             });
    });
    EXPECT_EQ(dlg->ShowModal(), ui::mrOk);
    EXPECT_EQ(dlg->ComPorts->ItemIndex(), 1);
    EXPECT_EQ(dlg->ComPorts->Text(), ports[1]);
    // The first port had its whole five seconds.
    EXPECT_GE(scope.Clock().ElapsedSince(start), 5000u);
    EXPECT_EQ(captionMeanwhile, ports[0]);
    EXPECT_TRUE(okLockedMeanwhile);
    EXPECT_EQ(dlg->Caption(), "Подключение к панели");
    EXPECT_FALSE(dlg->Searching);
    EXPECT_TRUE(dlg->KitDialogButtons1->ButtonOk()->Enabled());
    EXPECT_TRUE(dlg->ComPorts->Enabled());
    EXPECT_TRUE(dlg->AutoSearchButton->Enabled());
    EXPECT_TRUE(Boxes().empty());
    // Every port tried was closed again; the third was never opened.
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(PortIsFree(ports[i])) << ports[i];
    EXPECT_EQ(deviceLine->Requests(), (std::vector<std::string>{"+v"}));
}

TEST_F(SearchFixture, NothingAnswersAndTheDialogStaysOpen)
{
    ports = {Silent("a"), Silent("b"), Silent("c")};
    const auto start = scope.Clock().NowMs();
    dlg->Show();
    ASSERT_TRUE(driver.Click(*dlg->AutoSearchButton));
    EXPECT_GE(scope.Clock().ElapsedSince(start), 3u * 5000u);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Панель не обнаружена."}));
    EXPECT_EQ(scope.Services().Boxes().front().type, ui::mtInformation);
    EXPECT_EQ(dlg->ModalResult(), ui::mrNone);
    EXPECT_EQ(dlg->Caption(), "Подключение к панели");
    EXPECT_TRUE(dlg->KitDialogButtons1->ButtonOk()->Enabled());
    EXPECT_TRUE(dlg->AutoSearchButton->Enabled());
    EXPECT_TRUE(dlg->UpdateCOMsSpeedButton->Enabled());
    for (const auto& port : ports) EXPECT_TRUE(PortIsFree(port)) << port;
}

TEST_F(SearchFixture, NoPortAtAllIsAnError)
{
    dlg->Show();
    ASSERT_TRUE(driver.Click(*dlg->AutoSearchButton));
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Нет доступных последовательных портов."}));
    EXPECT_EQ(scope.Services().Boxes().front().type, ui::mtError);
    EXPECT_TRUE(dlg->AutoSearchButton->Enabled());
    EXPECT_TRUE(dlg->ComPorts->Enabled());
    EXPECT_TRUE(dlg->KitDialogButtons1->ButtonOk()->Enabled());
}

TEST_F(SearchFixture, CancelStopsTheSearchAndTheDialogStaysOpen)
{
    ports = {Silent("a"), Silent("b")};
    dlg->Show();
    When([&] { return dlg->Searching && dlg->Caption() == ports[1]; }, [&] { driver.Click(*dlg->KitDialogButtons1->ButtonCancel()); });
    const auto start = scope.Clock().NowMs();
    ASSERT_TRUE(driver.Click(*dlg->AutoSearchButton));
    EXPECT_LT(scope.Clock().ElapsedSince(start), 2u * 5000u);
    EXPECT_FALSE(dlg->Searching);
    EXPECT_EQ(dlg->ModalResult(), ui::mrNone);
    EXPECT_EQ(dlg->Caption(), "Подключение к панели");
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(dlg->AutoSearchButton->Enabled());
    EXPECT_TRUE(dlg->ComPorts->Enabled());
    EXPECT_TRUE(dlg->UpdateCOMsSpeedButton->Enabled());
    EXPECT_TRUE(dlg->KitDialogButtons1->ButtonOk()->Enabled());
    for (const auto& port : ports) EXPECT_TRUE(PortIsFree(port)) << port;
    // Not searching, Cancel closes.
    ASSERT_TRUE(driver.Click(*dlg->KitDialogButtons1->ButtonCancel()));
    EXPECT_EQ(dlg->ModalResult(), ui::mrCancel);
}

TEST_F(SearchFixture, AModemChosenDuringTheSearchKeepsTheButtonOff)
{
    ports = {Silent("a")};
    dlg->Show();
    When([&] { return dlg->Searching; },
         [&] {
             driver.Click(*dlg->rb2);
             driver.Click(*dlg->rb1);
             EXPECT_FALSE(dlg->AutoSearchButton->Enabled());
             driver.Click(*dlg->rb2);
         });
    ASSERT_TRUE(driver.Click(*dlg->AutoSearchButton));
    EXPECT_FALSE(dlg->AutoSearchButton->Enabled());
    EXPECT_TRUE(dlg->cbPhones->Enabled());
}

// Every caption the dialog is given, as the window on the screen gets it.
struct CaptionRecorder : ui::ModelObserver {
    explicit CaptionRecorder(ui::TForm& form) : form(form) { ui::App().SetObserver(this); }
    ~CaptionRecorder() override { ui::App().SetObserver(nullptr); }
    void ControlChanged(ui::TControl& c, ui::ModelChange change) override
    {
        if (&c == &form && change == ui::ModelChange::Text) captions.push_back(form.Caption());
    }
    ui::TForm& form;
    std::vector<std::string> captions;
};

TEST_F(SearchFixture, APortThatFailsIsReportedAndTheSearchGoesOn)
{
    const std::string failing = Silent("a-failing");
    // A link to something that is no terminal opens, but cannot be set up: skipped quietly.
    std::ofstream(folder.Path() / "b-file") << "x";
    ports = {failing, (folder.Path() / "b-file").string(), Device("c-device")};
    // The first port vanishes while it is tried.
    When([&] { return dlg->Searching && dlg->Caption() == failing; }, [&] { silent.front()->CloseMaster(); });
    dlg->Show();
    const CaptionRecorder recorder(*dlg);
    ASSERT_TRUE(driver.Click(*dlg->AutoSearchButton));
    EXPECT_EQ(recorder.captions, (std::vector<std::string>{failing, ports[2], "Подключение к панели"}))
        << "a port is named only once it opened";
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_TRUE(Boxes()[0].starts_with("Ошибка при работе с портом \"")) << Boxes()[0];
    EXPECT_TRUE(Boxes()[0].ends_with("\"")) << Boxes()[0];
    EXPECT_EQ(dlg->ModalResult(), ui::mrOk);
    EXPECT_EQ(dlg->ComPorts->ItemIndex(), 2);
}
