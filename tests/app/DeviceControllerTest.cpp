// The device controller against the simulated communicator: the version read and what it shows, the
// login, the progress window and its cancel, the watchdog around every exchange, the device actions.
#include "app/DeviceController.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/fCommon.h"
#include "app/fMain.h"
#include "platform/CalendarTime.h"
#include "app/fProgress.h"
#include "link/MyExceptions.h"
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
        main->Timer1->SetEnabled(true);
        log.entries.clear();
    }
    void Connect(int build) { Connect(Profile(build)); }
    std::vector<std::string> Errors() const { return log.Texts(Kind::Error); }
    // Numbers, status panels, processor, panel type and the Paradox group, as one line.
    std::string Shown() const
    {
        std::string shown = std::to_string(dc->Major) + "." + std::to_string(dc->Build);
        for (const int panel : {TFormMain::PanelVersion, TFormMain::PanelType, TFormMain::PanelFlash, TFormMain::PanelImei})
            shown += "|" + main->StatusText(panel);
        return shown + "|cpu" + std::to_string(dc->Cpu) + " type" + std::to_string(dc->PanelType) +
               (page->ParadoxBox->Visible() ? " paradox" : "");
    }

    ui::ApplicationScope scope;
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    TFormCommon* page = ui::Create<TFormCommon>(main->PagesPane, "FormCommon", main->PagesPane);
    testsupport::RecordingLog log;
    std::unique_ptr<SimDevice> sim;
    std::unique_ptr<TDeviceController> dc;
};

TEST(VersionText, IsCutFromTheFirstRevAndItsNumbersComeFromTheEndOrNotAtAll)
{
    EXPECT_EQ(CutVersionText(">REV 11.005.120 extra\r\n"), "REV 11.005.120");
    EXPECT_EQ(CutVersionText("11.005.120xxxxxyy"), "11.005.120xxxx");
    for (const char* bad : {"REV 11.005.1x0", "REV 11.0x5.120", "REV 11.005", "12", ""}) EXPECT_FALSE(ParseVersionNumbers(bad)) << bad;
}

// ------------------------------------------------------------------ the version read and its gates

struct VersionCase {
    const char* name;
    int build;
    const char* version = nullptr;  // instead of "REV 11.005." and the build
    const char* typepan = nullptr;  // the panel-type byte the device answers
    const char* hardware = "78";
    const char* faultOn = nullptr;  // answered "NOK"
    bool ok = true;
    const char* shown = "";
    std::vector<std::string> requests = {};
    const char* error = nullptr;
    int rejected = 0;  // replies named as not of their form, before the error
};

class VersionRead : public DeviceControllerTest, public ::testing::WithParamInterface<VersionCase> {};

// Nothing of a previous device stays on show; the watchdog runs again afterwards.
TEST_P(VersionRead, ShowsWhatTheFirmwareAnswersAndSkipsWhatItCannot)
{
    const VersionCase& c = GetParam();
    sim::DeviceProfile profile = Profile(c.build, sim::PanelKind::Altonika, c.hardware);
    if (c.version != nullptr) profile.version = c.version;
    Connect(profile);
    if (c.typepan != nullptr) sim->device.SetValue("typepan", c.typepan);
    if (c.faultOn != nullptr) sim->line.AddFault(c.faultOn, {sim::FaultKind::Nok}, 3);
    for (const int panel : {TFormMain::PanelType, TFormMain::PanelFlash, TFormMain::PanelImei}) main->SetStatusText(panel, "old");
    page->ParadoxBox->SetVisible(true);
    dc->PanelType = 9;
    EXPECT_EQ(dc->ReadVersion(), c.ok);
    EXPECT_EQ(Shown(), c.shown);
    if (!c.requests.empty()) {
        EXPECT_EQ(sim->line.Requests(), c.requests);
    }
    std::vector<std::string> errors = Errors();
    const auto rejected = std::erase_if(errors, [](const std::string& e) { return e.starts_with("Ответ на запрос"); });
    EXPECT_EQ(rejected, static_cast<std::size_t>(c.rejected));
    EXPECT_EQ(errors, c.error != nullptr ? std::vector<std::string>{c.error} : std::vector<std::string>{});
    EXPECT_TRUE(main->Timer1->Enabled());
}

const char* const kWrongVersion = "Неверная версия прошивки";

