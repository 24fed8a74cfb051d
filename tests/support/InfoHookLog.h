#pragma once
// A log that lets a test act in the middle of an exchange, where the real log lets window events run:
// every info line is passed to the hook, if one is set.
#include <functional>
#include <string>

#include "tests/support/RecordingLog.h"

namespace testsupport {

class InfoHookLog : public RecordingLog {
public:
    void AddInfo(const std::string& Msg) override
    {
        RecordingLog::AddInfo(Msg);
        if (onInfo) onInfo(Msg);
    }
    std::function<void(const std::string&)> onInfo;
};

}  // namespace testsupport
