#include "sim/Modem.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/SerialPort.h"
#include "tests/support/StoreResponder.h"

using sim::DialResult;
using sim::Registration;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

namespace {

// The program's side of the modem's port, in real time; the modem's guard times run on a manual clock.
struct ModemFixture : ::testing::Test {
    ModemFixture()
    {
        port.Open(modem.Path());
        port.Configure({});
    }

    void Send(const std::string& bytes) { ASSERT_EQ(port.WriteSome(bytes.data(), bytes.size()), bytes.size()); }

    // Reads until `until` appears or `limit` passes; returns what was read.
    std::string ReadUntil(const std::string& until, std::chrono::milliseconds limit = 2000ms)
    {
        std::string got;
        const auto end = Steady::now() + limit;
        while (got.find(until) == std::string::npos && Steady::now() < end) {
            if (!port.WaitReadable(5)) continue;
            char buffer[4096];
            got.append(buffer, port.ReadSome(buffer, sizeof buffer));
        }
        return got;
    }

    std::string Command(const std::string& command, const std::string& until = "OK\r\n")
    {
        Send(command + "\r\n");
        return ReadUntil(until);
    }

    // Waits (real time) until the modem has received `bytes` in all.
    void AwaitReceived(std::size_t bytes)
    {
        const auto end = Steady::now() + 2s;
        while (modem.line().ReceivedBytes().size() < bytes && Steady::now() < end) std::this_thread::sleep_for(1ms);
        ASSERT_GE(modem.line().ReceivedBytes().size(), bytes);
    }

    void Connect()
    {
        ASSERT_EQ(Command("ATD 5551234", "CONNECT 9600\r\n"), "\r\nCONNECT 9600\r\n");
        ASSERT_TRUE(modem.modem().InDataMode());
    }

    // The escape as a modem wants it: silence, "+++", silence.
    std::string Escape()
    {
        clock.Advance(sim::Modem::kGuardTimeMs);
        const std::size_t before = modem.line().ReceivedBytes().size();
        Send("+++");
        AwaitReceived(before + 3);
        clock.Advance(sim::Modem::kGuardTimeMs);
        return ReadUntil("OK\r\n", 500ms);
    }

    platform::ManualClock clock;
    testsupport::StoreResponder device{{{"ver", "REV 11.005.096"}}};
    sim::ModemLine modem{device, clock};
    platform::SerialPort port;
};

}  // namespace

