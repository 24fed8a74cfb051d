// The serial driver on Windows's own port, sorvel-sim behind a COM port under Wine: the line it sets, the
// exchange of a request and its reply, its messages and codes, a port held by another opener, settings a
// pseudo-terminal cannot carry, the event thread, RTS on a line without it, the port list and the raw probe,
// and a port that vanishes.
#include "link/SerialDrv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "link/COMUtils.h"
#include "link/ComPortWorker.h"
#include "tests/support/DeviceErrors.h"
#include "tests/wine/SimPort.h"

namespace {

using testsupport::Raised;
using namespace std::chrono_literals;

struct OpenPort {
    OpenPort()
    {
        comm.SetDeviceName(comport::SimPort());
        comm.SetBaudRate(br19200);
        comm.Open();
    }
    // Sends a request and gathers what comes until the reply's "OK" line (or two seconds pass).
    std::string Ask(const std::string& request)
    {
        EXPECT_TRUE(comm.WriteString(request));
        std::string reply;
        const auto end = std::chrono::steady_clock::now() + 2s;
        while (reply.find("OK\r\n") == std::string::npos && std::chrono::steady_clock::now() < end) {
            std::string chunk;
            if (comm.WaitInput(20)) comm.ReadString(chunk);
            reply += chunk;
        }
        return reply;
    }
    TSerialComm comm;
};

}  // namespace

TEST(ComPortDriver, TheWorkersLineIsRaw8N1At19200AndARequestIsAnswered)
{
    SKIP_WITHOUT_SIM();
    TComPortWorker worker(true, true);
    worker.Open(comport::SimPort(), br19200);
    TSerialComm& port = worker.Port();
    EXPECT_EQ(port.BaudValue(), 19200u);
    EXPECT_EQ(port.DataControl().DataBits(), db8);
    EXPECT_EQ(port.DataControl().Parity(), paNone);
    EXPECT_EQ(port.DataControl().StopBits(), sb1);
    EXPECT_EQ(port.Timeouts().Get(TCommTimeoutsEx::ReadMultiplier), 30u) << "read back from the port";
    ASSERT_TRUE(worker.Write("+v\r"));
    std::string answer;
    ASSERT_TRUE(worker.WaitFor(answer, "OK", 2000)) << answer;
    EXPECT_NE(answer.find(">REV 11.005."), std::string::npos) << answer;
}

TEST(ComPortDriver, MessagesAndCodes)
{
    SKIP_WITHOUT_SIM();
    TSerialComm comm;
    comm.SetDeviceName("COM99");
    const EDeviceError missing = Raised([&] { comm.Open(); });
    EXPECT_EQ(missing.ErrorCode, 65535);
    EXPECT_STREQ(missing.what(), "Cannot open device COM99 (порт «COM99» не найден.)");
    for (auto call : std::initializer_list<std::function<void()>>{
             [&] { comm.Close(); }, [&] { char b; comm.Read(&b, 1, 0); }, [&] { comm.Write("x", 1, 0); }}) {
        const EDeviceError e = Raised(call);
        EXPECT_EQ(e.ErrorCode, 1);
        EXPECT_STREQ(e.what(), "Device not opened.");
    }
    OpenPort p;
    EXPECT_STREQ(Raised([&] { p.comm.Open(); }).what(), "Device is allready opened.");
    // Wine lets a second opener in where Windows refuses it: the port's lock keeps this program's own out.
    TSerialComm second;
    second.SetDeviceName(comport::SimPort());
    const EDeviceError busy = Raised([&] { second.Open(); });
    EXPECT_EQ(busy.ErrorCode, 65535);
    EXPECT_EQ(std::string(busy.what()), "Cannot open device " + comport::SimPort() + " (порт «" + comport::SimPort() +
                                            "» занят другой программой.)");
    p.comm.Close();
    EXPECT_NO_THROW(second.Open()) << "a closed port is free again";
}

