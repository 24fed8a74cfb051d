#include "app/DeviceController.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/fCommon.h"
#include "app/fMain.h"
#include "app/fProgress.h"
#include "link/MyExceptions.h"
#include "tests/support/InfoHookLog.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/SimDevice.h"
#include "ui/Application.h"

namespace {

using testsupport::Profile;
using testsupport::SimDevice;
using Kind = testsupport::RecordingLog::Kind;

class DeviceControllerTest : public ::testing::Test {
protected:
    void Connect(const sim::DeviceProfile& profile)
    {
        dc.reset();
        sim = std::make_unique<SimDevice>(profile, scope.Clock());
        dc = std::make_unique<TDeviceController>(sim->worker, &log);
        dc->Device().SetTimeoutFloor(SimDevice::kTimeoutMs);
        dc->Now = [] { return SimDevice::kWallStart + 3600; };
    }
    void Connect(int build, sim::PanelKind panel = sim::PanelKind::Altonika, std::string hardware = "78")
    {
        Connect(Profile(build, panel, std::move(hardware)));
    }
    std::string Panel(int index) const { return main->StatusText(index); }
    std::vector<std::string> Errors() const { return log.Texts(Kind::Error); }
    std::vector<std::string> Requests() const { return sim->line.Requests(); }

    ui::ApplicationScope scope;
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    TFormCommon* page = ui::Create<TFormCommon>(main->PagesPane, "FormCommon", main->PagesPane);
    testsupport::InfoHookLog log;
    std::unique_ptr<SimDevice> sim;
    std::unique_ptr<TDeviceController> dc;
};

// ------------------------------------------------------------------ version text

TEST(VersionText, IsCutFromTheFirstRevOrFromTheStart)
{
    EXPECT_EQ(CutVersionText(">REV 11.005.120 extra\r\n"), "REV 11.005.120");
    EXPECT_EQ(CutVersionText("11.005.120xxxxxyy"), "11.005.120xxxx");
    EXPECT_EQ(CutVersionText(""), "");
}

TEST(VersionText, NumbersComeFromTheEndAndNeverThrow)
{
    const auto v = ParseVersionNumbers("REV 11.005.120");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->Major, 5);
    EXPECT_EQ(v->Build, 120);
    for (const char* bad : {"REV 11.005.1x0", "REV 11.005", "12", ""}) EXPECT_FALSE(ParseVersionNumbers(bad)) << bad;
}

// ------------------------------------------------------------------ ReadVersion and its gates

TEST_F(DeviceControllerTest, AModernFirmwareGivesPanelFlashCpuAndImei)
{
    Connect(120, sim::PanelKind::Altonika, "78");
    main->Timer1->SetEnabled(true);
    ASSERT_TRUE(dc->ReadVersion());
    EXPECT_EQ(dc->BuildCopy, 120);
    EXPECT_EQ(Panel(TFormMain::PanelVersion), "REV 11.005.120");
    EXPECT_EQ(Panel(TFormMain::PanelType), "Altonika");
    EXPECT_EQ(Panel(TFormMain::PanelFlash), "AT45DB161D");
    EXPECT_EQ(Panel(TFormMain::PanelImei), "356938035643809");
    EXPECT_EQ(dc->Cpu, 1);
    EXPECT_TRUE(main->Timer1->Enabled()) << "the watchdog runs again";
    EXPECT_EQ(Requests(), (std::vector<std::string>{"+v", "+typepan", "+typepan1", "+IMEI"}));
}

TEST_F(DeviceControllerTest, PanelCodesTakeBitsSixToEight)
{
    struct Case {
        const char* code;
        bool ok;
        const char* name;
        int type;
    };
    const Case cases[] = {{"01", true, "Bolid", TDeviceController::PanelBolid},
                          {"06", true, "Paradox", TDeviceController::PanelParadox},
                          {"08", true, "Altonika", TDeviceController::PanelAltonika},
                          {"02", false, "", -1},
                          {"ZZ", false, "", -1}};
    for (const Case& c : cases) {
        Connect(120);
        sim->device.SetValue("typepan", c.code);
        dc->PanelType = -1;
        log.entries.clear();
        EXPECT_EQ(dc->ReadVersion(), c.ok) << c.code;
        EXPECT_EQ(Panel(TFormMain::PanelType), c.name) << c.code;
        EXPECT_EQ(dc->PanelType, c.type) << c.code;
        EXPECT_EQ(page->ParadoxBox->Visible(), c.type == TDeviceController::PanelParadox) << c.code;
        if (!c.ok) {
            EXPECT_EQ(Errors(), std::vector<std::string>{"Не удалось прочитать тип передающей панели"});
            EXPECT_EQ(Panel(TFormMain::PanelFlash), "") << "the hardware is not read after a failed panel type";
        }
    }
}

