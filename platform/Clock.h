#pragma once
// Monotonic time and pauses behind one interface, so that tests move time instead of sleeping through
// time-outs. Production code takes a Clock& and defaults to SystemClock().
#include <atomic>
#include <cstdint>
#include <functional>

namespace platform {

class Clock {
public:
    // Polls a condition for at most the given number of real milliseconds; true when it became ready.
    using ReadyProbe = std::function<bool(std::uint32_t realMs)>;

    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; never goes backwards.
    virtual std::uint64_t NowMs() const = 0;
    // Pauses for up to ms. With a probe, returns true as soon as the probe reports ready (a probe may
    // block on a descriptor for the real milliseconds it is given); false when the pause ran out.
    virtual bool Pause(std::uint32_t ms, const ReadyProbe& ready = {}) = 0;

    void SleepMs(std::uint32_t ms) { Pause(ms); }
    // Whole milliseconds since start on this clock.
    std::uint64_t ElapsedSince(std::uint64_t start) const { return NowMs() - start; }
};

// Real time: std::chrono::steady_clock; Pause sleeps or blocks in the probe.
class SteadyClock final : public Clock {
public:
    std::uint64_t NowMs() const override;
    bool Pause(std::uint32_t ms, const ReadyProbe& ready = {}) override;
};

// Time that moves only when told: Advance(), or a Pause that runs out (it adds its whole length at once).
// A probe is still given the pause in real time, up to kRealSliceMs, so a peer thread (the simulator) can
// answer on a busy machine.
class ManualClock final : public Clock {
public:
    explicit ManualClock(std::uint64_t startMs = 1'000'000) : now_(startMs) {}
    std::uint64_t NowMs() const override { return now_.load(); }
    bool Pause(std::uint32_t ms, const ReadyProbe& ready = {}) override;
    void Advance(std::uint64_t ms) { now_ += ms; }
    static constexpr std::uint32_t kRealSliceMs = 20;

private:
    std::atomic<std::uint64_t> now_;
};

// The process-wide real clock.
Clock& SystemClock();

}  // namespace platform
