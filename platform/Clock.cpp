#include "platform/Clock.h"

#include <algorithm>
#include <thread>

namespace platform {

bool ManualClock::Pause(std::uint32_t ms, const ReadyProbe& ready)
{
    // The probe gets the pause's length in real time too (at most a poll slice): a peer thread that
    // answers (the simulator) must be given time to run even on a loaded machine, or a test would see a
    // time-out that a real line would not have. Silence still costs only that much real time per pause.
    if (ready && ready(std::min<std::uint32_t>(ms, kRealSliceMs))) return true;
    if (!ready) std::this_thread::yield();
    now_ += ms;
    return false;
}

Deadline::Deadline(Clock& clock, std::int64_t limitMs)
    : clock_(&clock), start_(clock.NowMs()), limit_(static_cast<std::uint64_t>(std::max<std::int64_t>(limitMs, 0)))
{
}

std::uint64_t Deadline::Remaining() const
{
    const std::uint64_t elapsed = Elapsed();
    return elapsed > limit_ ? 0 : limit_ - elapsed + 1;
}

bool Deadline::Pause(std::uint32_t maxMs, const Clock::ReadyProbe& ready) const
{
    const auto ms = static_cast<std::uint32_t>(std::min<std::uint64_t>(maxMs, Remaining()));
    return ms > 0 && clock_->Pause(ms, ready);
}

bool PollUntil(const Deadline& deadline, const std::function<std::uint32_t()>& pollMs,
               const std::function<bool()>& look, const Clock::ReadyProbe& ready, const std::function<void()>& idle)
{
    for (;;) {
        const bool expired = deadline.Expired();
        if (look()) return true;
        if (expired) return false;
        if (idle) idle();
        deadline.Pause(std::max<std::uint32_t>(pollMs(), 1), ready);
    }
}

bool PollUntil(const Deadline& deadline, std::uint32_t pollMs, const std::function<bool()>& look,
               const Clock::ReadyProbe& ready, const std::function<void()>& idle)
{
    return PollUntil(deadline, [pollMs] { return pollMs; }, look, ready, idle);
}

Clock& SystemClock()
{
    static SteadyClock clock;
    return clock;
}

}  // namespace platform