TEST_F(DeviceControllerTest, HardwareCodesGiveFlashAndCpu)
{
    struct Case {
        int build;
        const char* code;
        const char* flash;
        int cpu;
    };
    const Case cases[] = {{120, "38", "AT45DB161D", 0}, {120, "00", "M45PE16", 0},
                          {94, "40", "M45PE16", 0},     {95, "40", "M45PE16", 1}};
    for (const Case& c : cases) {
        Connect(c.build, sim::PanelKind::Altonika, c.code);
        ASSERT_TRUE(dc->ReadVersion()) << c.build << " " << c.code;
        EXPECT_EQ(Panel(TFormMain::PanelFlash), c.flash) << c.build << " " << c.code;
        EXPECT_EQ(dc->Cpu, c.cpu) << c.build << " " << c.code;
    }
}

TEST_F(DeviceControllerTest, OlderFirmwareSkipsWhatItCannotAnswer)
{
    const std::pair<int, std::vector<std::string>> cases[] = {{48, {"+v"}},
                                                              {49, {"+v", "+typepan"}},
                                                              {64, {"+v", "+typepan"}},
                                                              {65, {"+v", "+typepan", "+typepan1"}},
                                                              {119, {"+v", "+typepan", "+typepan1"}}};
    for (const auto& [build, requests] : cases) {
        main->SetStatusText(TFormMain::PanelImei, "111111111111111");
        main->SetStatusText(TFormMain::PanelType, "Bolid");
        Connect(build);
        dc->PanelType = 2;
        ASSERT_TRUE(dc->ReadVersion()) << build;
        EXPECT_EQ(Requests(), requests) << build;
        EXPECT_EQ(Panel(TFormMain::PanelImei), "") << "a previous device's status is cleared first";
        if (build == 48) {
            EXPECT_EQ(dc->PanelType, 2) << "build 48 reads no panel type";
            EXPECT_EQ(Panel(TFormMain::PanelType), "");
        }
    }
}

TEST_F(DeviceControllerTest, WrongVersionsAreRefusedWithTheirReason)
{
    for (const char* version : {"REV 12.000.010", "REV 11.005", "REV 11.005.0x9"}) {
        sim::DeviceProfile p = Profile(120);
        p.version = version;
        Connect(p);
        log.entries.clear();
        EXPECT_FALSE(dc->ReadVersion()) << version;
        EXPECT_EQ(Errors(), std::vector<std::string>{"Неверная версия прошивки"}) << version;
    }
    EXPECT_EQ(dc->Major, 0);

    sim::DeviceProfile p = Profile(120);
    p.version = "REV 11.004.130";
    Connect(p);
    log.entries.clear();
    EXPECT_FALSE(dc->ReadVersion());
    EXPECT_EQ(Errors(), std::vector<std::string>{"Неверная версия прошивки"});
    EXPECT_EQ(dc->Major, 4) << "the numbers are taken before the 11.005 test";
    EXPECT_EQ(dc->Build, 130);
}

TEST_F(DeviceControllerTest, UnreadableVersionSaysSo)
{
    Connect(120);
    sim->line.AddFault("+v", {sim::FaultKind::Silence}, 3);
    main->Timer1->SetEnabled(true);
    EXPECT_FALSE(dc->ReadVersion());
    EXPECT_EQ(Errors(), std::vector<std::string>{"Не смогли прочесть версию"});
    EXPECT_TRUE(main->Timer1->Enabled());
}

TEST_F(DeviceControllerTest, FailedHardwareReadStillReadsTheImei)
{
    Connect(120);
    sim->line.AddFault("+typepan1", {sim::FaultKind::Nok}, 3);
    EXPECT_FALSE(dc->ReadVersion());
    EXPECT_EQ(Errors(), std::vector<std::string>{"Не удалось прочитать тип флешки"});
    EXPECT_EQ(Panel(TFormMain::PanelImei), "356938035643809");

    Connect(120);
    sim->line.AddFault("+IMEI", {sim::FaultKind::Nok}, 3);
    EXPECT_TRUE(dc->ReadVersion()) << "a missing IMEI does not fail the connection";
    EXPECT_EQ(Panel(TFormMain::PanelImei), "error");
}

TEST_F(DeviceControllerTest, VanishedPortDuringTheVersionIsALinkFailure)
{
    Connect(120);
    sim->line.AddFault("+typepan", {sim::FaultKind::Vanish, 2});
    main->Timer1->SetEnabled(true);
    EXPECT_THROW(dc->ReadVersion(), ELinkFailure);
    EXPECT_TRUE(main->Timer1->Enabled());
}

// ------------------------------------------------------------------ login

