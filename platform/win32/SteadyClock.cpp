#include "platform/Clock.h"

#include <windows.h>
#include <mmsystem.h>

namespace platform {
namespace {

// The performance counter's ticks per second; 0 where the system has no such counter.
std::uint64_t CounterFrequency()
{
    static const std::uint64_t frequency = [] {
        LARGE_INTEGER f{};
        return ::QueryPerformanceFrequency(&f) ? static_cast<std::uint64_t>(f.QuadPart) : 0;
    }();
    return frequency;
}

// Windows' scheduler ticks every 15.6 ms unless asked for finer: a 20 ms poll would last 31 ms. The
// finer tick is asked for once, for the program's life, when the first pause runs.
void FineSchedulerTicks()
{
    struct FineTicks {
        FineTicks() { ::timeBeginPeriod(1); }
        ~FineTicks() { ::timeEndPeriod(1); }
    };
    static const FineTicks ticks;
}

}  // namespace

std::uint64_t SteadyClock::NowMs() const
{
    const std::uint64_t frequency = CounterFrequency();
    if (frequency == 0) return ::GetTickCount64();
    // On every system since XP the counter cannot fail once its frequency was given.
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    const auto ticks = static_cast<std::uint64_t>(counter.QuadPart);
    // Whole seconds and the rest apart, so that the product cannot overflow however long the system runs.
    return ticks / frequency * 1000 + ticks % frequency * 1000 / frequency;
}

bool SteadyClock::Pause(std::uint32_t ms, const ReadyProbe& ready)
{
    FineSchedulerTicks();
    if (ready) return ready(ms);
    ::Sleep(ms);
    return false;
}

}  // namespace platform
