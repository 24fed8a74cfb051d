#include "link/SmallRoutines.h"

#include "platform/PathText.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"

namespace {

void Pump(const EventPump& pump)
{
    if (pump) pump();
}

// The common loop of both delays; onRound runs each round with the time measured in the round before.
template <typename OnRound>
void RunDelay(std::uint64_t start, std::uint32_t ms, const EventPump& pump, platform::Clock& clock,
              OnRound onRound)
{
    std::uint64_t last = start;
    while (last - start <= ms) {
        onRound(last);
        last = clock.NowMs();
        Pump(pump);
        clock.SleepMs(1);
    }
}

}  // namespace

std::string AppFolder()
{
    std::string folder = platform::PathToUtf8(platform::ProgramFolder());
    constexpr auto separator = static_cast<char>(std::filesystem::path::preferred_separator);
    if (folder.empty() || (folder.back() != '/' && folder.back() != separator)) folder.push_back(separator);
    return folder;
}

void Delay(std::uint32_t Ms, const EventPump& pump, platform::Clock& clock)
{
    RunDelay(clock.NowMs(), Ms, pump, clock, [](std::uint64_t) {});
}

void DelayWithTick(std::uint32_t Ms, const ProgressStep& step, int PeriodMs, const EventPump& pump,
                   platform::Clock& clock)
{
    const std::uint64_t start = clock.NowMs();
    std::uint64_t lastStep = start;
    RunDelay(start, Ms, pump, clock, [&](std::uint64_t last) {
        const auto period = static_cast<std::int64_t>(PeriodMs);
        if (static_cast<std::int64_t>(last - lastStep) >= period) {
            lastStep = last;
            if (step) step();
        }
    });
}

std::string DurationToText(std::uint32_t Seconds)
{
    const std::uint32_t days = Seconds / 86400;
    const std::uint32_t hours = Seconds % 86400 / 3600;
    const std::uint32_t minutes = Seconds % 3600 / 60;
    const std::uint32_t seconds = Seconds % 60;
    std::string text;
    if (days > 0) text += std::to_string(days) + " сут ";
    if (days > 0 || hours > 0) text += std::to_string(hours) + " ч ";
    if (days > 0 || hours > 0 || minutes > 0) text += std::to_string(minutes) + " мин ";
    text += std::to_string(seconds) + " сек ";
    return text;
}

int BitStringToByte(std::string_view S)
{
    // Unsigned arithmetic: a text longer than 32 characters wraps instead of overflowing.
    std::uint32_t value = 0;
    for (const char32_t c : platform::DecodeUtf8(S)) value = value * 2 + (c == U'1' ? 1 : 0);
    return static_cast<int>(value);
}

std::string ByteToBitString(int B)
{
    const auto byte = static_cast<unsigned>(B) & 0xFFu;
    std::string bits;
    for (int bit = 7; bit >= 0; --bit) bits.push_back((byte >> bit) & 1u ? '1' : '0');
    return bits;
}
