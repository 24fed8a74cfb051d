// The serial driver on Linux's own port, a pseudo-terminal: the line it sets, its messages, a port that
// vanishes, the event thread, the speeds termios names and those it does not.
#include "link/SerialDrv.h"

#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/ComPortWorker.h"
#include "sim/Pty.h"
#include "tests/support/DeviceErrors.h"

namespace {

using testsupport::Raised;

struct OpenPort {
    explicit OpenPort(platform::Clock& clock = platform::SystemClock()) : comm(clock)
    {
        comm.SetDeviceName(pty.SlavePath());
        comm.SetBaudRate(br19200);
        comm.Open();
    }
    sim::Pty pty;
    TSerialComm comm;
};

}  // namespace

// The master side of a pseudo-terminal shows the slave's settings: what the workers' line really is.
TEST(SerialDrvSettings, TheWorkersLineIsRaw8N1WithoutFlowControl)
{
    sim::Pty pty;
    TComPortWorker worker(true, true);
    worker.Open(pty.SlavePath(), br19200);
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.MasterFd(), &t), 0);
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
    // No byte is changed or swallowed: CR stays CR, the eighth bit of Windows-1251 stays set.
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP | INPCK), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(worker.Port().BaudValue(), 19200u);
}

TEST(SerialDrvErrors, MessagesAndCodes)
{
    TSerialComm comm;
    comm.SetDeviceName("/dev/no-such-port");
    const EDeviceError open = Raised([&] { comm.Open(); });
    EXPECT_EQ(open.ErrorCode, 65535);
    EXPECT_EQ(std::string(open.what()).rfind("Cannot open device /dev/no-such-port", 0), 0u);
    // A setting the line refuses at open closes the port again and locks nothing.
    sim::Pty pty;
    comm.SetDeviceName(pty.SlavePath());
    comm.DataControl().SetDataBits(db7);
    const EDeviceError dcb = Raised([&] { comm.Open(); });
    EXPECT_EQ(dcb.ErrorCode, 3);
    EXPECT_STREQ(dcb.what(), "Unable to update device control block. (the port does not take 7 data bits)");
    EXPECT_FALSE(comm.Opened());
    comm.DataControl().SetDataBits(db8);

    for (auto call : std::initializer_list<std::function<void()>>{
             [&] { comm.Close(); }, [&] { char b; comm.Read(&b, 1, 0); }, [&] { comm.Write("x", 1, 0); }}) {
        const EDeviceError e = Raised(call);
        EXPECT_EQ(e.ErrorCode, 1);
        EXPECT_STREQ(e.what(), "Device not opened.");
    }

    EXPECT_NO_THROW(comm.Open());
    comm.Close();
    OpenPort p;
    const EDeviceError again = Raised([&] { p.comm.Open(); });
    EXPECT_EQ(again.ErrorCode, 2);
    EXPECT_STREQ(again.what(), "Device is allready opened.");
    TSerialComm second;
    second.SetDeviceName(p.pty.SlavePath());
    const EDeviceError busy = Raised([&] { second.Open(); });
    EXPECT_EQ(busy.ErrorCode, 65535);
    EXPECT_NE(std::string(busy.what()).find("занят другой программой"), std::string::npos);
}

TEST(SerialDrvErrors, VanishedPortRaisesOnEveryLook)
{
    OpenPort p;
    p.pty.CloseMaster();
    const EDeviceError read = Raised([&] { p.comm.InQueCount(0); });
    EXPECT_EQ(read.ErrorCode, 10);
    EXPECT_EQ(std::string(read.what()).rfind("Unable to read from port. (system error ", 0), 0u);
    EXPECT_EQ(Raised([&] { p.comm.Write("x", 1, 100); }).ErrorCode, 11);
    EXPECT_FALSE(p.comm.PurgeInput());
    EXPECT_NO_THROW(p.comm.Close());
}

TEST(SerialDrvIo, WriteAndPurgeCountAndAWriteIsBoundedWhenTheDeviceStopsReading)
{
    platform::ManualClock clock;
    OpenPort p(clock);
    ASSERT_EQ(::write(p.pty.MasterFd(), "stale", 5), 5);
    ASSERT_TRUE(p.comm.WaitInput(2000));
    EXPECT_TRUE(p.comm.PurgeInput());
    EXPECT_EQ(p.comm.InQueCount(0), 0);
    EXPECT_EQ(p.comm.ReceivedCount(), 5u);
    const std::string big(1 << 20, 'x');
    const int written = p.comm.Write(big.data(), static_cast<int>(big.size()), 200);
    EXPECT_GT(written, 0);
    EXPECT_LT(written, static_cast<int>(big.size()));
}

TEST(SerialDrvEvents, EventThreadReportsArrivingCharactersAndStopsAtClose)
{
    OpenPort p;
    std::atomic<int> count{0};
    p.comm.OnData = [&](TCustomComm&, int n) { count = n; };
    ASSERT_EQ(::write(p.pty.MasterFd(), "abcd", 4), 4);
    for (int i = 0; i < 200 && count == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(count, 4);
    const auto start = std::chrono::steady_clock::now();
    p.comm.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

// What termios cannot name goes by BOTHER: every rate of the list and any custom one opens.
TEST(SerialDrvSettings, EverySpeedAndCustomValuesOpenAPseudoTerminal)
{
    sim::Pty pty;
    TSerialComm comm;
    comm.SetDeviceName(pty.SlavePath());
    comm.Open();
    for (int rate = br110; rate < brCustom; ++rate) EXPECT_NO_THROW(comm.SetBaudRate(static_cast<TBaudRate>(rate))) << rate;
    comm.SetBaudRate(brCustom);
    EXPECT_NO_THROW(comm.SetBaudValue(250000));
    EXPECT_EQ(comm.BaudValue(), 250000u);
    EXPECT_EQ(Raised([&] { comm.SetBaudValue(0); }).ErrorCode, 3);
    EXPECT_EQ(comm.BaudValue(), 250000u);
}

// With parity checking the kernel doubles a received \377; the driver hands on the one character sent.
TEST(SerialDrvSettings, ParityCheckingKeepsTheCharacter377)
{
    OpenPort p;
    p.comm.SetOptions({coParityCheck});
    ASSERT_EQ(::write(p.pty.MasterFd(), "a\xFF" "b", 3), 3);
    std::string got;
    for (int i = 0; i < 200 && got.size() < 3; ++i) {
        std::string chunk;
        if (p.comm.WaitInput(10)) p.comm.ReadString(chunk);
        got += chunk;
    }
    EXPECT_EQ(got, "a\xFF" "b");
}

TEST(SerialDrvSettings, APseudoTerminalRefusesByNameWhatNeedsModemLinesOr4DataBits)
{
    OpenPort p;
    p.comm.SetFlowControl(fcCustom);
    EXPECT_STREQ(Raised([&] { p.comm.SetDTRSettings({fsDTRHandshake}); }).what(),
                 "Unable to update device control block. (DTR handshake cannot be set: the port has no modem lines)");
    EXPECT_TRUE(p.comm.DTRSettings().Empty());
    EXPECT_STREQ(Raised([&] { p.comm.DataControl().SetDataBits(db4); }).what(),
                 "Unable to update device control block. (4 data bits cannot be set)");
    EXPECT_EQ(p.comm.DataControl().DataBits(), db8);
    // What the driver does itself needs nothing of the port.
    EXPECT_NO_THROW(p.comm.SetOptions({coDiscardNull, coAbortOnError, coErrorChar, coParityCheck}));
}
