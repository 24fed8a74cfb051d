#pragma once
// A port worker without a port: each request written goes straight to a simulated device in memory and
// its reply is served to the waits, with the cable worker's terminator rules ("NOK" never counts as
// "OK", ASCII case ignored, 20 ms polls on the given clock). Faults of a real line can be scripted per
// request. Lets the command set be tested fast and without a pseudo-terminal. The cable worker, never
// opened, supplies the operations that forward to the waits (the defaults and the Expect family).
#include <deque>
#include <string>
#include <vector>

#include "link/ComPortWorker.h"
#include "platform/Clock.h"
#include "sim/Responder.h"

namespace testsupport {

class LoopbackComm final : public TComPortWorker {
public:
    enum class Fault {
        None,
        Silence,  // no reply at all
        Nok,      // "NOK" instead of the reply
        Garbage,  // line noise instead of the reply
        Echo,     // the line hears its own frame before the reply
        Vanish,   // part of the reply, then the port is gone
    };

    LoopbackComm(sim::Responder& device, platform::Clock& clock, int timeoutMs = 500);

    void FailNext(Fault fault, int times = 1);
    void FailAlways(Fault fault) { always_ = fault; }

    // Every byte written, in order.
    const std::string& Written() const { return written_; }
    // The time-out of every wait, in order.
    const std::vector<int>& WaitTimeouts() const { return waitTimeouts_; }
    void ClearRecord();

    int GetTimeout() override { return timeout_; }
    bool Write(const std::string& S) override;
    bool ReadUntil(std::string& Answer, const std::string& Terminator, int TimeoutMs) override;
    bool WaitFor(std::string& Answer, const std::string& Terminator, int TimeoutMs) override;
    bool WaitForAny(std::string& Answer, const std::vector<std::string>& Terminators, int TimeoutMs) override;
    bool ReadAndCheck(std::string& Answer, const std::string& Expected) override;

private:
    // One poll: what arrived since the last one; throws the link failure of a vanished port.
    std::string Arrived();
    void Deliver(const std::string& request, std::string reply);
    bool Wait(std::string& Answer, const std::vector<std::string>& Terminators, int TimeoutMs, bool dropNok);

    sim::Responder& device_;
    platform::Clock& clock_;
    int timeout_;
    std::string partial_;             // a request not yet closed by CR
    std::deque<std::string> pieces_;  // reply bytes, one piece per poll
    bool vanishing_ = false;
    bool gone_ = false;
    std::deque<Fault> next_;
    Fault always_ = Fault::None;
    std::string written_;
    std::vector<int> waitTimeouts_;
};

}  // namespace testsupport
