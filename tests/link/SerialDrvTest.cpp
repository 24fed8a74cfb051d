#include "link/SerialDrv.h"

#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "link/ComPortWorker.h"
#include "sim/Pty.h"

namespace {

template <class Call>
EDeviceError Raised(Call&& call)
{
    try {
        call();
    } catch (const EDeviceError& e) {
        return e;
    }
    ADD_FAILURE() << "no EDeviceError";
    return EDeviceError("", -1);
}

struct OpenPort {
    explicit OpenPort(platform::Clock& clock = platform::SystemClock()) : comm(clock)
    {
        comm.SetDeviceName(pty.SlavePath());
        comm.SetBaudRate(br19200);
        comm.Open();
    }
    void FromDevice(const std::string& bytes)
    {
        ASSERT_EQ(::write(pty.MasterFd(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ASSERT_TRUE(comm.WaitInput(2000));
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

TEST(SerialDrvSettings, RefusedSettingAtOpenClosesThePortAndLocksNothing)
{
    sim::Pty pty;
    TSerialComm comm;
    comm.SetDeviceName(pty.SlavePath());
    comm.SetBaudRate(br14400);
    const EDeviceError e = Raised([&] { comm.Open(); });
    EXPECT_EQ(e.ErrorCode, 3);
    EXPECT_EQ(std::string(e.what()).rfind("Unable to update device control block.", 0), 0u);
    EXPECT_FALSE(comm.Opened());
    comm.SetBaudRate(br19200);
    EXPECT_NO_THROW(comm.Open());
}

TEST(SerialDrvErrors, MessagesAndCodes)
{
    TSerialComm comm;
    comm.SetDeviceName("/dev/no-such-port");
    const EDeviceError open = Raised([&] { comm.Open(); });
    EXPECT_EQ(open.ErrorCode, 65535);
    EXPECT_EQ(std::string(open.what()).rfind("Cannot open device /dev/no-such-port", 0), 0u);

    static_assert(std::is_base_of_v<ELinkFailure, EDeviceError>);
    for (auto call : std::initializer_list<std::function<void()>>{
             [&] { comm.Close(); }, [&] { char b; comm.Read(&b, 1, 0); }, [&] { comm.Write("x", 1, 0); }}) {
        const EDeviceError e = Raised(call);
        EXPECT_EQ(e.ErrorCode, 1);
        EXPECT_STREQ(e.what(), "Device not opened.");
    }

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

TEST(SerialDrvIo, ReadReturnsWhatWaitsAtOnceAndTimesOutWhenEmpty)
{
    platform::ManualClock clock;
    OpenPort p(clock);
    char buffer[16] = {};
    const auto clamped = clock.NowMs();
    EXPECT_EQ(p.comm.Read(buffer, sizeof buffer, -1), 0) << "a negative time-out counts as none";
    EXPECT_LT(clock.ElapsedSince(clamped), 50u);
    const auto start = clock.NowMs();
    EXPECT_EQ(p.comm.Read(buffer, sizeof buffer, 300), 0);
    EXPECT_GT(clock.ElapsedSince(start), 300u);
    EXPECT_LE(clock.ElapsedSince(start), 320u);

    p.FromDevice("abc");
    EXPECT_EQ(p.comm.Read(buffer, 3, 300), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    std::string s;
    p.FromDevice("xyz");
    EXPECT_TRUE(p.comm.ReadString(s));
    EXPECT_EQ(s, "xyz");
}

TEST(SerialDrvIo, WriteAndPurgeCountAndAWriteIsBoundedWhenTheDeviceStopsReading)
{
    platform::ManualClock clock;
    OpenPort p(clock);
    EXPECT_TRUE(p.comm.WriteString("+ver\r"));
    EXPECT_EQ(p.comm.SentCount(), 5u);
    char got[8] = {};
    EXPECT_EQ(::read(p.pty.MasterFd(), got, sizeof got), 5);
    EXPECT_EQ(p.comm.Write("x", 0, 10), 0);
    p.FromDevice("stale");
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
    std::atomic<bool> charEvent{false};
    p.comm.OnData = [&](TCustomComm&, int n) { count = n; };
    p.comm.OnCommEvent = [&](TCustomComm&, TDeviceEvents e) {
        if (e.Has(deChar)) charEvent = true;
    };
    ASSERT_EQ(::write(p.pty.MasterFd(), "abcd", 4), 4);
    for (int i = 0; i < 200 && (count == 0 || !charEvent); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(count, 4);
    EXPECT_TRUE(charEvent);
    const auto start = std::chrono::steady_clock::now();
    p.comm.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}
