#include "app/fBolid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "app/DeviceController.h"
#include "app/FormAppMainController.h"
#include "app/fMain.h"
#include "sim/Communicator.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/SimDevice.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using namespace ui;

// A log that lets a test act while an exchange is under way, and that lets window events run after
// every request and reply when asked to, as the real log does.
class HookLog : public testsupport::RecordingLog {
public:
    void AddText(const std::string& Caption, const std::string& Text, TColor Color) override
    {
        RecordingLog::AddText(Caption, Text, Color);
        if (const auto hook = std::exchange(onText, nullptr)) hook();
        if (pumps) ui::App().ProcessMessages();
    }
    std::function<void()> onText;
    bool pumps = false;
};

// The program's forms controller without the connect dialog: the tests hand the connection in.
class TestFormsController : public TFormAppMainController {
public:
    using TFormAppMainController::TFormAppMainController;
    bool DoConnect() override { return false; }
};

class BolidPoll : public ::testing::Test {
protected:
    BolidPoll()
    {
        formBolid = page;
        main->FormsController = forms.get();
        Connect();
        main->Show();
    }
    void Connect()
    {
        forms->SetDeviceController(std::make_unique<TDeviceController>(comm, &log));
        Controller().Device().SetTimeoutFloor(200);
        Controller().Major = 5;
        Controller().Build = 120;
    }
    ~BolidPoll() override { main->FormsController = nullptr; }
    TDeviceController& Controller() { return *forms->GetDeviceController(); }
    int Sent(const std::string& request) const
    {
        const auto requests = device.Requests();
        return static_cast<int>(std::count(requests.begin(), requests.end(), request));
    }
    int Polls() const { return Sent("+bolidtxt"); }
    int LinkChecks() const { return Sent("+v"); }
    bool Connected() const { return forms->GetDeviceController() != nullptr; }

    ApplicationScope scope;
    Driver user{scope.App()};
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    TformBolid* page = Create<TformBolid>(main->PagesPane, "formBolid", main->PagesPane);
    HookLog log;
    sim::Communicator device{testsupport::Profile(120, sim::PanelKind::Bolid), scope.Clock(),
                             testsupport::SimDevice::kWallStart};
    testsupport::LoopbackComm comm{device, scope.Clock()};
    std::unique_ptr<TestFormsController> forms =
        std::make_unique<TestFormsController>(main, main->PagesPane, main->tv1);
};

TEST_F(BolidPoll, PollsEvery400MsWhileShownAndShowsTheMendedTexts)
{
    user.Advance(1000);
    EXPECT_EQ(Polls(), 0) << "a hidden page does not poll";
    page->Show();
    user.Advance(1210);
    EXPECT_EQ(Polls(), 3);
    ASSERT_EQ(page->BolidChat->Lines().Count(), 1) << "empty replies add nothing";
    EXPECT_EQ(page->BolidChat->Lines()[0], "Дата 17.05.24 Время 13:45 Событие: Взятие раздела Прибор12 Пользователь 3");
    page->Hide();
    EXPECT_FALSE(page->Timer->Enabled());
    user.Advance(1000);
    EXPECT_EQ(Polls(), 3);
    page->Show();
    user.Click(*page->Button1);
    EXPECT_EQ(page->BolidChat->Lines().Count(), 0) << "cleared";
    log.onText = [this] { page->Hide(); };  // left during a poll
    user.Advance(400);
    EXPECT_EQ(Polls(), 4);
    EXPECT_FALSE(page->Timer->Enabled());
    user.Advance(1000);
    EXPECT_EQ(Polls(), 4);
}

TEST_F(BolidPoll, NoPollWhileTheLinkIsTakenTheWindowDisabledOrNoDeviceAndAsSoonAsItIsFreeAgain)
{
    std::optional<TDeviceController::TExchange> other;
    const std::pair<std::function<void()>, std::function<void()>> blocks[] = {
        {[&] { other.emplace(Controller()); }, [&] { other.reset(); }},
        // The firmware upload keeps the operation bracket open and the main window disabled.
        {[&] { forms->BeginOperation(); }, [&] { forms->EndOperation(); }},
        {[&] { main->SetEnabled(false); }, [&] { main->SetEnabled(true); }},
        {[&] { forms->SetDeviceController(nullptr); }, [&] { Connect(); }},
    };
    page->Show();
    int polls = 0;
    for (const auto& [block, unblock] : blocks) {
        block();
        user.Advance(1000);
        EXPECT_EQ(Polls(), polls);
        EXPECT_TRUE(page->Timer->Enabled());
        unblock();
        user.Advance(TformBolid::PollIntervalMs);
        EXPECT_EQ(Polls(), ++polls);
    }
}

// ------------------------------------------------------------------ the poll and the link check

TEST_F(BolidPoll, TheLinkCheckKeepsItsBeatWhileThePollRunsAndRunsAsSoonAsTheLineIsFree)
{
    log.pumps = true;
    main->Timer1->SetEnabled(true);
    page->Show();
    user.Advance(3 * TFormMain::WatchdogIntervalMs + 1000);
    EXPECT_EQ(LinkChecks(), 3);
    EXPECT_GT(Polls(), 140);
    EXPECT_TRUE(Connected());
    page->Hide();
    {
        const TDeviceController::TExchange poll(Controller(), TDeviceController::TExchange::LeaveWatchdog);
        user.Advance(TFormMain::WatchdogIntervalMs + 1000);
        EXPECT_EQ(LinkChecks(), 3);
        EXPECT_TRUE(main->LinkCheckDue());
    }
    user.Advance(TFormMain::LinkCheckRetryMs);
    EXPECT_EQ(LinkChecks(), 4);
    EXPECT_FALSE(main->LinkCheckDue());
    EXPECT_TRUE(main->Timer1->Enabled());
}

// With the true time-outs a poll the device leaves unanswered holds the line longer than the link check's
// beat: the poll itself reports the silence. The waits step in 20 ms; one poll's interval covers them.
TEST_F(BolidPoll, ASilentDeviceIsNoticedWithinOneBeat)
{
    Controller().Device().SetTimeoutFloor(TDevice::DefaultTimeoutFloorMs);
    main->Timer1->SetEnabled(true);
    page->Show();
    user.Advance(100);
    comm.FailAlways(testsupport::LoopbackComm::Fault::Silence);
    const std::uint64_t stopped = scope.Clock().NowMs();
    const std::uint64_t bound = TFormMain::WatchdogIntervalMs +
                                TDevice::DefaultAttempts * std::uint64_t{TDevice::DefaultTimeoutFloorMs} +
                                TformBolid::PollIntervalMs;
    while (Connected() && scope.Clock().NowMs() - stopped <= bound) user.Advance(1);
    EXPECT_FALSE(Connected());
    EXPECT_LE(scope.Clock().NowMs() - stopped, bound);

    // A port gone under the poll ends the link at once, with no box: the log says why, as the link check's.
    Connect();
    comm.FailAlways(testsupport::LoopbackComm::Fault::Vanish);
    user.Advance(TformBolid::PollIntervalMs);
    EXPECT_FALSE(Connected() || !scope.Services().Boxes().empty());
}

}  // namespace
