#pragma once
// The simulated device, with chosen requests answered otherwise (a refusal, garbage); every request is
// recorded. For in-memory lines only: nothing here is guarded against a line thread.
#include <string>
#include <utility>
#include <vector>

#include "sim/Responder.h"

namespace testsupport {

class OverridingDevice : public sim::Responder {
public:
    explicit OverridingDevice(sim::Responder& device) : device_(device) {}
    std::string Answer(const std::string& request) override
    {
        requests.push_back(request);
        for (const auto& [match, reply] : overrides)
            if (request == match) return reply;
        return device_.Answer(request);
    }
    std::vector<std::pair<std::string, std::string>> overrides;
    std::vector<std::string> requests;

private:
    sim::Responder& device_;
};

}  // namespace testsupport