TEST_F(ModemFixture, CommandsAnswerOkOrError)
{
    EXPECT_EQ(Command("AT"), "\r\nOK\r\n");
    EXPECT_EQ(Command("atz"), "\r\nOK\r\n");
    EXPECT_EQ(Command("AT+CBST=71,0,1"), "\r\nOK\r\n");
    EXPECT_EQ(modem.modem().Bearer(), "71,0,1");
    EXPECT_EQ(Command("AT+CBST=7,x,1", "ERROR\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(Command("AT+FOO", "ERROR\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(Command("ATD", "ERROR\r\n"), "\r\nERROR\r\n");  // nothing to dial
    EXPECT_EQ(Command("+++AT"), "\r\nOK\r\n");  // what comes before "AT" is not a command
    EXPECT_EQ(modem.modem().Commands(),
              (std::vector<std::string>{"AT", "atz", "AT+CBST=71,0,1", "AT+CBST=7,x,1", "AT+FOO", "ATD", "AT"}));
}

TEST_F(ModemFixture, RegistrationReplies)
{
    const struct {
        Registration status;
        bool space;
        const char* reply;
    } cases[] = {
        {Registration::Home, false, "\r\n+CREG: 0,1\r\n\r\nOK\r\n"},
        {Registration::Roaming, false, "\r\n+CREG: 0,5\r\n\r\nOK\r\n"},
        {Registration::Searching, false, "\r\n+CREG: 0,2\r\n\r\nOK\r\n"},
        {Registration::Denied, true, "\r\n+CREG: 0, 3\r\n\r\nOK\r\n"},
    };
    for (const auto& c : cases) {
        modem.modem().SetRegistration(c.status, c.space);
        EXPECT_EQ(Command("AT+CREG?"), c.reply);
    }
}

TEST_F(ModemFixture, ConnectCarriesDataToTheDevice)
{
    Connect();
    EXPECT_EQ(modem.modem().DialledNumber(), "5551234");
    EXPECT_TRUE(modem.modem().CallUp());
    Send("+ver\r");
    EXPECT_EQ(ReadUntil("OK\r\n"), ">REV 11.005.096\r\nOK\r\n");
    Send("AT\r\n");  // in a call, AT commands are the device's business
    EXPECT_EQ(ReadUntil("NOK\r\n"), "NOK\r\n");
}

TEST_F(ModemFixture, DialFailuresLeaveTheModemInCommandMode)
{
    const struct {
        DialResult result;
        const char* word;
    } cases[] = {
        {DialResult::Busy, "BUSY"},           {DialResult::NoCarrier, "NO CARRIER"},
        {DialResult::NoDialtone, "NO DIALTONE"}, {DialResult::NoAnswer, "NO ANSWER"},
        {DialResult::Error, "ERROR"},
    };
    for (const auto& c : cases) {
        modem.modem().SetDialResult(c.result);
        EXPECT_EQ(Command("ATD 1", std::string(c.word) + "\r\n"), "\r\n" + std::string(c.word) + "\r\n");
        EXPECT_FALSE(modem.modem().CallUp());
        EXPECT_EQ(Command("AT"), "\r\nOK\r\n");
    }
}

TEST_F(ModemFixture, EscapeNeedsSilenceOnBothSides)
{
    Connect();
    EXPECT_EQ(Escape(), "\r\nOK\r\n");
    EXPECT_FALSE(modem.modem().InDataMode());
    EXPECT_TRUE(modem.modem().CallUp());  // the call stands until ATH
    EXPECT_EQ(Command("ATH"), "\r\nOK\r\n");
    EXPECT_FALSE(modem.modem().CallUp());
    EXPECT_EQ(modem.modem().Escapes(), 1);
}

TEST_F(ModemFixture, PlusesRightAfterDataAreData)
{
    Connect();
    Send("+ver\r");
    ASSERT_EQ(ReadUntil("OK\r\n"), ">REV 11.005.096\r\nOK\r\n");
    const std::size_t before = modem.line().ReceivedBytes().size();
    Send("+++");  // no guard time before
    AwaitReceived(before + 3);
    clock.Advance(2 * sim::Modem::kGuardTimeMs);
    EXPECT_EQ(ReadUntil("OK\r\n", 100ms), "");
    EXPECT_TRUE(modem.modem().InDataMode());
}

TEST_F(ModemFixture, DataWithinTheSecondGuardTimeCancelsTheEscape)
{
    Connect();
    clock.Advance(sim::Modem::kGuardTimeMs);
    const std::size_t before = modem.line().ReceivedBytes().size() + 3;
    Send("+++");
    AwaitReceived(before);
    Send("x");
    AwaitReceived(before + 1);
    clock.Advance(sim::Modem::kGuardTimeMs);
    EXPECT_EQ(ReadUntil("OK\r\n", 100ms), "");
    EXPECT_TRUE(modem.modem().InDataMode());
}

TEST_F(ModemFixture, CallDropsMidExchange)
{
    Connect();
    modem.modem().DropCallOn("+ver");
    Send("+ver\r");
    EXPECT_EQ(ReadUntil("NO CARRIER\r\n"), "\r\nNO CARRIER\r\n");
    EXPECT_FALSE(modem.modem().CallUp());
    EXPECT_EQ(Command("AT"), "\r\nOK\r\n");

    Connect();
    modem.DropCall();
    EXPECT_EQ(ReadUntil("NO CARRIER\r\n"), "\r\nNO CARRIER\r\n");
    EXPECT_FALSE(modem.modem().InDataMode());
    modem.DropCall();  // no call: nothing said
    EXPECT_EQ(ReadUntil("\n", 50ms), "");
}

TEST_F(ModemFixture, ScriptedRepliesAndLineFaultsApply)
{
    modem.modem().SetCommandReply("at+creg", "\r\nERROR\r\n", 2);
    EXPECT_EQ(Command("AT+CREG?", "ERROR\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(Command("AT+CREG?", "ERROR\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(Command("AT+CREG?"), "\r\n+CREG: 0,1\r\n\r\nOK\r\n");

    modem.line().AddFault("AT", sim::Fault{sim::FaultKind::Silence});
    Send("AT\r\n");
    EXPECT_EQ(ReadUntil("\n", 100ms), "");
    modem.line().AddFault("AT", sim::Fault{sim::FaultKind::Echo});
    EXPECT_EQ(Command("AT"), "AT\r\r\nOK\r\n");
}

TEST(ModemLinePorts, LinkInTheFolderWhileItLives)
{
    const auto folder = std::filesystem::temp_directory_path() / ("sorvel-modem-" + std::to_string(::getpid()));
    testsupport::StoreResponder device;
    {
        sim::ModemLine modem(device, folder, "modem0");
        EXPECT_EQ(std::filesystem::read_symlink(folder / "modem0"), modem.Path());
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "modem0"));
    std::filesystem::remove_all(folder);
}
