#include "link/COMUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>
#include <vector>

#include "sim/Pty.h"
#include "tests/support/FakeSysfs.h"
#include "tests/support/SimLine.h"

TEST(COMUtilsPortNumber, FirstRunOfDigitsInTheOwnNameOrderTheList)
{
    EXPECT_EQ(PortNumberOf("ttyS1x5"), 1);
    EXPECT_EQ(PortNumberOf("/home/user2/ports/sim"), -1);  // the folder's digits are not the port's
    EXPECT_EQ(PortNumberOf("tty99999999999999999999"), INT_MAX);
    const std::vector<std::string> list{"COM10", "COM2", "modem", "COM1", "/dev/ttyUSB2"};
    const std::tuple<int, int, int> order[] = {{0, 1, 1}, {3, 1, -1}, {1, 4, 0}, {2, 0, 1}, {2, 2, 0}};
    for (const auto& [a, b, result] : order) EXPECT_EQ(ComparePortNumbers(list, a, b), result) << a << b;
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
}

namespace {

struct RawFixture : ::testing::Test {
    RawFixture() { EXPECT_TRUE(OpenComPort(sim.Path(), 19200, handle, clock)); }
    ~RawFixture() override { CloseComPort(handle); }

    platform::ManualClock clock;
    // Replies at once: these tests read what is waiting in one go and compare it with whole replies.
    testsupport::SimLine sim{{{"v", "REV 11.005.096"}}, 0};
    TComHandle handle;
};

}  // namespace

TEST_F(RawFixture, OpenSetsTheLineIsExclusiveAndARefusalLeavesTheHandleInvalid)
{
    ASSERT_TRUE(handle.Valid());
    EXPECT_EQ(handle.Port->Settings().baud, 19200u);
    EXPECT_FALSE(handle.Port->Settings().ctsOutFlow);
    TComHandle other;
    EXPECT_FALSE(OpenComPort(sim.Path(), 19200, other, clock));
    EXPECT_FALSE(OpenComPort("/dev/no-such-port", 19200, other, clock));
    CloseComPort(handle);
    EXPECT_FALSE(OpenComPort(sim.Path(), 0, other, clock));  // a speed no port can set
    EXPECT_FALSE(other.Valid());
    EXPECT_FALSE(SetComBaud(other, 19200));
}

TEST_F(RawFixture, ReadsWhatWaitsWithNulsBlankedAndNothingOnceClosed)
{
    std::string s = "left";
    ReadComString(handle, s);
    EXPECT_EQ(s, "");  // nothing waiting: empty at once
    sim.line.Send(std::string("a\0b", 3));
    ASSERT_TRUE(handle.Port->WaitReadable(2000));
    ReadComString(handle, s);
    EXPECT_EQ(s, "a b");
    EXPECT_EQ(WriteComPort(handle, "+v\r\n"), 4);
    EXPECT_TRUE(CloseComPort(handle));
    EXPECT_TRUE(CloseComPort(handle));  // closing twice is harmless
    EXPECT_EQ(WriteComPort(handle, "x"), -1);
    ReadComString(handle, s);
    EXPECT_EQ(s, "");
}
