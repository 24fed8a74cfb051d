#pragma once
// The Sorvel GSM-7-QX3 as the protocol object sees it: its version mark, frame and terminator, and the
// three senders of the firmware upload, which speak to the bootloader once per call and hand back the
// reply as received.
#include <string>

#include "link/Device.h"

class TDevSorvel7QX1 : public TDevice {
public:
    static constexpr int ShortTimeoutMs = 2'500;
    static constexpr int LongTimeoutMs = 15'000;

    TDevSorvel7QX1(TCommunication& Comm, TLogWriter* Log);

    // "BL", "v".
    bool SendShort(const std::string& Cmd, std::string& Answer, bool LogIt);
    // "BE", "EE": erasing and programming the flash takes long.
    bool SendLong(const std::string& Cmd, std::string& Answer, bool LogIt);
    // "W" blocks.
    bool SendRecord(const std::string& Cmd, std::string& Answer, bool LogIt);
};
