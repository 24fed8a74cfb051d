// The dial dialog over the real modem worker on a pseudo-terminal to the simulated modem, the simulated
// communicator behind it, all time on the application's manual clock: the call that comes about, and
// every way one does not, each of which must leave no call up and the dialog ready for another try.
#include "app/fDial.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sim/Communicator.h"
#include "sim/Modem.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/When.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using sim::DialResult;
using sim::Fault;
using sim::FaultKind;
using testsupport::When;

const char* const kConnectFailed = "Ошибка при подключении!";
const char* const kPhone = "+7 (912) 345-67-89";
const std::vector<std::string> kWayDown{"+++", "ATH"};

struct DialFixture : ::testing::Test {
    DialFixture()
    {
        worker.Open(sim.Path(), br19200);
        dlg = ui::Create<TFormDial>(&scope.App(), "FormDial");
        dlg->Phone = kPhone;
        dlg->Proto = 1;
        dlg->Modem = &worker;
        dlg->Log = log.get();
    }
    ~DialFixture() override { ui::Free(dlg); }

    // Shows the dialog, presses "Позвонить" and, once the sequence has ended, does what `after` says (by
    // default: nothing, and the dialog must have closed); the dialog's result.
    ui::TModalResult Run(const std::function<void()>& after = {})
    {
        scope.Services().AnswerModal([this, after](ui::TForm&) {
            ui::App().Post([this] { EXPECT_TRUE(driver.Click(*dlg->bReDial)); });
            When([this] { return !dlg->Dialling(); }, [this, after] {
                if (after) return after();
                if (dlg->ModalResult() != ui::mrNone) return;
                ADD_FAILURE() << "the dialog stayed open: " << dlg->pStatus->Caption();
                dlg->SetModalResult(ui::mrAbort);
            });
        });
        return dlg->ShowModal();
    }
    // Presses "Отмена" once the sequence has ended: the dialog closes with Cancel.
    void ThenCancel()
    {
        if (std::exchange(redialFirst, false)) {
            EXPECT_TRUE(driver.Click(*dlg->bReDial));
        }
        statusAfter = dlg->pStatus->Caption();
        EXPECT_TRUE(dlg->bReDial->Enabled());
        EXPECT_TRUE(driver.Click(*dlg->btnStop));
    }
    std::vector<std::string> MessagesFrom(const std::string& first) const
    {
        const auto all = log->Texts(testsupport::RecordingLog::Kind::Message);
        return {std::find(all.begin(), all.end(), first), all.end()};
    }
    // No call stays up (where the modem could still tell), the port is closed.
    void ExpectDown(bool modemTells = true)
    {
        EXPECT_FALSE(modemTells && sim.modem().CallUp());
        EXPECT_FALSE(worker.Online());
        EXPECT_FALSE(worker.IsOpen());
    }

    ui::ApplicationScope scope;
    sim::Communicator device{{}, scope.Clock()};
    sim::ModemLine sim{device, scope.Clock()};
    TModemWorker worker{scope.Clock()};
    std::unique_ptr<testsupport::RecordingLog> log = std::make_unique<testsupport::RecordingLog>();
    TFormDial* dlg = nullptr;
    ui::Driver driver;
    std::string statusAfter;
    bool redialFirst = false;
};

// A busy line first, then "Позвонить" again: the whole sequence runs anew.
TEST_F(DialFixture, ARedialAfterABusyLineClosesWithOkAndKeepsThePortOpen)
{
    EXPECT_EQ(dlg->BearerValue(), "71");
    dlg->Proto = 2;  // any but 1
    sim.modem().SetDialResult(DialResult::Busy);
    std::vector<std::string> statuses;
    std::string ledDuringCall;
    std::uint64_t numberShownAt = 0;
    bool numberScrolled = false;
    // Samples the status panel and the LED display at every pass of the event pump while the second call runs.
    std::function<void()> sample = [&] {
        if (!dlg->Dialling() && !statuses.empty()) return;
        const std::string status = dlg->pStatus->Caption();
        if (!status.empty() && (statuses.empty() || statuses.back() != status)) statuses.push_back(status);
        if (dlg->Dialling() && ledDuringCall.empty()) ledDuringCall = dlg->KitLEDDisplay1->Caption();
        if (dlg->Dialling() && !dlg->KitLEDDisplay1->Caption().empty()) {
            if (numberShownAt == 0) numberShownAt = scope.Clock().NowMs();
            numberScrolled = numberScrolled || dlg->KitLEDDisplay1->Scrolling();
        }
        ui::App().Post(sample);
    };
    EXPECT_EQ(Run([&] {
                  EXPECT_EQ(dlg->pStatus->Caption(), kConnectFailed);
                  sim.modem().SetDialResult(DialResult::Connect);
                  ui::App().Post(sample);
                  EXPECT_TRUE(driver.Click(*dlg->bReDial));
              }),
              ui::mrOk);
    EXPECT_EQ(MessagesFrom("ATH"), (std::vector<std::string>{"ATH", "ATZ", "OK", "AT", "OK", "AT+CBST=7,0,1", "OK", "AT+CREG?",
                                                             "OK", "ATD +7 (912) 345-67-89", "Connect"}));
    EXPECT_EQ(statuses, (std::vector<std::string>{"Инициализация модема: ATZ", "Инициализация модема: AT",
                                                  "Инициализация модема: ATCBST", "Ожидание регистрации в сети: AT+CREG",
                                                  "Набор номера: +7 (912) 345-67-89"}));
    // The number as the modem dials it stands whole in the display, long enough to be read however
    // quickly the modem answers.
    EXPECT_EQ(ledDuringCall, "+79123456789");
    EXPECT_FALSE(numberScrolled);
    EXPECT_GE(scope.Clock().NowMs() - numberShownAt, TFormDial::MinNumberShownMs);
    EXPECT_EQ(dlg->KitLEDDisplay1->Caption(), "");
    EXPECT_FALSE(dlg->KitLEDDisplay1->TimerEnabled()) << "an empty display does not tick";
    EXPECT_TRUE(worker.Online());
    EXPECT_TRUE(sim.modem().InDataMode());
    EXPECT_EQ(sim.modem().Commands().back(), "ATD +79123456789") << "the number as the modem is given it";
}

