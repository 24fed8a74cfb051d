#pragma once
// The device controller's side of a page routine as tests need it: a real protocol object over the
// in-memory port to a simulated communicator, with the progress, errors and watchdog recorded, and a
// cancel that strikes at a chosen progress step.
#include <functional>
#include <string>
#include <vector>

#include "app/ExchangeSteps.h"
#include "link/DevSorvel7QX1.h"
#include "link/MyExceptions.h"
#include "platform/Clock.h"
#include "sim/Communicator.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/RecordingLog.h"

namespace testsupport {

class FakeExchangeSteps final : public TExchangeSteps {
public:
    explicit FakeExchangeSteps(sim::Responder& device, platform::ManualClock& clock)
        : comm(device, clock), dev(comm, &log)
    {
        // Failures wait out the time-out on the manual clock; a low floor keeps the count of polls small.
        dev.SetTimeoutFloor(200);
    }

    TDevice& Device() override { return dev; }
    TLogWriter* Log() override { return &log; }
    void SetupProgress(int) override {}
    void StepProgress() override
    {
        ++steps;
        if (cancelAtStep > 0 && steps >= cancelAtStep) throw TStopException();
    }
    void WithProgressWindow(const std::function<void()>& Body) override
    {
        struct Close {
            FakeExchangeSteps& s;
            ~Close() { ++s.windowsClosed; }
        } close{*this};
        Body();
    }
    void PumpEvents() override
    {
        ++pumps;
        if (onPump) onPump();
    }
    void LogReading(const std::string& Group) override { reading.push_back(Group); }
    void LogWriting(const std::string&) override {}
    void AddReadError(const std::string& Group) override { readErrors.push_back(Group); }
    void AddWriteError(const std::string&) override {}
    void AddWriteErrorDetail(const std::string&, const std::string&) override {}
    void SetWatchdog(bool On) override { watchdog = On; }

    LoopbackComm comm;
    RecordingLog log;
    TDevSorvel7QX1 dev;
    int steps = 0;
    int cancelAtStep = 0;  // 0: never
    int windowsClosed = 0;
    int pumps = 0;
    std::function<void()> onPump;
    std::vector<std::string> reading;
    std::vector<std::string> readErrors;
    bool watchdog = true;
};

}  // namespace testsupport
