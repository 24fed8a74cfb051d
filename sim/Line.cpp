#include "sim/Line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;

// Bytes a random reply may not hold: no terminator, frame or line end can appear by chance.
bool Forbidden(unsigned char c)
{
    return c == 'O' || c == 'o' || c == 'K' || c == 'k' || c == '>' || c == '\r' || c == '\n';
}

timespec ToTimespec(Clock::duration d)
{
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(d, Clock::duration::zero()));
    return timespec{static_cast<time_t>(ns.count() / 1'000'000'000), static_cast<long>(ns.count() % 1'000'000'000)};
}

}  // namespace

std::string FaultDice::Garbage(std::size_t count)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes;
    bytes.reserve(count);
    while (bytes.size() < count) {
        const auto c = static_cast<unsigned char>(byte(random_));
        if (!Forbidden(c)) bytes.push_back(static_cast<char>(c));
    }
    return bytes;
}

std::vector<Chunk> FaultDice::Chunks(std::size_t total, std::size_t maxBytes, std::chrono::milliseconds maxGap)
{
    std::uniform_int_distribution<std::size_t> size(1, std::max<std::size_t>(maxBytes, 1));
    std::uniform_int_distribution<long long> gapUs(0, std::chrono::microseconds(maxGap).count());
    std::vector<Chunk> chunks;
    for (std::size_t drawn = 0; drawn < total;) {
        const std::size_t n = std::min(size(random_), total - drawn);
        const std::chrono::microseconds gap(chunks.empty() ? 0 : gapUs(random_));
        chunks.push_back(Chunk{n, gap});
        drawn += n;
    }
    return chunks;
}

std::size_t FaultDice::Cut(std::size_t total)
{
    if (total < 2) return total;
    return std::uniform_int_distribution<std::size_t>(1, total - 1)(random_);
}

std::size_t FaultDice::Place(std::size_t total)
{
    return total == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, total - 1)(random_);
}

char FaultDice::NoiseByte(bool orFrame)
{
    static constexpr char kNoise[] = "\x01\x02\x03\x04\x05\x06\x07\x08\x0B\x0C\x0E\x0F\x10\x11\x12\x13\x14\x15"
                                     "\x16\x17\x18\x19\x1A\x1B\x1C\x1D\x1E\x1F\x7F>";
    const std::size_t count = sizeof kNoise - 1 - (orFrame ? 0 : 1);
    return kNoise[Place(count)];
}

bool FaultDice::Coin()
{
    return std::uniform_int_distribution<int>(0, 1)(random_) == 1;
}

std::chrono::milliseconds FaultDice::Delay(std::chrono::milliseconds limit)
{
    std::uniform_int_distribution<long long> ms(0, std::max<long long>(limit.count(), 0));
    return std::chrono::milliseconds(ms(random_));
}

std::optional<std::string> SplitAtCr(std::string& pending)
{
    for (;;) {
        const auto cr = pending.find('\r');
        if (cr == std::string::npos) return std::nullopt;
        std::string request = pending.substr(0, cr);
        std::size_t next = cr + 1;
        if (next < pending.size() && pending[next] == '\n') ++next;
        pending.erase(0, next);
        if (!request.empty() && request.front() == '\n') request.erase(0, 1);
        if (!request.empty()) return request;
    }
}

Line::Line(Pty& pty, Responder& responder) : pty_(pty), responder_(responder), splitter_(SplitAtCr)
{
    if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
    thread_ = std::thread([this] { Run(); });
}

Line::~Line()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    Wake();
    thread_.join();
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void Line::SetLineSpeed(std::uint32_t baud)
{
    const std::lock_guard lock(mutex_);
    baud_ = baud;
}

void Line::SetRequestPacing(bool on)
{
    const std::lock_guard lock(mutex_);
    paceRequests_ = on;
}

