#pragma once
// Line faults written as text, as sorvel-sim's options and a test's table give them: "KIND", "KIND=A"
// or "KIND=A,B", where the numbers are the fault's byte count and pause in the order its kind takes
// them (see FaultKinds()). A kind without numbers gets the values a user means by it: long enough to
// be seen on a line with the program's 10-second waits.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sim/Line.h"

namespace sim {

// What a number after "=" sets.
enum class FaultArg { None, Bytes, Pause };

struct FaultForm {
    const char* name;
    FaultArg first;
    FaultArg second;
    Fault defaults;
    bool pooled;  // in the default random pool
};

// Every kind with its name, in the order the help lists them.
const std::vector<FaultForm>& FaultKinds();

// Throws std::invalid_argument, with a message for the user, on an unknown kind or bad numbers.
Fault ParseFault(std::string_view text);

// Every fault but the vanishing device, with its default numbers: what a line's random faults draw
// from when nothing else is asked.
std::vector<Fault> DefaultFaultPool();

}  // namespace sim
