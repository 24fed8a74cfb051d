#pragma once
// The serial driver's exception: a fixed message and code per failure.
#include <string>

#include "link/MyExceptions.h"

class EDeviceError : public ELinkFailure {
public:
    EDeviceError(const std::string& Msg, int ErrorCode) : ELinkFailure(Msg), ErrorCode(ErrorCode) {}
    int ErrorCode;
};
