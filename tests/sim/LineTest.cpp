#include "sim/Line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/SerialPort.h"
#include "sim/FaultText.h"
#include "tests/support/PortClient.h"
#include "tests/support/SimLine.h"

using sim::Fault;
using sim::FaultKind;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

namespace {

using Client = testsupport::PortClient;

// A byte's time on the wire at 19200 baud, 10 bits a byte.
constexpr auto kByteTime = std::chrono::nanoseconds(10'000'000'000LL / 19200);
constexpr std::uint32_t kSeed = 41;

}  // namespace

TEST(SimLineFraming, RequestsAreCutAtCrJoinedAcrossWritesAndAnswered)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"ver", "REV 11.005.096"}});
    Client client(sim.Path());
    client.Write("CABLE CONNECT\r\n+ver\r+bad\r+v");
    EXPECT_EQ(client.ReadUntil("NOK\r\n"), "OK\r\n>REV 11.005.096\r\nOK\r\nNOK\r\n");
    EXPECT_FALSE(sim.line.WaitForRequests(4, 20ms));
    EXPECT_EQ(client.Exchange("er\r"), ">REV 11.005.096\r\nOK\r\n");
    EXPECT_EQ(sim.line.Requests(), (std::vector<std::string>{"CABLE CONNECT", "+ver", "+bad", "+ver"}));
    EXPECT_EQ(sim.line.ReceivedBytes(), "CABLE CONNECT\r\n+ver\r+bad\r+ver\r");  // a splitter of its own: the modem's tests
}

TEST(SimLineFaults, RulesMatchByPrefixOrPredicateForTheirCount)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "11"}, {"ver", "1"}});
    sim.line.AddFault("+o", Fault{FaultKind::Silence}, 2);
    Client client(sim.Path());
    EXPECT_EQ(client.Exchange("+ver\r"), ">1\r\nOK\r\n");  // other requests are untouched
    EXPECT_EQ(client.Exchange("+o\r"), "");
    EXPECT_EQ(client.Exchange("+o\r"), "");
    EXPECT_EQ(client.Exchange("+o\r"), ">11\r\nOK\r\n");
    sim.line.AddFault([](const std::string& r) { return r.size() > 3; }, Fault{FaultKind::Nok}, -1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(client.Exchange("+o55\r"), "NOK\r\n");
    sim.line.ClearFaults();
    EXPECT_EQ(client.Exchange("+o55\r"), "OK\r\n");
    ASSERT_TRUE(sim.line.WaitForAnswers(8, 1s));
    sim.line.AddFault("+o", Fault{FaultKind::Late, 0, 10s});
    client.Write("+o\r");
    ASSERT_TRUE(sim.line.WaitForRequests(9, 1s));
    EXPECT_FALSE(sim.line.WaitForAnswers(9, 30ms)) << "a late reply counts once it is sent";
}

TEST(SimLineFaults, RandomFaultsAndTheDiceRepeatWithTheSeedAndGarbageHoldsNoFrameOrLineEnd)
{
    const auto run = [](std::uint32_t seed) {
        testsupport::SimLine sim(testsupport::SimLine::Values{{"o", "11"}}, 0);
        sim.line.SetRandomFaults({Fault{FaultKind::Nok}}, 0.5, seed);
        Client client(sim.Path());
        std::string pattern;
        for (int i = 0; i < 12; ++i) pattern += client.Exchange("+o\r") == "NOK\r\n" ? 'N' : 'v';
        return pattern;
    };
    const std::string first = run(7);
    EXPECT_EQ(first, run(7));
    EXPECT_NE(first.find('N'), std::string::npos);
    EXPECT_NE(first.find('v'), std::string::npos);
    sim::FaultDice dice(kSeed);
    EXPECT_EQ(dice.Garbage(2000).find_first_of("OoKk>\r\n"), std::string::npos);
    for (const sim::Chunk& c : dice.Chunks(100, 6, 20ms)) EXPECT_TRUE(c.size >= 1 && c.size <= 6 && c.gap <= 20ms);
    EXPECT_EQ(sim::FaultDice(kSeed + 1).Chunks(100, 6, 20ms), sim::FaultDice(kSeed + 1).Chunks(100, 6, 20ms));
    EXPECT_EQ(sim::FaultDice(kSeed).Cut(1), 1u) << "nothing to cut";
}

