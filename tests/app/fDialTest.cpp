#include "app/fDial.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/DevSorvel7QX1.h"
#include "sim/Communicator.h"
#include "sim/Modem.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/When.h"
#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/Layout.h"

using sim::DialResult;
using sim::Fault;
using sim::FaultKind;
using sim::Registration;
using Kind = testsupport::RecordingLog::Kind;

namespace {

using testsupport::When;

const char* const kConnectFailed = "Ошибка при подключении!";
const char* const kRegistering = "Ожидание регистрации в сети: AT+CREG";

// Ends a sequence that should have stopped by itself but still runs after so many passes of the pump,
// so that a fault fails the test instead of hanging it.
void StopIfStillDialling(TFormDial& dlg, int passes)
{
    ui::App().Post([&dlg, passes] {
        if (!dlg.Dialling()) return;
        if (passes > 0) return StopIfStillDialling(dlg, passes - 1);
        ADD_FAILURE() << "the sequence did not stop";
        dlg.Cancelled = true;
    });
}

// A log that fails on one message, as a log whose window went away might.
class FailingLog : public testsupport::RecordingLog {
public:
    explicit FailingLog(std::string failOn) : failOn_(std::move(failOn)) {}
    void AddMessage(const std::string& Msg) override
    {
        RecordingLog::AddMessage(Msg);
        if (Msg == failOn_) throw std::runtime_error("log failed");
    }

private:
    std::string failOn_;
};

// The dial dialog over the real modem worker on a pseudo-terminal to the simulated modem, the
// simulated communicator behind it, all time on the application's manual clock.
struct DialFixture : ::testing::Test {
    DialFixture()
    {
        worker.Open(sim.Path(), br19200);
        dlg = ui::Create<TFormDial>(&scope.App(), "FormDial");
        dlg->Phone = "+7 (912) 345-67-89";
        dlg->Proto = 1;
        dlg->Modem = &worker;
        dlg->Log = log;
    }
    ~DialFixture() override
    {
        if (dlg != nullptr) ui::Free(dlg);
    }

    // Shows the dialog, presses "Позвонить" and, once the sequence has ended, does what `after` says;
    // the dialog's result.
    ui::TModalResult Run(const std::function<void()>& after = {})
    {
        scope.Services().AnswerModal([this, after](ui::TForm&) {
            ui::App().Post([this] { EXPECT_TRUE(driver.Click(*dlg->bReDial)); });
            When([this] { return !dlg->Dialling(); }, [this, after] {
                if (after) {
                    after();
                } else if (dlg->ModalResult() == ui::mrNone) {
                    ADD_FAILURE() << "the dialog stayed open: " << dlg->pStatus->Caption();
                    dlg->SetModalResult(ui::mrAbort);
                }
            });
        });
        return dlg->ShowModal();
    }

    // Pressing "Отмена" once the sequence has ended: the dialog closes with Cancel.
    std::function<void()> ThenCancel()
    {
        return [this] {
            statusAfter = dlg->pStatus->Caption();
            EXPECT_TRUE(dlg->bReDial->Enabled());
            EXPECT_TRUE(driver.Click(*dlg->btnStop));
        };
    }

    std::vector<std::string> Messages() const { return log->Texts(Kind::Message); }

    std::vector<std::string> MessagesAfter(const std::string& first) const
    {
        const auto all = Messages();
        const auto it = std::find(all.begin(), all.end(), first);
        return it == all.end() ? std::vector<std::string>{} : std::vector<std::string>(it, all.end());
    }

    ui::ApplicationScope scope;
    sim::Communicator device{{}, scope.Clock()};
    sim::ModemLine sim{device, scope.Clock()};
    TModemWorker worker{scope.Clock()};
    std::unique_ptr<testsupport::RecordingLog> ownedLog = std::make_unique<testsupport::RecordingLog>();
    testsupport::RecordingLog* log = ownedLog.get();
    TFormDial* dlg = nullptr;
    ui::Driver driver;
    std::string statusAfter;
};

const std::vector<std::string> kWholeSequence{
    "ATZ", "OK", "AT", "OK", "AT+CBST=71,0,1", "OK", "AT+CREG?", "OK", "ATD +7 (912) 345-67-89", "Connect"};

}  // namespace

