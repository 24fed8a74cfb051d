#include "link/ReplyReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

enum Kind { Device, Login, Modem, Any, EchoedDevice, EchoedLogin, Repeating, RepeatingLogin };

TReplyRule Rule(Kind kind)
{
    const TReplyRule rules[] = {{.Terminators = {"OK"}}, {.Terminators = {"\r"}},
                                {.Terminators = {"CONNECT"}, .ErrorEnds = true},
                                {.Terminators = {"RING", "OK"}, .DropNok = false},
                                {.Terminators = {"OK"}, .Echo = "+o"}, {.Terminators = {"\r"}, .Echo = "+id5816"},
                                {.Terminators = {"OK"}, .Repeats = true}, {.Terminators = {"\r"}, .Repeats = true}};
    return rules[kind];
}

constexpr std::uint64_t kGap = 20;     // an adapter's gap between two chunks
constexpr std::uint64_t kQuiet = 100;  // the rule's defaults
constexpr std::uint64_t kBreak = 50;

struct Case {
    const char* name;
    Kind kind;
    std::string text;
    std::uint64_t silentMs;
    TReplyState state;
    std::size_t echoed = 0;  // characters of an echo at the start, taken out of the answer
};

const std::vector<Case> kCases{
    {"ValueReply", Device, ">0050\r\nOK\r\n", 0, TReplyState::Whole},
    {"ClosingLfStillOnTheWay", Device, ">0050\r\nOK\r", kGap, TReplyState::Open},
    {"CrAloneAfterSilence", Device, ">0050\r\nOK\r", kBreak, TReplyState::Whole},
    {"SmallLetters", Device, ">1F\r\nok\r\n", 0, TReplyState::Whole},
    {"ValueHoldingOkIsWhole", Device, ">internet.book.ru\r\nOK\r\n", 0, TReplyState::Whole},
    {"ValueInCapitals", Device, ">BOOK\r\nOK\r\n", 0, TReplyState::Whole},
    {"NoLineBreakNeedsQuiet", Device, ">12\r\nOK", kQuiet - 1, TReplyState::Open},
    {"NoLineBreakAfterQuiet", Device, ">12\r\nOK", kQuiet, TReplyState::Whole},
    {"NoLineBreakAfterAValueHoldingOk", Device, ">BOOK", 10 * kQuiet, TReplyState::Open},
    {"DevicePausingAfterALine", Device, ">facebook\r\n", 10 * kQuiet, TReplyState::Open},
    {"EchoFirst", EchoedDevice, "+o\r>0050\r\nOK\r\n", 0, TReplyState::Whole, 3},
    {"EchoNeverEndsTheLogin", EchoedLogin, "+id5816\r\n", kQuiet, TReplyState::Open, 8},
    {"LoginAfterItsEcho", EchoedLogin, "+id5816\rOK\r\n", 0, TReplyState::Whole, 8},
    {"LeadingLineBreaks", Device, "\n\r\nOK\r\n\r\n", 0, TReplyState::Whole},
    {"RefusalRunsOn", Device, "NOK\r\n", kQuiet, TReplyState::Open},
    {"RefusalFormedByRemoval", Device, "NNOKOK", kQuiet, TReplyState::Open},
    {"RefusalThenOk", Device, "NOK\r\nOK\r\n", 0, TReplyState::MoreThanOne},
    {"TwoRefusals", Device, "NOK\r\nNOK\r\n", 0, TReplyState::MoreThanOne},
    {"LateReplyThenOwn", Device, "OK\r\n>0050\r\nOK\r\n", 0, TReplyState::MoreThanOne},
    {"TextAfterTheEnd", Device, "OK\r\n>00", 0, TReplyState::MoreThanOne},
    {"LoginSkipsEarlierLineBreaks", Login, "\r\n", kQuiet, TReplyState::Open},
    {"LoginReply", Login, "\r\nOK\r\n", 0, TReplyState::Whole},
    {"LoginRefused", Login, "NOK\r\n", 0, TReplyState::Whole},
    {"LoginAndAnother", Login, "OK\r\nOK\r\n", 0, TReplyState::MoreThanOne},
    {"ConnectWithSpeed", Modem, "ATD 5551234\r\r\nCONNECT 9600\r\n", 0, TReplyState::Whole},
    {"ModemError", Modem, "AT\r\r\nERROR\r\n", 0, TReplyState::Error},
    {"ModemErrorWithoutBreak", Modem, "\r\n+CME ERROR: 3", kQuiet, TReplyState::Error},
    {"AnyOfSeveral", Any, "\r\nRING\r\n", 0, TReplyState::Whole},
    {"AnyTakesNoRefusal", Any, "NOK\r\nOK\r\n", 0, TReplyState::Whole},
    {"CopyCountsOnce", Repeating, ">0050\r\nOK\r\n>0050\r\nOK\r\n", 0, TReplyState::Whole},
    {"CopyStillComing", Repeating, ">0050\r\nOK\r\n>00", kGap, TReplyState::Open},
    {"CopyCutShort", Repeating, ">0050\r\nOK\r\n>00", kQuiet, TReplyState::MoreThanOne},
    {"CopysLfStillOnTheWay", Repeating, ">0050\r\nOK\r\n>0050\r\nOK\r", kGap, TReplyState::Open},
    {"AnotherReplyIsNoCopy", Repeating, ">0050\r\nOK\r\n>0051\r\nOK\r\n", 0, TReplyState::MoreThanOne},
    {"RefusalIsNoCopy", Repeating, "OK\r\nNOK\r\n", 0, TReplyState::MoreThanOne},
    {"LoginTwice", RepeatingLogin, "OK\r\nOK\r\n", 0, TReplyState::Whole},
};

class ReplyRule : public ::testing::TestWithParam<Case> {};

TEST_P(ReplyRule, EndsAsTheRuleSaysInWholeOrByteByByte)
{
    const Case& c = GetParam();
    TReplyReader whole(Rule(c.kind));
    whole.Add(c.text);
    EXPECT_EQ(whole.State(c.silentMs), c.state);
    EXPECT_EQ(whole.Text(), c.text.substr(c.echoed));
    TReplyReader bytes(Rule(c.kind));
    for (const char b : c.text) bytes.Add(std::string(1, b));
    EXPECT_EQ(bytes.State(c.silentMs), c.state) << "chunks must not matter";
}

INSTANTIATE_TEST_SUITE_P(Replies, ReplyRule, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReplyReader, TellsARefusalAndAnAnswerFromSilence)
{
    TReplyReader reader(Rule(Device));
    reader.Add(">00\r\n");
    EXPECT_FALSE(reader.Answered());
    reader.Add("NOK\r\n");
    EXPECT_TRUE(reader.Refused());
    EXPECT_TRUE(reader.Answered());
    EXPECT_TRUE(HoldsTerminatorIgnoringNok("NOK\r\nOK\r\n", "ok"));
    EXPECT_FALSE(HoldsTerminatorIgnoringNok("NNOKOK", "OK"));  // the removal forms another NOK
}

}  // namespace
