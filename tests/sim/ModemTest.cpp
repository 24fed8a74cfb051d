#include "sim/Modem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/SerialPort.h"
#include "tests/support/PortClient.h"
#include "tests/support/StoreResponder.h"

using sim::DialResult;
using sim::Registration;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

namespace {

// The program's side of the modem's port, in real time; the modem's guard times run on a manual clock.
struct ModemFixture : ::testing::Test {

    // Sends the bytes once the modem has had the line quiet for `quietBefore` ms, and waits (real time)
    // until it has them.
    void Send(const std::string& bytes, std::uint64_t quietBefore = 0)
    {
        clock.Advance(quietBefore);
        const std::size_t before = modem.line().ReceivedBytes().size();
        port.Write(bytes);
        for (const auto end = Steady::now() + 2s; modem.line().ReceivedBytes().size() < before + bytes.size();) {
            ASSERT_LT(Steady::now(), end);
            std::this_thread::sleep_for(1ms);
        }
    }

    std::string Command(const std::string& command, const std::string& until = "OK\r\n")
    {
        Send(command + "\r\n");
        return port.ReadUntil(until, 500ms);
    }

    void Connect()
    {
        ASSERT_EQ(Command("ATD 5551234", "CONNECT 9600\r\n"), "\r\nCONNECT 9600\r\n");
        ASSERT_TRUE(modem.modem().InDataMode());
    }

    platform::ManualClock clock;
    testsupport::StoreResponder device{{{"ver", "REV 11.005.096"}}};
    sim::ModemLine modem{device, clock};
    testsupport::PortClient port{modem.Path()};
};

}  // namespace

TEST_F(ModemFixture, CommandsAnswerAsAModemDoes)
{
    modem.modem().SetCommandReply("at+creg", "\r\nERROR\r\n", 1);
    const std::pair<const char*, const char*> session[] = {
        {"AT", "\r\nOK\r\n"}, {"atz", "\r\nOK\r\n"}, {"AT+CBST=71,0,1", "\r\nOK\r\n"}, {"AT+CBST=7,x,1", "\r\nERROR\r\n"},
        {"AT+FOO", "\r\nERROR\r\n"}, {"ATD", "\r\nERROR\r\n"},  // nothing to dial
        {"+++AT", "\r\nOK\r\n"},  // what comes before "AT" is not a command
        {"AT+CREG?", "\r\nERROR\r\n"}, {"AT+CREG?", "\r\n+CREG: 0,1\r\n\r\nOK\r\n"},  // a scripted reply, once
    };
    for (const auto& [command, reply] : session) EXPECT_EQ(Command(command, reply), reply) << command;
    modem.modem().SetRegistration(Registration::Denied, true);
    EXPECT_EQ(Command("AT+CREG?"), "\r\n+CREG: 0, 3\r\n\r\nOK\r\n");
    modem.line().AddFault("AT", sim::Fault{sim::FaultKind::Echo});
    EXPECT_EQ(Command("AT"), "AT\r\r\nOK\r\n") << "the line's faults apply";
}

// Each failed dial's word is held by the dial window's and the modem worker's tests.
TEST_F(ModemFixture, ADialEitherConnectsToTheDeviceOrFailsInCommandMode)
{
    modem.modem().SetDialResult(DialResult::NoAnswer);
    EXPECT_EQ(Command("ATD 1", "NO ANSWER\r\n"), "\r\nNO ANSWER\r\n");
    EXPECT_FALSE(modem.modem().CallUp());
    modem.modem().SetDialResult(DialResult::Connect);
    Connect();
    EXPECT_EQ(modem.modem().DialledNumber(), "5551234");
    EXPECT_EQ(Command("+ver\r", "OK\r\n"), ">REV 11.005.096\r\nOK\r\n");
    EXPECT_EQ(Command("AT", "NOK\r\n"), "NOK\r\n") << "in a call, AT commands are the device's business";
}

// "+++" after data: an escape to command mode only with the guard time's silence on both sides.
struct Escape {
    const char* name;
    std::uint64_t quietBefore;
    const char* following;
    bool escapes;
};

class ModemEscape : public ModemFixture, public ::testing::WithParamInterface<Escape> {};

TEST_P(ModemEscape, NeedsSilenceOnBothSides)
{
    Connect();
    ASSERT_EQ(Command("+ver\r", "OK\r\n"), ">REV 11.005.096\r\nOK\r\n");
    Send("+++", GetParam().quietBefore);
    Send(GetParam().following);
    clock.Advance(sim::Modem::kGuardTimeMs);
    EXPECT_EQ(port.ReadUntil("OK\r\n", 200ms), GetParam().escapes ? "\r\nOK\r\n" : "");
    EXPECT_EQ(modem.modem().InDataMode(), !GetParam().escapes);
    EXPECT_TRUE(modem.modem().CallUp()) << "the call stands until ATH";
    if (!GetParam().escapes) return;
    EXPECT_EQ(Command("ATH"), "\r\nOK\r\n");
    EXPECT_FALSE(modem.modem().CallUp());
    EXPECT_EQ(modem.modem().Escapes(), 1);
}

INSTANTIATE_TEST_SUITE_P(Modem, ModemEscape,
                         ::testing::Values(Escape{"AfterSilence", sim::Modem::kGuardTimeMs, "", true},
                                           Escape{"RightAfterData", 0, "", false},
                                           Escape{"CancelledByData", sim::Modem::kGuardTimeMs, "x", false}),
                         [](const auto& info) { return std::string(info.param.name); });