TEST_F(DialFixture, SuccessfulCallClosesWithOkAndKeepsThePortOpen)
{
    std::vector<std::string> statuses;
    std::string ledDuringCall;
    // Samples the status panel and the LED display at every pass of the event pump while the sequence
    // runs.
    std::function<void()> sample = [&] {
        if (!dlg->Dialling() && !statuses.empty()) return;
        const std::string status = dlg->pStatus->Caption();
        if (!status.empty() && (statuses.empty() || statuses.back() != status)) statuses.push_back(status);
        if (dlg->Dialling() && ledDuringCall.empty()) ledDuringCall = dlg->KitLEDDisplay1->Caption();
        ui::App().Post(sample);
    };
    ui::App().Post(sample);

    EXPECT_EQ(Run(), ui::mrOk);
    EXPECT_EQ(Messages(), kWholeSequence);
    EXPECT_EQ(statuses, (std::vector<std::string>{"Инициализация модема: ATZ", "Инициализация модема: AT",
                                                  "Инициализация модема: ATCBST", kRegistering,
                                                  "Набор номера: +7 (912) 345-67-89"}));
    EXPECT_EQ(ledDuringCall, "+7 (912) 345-67-89");
    EXPECT_EQ(dlg->KitLEDDisplay1->Caption(), "");
    EXPECT_FALSE(dlg->KitLEDDisplay1->TimerEnabled()) << "an empty display does not tick";
    EXPECT_TRUE(worker.Online());
    EXPECT_TRUE(worker.IsOpen());
    EXPECT_TRUE(sim.modem().InDataMode());
    EXPECT_EQ(sim.modem().Commands(), (std::vector<std::string>{"ATZ", "AT", "AT+CBST=71,0,1", "AT+CREG?",
                                                                "ATD +79123456789"}));
}

TEST_F(DialFixture, LedDisplaySitsUnderTheTitleAndRestsUntilANumberIsShown)
{
    const TKitLEDDisplay& led = *dlg->KitLEDDisplay1;
    EXPECT_EQ(led.Parent(), dlg);
    EXPECT_EQ(led.BoundsRect(), ui::Bounds(30, 43, 243, 30));
    EXPECT_EQ(led.Caption(), "");
    EXPECT_FALSE(led.TimerEnabled());
    EXPECT_EQ(led.BorderOuter(), fsStatus);
    EXPECT_EQ(led.ScrollType(), stRightToLeft);
    EXPECT_EQ(led.ScrollDelay(), 100u);
    EXPECT_FALSE(ui::Layout::HasOverlap(*dlg));
}

TEST_F(DialFixture, ProtoZeroAsksForBearerSeven)
{
    dlg->Proto = 2;
    EXPECT_EQ(dlg->BearerValue(), "7");
    dlg->Proto = 0;
    EXPECT_EQ(Run(), ui::mrOk);
    EXPECT_EQ(sim.modem().Bearer(), "7,0,1");
    ASSERT_GT(Messages().size(), 4u);
    EXPECT_EQ(Messages()[4], "AT+CBST=7,0,1");
}

