#include "link/SmallRoutines.h"

#include "link/MyExceptions.h"
#include "platform/Clock.h"
#include "platform/Environment.h"
#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

TEST(AppFolder, EndsInTheSeparator)
{
    const std::optional<std::string> kept = platform::EnvironmentValue(platform::kProgramFolderVariable);
#ifdef _WIN32
    const auto folders = {std::pair("C:\\Sorvel", "C:\\Sorvel\\"), std::pair("C:\\", "C:\\")};
#else
    const auto folders = {std::pair("/opt/sorvel", "/opt/sorvel/"), std::pair("/", "/")};
#endif
    for (const auto& [folder, expected] : folders) {
        platform::SetEnvironmentValue(platform::kProgramFolderVariable, folder);
        EXPECT_EQ(AppFolder(), expected);
    }
    platform::SetEnvironmentValue(platform::kProgramFolderVariable, kept);
}

TEST(Delay, WaitsAtLeastTheTimePumpingEventsWhoseTimeCountsAndACancelEndsIt)
{
    platform::ManualClock clock;
    int pumped = 0;
    const auto start = clock.NowMs();
    Delay(100, [&] { ++pumped; }, clock);
    EXPECT_GE(clock.NowMs() - start, 100u);
    EXPECT_LE(clock.NowMs() - start, 103u);
    EXPECT_GE(pumped, 100);
    pumped = 0;
    Delay(0, [&] { ++pumped; }, clock);
    EXPECT_GE(pumped, 1);
    EXPECT_LE(pumped, 3);
    pumped = 0;
    Delay(100, [&] { ++pumped; clock.Advance(40); }, clock);
    EXPECT_LE(pumped, 4);
    const auto cancel = clock.NowMs();
    EXPECT_THROW(Delay(10'000, [&] { if (clock.NowMs() - cancel >= 50) throw TStopException(); }, clock),
                 TStopException);
    EXPECT_LT(clock.NowMs() - cancel, 100u);
}

TEST(DelayWithTick, StepsOncePerPeriodAndOncePerRoundWhenEventsAreSlow)
{
    platform::ManualClock clock;
    int position = 0;
    DelayWithTick(100, [&] { ++position; }, 10, {}, clock);
    EXPECT_EQ(position, 10);
    position = 0;
    DelayWithTick(50, [&] { ++position; }, 200, {}, clock);
    EXPECT_EQ(position, 0);
    DelayWithTick(100, [&] { ++position; }, 10, [&] { clock.Advance(25); }, clock);
    // Rounds measure 0, 26, 52, 78 and then 104, which ends the wait: a step in each after the first.
    EXPECT_EQ(position, 3);
}

TEST(DurationToText, ShowsOnlyTheUnitsThatMatter)
{
    const std::pair<unsigned, const char*> rows[] = {
        {59, "59 сек "}, {3600, "1 ч 0 мин 0 сек "}, {86400, "1 сут 0 ч 0 мин 0 сек "},
        {90061, "1 сут 1 ч 1 мин 1 сек "}, {4294967295u, "49710 сут 6 ч 28 мин 15 сек "}};
    for (const auto& [seconds, text] : rows) EXPECT_EQ(DurationToText(seconds), text);
}

TEST(BitStrings, MostSignificantFirst)
{
    EXPECT_EQ(BitStringToByte("1x1"), 5);
    EXPECT_EQ(BitStringToByte("1я1"), 5);                  // one character, however many bytes
    EXPECT_EQ(BitStringToByte(std::string(40, '1')), -1);  // wraps, never overflows
    EXPECT_EQ(ByteToBitString(0x1A5), "10100101");
    EXPECT_EQ(ByteToBitString(-1), "11111111");
    for (int b = 0; b < 256; ++b) EXPECT_EQ(BitStringToByte(ByteToBitString(b)), b);
}
