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

void TComPortWorker::Resync()
{
    Discarded_.clear();
    if (!Resync_) return;
    const ResyncDueState due = *Resync_;
    Resync_.reset();
    if (!IsOpen()) return;
    // Listen through the late window, then until the line has been quiet for a while; at the latest one
    // quiet interval after the window (or after now, when the window passed before this write).
    const std::uint64_t quiet = QuietMs();
    const std::uint64_t listenUntil = due.SinceMs + due.WindowMs;
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

TReplyRule TComPortWorker::RuleFor(std::vector<std::string> Terminators, bool DropNok) const
{
    TReplyRule rule;
    rule.Terminators = std::move(Terminators);
    rule.DropNok = DropNok;
    rule.QuietMs = QuietMs();
    rule.LineBreakMs = LineBreakMs();
    rule.Echo = Echo_;
    return rule;
}

bool TComPortWorker::CameWhileSending(const Sending& Sent, const std::string& Chunk) const
{
    // A device may hear the request back as it goes out; that echo answers nothing. Any answer starts
    // only once the device has the whole request, and then comes at most a character per character time.
    const auto echoed = std::mismatch(Chunk.begin(), Chunk.end(), Sent.Request.begin(), Sent.Request.end()).first;
    const auto since = std::max(std::chrono::steady_clock::now() - Sent.LeftAt, std::chrono::steady_clock::duration{});
    return static_cast<std::size_t>(Chunk.end() - echoed) > static_cast<std::size_t>(since / CharacterTime());
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
        const bool late = !Reader_.Answered() && Worker_.LateRepliesMatter();
        const std::uint64_t window = late ? std::min<std::uint64_t>(LateReplyWindowMs, Deadline_.Elapsed()) : 0;
        Worker_.Resync_ = ResyncDueState{Worker_.Clock_.NowMs(), LastByte_, window};
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
    TReplyReader reader(Rule);
    const platform::Deadline deadline(Clock_, TimeoutMs);
    GatherScope scope(*this, deadline, reader);
    // Nothing can answer a request before it has left the line, its characters' time on the wire after the
    // write (a real port may take longer, never less; a pseudo-terminal's peer takes it at that pace). What
    // is waiting by then came while it went out (the copy of an earlier reply, say): the wait then credits
    // a reply only when the line is quiet after it, as after a failure.
    std::optional<Sending> sent = std::exchange(Sending_, std::nullopt);
    if (sent) std::this_thread::sleep_until(sent->LeftAt);
    bool unsettled = false;
    TReplyState state = TReplyState::Open;
    TFailure stop = TFailure::None;
    platform::PollUntil(
        deadline, PollMs,
        [&] {
            if (StopAsked()) stop = TFailure::Cancelled;
            if (!IsOpen()) stop = TFailure::PortClosed;
            if (stop != TFailure::None) return true;
            std::string chunk;
            ReadWaiting(chunk, MaxReplyLength - reader.Text().size());
            if (!chunk.empty()) {
                reader.Add(chunk);
                scope.Received();
                Inspect(reader.Text());
            }
            if (sent) unsettled = CameWhileSending(*std::exchange(sent, std::nullopt), chunk);
            state = reader.State(scope.Silent());
            if (state == TReplyState::Open && reader.Text().size() >= MaxReplyLength) stop = TFailure::TooLong;
            // After a failure a reply may still be followed at once by another (an earlier request's,
            // later than its window): listen on past the end for a quiet interval before crediting it.
            const bool complete = state == TReplyState::Whole || state == TReplyState::Error;
            if (complete && (Wary_ || unsettled) && scope.Silent() < QuietMs()) return false;
            return state != TReplyState::Open || stop != TFailure::None;
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
    if (state == TReplyState::Whole || state == TReplyState::Error) scope.Settle();
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