TEST(SimLineSpeed, RepliesComeByteByByteAndRequestsCostTheirWireTimeWhenPaced)
{
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", std::string(95, '5')}});
    Client client(sim.Path());
    auto sent = Steady::now();
    client.Write("+o\r");
    ASSERT_EQ(client.ReadUntil("OK\r\n").size(), 102u);
    for (std::size_t i = 0; i < client.arrivals.size(); ++i)
        ASSERT_GE(client.arrivals[i] - sent, kByteTime * static_cast<long>(i + 1)) << "byte " << i << " too soon";

    // A 190-byte request and a 4-byte reply: 99 ms on the wire for the request alone.
    const std::string request = "+o" + std::string(187, 'A') + "\r";
    for (const bool paced : {false, true}) {
        sim.line.SetRequestPacing(paced);
        sent = Steady::now();
        EXPECT_EQ(client.Exchange(request), "OK\r\n");
        EXPECT_EQ(Steady::now() - sent >= 95ms, paced) << "off by default: only the reply is paced";
    }
    sim.line.SetLineSpeed(0);
    sent = Steady::now();
    EXPECT_EQ(client.Exchange(request), "OK\r\n");
    EXPECT_LT(Steady::now() - sent, 60ms) << "paced without a speed: at once";
}

// Every fault as the program meets it: what it reads of the reply (bent, cut or whole), and never
// sooner than the line's dice (seeded as the test's) and the wire allow.
struct Injected {
    const char* name;
    std::uint32_t baud;
    std::function<void(sim::Line&)> set;
    std::function<std::string(sim::FaultDice&, const std::string& reply)> read;
    std::function<Steady::duration(sim::FaultDice&, std::size_t size)> least;
};

class SimLineFault : public ::testing::TestWithParam<Injected> {};

TEST_P(SimLineFault, IsReadAsInjected)
{
    const std::string reply = ">" + std::string(40, '7') + "\r\nOK\r\n";
    testsupport::SimLine sim(testsupport::SimLine::Values{{"o", std::string(40, '7')}}, GetParam().baud);
    sim.line.SetSeed(kSeed);
    GetParam().set(sim.line);
    sim::FaultDice dice(kSeed);
    const std::string expected = GetParam().read(dice, reply);
    const Steady::duration least = GetParam().least ? GetParam().least(dice, reply.size()) : Steady::duration{};
    Client client(sim.Path());
    const auto sent = Steady::now();
    client.Write("+o\r");
    const bool whole = expected.ends_with("OK\r\n");
    EXPECT_EQ(client.ReadUntil(whole ? expected : "never", whole ? 3000ms : 150ms), expected);
    const auto wire = GetParam().baud == 0 ? Steady::duration{} : kByteTime * static_cast<long>(expected.size());
    if (!client.arrivals.empty()) {
        EXPECT_GE(client.arrivals.back() - sent, std::max(least, wire));
    }
}

Steady::duration Gaps(const std::vector<sim::Chunk>& chunks)
{
    Steady::duration sum{};
    for (const sim::Chunk& c : chunks) sum += c.gap;
    return sum;
}

const auto ChunksOf = [](std::size_t most, std::chrono::milliseconds gap) {
    return [=](sim::FaultDice& d, std::size_t size) { return Gaps(d.Chunks(size, most, gap)); };
};
const auto Fixed = [](Steady::duration d) { return [=](sim::FaultDice&, std::size_t) { return d; }; };
const auto Faulty = [](Fault f) { return [=](sim::Line& line) { line.AddFault("+o", f); }; };
const auto Reads = [](std::string text) { return [=](sim::FaultDice&, const std::string&) { return text; }; };
const auto Whole = [](sim::FaultDice&, const std::string& reply) { return reply; };
const auto Prefix = [](std::size_t n) { return [=](sim::FaultDice&, const std::string& r) { return r.substr(0, n); }; };

