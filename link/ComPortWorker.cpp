#include "link/ComPortWorker.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "platform/Text.h"

TComPortWorker::TComPortWorker(bool RtsControl, bool OwnsPort, platform::Clock& Clock)
    : RtsControl_(RtsControl), OwnsPort_(OwnsPort), Clock_(Clock), Port_(std::make_unique<TSerialComm>(Clock))
{
}

TComPortWorker::~TComPortWorker() = default;

bool TComPortWorker::IsOpen() const
{
    return Port_->Opened();
}

void TComPortWorker::Close()
{
    if (IsOpen()) Port_->Close();
}

void TComPortWorker::OpenWithTimeout(const std::string& PortName, TBaudRate BaudRate, int TimeoutMs)
{
    Close();
    Port_->SetBaudRate(BaudRate);
    Port_->SetDeviceName(PortName);
    Port_->DataControl().SetStopBits(sb1);
    Port_->DataControl().SetParity(paNone);
    Port_->SetFlowControl(fcNone);
    Port_->DataControl().SetDataBits(db8);
    Port_->Open();
    Timeout_ = TimeoutMs;
}

void TComPortWorker::Open(const std::string& PortName, TBaudRate BaudRate)
{
    OpenWithTimeout(PortName, BaudRate, DefaultTimeout());
}

void TComPortWorker::RtsOff()
{
    Port_->SetRTS(false);
}

void TComPortWorker::RtsOn()
{
    Port_->SetRTS(true);
}

int TComPortWorker::DefaultTimeout()
{
    return 500;
}

int TComPortWorker::GetTimeout()
{
    return Timeout_.value_or(DefaultTimeout());
}

