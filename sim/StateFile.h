#pragma once
// The simulated communicator's state as a text, for a program that cannot look into the simulator's
// memory (the Windows program under Wine, across the COM port): its profile, the values it stores, its
// newest history records, its login and resets, and the firmware its bootloader took. sorvel-sim writes it
// whole after every request that changed it; the tests read it back into the same form.
#include <map>
#include <string>
#include <string_view>

#include "sim/Communicator.h"

namespace sim {

struct DeviceState {
    DeviceProfile profile;
    std::map<std::string, std::string> values;  // wire bytes (Windows-1251)
    std::map<int, std::string> history;         // record number -> record, the newest ones
    int historyPointer = 0;
    bool loggedIn = false;
    int resets = 0;
    bool firmwareWritten = false;
    std::string image;  // the bytes the bootloader took
};

// Lines "name value"; a value runs to the end of its line (values hold no line breaks).
std::string StateText(const Communicator& device, int historyRecords = 200);
// Throws std::invalid_argument for a text that is not one StateText wrote.
DeviceState ParseState(std::string_view text);

}  // namespace sim
