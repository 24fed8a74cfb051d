#include "link/ComPortWorker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
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
    {"ValueEndingInOk", "GAPN2", "book", std::nullopt, true, "book", TFailure::None},
    {"ValueHoldingCapitalOk", "IPadr", "BOOK.OK", std::nullopt, true, "BOOK.OK", TFailure::None},
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

TEST_F(CableFixture, ReplyWithoutALineBreakEndsAfterTheQuietInterval)
{
    for (const char* reply : {"OK", ">12\r\nOK", ">12OK"}) {
        sim.line.AddFault("+o", Fault{FaultKind::Silence});
        ASSERT_TRUE(worker.Write("+o\r"));
        sim.line.Send(reply);
        std::string answer;
        const auto start = clock.NowMs();
        EXPECT_TRUE(worker.WaitFor(answer, "OK", 1000)) << reply;
        EXPECT_EQ(answer, reply);
        EXPECT_GE(clock.ElapsedSince(start), worker.QuietMs());
    }
}

TEST_F(CableFixture, LoginGetsItsOwnReplyWhenTheLastLineBreakCameLate)
{
    for (const auto gap : {30ms, 150ms}) {
        sim.line.AddFault("CABLE CONNECT", Fault{FaultKind::Split, 2, gap});
        EXPECT_TRUE(SendCableConnect(dev));
        EXPECT_TRUE(SendLogin(dev, "1234")) << gap.count();
    }
}

TEST_F(CableFixture, LateReplyIsDroppedBeforeTheNextWriteWithinABound)
{
    sim.line.AddFault("+o", Fault{FaultKind::Late, 0, std::chrono::milliseconds(2 * kTimeoutMs)});
    std::string answer;
    EXPECT_FALSE(Ask("+o\r", answer, kTimeoutMs));
    EXPECT_EQ(worker.LastFailure(), TFailure::NoReply);
    EXPECT_TRUE(worker.ResyncDue());
    const auto start = clock.NowMs();
    ASSERT_TRUE(worker.Write("+ver\r"));
    // The late window is as long as the failed wait lasted (two seconds for the device's own waits).
    EXPECT_LE(clock.ElapsedSince(start), kTimeoutMs + worker.QuietMs() + 2 * TComPortWorker::PollMs);
    EXPECT_EQ(worker.TakeDiscarded(), ">0050\r\nOK\r\n");
    ASSERT_TRUE(worker.WaitFor(answer, "OK", kTimeoutMs));
    EXPECT_EQ(answer, ">REV 11.005.096\r\nOK\r\n");
}

TEST_F(CableFixture, LateAttemptsOfOneCommandNeverShiftTheNextRead)
{
    sim.responder.Set("GAPN1", "internet.book.ru");
    for (const int late : {1, TDevice::DefaultAttempts}) {
        sim.line.AddFault("+GAPN1", Fault{FaultKind::Late, 0, std::chrono::milliseconds(2 * kTimeoutMs)}, late);
        std::string value;
        EXPECT_EQ(ReadApnAddress(dev, 1, value), late < TDevice::DefaultAttempts);
        EXPECT_EQ(value, late < TDevice::DefaultAttempts ? "internet.book.ru" : "");
        ASSERT_TRUE(ReadObjectNumber(dev, value));
        EXPECT_EQ(value, "0050");
    }
    const auto dropped = std::ranges::count_if(log.entries, [](const auto& e) { return e.caption.starts_with("Отброшено"); });
    EXPECT_EQ(dropped, 1 + TDevice::DefaultAttempts) << "every late reply is logged as dropped";
}

// A device that answers each request with the next of its replies, and refuses once they run out.
class ReplyScript : public sim::Responder {
public:
    explicit ReplyScript(std::vector<std::string> replies) : replies_(std::move(replies)) {}
    std::string Answer(const std::string&) override
    {
        const std::lock_guard lock(mutex_);
        return next_ < replies_.size() ? replies_[next_++] : "NOK\r\n";
    }

private:
    std::mutex mutex_;
    std::vector<std::string> replies_;
    std::size_t next_ = 0;
};