Clock::duration Line::ByteTime() const
{
    const std::lock_guard lock(mutex_);
    if (baud_ == 0) return Clock::duration::zero();
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(10'000'000'000LL / baud_));
}

void Line::SetEcho(bool on)
{
    const std::lock_guard lock(mutex_);
    echo_ = on;
}

void Line::SetAnswerDelay(std::chrono::milliseconds delay)
{
    const std::lock_guard lock(mutex_);
    answerDelay_ = delay;
}

void Line::SetRandomFilter(FaultKind kind, Predicate match)
{
    const std::lock_guard lock(mutex_);
    randomFilters_.emplace_back(kind, std::move(match));
}

void Line::SetChunking(std::size_t maxBytes, std::chrono::milliseconds maxGap)
{
    const std::lock_guard lock(mutex_);
    chunkBytes_ = maxBytes;
    chunkGap_ = maxGap;
}

void Line::SetSeed(std::uint32_t seed)
{
    const std::lock_guard lock(mutex_);
    dice_ = FaultDice(seed);
}

void Line::SetSplitter(Splitter splitter)
{
    const std::lock_guard lock(mutex_);
    splitter_ = std::move(splitter);
}

void Line::AddFault(const std::string& prefix, Fault fault, int count)
{
    AddFault([prefix](const std::string& request) { return request.starts_with(prefix); }, fault, count);
}

void Line::AddFault(Predicate match, Fault fault, int count)
{
    const std::lock_guard lock(mutex_);
    rules_.push_back(Rule{std::move(match), fault, count});
}

void Line::SetRandomFaults(std::vector<Fault> pool, double probability, std::uint32_t seed)
{
    const std::lock_guard lock(mutex_);
    random_ = RandomFaults{std::move(pool), probability, std::mt19937(seed)};
}

void Line::ClearFaults()
{
    const std::lock_guard lock(mutex_);
    rules_.clear();
    random_.reset();
}

void Line::Send(const std::string& bytes)
{
    {
        const std::lock_guard lock(mutex_);
        outgoing_ += bytes;
    }
    Wake();
}

void Line::Vanish()
{
    std::unique_lock lock(mutex_);
    vanishAsked_ = true;
    Wake();
    changed_.wait(lock, [this] { return vanished_; });
}

void Line::VanishAfter(std::size_t requests)
{
    const std::lock_guard lock(mutex_);
    vanishAfter_ = requests;
}

bool Line::VanishesAt()
{
    const std::lock_guard lock(mutex_);
    if (!vanishAfter_) return false;
    if (*vanishAfter_ > 0) {
        --*vanishAfter_;
        return false;
    }
    vanishAfter_.reset();
    return true;
}

bool Line::Vanished() const
{
    const std::lock_guard lock(mutex_);
    return vanished_;
}

std::vector<std::string> Line::Requests() const
{
    const std::lock_guard lock(mutex_);
    return requests_;
}

std::string Line::ReceivedBytes() const
{
    const std::lock_guard lock(mutex_);
    return received_;
}

void Line::ClearReceived()
{
    const std::lock_guard lock(mutex_);
    answered_ = 0;
    requests_.clear();
    received_.clear();
}

bool Line::WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return requests_.size() >= count; });
}

std::size_t Line::Answered() const
{
    const std::lock_guard lock(mutex_);
    return answered_;
}

bool Line::WaitForAnswers(std::size_t count, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return answered_ >= count || vanished_; });
}

void Line::Wake() const
{
    const char byte = 1;
    // A full pipe already holds a wake-up; losing this one changes nothing.
    [[maybe_unused]] const auto ignored = ::write(wake_[1], &byte, 1);
}

void Line::DrainWake() const
{
    std::array<char, 64> drain{};
    while (::read(wake_[0], drain.data(), drain.size()) > 0) {
    }
}

bool Line::StopAsked() const
{
    const std::lock_guard lock(mutex_);
    return stop_ || vanishAsked_;
}

