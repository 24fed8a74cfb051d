#include "link/SmallRoutines.h"

#include "link/MyExceptions.h"
#include "platform/Clock.h"
#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

class ProgramFolderVariable {
public:
    explicit ProgramFolderVariable(const char* value)
    {
        if (const char* old = std::getenv(platform::kProgramFolderVariable)) old_ = old;
        ::setenv(platform::kProgramFolderVariable, value, 1);
    }
    ~ProgramFolderVariable()
    {
        if (old_) ::setenv(platform::kProgramFolderVariable, old_->c_str(), 1);
        else ::unsetenv(platform::kProgramFolderVariable);
    }

private:
    std::optional<std::string> old_;
};

}  // namespace

TEST(AppFolder, EndsInTheSeparator)
{
    {
        const ProgramFolderVariable folder("/opt/sorvel");
        EXPECT_EQ(AppFolder(), "/opt/sorvel/");
    }
    {
        const ProgramFolderVariable folder("/opt/sorvel/");
        EXPECT_EQ(AppFolder(), "/opt/sorvel/");
    }
    {
        const ProgramFolderVariable folder("/");
        EXPECT_EQ(AppFolder(), "/");
    }
}

TEST(Delay, WaitsAtLeastTheTimeAndPumpsEvents)
{
    platform::ManualClock clock;
    int pumped = 0;
    const auto start = clock.NowMs();
    Delay(100, [&] { ++pumped; }, clock);
    const auto elapsed = clock.NowMs() - start;
    EXPECT_GE(elapsed, 100u);
    EXPECT_LE(elapsed, 103u);
    EXPECT_GE(pumped, 100);
}

TEST(Delay, ZeroStillLetsEventsRun)
{
    platform::ManualClock clock;
    int pumped = 0;
    Delay(0, [&] { ++pumped; }, clock);
    EXPECT_GE(pumped, 1);
    EXPECT_LE(pumped, 3);
}

TEST(Delay, CountsTheTimeTheEventsTook)
{
    platform::ManualClock clock;
    int pumped = 0;
    Delay(100, [&] { ++pumped; clock.Advance(40); }, clock);
    EXPECT_LE(pumped, 4);
}

TEST(Delay, ACancelInsideTheEventsEndsIt)
{
    platform::ManualClock clock;
    const auto start = clock.NowMs();
    EXPECT_THROW(Delay(10'000, [&] { if (clock.NowMs() - start >= 50) throw TStopException(); }, clock),
                 TStopException);
    EXPECT_LT(clock.NowMs() - start, 100u);
}

TEST(Delay, RunsWithoutAnEventPump)
{
    platform::ManualClock clock;
    const auto start = clock.NowMs();
    Delay(20, {}, clock);
    EXPECT_GE(clock.NowMs() - start, 20u);
}

TEST(DelayWithTick, StepsOncePerPeriod)
{
    platform::ManualClock clock;
    int position = 0;
    int pumped = 0;
    DelayWithTick(100, [&] { ++position; }, 10, [&] { ++pumped; }, clock);
    EXPECT_EQ(position, 10);
    EXPECT_GT(pumped, 0);
}

TEST(DelayWithTick, NoStepBeforeTheFirstPeriodEnds)
{
    platform::ManualClock clock;
    int position = 0;
    DelayWithTick(50, [&] { ++position; }, 200, {}, clock);
    EXPECT_EQ(position, 0);
}

TEST(DelayWithTick, SlowEventsStillStepOncePerRound)
{
    platform::ManualClock clock;
    int position = 0;
    DelayWithTick(100, [&] { ++position; }, 10, [&] { clock.Advance(25); }, clock);
    // Rounds measure 0, 26, 52, 78, 104: each after the first is at least a period past the last step.
    EXPECT_EQ(position, 3);
}

TEST(DurationToText, ShowsOnlyTheUnitsThatMatter)
{
    EXPECT_EQ(DurationToText(0), "0 сек ");
    EXPECT_EQ(DurationToText(59), "59 сек ");
    EXPECT_EQ(DurationToText(60), "1 мин 0 сек ");
    EXPECT_EQ(DurationToText(3600), "1 ч 0 мин 0 сек ");
    EXPECT_EQ(DurationToText(3661), "1 ч 1 мин 1 сек ");
    EXPECT_EQ(DurationToText(86400), "1 сут 0 ч 0 мин 0 сек ");
    EXPECT_EQ(DurationToText(90061), "1 сут 1 ч 1 мин 1 сек ");
    EXPECT_EQ(DurationToText(4294967295u), "49710 сут 6 ч 28 мин 15 сек ");
}

TEST(BitStrings, ReadMostSignificantFirst)
{
    EXPECT_EQ(BitStringToByte("101"), 5);
    EXPECT_EQ(BitStringToByte(""), 0);
    EXPECT_EQ(BitStringToByte("11111111"), 255);
    EXPECT_EQ(BitStringToByte("1x1"), 5);
    EXPECT_EQ(BitStringToByte("1я1"), 5);  // one character, however many bytes
    EXPECT_EQ(BitStringToByte(std::string(40, '1')), -1);  // wraps, never overflows
}

TEST(BitStrings, WriteTheLowByte)
{
    EXPECT_EQ(ByteToBitString(5), "00000101");
    EXPECT_EQ(ByteToBitString(0), "00000000");
    EXPECT_EQ(ByteToBitString(0x1A5), "10100101");
    EXPECT_EQ(ByteToBitString(-1), "11111111");
    for (int b = 0; b < 256; ++b) EXPECT_EQ(BitStringToByte(ByteToBitString(b)), b);
}
