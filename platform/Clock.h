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

// A time limit on a clock. It has passed once the whole milliseconds elapsed since it was set exceed the
// limit (strictly): a limit of 0 still allows a look at 0 ms. Every wait of the program ends by this rule.
class Deadline {
public:
    // A negative limit counts as 0.
    Deadline(Clock& clock, std::int64_t limitMs);

    Clock& GetClock() const { return *clock_; }
    std::uint64_t LimitMs() const { return limit_; }
    std::uint64_t Elapsed() const { return clock_->ElapsedSince(start_); }
    bool Expired() const { return Elapsed() > limit_; }
    // How long a pause may last so that it ends no later than the first millisecond past the limit;
    // 0 once the limit has passed.
    std::uint64_t Remaining() const;
    // Pauses for at most maxMs and never past the limit; true when `ready` reported input first.
    bool Pause(std::uint32_t maxMs, const Clock::ReadyProbe& ready = {}) const;

private:
    Clock* clock_;
    std::uint64_t start_;
    std::uint64_t limit_;
};

// The one wait loop of the program. Runs `look` until it reports done or the deadline has passed; between
// looks `idle` runs (window events, where a wait must keep them alive) and then a pause of at most pollMs,
// ended early when `ready` reports input. Whether the deadline has passed is noted before each look, so the
// look that follows the last pause still runs: a zero limit looks once, and what came during the last
// pause is not missed. True when a look reported done; false when the time ran out. Exceptions of `look`,
// `idle` and `ready` pass to the caller.
bool PollUntil(const Deadline& deadline, std::uint32_t pollMs, const std::function<bool()>& look,
               const Clock::ReadyProbe& ready = {}, const std::function<void()>& idle = {});
// The same with a pause that the loop asks for before each pause (a wait that listens for a short while
// pauses no longer than that).
bool PollUntil(const Deadline& deadline, const std::function<std::uint32_t()>& pollMs,
               const std::function<bool()>& look, const Clock::ReadyProbe& ready = {},
               const std::function<void()>& idle = {});

}  // namespace platform
