#include "link/ComPortWorker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/support/SimLine.h"

using sim::Fault;
using sim::FaultKind;
using namespace std::chrono_literals;

namespace {

// A worker of another kind, standing in for the modem worker: its own default time-out.
class SlowWorker : public TComPortWorker {
public:
    using TComPortWorker::TComPortWorker;
    int DefaultTimeout() override { return 5000; }
};

struct CableFixture : ::testing::Test {
    CableFixture() { worker.Open(sim.Path(), br19200); }

    // Writes one request and waits for "OK" with the given time-out on the manual clock.
    bool Ask(const std::string& request, std::string& answer, int timeoutMs = 10000)
    {
        EXPECT_TRUE(worker.Write(request));
        return worker.WaitFor(answer, "OK", timeoutMs);
    }

    platform::ManualClock clock;
    // Replies at once: a wait ends at "OK" and these tests compare whole replies (at line pace the line
    // break after "OK" is still on the wire); and a flood of garbage at line speed takes half a minute.
    testsupport::SimLine sim{{{"ver", "REV 11.005.096"}, {"o", "0050"}}, 0};
    TComPortWorker worker{true, true, clock};
};

}  // namespace

TEST(ComPortWorkerTimeout, EachKindOfWorkerGetsItsOwnDefault)
{
    EXPECT_EQ(TComPortWorker(true, true).GetTimeout(), 500);
    SlowWorker slow(false, true);
    testsupport::SimLine sim;
    slow.Open(sim.Path(), br19200);
    EXPECT_EQ(slow.GetTimeout(), 5000);
    slow.OpenWithTimeout(sim.Path(), br19200, 1234);
    EXPECT_EQ(slow.GetTimeout(), 1234);
}

TEST(ComPortWorkerTimeout, FailedOpenLeavesTheTimeoutAlone)
{
    testsupport::SimLine sim;
    TComPortWorker worker(true, true);
    worker.OpenWithTimeout(sim.Path(), br19200, 700);
    EXPECT_THROW(worker.OpenWithTimeout("/dev/no-such-port", br19200, 900), EDeviceError);
    EXPECT_EQ(worker.GetTimeout(), 700);
}

TEST(ComPortWorkerOpen, OpenCloseReopenAndSettings)
{
    testsupport::SimLine sim;
    TComPortWorker worker(true, true);
    worker.Close();  // nothing to close is not an error
    worker.Open(sim.Path(), br19200);
    EXPECT_EQ(worker.Port().BaudValue(), 19200u);
    worker.Open(sim.Path(), br19200);  // reopening closes first
    EXPECT_TRUE(worker.IsOpen());
    worker.Close();
    EXPECT_FALSE(worker.IsOpen());
}

TEST(ComPortWorkerTerminator, NokIsIgnoredByTheTest)
{
    EXPECT_FALSE(TComPortWorker::HoldsTerminator("NOK\r\n", "OK"));
    EXPECT_TRUE(TComPortWorker::HoldsTerminator("NOK\r\nOK\r\n", "OK"));
    EXPECT_FALSE(TComPortWorker::HoldsTerminator("NNOKOK", "OK"));  // the removal forms another NOK
    EXPECT_TRUE(TComPortWorker::HoldsTerminator(">0050\r\nok\r\n", "OK"));
    EXPECT_TRUE(TComPortWorker::HoldsTerminator("CONNECT 9600", "connect"));
}

TEST_F(CableFixture, WaitForGetsTheReplyAndTheDeviceGetsTheFrame)
{
    std::string answer;
    ASSERT_TRUE(Ask("+ver\r", answer));
    EXPECT_EQ(answer, ">REV 11.005.096\r\nOK\r\n");
    EXPECT_EQ(sim.line.ReceivedBytes(), "+ver\r");
}

TEST_F(CableFixture, SilenceTimesOutOnTheClock)
{
    sim.line.AddFault("+ver", Fault{FaultKind::Silence});
    std::string answer;
    const auto start = clock.NowMs();
    EXPECT_FALSE(Ask("+ver\r", answer, 500));
    EXPECT_GT(clock.ElapsedSince(start), 500u);
    EXPECT_LE(clock.ElapsedSince(start), 521u);
    ASSERT_TRUE(Ask("+ver\r", answer));  // the fault was for one request only
}

TEST_F(CableFixture, NokNeverSatisfiesOk)
{
    sim.line.AddFault("+o", Fault{FaultKind::Nok});
    std::string answer;
    EXPECT_FALSE(Ask("+o\r", answer, 300));
    EXPECT_EQ(answer, "NOK\r\n");  // what was read is kept
}

TEST_F(CableFixture, SplitAndEchoedRepliesAreAssembled)
{
    sim.line.AddFault("+ver", Fault{FaultKind::Split, 3, 5ms});
    std::string answer;
    ASSERT_TRUE(Ask("+ver\r", answer));
    EXPECT_EQ(answer, ">REV 11.005.096\r\nOK\r\n");

    sim.line.AddFault("+o", Fault{FaultKind::Echo});
    ASSERT_TRUE(Ask("+o\r", answer));
    EXPECT_EQ(answer, "+o\r>0050\r\nOK\r\n");
}

