// The serial driver's own logic, against scripted ports: what it does itself where a port leaves it the
// duty, and how it hands on what a port that does everything reports.
#include "link/SerialDrv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/DeviceErrors.h"
#include "tests/support/FakeKernelPort.h"

namespace {

using testsupport::Raised;

}  // namespace

// ---- the driver's own logic, against a port with modem lines and counts ----

namespace {

using testsupport::FakeKernelPort;

std::string Text(std::size_t n, char c = 'x')
{
    return std::string(n, c);
}

// A driver open on a scripted line, every event monitored and kept.
struct Rig {
    explicit Rig(FakeKernelPort::Kind kind) : Rig(std::make_unique<FakeKernelPort>(kind)) {}
    explicit Rig(std::unique_ptr<FakeKernelPort> port) : line(*port), comm(clock, std::move(port))
    {
        comm.SetDeviceName("fake");
        comm.SetBaudRate(br19200);
        comm.SetMonitorEvents(TDeviceEvents::FromBits((1u << (deProv2 + 1)) - 1));
        comm.OnCommEvent = [this](TCustomComm&, TDeviceEvents e) {
            const std::lock_guard lock(mutex);
            seen = seen | e;
        };
        comm.OnData = [this](TCustomComm&, int n) {
            const std::lock_guard lock(mutex);
            lastData = n;
        };
    }
    // The event thread hands events in real time: wait for one a while.
    bool Saw(TDeviceEvent e)
    {
        for (int i = 0; i < 2000; ++i) {
            {
                const std::lock_guard lock(mutex);
                if (seen.Contains(e)) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    template <class Probe>
    bool Until(Probe probe)
    {
        for (int i = 0; i < 2000 && !probe(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return probe();
    }
    std::string ReadAll()
    {
        std::string s;
        comm.ReadString(s);
        return s;
    }
    int Write(const std::string& s, int timeoutMs = 50) { return comm.Write(s.data(), static_cast<int>(s.size()), timeoutMs); }
    int Read(int n)
    {
        std::string s(static_cast<std::size_t>(n), '\0');
        return comm.Read(s.data(), n, 0);
    }
    void Lines(bool cts, bool dsr, bool rlsd = false, bool ring = false) { line.SetLines({cts, dsr, rlsd, ring}); }

    platform::ManualClock clock;
    FakeKernelPort& line;
    TSerialComm comm;
    std::mutex mutex;
    TDeviceEvents seen;
    int lastData = -1;
};

struct LineCase {
    const char* Name;
    std::function<void(TSerialComm&)> Before;
    std::function<void(Rig&)> Run;
    FakeKernelPort::Kind Kind{};
};

void Custom(TSerialComm& c, TRTSSettings rts, TDTRSettings dtr = {})
{
    c.SetFlowControl(fcCustom);
    c.SetRTSSettings(rts);
    c.SetDTRSettings(dtr);
}

void SmallInput(TSerialComm& c)
{
    c.Buffers().SetInputSize(128);  // limits of 32 each: held above 96 waiting, released at 32
}

const auto kNothing = [](TSerialComm&) {};

const LineCase kLineCases[] = {
    {"FrameAndEverySpeedReachThePort",
     [](TSerialComm& c) {
         c.DataControl().SetDataBits(db5);
         c.DataControl().SetStopBits(sb1p5);
     },
     [](Rig& r) {
         EXPECT_EQ(r.line.Taken().stopBits, platform::StopBits::OneAndHalf);
         EXPECT_EQ(r.comm.DataControl().DataBits(), db5);
         for (int rate = br110; rate < brCustom; ++rate) {
             r.comm.SetBaudRate(static_cast<TBaudRate>(rate));
             EXPECT_EQ(r.line.Taken().baud, BaudRateValue(static_cast<TBaudRate>(rate)));
         }
     }},
    {"DsrOutputFlowHoldsOutputWhileDsrIsLow", [](TSerialComm& c) { c.SetFlowControl(fcDtrDsr); },
     [](Rig& r) {
         EXPECT_TRUE(r.line.Dtr());
         EXPECT_TRUE(r.line.Rts());
         EXPECT_EQ(r.Write("abc"), 0);
         r.Lines(false, true);
         EXPECT_EQ(r.Write("abc"), 3);
         EXPECT_EQ(r.line.Sent(), "abc");
     }},
    {"CtsOutputFlowAloneHandsOverLittleAtATime", [](TSerialComm& c) { Custom(c, {fsCTSOut, fsRTSEnabled}); },
     [](Rig& r) {
         EXPECT_TRUE(r.line.Rts());
         EXPECT_EQ(r.Write(Text(40)), 0);
         r.Lines(true, false);
         EXPECT_EQ(r.Write(Text(40)), 19);  // 10 ms of 19200 baud; the rest once the port has sent it
         EXPECT_EQ(r.line.Queued(), 19u);
         r.line.Transmit();
         EXPECT_EQ(r.Write(Text(21)), 19);
     },
     {.transmitAtOnce = false}},
    {"DtrHandshakeByTheLimits",
     [](TSerialComm& c) {
         Custom(c, {}, {fsDTRHandshake});
         SmallInput(c);
     },
     [](Rig& r) {
         EXPECT_TRUE(r.line.Dtr());
         r.line.Arrive(Text(96));
         EXPECT_EQ(r.comm.InQueCount(0), 96);
         EXPECT_TRUE(r.line.Dtr());
         r.line.Arrive("y");
         EXPECT_TRUE(r.Until([&] { return !r.line.Dtr(); }));
         EXPECT_EQ(r.Read(64), 64);
         EXPECT_FALSE(r.line.Dtr());
         EXPECT_EQ(r.Read(1), 1);
         EXPECT_TRUE(r.line.Dtr());
     }},
    {"RtsHandshakeAloneByTheLimits",
     [](TSerialComm& c) {
         Custom(c, {fsRTSHandshake});
         SmallInput(c);
     },
     [](Rig& r) {
         r.line.Arrive(Text(97));
         EXPECT_TRUE(r.Until([&] { return !r.line.Rts(); }));
         EXPECT_EQ(r.Read(65), 65);
         EXPECT_TRUE(r.line.Rts());
     }},
    {"XonXoffInputByTheLimitsStopsTransmitting",
     [](TSerialComm& c) {
         c.SetFlowControl(fcSoftware);
         SmallInput(c);
     },
     [](Rig& r) {
         r.line.Arrive(Text(97));
         EXPECT_TRUE(r.Until([&] { return r.line.FlowChars() == "\x13"; }));
         EXPECT_EQ(r.Write("a"), 0);
         EXPECT_EQ(r.Read(65), 65);
         EXPECT_EQ(r.line.FlowChars(), "\x13\x11");
         EXPECT_EQ(r.Write("a"), 1);
     }},
    {"TransmitContinuesOnXoffWhenAsked",
     [](TSerialComm& c) {
         c.SetFlowControl(fcSoftware);
         c.SetOptions({coTXContinueOnXOff});
         SmallInput(c);
     },
     [](Rig& r) {
         r.line.Arrive(Text(97));
         EXPECT_TRUE(r.Until([&] { return r.line.FlowChars() == "\x13"; }));
         EXPECT_EQ(r.Write("a"), 1);
     }},
    {"DsrSensitivityDropsInputWhileDsrIsLow", [](TSerialComm& c) { c.SetOptions({coDSRSensitivity}); },
     [](Rig& r) {
         r.line.Arrive("ab");
         EXPECT_EQ(r.comm.InQueCount(0), 0);
         r.Lines(false, true);
         r.line.Arrive("cd");
         EXPECT_EQ(r.ReadAll(), "cd");
     }},
    {"DiscardNull", [](TSerialComm& c) { c.SetOptions({coDiscardNull}); },
     [](Rig& r) {
         r.line.Arrive(std::string("a\0b", 3));
         EXPECT_EQ(r.ReadAll(), "ab");
     }},
    {"ErrorCharStandsForAParityError",
     [](TSerialComm& c) {
         c.SetOptions({coParityCheck, coErrorChar});
         c.EventChars().Set(TCommEventChars::ErrorChar, '?');
     },
     [](Rig& r) {
         r.line.Arrive("a");
         r.line.ParityError('b');
         r.line.Arrive("c\xFF");
         EXPECT_EQ(r.ReadAll(), "a?c\xFF");
         EXPECT_TRUE(r.Saw(deError));
     }},
    {"ParityErrorKeepsTheCharacterWithoutErrorChar", [](TSerialComm& c) { c.SetOptions({coParityCheck}); },
     [](Rig& r) {
         r.line.ParityError('b');
         r.line.Break();
         EXPECT_EQ(r.ReadAll(), "b");
     }},
    {"AbortOnErrorUntilTheErrorIsTaken", [](TSerialComm& c) { c.SetOptions({coAbortOnError}); },
     [](Rig& r) {
         r.line.Overrun();
         ASSERT_TRUE(r.Saw(deError));
         EXPECT_EQ(Raised([&] { r.Read(1); }).ErrorCode, 10);
         EXPECT_EQ(Raised([&] { r.Write("a"); }).ErrorCode, 11);
         EXPECT_EQ(r.comm.InQueCount(0), 1);
         EXPECT_EQ(r.ReadAll(), "o");
         EXPECT_EQ(r.Write("a"), 1);
     }},
    {"InputQueueOfInputSize", [](TSerialComm& c) { c.Buffers().SetInputSize(50); },
     [](Rig& r) {
         EXPECT_EQ(r.comm.Buffers().InputSize(), 128);
         r.line.Arrive(Text(200));
         EXPECT_EQ(r.comm.InQueCount(0), 128);
         EXPECT_EQ(r.ReadAll().size(), 128u);
         EXPECT_EQ(r.comm.InQueCount(0), 72);
     }},
    {"OutputQueueOfOutputSize", [](TSerialComm& c) { c.Buffers().SetOutputSize(100000); },
     [](Rig& r) {
         EXPECT_EQ(r.comm.Buffers().OutputSize(), 4096);
         r.comm.Buffers().SetOutputSize(128);
         EXPECT_EQ(r.Write(Text(300)), 128);
         EXPECT_EQ(r.comm.InQueCount(1), 128);
         EXPECT_TRUE(r.comm.PurgeOutput());
         EXPECT_EQ(r.comm.InQueCount(1), 0);
     },
     {.transmitAtOnce = false}},
    {"PurgeInputEmptiesBothQueuesAndCountsThem", kNothing,
     [](Rig& r) {
         r.line.Arrive(Text(10));
         EXPECT_EQ(r.comm.InQueCount(0), 10);
         r.line.Arrive(Text(5));
         EXPECT_TRUE(r.comm.PurgeInput());
         EXPECT_EQ(r.comm.InQueCount(0), 0);
         EXPECT_EQ(r.comm.ReceivedCount(), 15u);
     }},
    {"TimeoutsReachThePortAndAreReadBack", kNothing,
     [](Rig& r) {
         r.comm.Timeouts().Set(TCommTimeoutsEx::WriteConstant, 77);
         EXPECT_EQ(r.line.Timeouts().writeConstant, 77u);
         EXPECT_EQ(r.comm.Timeouts().Get(TCommTimeoutsEx::WriteConstant), 77u);
         r.comm.Timeouts().Set(TCommTimeoutsEx::ReadInterval, 0xFFFFFFFF);
         const EDeviceError refused = Raised([&] { r.comm.Timeouts().Set(TCommTimeoutsEx::ReadMultiplier, 0xFFFFFFFF); });
         EXPECT_EQ(refused.ErrorCode, 7);
         EXPECT_EQ(std::string(refused.what()).rfind("Unable to update Timeouts.", 0), 0u);
         EXPECT_EQ(r.comm.Timeouts().Get(TCommTimeoutsEx::ReadMultiplier), 30u);
     }},
    {"CharacterEventGivesOnDataTheCount", kNothing,
     [](Rig& r) {
         r.line.Arrive("ab");
         ASSERT_TRUE(r.Saw(deChar));
         const std::lock_guard lock(r.mutex);
         EXPECT_EQ(r.lastData, 2);
     }},
    {"EventCharacter", kNothing,
     [](Rig& r) {
         r.line.Arrive("x\n");
         EXPECT_TRUE(r.Saw(deFlag));
     }},
    {"ModemLineChanges", kNothing,
     [](Rig& r) {
         for (const auto& [lines, event] : {std::pair{platform::ModemLines{.cts = true}, deCTS},
                                            std::pair{platform::ModemLines{.dsr = true}, deDSR},
                                            std::pair{platform::ModemLines{.rlsd = true}, deRLSD},
                                            std::pair{platform::ModemLines{.ring = true}, deRing}}) {
             r.line.SetLines(lines);
             EXPECT_TRUE(r.Saw(event)) << event;
         }
     }},
    {"ModemChangesWhereThePortCannotWaitForThem", kNothing,
     [](Rig& r) {
         r.Lines(true, false);
         EXPECT_TRUE(r.Saw(deCTS));
     },
     {.reportsModemChanges = false}},
    {"ModemChangesWhereThePortKeepsNoCounts", kNothing,
     [](Rig& r) {
         r.Lines(false, true);
         EXPECT_TRUE(r.Saw(deDSR));
     },
     {.counters = false}},
    {"Break", kNothing,
     [](Rig& r) {
         r.line.Break();
         EXPECT_TRUE(r.Saw(deBreak));
     }},
    {"FramingError", kNothing,
     [](Rig& r) {
         r.line.FrameError('x');
         EXPECT_TRUE(r.Saw(deError));
     }},
    {"InputQueue80PercentFull", SmallInput,
     [](Rig& r) {
         r.line.Arrive(Text(101));
         EXPECT_EQ(r.comm.InQueCount(0), 101);
         r.line.Arrive("y");
         EXPECT_TRUE(r.Saw(deIn80Full));
     }},
    {"OutputEmptyAfterEachWrite", kNothing,
     [](Rig& r) {
         r.Write("a");
         EXPECT_TRUE(r.Saw(deOutEmpty));
     }},
    {"OnlyMonitoredEventsReachOnCommEvent", [](TSerialComm& c) { c.SetMonitorEvents({deCTS}); },
     [](Rig& r) {
         r.line.Arrive("a");
         EXPECT_TRUE(r.Until([&] {
             const std::lock_guard lock(r.mutex);
             return r.lastData == 1;
         }));
         r.Lines(true, false);
         ASSERT_TRUE(r.Saw(deCTS));
         const std::lock_guard lock(r.mutex);
         EXPECT_EQ(r.seen, TDeviceEvents{deCTS});
     }},
    {"APortThatDoesEverythingItselfIsPassedThrough", [](TSerialComm& c) { c.SetOptions({coParityCheck}); },
     [](Rig& r) {
         r.line.Arrive("a\xFF");
         EXPECT_EQ(r.comm.InQueCount(0), 2);
         EXPECT_EQ(r.ReadAll(), "a\xFF");
         r.line.Report(1u << deRing);
         EXPECT_TRUE(r.Saw(deRing));
     },
     {.native = true}},
};

void PrintTo(const LineCase& c, std::ostream* os)
{
    *os << c.Name;
}

class SerialDrvLine : public ::testing::TestWithParam<LineCase> {};

}  // namespace

TEST_P(SerialDrvLine, Case)
{
    const LineCase& c = GetParam();
    Rig rig(c.Kind);
    c.Before(rig.comm);
    rig.comm.Open();
    c.Run(rig);
}

INSTANTIATE_TEST_SUITE_P(Options, SerialDrvLine, ::testing::ValuesIn(kLineCases),
                         [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.Name); });
