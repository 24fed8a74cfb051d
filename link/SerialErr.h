#pragma once
// The serial driver's exception: a fixed message and code per failure.
#include <string>

#include "link/MyExceptions.h"

class EDeviceError : public ELinkFailure {
public:
    EDeviceError(const std::string& Msg, int ErrorCode) : ELinkFailure(Msg), ErrorCode(ErrorCode) {}
    int ErrorCode;
};

// Codes and messages of the driver's failures ("allready" is the program's own spelling).
namespace SerialErr {
constexpr int NotOpened = 1;
constexpr int AlreadyOpened = 2;
constexpr int SetDcb = 3;
constexpr int WriteLocked = 4;
constexpr int ReadLocked = 5;
constexpr int SetBuffers = 6;
constexpr int SetTimeouts = 7;
constexpr int ReadFailed = 10;
constexpr int WriteFailed = 11;
constexpr int OpenFailed = 65535;

constexpr const char* MsgOpenFailed = "Cannot open device %s";
constexpr const char* MsgAlreadyOpened = "Device is allready opened.";
constexpr const char* MsgNotOpened = "Device not opened.";
constexpr const char* MsgSetDcb = "Unable to update device control block.";
constexpr const char* MsgSetBuffers = "Unable to update IO buffers.";
constexpr const char* MsgSetTimeouts = "Unable to update Timeouts.";
constexpr const char* MsgWriteLocked = "Device locked. Cannot perform send operations.";
constexpr const char* MsgReadLocked = "Device locked. Cannot perform read operations.";
constexpr const char* MsgWriteFailed = "Unable to write to port.";
constexpr const char* MsgReadFailed = "Unable to read from port.";
}  // namespace SerialErr

[[noreturn]] void RaiseError(const std::string& Msg, int ErrorCode);
// The message followed by the operating system's error number and its text: "%s (system error %d: %s)"
// on Linux, "%s (Win32 error %d: %s)" on Windows.
[[noreturn]] void RaiseSystemError(const std::string& Msg, int ErrorCode, int SystemError);
