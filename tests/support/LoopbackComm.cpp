#include "tests/support/LoopbackComm.h"

#include <algorithm>

#include "link/SerialErr.h"
#include "platform/Text.h"

namespace testsupport {

namespace {

bool Holds(const std::string& answer, const std::string& terminator, bool dropNok)
{
    return dropNok ? TComPortWorker::HoldsTerminator(answer, terminator)
                   : platform::ContainsIgnoreAsciiCase(answer, terminator);
}

}  // namespace

LoopbackComm::LoopbackComm(sim::Responder& device, platform::Clock& clock, int timeoutMs)
    : TComPortWorker(false, false, clock), device_(device), clock_(clock), timeout_(timeoutMs)
{
}

void LoopbackComm::FailNext(Fault fault, int times)
{
    for (int i = 0; i < times; ++i) next_.push_back(fault);
}

void LoopbackComm::ClearRecord()
{
    written_.clear();
    waitTimeouts_.clear();
}

bool LoopbackComm::Write(const std::string& S)
{
    if (gone_) throw EDeviceError("Устройство отключено", 5);
    // As the cable worker does: whatever arrived unasked before a request is thrown away.
    pieces_.clear();
    vanishing_ = false;
    written_ += S;
    partial_ += S;
    for (std::size_t cr; (cr = partial_.find('\r')) != std::string::npos;) {
        const std::string request = partial_.substr(0, cr);
        partial_.erase(0, cr + 1);
        Deliver(request, device_.Answer(request));
    }
    return true;
}

void LoopbackComm::Deliver(const std::string& request, std::string reply)
{
    Fault fault = always_;
    if (!next_.empty()) {
        fault = next_.front();
        next_.pop_front();
    }
    switch (fault) {
    case Fault::None: pieces_.push_back(reply); break;
    case Fault::Silence: break;
    case Fault::Nok: pieces_.push_back("NOK\r\n"); break;
    case Fault::Garbage: pieces_.push_back("\xFE\x13#~\x7F" "a?\r\n"); break;
    case Fault::Echo: pieces_.push_back(request + "\r" + reply); break;
    case Fault::Vanish:
        pieces_.push_back(reply.substr(0, reply.size() / 3));
        vanishing_ = true;
        break;
    }
}

std::string LoopbackComm::Arrived()
{
    if (pieces_.empty()) {
        if (vanishing_) {
            gone_ = true;
            throw EDeviceError("Устройство отключено", 5);
        }
        return {};
    }
    std::string piece = std::move(pieces_.front());
    pieces_.pop_front();
    return piece;
}

bool LoopbackComm::Wait(std::string& Answer, const std::vector<std::string>& Terminators, int TimeoutMs,
                        bool dropNok)
{
    if (gone_) throw EDeviceError("Устройство отключено", 5);
    const auto timeout = static_cast<std::uint64_t>(std::max(TimeoutMs, 0));
    waitTimeouts_.push_back(static_cast<int>(timeout));
    Answer.clear();
    const std::uint64_t start = clock_.NowMs();
    const auto matched = [&] {
        return std::any_of(Terminators.begin(), Terminators.end(),
                           [&](const std::string& t) { return Holds(Answer, t, dropNok); });
    };
    while (clock_.ElapsedSince(start) <= timeout) {
        Answer += Arrived();
        if (matched()) return true;
        clock_.Pause(PollMs);
    }
    return false;
}

bool LoopbackComm::ReadUntil(std::string& Answer, const std::string& Terminator, int TimeoutMs)
{
    return Wait(Answer, {Terminator}, TimeoutMs, true);
}

bool LoopbackComm::WaitFor(std::string& Answer, const std::string& Terminator, int TimeoutMs)
{
    return Wait(Answer, {Terminator}, TimeoutMs, true);
}

bool LoopbackComm::WaitForAny(std::string& Answer, const std::vector<std::string>& Terminators, int TimeoutMs)
{
    return Wait(Answer, Terminators, TimeoutMs, false);
}

bool LoopbackComm::ReadAndCheck(std::string& Answer, const std::string& Expected)
{
    Answer.clear();
    while (!pieces_.empty()) Answer += Arrived();
    return platform::ContainsIgnoreAsciiCase(Answer, Expected);
}

}  // namespace testsupport
