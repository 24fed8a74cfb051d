#pragma once
// sorvel-sim as the Windows programs meet it under Wine: scripts/test-windows maps its pseudo-terminal to
// a COM port of the prefix, lists the port in the registry and names it in SORVEL_SIM_PORT; the state the
// simulator keeps (its --state-file) is named in SORVEL_SIM_STATE. Without them the tests skip.
#include <gtest/gtest.h>

#include <string>

#include "platform/Environment.h"
#include "platform/WholeFile.h"
#include "sim/StateFile.h"

namespace comport {

inline std::string SimPort() { return platform::EnvironmentValue("SORVEL_SIM_PORT").value_or(""); }

// What the simulator holds now: it writes its state before each reply goes out.
inline sim::DeviceState SimState()
{
    return sim::ParseState(platform::ReadWholeFile(platform::EnvironmentValue("SORVEL_SIM_STATE").value_or(""), 1 << 24));
}

}  // namespace comport

#define SKIP_WITHOUT_SIM()                                                                       \
    if (comport::SimPort().empty()) GTEST_SKIP() << "needs sorvel-sim behind a COM port (scripts/test-windows)"
