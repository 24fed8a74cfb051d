#include "link/SerialDrv.h"

#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

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

TEST(SerialDrvSettings, DefaultsBaudRateTableAndClampedQueues)
{
    TSerialComm comm;
    EXPECT_EQ(comm.GetState(), 3);
    EXPECT_EQ(comm.BaudValue(), 9600u);
    const std::uint32_t expected[] = {110,   300,   600,   1200,   2400,   4800,   9600,  14400,
                                      19200, 38400, 56000, 57600, 115200, 128000, 256000};
    for (int r = br110; r < brCustom; ++r) {
        comm.SetBaudRate(static_cast<TBaudRate>(r));
        EXPECT_EQ(comm.BaudValue(), expected[r]);
    }
    comm.SetBaudValue(4321);  // ignored outside brCustom
    EXPECT_EQ(comm.BaudValue(), 256000u);
    comm.SetBaudRate(brCustom);
    comm.SetBaudValue(4800);
    EXPECT_EQ(comm.BaudValue(), 4800u);
    comm.Buffers().SetInputSize(50);
    EXPECT_EQ(comm.Buffers().InputSize(), 128);
    comm.Buffers().SetOutputSize(100000);
    EXPECT_EQ(comm.Buffers().OutputSize(), 4096);
}

TEST(SerialDrvSettings, FlowControlPresets)
{
    TSerialComm comm;
    comm.SetFlowControl(fcRtsCts);
    EXPECT_EQ(comm.RTSSettings(), (TRTSSettings{fsCTSOut, fsRTSHandshake}));
    EXPECT_EQ(comm.DTRSettings(), (TDTRSettings{fsDTREnabled}));
    comm.SetFlowControl(fcSoftware);
    EXPECT_EQ(comm.XOnXOffSettings(), (TXOnXOffSettings{fsInX, fsOutX}));
    comm.SetRTSSettings({fsRTSEnabled});  // only under fcCustom
    EXPECT_TRUE(comm.RTSSettings().Empty());
    comm.SetOptions({coLeaveDTROpen});
    comm.SetFlowControl(fcNone);
    EXPECT_EQ(comm.DTRSettings(), (TDTRSettings{fsDTREnabled}));
    comm.SetFlowControl(fcCustom);
    comm.SetRTSSettings({fsRTSEnabled});
    EXPECT_EQ(comm.RTSSettings(), (TRTSSettings{fsRTSEnabled}));
}

TEST(SerialDrvSettings, DeviceNameIsTakenOnlyWhileClosed)
{
    OpenPort p;
    p.comm.SetDeviceName("/dev/other");
    EXPECT_EQ(p.comm.DeviceName(), p.pty.SlavePath());
    p.comm.Close();
    p.comm.SetDeviceName("/dev/other");
    EXPECT_EQ(p.comm.DeviceName(), "/dev/other");
}

TEST(SerialDrvSettings, RefusedSettingAtOpenClosesThePort)
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
    EXPECT_NO_THROW(comm.Open());  // nothing was left locked
}

TEST(SerialDrvSettings, RefusedChangeWhileOpenKeepsTheOldValue)
{
    OpenPort p;
    EXPECT_EQ(Raised([&] { p.comm.SetBaudRate(br56000); }).ErrorCode, 3);
    EXPECT_EQ(p.comm.BaudValue(), 19200u);
    EXPECT_EQ(Raised([&] { p.comm.DataControl().SetDataBits(db4); }).ErrorCode, 3);
    EXPECT_EQ(p.comm.DataControl().DataBits(), db8);
    EXPECT_TRUE(p.comm.Opened());
    EXPECT_NO_THROW(p.comm.SetBaudRate(br38400));
}

// The terminal settings of the open port: the master side of a pseudo-terminal shows the slave's.
termios TerminalOf(const OpenPort& p)
{
    termios t{};
    EXPECT_EQ(::tcgetattr(p.pty.MasterFd(), &t), 0);
    return t;
}

TEST(SerialDrvSettings, LineOptionsReachTheTerminal)
{
    OpenPort p;
    p.comm.DataControl().SetStopBits(sb2);
    p.comm.SetFlowControl(fcRtsCts);
    p.comm.SetOptions({coParityCheck, coErrorChar});
    termios t = TerminalOf(p);
    EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), static_cast<tcflag_t>(CSTOPB | CRTSCTS));
    EXPECT_EQ(t.c_iflag & (INPCK | IXON | IXOFF), static_cast<tcflag_t>(INPCK));
    p.comm.SetFlowControl(fcSoftware);
    p.comm.EventChars().Set(TCommEventChars::XonChar, 5);
    p.comm.EventChars().Set(TCommEventChars::XoffChar, 6);
    t = TerminalOf(p);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(t.c_cc[VSTART], 5);
    EXPECT_EQ(t.c_cc[VSTOP], 6);
}

