#include "platform/Clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace platform {

std::uint64_t SteadyClock::NowMs() const
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool SteadyClock::Pause(std::uint32_t ms, const ReadyProbe& ready)
{
    if (ready) return ready(ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return false;
}

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

Clock& SystemClock()
{
    static SteadyClock clock;
    return clock;
}

}  // namespace platform