void Line::Run()
{
    // Without this a wake-up may come tens of microseconds later than asked, a good part of a byte's time.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    for (;;) {
        HandleCommands();
        {
            const std::lock_guard lock(mutex_);
            if (stop_) return;
        }
        std::array<pollfd, 2> fds{pollfd{wake_[0], POLLIN, 0}, pollfd{pty_.MasterFd(), POLLIN, 0}};
        const nfds_t count = pty_.MasterOpen() ? 2 : 1;
        if (::poll(fds.data(), count, 100) < 0) continue;
        if (fds[0].revents != 0) DrainWake();
        if (count == 2 && (fds[1].revents & POLLIN) != 0) ReadMaster();
    }
}

void Line::HandleCommands()
{
    std::string outgoing;
    bool vanish = false;
    {
        const std::lock_guard lock(mutex_);
        vanish = vanishAsked_ && !vanished_;
        outgoing.swap(outgoing_);
    }
    if (vanish) {
        CloseMaster();
        return;
    }
    if (outgoing.empty()) return;
    due_ = Clock::now();
    Transmit(outgoing);
}

void Line::ReadMaster()
{
    std::array<char, 4096> buffer{};
    const ssize_t n = ::read(pty_.MasterFd(), buffer.data(), buffer.size());
    if (n <= 0) return;
    const std::string bytes(buffer.data(), static_cast<std::size_t>(n));
    pending_ += bytes;
    Splitter splitter;
    bool pace = false;
    {
        const std::lock_guard lock(mutex_);
        received_ += bytes;
        splitter = splitter_;
        pace = paceRequests_;
    }
    // The bytes queue up behind those still on the wire, one byte time each; a request is in once its
    // own last byte is, whatever follows it.
    const auto byteTime = ByteTime();
    due_ = Clock::now();
    if (pace) receivedBy_ = std::max(receivedBy_, due_) + byteTime * static_cast<long>(bytes.size());
    while (auto request = splitter(pending_)) {
        {
            const std::lock_guard lock(mutex_);
            requests_.push_back(*request);
        }
        changed_.notify_all();
        if (pace) due_ = receivedBy_ - byteTime * static_cast<long>(pending_.size());
        if (pace && !WaitFor(due_)) return;
        if (VanishesAt()) {
            CloseMaster();
            return;
        }
        Answer(*request);
        {
            const std::lock_guard lock(mutex_);
            ++answered_;
        }
        changed_.notify_all();
        if (StopAsked() || !pty_.MasterOpen()) return;
    }
}

std::optional<Fault> Line::TakeFault(const std::string& request)
{
    const std::lock_guard lock(mutex_);
    for (auto it = rules_.begin(); it != rules_.end(); ++it) {
        if (it->count == 0 || !it->match(request)) continue;
        const Fault fault = it->fault;
        if (it->count > 0 && --it->count == 0) rules_.erase(it);
        return fault;
    }
    if (random_ && !random_->pool.empty()) {
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        if (chance(random_->random) < random_->probability) {
            std::uniform_int_distribution<std::size_t> pick(0, random_->pool.size() - 1);
            const Fault fault = random_->pool[pick(random_->random)];
            for (const auto& [kind, match] : randomFilters_)
                if (kind == fault.kind && !match(request)) return std::nullopt;
            return fault;
        }
    }
    return std::nullopt;
}