std::uint32_t TComPortWorker::CharacterTimes(std::uint32_t Count, std::uint32_t FloorMs) const
{
    // Ten bits a character on an 8N1 line.
    const std::uint64_t baud = std::max<std::uint32_t>(Port_->BaudValue(), 1);
    const std::uint64_t ms = (Count * 10'000ULL + baud - 1) / baud;
    return static_cast<std::uint32_t>(std::max<std::uint64_t>(ms, FloorMs));
}

std::chrono::nanoseconds TComPortWorker::CharacterTime() const
{
    return std::chrono::nanoseconds(10'000'000'000LL / std::max<std::uint32_t>(Port_->BaudValue(), 1));
}

std::uint32_t TComPortWorker::QuietMs() const
{
    return CharacterTimes(QuietCharacters, MinQuietMs);
}

std::uint32_t TComPortWorker::LineBreakMs() const
{
    return CharacterTimes(LineBreakCharacters, MinLineBreakMs);
}

void TComPortWorker::Purge()
{
    if (!IsOpen()) return;
    Port_->PurgeInput();
    Port_->PurgeOutput();
}

bool TComPortWorker::WriteString(const std::string& S)
{
    Resync();
    DropUnasked();
    Purge();
    if (RtsControl_) RtsOn();
    const auto start = std::chrono::steady_clock::now();
    const bool written = IsOpen() && Port_->WriteString(S);
    if (RtsControl_) RtsOff();
    Failure_ = written ? TFailure::None : TFailure::CouldNotSend;
    Sending_.reset();
    Echo_.clear();
    if (written) {
        Sending_ = Sending{S, start + CharacterTime() * static_cast<long>(S.size())};
        Echo_ = S.substr(0, S.find_last_not_of("\r\n") + 1);
    }
    return written;
}

void TComPortWorker::DropUnasked()
{
    if (!IsOpen()) return;
    std::string waiting;
    ReadWaiting(waiting, MaxReplyLength);
    if (waiting.empty()) return;
    Unasked_ = true;
    if (Discarded_.size() < MaxReplyLength) Discarded_ += waiting;
    Inspect(waiting);
}

bool TComPortWorker::Write(const std::string& S)
{
    return WriteString(S);
}

void TComPortWorker::ReadWaiting(std::string& Into, std::size_t Cap)
{
    std::string chunk;
    while (IsOpen() && Into.size() < Cap && Port_->InQueCount(0) > 0) {
        Port_->ReadString(chunk);
        Into += chunk;
    }
}

void TComPortWorker::ReadAvailable(std::string& S)
{
    if (RtsControl_) RtsOff();
    S.clear();
    ReadWaiting(S, MaxReplyLength);
}

bool TComPortWorker::PortReady(std::uint32_t RealMs) const
{
    return Port_->WaitInput(RealMs);
}

std::string TComPortWorker::TakeDiscarded()
{
    std::string taken;
    taken.swap(Discarded_);
    return taken;
}

void TComPortWorker::Settle(bool Retry)
{
    Resync(Retry);
}

void TComPortWorker::Distrust()
{
    Wary_ = true;
    const std::uint64_t now = Clock_.NowMs();
    if (!Resync_) Resync_ = ResyncDueState{now, now, 0, false};
}

void TComPortWorker::Resync(bool Retry)
{
    if (!Resync_) return;
    const ResyncDueState due = *Resync_;
    Resync_.reset();
    if (!IsOpen()) return;
    // The retry of a request that went unanswered need not wait for its late reply, which answers the
    // retry as well: the retry's wait listens for it instead.
    const bool retryAfterTimeout = Retry && due.TimedOut;
    AfterTimeout_ = retryAfterTimeout;
    // Listen through the late window, then until the line has been quiet for a while; at the latest one
    // quiet interval after the window (or after now, when the window passed before this write).
    const std::uint64_t quiet = QuietMs();
    const std::uint64_t listenUntil = due.SinceMs + (retryAfterTimeout ? 0 : due.WindowMs);
    const std::uint64_t now = Clock_.NowMs();
    const platform::Deadline deadline(Clock_, static_cast<std::int64_t>(std::max(listenUntil, now) + quiet - now));
    std::uint64_t lastByte = due.LastByteMs;
    std::size_t dropped = 0;
    platform::PollUntil(
        deadline, PollMs,
        [&] {
            std::string chunk;
            ReadWaiting(chunk, MaxReplyLength);
            const std::uint64_t at = Clock_.NowMs();
            if (!chunk.empty()) {
                lastByte = at;
                dropped += chunk.size();
                if (Discarded_.size() < MaxReplyLength) Discarded_ += chunk;
                Inspect(Discarded_);
            }
            // A line that never stops is left to the time bound; the count only keeps a clock that
            // stands still while bytes flow (the tests' manual clock) from looping for ever.
            return (at >= listenUntil && at - lastByte >= quiet) || dropped >= MaxReplyLength;
        },
        [this](std::uint32_t realMs) { return PortReady(realMs); }, [this] { BetweenPolls(); });
}

void TComPortWorker::Pace::Add(double LatencyMs, double GapMs, bool Faster)
{
    samples_[next_] = {std::max(LatencyMs, 0.0), std::max(GapMs, 0.0), Faster};
    next_ = (next_ + 1) % Kept;
    count_ = std::min(count_ + 1, Kept);
}

bool TComPortWorker::Pace::PeerFaster() const
{
    if (count_ < 4) return false;
    for (std::size_t i = 0; i < count_; ++i)
        if (!samples_[i].faster) return false;
    return true;
}

double TComPortWorker::Pace::MinLatency() const
{
    double least = samples_[0].latency;
    for (std::size_t i = 1; i < count_; ++i) least = std::min(least, samples_[i].latency);
    return least;
}

double TComPortWorker::Pace::MaxLatency() const
{
    double most = 0;
    for (std::size_t i = 0; i < count_; ++i) most = std::max(most, samples_[i].latency);
    return most;
}

double TComPortWorker::Pace::MaxGap() const
{
    double most = 0;
    for (std::size_t i = 0; i < count_; ++i) most = std::max(most, samples_[i].gap);
    return most;
}

TReplyRule TComPortWorker::RuleFor(std::vector<std::string> Terminators, bool DropNok) const
{
    TReplyRule rule;
    rule.Terminators = std::move(Terminators);
    rule.DropNok = DropNok;
    rule.QuietMs = QuietMs();
    rule.LineBreakMs = LineBreakMs();
    rule.Echo = Echo_;
    // A device that sends its reply twice (or a late reply and the retry's own) has answered once.
    rule.Repeats = true;
    return rule;
}

bool TComPortWorker::FasterThanTheLine(const Sending& Sent, const std::string& Received) const
{
    // A device may hear the request back as it goes out; that echo answers nothing. Any answer starts
    // only once the device has the whole request, and then comes at most a character per character time
    // (an adapter may hold bytes back, never bring them sooner).
    const auto echoed = std::mismatch(Received.begin(), Received.end(), Sent.Request.begin(), Sent.Request.end()).first;
    const auto since = std::max(std::chrono::steady_clock::now() - Sent.LeftAt, std::chrono::steady_clock::duration{});
    return static_cast<std::size_t>(Received.end() - echoed) > static_cast<std::size_t>(since / CharacterTime()) + 1;
}

// How the bytes of one wait came, in real time: when the first beyond the request's echo came after the
// request left the line, and the longest silence between two of them.
class TComPortWorker::Arrival {
public:
    using Time = std::chrono::steady_clock::time_point;

    explicit Arrival(std::optional<Sending> Sent) : sent_(std::move(Sent)) {}

    void Add(const std::string& Chunk)
    {
        const Time now = std::chrono::steady_clock::now();
        received_ += Chunk;
        if (!first_) {
            if (BeyondEcho() == 0) return;
            first_ = now;
        } else {
            gap_ = std::max(gap_, now - last_);
        }
        last_ = now;
    }
    bool AfterRequest() const { return sent_.has_value(); }
    const Sending& Sent() const { return *sent_; }
    const std::string& Received() const { return received_; }
    double LatencyMs() const { return sent_ && first_ ? Ms(*first_ - sent_->LeftAt) : 0; }
    double GapMs() const { return Ms(gap_); }

private:
    static double Ms(std::chrono::steady_clock::duration d)
    {
        return std::chrono::duration<double, std::milli>(d).count();
    }
    std::size_t BeyondEcho() const
    {
        if (!sent_) return received_.size();
        const std::string& r = sent_->Request;
        return received_.size() - static_cast<std::size_t>(std::mismatch(received_.begin(), received_.end(), r.begin(), r.end()).first - received_.begin());
    }

    std::optional<Sending> sent_;
    std::string received_;
    std::optional<Time> first_;
    Time last_{};
    std::chrono::steady_clock::duration gap_{};
};

std::uint64_t TComPortWorker::FollowMs() const
{
    if (!Pace_.Known()) return QuietMs();
    const double ms = Pace_.MaxLatency() + Pace_.MaxGap() + CharacterTimes(LineBreakCharacters, 0);
    return std::clamp<std::uint64_t>(static_cast<std::uint64_t>(ms) + 1, 1, LateReplyWindowMs);
}

std::uint64_t TComPortWorker::ProofMs(const Arrival& Came, const std::string& Reply, bool Unsettled,
                                      bool AfterTimeout) const
{
    std::uint64_t proof = Wary_ ? QuietMs() : 0;
    if (Unsettled) proof = std::max<std::uint64_t>({proof, QuietMs(), FollowMs()});
    if (AfterTimeout) proof = std::max<std::uint64_t>(proof, LateReplyWindowMs);
    if (Reply == LastCredited_ && Came.AfterRequest() && Pace_.Known()) {
        // The copy of the reply before may come whole after the request left, the real answer behind it:
        // sooner than this device answers, or through an adapter that passes bytes on in bursts. At a
        // line's own pace a copy right behind its reply comes faster than the line carries bytes after the
        // next request, and is caught by that. A value is rarely the same twice running, so on a line of
        // bursts its copy is always listened for; a bare "OK" answers every write, and is listened past
        // there only from a device that answers at once, whose real answer comes right behind a copy.
        const double character = CharacterTimes(LineBreakCharacters, 0);
        const double tolerance = Pace_.MaxGap() + character;
        const std::size_t first = Reply.find_first_not_of("\r\n");
        const bool value = first != std::string::npos && Reply[first] == '>';
        const bool early = Came.LatencyMs() + tolerance < Pace_.MinLatency();
        const bool bursts = Pace_.MaxGap() > character;
        const bool quick = Pace_.MinLatency() <= tolerance;
        if (early || (bursts && (value || quick))) proof = std::max(proof, FollowMs());
    }
    return proof;
}

// Leaves the line to be resynchronised unless the wait settled on one whole reply: also when an exception
// (a vanished port, a failure word, a cancel thrown from the window events) leaves the loop.
class TComPortWorker::GatherScope {
public:
    GatherScope(TComPortWorker& Worker, const platform::Deadline& Deadline, const TReplyReader& Reader)
        : Worker_(Worker), Deadline_(Deadline), Reader_(Reader), LastByte_(Worker.Clock_.NowMs())
    {
    }
    ~GatherScope()
    {
        if (Settled_) {
            Worker_.Resync_.reset();
            Worker_.Wary_ = false;
            return;
        }
        Worker_.Wary_ = true;
        const bool unanswered = !Reader_.Answered();
        const bool late = unanswered && Worker_.LateRepliesMatter();
        const std::uint64_t window = late ? std::min<std::uint64_t>(LateReplyWindowMs, Deadline_.Elapsed()) : 0;
        Worker_.Resync_ = ResyncDueState{Worker_.Clock_.NowMs(), LastByte_, window, unanswered};
    }
    GatherScope(const GatherScope&) = delete;
    GatherScope& operator=(const GatherScope&) = delete;

    void Received() { LastByte_ = Worker_.Clock_.NowMs(); }
    std::uint64_t Silent() const { return Worker_.Clock_.NowMs() - LastByte_; }
    void Settle() { Settled_ = true; }

private:
    TComPortWorker& Worker_;
    const platform::Deadline& Deadline_;
    const TReplyReader& Reader_;
    std::uint64_t LastByte_;
    bool Settled_ = false;
};

TReplyState TComPortWorker::Gather(std::string& Answer, const TReplyRule& Rule, int TimeoutMs)
{
    Answer.clear();
    if (RtsControl_) RtsOff();
    const bool afterTimeout = std::exchange(AfterTimeout_, false);
    TReplyReader reader(Rule);
    // The time-out bounds the wait for a reply; listening past a whole one may run beyond it.
    const platform::Deadline deadline(Clock_, TimeoutMs);
    const platform::Deadline listening(Clock_, std::max(TimeoutMs, 0) + static_cast<std::int64_t>(LateReplyWindowMs));
    GatherScope scope(*this, deadline, reader);
    // Nothing can answer a request before it has left the line, its characters' time on the wire after the
    // write (a real port may take longer, never less; a pseudo-terminal's peer takes it at that pace). What
    // comes sooner than the line can carry it came while it went out (the copy of an earlier reply, say):
    // the wait then credits a reply only when the line is quiet after it.
    Arrival came(std::exchange(Sending_, std::nullopt));
    if (came.AfterRequest()) std::this_thread::sleep_until(came.Sent().LeftAt);
    // Bytes waiting unasked, or bytes faster than the line from a peer that keeps its pace.
    const bool unasked = std::exchange(Unasked_, false);
    bool faster = false;
    TReplyState state = TReplyState::Open;
    TFailure stop = TFailure::None;
    std::uint64_t proof = 0;
    bool answered = false;  // a reply was whole once: the time-out no longer ends the wait, the listening does
    platform::PollUntil(
        listening,
        [&]() -> std::uint32_t {
            // Listening past a whole reply pauses no longer than the listening has left; waiting for one,
            // no longer than the time-out has.
            const std::uint64_t silent = scope.Silent();
            if (proof > silent) return static_cast<std::uint32_t>(std::min<std::uint64_t>(proof - silent, PollMs));
            return static_cast<std::uint32_t>(std::min<std::uint64_t>(deadline.Remaining(), PollMs));
        },
        [&] {
            const bool timedOut = deadline.Expired();
            if (StopAsked()) stop = TFailure::Cancelled;
            if (!IsOpen()) stop = TFailure::PortClosed;
            if (stop != TFailure::None) return true;
            std::string chunk;
            ReadWaiting(chunk, MaxReplyLength - reader.Text().size());
            if (!chunk.empty()) {
                reader.Add(chunk);
                came.Add(chunk);
                scope.Received();
                Inspect(reader.Text());
                if (came.AfterRequest() && !faster) faster = FasterThanTheLine(came.Sent(), came.Received());
            }
            const bool unsettled = unasked || (faster && !Pace_.PeerFaster());
            state = reader.State(scope.Silent());
            if (state == TReplyState::Open && reader.Text().size() >= MaxReplyLength) stop = TFailure::TooLong;
            const bool complete = state == TReplyState::Whole || state == TReplyState::Error;
            answered = answered || complete;
            proof = complete ? ProofMs(came, reader.Text(), unsettled, afterTimeout) : 0;
            if (complete && scope.Silent() < proof) return false;
            return state != TReplyState::Open || stop != TFailure::None || (timedOut && !answered);
        },
        [this](std::uint32_t realMs) { return PortReady(realMs); }, [this] { BetweenPolls(); });
    Answer = reader.Text();
    // A cancel or a closed port ends the wait whatever came; a reply that came whole keeps its credit
    // when the time ran out while the wait listened past it.
    if (stop != TFailure::None) state = TReplyState::Open;
    if (state == TReplyState::Open && stop == TFailure::None)
        stop = reader.Refused() ? TFailure::Refused : TFailure::NoReply;
    if (state == TReplyState::MoreThanOne) stop = TFailure::MoreThanOneReply;
    if (state == TReplyState::Error) stop = TFailure::ModemError;
    Failure_ = stop;
    if (state == TReplyState::Whole || state == TReplyState::Error) {
        scope.Settle();
        if (came.AfterRequest()) Pace_.Add(came.LatencyMs(), came.GapMs(), faster);
        LastCredited_ = reader.Text();
    }
    return state;
}

bool TComPortWorker::HoldsTerminator(const std::string& Answer, const std::string& Terminator)
{
    return HoldsTerminatorIgnoringNok(Answer, Terminator);
}

bool TComPortWorker::WaitFor(std::string& Answer, const std::string& Terminator, int TimeoutMs)
{
    return Gather(Answer, RuleFor({Terminator}, true), TimeoutMs) == TReplyState::Whole;
}

bool TComPortWorker::ReadUntil(std::string& Answer, const std::string& Terminator, int TimeoutMs)
{
    return TComPortWorker::WaitFor(Answer, Terminator, TimeoutMs);
}

bool TComPortWorker::WaitForAny(std::string& Answer, const std::vector<std::string>& Terminators, int TimeoutMs)
{
    return Gather(Answer, RuleFor(Terminators, false), TimeoutMs) == TReplyState::Whole;
}

bool TComPortWorker::WaitForDefault(std::string& Answer, const std::string& Terminator)
{
    return WaitFor(Answer, Terminator, GetTimeout());
}

bool TComPortWorker::WaitForAnyDefault(std::string& Answer, const std::vector<std::string>& Terminators)
{
    return WaitForAny(Answer, Terminators, GetTimeout());
}

bool TComPortWorker::ReadAndCheck(std::string& Answer, const std::string& Expected)
{
    ReadAvailable(Answer);
    return platform::ContainsIgnoreAsciiCase(Answer, Expected);
}

bool TComPortWorker::ExpectUntil(const std::string& Terminator, int TimeoutMs)
{
    std::string dropped;
    return ReadUntil(dropped, Terminator, TimeoutMs);
}

bool TComPortWorker::Expect(const std::string& Terminator, int TimeoutMs)
{
    std::string dropped;
    return WaitFor(dropped, Terminator, TimeoutMs);
}

bool TComPortWorker::ExpectAny(const std::vector<std::string>& Terminators, int TimeoutMs)
{
    std::string dropped;
    return WaitForAny(dropped, Terminators, TimeoutMs);
}

bool TComPortWorker::ExpectDefault(const std::string& Terminator)
{
    std::string dropped;
    return WaitForDefault(dropped, Terminator);
}

bool TComPortWorker::ExpectAnyDefault(const std::vector<std::string>& Terminators)
{
    std::string dropped;
    return WaitForAnyDefault(dropped, Terminators);
}