INSTANTIATE_TEST_SUITE_P(
    Firmware, VersionRead,
    ::testing::Values(
        VersionCase{.name = "Modern", .build = 120, .shown = "5.120|REV 11.005.120|Altonika|AT45DB161D|356938035643809|cpu1 type0",
                    .requests = {"+v", "+typepan", "+typepan1", "+IMEI"}},
        VersionCase{.name = "Bolid", .build = 120, .typepan = "01", .shown = "5.120|REV 11.005.120|Bolid|AT45DB161D|356938035643809|cpu1 type1"},
        VersionCase{.name = "Paradox", .build = 120, .typepan = "06", .shown = "5.120|REV 11.005.120|Paradox|AT45DB161D|356938035643809|cpu1 type2 paradox"},
        VersionCase{.name = "Altonika08", .build = 120, .typepan = "08", .shown = "5.120|REV 11.005.120|Altonika|AT45DB161D|356938035643809|cpu1 type0"},
        VersionCase{.name = "UnknownPanel", .build = 120, .typepan = "02", .ok = false, .shown = "5.120|REV 11.005.120||||cpu0 type9",
                    .requests = {"+v", "+typepan"}, .error = "Не удалось прочитать тип передающей панели"},
        VersionCase{.name = "PanelNotHex", .build = 120, .typepan = "ZZ", .ok = false, .shown = "5.120|REV 11.005.120||||cpu0 type9",
                    .error = "Не удалось прочитать тип передающей панели", .rejected = TDevice::DefaultAttempts},
        VersionCase{.name = "Flash00", .build = 120, .hardware = "00", .shown = "5.120|REV 11.005.120|Altonika|M45PE16|356938035643809|cpu0 type0"},
        VersionCase{.name = "Cpu94", .build = 94, .hardware = "40", .shown = "5.94|REV 11.005.094|Altonika|M45PE16||cpu0 type0"},
        VersionCase{.name = "Cpu95", .build = 95, .hardware = "40", .shown = "5.95|REV 11.005.095|Altonika|M45PE16||cpu1 type0"},
        VersionCase{.name = "Build48", .build = 48, .shown = "5.48|REV 11.005.048||||cpu0 type9", .requests = {"+v"}},
        VersionCase{.name = "Build49", .build = 49, .shown = "5.49|REV 11.005.049|Altonika|||cpu0 type0", .requests = {"+v", "+typepan"}},
        VersionCase{.name = "Build64", .build = 64, .shown = "5.64|REV 11.005.064|Altonika|||cpu0 type0", .requests = {"+v", "+typepan"}},
        VersionCase{.name = "Build65", .build = 65, .shown = "5.65|REV 11.005.065|Altonika|AT45DB161D||cpu0 type0",
                    .requests = {"+v", "+typepan", "+typepan1"}},
        VersionCase{.name = "Build119", .build = 119, .shown = "5.119|REV 11.005.119|Altonika|AT45DB161D||cpu1 type0",
                    .requests = {"+v", "+typepan", "+typepan1"}},
        VersionCase{.name = "Major12", .build = 0, .version = "REV 12.000.010", .ok = false, .shown = "0.0|||||cpu0 type9", .error = kWrongVersion},
        // The numbers are taken before the 11.005 test.
        VersionCase{.name = "Major4", .build = 0, .version = "REV 11.004.130", .ok = false, .shown = "4.130|REV 11.004.130||||cpu0 type9",
                    .error = kWrongVersion},
        VersionCase{.name = "Silent", .build = 120, .faultOn = "+v", .ok = false, .shown = "0.0|||||cpu0 type9",
                    .error = "Не смогли прочесть версию"},
        VersionCase{.name = "FlashUnread", .build = 120, .faultOn = "+typepan1", .ok = false,
                    .shown = "5.120|REV 11.005.120|Altonika||356938035643809|cpu0 type0", .error = "Не удалось прочитать тип флешки"},
        VersionCase{.name = "ImeiUnread", .build = 120, .faultOn = "+IMEI", .shown = "5.120|REV 11.005.120|Altonika|AT45DB161D|error|cpu1 type0"}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------------ the watchdog around exchanges

TEST_F(DeviceControllerTest, ExchangesNestTheOutermostGivesBackTheWatchdogAndTheCursorHoweverItEndsAndAnEarlyCancelHolds)
{
    Connect(120);
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

    main->Timer1->SetEnabled(true);
    sim->line.AddFault("+reset", {sim::FaultKind::Vanish, 0});
    EXPECT_THROW(dc->ResetDevice(), ELinkFailure);
    EXPECT_TRUE(main->Timer1->Enabled());
    EXPECT_EQ(ui::App().Screen().Cursor(), ui::crDefault);
    EXPECT_FALSE(dc->Busy());

    // A cancel before the first step is not lost: the progress window never comes up.
    Connect(120);
    bool shown = false;
    log.onInfo = [&](const std::string& text) {
        if (text != "Читаю \"№ объекта\"") return;
        FormProgress->OnShow = [&](ui::TObject*) { shown = true; };
        FormProgress->Button1Click(nullptr);
    };
    EXPECT_THROW(dc->ReadForm(*page), TStopException);
    EXPECT_FALSE(shown);
    EXPECT_EQ(sim->line.Requests(), std::vector<std::string>{"+o"});
}

// ------------------------------------------------------------------ device actions

TEST_F(DeviceControllerTest, TheClockShowsThePcTimeAndRefusedActionsAreRetriedOrTold)
{
    Connect(120);
    dc->SyncTime();
    EXPECT_EQ(sim->device.DeviceTime(), SimDevice::kWallStart + 3600);
    const std::time_t now = SimDevice::kWallStart + 3600;
    const std::tm local = platform::LocalTime(now);
    char pcTime[32];
    std::strftime(pcTime, sizeof pcTime, "%d/%m/%y,%H:%M:%S", &local);
    EXPECT_EQ(page->etTime->Text(), pcTime);

    sim->line.AddFault("+reset", {sim::FaultKind::Nok}, 1);
    dc->ResetDevice();
    EXPECT_EQ(sim->device.Resets(), 1) << "retried after a refusal";
    sim->line.AddFault("+OUTS03", {sim::FaultKind::Nok}, 3);
    dc->OutputsOn();
    sim->line.AddFault("+OUTS00", {sim::FaultKind::Nok}, 3);
    dc->OutputsOff();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Не удалось включить выходы", "Не удалось отключить выходы"}));
    page->etTime->SetText("");
    sim->line.AddFault("+AS", {sim::FaultKind::Nok}, 3);
    dc->SyncTime();
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].text, "Не смогли \n\rсинхронизировать время!");
    EXPECT_EQ(page->etTime->Text(), "");
}

}  // namespace
