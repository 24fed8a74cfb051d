#pragma once
// The whole simulated communicator (sim::Communicator with a profile) on a fresh pseudo-terminal, with
// a real cable worker opened on it: what a device controller talks to in end-to-end tests. The line is
// a real one, both directions paced at 19200 baud; a test that checks logic, not timing, may set
// `line.SetLineSpeed(0)` and say why. Members are declared so that the worker closes first, then the
// line stops, then the device and the terminal go.
#include <ctime>
#include <string>

#include "link/ComPortWorker.h"
#include "platform/Clock.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "tests/support/SimProfile.h"

namespace testsupport {

struct SimDevice {
    static constexpr std::time_t kWallStart = kSimWallStart;
    static constexpr int kTimeoutMs = 200;

    SimDevice(const sim::DeviceProfile& profile, platform::Clock& clock)
        : device(profile, clock, kWallStart), worker(true, true, clock)
    {
        line.SetRequestPacing(true);
        // A short time-out of the worker's own, so that a device controller with a lowered floor
        // (TDevice::SetTimeoutFloor) waits out a failing exchange quickly on the manual clock.
        worker.OpenWithTimeout(pty.SlavePath(), br19200, kTimeoutMs);
    }

    sim::Pty pty;
    sim::Communicator device;
    sim::Line line{pty, device};
    TComPortWorker worker;
};

}  // namespace testsupport
