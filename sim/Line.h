#pragma once
// The simulated device's side of the serial line: a thread that reads the pseudo-terminal's master,
// cuts the byte stream into requests, asks a Responder for each reply and sends it back at the line's
// speed, bending the exchange with the faults a real line has. Tests set faults, speed and the
// disappearance of the device from their own thread; every setter is thread-safe.
//
// Timing is that of a UART: at a speed of N baud each byte takes 10/N s and is handed to the program
// once its time on the wire is over, so a reply trickles in byte by byte. What is random (garbage,
// chunk sizes and gaps, cut positions, late delays) is drawn from the line's seed: the same requests
// get the same faults in the same shape on every run.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sim/Pty.h"
#include "sim/Responder.h"

namespace sim {

enum class FaultKind {
    Silence,  // no reply at all
    Nok,      // "NOK\r\n" instead of the reply
    Garbage,  // `bytes` random bytes instead of the reply
    Split,    // the reply in chunks of `bytes` with `pause` between them
    Late,     // the reply after `pause`
    Echo,     // the request and its CR first, then the reply
    Vanish,   // the first `bytes` of the reply, then the master is closed
    Chunks,   // the reply in irregular chunks of 1..`bytes` bytes (16 when 0), each after a gap of up to
              // `pause`, as a USB adapter passes a line's bytes on
    SplitAt,  // the reply cut once after its first `bytes` bytes (0: a place drawn from the seed), the
              // second part `pause` after the first
    LateUpTo, // the reply after a delay drawn between 0 and `pause`
    Twice,    // the reply, then the same reply again: at once in one transmission, or `pause` after it
    Pause,    // the reply held back for `pause` right after its value, before the line break of its last line
    Lost,     // one byte of the reply's value line lost (of its first line when it has no value)
    Corrupt,  // a noise byte (a control character) in place of one byte of the value line, or added to it
    Noise,    // `bytes` noise bytes (control characters or ">") before the reply
};

struct Fault {
    FaultKind kind = FaultKind::Silence;
    std::size_t bytes = 0;
    std::chrono::milliseconds pause{0};
    bool operator==(const Fault&) const = default;
};

// Part of a reply handed over at once.
struct Chunk {
    std::size_t size;
    std::chrono::steady_clock::duration gap;  // at least this long after the previous chunk; 0 for the first
    bool operator==(const Chunk&) const = default;
};

// What a line draws at random for the shape of its faults and chunks, in the order it needs them. A
// test that seeds its own dice as it seeds the line knows what the line will do.
class FaultDice {
public:
    explicit FaultDice(std::uint32_t seed) : random_(seed) {}
    // `count` bytes that hold no terminator, frame or line end.
    std::string Garbage(std::size_t count);
    // Chunks of 1..`maxBytes` bytes (at least 1) covering `total` bytes, gaps of 0..`maxGap`.
    std::vector<Chunk> Chunks(std::size_t total, std::size_t maxBytes, std::chrono::milliseconds maxGap);
    // Where to cut `total` bytes in two non-empty parts: 1..total-1 (total itself below 2).
    std::size_t Cut(std::size_t total);
    // 0..total-1 (0 when total is 0).
    std::size_t Place(std::size_t total);
    // A byte no value holds: a control character other than a line break; with `orFrame`, also ">".
    char NoiseByte(bool orFrame);
    bool Coin();
    // 0..`limit`, in whole milliseconds.
    std::chrono::milliseconds Delay(std::chrono::milliseconds limit);

private:
    std::mt19937 random_;
};

class Line {
public:
    using Predicate = std::function<bool(const std::string& request)>;
    // Takes the next whole request out of `pending` (bytes received, not yet answered), nullopt when
    // none is complete. The default cuts at CR and drops an LF that follows it.
    using Splitter = std::function<std::optional<std::string>(std::string& pending)>;

    static constexpr std::uint32_t kDefaultBaud = 19200;
    static constexpr std::uint32_t kDefaultSeed = 12345;

    Line(Pty& pty, Responder& responder);
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    // Bits per second on the wire (10 bits a byte); 0 sends every reply at once. 19200 by default.
    void SetLineSpeed(std::uint32_t baud);
    void SetSplitter(Splitter splitter);
    // A pseudo-terminal hands the device the program's bytes at once; a serial line takes their wire
    // time. With pacing on (and a speed set), the bytes received keep the line's pace too: a request is
    // answered only once its last byte would have arrived. Off by default.
    void SetRequestPacing(bool on);
    // Every reply and every unasked message reaches the program in chunks of 1..`maxBytes` bytes, each
    // after a gap of up to `maxGap` (never before its last byte's time on the wire is over); 0 bytes: off.
    void SetChunking(std::size_t maxBytes, std::chrono::milliseconds maxGap);
    // Seeds what the line draws at random for the shape of its faults and chunks (garbage bytes, sizes,
    // gaps, cut places, delays); the random choice of faults has its own seed (SetRandomFaults).
    void SetSeed(std::uint32_t seed);

