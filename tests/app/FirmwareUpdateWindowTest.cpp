#include "app/fUpdateIns.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/UpdateListFormUnit.h"
#include "link/ComPortWorker.h"
#include "link/DevSorvel7QX1.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "tests/app/FirmwareTestSupport.h"
#include "tests/support/LoopbackComm.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using namespace firmwaretest;
using namespace std::chrono_literals;

const std::string kDeviceVersion = "REV 11.005.120";
const std::string kImageVersion = "REV 11.005.121";
constexpr int kRows = 24;

class UpdateWindowTest : public ::testing::Test {
protected:
    UpdateWindowTest()
    {
        form = scope.App().CreateForm<TformUpdateIns>("formUpdateIns");
        form->Images().SetImage(1, ImageLines(kRows, kImageVersion));
        form->SetUploadOptions({.FinalWaitMs = 15'000, .Clock = &threadClock});
        form->SetHost(Host());
    }

    TUpdateHost Host()
    {
        TUpdateHost h;
        h.Sender = [this]() -> std::shared_ptr<TBootSender> {
            if (!connected) return nullptr;
            return {std::shared_ptr<void>(), &sender};  // not owned
        };
        h.AcquireLink = [this] {
            auto guard = std::make_shared<int>(0);
            link = guard;
            return std::shared_ptr<void>(guard);
        };
        h.BeginOperation = [this] { events.push_back("begin"); };
        h.EndOperation = [this] { events.push_back("end"); };
        h.SetMainEnabled = [this](bool on) { events.push_back(on ? "main on" : "main off"); };
        h.SetWatchdog = [this](bool on) { events.push_back(on ? "watchdog on" : "watchdog off"); };
        h.DeviceVersionText = [] { return kDeviceVersion; };
        h.SetDeviceVersionText = [this](const std::string& v) { statusVersion = v; };
        h.Disconnect = [this] { events.push_back("disconnect"); };
        return h;
    }

    void Open()
    {
        ASSERT_TRUE(form->FirmwareUpdateAvailable(0, 0, 0, 5, 120));
        form->Show();
    }

    // Runs the window thread's queue until the upload has ended (real time bounded).
    void PumpUntilEnded()
    {
        const auto limit = std::chrono::steady_clock::now() + 20s;
        while (form->Uploading() && std::chrono::steady_clock::now() < limit) scope.App().HandleMessage();
        ASSERT_FALSE(form->Uploading());
        scope.App().ProcessMessages();
    }

    // The next block send after `prefix` waits until released; the test learns when it started.
    void HoldAt(const std::string& prefix)
    {
        sender.Script = [this, prefix](const std::string& cmd) -> ScriptedSender::Answer {
            if (cmd.starts_with(prefix)) {
                held = true;
                while (!released) std::this_thread::sleep_for(1ms);
            }
            return std::nullopt;
        };
    }
    void WaitUntilHeld()
    {
        const auto limit = std::chrono::steady_clock::now() + 10s;
        while (!held && std::chrono::steady_clock::now() < limit) std::this_thread::sleep_for(1ms);
        ASSERT_TRUE(held);
    }

    bool Has(const std::string& event) const
    {
        return std::find(events.begin(), events.end(), event) != events.end();
    }

    ui::ApplicationScope scope;
    ui::Driver driver{scope.App()};
    platform::ManualClock threadClock;
    sim::Communicator device{{}, threadClock};
    testsupport::LoopbackComm comm{device, threadClock};
    TDevSorvel7QX1 dev{comm, nullptr};
    TDeviceBootSender real{dev};
    ScriptedSender sender{&real};
    TformUpdateIns* form = nullptr;
    bool connected = true;
    std::vector<std::string> events;
    std::string statusVersion;
    std::weak_ptr<int> link;
    std::atomic<bool> held{false};
    std::atomic<bool> released{false};
};

}  // namespace

TEST_F(UpdateWindowTest, ShowsBothVersionsAndTakesTheMainWindow)
{
    Open();
    EXPECT_EQ(form->lbNewName->Caption(), kImageVersion);
    EXPECT_EQ(form->lbOldName->Caption(), kDeviceVersion);
    EXPECT_TRUE(form->btnUpdateVer->Enabled());
    EXPECT_EQ(form->btnExit->Caption(), "Выйти без перепрошивки");
    EXPECT_FALSE(form->lbTimeLost->Visible());
    EXPECT_EQ(form->State(), TformUpdateIns::StateIdle);
    EXPECT_EQ(events, (std::vector<std::string>{"begin", "main off"}));
}

TEST_F(UpdateWindowTest, NoFittingImageCannotBeStarted)
{
    EXPECT_FALSE(form->FirmwareUpdateAvailable(2, 0, 0, 5, 0));
    form->Show();
    EXPECT_FALSE(form->btnUpdateVer->Enabled());
    EXPECT_EQ(form->lbNewName->Caption(), "");
    EXPECT_FALSE(driver.Click(*form->btnUpdateVer));
    EXPECT_TRUE(sender.Sent().empty());
}

TEST_F(UpdateWindowTest, SuccessfulUploadShowsTheNewVersionAndDisconnectsOnExit)
{
    Open();
    ASSERT_TRUE(driver.Click(*form->btnUpdateVer));
    EXPECT_EQ(form->State(), TformUpdateIns::StateRunning);
    EXPECT_TRUE(form->lbTimeAfter->Visible());
    PumpUntilEnded();

    EXPECT_EQ(form->State(), TformUpdateIns::StateDone);
    EXPECT_EQ(form->lbError->Caption(), "Перепрошивка успешно завершена!");
    EXPECT_EQ(form->lbError->Font().Color(), clGreen);
    EXPECT_EQ(form->btnExit->Caption(), "Завершить перепрошивку");
    EXPECT_TRUE(form->btnExit->Enabled());
    EXPECT_FALSE(form->btnUpdateVer->Enabled());
    EXPECT_FALSE(form->Label1->Visible());
    EXPECT_EQ(form->lbOldName->Caption(), kImageVersion);
    EXPECT_EQ(statusVersion, kImageVersion);
    EXPECT_EQ(form->KitProgressBar1->TotalParts(), kRows / 8 + 104u);
    EXPECT_EQ(form->KitProgressBar1->PartsComplete(), form->KitProgressBar1->TotalParts());
    EXPECT_TRUE(device.FirmwareWritten());
    EXPECT_EQ(device.UploadedImage(), AsText(Bytes(kRows * 16)));
    EXPECT_TRUE(link.expired());  // the exchange guard went with the thread
    EXPECT_TRUE(Has("watchdog off"));
    EXPECT_FALSE(Has("disconnect"));

    ASSERT_TRUE(driver.Click(*form->btnExit));
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(events.back(), "disconnect");
    EXPECT_TRUE(Has("end"));
    EXPECT_TRUE(Has("main on"));
}

TEST_F(UpdateWindowTest, FailedUploadCountsDownTwentySecondsThenDisconnects)
{
    sender.Script = [](const std::string& cmd) -> ScriptedSender::Answer {
        if (cmd == "v") return std::pair{true, "OK\r\n"};
        return std::nullopt;
    };
    Open();
    driver.Click(*form->btnUpdateVer);
    PumpUntilEnded();
    EXPECT_EQ(form->State(), TformUpdateIns::StateFailed);
    EXPECT_EQ(form->lbError->Caption(), "В процессе перепрошивки возникли ошибки!");
    EXPECT_EQ(form->lbError->Font().Color(), clRed);
    EXPECT_TRUE(form->btnExit->Enabled());
    EXPECT_EQ(sender.Count("BE"), 0);

    const std::uint64_t start = scope.Clock().NowMs();
    ASSERT_TRUE(driver.Click(*form->btnExit));
    EXPECT_GE(scope.Clock().NowMs() - start, TformUpdateIns::ExitCountdownMs);
    EXPECT_EQ(form->lbError->Caption(), "До выхода осталось 1 сек...");
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(events.back(), "disconnect");
}

TEST_F(UpdateWindowTest, FailureWhileFlashingLeavesAWayOut)
{
    sender.Script = [](const std::string& cmd) -> ScriptedSender::Answer {
        if (cmd.starts_with("EE")) return std::pair{false, std::string()};
        return std::nullopt;
    };
    Open();
    driver.Click(*form->btnUpdateVer);
    PumpUntilEnded();
    EXPECT_EQ(form->State(), TformUpdateIns::StateFailed);
    EXPECT_TRUE(form->btnExit->Enabled());
}

TEST_F(UpdateWindowTest, ExitDuringUploadStopsAndWaitsForTheThread)
{
    HoldAt("W0008");
    Open();
    driver.Click(*form->btnUpdateVer);
    WaitUntilHeld();
    EXPECT_FALSE(link.expired());
    form->Close();
    EXPECT_TRUE(form->Visible());  // no closing under a running upload

    scope.App().Post([this] { released = true; });
    ASSERT_TRUE(driver.Click(*form->btnExit));

    EXPECT_FALSE(form->Uploading());
    EXPECT_EQ(form->State(), TformUpdateIns::StateFailed);
    EXPECT_EQ(form->lbError->Caption(), "В процессе перепрошивки возникли ошибки!");
    EXPECT_TRUE(form->btnExit->Enabled());
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(Has("disconnect"));
    EXPECT_TRUE(link.expired());
    EXPECT_EQ(sender.Count("W0010"), 0);
    EXPECT_EQ(sender.Count("EE"), 0);

    ASSERT_TRUE(driver.Click(*form->btnExit));
    EXPECT_EQ(events.back(), "disconnect");
}

TEST_F(UpdateWindowTest, WindowFreedDuringUploadWaitsForItsThread)
{
    HoldAt("W0000");
    Open();
    driver.Click(*form->btnUpdateVer);
    WaitUntilHeld();
    std::thread releaser([this] {
        std::this_thread::sleep_for(20ms);
        released = true;
    });
    ui::Free(form);
    releaser.join();
    scope.App().ProcessMessages();  // calls the thread posted for the window do nothing now
    EXPECT_TRUE(link.expired());
    EXPECT_EQ(sender.Count("W0008"), 0);
}

TEST_F(UpdateWindowTest, ExitWhileIdleClosesWithoutDisconnecting)
{
    Open();
    ASSERT_TRUE(driver.Click(*form->btnExit));
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(events, (std::vector<std::string>{"begin", "main off", "end", "main on"}));
}

TEST_F(UpdateWindowTest, WithoutAConnectionTheUploadFails)
{
    connected = false;
    Open();
    driver.Click(*form->btnUpdateVer);
    PumpUntilEnded();
    EXPECT_EQ(form->State(), TformUpdateIns::StateFailed);
    EXPECT_TRUE(sender.Sent().empty());
}

TEST_F(UpdateWindowTest, RemainingTimeFollowsTheShareDone)
{
    form->SetProgressTotal(10);
    form->ShowRemaining(30);  // nothing done yet: no estimate
    EXPECT_EQ(form->lbTimeLost->Caption(), "");
    form->StepProgressBar();
    form->StepProgressBar();
    form->ShowRemaining(30);
    EXPECT_EQ(form->lbTimeLost->Caption(), "2 мин 0 сек ");
    form->ShowElapsed(3725);
    EXPECT_EQ(form->lbTimeAfter->Caption(), "1 ч 2 мин 5 сек ");
}

TEST(UpdateWindowLine, BuiltInUploadOverAPseudoTerminal)
{
    ui::ApplicationScope scope;
    sim::Communicator device;
    sim::Pty pty;
    sim::Line line(pty, device);
    TComPortWorker worker(true, true);
    worker.Open(pty.SlavePath(), br19200);
    TDevSorvel7QX1 dev(worker, nullptr);
    TDeviceBootSender sender(dev);
    platform::ManualClock waitClock;

    auto* form = scope.App().CreateForm<TformUpdateIns>("formUpdateIns");
    form->Images().SetImage(4, ImageLines(512, "REV 11.005.130", 9));
    TUpdateHost host;
    host.Sender = [&]() -> std::shared_ptr<TBootSender> { return {std::shared_ptr<void>(), &sender}; };
    form->SetHost(host);
    form->SetUploadOptions({.Clock = &waitClock});
    ASSERT_TRUE(form->FirmwareUpdateAvailable(1, 0, 1, 5, 120));
    form->Show();
    ui::Driver(scope.App()).Click(*form->btnUpdateVer);
    const auto limit = std::chrono::steady_clock::now() + 30s;
    while (form->Uploading() && std::chrono::steady_clock::now() < limit) scope.App().HandleMessage();

    EXPECT_EQ(form->State(), TformUpdateIns::StateDone);
    EXPECT_TRUE(device.FirmwareWritten());
    EXPECT_EQ(device.UploadedImage(), AsText(Bytes(512 * 16, 9)));
    const std::vector<std::string> requests = line.Requests();
    ASSERT_EQ(requests.size(), 3u + 64 + 1);
    for (int b = 0; b < 64; ++b)
        EXPECT_TRUE(requests[3 + static_cast<std::size_t>(b)].starts_with("+W" + BlockNumberText(b * 8) + ":"));
}

TEST(UpdateListForm, ListsEveryImageWithItsVersion)
{
    ui::ApplicationScope scope;
    TFirmwareImages images;
    images.SetImage(1, {"REV 11.005.082"});
    auto* list = scope.App().CreateForm<TUpdateListForm>("UpdateListForm", &images);
    list->Show();
    ASSERT_EQ(list->ListBox1->Items().Count(), 6);
    EXPECT_EQ(list->ListBox1->Items()[0], "PIC18F6722 AT45 Altonika ver: REV 11.005.082");
    EXPECT_EQ(list->ListBox1->Items()[4], "PIC18F67K22 M45 Bolid ver: ");

    auto* builtIn = scope.App().CreateForm<TUpdateListForm>("BuiltInList");
    builtIn->Show();
    ASSERT_EQ(builtIn->ListBox1->Items().Count(), 6);
    EXPECT_EQ(builtIn->ListBox1->Items()[5], "PIC18F67K22 M45 Altonika ver: REV 11.005.000");
}

TEST(ProgramFileVersion, OnlyTheProgramsOwnFileHasOne)
{
    std::string version = "stale";
    GetFileVersion("", version);
    EXPECT_EQ(version, "");
    GetFileVersion("/nonexistent/program", version);
    EXPECT_EQ(version, "");
    GetFileVersion("/proc/self/exe", version);
    EXPECT_FALSE(version.empty());
    GetFileVersion(SORVEL_SOURCE_DIR "/CMakeLists.txt", version);
    EXPECT_EQ(version, "");
}
