#include "link/SerialErr.h"

#include "platform/SystemError.h"

void RaiseError(const std::string& Msg, int ErrorCode)
{
    throw EDeviceError(Msg, ErrorCode);
}

void RaiseSystemError(const std::string& Msg, int ErrorCode, int SystemError)
{
    // The system's own text in the interface's language, as the port's other failures speak.
    throw EDeviceError(Msg + " " + platform::SystemErrorNote(SystemError), ErrorCode);
}
