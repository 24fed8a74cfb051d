#include "link/SerialErr.h"

#include <cstring>

void RaiseError(const std::string& Msg, int ErrorCode)
{
    throw EDeviceError(Msg, ErrorCode);
}

void RaiseSystemError(const std::string& Msg, int ErrorCode, int SystemError)
{
    throw EDeviceError(Msg + " (system error " + std::to_string(SystemError) + ": " + std::strerror(SystemError) + ")",
                       ErrorCode);
}