void Line::Answer(const std::string& request)
{
    const std::optional<Fault> fault = TakeFault(request);
    bool echo = false;
    {
        const std::lock_guard lock(mutex_);
        echo = echo_;
    }
    if (echo && !Transmit(request + "\r")) return;
    const auto reply = [&]() -> std::string {
        // The device's own time to answer delays its reply; this thread's lateness does not.
        const auto asked = Clock::now();
        std::string answer;
        try {
            answer = responder_.Answer(request);
        } catch (...) {
            // a responder that fails is a device that says nothing
        }
        due_ += Clock::now() - asked;
        // A device with its own time to answer starts on a request once it has sent its last reply.
        const std::lock_guard lock(mutex_);
        if (answerDelay_.count() > 0) due_ = std::max(due_, wireFree_) + answerDelay_;
        return answer;
    };
    if (!fault) {
        Transmit(reply());
        return;
    }
    switch (fault->kind) {
    case FaultKind::Silence:
        return;
    case FaultKind::Nok:
        Transmit("NOK\r\n");
        return;
    case FaultKind::Garbage:
        Transmit(Roll([&](FaultDice& d) { return d.Garbage(fault->bytes == 0 ? 16 : fault->bytes); }));
        return;
    case FaultKind::Split: {
        const std::string whole = reply();
        const std::size_t chunk = std::max<std::size_t>(fault->bytes, 1);
        for (std::size_t at = 0; at < whole.size(); at += chunk) {
            if (at > 0 && !WaitFor(Clock::now() + fault->pause)) return;
            if (!Transmit(whole.substr(at, chunk))) return;
        }
        return;
    }
    case FaultKind::Late: {
        const std::string whole = reply();
        if (WaitFor(Clock::now() + fault->pause)) Transmit(whole);
        return;
    }
    case FaultKind::Echo:
        Transmit(request + "\r" + reply());
        return;
    case FaultKind::Vanish: {
        const std::string whole = reply();
        Transmit(whole.substr(0, std::min(fault->bytes, whole.size())));
        CloseMaster();
        return;
    }
    case FaultKind::Chunks: {
        const std::string whole = reply();
        const std::size_t most = fault->bytes == 0 ? 16 : fault->bytes;
        TransmitChunks(whole, Roll([&](FaultDice& d) { return d.Chunks(whole.size(), most, fault->pause); }));
        return;
    }
    case FaultKind::SplitAt: {
        const std::string whole = reply();
        const std::size_t cut = fault->bytes == 0 ? Roll([&](FaultDice& d) { return d.Cut(whole.size()); })
                                                  : std::min(fault->bytes, whole.size());
        TransmitInTwo(whole, cut, fault->pause);
        return;
    }
    case FaultKind::LateUpTo: {
        const std::string whole = reply();
        const auto delay = Roll([&](FaultDice& d) { return d.Delay(fault->pause); });
        if (WaitFor(Clock::now() + delay)) Transmit(whole);
        return;
    }
    case FaultKind::Twice: {
        // One transmission, so that the copy follows the reply at once on a line without a pace too.
        const std::string whole = reply();
        if (fault->pause.count() == 0) {
            Transmit(whole + whole);
        } else if (Transmit(whole) && WaitFor(StartOnWire() + fault->pause)) {
            Transmit(whole);
        }
        return;
    }
    case FaultKind::Lost:
    case FaultKind::Corrupt:
        Transmit(Bent(reply(), fault->kind));
        return;
    case FaultKind::Noise: {
        const std::string whole = reply();
        const std::string noise = Roll([&](FaultDice& d) {
            std::string bytes;
            for (std::size_t i = 0; i < std::max<std::size_t>(fault->bytes, 1); ++i) bytes += d.NoiseByte(true);
            return bytes;
        });
        Transmit(noise + whole);
        return;
    }
    case FaultKind::Pause: {
        const std::string whole = reply();
        // Before the line break that the last line ("OK" and its own line break) follows.
        const std::size_t last = whole.size() < 3 ? std::string::npos : whole.rfind("\r\n", whole.size() - 3);
        TransmitInTwo(whole, last == std::string::npos ? 0 : last, fault->pause);
        return;
    }
    }
}

std::string Line::Bent(const std::string& reply, FaultKind kind)
{
    // The value line: after ">" up to its line break, or the first line of a reply without a value.
    const std::size_t gt = reply.find('>');
    const std::size_t start = gt == std::string::npos ? 0 : gt + 1;
    const std::size_t end = std::min(reply.find_first_of("\r\n", start), reply.size());
    if (end == start) return reply;
    std::string bent = reply;
    Roll([&](FaultDice& d) {
        const std::size_t at = start + d.Place(end - start);
        if (kind == FaultKind::Lost) bent.erase(at, 1);
        else if (d.Coin()) bent[at] = d.NoiseByte(false);
        else bent.insert(at, 1, d.NoiseByte(false));
        return 0;
    });
    return bent;
}