// A pseudo-terminal keeps 8 data bits, no parity, one stop bit and any speed it has a name for; what it
// drops is refused by name, and the port keeps what it had.
TEST(ComPortDriver, SettingsThePortCannotCarryAreRefusedByName)
{
    SKIP_WITHOUT_SIM();
    OpenPort p;
    // Wine refuses some outright (its system error is named then), takes others and drops them.
    const EDeviceError seven = Raised([&] { p.comm.DataControl().SetDataBits(db7); });
    EXPECT_EQ(seven.ErrorCode, 3);
    EXPECT_TRUE(std::string(seven.what()) == "Unable to update device control block. (the port does not take 7 data bits)" ||
                std::string(seven.what()).starts_with("Unable to update device control block. (Win32 error "))
        << seven.what();
    const std::pair<std::function<void()>, const char*> refused[] = {
        {[&] { p.comm.DataControl().SetDataBits(db4); }, "(4 data bits cannot be set)"},
        {[&] { p.comm.DataControl().SetParity(paEven); }, "(the port does not take even parity)"},
        {[&] { p.comm.DataControl().SetStopBits(sb1p5); }, "(1.5 stop bits need 5 data bits)"},
        {[&] { p.comm.SetFlowControl(fcRtsCts); }, "(CTS output flow cannot be set: the port has no modem lines)"},
    };
    for (const auto& [change, why] : refused) {
        const EDeviceError e = Raised(change);
        EXPECT_EQ(e.ErrorCode, 3) << why;
        EXPECT_EQ(std::string(e.what()), std::string("Unable to update device control block. ") + why);
    }
    EXPECT_EQ(p.comm.DataControl().DataBits(), db8);
    EXPECT_EQ(p.comm.DataControl().Parity(), paNone);
    EXPECT_EQ(p.comm.FlowControl(), fcNone);
    const EDeviceError timeouts = Raised([&] {
        for (auto i : {TCommTimeoutsEx::ReadInterval, TCommTimeoutsEx::ReadMultiplier, TCommTimeoutsEx::ReadConstant})
            p.comm.Timeouts().Set(i, 0xFFFFFFFF);
    });
    EXPECT_EQ(timeouts.ErrorCode, 7);
    p.comm.Timeouts().Set(TCommTimeoutsEx::ReadInterval, 1);
    p.comm.Timeouts().Set(TCommTimeoutsEx::ReadMultiplier, 30);
    p.comm.SetBaudRate(br9600);
    EXPECT_EQ(p.comm.BaudValue(), 9600u);
    p.comm.SetBaudRate(br19200);
    EXPECT_EQ(p.Ask("+v\r").find(">REV 11.005."), 0u) << "the line still carries requests";
}

TEST(ComPortDriver, ReadsWritesPurgesAndCounts)
{
    SKIP_WITHOUT_SIM();
    OpenPort p;
    const std::string reply = p.Ask("+v\r");
    EXPECT_EQ(reply.rfind(">REV 11.005.", 0), 0u) << reply;
    EXPECT_EQ(p.comm.SentCount(), 3u);
    EXPECT_EQ(p.comm.ReceivedCount(), reply.size());
    EXPECT_EQ(p.comm.InQueCount(0), 0);
    EXPECT_EQ(p.comm.InQueCount(1), 0);
    char none[8];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(p.comm.Read(none, 8, 100), 0) << "nothing waits: the read ends after its time-out";
    EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
    ASSERT_TRUE(p.comm.WriteString("+v\r"));
    ASSERT_TRUE(p.comm.WaitInput(2000));
    std::this_thread::sleep_for(100ms);  // the whole reply
    const std::uint64_t received = p.comm.ReceivedCount();
    const int waiting = p.comm.InQueCount(0);
    EXPECT_GT(waiting, 0);
    EXPECT_TRUE(p.comm.PurgeInput());
    EXPECT_EQ(p.comm.InQueCount(0), 0);
    EXPECT_EQ(p.comm.ReceivedCount(), received + static_cast<std::uint64_t>(waiting)) << "a purge counts what it drops";
    std::this_thread::sleep_for(300ms);  // the rest of the reply
    p.comm.PurgeInput();
}

