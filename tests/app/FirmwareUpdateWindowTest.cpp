// The firmware update window: its gates, the upload on its thread, the countdown, the way out; wired to
// the main window and a real device controller; and the image list.
#include "app/fUpdateIns.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/DeviceController.h"
#include "app/FormAppMainController.h"
#include "app/UpdateListFormUnit.h"
#include "app/fMain.h"
#include "app/fUpdateInsertion.h"
#include "link/DevSorvel7QX1.h"
#include "sim/Communicator.h"
#include "tests/app/FirmwareTestSupport.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/RecordingLog.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using namespace firmwaretest;
using namespace std::chrono_literals;
using namespace std::string_literals;

const std::string kDeviceVersion = "REV 11.005.120";
const std::string kImageVersion = "REV 11.005.121";
const std::string kFailed = "В процессе перепрошивки возникли ошибки!";
constexpr int kRows = 24;

// Runs the window thread's queue until the upload has ended (real time bounded).
void PumpUntilEnded(const TformUpdateIns& form, const std::function<void()>& pump = [] { ui::App().HandleMessage(); })
{
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (form.Uploading() && std::chrono::steady_clock::now() < limit) pump();
    ASSERT_FALSE(form.Uploading());
    ui::App().ProcessMessages();
}

class UpdateWindow : public ::testing::Test {
protected:
    UpdateWindow()
    {
        form->Images().SetImage(1, ImageLines(kRows, kImageVersion));
        form->SetUploadOptions({.FinalWaitMs = 15'000, .Clock = &threadClock});
        const auto note = [this](const char* event) { return [this, event] { events += event; }; };
        const auto onOff = [this](const char* what) { return [this, what](bool on) { events += what + (on ? "-on "s : "-off "s); }; };
        form->SetHost({.Sender = [this]() -> std::shared_ptr<TBootSender> {
                           return connected ? std::shared_ptr<TBootSender>(std::shared_ptr<void>(), &sender) : nullptr;
                       },
                       .AcquireLink = [this] {
                           auto guard = std::make_shared<int>(0);
                           link = guard;
                           return std::shared_ptr<void>(guard);
                       },
                       .BeginOperation = note("begin "), .EndOperation = note("end "), .SetMainEnabled = onOff("main"),
                       .SetWatchdog = onOff("watchdog"), .DeviceVersionText = [] { return kDeviceVersion; },
                       .SetDeviceVersionText = {}, .Disconnect = note("disconnect ")});
    }
    void Start()
    {
        ASSERT_TRUE(form->FirmwareUpdateAvailable(0, 0, 0, 5, 120));
        form->Show();
        ASSERT_TRUE(driver.Click(*form->btnUpdateVer));
    }
    // The next send of a command that starts with `prefix` waits until released.
    void HoldAt(const std::string& prefix)
    {
        sender.Script = [this, prefix](const std::string& cmd) -> ScriptedSender::Answer {
            held = held || cmd.starts_with(prefix);
            while (held && !released) std::this_thread::sleep_for(1ms);
            return std::nullopt;
        };
        Start();
        const auto limit = std::chrono::steady_clock::now() + 10s;
        while (!held && std::chrono::steady_clock::now() < limit) std::this_thread::sleep_for(1ms);
        ASSERT_TRUE(held);
    }

    ui::ApplicationScope scope;
    ui::Driver driver{scope.App()};
    platform::ManualClock threadClock;
    sim::Communicator device{{}, threadClock};
    testsupport::LoopbackComm comm{device, threadClock};
    TDevSorvel7QX1 dev{comm, nullptr};
    TDeviceBootSender real{dev};
    ScriptedSender sender{real};
    TformUpdateIns* form = scope.App().CreateForm<TformUpdateIns>("formUpdateIns");
    bool connected = true;
    std::string events;
    std::weak_ptr<int> link;
    std::atomic<bool> held{false};
    std::atomic<bool> released{false};
};

TEST_F(UpdateWindow, ShowsBothVersionsTakesTheMainWindowAndOffersOnlyAFittingImage)
{
    EXPECT_FALSE(form->FirmwareUpdateAvailable(2, 0, 0, 5, 0));
    form->Show();
    EXPECT_FALSE(form->btnUpdateVer->Enabled()) << "no image fits a Paradox panel";
    EXPECT_EQ(form->lbNewName->Caption(), "");
    EXPECT_FALSE(driver.Click(*form->btnUpdateVer));
    form->Close();
    events.clear();
    ASSERT_TRUE(form->FirmwareUpdateAvailable(0, 0, 0, 5, 120));
    form->Show();
    EXPECT_EQ(form->lbNewName->Caption() + " " + form->lbOldName->Caption(), kImageVersion + " " + kDeviceVersion);
    EXPECT_TRUE(form->btnUpdateVer->Enabled());
    EXPECT_EQ(form->btnExit->Caption(), "Выйти без перепрошивки");
    EXPECT_FALSE(form->lbTimeLost->Visible());
    EXPECT_EQ(events, "begin main-off ");
    ASSERT_TRUE(driver.Click(*form->btnExit));
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(events, "begin main-off end main-on ") << "no disconnect while idle";
    EXPECT_EQ(sender.Count(""), 0);
}

TEST_F(UpdateWindow, FailedUploadCountsDownTwentySecondsThenDisconnects)
{
    // Not connected; a "v" answered without the bootloader's name; "EE" refused three times.
    for (const auto& [refused, ok] : {std::pair{"", false}, {"v", true}, {"EE", false}}) {
        SCOPED_TRACE(refused);
        connected = *refused != '\0';
        sender.Refuse(refused, ok, "OK\r\n");
        events.clear();
        Start();
        PumpUntilEnded(*form);
        EXPECT_TRUE(connected || sender.Count("") == 0);
        EXPECT_EQ(form->State(), TformUpdateIns::StateFailed);
        EXPECT_EQ(form->lbError->Caption(), kFailed);
        EXPECT_EQ(form->lbError->Font().Color(), clRed);
        EXPECT_TRUE(form->btnExit->Enabled() && !form->btnUpdateVer->Enabled());
        const std::uint64_t start = scope.Clock().NowMs();
        ASSERT_TRUE(driver.Click(*form->btnExit));
        EXPECT_GE(scope.Clock().NowMs() - start, TformUpdateIns::ExitCountdownMs);
        EXPECT_EQ(form->lbError->Caption(), "До выхода осталось 1 сек...");
        EXPECT_FALSE(form->Visible());
        EXPECT_TRUE(events.ends_with("disconnect "));
    }
    EXPECT_EQ(sender.Count("BE"), 1) << "once the bootloader named itself; never after \"v\" without its name";
}

TEST_F(UpdateWindow, ExitDuringUploadStopsAndWaitsForTheThread)
{
    HoldAt("W0008");
    EXPECT_TRUE(!link.expired() && form->lbTimeLost->Visible());
    form->Close();
    EXPECT_TRUE(form->Visible()) << "no closing under a running upload";
    scope.App().Post([this] { released = true; });
    ASSERT_TRUE(driver.Click(*form->btnExit));
    EXPECT_FALSE(form->Uploading());
    EXPECT_EQ(form->State(), TformUpdateIns::StateFailed);
    EXPECT_EQ(form->lbError->Caption(), kFailed);
    EXPECT_TRUE(form->btnExit->Enabled() && form->Visible());
    EXPECT_EQ(events.find("disconnect"), std::string::npos);
    EXPECT_TRUE(link.expired());
    EXPECT_EQ(sender.Count("W0010") + sender.Count("EE"), 0);
}

TEST_F(UpdateWindow, WindowFreedDuringUploadWaitsForItsThread)
{
    HoldAt("W0000");
    std::thread releaser([this] {
        std::this_thread::sleep_for(20ms);
        released = true;
    });
    formUpdateIns = form;
    ui::Free(form);
    releaser.join();
    scope.App().ProcessMessages();  // calls the thread posted for the window do nothing now
    EXPECT_EQ(formUpdateIns, nullptr) << "the program's window is gone with it";
    EXPECT_TRUE(link.expired());
    EXPECT_EQ(sender.Count("W0008"), 0);
}

TEST_F(UpdateWindow, RemainingTimeFollowsTheShareDone)
{
    form->SetProgressTotal(10);
    form->ShowRemaining(30);
    EXPECT_EQ(form->lbTimeLost->Caption(), "") << "nothing done yet: no estimate";
    form->StepProgressBar();
    form->StepProgressBar();
    form->ShowRemaining(30);
    EXPECT_EQ(form->lbTimeLost->Caption(), "2 мин 0 сек ");
    form->ShowElapsed(3725);
    EXPECT_EQ(form->lbTimeAfter->Caption(), "1 ч 2 мин 5 сек ");
}

TEST(UpdateList, EveryImageWithItsVersionAndTheProgramFilesVersion)
{
    ui::ApplicationScope scope;
    TFirmwareImages images;
    images.SetImage(1, {"REV 11.005.082"});
    auto* list = scope.App().CreateForm<TUpdateListForm>("UpdateListForm", &images);
    list->Show();
    ASSERT_EQ(list->ListBox1->Items().Count(), 6);
    EXPECT_EQ(list->ListBox1->Items()[0] + "|" + list->ListBox1->Items()[5],
              "PIC18F6722 AT45 Altonika ver: REV 11.005.082|PIC18F67K22 M45 Altonika ver: ");
    auto* builtIn = scope.App().CreateForm<TUpdateListForm>("BuiltInList");
    builtIn->Show();
    EXPECT_EQ(builtIn->ListBox1->Items()[5], "PIC18F67K22 M45 Altonika ver: REV 11.005.000");
    EXPECT_FALSE(ProgramFileVersion().empty());
}

// ---------------------------------------------------------------- wired to the main window

class TestFormsController : public TFormAppMainController {
public:
    using TFormAppMainController::TFormAppMainController;
    bool DoConnect() override { return false; }
};

TEST(MainWindowUpdate, UploadHoldsTheLinkAgainstTheWatchdogShowsTheNewVersionThenDisconnects)
{
    ui::ApplicationScope scope;
    ui::Driver user{scope.App()};
    platform::ManualClock threadClock;
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    TformUpdateIns* update = scope.App().CreateForm<TformUpdateIns>("formUpdateIns");
    testsupport::RecordingLog log;
    sim::Communicator device{{}, scope.Clock()};
    testsupport::LoopbackComm comm{device, scope.Clock()};
    TestFormsController forms(main, main->PagesPane, main->tv1);
    FormMain = main;
    main->FormsController = &forms;
    const std::unique_ptr<TFormMain, void (*)(TFormMain*)> unwire(main, [](TFormMain* m) { m->FormsController = nullptr, FormMain = nullptr; });
    EXPECT_EQ(MainWindowUpdateHost().Sender(), nullptr) << "without a connection the hosts have no sender";
    EXPECT_EQ(MainWindowUpdateHost().AcquireLink(), nullptr);
    EXPECT_EQ(MainWindowFileUpdateHost(nullptr).Sender, nullptr);
    forms.SetDeviceController(std::make_unique<TDeviceController>(comm, &log));
    main->SetStatusText(TFormMain::PanelVersion, kDeviceVersion);
    main->Show();
    update->Images().SetImage(1, ImageLines(32, kImageVersion));
    update->SetUploadOptions({.Clock = &threadClock});
    ASSERT_TRUE(update->FirmwareUpdateAvailable(0, 0, 0, 5, 120));
    update->Show();
    EXPECT_FALSE(main->Enabled());
    EXPECT_EQ(update->lbOldName->Caption(), kDeviceVersion);
    main->Timer1->SetEnabled(true);
    ASSERT_TRUE(user.Click(*update->btnUpdateVer));
    EXPECT_TRUE(forms.GetDeviceController()->Busy());
    main->Timer1Timer(main->Timer1);  // a watchdog tick in the middle of the upload
    PumpUntilEnded(*update, [&] { user.Advance(500); });
    EXPECT_FALSE(main->Timer1->Enabled()) << "no link check of a device that restarts";

    EXPECT_EQ(update->State(), TformUpdateIns::StateDone);
    EXPECT_EQ(update->lbError->Caption(), "Перепрошивка успешно завершена!");
    EXPECT_EQ(update->lbError->Font().Color(), clGreen);
    EXPECT_EQ(update->btnExit->Caption(), "Завершить перепрошивку");
    EXPECT_TRUE(update->btnExit->Enabled() && !update->btnUpdateVer->Enabled() && !update->Label1->Visible());
    EXPECT_EQ(update->lbOldName->Caption() + " " + main->StatusText(TFormMain::PanelVersion), kImageVersion + " " + kImageVersion);
    EXPECT_EQ(update->KitProgressBar1->TotalParts(), 32 / 8 + 104u);
    EXPECT_EQ(update->KitProgressBar1->PartsComplete(), update->KitProgressBar1->TotalParts());
    const std::vector<std::string> requests = device.Requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "+v"), 1) << "only the bootloader's own version request";
    EXPECT_EQ(device.UploadedImage(), AsText(Bytes(32 * 16)));
    EXPECT_FALSE(forms.GetDeviceController()->Busy());
    EXPECT_TRUE(log.entries.empty()) << "the upload thread never writes to the log";
    ASSERT_TRUE(user.Click(*update->btnExit));
    EXPECT_TRUE(main->Enabled() && !update->Visible());
    EXPECT_EQ(forms.GetDeviceController(), nullptr) << "disconnected";
}

}  // namespace