TEST_F(DeviceControllerTest, MasterKeyFromBuild96AndRefusedKey)
{
    Connect(95);
    EXPECT_FALSE(dc->MasterKeySupported());

    Connect(96);
    ASSERT_TRUE(dc->MasterKeySupported());
    EXPECT_FALSE(dc->SendMasterKey("0000"));
    EXPECT_FALSE(sim->device.LoggedIn());
    EXPECT_TRUE(dc->SendMasterKey("1234"));
    EXPECT_TRUE(sim->device.LoggedIn());

    sim::DeviceProfile p = Profile(120);
    p.version = "REV 11.005.1x0";
    Connect(p);
    EXPECT_FALSE(dc->MasterKeySupported()) << "digits that do not parse: no login, and no exception";
}

// ------------------------------------------------------------------ errors and progress

TEST_F(DeviceControllerTest, ErrorLinesNameTheGroup)
{
    Connect(120);
    dc->AddReadError("Время");
    dc->AddWriteError("№ объекта");
    dc->AddWriteErrorDetail("№ объекта", "Номер объекта не является 16-ричным числом!");
    EXPECT_EQ(dc->GetErrors().Lines(),
              (std::vector<std::string>{"Ошибка при чтении параметра \"Время\"", "Ошибка при записи параметра \"№ объекта\"",
                                        "Ошибка при записи параметра \"№ объекта\": Номер объекта не является 16-ричным числом!"}));
    dc->LogReading("Время");
    dc->LogWriting("Время");
    EXPECT_EQ(log.Texts(Kind::Info), (std::vector<std::string>{"Читаю \"Время\"", "Пишу \"Время\""}));
}

TEST_F(DeviceControllerTest, CancelBetweenTwoSetUpsIsNotLost)
{
    Connect(120);
    auto* window = ui::Create<TFormProgress>(main, "");
    FormProgress = window;
    dc->SetupProgress(9);
    window->Button1Click(nullptr);
    dc->SetupProgress(11);
    EXPECT_EQ(window->pb->Max(), 11);
    EXPECT_THROW(StepProgress(), TStopException);
    EXPECT_FALSE(window->Visible());
    FormProgress = nullptr;
    ui::Free(window);
}

TEST_F(DeviceControllerTest, CancelMidPageStopsAtTheNextStepWithTheWatchdogOff)
{
    Connect(120);
    main->Timer1->SetEnabled(true);
    bool watchdogDuringCancel = true;
    log.onInfo = [&](const std::string& text) {
        if (text != "Читаю \"Время\"") return;
        FormProgress->Button1->Click();
        watchdogDuringCancel = main->Timer1->Enabled();
    };
    EXPECT_THROW(dc->ReadForm(*page), TStopException);
    EXPECT_FALSE(watchdogDuringCancel) << "the cancel button leaves the watchdog to the exchange";
    EXPECT_TRUE(main->Timer1->Enabled()) << "the exchange gives it back when it ends";
    EXPECT_EQ(Requests(), (std::vector<std::string>{"+o", "+AH"})) << "the group under way ends, no further one starts";
}

TEST_F(DeviceControllerTest, CancelBeforeTheFirstStepNeverShowsTheWindow)
{
    Connect(120);
    bool shown = false;
    log.onInfo = [&](const std::string& text) {
        if (text != "Читаю \"№ объекта\"") return;
        FormProgress->OnShow = [&](ui::TObject*) { shown = true; };
        FormProgress->Button1Click(nullptr);
    };
    EXPECT_THROW(dc->ReadForm(*page), TStopException);
    EXPECT_FALSE(shown);
    EXPECT_EQ(Requests(), std::vector<std::string>{"+o"});
}

TEST_F(DeviceControllerTest, ProgressCountsTheGroupsOfTheFirmware)
{
    const std::pair<int, int> cases[] = {{95, 9}, {96, 10}, {120, 11}};
    for (const auto& [build, count] : cases) {
        Connect(build);
        dc->Major = 5;
        dc->Build = build;
        int max = -1;
        int position = -1;
        log.onInfo = [&](const std::string&) {
            max = FormProgress->pb->Max();
            position = FormProgress->pb->Position();
        };
        dc->ReadForm(*page);
        EXPECT_EQ(max, count) << build;
        EXPECT_LE(position, count) << build;
    }
}

// ------------------------------------------------------------------ guards

TEST_F(DeviceControllerTest, ExchangesNestAndTheOutermostRestoresTheWatchdog)
{
    Connect(120);
    main->Timer1->SetEnabled(true);
    int ended = 0;
    dc->OnExchangesEnded = [&] { ++ended; };
    {
        const TDeviceController::TExchange outer(*dc);
        std::string reply;
        dc->PollVersion(reply);
        EXPECT_FALSE(main->Timer1->Enabled()) << "an inner exchange leaves the watchdog to the outer one";
        EXPECT_EQ(ended, 0);
    }
    EXPECT_TRUE(main->Timer1->Enabled());
    EXPECT_EQ(ended, 1);

    main->Timer1->SetEnabled(false);
    dc->ResetDevice();
    EXPECT_FALSE(main->Timer1->Enabled()) << "a watchdog that was off stays off";
}

