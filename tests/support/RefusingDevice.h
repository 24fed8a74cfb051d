#pragma once
// The whole simulated communicator behind an in-memory line, recording every request; the words a test
// names are refused ("NOK") instead of answered.
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "sim/Communicator.h"
#include "sim/Responder.h"
#include "tests/support/SimDevice.h"

namespace testsupport {

class RefusingDevice : public sim::Responder {
public:
    RefusingDevice(const sim::DeviceProfile& profile, platform::Clock& clock)
        : device(profile, clock, SimDevice::kWallStart)
    {
    }
    std::string Answer(const std::string& request) override
    {
        requests.push_back(request);
        for (const std::string& word : refused)
            if (request.rfind("+" + word, 0) == 0) return "NOK\r\n";
        return device.Answer(request);
    }
    sim::Communicator device;
    std::vector<std::string> refused;
    std::vector<std::string> requests;
};

}  // namespace testsupport
