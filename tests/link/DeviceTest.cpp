#include "link/Device.h"

#include <gtest/gtest.h>

#include <functional>

#include "link/DevSorvel7QX1.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/RecordingLog.h"

namespace {

using testsupport::LoopbackComm;
using Fault = LoopbackComm::Fault;

// A device that answers every request by a script.
class ScriptedDevice final : public sim::Responder {
public:
    explicit ScriptedDevice(std::function<std::string(const std::string&)> script) : script_(std::move(script)) {}
    std::string Answer(const std::string& request) override
    {
        requests.push_back(request);
        return script_(request);
    }
    std::vector<std::string> requests;

private:
    std::function<std::string(const std::string&)> script_;
};

class DeviceTest : public ::testing::Test {
protected:
    void Reply(std::string reply)
    {
        script = [reply](const std::string&) { return reply; };
    }

    platform::ManualClock clock;
    std::function<std::string(const std::string&)> script = [](const std::string&) { return std::string(); };
    ScriptedDevice device{[this](const std::string& r) { return script(r); }};
    LoopbackComm comm{device, clock};
    testsupport::RecordingLog log;
    TDevSorvel7QX1 dev{comm, &log};
};

TEST_F(DeviceTest, FramesWithPrefixAndCarriageReturnLogsBothWaysAndCutsTheValueBetweenMarkAndTerminator)
{
    dev.SetTimestamp([] { return "17.05.2024 13:45:10"; });
    Reply(">0050\r\nOK\r\n");
    std::string value;
    ASSERT_TRUE(dev.ReadString("o", value));
    EXPECT_EQ(value, "0050");
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[0].caption, "<<<< 17.05.2024 13:45:10");
    EXPECT_EQ(log.entries[0].text, "+o\r");
    EXPECT_EQ(log.entries[0].color, 0xFF0000u);
    EXPECT_EQ(log.entries[1].caption, ">>>> 17.05.2024 13:45:10");
    EXPECT_EQ(log.entries[1].color, 0xFF00FFu);
    EXPECT_EQ(dev.ExtractValue("echo>12>34\r\nOK\r\n"), "12>34");
    // The reply's own closing word ends the value, not the same letters inside it.
    EXPECT_EQ(dev.ExtractValue(">ABOKCD\r\nOK"), "ABOKCD");
    EXPECT_EQ(dev.ExtractValue("no mark\r\nOK"), "no mark");
    // A bare or small-letter terminator satisfies the wait, but the cut is case-sensitive: no value.
    for (const char* reply : {"OK\r\n", ">1F\r\nok\r\n"}) {
        Reply(reply);
        value = "stale";
        EXPECT_TRUE(dev.ReadString("o", value)) << reply;
        EXPECT_EQ(value, "") << reply;
    }
}


