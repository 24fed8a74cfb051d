#include "sim/Line.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/SerialPort.h"
#include "tests/support/SimLine.h"

using sim::Fault;
using sim::FaultKind;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

namespace {

// The program's side of the line, in real time.
struct Client {
    explicit Client(const std::string& path)
    {
        port.Open(path);
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
    platform::SerialPort port;
};

std::string Exchange(Client& client, const std::string& request)
{
    client.Send(request);
    return client.ReadUntil("OK\r\n", 150ms);
}

}  // namespace

TEST(SimLineFraming, RequestsAreCutAtCrAndAnswered)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"ver", "REV 11.005.096"}});
    Client client(sim.Path());
    client.Send("CABLE CONNECT\r\n+ver\r+bad\r");
    EXPECT_EQ(client.ReadUntil("NOK\r\n"), "OK\r\n>REV 11.005.096\r\nOK\r\nNOK\r\n");
    EXPECT_EQ(sim.line.Requests(), (std::vector<std::string>{"CABLE CONNECT", "+ver", "+bad"}));
    EXPECT_EQ(sim.line.ReceivedBytes(), "CABLE CONNECT\r\n+ver\r+bad\r");
    sim.line.ClearReceived();
    EXPECT_TRUE(sim.line.Requests().empty());
}

TEST(SimLineFraming, RequestSplitAcrossWritesIsJoined)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "11"}});
    Client client(sim.Path());
    client.Send("+");
    ASSERT_FALSE(sim.line.WaitForRequests(1, 20ms));
    client.Send("o\r");
    EXPECT_EQ(client.ReadUntil("OK\r\n"), ">11\r\nOK\r\n");
}

TEST(SimLineFraming, StoreResponderWritesValues)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "11"}});
    Client client(sim.Path());
    EXPECT_EQ(Exchange(client, "+o22\r"), "OK\r\n");
    EXPECT_EQ(sim.responder.Get("o"), "22");
}

TEST(SimLineFraming, CustomSplitterReplacesTheDefault)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "11"}});
    sim.line.SetSplitter([](std::string& pending) -> std::optional<std::string> {
        const auto semi = pending.find(';');
        if (semi == std::string::npos) return std::nullopt;
        std::string request = pending.substr(0, semi);
        pending.erase(0, semi + 1);
        return request;
    });
    Client client(sim.Path());
    client.Send("+o;");
    EXPECT_EQ(client.ReadUntil("OK\r\n"), ">11\r\nOK\r\n");
}

TEST(SimLineFaults, PrefixRuleWithCount)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "11"}, {"ver", "1"}});
    sim.line.AddFault("+o", Fault{FaultKind::Silence}, 2);
    Client client(sim.Path());
    EXPECT_EQ(Exchange(client, "+ver\r"), ">1\r\nOK\r\n");  // other requests are untouched
    EXPECT_EQ(Exchange(client, "+o\r"), "");
    EXPECT_EQ(Exchange(client, "+o\r"), "");
    EXPECT_EQ(Exchange(client, "+o\r"), ">11\r\nOK\r\n");
}

TEST(SimLineFaults, PredicateRuleForEveryMatch)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "11"}});
    sim.line.AddFault([](const std::string& r) { return r.size() > 2; }, Fault{FaultKind::Nok}, -1);
    Client client(sim.Path());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Exchange(client, "+o5\r"), "NOK\r\n");
    sim.line.ClearFaults();
    EXPECT_EQ(Exchange(client, "+o5\r"), "OK\r\n");
}

TEST(SimLineFaults, GarbageHoldsNoTerminator)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "11"}});
    sim.line.AddFault("+o", Fault{FaultKind::Garbage, 500});
    Client client(sim.Path());
    client.Send("+o\r");
    const std::string got = client.ReadUntil("never", 100ms);
    EXPECT_EQ(got.size(), 500u);
    EXPECT_EQ(got.find_first_of("OoKk>\r\n"), std::string::npos);
}

TEST(SimLineFaults, SplitReplyComesInPausedChunks)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "11"}});
    sim.line.AddFault("+o", Fault{FaultKind::Split, 2, 30ms});
    Client client(sim.Path());
    client.Send("+o\r");
    const auto start = Steady::now();
    EXPECT_EQ(client.ReadUntil("OK\r\n"), ">11\r\nOK\r\n");
    EXPECT_GE(Steady::now() - start, 4 * 30ms);  // five chunks, four pauses
}

TEST(SimLineFaults, RandomFaultsRepeatWithTheSeed)
{
    const auto run = [](std::uint32_t seed) {
        testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "11"}});
        sim.line.SetRandomFaults({Fault{FaultKind::Nok}}, 0.5, seed);
        Client client(sim.Path());
        std::string pattern;
        for (int i = 0; i < 12; ++i) pattern += Exchange(client, "+o\r") == "NOK\r\n" ? 'N' : 'v';
        return pattern;
    };
    const std::string first = run(7);
    EXPECT_EQ(first, run(7));
    EXPECT_NE(first.find('N'), std::string::npos);
    EXPECT_NE(first.find('v'), std::string::npos);
}

