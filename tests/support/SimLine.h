#pragma once
// A simulated device on a fresh pseudo-terminal, ready for the real serial code to open `Path()`; its
// replies come byte by byte at 19200 baud unless a test asks for another speed (0: at once).
// Members are declared so that the line stops before the terminal and the responder go away.
#include <map>
#include <string>

#include "sim/Line.h"
#include "sim/Pty.h"
#include "tests/support/StoreResponder.h"

namespace testsupport {

struct SimLine {
    using Values = std::map<std::string, std::string>;
    explicit SimLine(Values values = {}, std::uint32_t baud = sim::Line::kDefaultBaud)
        : responder(std::move(values))
    {
        line.SetLineSpeed(baud);
    }
    const std::string& Path() const { return pty.SlavePath(); }

    sim::Pty pty;
    StoreResponder responder;
    sim::Line line{pty, responder};
};

}  // namespace testsupport