TEST_F(DeviceTest, SilenceIsTriedThreeTimesAtTheFloorRetriesEndAtAnAnswerAndARefusalLeavesNoValue)
{
    const std::uint64_t start = clock.NowMs();
    std::string value = "stale";
    EXPECT_FALSE(dev.ReadString("o", value));
    EXPECT_EQ(value, "");
    EXPECT_EQ(comm.Written(), "+o\r+o\r+o\r");
    EXPECT_GT(clock.ElapsedSince(start), 30'000u);
    EXPECT_LT(clock.ElapsedSince(start), 30'200u);
    comm.FailNext(Fault::Silence);
    Reply(">0050\r\nOK\r\n");
    EXPECT_TRUE(dev.ReadString("o", value));
    EXPECT_EQ(device.requests.size(), 5u);
    Reply("NOK\r\n");
    EXPECT_FALSE(dev.ReadString("o", value));
    EXPECT_EQ(value, "") << "a failed read must not hand out the refusal's text";
    EXPECT_EQ(device.requests.size(), 8u);
}

TEST_F(DeviceTest, UndecodedAndExtendedSendsHonourTheirOptions)
{
    Reply("\r\nOK\r\n");
    std::string answer;
    EXPECT_TRUE(dev.SendCommand("AS\"24/05/17,13:45:10+00\"", answer, 5'000, false));
    EXPECT_EQ(answer, "\r\nOK\r\n");
    Reply("NOK\r\n");
    EXPECT_FALSE(dev.SendCommand("AS", answer, 5'000, false));
    EXPECT_EQ(answer, "NOK\r\n");
    Reply("OK\r\n");
    comm.ClearRecord();
    log.entries.clear();
    answer = "kept";
    EXPECT_FALSE(dev.SendCommandEx("v", answer, 0, false, 0, true, true));
    EXPECT_EQ(answer, "kept");
    EXPECT_TRUE(dev.SendCommandEx("CABLE CONNECT", answer, 10'000, true, 3, false, false));
    EXPECT_EQ(comm.Written(), "CABLE CONNECT\r");
    EXPECT_TRUE(log.entries.empty());
}

TEST_F(DeviceTest, ReadIntegerTakesOnlyAWholeNumberTheVersionMarkIsExactAndWriteHexPadsInCapitals)
{
    int value = 7;
    Reply(">1A\r\nOK\r\n");
    EXPECT_TRUE(dev.ReadInteger("X", value, true));
    EXPECT_EQ(value, 26);
    value = 7;
    const std::pair<const char*, bool> bad[] = {{">12abc\r\nOK", false}, {">1A\r\nOK", false},
                                                {">99999999999\r\nOK", false}, {">1G\r\nOK", true},
                                                {">-1\r\nOK", true}, {">0x1\r\nOK", true}};
    for (const auto& [reply, hex] : bad) {
        Reply(reply);
        EXPECT_FALSE(dev.ReadInteger("X", value, hex)) << reply;
        EXPECT_EQ(value, 7) << reply;
    }
    EXPECT_TRUE(dev.IsSupportedVersion("xx REV 11.005.120"));
    EXPECT_FALSE(dev.IsSupportedVersion("rev 11.005.120"));
    EXPECT_FALSE(dev.IsSupportedVersion("REV 12.000.010"));
    Reply("OK\r\n");
    comm.ClearRecord();
    EXPECT_TRUE(dev.WriteHex("timegpres", 90, 4, "") && dev.WriteByte("X", 0xab, "") && dev.WriteHex("n0", 0x12345, 2, "3"));
    EXPECT_EQ(comm.Written(), "+timegpres005A\r+XAB\r+n0312345\r");
}

TEST_F(DeviceTest, TextTravelsAsWindows1251AndWhatItCannotCarryIsNotSent)
{
    script = [](const std::string& request) {
        return request == "+GAPN0\xD2\xE5\xF1\xF2" ? std::string("OK\r\n") : ">\xCF\xF0\xE8\xE2\xE5\xF2\r\nOK\r\n";
    };
    EXPECT_TRUE(dev.Execute("GAPN0Тест"));
    std::string value;
    EXPECT_TRUE(dev.ReadString("GAPN0", value));
    EXPECT_EQ(value, "Привет");
    EXPECT_EQ(log.entries.back().text, ">Привет\r\nOK\r\n");
    comm.ClearRecord();
    EXPECT_FALSE(dev.Execute("GAPN0日本"));
    EXPECT_TRUE(comm.Written().empty());
    EXPECT_EQ(log.entries.back().kind, testsupport::RecordingLog::Kind::Error);
}

// What each kind of exchange takes for its answer; anything else is retried and, on every attempt, a
// failure of its own kind.
struct AcceptCase {
    const char* name;
    const char* reply;
    bool write;       // a write ("OK" alone), else a read of a four-digit hexadecimal value
    bool ok;
    const char* value;  // the value a read hands out
    int attempts;
    TFailure failure;
};

const AcceptCase kAccepts[] = {
    {"ReadValue", ">12AB\r\nOK\r\n", false, true, "12AB", 1, TFailure::None},
    {"ReadValueTwiceCountsOnce", ">12AB\r\nOK\r\n>12AB\r\nOK\r\n", false, true, "12AB", 1, TFailure::None},
    {"ReadBareOk", "OK\r\n", false, false, "", 3, TFailure::DoesNotFit},
    {"ReadByteLost", ">12A\r\nOK\r\n", false, false, "", 3, TFailure::DoesNotFit},
    {"ReadNoiseInside", ">1\x05""2AB\r\nOK\r\n", false, false, "", 3, TFailure::DoesNotFit},
    {"ReadNoiseBefore", "\x13>12AB\r\nOK\r\n", false, false, "", 3, TFailure::DoesNotFit},
    {"ReadFrameTwice", ">>12AB\r\nOK\r\n", false, false, "", 3, TFailure::DoesNotFit},
    {"ReadLineOfNoise", "\x13\r\n>12AB\r\nOK\r\n", false, false, "", 3, TFailure::DoesNotFit},
    {"WriteOk", "OK\r\n", true, true, "", 1, TFailure::None},
    {"WriteNoise", "\x13\r\nOK\r\n", true, false, "", 3, TFailure::DoesNotFit},
    {"WriteAnsweredWithValueIsNotRetried", ">12AB\r\nOK\r\n", true, false, "", 1, TFailure::AnsweredWithValue},
};

class Accepting : public DeviceTest, public ::testing::WithParamInterface<AcceptCase> {};

TEST_P(Accepting, OnlyAnAnswerOfTheRequestsFormCounts)
{
    const AcceptCase& c = GetParam();
    Reply(c.reply);
    std::string value = "stale";
    const bool ok = c.write ? dev.Execute("o1234") : dev.ReadString("o", value, "H{4}");
    EXPECT_EQ(ok, c.ok);
    if (!c.write) {
        EXPECT_EQ(value, c.value);
    }
    EXPECT_EQ(static_cast<int>(device.requests.size()), c.attempts);
    EXPECT_EQ(dev.LastFailure(), c.failure);
}

INSTANTIATE_TEST_SUITE_P(Replies, Accepting, ::testing::ValuesIn(kAccepts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
