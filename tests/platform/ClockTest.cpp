#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Deadline, PassesOnlyOnceTheElapsedTimeExceedsTheLimit)
{
    const struct {
        std::int64_t limit;
        std::uint64_t advance;
        bool expired;
        std::uint64_t remaining;
    } cases[] = {
        {0, 0, false, 1}, {0, 1, true, 0}, {-5, 0, false, 1}, {100, 100, false, 1}, {100, 101, true, 0}, {100, 40, false, 61},
    };
    for (const auto& c : cases) {
        platform::ManualClock clock;
        const platform::Deadline deadline(clock, c.limit);
        clock.Advance(c.advance);
        EXPECT_EQ(deadline.Expired(), c.expired) << c.limit << " " << c.advance;
        EXPECT_EQ(deadline.Remaining(), c.remaining) << c.limit << " " << c.advance;
    }
}

TEST(PollUntil, LooksOnceMoreAfterTheLastPauseAndNeverPausesPastTheLimit)
{
    platform::ManualClock clock;
    std::vector<std::uint64_t> looks;
    int idles = 0;
    const platform::Deadline deadline(clock, 50);
    const bool done = platform::PollUntil(
        deadline, 20, [&] { looks.push_back(deadline.Elapsed()); return false; }, {}, [&] { ++idles; });
    EXPECT_FALSE(done);
    EXPECT_EQ(looks, (std::vector<std::uint64_t>{0, 20, 40, 51}));
    EXPECT_EQ(idles, 3);

    const platform::Deadline none(clock, 0);
    int count = 0;
    EXPECT_TRUE(platform::PollUntil(none, 20, [&] { return ++count == 2; }));
    EXPECT_EQ(count, 2) << "a zero limit still looks, and once more after its one pause";
}

}  // namespace
