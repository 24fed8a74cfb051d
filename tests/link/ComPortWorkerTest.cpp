#include "link/ComPortWorker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "link/DevCommands.h"
#include "link/DevSorvel7QX1.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/SimLine.h"

using sim::Fault;
using sim::FaultKind;
using namespace std::chrono_literals;

namespace {

constexpr int kTimeoutMs = 200;

// The real cable worker and protocol object on the manual clock, over a pseudo-terminal to a store of
// words at 19200 baud with both directions paced as on a real line; failing exchanges give up quickly.
struct CableFixture : ::testing::Test {
    CableFixture()
    {
        sim.line.SetRequestPacing(true);
        worker.OpenWithTimeout(sim.Path(), br19200, kTimeoutMs);
        dev.SetTimeoutFloor(kTimeoutMs);
        dev.SetTimestamp({});
    }

    // Writes one request and waits for "OK" with the given time-out on the manual clock.
    bool Ask(const std::string& request, std::string& answer, int timeoutMs = 10000)
    {
        EXPECT_TRUE(worker.Write(request));
        return worker.WaitFor(answer, "OK", timeoutMs);
    }
    // Unasked bytes from the device, there before the next look.
    void Unasked(const std::string& bytes)
    {
        sim.line.Send(bytes);
        ASSERT_TRUE(worker.Port().WaitInput(2000));
    }

    platform::ManualClock clock;
    testsupport::SimLine sim{{{"ver", "REV 11.005.096"}, {"o", "0050"}, {"id", "0000"}}, 19200};
    TComPortWorker worker{true, true, clock};
    testsupport::RecordingLog log;
    TDevSorvel7QX1 dev{worker, &log};
};

struct ReadCase {
    const char* name;
    std::string word;
    std::string stored;  // the value the device holds, when the row sets one
    std::optional<Fault> fault;
    bool read;
    std::string value;
    TFailure failure;
};

const ReadCase kReads[] = {
    {"PacedByteByByte", "o", "", std::nullopt, true, "0050", TFailure::None},
    {"UnevenChunks", "o", "", Fault{FaultKind::Split, 3, 7ms}, true, "0050", TFailure::None},
    {"ValueSplitRightAfterItsOk", "GAPN1", "internet.book.ru", Fault{FaultKind::Split, 14, 20ms}, true,
     "internet.book.ru", TFailure::None},
    {"EchoedRequest", "o", "", Fault{FaultKind::Echo}, true, "0050", TFailure::None},
    {"Refused", "nothing", "", std::nullopt, false, "", TFailure::Refused},
    // After a failure the wait listens past a reply's end: a second reply right behind it is caught.
    {"TwoRepliesAfterASilence", "ps", "x\r\nOK\r\n>y", Fault{FaultKind::Silence}, false, "",
     TFailure::MoreThanOneReply},
    {"Silence", "o", "", Fault{FaultKind::Silence}, false, "", TFailure::NoReply},
};

class ReadAtLineSpeed : public CableFixture, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadAtLineSpeed, TakesTheWholeReplyAndLeavesTheLineInStep)
{
    const ReadCase& c = GetParam();
    if (!c.stored.empty()) sim.responder.Set(c.word, c.stored);
    const bool once = c.read || c.failure == TFailure::MoreThanOneReply;
    if (c.fault) sim.line.AddFault("+" + c.word, *c.fault, once ? 1 : TDevice::DefaultAttempts);
    std::string value = "stale";
    EXPECT_EQ(dev.ReadString(c.word, value), c.read);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(dev.LastFailure(), c.failure);
    if (c.read) {
        // Everything the device sent for the request has been read: nothing is left for the next one.
        ASSERT_TRUE(sim.line.WaitForAnswers(sim.line.Requests().size(), 2s));
        EXPECT_EQ(worker.Port().InQueCount(0), 0);
    }
    ASSERT_TRUE(dev.ReadString("o", value));
    EXPECT_EQ(value, "0050") << "the next request gets its own reply";
}

INSTANTIATE_TEST_SUITE_P(Replies, ReadAtLineSpeed, ::testing::ValuesIn(kReads),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CableFixture, LoginGetsItsOwnReplyWhenTheLastLineBreakCameLate)
{
    for (const auto gap : {30ms, 150ms}) {
        sim.line.AddFault("CABLE CONNECT", Fault{FaultKind::Split, 2, gap});
        EXPECT_TRUE(SendCableConnect(dev));
        EXPECT_TRUE(SendLogin(dev, "1234")) << gap.count();
    }
}