TEST(CableWrite, RefusedAttemptsAreNeverReportedDone)
{
    const std::tuple<std::string, bool, TFailure> thirdReplies[] = {
        {"NOK\r\n", false, TFailure::Refused},
        {"OK\r\nNOK\r\n", false, TFailure::MoreThanOneReply},
        {"NOK\r\nOK\r\n", false, TFailure::MoreThanOneReply},
        {"OK\r\n", true, TFailure::None},  // the device took it the third time
    };
    for (const auto& [third, done, failure] : thirdReplies) {
        platform::ManualClock clock;
        sim::Pty pty;
        ReplyScript script({"NOK\r\n", "NOK\r\n", third});
        sim::Line line(pty, script);
        TComPortWorker worker(true, true, clock);
        worker.OpenWithTimeout(pty.SlavePath(), br19200, 100);
        TDevSorvel7QX1 dev(worker, nullptr);
        dev.SetTimeoutFloor(100);
        EXPECT_EQ(WriteObjectNumber(dev, "0051"), done) << third;
        EXPECT_EQ(dev.LastFailure(), failure) << third;
    }
}

TEST(CableResync, AChatteringLineIsLeftWithinTheWindowAndOneQuietInterval)
{
    testsupport::SimLine sim({{"o", "0050"}}, 19200);
    TComPortWorker worker(true, true);
    worker.Open(sim.Path(), br19200);
    sim.line.AddFault("+o", Fault{FaultKind::Garbage, 3000});  // noise for 1.5 s
    std::string answer;
    ASSERT_TRUE(worker.Write("+o\r"));
    EXPECT_FALSE(worker.WaitFor(answer, "OK", kTimeoutMs));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(worker.Write("+o\r"));
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(kTimeoutMs + worker.QuietMs() + 200));
}

TEST(ComPortWorkerOpen, TimeoutQuietIntervalsAndReopening)
{
    testsupport::SimLine sim;
    TComPortWorker worker(true, true);
    EXPECT_EQ(worker.GetTimeout(), 500);
    worker.Close();  // nothing to close is not an error
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

TEST_F(CableFixture, DeviceVanishingMidReplyIsALinkFailureAtTheFirstLook)
{
    sim.line.AddFault("+ver", Fault{FaultKind::Vanish, 4});
    std::string answer;
    const auto start = clock.NowMs();
    // The device may be gone before the write has even dropped RTS again: either step must raise.
    EXPECT_THROW(
        {
            worker.Write("+ver\r");
            worker.WaitFor(answer, "OK", 10000);
        },
        ELinkFailure);
    EXPECT_LT(clock.ElapsedSince(start), 10000u);  // raised, not timed out
    EXPECT_THROW(worker.Write("+ver\r"), ELinkFailure) << "nor does the next write";

    TComPortWorker plain(false, true, clock);
    testsupport::SimLine other;
    plain.Open(other.Path(), br19200);
    other.line.Vanish();
    const auto look = clock.NowMs();
    EXPECT_THROW(plain.WaitFor(answer, "OK", 10000), ELinkFailure);
    EXPECT_EQ(clock.ElapsedSince(look), 0u);
}

TEST_F(CableFixture, WritePurgesWhatCameUnaskedButBytesBetweenTwoWaitsStay)
{
    sim.line.SetLineSpeed(0);  // at once: a purge drops only what has arrived
    Unasked("stale OK\r\n");
    std::string answer;
    ASSERT_TRUE(Ask("+o\r", answer));
    EXPECT_EQ(answer, ">0050\r\nOK\r\n");
    Unasked("unasked\r\nOK\r\n");
    ASSERT_TRUE(worker.WaitFor(answer, "OK", 300));
    EXPECT_EQ(answer, "unasked\r\nOK\r\n");
}

TEST_F(CableFixture, WaitForAnyKeepsWhatEarlierPollsBrought)
{
    const std::string reply = "\r\n+CREG: 0,1\r\n\r\nOK\r\n";
    Unasked(reply);
    std::string answer;
    EXPECT_TRUE(worker.WaitForAny(answer, {"busy", "OK"}, 1000));
    EXPECT_EQ(answer, reply);
    EXPECT_FALSE(worker.ExpectAny({"x"}, 40));
    sim.line.SetLineSpeed(0);  // at once: ReadAndCheck takes one look
    Unasked("ring ");
    EXPECT_TRUE(worker.ReadAndCheck(answer, "RING"));
}

TEST(ComPortWorkerClosed, WriteReportsFailureAndWaitsEndAtOnce)
{
    TComPortWorker plain(false, true);
    EXPECT_FALSE(plain.Write("+ver\r"));
    EXPECT_EQ(plain.LastFailure(), TFailure::CouldNotSend);
    std::string answer;
    EXPECT_FALSE(plain.WaitForAny(answer, {"OK"}, 100));
    EXPECT_EQ(plain.LastFailure(), TFailure::PortClosed);
    TComPortWorker cable(true, true);
    try {
        cable.Write("+ver\r");
        FAIL();
    } catch (const EDeviceError& e) {
        EXPECT_STREQ(e.what(), "Device not opened.");
    }
}

}  // namespace