TEST_F(DialFixture, EachDialFailureLeavesTheDialogOpenAndTakesTheCallDown)
{
    for (const DialResult result :
         {DialResult::Busy, DialResult::NoCarrier, DialResult::NoDialtone, DialResult::NoAnswer, DialResult::Error}) {
        SCOPED_TRACE(static_cast<int>(result));
        if (!worker.IsOpen()) worker.Open(sim.Path(), br19200);
        sim.modem().SetDialResult(result);
        log->entries.clear();
        EXPECT_EQ(Run(ThenCancel()), ui::mrCancel);
        EXPECT_EQ(statusAfter, kConnectFailed);
        EXPECT_EQ(MessagesAfter("ATD +7 (912) 345-67-89"),
                  (std::vector<std::string>{"ATD +7 (912) 345-67-89", "+++", "ATH"}));
        EXPECT_EQ(sim.modem().Commands().back(), "ATH");
        EXPECT_FALSE(worker.Online());
        // Closed without a call: the dialog closed the port.
        EXPECT_FALSE(worker.IsOpen());
    }
}

TEST_F(DialFixture, ModemRefusingACommandFailsTheInitialisation)
{
    sim.modem().SetCommandReply("ATZ", "\r\nERROR\r\n");
    EXPECT_EQ(Run(ThenCancel()), ui::mrCancel);
    EXPECT_EQ(statusAfter, "Инициализация модема: ATZ");
    EXPECT_EQ(Messages(), (std::vector<std::string>{"ATZ", "Ошибка при инициализации модема!", "+++", "ATH"}));
    EXPECT_EQ(sim.modem().Commands(), (std::vector<std::string>{"ATZ", "ATZ", "ATZ", "ATH"}));
}

TEST_F(DialFixture, RegistrationErrorsEndTheSequence)
{
    sim.modem().SetCommandReply("AT+CREG?", "\r\nERROR\r\n");
    EXPECT_EQ(Run(ThenCancel()), ui::mrCancel);
    EXPECT_EQ(statusAfter, kConnectFailed);
    EXPECT_EQ(MessagesAfter("AT+CREG?"), (std::vector<std::string>{"AT+CREG?", "+++", "ATH"}));
}

// Presses "Отмена" once the modem has been sent a command starting with `prefix` (that is, while its
// reply is awaited); records the clock then and when the sequence reached its way down.
struct CancelInWait {
    std::uint64_t cancelledAt = 0;
    std::uint64_t downAt = 0;
};

void CancelWhileAwaiting(DialFixture& f, const std::string& prefix, CancelInWait& times)
{
    When([&f, prefix] {
             const auto requests = f.sim.line().Requests();
             return !requests.empty() && requests.back().starts_with(prefix);
         },
         [&f, &times] {
             times.cancelledAt = f.scope.Clock().NowMs();
             EXPECT_TRUE(f.driver.Click(*f.dlg->btnStop));
             When([&f] { return !f.MessagesAfter("+++").empty(); },
                  [&f, &times] { times.downAt = f.scope.Clock().NowMs(); });
         });
}

TEST_F(DialFixture, CancelDuringTheRegistrationWait)
{
    // The modem stays silent to the query: each would wait five seconds.
    sim.line().AddFault("AT+CREG?", Fault{FaultKind::Silence}, -1);
    CancelInWait times;
    CancelWhileAwaiting(*this, "AT+CREG?", times);
    EXPECT_EQ(Run(ThenCancel()), ui::mrCancel);
    EXPECT_TRUE(dlg->Cancelled);
    ASSERT_GT(times.downAt, 0u);
    EXPECT_LE(times.downAt - times.cancelledAt, 2u * TComPortWorker::PollMs);
    const auto requests = sim.line().Requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "AT+CREG?"), 1);
    EXPECT_EQ(MessagesAfter("AT+CREG?"), (std::vector<std::string>{"AT+CREG?", "+++", "ATH"}));
    EXPECT_EQ(sim.modem().Commands().back(), "ATH");
}