// Each setting termios cannot carry out is refused by name, and the port stays as it was. A
// pseudo-terminal keeps 8 data bits and no parity, as a driver without them would.
TEST(SerialDrvSettings, WhatTheTerminalCannotDoIsRefusedByName)
{
    struct Row {
        const char* says;
        std::function<void(TSerialComm&)> set;
    };
    const Row rows[] = {
        {"4 data bits", [](TSerialComm& c) { c.DataControl().SetDataBits(db4); }},
        {"7 data bits", [](TSerialComm& c) { c.DataControl().SetDataBits(db7); }},
        {"odd parity", [](TSerialComm& c) { c.DataControl().SetParity(paOdd); }},
        {"mark parity", [](TSerialComm& c) { c.DataControl().SetParity(paMark); }},
        {"1.5 stop bits", [](TSerialComm& c) { c.DataControl().SetStopBits(sb1p5); }},
        {"DSR handshake", [](TSerialComm& c) { c.SetFlowControl(fcDtrDsr); }},
        {"DTR handshake", [](TSerialComm& c) { c.SetFlowControl(fcCustom), c.SetDTRSettings({fsDTRHandshake}); }},
        {"only be set together", [](TSerialComm& c) { c.SetFlowControl(fcCustom), c.SetRTSSettings({fsCTSOut}); }},
        {"DSR sensitivity", [](TSerialComm& c) { c.SetOptions({coDSRSensitivity}); }},
        {"discarding NUL", [](TSerialComm& c) { c.SetOptions({coDiscardNull}); }},
        {"aborting", [](TSerialComm& c) { c.SetOptions({coAbortOnError}); }},
        {"error character",
         [](TSerialComm& c) {
             c.EventChars().Set(TCommEventChars::ErrorChar, '?');
             c.SetOptions({coParityCheck, coErrorChar});
         }},
    };
    OpenPort p;
    for (const Row& row : rows) {
        const EDeviceError e = Raised([&] { row.set(p.comm); });
        EXPECT_EQ(e.ErrorCode, 3) << row.says;
        EXPECT_NE(std::string(e.what()).find(row.says), std::string::npos) << row.says << ": " << e.what();
        EXPECT_EQ(TerminalOf(p).c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS),
                  static_cast<tcflag_t>(CS8))
            << row.says;
    }
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
}

TEST(SerialDrvErrors, BusyPortIsRefused)
{
    OpenPort p;
    TSerialComm second;
    second.SetDeviceName(p.pty.SlavePath());
    const EDeviceError e = Raised([&] { second.Open(); });
    EXPECT_EQ(e.ErrorCode, 65535);
    EXPECT_NE(std::string(e.what()).find("занят другой программой"), std::string::npos);
}

TEST(SerialDrvErrors, VanishedPortRaisesOnEveryLook)
{
    OpenPort p;
    p.pty.CloseMaster();
    const EDeviceError read = Raised([&] { p.comm.InQueCount(0); });
    EXPECT_EQ(read.ErrorCode, 10);
    EXPECT_EQ(std::string(read.what()).rfind("Unable to read from port. (system error ", 0), 0u);
    EXPECT_EQ(Raised([&] { p.comm.Write("x", 1, 100); }).ErrorCode, 11);
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

TEST(SerialDrvIo, BusyFlagsGuardHandlers)
{
    OpenPort p;
    int inner = 0;
    int state = 0;
    p.comm.OnSend = [&](TCustomComm& sender, int) {
        state = sender.GetState();
        inner = Raised([&] { sender.Write("y", 1, 0); }).ErrorCode;
    };
    EXPECT_EQ(p.comm.Write("x", 1, 100), 1);
    EXPECT_EQ(state, TCustomComm::StateSending);
    EXPECT_EQ(inner, 4);

    p.comm.OnRead = [&](TCustomComm& sender, int) {
        char b;
        inner = Raised([&] { sender.Read(&b, 1, 0); }).ErrorCode;
    };
    p.FromDevice("z");
    char b;
    EXPECT_EQ(p.comm.Read(&b, 1, 100), 1);
    EXPECT_EQ(inner, 5);
}

TEST(SerialDrvEvents, EventThreadReportsArrivingCharacters)
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