// Each failure: the status says so, the call is taken down, the dialog stays open for another try.
struct DialFailure {
    const char* name;
    std::function<void(DialFixture&)> arrange;
    const char* status;
    const char* from;  // the log from this message on
    std::vector<std::string> logged;
    bool hungUp = true;  // the modem heard the hang-up
};

class DialFailures : public DialFixture, public ::testing::WithParamInterface<DialFailure> {};

TEST_P(DialFailures, LeaveNoCallUpAndTheDialogOpen)
{
    const DialFailure& c = GetParam();
    c.arrange(*this);
    EXPECT_EQ(Run([this] { ThenCancel(); }), ui::mrCancel);
    EXPECT_EQ(statusAfter, c.status);
    EXPECT_EQ(MessagesFrom(c.from), c.logged);
    EXPECT_EQ(sim.modem().Commands().back() == "ATH", c.hungUp);
    EXPECT_EQ(dlg->KitLEDDisplay1->Caption(), "");
    ExpectDown(c.hungUp);
}

const char* const kDial = "ATD +7 (912) 345-67-89";

INSTANTIATE_TEST_SUITE_P(
    Modem, DialFailures,
    ::testing::Values(
        DialFailure{"Busy", [](DialFixture& f) { f.sim.modem().SetDialResult(DialResult::Busy); }, kConnectFailed, kDial,
                    {kDial, "+++", "ATH"}},
        DialFailure{"InitRefused", [](DialFixture& f) { f.sim.modem().SetCommandReply("ATZ", "\r\nERROR\r\n"); },
                    "Инициализация модема: ATZ", "ATZ", {"ATZ", "Ошибка при инициализации модема!", "+++", "ATH"}},
        DialFailure{"CheckRefused",
                    [](DialFixture& f) {
                        f.sim.modem().SetCommandReply("ATZ", "\r\nOK\r\n");
                        f.sim.modem().SetCommandReply("AT", "\r\nERROR\r\n", 2);
                    },
                    "Инициализация модема: AT", "AT", {"AT", "Ошибка при инициализации модема!", "+++", "ATH"}},
        DialFailure{"RegistrationError", [](DialFixture& f) { f.sim.modem().SetCommandReply("AT+CREG?", "\r\nERROR\r\n"); },
                    kConnectFailed, "AT+CREG?", {"AT+CREG?", "+++", "ATH"}},
        // Another try on the dead port fails the same way, with nothing left to crash on.
        DialFailure{"PortVanishes",
                    [](DialFixture& f) {
                        f.sim.line().AddFault("ATD", Fault{FaultKind::Vanish, 0});
                        f.redialFirst = true;
                    },
                    kConnectFailed, "+++", {"+++", "ATH", "+++", "ATH"}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// "Отмена" while the modem searches for its network: the way down starts within a poll (the modem worker's
// own tests hold the dial's wait); then the close box in the very poll that brings CONNECT.
TEST_F(DialFixture, CancelWhileRegisteringOrTheCloseBoxAsTheCallComesUpTakesItDownAndARefusedNumberIsNeverDialled)
{
    sim.modem().SetRegistration(sim::Registration::Searching);
    std::uint64_t cancelledAt = 0;
    std::uint64_t downAt = 0;
    When([&] { return dlg->pStatus->Caption() == "Ожидание регистрации в сети: AT+CREG"; }, [&] {
        cancelledAt = scope.Clock().NowMs();
        EXPECT_TRUE(driver.Click(*dlg->btnStop));
        When([&] { return !MessagesFrom("+++").empty(); }, [&] { downAt = scope.Clock().NowMs(); });
    });
    EXPECT_EQ(Run([this] { ThenCancel(); }), ui::mrCancel);
    ASSERT_GT(downAt, 0u);
    EXPECT_LE(downAt - cancelledAt, 2u * TComPortWorker::PollMs);
    EXPECT_EQ(MessagesFrom("+++"), kWayDown);
    ExpectDown();

    // The close box pressed in the very poll that brings CONNECT: the call must not stay up unseen.
    worker.Open(sim.Path(), br19200);
    sim.modem().SetRegistration(sim::Registration::Home);
    bool closed = false;
    When([&] { return sim.modem().CallUp(); },
         [&] {
             closed = true;
             dlg->Close();
         });
    EXPECT_EQ(Run(), ui::mrCancel);
    EXPECT_TRUE(closed);
    ExpectDown();

    // A refused number is explained and never dialled.
    worker.Open(sim.Path(), br19200);
    sim.line().ClearReceived();
    dlg->Phone = "123;\r\nATH";
    scope.Services().AnswerModal([this](ui::TForm&) {
        ui::App().Post([this] { driver.Click(*dlg->bReDial); });
        ui::App().Post([this] { ThenCancel(); });
    });
    EXPECT_EQ(dlg->ShowModal(), ui::mrCancel);
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].type, ui::mtError);
    EXPECT_TRUE(scope.Services().Boxes()[0].text.starts_with("Недопустимый номер телефона: \"123;"));
    EXPECT_EQ(statusAfter, "Недопустимый номер телефона!");
    EXPECT_TRUE(sim.line().Requests().empty());
    EXPECT_FALSE(worker.IsOpen()) << "the cancel closes the port";
}

}  // namespace
