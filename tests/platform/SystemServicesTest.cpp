// The small services every system gives alike: calendar time, the environment, paths from text, the
// real clock.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/CalendarTime.h"
#include "platform/Clock.h"
#include "platform/Environment.h"
#include "platform/PathText.h"

TEST(CalendarTime, UtcFieldsAndTheirMomentAreInverseAndCarryOver)
{
    const std::tm epoch = platform::UtcTime(0);
    EXPECT_EQ(epoch.tm_year, 70);
    EXPECT_EQ(epoch.tm_mday, 1);
    // 2024-05-17 13:45:10 UTC, the simulated device's start.
    const std::time_t moment = 1'715'953'510;
    const std::tm fields = platform::UtcTime(moment);
    EXPECT_EQ(fields.tm_year, 124);
    EXPECT_EQ(fields.tm_mon, 4);
    EXPECT_EQ(fields.tm_hour, 13);
    EXPECT_EQ(platform::FromUtcTime(fields), moment);
    std::tm late = fields;
    late.tm_sec += 60 * 60 * 11;  // past midnight: the next day
    EXPECT_EQ(platform::UtcTime(platform::FromUtcTime(late)).tm_mday, 18);
    // Local time differs from UTC by whole quarter hours, whatever the zone.
    const std::tm local = platform::LocalTime(moment);
    EXPECT_EQ(local.tm_sec, fields.tm_sec);
    EXPECT_EQ((platform::FromUtcTime(local) - moment) % 900, 0);
}

TEST(Environment, SetsEmptiesAndRemovesAVariableInUtf8)
{
    const std::string name = "SORVEL_TEST_VARIABLE";
    platform::SetEnvironmentValue(name, "папка с пробелом");
    EXPECT_EQ(platform::EnvironmentValue(name), "папка с пробелом");
    platform::SetEnvironmentValue(name, "");
    EXPECT_EQ(platform::EnvironmentValue(name), "");
    platform::SetEnvironmentValue(name, std::nullopt);
    EXPECT_EQ(platform::EnvironmentValue(name), std::nullopt);
}

TEST(PathText, CyrillicNamesCrossUnchanged)
{
    const std::string name = "Настройки/current.ini";
    const std::filesystem::path path = platform::PathFromUtf8(name);
    EXPECT_EQ(platform::PathToUtf8(path.filename()), "current.ini");
    EXPECT_EQ(platform::PathToUtf8(path.parent_path()), "Настройки");
    EXPECT_EQ(platform::PathToUtf8(path), name);
}

TEST(SteadyClock, AdvancesByTheRealTimeOfAPause)
{
    platform::SteadyClock clock;
    const std::uint64_t start = clock.NowMs();
    clock.Pause(30);
    const std::uint64_t elapsed = clock.ElapsedSince(start);
    EXPECT_GE(elapsed, 29u);  // a millisecond boundary may fall just inside the pause
    EXPECT_LT(elapsed, 1000u);
    EXPECT_TRUE(clock.Pause(1000, [](std::uint32_t realMs) { return realMs == 1000; }));
}