    // The next `count` requests that start with `prefix` (or match) get the fault; count < 0: all of them.
    void AddFault(const std::string& prefix, Fault fault, int count = 1);
    void AddFault(Predicate match, Fault fault, int count = 1);
    // Each request, with the given probability, gets a fault drawn from `pool` (seeded, so repeatable).
    void SetRandomFaults(std::vector<Fault> pool, double probability, std::uint32_t seed);
    void ClearFaults();

    // Every request is sent back, with its CR, before whatever answers it: a line that hears itself.
    void SetEcho(bool on);
    // The device takes this long over every request before it answers (0: at once, the default).
    void SetAnswerDelay(std::chrono::milliseconds delay);
    // Random faults of this kind strike only requests that match (a fault a test can only be sure to see
    // on some requests).
    void SetRandomFilter(FaultKind kind, Predicate match);

    // Sends bytes unasked (a late or spontaneous message), paced like a reply.
    void Send(const std::string& bytes);
    // The device disappears: the master is closed. Returns once it is.
    void Vanish();
    // The device answers `requests` more requests, then disappears when the next one comes in.
    void VanishAfter(std::size_t requests);
    bool Vanished() const;

    // What the line received: whole requests (without their terminator) and every raw byte.
    std::vector<std::string> Requests() const;
    std::string ReceivedBytes() const;
    void ClearReceived();
    // Waits (real time) until at least `count` requests came in; false when `limit` passed first.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const;
    // Requests dealt with so far: answered, or met with their fault (a late reply counts once sent).
    std::size_t Answered() const;
    // Waits (real time) until at least `count` requests were dealt with, or the line vanished; false
    // when `limit` passed first. Lets a test see the device settled before it looks at its state.
    bool WaitForAnswers(std::size_t count, std::chrono::milliseconds limit) const;

private:
    struct Rule {
        Predicate match;
        Fault fault;
        int count;
    };
    struct RandomFaults {
        std::vector<Fault> pool;
        double probability = 0;
        std::mt19937 random;
    };
    // The reply with its value line bent by a Lost or Corrupt fault.
    std::string Bent(const std::string& reply, FaultKind kind);

    void Run();
    void Wake() const;
    void DrainWake() const;
    bool StopAsked() const;
    void HandleCommands();
    void ReadMaster();
    void Answer(const std::string& request);
    std::optional<Fault> TakeFault(const std::string& request);
    // Counts a request against VanishAfter; true when the device is to vanish at it.
    bool VanishesAt();
    // Draws from the line's dice under its lock (a test may reseed them meanwhile).
    template <typename Draw>
    auto Roll(Draw draw)
    {
        const std::lock_guard lock(mutex_);
        return draw(dice_);
    }
    // All return false when the line was stopped or vanished meanwhile.
    bool Transmit(const std::string& bytes);
    bool TransmitPaced(const std::string& bytes);
    bool TransmitChunks(const std::string& bytes, const std::vector<Chunk>& chunks);
    bool TransmitInTwo(const std::string& bytes, std::size_t cut, std::chrono::milliseconds pause);
    bool WriteSome(const std::string& bytes, std::size_t& sent, std::size_t upTo);
    bool WaitFor(std::chrono::steady_clock::time_point until);
    // When the next transmission starts on the wire: when it is due, once the last one is off it.
    std::chrono::steady_clock::time_point StartOnWire() const;
    // The time a byte takes on the wire at the current speed; zero when the line is not paced.
    std::chrono::steady_clock::duration ByteTime() const;
    void CloseMaster();

    Pty& pty_;
    Responder& responder_;
    int wake_[2] = {-1, -1};

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool stop_ = false;
    bool vanishAsked_ = false;
    bool vanished_ = false;
    std::uint32_t baud_ = kDefaultBaud;
    bool paceRequests_ = false;
    bool echo_ = false;
    std::optional<std::size_t> vanishAfter_;
    std::size_t chunkBytes_ = 0;
    std::chrono::milliseconds chunkGap_{0};
    Splitter splitter_;
    std::vector<Rule> rules_;
    std::optional<RandomFaults> random_;
    std::vector<std::pair<FaultKind, Predicate>> randomFilters_;
    std::chrono::milliseconds answerDelay_{0};
    std::string outgoing_;
    std::vector<std::string> requests_;
    std::size_t answered_ = 0;
    std::string received_;

    std::string pending_;  // line thread only
    std::chrono::steady_clock::time_point receivedBy_{};  // line thread only: when the bytes read so far are in
    // Line thread only. The line keeps a UART's time, not its thread's: what it does next is due when the
    // request came in, a pause ended or the device had its answer, however late the thread woke for it;
    // and the wire is free once the last transmission's last byte is off it.
    std::chrono::steady_clock::time_point due_{};
    std::chrono::steady_clock::time_point wireFree_{};
    FaultDice dice_{kDefaultSeed};
    std::thread thread_;
};

// The default splitter: cuts at CR, drops one LF after it and skips empty lines.
std::optional<std::string> SplitAtCr(std::string& pending);

}  // namespace sim