TEST(SimLineSpeed, RepliesTakeTheTimeOfTheLine)
{
    std::string value(95, '5');
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", value}}, sim::Line::kDefaultBaud);
    Client client(sim.Path());
    client.Send("+o\r");
    const auto start = Steady::now();
    EXPECT_EQ(client.ReadUntil("OK\r\n").size(), 102u);
    // 102 bytes at 19200 baud, 10 bits each: 53.1 ms, the last byte there once its time is over.
    EXPECT_GE(Steady::now() - start, 53ms);
}

TEST(SimLineSpeed, RequestPacingMakesALongRequestCostItsWireTimeFirst)
{
    // A 190-byte request and a 4-byte reply at 19200 baud: 99 ms on the wire for the request alone.
    const std::string request = "+o" + std::string(187, 'A') + "\r";
    const auto exchange = [&](bool pace) {
        testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "1"}}, sim::Line::kDefaultBaud);
        sim.line.SetRequestPacing(pace);
        Client client(sim.Path());
        const auto start = Steady::now();
        client.Send(request);
        EXPECT_EQ(client.ReadUntil("OK\r\n"), "OK\r\n");
        return Steady::now() - start;
    };
    EXPECT_LT(exchange(false), 60ms) << "off by default: only the reply is paced";
    EXPECT_GE(exchange(true), 95ms);
}

TEST(SimLineSpeed, RequestPacingWithoutASpeedAnswersAtOnce)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "1"}});
    sim.line.SetRequestPacing(true);
    Client client(sim.Path());
    const auto start = Steady::now();
    EXPECT_EQ(Exchange(client, "+o\r"), ">1\r\nOK\r\n");
    EXPECT_LT(Steady::now() - start, 100ms);
}

TEST(SimLineFaults, ALateReplyCountsAsAnsweredOnlyOnceSent)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "1"}});
    sim.line.AddFault("+o", Fault{FaultKind::Late, 0, 80ms});
    Client client(sim.Path());
    client.Send("+o\r");
    ASSERT_TRUE(sim.line.WaitForRequests(1, 1000ms));
    EXPECT_EQ(sim.line.Answered(), 0u);
    EXPECT_FALSE(sim.line.WaitForAnswers(1, 10ms));
    EXPECT_TRUE(sim.line.WaitForAnswers(1, 2000ms));
    EXPECT_EQ(client.ReadUntil("OK\r\n"), ">1\r\nOK\r\n");
}

TEST(SimLineVanish, VanishClosesTheMaster)
{
    testsupport::SimLine sim;
    Client client(sim.Path());
    sim.line.Vanish();
    EXPECT_TRUE(sim.line.Vanished());
    EXPECT_FALSE(sim.pty.MasterOpen());
    EXPECT_THROW(client.port.InputWaiting(), platform::SerialPortError);
}

TEST(SimLineVanish, VanishFaultSendsPartThenCloses)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "11"}});
    sim.line.AddFault("+o", Fault{FaultKind::Vanish, 3});
    Client client(sim.Path());
    client.Send("+o\r");
    char buffer[16];
    std::string got;
    try {
        for (int i = 0; i < 400; ++i) {
            if (client.port.WaitReadable(5)) got.append(buffer, client.port.ReadSome(buffer, sizeof buffer));
        }
        FAIL() << "the port did not vanish";
    } catch (const platform::SerialPortError& e) {
        EXPECT_EQ(e.reason(), platform::SerialPortError::Reason::Vanished);
    }
    EXPECT_LE(got.size(), 3u);
}

TEST(SimLineLifetime, StopsWhileNobodyReadsAFlood)
{
    const auto start = Steady::now();
    {
        testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "11"}});
        sim.line.AddFault("+o", Fault{FaultKind::Garbage, 1 << 22});
        Client client(sim.Path());
        client.Send("+o\r");
        ASSERT_TRUE(sim.line.WaitForRequests(1, 2s));
    }
    EXPECT_LT(Steady::now() - start, 1s);
}

TEST(SimPty, LinkInAFolderIsPlacedAndRemoved)
{
    const auto folder = std::filesystem::temp_directory_path() / ("sorvel-ports-" + std::to_string(::getpid()));
    std::filesystem::path link;
    {
        sim::Pty pty(folder, "sorvel-sim");
        link = pty.LinkPath();
        EXPECT_EQ(link, folder / "sorvel-sim");
        EXPECT_EQ(std::filesystem::read_symlink(link), pty.SlavePath());
        platform::SerialPort port;
        EXPECT_NO_THROW(port.Open(link));
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    std::filesystem::remove_all(folder);
}
