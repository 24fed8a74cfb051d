#pragma once
// The link's exceptions. Everything that means "the line to the device is gone or unusable" derives from
// ELinkFailure: the modem worker's TModemException (through TCommException) and the serial driver's
// EDeviceError alike, so that one handler ends the operation and disconnects for either (a pulled
// USB adapter must not leave the program "connected").
#include <stdexcept>
#include <string>

class ELinkFailure : public std::runtime_error {
public:
    explicit ELinkFailure(const std::string& msg) : std::runtime_error(msg) {}
};

class TCommException : public ELinkFailure {
public:
    explicit TCommException(const std::string& msg) : ELinkFailure(msg) {}
};

// The user cancelled a long operation; the link stays up.
class TStopException : public std::runtime_error {
public:
    explicit TStopException(const std::string& msg = "Отмена") : std::runtime_error(msg) {}
};

class TCloseException : public std::runtime_error {
public:
    explicit TCloseException(const std::string& msg) : std::runtime_error(msg) {}
};