TEST_F(DeviceControllerTest, ActionsRestoreWatchdogAndCursorWhenTheLinkGoes)
{
    Connect(120);
    main->Timer1->SetEnabled(true);
    sim->line.AddFault("+reset", {sim::FaultKind::Vanish, 0});
    EXPECT_THROW(dc->ResetDevice(), ELinkFailure);
    EXPECT_TRUE(main->Timer1->Enabled());
    EXPECT_EQ(ui::App().Screen().Cursor(), ui::crDefault);
    EXPECT_FALSE(dc->Busy());
}

TEST_F(DeviceControllerTest, VanishedPortMidPageEndsThePage)
{
    Connect(120);
    main->Timer1->SetEnabled(true);
    sim->line.AddFault("+U", {sim::FaultKind::Vanish, 3});
    EXPECT_THROW(dc->ReadForm(*page), ELinkFailure);
    EXPECT_TRUE(main->Timer1->Enabled());
    EXPECT_EQ(FormProgress, nullptr);
}

// ------------------------------------------------------------------ device actions

TEST_F(DeviceControllerTest, OutputsAreSwitchedAndTheirFailuresLogged)
{
    Connect(120);
    dc->OutputsOn();
    EXPECT_TRUE(sim->device.OutputsOn());
    dc->OutputsOff();
    EXPECT_FALSE(sim->device.OutputsOn());

    sim->line.AddFault("+OUTS03", {sim::FaultKind::Nok}, 3);
    dc->OutputsOn();
    sim->line.AddFault("+OUTS00", {sim::FaultKind::Nok}, 3);
    dc->OutputsOff();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Не удалось включить выходы", "Не удалось отключить выходы"}));
}

TEST_F(DeviceControllerTest, ResetIsRetriedAfterARefusal)
{
    Connect(120);
    sim->line.AddFault("+reset", {sim::FaultKind::Nok}, 1);
    dc->ResetDevice();
    EXPECT_EQ(sim->device.Resets(), 1);
    EXPECT_EQ(ui::App().Screen().Cursor(), ui::crDefault);
}

TEST_F(DeviceControllerTest, SyncTimeSetsTheClockAndShowsThePcTime)
{
    Connect(120);
    dc->SyncTime();
    EXPECT_EQ(sim->device.DeviceTime(), SimDevice::kWallStart + 3600);
    std::string expected = [] {
        const std::time_t now = SimDevice::kWallStart + 3600;
        std::tm local{};
        localtime_r(&now, &local);
        char text[32];
        std::strftime(text, sizeof text, "%d/%m/%y,%H:%M:%S", &local);
        return std::string(text);
    }();
    EXPECT_EQ(page->etTime->Text(), expected);

    page->etTime->SetText("");
    sim->line.AddFault("+AS", {sim::FaultKind::Nok}, 3);
    dc->SyncTime();
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].text, "Не смогли \n\rсинхронизировать время!");
    EXPECT_EQ(page->etTime->Text(), "");
}

// ------------------------------------------------------------------ end to end

TEST_F(DeviceControllerTest, LogsInReadsTheVersionAndReadsAndWritesTheCommonPage)
{
    Connect(120, sim::PanelKind::Paradox);
    ASSERT_TRUE(dc->CableConnect());
    ASSERT_TRUE(dc->MasterKeySupported());
    ASSERT_TRUE(dc->SendMasterKey("1234"));
    ASSERT_TRUE(dc->ReadVersion());
    EXPECT_TRUE(page->ParadoxBox->Visible());

    dc->ReadForm(*page);
    EXPECT_TRUE(dc->GetErrors().Empty()) << dc->GetErrors().Text();
    EXPECT_EQ(page->etSignal->Text(), "26");
    EXPECT_EQ(page->MKEdit->Text(), "1234");
    EXPECT_EQ(page->ParED[7]->Text(), "0008");

    page->etO->SetText("1A2B");
    page->MKEdit->SetText("4321");
    page->ParED[0]->SetText("0101");
    page->rbSlowCID2->SetChecked(true);
    page->ImeiIdentCh->SetChecked(true);
    dc->WriteForm(*page);
    EXPECT_TRUE(dc->GetErrors().Empty()) << dc->GetErrors().Text();
    EXPECT_EQ(sim->device.Value("o"), "1A2B");
    EXPECT_EQ(sim->device.Value("pxobj0"), "0101");
    EXPECT_EQ(sim->device.Value("slowcid"), "00");
    EXPECT_EQ(sim->device.DeviceTime(), SimDevice::kWallStart + 3600);
}

}  // namespace