TEST_F(DialFixture, CancelDuringTheDialWait)
{
    sim.line().AddFault("ATD", Fault{FaultKind::Silence});
    CancelInWait times;
    CancelWhileAwaiting(*this, "ATD", times);
    EXPECT_EQ(Run(ThenCancel()), ui::mrCancel);
    EXPECT_EQ(statusAfter, kConnectFailed);
    ASSERT_GT(times.downAt, 0u);
    // Within a poll, far from the 81 seconds of the dial wait.
    EXPECT_LE(times.downAt - times.cancelledAt, 2u * TComPortWorker::PollMs);
    EXPECT_EQ(MessagesAfter("ATD +7 (912) 345-67-89"),
              (std::vector<std::string>{"ATD +7 (912) 345-67-89", "+++", "ATH"}));
}

TEST_F(DialFixture, TheNumberScrollsThroughTheDisplayWhileTheModemWorks)
{
    sim.line().AddFault("ATD", Fault{FaultKind::Silence});
    const TKitLEDDisplay& led = *dlg->KitLEDDisplay1;
    std::string shown;
    int before = -1;
    int after = -1;
    std::uint64_t start = 0;
    When([&] {
             const auto requests = sim.line().Requests();
             return !requests.empty() && requests.back().starts_with("ATD");
         },
         [&] {
             shown = led.Caption();
             before = led.ScrollOffset();
             start = scope.Clock().NowMs();
             EXPECT_TRUE(led.TimerEnabled());
             When([&] { return scope.Clock().NowMs() >= start + 500; },
                  [&] {
                      after = led.ScrollOffset();
                      EXPECT_TRUE(driver.Click(*dlg->btnStop));
                  });
         });
    EXPECT_EQ(Run(ThenCancel()), ui::mrCancel);
    EXPECT_EQ(shown, "+7 (912) 345-67-89");
    // A step of one dot column every 100 ms: about five in half a second.
    EXPECT_GE(after - before, 4 * led.Pitch());
    EXPECT_LE(after - before, 6 * led.Pitch());
    EXPECT_EQ(led.Caption(), "");
    EXPECT_FALSE(led.TimerEnabled());
}

TEST_F(DialFixture, CloseBoxWhileDiallingCancelsAndCloses)
{
    sim.modem().SetRegistration(Registration::Searching);
    When([&] { return dlg->pStatus->Caption() == kRegistering; },
         [&] {
             EXPECT_TRUE(driver.CloseForm(*dlg));
             // Should the close box not stop the sequence, the test stops it rather than wait forever.
             StopIfStillDialling(*dlg, 2000);
         });
    EXPECT_EQ(Run(), ui::mrCancel);
    EXPECT_EQ(MessagesAfter("AT+CREG?"), (std::vector<std::string>{"AT+CREG?", "+++", "ATH"}));
    EXPECT_FALSE(worker.Online());
    EXPECT_FALSE(worker.IsOpen());
}

TEST_F(DialFixture, CloseBoxAsTheCallComesUpStillTakesItDown)
{
    // The close box is pressed in the very poll that brings CONNECT: the call must not stay up unseen.
    bool closed = false;
    When([&] { return sim.modem().CallUp(); },
         [&] {
             closed = true;
             dlg->Close();
         });
    EXPECT_EQ(Run(), ui::mrCancel);
    ASSERT_TRUE(closed);
    EXPECT_FALSE(sim.modem().CallUp());
    EXPECT_FALSE(worker.Online());
    EXPECT_FALSE(worker.IsOpen());
}

TEST_F(DialFixture, CancelBeforeDiallingClosesThePort)
{
    scope.Services().AnswerModal([this](ui::TForm&) { ui::App().Post([this] { driver.Click(*dlg->btnStop); }); });
    EXPECT_EQ(dlg->ShowModal(), ui::mrCancel);
    EXPECT_FALSE(worker.IsOpen());
    EXPECT_TRUE(sim.modem().Commands().empty());
    scope.Services().AnswerModal([this](ui::TForm&) { ui::App().Post([this] { driver.CloseForm(*dlg); }); });
    EXPECT_EQ(dlg->ShowModal(), ui::mrCancel);
}

