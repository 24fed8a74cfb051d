#include "link/COMUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <string>
#include <vector>

#include "sim/Pty.h"
#include "tests/support/FakeSysfs.h"
#include "tests/support/SimLine.h"

using sim::Fault;
using sim::FaultKind;
using namespace std::chrono_literals;

TEST(COMUtilsPortNumber, FirstRunOfDigitsInTheOwnName)
{
    EXPECT_EQ(PortNumberOf("ttyS1x5"), 1);
    EXPECT_EQ(PortNumberOf("/home/user2/ports/sim"), -1);  // the folder's digits are not the port's
    EXPECT_EQ(PortNumberOf(""), -1);
    EXPECT_EQ(PortNumberOf("tty99999999999999999999"), INT_MAX);
}

TEST(COMUtilsPortNumber, CompareByNumberWithoutDigitsLast)
{
    const std::vector<std::string> list{"COM10", "COM2", "modem", "COM1", "/dev/ttyUSB2"};
    EXPECT_EQ(ComparePortNumbers(list, 0, 1), 1);
    EXPECT_EQ(ComparePortNumbers(list, 3, 1), -1);
    EXPECT_EQ(ComparePortNumbers(list, 1, 4), 0);
    EXPECT_EQ(ComparePortNumbers(list, 2, 0), 1);
    EXPECT_EQ(ComparePortNumbers(list, 2, 2), 0);
    EXPECT_THROW(ComparePortNumbers(list, -1, 0), std::out_of_range);
}

TEST(COMUtilsEnum, SortedByNumberThenNameWithTheBridgeMark)
{
    testsupport::FakeSysfs sysfs;
    sysfs.AddTty("ttyUSB10", "ftdi_sio");
    sysfs.AddTty("ttyUSB2", "cp210x");
    sysfs.AddTty("ttyUSB1", "pl2303");
    sysfs.AddTty("ttyS1", "serial8250", 4);
    sysfs.AddTty("ttyACM1", "cdc_acm");
    const sim::Pty named(sysfs.Ports(), "sim");  // no digits: last
    const sim::Pty numbered(sysfs.Ports(), "sim0");
    const std::string ports = sysfs.Ports().string();

    std::vector<std::string> list{"stale entry"};
    EnumSerialPorts(list, false, sysfs.Sources());
    EXPECT_EQ(list, (std::vector<std::string>{ports + "/sim0", "/dev/ttyACM1", "/dev/ttyS1", "/dev/ttyUSB1",
                                              "/dev/ttyUSB2", "/dev/ttyUSB10", ports + "/sim"}));

    EnumSerialPorts(list, true, sysfs.Sources());
    EXPECT_EQ(list[4], "/dev/ttyUSB2[CP2102]");
    EXPECT_EQ(list[3], "/dev/ttyUSB1");

    testsupport::FakeSysfs none;
    EnumSerialPorts(list, true, none.Sources());
    EXPECT_TRUE(list.empty());
}

namespace {

struct RawFixture : ::testing::Test {
    RawFixture() { EXPECT_TRUE(OpenComPort(sim.Path(), 19200, handle, clock)); }
    ~RawFixture() override { CloseComPort(handle); }

    // Waits (real time) until the port has input.
    void AwaitInput() { ASSERT_TRUE(handle.Port->WaitReadable(2000)); }

    platform::ManualClock clock;
    // Replies at once: these tests read what is waiting in one go and compare it with whole replies.
    testsupport::SimLine sim{{{"v", "REV 11.005.096"}}, 0};
    TComHandle handle;
};

}  // namespace

TEST_F(RawFixture, OpenSetsTheLineAndIsExclusive)
{
    ASSERT_TRUE(handle.Valid());
    const auto settings = handle.Port->Settings();
    EXPECT_EQ(settings.baud, 19200u);
    EXPECT_FALSE(settings.rtsCtsHandshake);

    TComHandle second;
    EXPECT_FALSE(OpenComPort(sim.Path(), 19200, second, clock));
}

TEST_F(RawFixture, RefusedOpenLeavesTheHandleInvalid)
{
    TComHandle other;
    EXPECT_FALSE(OpenComPort("/dev/no-such-port", 19200, other, clock));
    CloseComPort(handle);
    EXPECT_FALSE(OpenComPort(sim.Path(), 14400, other, clock));  // a speed Linux cannot set
    EXPECT_FALSE(other.Valid());
    EXPECT_FALSE(SetComBaud(other, 19200));
}

