#pragma once
// The whole simulated communicator (sim::Communicator with a profile) on a fresh pseudo-terminal, with
// a real cable worker opened on it: what a device controller talks to in end-to-end tests. The line is
// a real one, both directions paced at 19200 baud; a test that checks logic, not timing, may set
// `line.SetLineSpeed(0)` and say why. Members are declared so that the worker closes first, then the
// line stops, then the device and the terminal go.
#include <cstdio>
#include <ctime>
#include <string>

#include "link/ComPortWorker.h"
#include "platform/Clock.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"

namespace testsupport {

struct SimDevice {
    // 2024-05-17 13:45:10 on the device's clock at the start.
    static constexpr std::time_t kWallStart = 1'715'953'510;
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

// A profile of the given firmware build ("REV 11.005." and three digits), panel and hardware byte.
inline sim::DeviceProfile Profile(int build, sim::PanelKind panel = sim::PanelKind::Altonika, std::string hardware = "78")
{
    sim::DeviceProfile p;
    char version[32];
    std::snprintf(version, sizeof version, "REV 11.005.%03d", build);
    p.version = version;
    p.panel = panel;
    p.hardware = std::move(hardware);
    p.masterKey = "1234";
    p.historyRecords = 20;
    return p;
}

}  // namespace testsupport
