#include "platform/Clock.h"

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

}  // namespace platform
