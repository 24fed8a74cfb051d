#include "link/ModemWorker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "sim/Modem.h"
#include "tests/support/StoreResponder.h"

using sim::DialResult;
using sim::Fault;
using sim::FaultKind;
using sim::Registration;
using namespace std::chrono_literals;

namespace {

const char* const kTooManyErrors = "ОШИБКА! Слишком много ошибока от модема!";
const char* const kNoCarrier = "ОШИБКА! Не могу установить соединение или оно разорвано(NO CARRIER)!";

// The message of the modem failure the action raises.
std::string Message(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TModemException& e) {
        return e.what();
    }
    return "no exception";
}

// The real worker over a pseudo-terminal to the simulated modem, with the device behind it; all time
// on a manual clock. The event pump counts and can run a scripted "click".
struct ModemFixture : ::testing::Test {
    ModemFixture()
    {
        // Replies arrive whole: what a wait sees in one poll does not depend on scheduling.
        sim.line().SetLineSpeed(0);
        worker.Open(sim.Path(), br19200);
        worker.SetEventPump([this] {
            ++pumps;
            if (onPump) onPump();
        });
        worker.SetCancelProbe([this] { return cancelled; });
    }

    // The dial dialog's sequence up to the call.
    void DialUp()
    {
        ASSERT_TRUE(worker.ResetModem());
        ASSERT_TRUE(worker.CheckModem());
        ASSERT_TRUE(worker.SetBearer("71"));
        ASSERT_TRUE(worker.CheckRegistration());
        ASSERT_TRUE(worker.Dial("5551234"));
    }

    platform::ManualClock clock;
    testsupport::StoreResponder device{{{"ver", "REV 11.005.096"}}};
    sim::ModemLine sim{device, clock};
    TModemWorker worker{clock};
    bool cancelled = false;
    int pumps = 0;
    std::function<void()> onPump;
};

}  // namespace

TEST(ModemWorkerReplies, FailureWordsAndTheirMessagesInOrder)
{
    const std::pair<const char*, const char*> cases[] = {
        {"\r\nBUSY\r\n", "ОШИБКА! Линия занята(BUSY)!"},
        {"no carrier", kNoCarrier},
        {"NO DIALTONE", "ОШИБКА! Нет сигнала в линии(NO DIALTONE)!"},
        {"Disconnect", "ОШИБКА! Обрыв Соединения(DISCONNECT)!"},
        {"NO ANSWER", "ОШИБКА! Нет ответа(NO ANSWER)!"},
        {"NO CARRIER BUSY", "ОШИБКА! Линия занята(BUSY)!"},  // busy is looked for first
        {"\r\nOK\r\nCONNECT 9600\r\nERROR", "no exception"},
    };
    for (const auto& [reply, message] : cases)
        EXPECT_EQ(Message([&] { TModemWorker::CheckFailureReply(reply); }), message) << reply;
}

TEST(ModemWorkerReplies, DialStringKeepsOnlyDialCharacters)
{
    EXPECT_EQ(TModemWorker::DialString("8 (912) 345-67.89"), "89123456789");
    EXPECT_EQ(TModemWorker::DialString("+7912W123,4w5"), "+7912W123,4w5");
    // No digit, ";" (a voice call), a line end (a second command) or a letter: no dial string at all.
    for (const char* bad : {"*#", "123;", "123\r\nATZ", "12a"}) EXPECT_EQ(TModemWorker::DialString(bad), std::nullopt);
}

TEST_F(ModemFixture, WholeDialSequenceThenDataThenHangUp)
{
    const auto start = clock.NowMs();
    worker.PulseRts();
    EXPECT_GE(clock.ElapsedSince(start), 2 * TModemWorker::RtsPulseMs);
    EXPECT_GT(pumps, 0);
    DialUp();
    EXPECT_TRUE(sim.modem().InDataMode());
    std::string answer;
    ASSERT_TRUE(worker.Write("+nothing\r"));
    EXPECT_FALSE(worker.WaitFor(answer, "OK", 300));
    EXPECT_EQ(answer, "NOK\r\n");
    ASSERT_TRUE(worker.Write("+nothing\r"));
    EXPECT_FALSE(worker.ReadUntil(answer, "OK", 300));  // a wait, not "always true"
    ASSERT_TRUE(worker.Write("+ver\r"));
    EXPECT_TRUE(worker.ReadUntil(answer, "ok", 10000));
    EXPECT_EQ(answer, ">REV 11.005.096\r\nOK\r\n");

    const auto downStart = clock.NowMs();
    EXPECT_TRUE(worker.HangUpAndClose());
    EXPECT_GE(clock.ElapsedSince(downStart), 2 * TModemWorker::GuardTimeMs);
    EXPECT_FALSE(worker.IsOpen());
    EXPECT_EQ(sim.modem().Escapes(), 1);
    EXPECT_EQ(sim.modem().Commands().back(), "ATH");
}

TEST_F(ModemFixture, DialFailuresRaiseTheirMessagesAndAnErrorEndsTheWait)
{
    sim.modem().SetDialResult(DialResult::Error);
    const auto start = clock.NowMs();
    EXPECT_FALSE(worker.Dial("5551234"));
    EXPECT_LT(clock.ElapsedSince(start), 1000u);  // ended by the reply, not by the 81 s wait
    EXPECT_EQ(worker.ErrorCount(), 1);
    // A failure word wins over the expected word in the same reply.
    sim.modem().SetCommandReply("ATD", "\r\nCONNECT 9600\r\n\r\nNO CARRIER\r\n");
    EXPECT_EQ(Message([&] { worker.Dial("5551234"); }), kNoCarrier);
    const std::size_t sent = sim.modem().Commands().size();
    EXPECT_NE(Message([&] { worker.Dial("123;\r\nATZ"); }).find("Недопустимый номер"), std::string::npos);
    EXPECT_EQ(sim.modem().Commands().size(), sent) << "a bad number never reaches the modem";
}