TEST(ComPortDriver, TheEventThreadReportsArrivingCharactersAndStopsAtClose)
{
    SKIP_WITHOUT_SIM();
    OpenPort p;
    std::atomic<int> count{0};
    std::atomic<bool> charEvent{false};
    p.comm.OnData = [&](TCustomComm&, int n) { count = n; };
    p.comm.OnCommEvent = [&](TCustomComm&, TDeviceEvents e) { charEvent = charEvent || e.Contains(deChar); };
    ASSERT_TRUE(p.comm.WriteString("+v\r"));
    for (int i = 0; i < 400 && (count == 0 || !charEvent); ++i) std::this_thread::sleep_for(5ms);
    EXPECT_GT(count, 0);
    EXPECT_TRUE(charEvent);
    std::this_thread::sleep_for(300ms);
    const auto start = std::chrono::steady_clock::now();
    p.comm.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

// A pseudo-terminal has no RTS: the cable worker, which raises it around each write, carries on.
TEST(ComPortDriver, ALineWithoutRtsCarriesOn)
{
    SKIP_WITHOUT_SIM();
    OpenPort p;
    EXPECT_NO_THROW(p.comm.SetRTS(true));
    EXPECT_NO_THROW(p.comm.SetRTS(false));
    EXPECT_NO_THROW(p.comm.SetDTR(true));
    EXPECT_EQ(p.Ask("+v\r").rfind(">REV 11.005.", 0), 0u);
}

TEST(ComPortDriver, ThePortListOffersThePortAndTheRawProbeFindsTheDevice)
{
    SKIP_WITHOUT_SIM();
    std::vector<std::string> ports;
    EnumSerialPorts(ports, false);
    EXPECT_NE(std::find(ports.begin(), ports.end(), comport::SimPort()), ports.end()) << "from the registry's list";
    EXPECT_EQ(ProbeComPort(comport::SimPort(), 19200, "+v\r\n", "11.005", 5000, {}, {}), TProbeResult::Found);
    EXPECT_EQ(ProbeComPort("COM98", 19200, "+v\r\n", "11.005", 100, {}, {}), TProbeResult::CannotOpen);
    std::this_thread::sleep_for(200ms);  // the rest of the reply the probe stopped at
    TComHandle handle;
    ASSERT_TRUE(OpenComPort(comport::SimPort(), 19200, handle));
    EXPECT_EQ(WriteComPort(handle, "+v\r"), 3);
    std::string reply;
    for (int i = 0; i < 200 && reply.find("OK", std::min(reply.find("REV"), reply.size())) == std::string::npos; ++i) {
        std::string chunk;
        ReadComString(handle, chunk);
        reply += chunk;
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(reply.rfind(">REV 11.005.", 0), 0u) << reply;
    EXPECT_TRUE(CloseComPort(handle));
}

// Run against a simulator that vanishes at its second request.
TEST(ComPortDriverVanish, AVanishedPortRaisesOnEveryLook)
{
    SKIP_WITHOUT_SIM();
    OpenPort p;
    EXPECT_EQ(p.Ask("+v\r").rfind(">REV 11.005.", 0), 0u);
    p.comm.WriteString("+v\r");
    EDeviceError read("", 0);
    for (int i = 0; i < 200 && read.ErrorCode == 0; ++i) {
        try {
            p.comm.InQueCount(0);
            std::this_thread::sleep_for(10ms);
        } catch (const EDeviceError& e) {
            read = e;
        }
    }
    EXPECT_EQ(read.ErrorCode, 10);
    EXPECT_EQ(std::string(read.what()).rfind("Unable to read from port. (Win32 error ", 0), 0u) << read.what();
    EXPECT_EQ(Raised([&] { p.comm.Write("x", 1, 100); }).ErrorCode, 11);
    EXPECT_NO_THROW(p.comm.Close());
}
