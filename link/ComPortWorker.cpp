#include "link/ComPortWorker.h"

#include <algorithm>

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

void TComPortWorker::Purge()
{
    if (!IsOpen()) return;
    Port_->PurgeInput();
    Port_->PurgeOutput();
}

bool TComPortWorker::WriteString(const std::string& S)
{
    Purge();
    if (RtsControl_) RtsOn();
    const bool written = IsOpen() && Port_->WriteString(S);
    if (RtsControl_) RtsOff();
    return written;
}

bool TComPortWorker::Write(const std::string& S)
{
    return WriteString(S);
}

void TComPortWorker::ReadAvailable(std::string& S)
{
    if (RtsControl_) RtsOff();
    S.clear();
    std::string chunk;
    while (IsOpen() && S.size() < MaxReplyLength && Port_->InQueCount(0) > 0) {
        Port_->ReadString(chunk);
        S += chunk;
    }
}

bool TComPortWorker::HoldsTerminator(const std::string& Answer, const std::string& Terminator)
{
    // Removing "NOK" left to right, with what a removal joins looked at again, gives the same rest as
    // deleting the first occurrence until none is left: "NOK" cannot overlap itself.
    std::string probe;
    probe.reserve(Answer.size());
    for (const char c : platform::AsciiUpper(Answer)) {
        probe.push_back(c);
        if (probe.size() >= 3 && probe.compare(probe.size() - 3, 3, "NOK") == 0) probe.resize(probe.size() - 3);
    }
    return probe.find(platform::AsciiUpper(Terminator)) != std::string::npos;
}

bool TComPortWorker::TimedOut(std::uint64_t Elapsed, int TimeoutMs)
{
    return Elapsed > static_cast<std::uint64_t>(std::max(TimeoutMs, 0));
}

void TComPortWorker::PauseForInput(std::uint64_t Start, int TimeoutMs)
{
    const std::uint64_t elapsed = Clock_.ElapsedSince(Start);
    const auto timeout = static_cast<std::uint64_t>(std::max(TimeoutMs, 0));
    const std::uint64_t left = timeout >= elapsed ? timeout - elapsed + 1 : 1;
    Clock_.Pause(static_cast<std::uint32_t>(std::min<std::uint64_t>(PollMs, left)),
                 [this](std::uint32_t realMs) { return Port_->WaitInput(realMs); });
}

bool TComPortWorker::WaitFor(std::string& Answer, const std::string& Terminator, int TimeoutMs)
{
    if (RtsControl_) RtsOff();
    Answer.clear();
    const std::uint64_t start = Clock_.NowMs();
    std::string chunk;
    for (;;) {
        if (TimedOut(Clock_.ElapsedSince(start), TimeoutMs) || !IsOpen()) return false;
        while (Port_->InQueCount(0) > 0) {
            Port_->ReadString(chunk);
            Answer += chunk;
            if (HoldsTerminator(Answer, Terminator)) return true;
            if (Answer.size() >= MaxReplyLength || TimedOut(Clock_.ElapsedSince(start), TimeoutMs)) return false;
        }
        if (HoldsTerminator(Answer, Terminator)) return true;
        PauseForInput(start, TimeoutMs);
    }
}

bool TComPortWorker::ReadUntil(std::string& Answer, const std::string& Terminator, int TimeoutMs)
{
    return TComPortWorker::WaitFor(Answer, Terminator, TimeoutMs);
}

bool TComPortWorker::WaitForAny(std::string& Answer, const std::vector<std::string>& Terminators, int TimeoutMs)
{
    const auto holdsAny = [&] {
        return std::any_of(Terminators.begin(), Terminators.end(),
                           [&](const std::string& t) { return platform::ContainsIgnoreAsciiCase(Answer, t); });
    };
    Answer.clear();
    const std::uint64_t start = Clock_.NowMs();
    while (!TimedOut(Clock_.ElapsedSince(start), TimeoutMs) && IsOpen()) {
        ReadAvailable(Answer);
        if (holdsAny()) return true;
        PauseForInput(start, TimeoutMs);
    }
    return holdsAny();
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
    Answer.clear();
    std::string read;
    ReadAvailable(read);
    Answer += read;
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