INSTANTIATE_TEST_SUITE_P(
    Faults, SimLineFault,
    ::testing::Values(
        Injected{"Nok", 0, Faulty({FaultKind::Nok}), Reads("NOK\r\n"), {}},
        Injected{"Garbage", 0, Faulty({FaultKind::Garbage, 500}), [](sim::FaultDice& d, const std::string&) { return d.Garbage(500); }, {}},
        Injected{"SplitBeforeTheLastByte", 0, Faulty({FaultKind::SplitAt, 46, 10s}), Prefix(46), {}},
        Injected{"SplitAtADrawnByte", 0, Faulty({FaultKind::SplitAt, 0, 10s}),
                 [](sim::FaultDice& d, const std::string& r) { return r.substr(0, d.Cut(r.size())); }, {}},
        Injected{"SplitAtADrawnByteAndTheRestLater", 19200, Faulty({FaultKind::SplitAt, 0, 60ms}), Whole, Fixed(60ms)},
        Injected{"SplitEvery10Bytes", 0, Faulty({FaultKind::Split, 10, 30ms}), Whole, Fixed(4 * 30ms)},  // 47 bytes
        Injected{"ChunksAtLineSpeed", 19200, Faulty({FaultKind::Chunks, 4, 20ms}), Whole, ChunksOf(4, 20ms)},
        Injected{"EveryReplyChunked", 19200, [](sim::Line& line) { line.SetChunking(6, 15ms); }, Whole, ChunksOf(6, 15ms)},
        Injected{"Late", 0, Faulty({FaultKind::Late, 0, 80ms}), Whole, Fixed(80ms)},
        Injected{"PauseRightAfterTheValue", 0, Faulty({FaultKind::Pause, 0, 10s}), Prefix(41), {}},
        Injected{"Twice", 19200, Faulty({FaultKind::Twice}), [](sim::FaultDice&, const std::string& r) { return r + r; }, {}},
        Injected{"EchoOfEveryRequest", 0, [](sim::Line& line) { line.SetEcho(true); }, Reads("+o\r>" + std::string(40, '7') + "\r\nOK\r\n"), {}},
        Injected{"LateUpTo", 0, Faulty({FaultKind::LateUpTo, 0, 400ms}), Whole,
                 [](sim::FaultDice& d, std::size_t) { return Steady::duration(d.Delay(400ms)); }}),
    [](const ::testing::TestParamInfo<Injected>& info) { return std::string(info.param.name); });

TEST(SimFaultText, KindsNumbersAndMistakes)
{
    const struct {
        const char* text;
        Fault fault;
    } cases[] = {
        {"silence", {FaultKind::Silence}},          {"garbage=40", {FaultKind::Garbage, 40}},
        {"split", {FaultKind::Split, 4, 30ms}},     {"split=1,5", {FaultKind::Split, 1, 5ms}},
        {"late=12000", {FaultKind::Late, 0, 12'000ms}}, {"late-upto", {FaultKind::LateUpTo, 0, 12'000ms}},
        {"chunks=8", {FaultKind::Chunks, 8, 20ms}}, {"split-at=0,100", {FaultKind::SplitAt, 0, 100ms}},
        {"vanish", {FaultKind::Vanish, 3}},         {"twice", {FaultKind::Twice}},
        {"pause=80", {FaultKind::Pause, 0, 80ms}},
    };
    for (const auto& c : cases) EXPECT_EQ(sim::ParseFault(c.text), c.fault) << c.text;
    for (const char* wrong : {"nope", "nok=1", "late=-5", "split=1,2,3", "garbage=x", "chunks=4,"})
        EXPECT_THROW(sim::ParseFault(wrong), std::invalid_argument) << wrong;
    const std::vector<Fault> pool = sim::DefaultFaultPool();
    EXPECT_EQ(std::count_if(pool.begin(), pool.end(), [](const Fault& f) { return f.kind == FaultKind::Vanish; }), 0);
}

// Vanishing after part of a reply is held by the cable worker's tests.
TEST(SimLineVanish, TheDeviceGoesWhenToldOrAfterItsNumberOfRequests)
{
    testsupport::SimLine told;
    Client other(told.Path());
    told.line.Vanish();
    EXPECT_TRUE(told.line.Vanished());
    EXPECT_FALSE(told.pty.MasterOpen());
    EXPECT_THROW(other.port.InputWaiting(), platform::SerialPortError);

    testsupport::SimLine later(testsupport::SimLine::Values{{"o", "1"}}, 0);
    later.line.VanishAfter(2);
    Client client(later.Path());
    for (int i = 0; i < 2; ++i) EXPECT_EQ(client.Exchange("+o\r"), ">1\r\nOK\r\n");
    client.Write("+o\r");
    EXPECT_TRUE(later.line.WaitForAnswers(3, 1s));
    EXPECT_TRUE(later.line.Vanished());
}