// A reply late past its time-out answers the retry of the same request as well as the retry's own reply
// does: both count once, and the line is proven quiet before the next request goes out.
TEST_F(CableFixture, LateAttemptsOfOneCommandNeverShiftTheNextRead)
{
    sim.responder.Set("GAPN1", "internet.book.ru");
    for (const int late : {1, TDevice::DefaultAttempts}) {
        sim.line.AddFault("+GAPN1", Fault{FaultKind::Late, 0, std::chrono::milliseconds(3 * kTimeoutMs / 2)}, late);
        std::string value;
        EXPECT_TRUE(ReadApnAddress(dev, 1, value));
        EXPECT_EQ(value, "internet.book.ru");
        ASSERT_TRUE(ReadObjectNumber(dev, value));
        EXPECT_EQ(value, "0050");
    }
    EXPECT_FALSE(std::ranges::any_of(log.entries, [](const auto& e) { return e.caption.starts_with("Отброшено"); }))
        << "every late reply answered its own request";
}

TEST_F(CableFixture, SilenceTimesOutOnTheClockAndZeroStillLooksOnce)
{
    sim.line.AddFault("+ver", Fault{FaultKind::Silence});
    std::string answer;
    auto start = clock.NowMs();
    EXPECT_FALSE(Ask("+ver\r", answer, 500));
    EXPECT_GT(clock.ElapsedSince(start), 500u);
    EXPECT_LE(clock.ElapsedSince(start), 521u);
    ASSERT_TRUE(Ask("+ver\r", answer));  // the fault was for one request only

    sim.line.SetLineSpeed(0);  // at once: the one look of a zero time-out must find the whole reply there
    Unasked("OK\r\n");
    EXPECT_TRUE(worker.WaitFor(answer, "OK", 0));
    sim.line.AddFault("+ver", Fault{FaultKind::Silence});
    start = clock.NowMs();
    EXPECT_FALSE(Ask("+ver\r", answer, -1));
    EXPECT_LT(clock.ElapsedSince(start), 25u) << "a negative time-out is clamped, not wrapped";
}

TEST_F(CableFixture, StreamingGarbageEndsTheWaitWithBoundedMemory)
{
    // At full speed the manual clock barely moves: only the length cap can end this wait.
    sim.line.SetLineSpeed(0);
    sim.line.AddFault("+ver", Fault{FaultKind::Garbage, 4 * TComPortWorker::MaxReplyLength});
    std::string answer;
    EXPECT_FALSE(Ask("+ver\r", answer, 10000));
    EXPECT_EQ(worker.LastFailure(), TFailure::TooLong);
    EXPECT_GE(answer.size(), TComPortWorker::MaxReplyLength);
    EXPECT_LT(answer.size(), TComPortWorker::MaxReplyLength + 8192);
}

TEST(ComPortWorkerOpen, TimeoutQuietIntervalsReopeningAndAClosedPort)
{
    testsupport::SimLine sim;
    TComPortWorker worker(true, true);
    EXPECT_EQ(worker.GetTimeout(), 500);
    worker.Close();  // nothing to close is not an error
    EXPECT_THROW(worker.Write("+ver\r"), EDeviceError) << "the cable worker cannot set RTS";
    worker.Open(sim.Path(), br19200);
    EXPECT_EQ(worker.Port().BaudValue(), 19200u);
    // Silences of a reply at this speed: a few character times, above an adapter's chunk gaps.
    EXPECT_EQ(worker.QuietMs(), TComPortWorker::MinQuietMs);
    EXPECT_EQ(worker.LineBreakMs(), TComPortWorker::MinLineBreakMs);
    worker.OpenWithTimeout(sim.Path(), br300, 700);
    EXPECT_EQ(worker.QuietMs(), 667u);
    EXPECT_THROW(worker.OpenWithTimeout("/dev/no-such-port", br19200, 900), EDeviceError);
    EXPECT_EQ(worker.GetTimeout(), 700) << "a failed open leaves the time-out alone";
    EXPECT_FALSE(worker.IsOpen());

    TComPortWorker plain(false, true);
    EXPECT_FALSE(plain.Write("+ver\r"));
    EXPECT_EQ(plain.LastFailure(), TFailure::CouldNotSend);
    std::string answer;
    EXPECT_FALSE(plain.WaitForAny(answer, {"OK"}, 100));
    EXPECT_EQ(plain.LastFailure(), TFailure::PortClosed);
}

}  // namespace