TEST_F(CableFixture, ZeroTimeoutStillReadsOnceAndNegativeIsClampedNotWrapped)
{
    sim.line.Send("OK\r\n");
    ASSERT_TRUE(worker.Port().WaitInput(2000));
    std::string answer;
    EXPECT_TRUE(worker.WaitFor(answer, "OK", 0));
    sim.line.AddFault("+ver", Fault{FaultKind::Silence});
    const auto start = clock.NowMs();
    EXPECT_FALSE(Ask("+ver\r", answer, -1));
    EXPECT_LT(clock.ElapsedSince(start), 25u);
}

TEST_F(CableFixture, StreamingGarbageEndsTheWaitWithBoundedMemory)
{
    // At full speed the manual clock barely moves: only the length cap can end this wait.
    sim.line.AddFault("+ver", Fault{FaultKind::Garbage, 4 * TComPortWorker::MaxReplyLength});
    std::string answer;
    EXPECT_FALSE(Ask("+ver\r", answer, 10000));
    EXPECT_GE(answer.size(), TComPortWorker::MaxReplyLength);
    EXPECT_LT(answer.size(), TComPortWorker::MaxReplyLength + 8192);
}

TEST_F(CableFixture, DeviceVanishingMidReplyIsALinkFailure)
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
}

TEST_F(CableFixture, VanishedPortRaisesAtTheFirstLook)
{
    sim.line.Vanish();
    std::string answer;
    const auto start = clock.NowMs();
    try {
        worker.WaitFor(answer, "OK", 10000);
        FAIL() << "the wait did not notice";
    } catch (const EDeviceError& e) {
        EXPECT_EQ(e.ErrorCode, 11);  // clearing RTS is the first thing a wait does
    }
    EXPECT_EQ(clock.ElapsedSince(start), 0u);

    TComPortWorker plain(false, true, clock);
    testsupport::SimLine other;
    plain.Open(other.Path(), br19200);
    other.line.Vanish();
    EXPECT_THROW(plain.WaitFor(answer, "OK", 10000), ELinkFailure);
    EXPECT_EQ(clock.ElapsedSince(start), 0u);
    EXPECT_THROW(worker.Write("+ver\r"), ELinkFailure) << "nor does the next write";
}

TEST_F(CableFixture, WritePurgesWhatCameUnasked)
{
    sim.line.Send("stale OK\r\n");
    ASSERT_TRUE(worker.Port().WaitInput(2000));
    std::string answer;
    ASSERT_TRUE(Ask("+o\r", answer));
    EXPECT_EQ(answer, ">0050\r\nOK\r\n");
}

TEST_F(CableFixture, BytesBetweenTwoWaitsStayForTheNextWait)
{
    std::string answer;
    ASSERT_TRUE(Ask("+o\r", answer));
    sim.line.Send("late OK\r\n");
    ASSERT_TRUE(worker.Port().WaitInput(2000));
    ASSERT_TRUE(worker.WaitFor(answer, "OK", 100));
    EXPECT_EQ(answer, "late OK\r\n");
}

TEST_F(CableFixture, LateReplyMissesItsWait)
{
    sim.line.AddFault("+o", Fault{FaultKind::Late, 0, 300ms});
    std::string answer;
    EXPECT_FALSE(Ask("+o\r", answer, 100));
}

TEST_F(CableFixture, WaitForAnyAndReadAndCheck)
{
    sim.line.Send("+CREG: 0,1\r\nERROR\r\n");
    ASSERT_TRUE(worker.Port().WaitInput(2000));
    std::string answer;
    EXPECT_TRUE(worker.WaitForAny(answer, {"busy", "error"}, 100));
    EXPECT_NE(answer.find("ERROR"), std::string::npos);

    sim.line.Send("ring ");
    ASSERT_TRUE(worker.Port().WaitInput(2000));
    EXPECT_TRUE(worker.ReadAndCheck(answer, "RING"));
    EXPECT_FALSE(worker.ReadAndCheck(answer, "RING"));
    EXPECT_FALSE(worker.ExpectAny({"x"}, 40));
}

TEST_F(CableFixture, ExpectVariantsDropTheReply)
{
    ASSERT_TRUE(worker.Write("+o\r"));
    EXPECT_TRUE(worker.ExpectDefault("OK"));
    ASSERT_TRUE(worker.Write("CABLE CONNECT\r"));
    EXPECT_TRUE(worker.ExpectUntil("ok", 200));
    sim.line.AddFault("+o", Fault{FaultKind::Silence});
    ASSERT_TRUE(worker.Write("+o\r"));
    EXPECT_FALSE(worker.Expect("OK", 100));
}

TEST(ComPortWorkerClosed, WriteReportsFailureAndWaitsEndAtOnce)
{
    TComPortWorker plain(false, true);
    EXPECT_FALSE(plain.Write("+ver\r"));
    std::string answer;
    EXPECT_FALSE(plain.WaitForAny(answer, {"OK"}, 100));

    TComPortWorker cable(true, true);
    try {
        cable.Write("+ver\r");
        FAIL();
    } catch (const EDeviceError& e) {
        EXPECT_STREQ(e.what(), "Device not opened.");
    }
}