TEST_F(ModemFixture, AnErrorEndsTheAttemptAndEachCommandTriesItsNumberOfTimes)
{
    const auto start = clock.NowMs();
    const std::tuple<const char*, std::function<bool()>, int> commands[] = {
        {"ATZ", [&] { return worker.ResetModem(); }, 3},
        {"AT+CBST", [&] { return worker.SetBearer("71"); }, 2},
        {"AT", [&] { return worker.CheckModem(); }, 2}};
    for (const auto& [prefix, command, attempts] : commands) {
        sim.modem().SetCommandReply(prefix, "\r\nERROR\r\n", attempts - 1);
        EXPECT_TRUE(command()) << prefix;
        EXPECT_EQ(worker.ErrorCount(), 0);
        sim.modem().SetCommandReply(prefix, "\r\nERROR\r\n", attempts);
        EXPECT_FALSE(command()) << prefix;
        EXPECT_EQ(worker.ErrorCount(), attempts) << prefix;
        worker.CheckErrorReply("OK");  // a good reply between commands ends the run of errors
    }
    EXPECT_EQ(sim.modem().Commands().size(), 2u * (3 + 2 + 2));
    EXPECT_LT(clock.ElapsedSince(start), 3000u) << "ended by the replies, not by the 21 s waits";
    // The dial dialog repeats the registration check until it succeeds: the run of errors must end it.
    sim.modem().SetCommandReply("AT+CREG?", "\r\nERROR\r\n");
    std::string message = "no exception";
    for (int round = 0; round < 10 && message == "no exception"; ++round)
        message = Message([&] { EXPECT_FALSE(worker.CheckRegistration()); });
    EXPECT_EQ(message, kTooManyErrors);
    EXPECT_EQ(sim.modem().Commands().size(), 2u * (3 + 2 + 2) + TModemWorker::MaxErrors);
}

TEST_F(ModemFixture, RegistrationStatusesAndSilenceTriedFiveTimes)
{
    const std::tuple<Registration, bool, bool> cases[] = {
        {Registration::Home, false, true},       {Registration::Roaming, true, true},
        {Registration::Searching, false, false}, {Registration::Denied, false, false},
        {Registration::NotRegistered, true, false},
    };
    for (const auto& [status, spaceAfterComma, registered] : cases) {
        sim.modem().SetRegistration(status, spaceAfterComma);
        EXPECT_EQ(worker.CheckRegistration(), registered) << static_cast<int>(status) << " " << spaceAfterComma;
    }
    // Silence: five tries on the default time-out.
    worker.OpenWithTimeout(sim.Path(), br19200, 100);
    sim.line().AddFault("AT+CREG?", Fault{FaultKind::Silence}, -1);
    const std::size_t before = sim.line().Requests().size();
    const auto start = clock.NowMs();
    EXPECT_FALSE(worker.CheckRegistration());
    EXPECT_GT(clock.ElapsedSince(start), 5u * 100u);
    EXPECT_EQ(sim.line().Requests().size(), before + 5);
}

TEST_F(ModemFixture, CallDroppingMidExchangeRaisesAndHangUpAcceptsNoCarrierIgnoringCancel)
{
    DialUp();
    sim.modem().DropCallOn("+ver");
    std::string answer;
    ASSERT_TRUE(worker.Write("+ver\r"));
    EXPECT_EQ(Message([&] { worker.WaitFor(answer, "OK", 10000); }), kNoCarrier);
    EXPECT_FALSE(sim.modem().CallUp());
    EXPECT_TRUE(worker.CheckModem()) << "the modem is back in command mode";
    DialUp();
    cancelled = true;
    sim.modem().SetCommandReply("ATH", "\r\nNO CARRIER\r\n");
    EXPECT_TRUE(worker.EscapeToCommandMode());
    EXPECT_TRUE(worker.HangUp());
    EXPECT_TRUE(worker.IsOpen()) << "the port stays for the next dial";
    EXPECT_FALSE(sim.modem().InDataMode());
}

TEST_F(ModemFixture, HangUpAfterTheCallDroppedOrThePortVanishedStillCloses)
{
    DialUp();
    sim.DropCall();  // NO CARRIER waits unread: on the way down it is no error
    ASSERT_TRUE(worker.Port().WaitInput(2000));
    EXPECT_TRUE(worker.HangUpAndClose());  // no OK to "+++" in command mode; ATH still answered
    EXPECT_EQ(sim.modem().Escapes(), 0);
    EXPECT_EQ(sim.modem().Commands().back(), "ATH");
    worker.Open(sim.Path(), br19200);
    sim.line().Vanish();
    EXPECT_FALSE(worker.HangUpAndClose());
    EXPECT_FALSE(worker.IsOpen());
    EXPECT_FALSE(worker.EscapeToCommandMode()) << "no escape over a closed port";
    EXPECT_FALSE(worker.HangUpAndClose()) << "nothing open: nothing to do";
}