bool Line::WaitFor(Clock::time_point until)
{
    for (;;) {
        if (StopAsked()) return false;
        const auto now = Clock::now();
        if (now >= until) {
            due_ = until;
            return true;
        }
        pollfd wake{wake_[0], POLLIN, 0};
        const timespec timeout = ToTimespec(until - now);
        // Only stop and vanish end this wait; queued sends are picked up by the main loop afterwards.
        if (::ppoll(&wake, 1, &timeout, nullptr) > 0) DrainWake();
    }
}

bool Line::Transmit(const std::string& bytes)
{
    std::size_t chunkBytes = 0;
    std::chrono::milliseconds chunkGap{0};
    {
        const std::lock_guard lock(mutex_);
        chunkBytes = chunkBytes_;
        chunkGap = chunkGap_;
    }
    if (chunkBytes == 0) return TransmitPaced(bytes);
    return TransmitChunks(bytes, Roll([&](FaultDice& d) { return d.Chunks(bytes.size(), chunkBytes, chunkGap); }));
}

Clock::time_point Line::StartOnWire() const
{
    return std::max(due_, wireFree_);
}

bool Line::TransmitPaced(const std::string& bytes)
{
    const auto byteTime = ByteTime();
    const auto start = StartOnWire();
    wireFree_ = start + byteTime * static_cast<long>(bytes.size());
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        std::size_t due = bytes.size();
        if (byteTime != Clock::duration::zero()) {
            // A byte is there once its whole time on the wire has passed.
            due = std::min<std::size_t>(bytes.size(), static_cast<std::size_t>((Clock::now() - start) / byteTime));
            if (due <= sent) {
                if (!WaitFor(start + byteTime * static_cast<long>(sent + 1))) return false;
                continue;
            }
        }
        if (!WriteSome(bytes, sent, due)) return false;
    }
    return true;
}

bool Line::TransmitChunks(const std::string& bytes, const std::vector<Chunk>& chunks)
{
    // A chunk goes once its last byte is off the wire and its gap after the previous chunk has passed, as
    // an adapter's latency timer holds bytes back: a gap shorter than the chunk's wire time costs nothing.
    const auto byteTime = ByteTime();
    const auto start = StartOnWire();
    auto last = start;
    std::size_t end = 0;
    for (const Chunk& chunk : chunks) {
        std::size_t sent = end;
        end = std::min(bytes.size(), end + chunk.size);
        last = std::max(start + byteTime * static_cast<long>(end), last + chunk.gap);
        if (!WaitFor(last)) return false;
        while (sent < end)
            if (!WriteSome(bytes, sent, end)) return false;
    }
    wireFree_ = last;
    return true;
}

bool Line::TransmitInTwo(const std::string& bytes, std::size_t cut, std::chrono::milliseconds pause)
{
    return Transmit(bytes.substr(0, cut)) && WaitFor(Clock::now() + pause) && Transmit(bytes.substr(cut));
}

bool Line::WriteSome(const std::string& bytes, std::size_t& sent, std::size_t upTo)
{
    if (!pty_.MasterOpen() || StopAsked()) return false;
    const ssize_t n = ::write(pty_.MasterFd(), bytes.data() + sent, upTo - sent);
    if (n > 0) {
        sent += static_cast<std::size_t>(n);
        return true;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    // The program is not reading: wait for room, but stay stoppable.
    std::array<pollfd, 2> fds{pollfd{pty_.MasterFd(), POLLOUT, 0}, pollfd{wake_[0], POLLIN, 0}};
    ::poll(fds.data(), fds.size(), 50);
    if (fds[1].revents != 0) DrainWake();
    return true;
}

void Line::CloseMaster()
{
    pty_.CloseMaster();
    {
        const std::lock_guard lock(mutex_);
        vanished_ = true;
    }
    changed_.notify_all();
}

}  // namespace sim
