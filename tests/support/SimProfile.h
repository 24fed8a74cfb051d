#pragma once
// The simulated communicator's profile and clock as the tests give them.
#include <cstdio>
#include <ctime>
#include <string>

#include "sim/DeviceStore.h"

namespace testsupport {

// 2024-05-17 13:45:10 on the device's clock at the start.
inline constexpr std::time_t kSimWallStart = 1'715'953'510;

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