TEST_F(DialFixture, RedialAfterAFailureRunsTheWholeSequenceAgain)
{
    sim.modem().SetDialResult(DialResult::Busy);
    EXPECT_EQ(Run([this] {
                  EXPECT_EQ(dlg->pStatus->Caption(), kConnectFailed);
                  sim.modem().SetDialResult(DialResult::Connect);
                  EXPECT_TRUE(driver.Click(*dlg->bReDial));
              }),
              ui::mrOk);
    const auto commands = sim.modem().Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "ATZ"), 2);
    EXPECT_EQ(MessagesAfter("ATH"), (std::vector<std::string>{"ATH", "ATZ", "OK", "AT", "OK", "AT+CBST=71,0,1", "OK",
                                                              "AT+CREG?", "OK", "ATD +7 (912) 345-67-89", "Connect"}));
    EXPECT_TRUE(worker.Online());
    EXPECT_TRUE(worker.IsOpen());
}

TEST_F(DialFixture, RefusedNumberIsExplainedAndNeverDialled)
{
    dlg->Phone = "123;\r\nATH";
    scope.Services().AnswerModal([this](ui::TForm&) {
        ui::App().Post([this] { driver.Click(*dlg->bReDial); });
        ui::App().Post([this] {
            statusAfter = dlg->pStatus->Caption();
            driver.Click(*dlg->btnStop);
        });
    });
    EXPECT_EQ(dlg->ShowModal(), ui::mrCancel);
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].type, ui::mtError);
    EXPECT_NE(scope.Services().Boxes()[0].text.find("Недопустимый номер телефона"), std::string::npos);
    EXPECT_EQ(statusAfter, "Недопустимый номер телефона!");
    EXPECT_TRUE(sim.modem().Commands().empty());
    EXPECT_TRUE(sim.line().Requests().empty());
}

TEST_F(DialFixture, APortThatVanishesIsAFailureNeverAConnection)
{
    sim.line().AddFault("ATD", Fault{FaultKind::Vanish, 0});
    bool redialled = false;
    EXPECT_EQ(Run([this, &redialled] {
                  // Another try on the dead port fails the same way, with nothing left to crash on.
                  if (!redialled) {
                      redialled = true;
                      EXPECT_TRUE(driver.Click(*dlg->bReDial));
                  }
                  ThenCancel()();
              }),
              ui::mrCancel);
    EXPECT_TRUE(redialled);
    EXPECT_EQ(statusAfter, kConnectFailed);
    EXPECT_FALSE(worker.Online());
    EXPECT_FALSE(worker.IsOpen());
}

TEST_F(DialFixture, AFailureEscapingTheSequenceDoesNotReportAConnection)
{
    // The log fails on the way down after a busy line: the click's own result must not stand.
    auto failing = std::make_unique<FailingLog>("+++");
    log = failing.get();
    ownedLog = std::move(failing);
    dlg->Log = log;
    sim.modem().SetDialResult(DialResult::Busy);
    EXPECT_EQ(Run(ThenCancel()), ui::mrCancel);
    EXPECT_TRUE(dlg->bReDial->Enabled());
    EXPECT_EQ(dlg->KitLEDDisplay1->Caption(), "");
}

TEST_F(DialFixture, EndToEndDialReadVersionHangUp)
{
    EXPECT_EQ(Run(), ui::mrOk);
    // The dialog goes away before the call is used: nothing may still reach into it.
    ui::Free(dlg);
    dlg = nullptr;

    TDevSorvel7QX1 dev(worker, log);
    std::string version;
    ASSERT_TRUE(dev.ReadString("v", version));
    EXPECT_NE(version.find("11.005."), std::string::npos) << version;
    EXPECT_TRUE(dev.IsSupportedVersion(version));

    EXPECT_TRUE(worker.HangUpAndClose());
    EXPECT_FALSE(sim.modem().CallUp());
    EXPECT_FALSE(worker.IsOpen());
    EXPECT_EQ(sim.modem().Commands().back(), "ATH");
}