TEST_F(RawFixture, ReadsWritesAndCloses)
{
    EXPECT_EQ(WriteComPort(handle, "+v\r\n"), 4);
    AwaitInput();
    std::string reply;
    for (int i = 0; i < 200 && reply.find("OK") == std::string::npos; ++i) {
        std::string chunk;
        ReadComString(handle, chunk);
        reply += chunk;
        handle.Port->WaitReadable(10);
    }
    EXPECT_EQ(reply, ">REV 11.005.096\r\nOK\r\n");

    EXPECT_TRUE(CloseComPort(handle));
    EXPECT_TRUE(CloseComPort(handle));  // closing twice is harmless
    EXPECT_EQ(WriteComPort(handle, "x"), -1);
    std::string s = "left";
    ReadComString(handle, s);
    EXPECT_EQ(s, "");
}

TEST_F(RawFixture, ReadTakesAtMostItsBufferAndBlanksNuls)
{
    std::string s = "left";
    ReadComString(handle, s);
    EXPECT_EQ(s, "");  // nothing waiting: empty at once

    sim.line.Send(std::string("a\0b", 3) + std::string(97, 'x'));
    AwaitInput();
    while (handle.Port->InputWaiting() < 100) handle.Port->WaitReadable(10);
    char small[10];
    EXPECT_EQ(ReadComPort(handle, small), 10);
    EXPECT_EQ(std::string(small, 3), std::string("a\0b", 3));
    ReadComString(handle, s);
    EXPECT_EQ(s, std::string(90, 'x'));

    sim.line.Send(std::string("\0\0", 2));
    AwaitInput();
    ReadComString(handle, s);
    EXPECT_EQ(s, "  ");
}

TEST(COMUtilsProbe, FindsTheDeviceThatAnswers)
{
    platform::ManualClock clock;
    testsupport::SimLine sim{{{"v", "REV 11.005.096"}}};
    sim.line.AddFault("+v", Fault{FaultKind::Split, 4, 5ms});  // the answer comes in pieces
    int pumps = 0;
    EXPECT_EQ(ProbeComPort(sim.Path(), 19200, "+v\r\n", "11.005", 5000, [&] { ++pumps; }, {}, clock),
              TProbeResult::Found);
    // The port is free again.
    TComHandle again;
    EXPECT_TRUE(OpenComPort(sim.Path(), 19200, again, clock));
}

TEST(COMUtilsProbe, SilentPortEndsOnTheClock)
{
    platform::ManualClock clock;
    testsupport::SimLine sim;
    sim.line.AddFault("+v", Fault{FaultKind::Silence});
    int pumps = 0;
    const auto start = clock.NowMs();
    const auto realStart = std::chrono::steady_clock::now();
    EXPECT_EQ(ProbeComPort(sim.Path(), 19200, "+v\r\n", "11.005", 5000, [&] { ++pumps; }, {}, clock),
              TProbeResult::Silent);
    EXPECT_GT(clock.ElapsedSince(start), 5000u);
    EXPECT_LE(clock.ElapsedSince(start), 5050u);
    EXPECT_LT(std::chrono::steady_clock::now() - realStart, 5s);
    EXPECT_GE(pumps, 100);  // window events ran between polls
}

TEST(COMUtilsProbe, CancelledUnopenableAndVanishing)
{
    platform::ManualClock clock;
    testsupport::SimLine sim;
    sim.line.AddFault("+v", Fault{FaultKind::Silence});
    int polls = 0;
    EXPECT_EQ(ProbeComPort(sim.Path(), 19200, "+v\r\n", "11.005", 5000, {}, [&] { return ++polls > 3; }, clock),
              TProbeResult::Cancelled);
    EXPECT_EQ(ProbeComPort("/dev/no-such-port", 19200, "+v\r\n", "11.005", 5000, {}, {}, clock),
              TProbeResult::CannotOpen);

    testsupport::SimLine leaving;
    leaving.line.AddFault("+v", Fault{FaultKind::Vanish, 3});
    EXPECT_ANY_THROW(ProbeComPort(leaving.Path(), 19200, "+v\r\n", "11.005", 5000, {}, {}, clock));
}
