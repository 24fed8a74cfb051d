#include "platform/PortRules.h"

#include <utility>

#include "platform/SystemError.h"

namespace platform {

using Reason = SerialPortError::Reason;

void RefuseSetting(const std::string& what)
{
    throw SerialPortError(Reason::Unsupported, 0, what);
}

void RefuseImpossibleFrame(const LineSettings& s)
{
    if (s.baud == 0) RefuseSetting("speed 0 cannot be set");
    if (s.dataBits < 5 || s.dataBits > 8) RefuseSetting(std::to_string(s.dataBits) + " data bits cannot be set");
    if (s.stopBits == StopBits::OneAndHalf && s.dataBits != 5) RefuseSetting("1.5 stop bits need 5 data bits");
    if (s.stopBits == StopBits::Two && s.dataBits == 5) RefuseSetting("2 stop bits cannot be set with 5 data bits");
}

void RefuseModemLineSettings(const LineSettings& s)
{
    const std::pair<bool, const char*> needs[] = {
        {s.ctsOutFlow, "CTS output flow"},
        {s.dsrOutFlow, "DSR output flow"},
        {s.dtr == LineControl::Handshake, "DTR handshake"},
        {s.rts == LineControl::Handshake, "RTS handshake"},
        {s.dsrSensitivity, "DSR sensitivity"},
    };
    for (const auto& [asked, name] : needs)
        if (asked) RefuseSetting(std::string(name) + " cannot be set: the port has no modem lines");
}

void RefuseWhatThePortCannotDo(const LineSettings& settings, bool modemLines)
{
    RefuseImpossibleFrame(settings);
    if (!modemLines) RefuseModemLineSettings(settings);
}

void RefuseImpossibleTimeouts(const PortTimeouts& t)
{
    constexpr std::uint32_t kAll = 0xFFFFFFFF;
    if (t.readInterval == kAll && t.readMultiplier == kAll && t.readConstant == kAll)
        RefuseSetting("read time-outs of 4294967295 ms each cannot be set");
}

bool CloseEnoughSpeed(std::uint32_t asked, std::uint32_t taken)
{
    const std::uint64_t off = asked > taken ? asked - taken : taken - asked;
    return off * 50 <= asked;
}

const char* ParityName(Parity parity)
{
    static constexpr const char* kNames[] = {"no", "odd", "even", "mark", "space"};
    return kNames[static_cast<int>(parity)];
}

std::string QuotedPortName(const std::string& path) { return "«" + path + "»"; }

void RaiseNotFound(const std::string& path, int error)
{
    if (path.empty()) throw SerialPortError(Reason::NotFound, error, "порт не выбран.");
    throw SerialPortError(Reason::NotFound, error, "порт " + QuotedPortName(path) + " не найден.");
}

void RaiseBusy(const std::string& path, int error)
{
    throw SerialPortError(Reason::Busy, error, "порт " + QuotedPortName(path) + " занят другой программой.");
}

void RaiseCannotOpen(const std::string& path, int error)
{
    throw SerialPortError(Reason::Failed, error,
                          "не удалось открыть порт " + QuotedPortName(path) + ": " + SystemErrorText(error) + ".");
}

DriverDuties TermiosDuties(const LineSettings& s)
{
    // Both handshake halves together are the kernel's CRTSCTS; either alone is left to the driver.
    const bool pair = s.ctsOutFlow && s.rts == LineControl::Handshake;
    DriverDuties d;
    d.ctsOutFlow = s.ctsOutFlow && !pair;
    d.dsrOutFlow = s.dsrOutFlow;
    d.dtrHandshake = s.dtr == LineControl::Handshake;
    d.rtsHandshake = s.rts == LineControl::Handshake && !pair;
    d.xonXoffInput = s.xonXoffInput;
    d.txStopsOnXoff = s.xonXoffInput && !s.txContinueOnXoff;
    d.dsrSensitivity = s.dsrSensitivity;
    d.replaceErrors = s.replaceErrors;
    d.discardNull = s.discardNull;
    d.abortOnError = s.abortOnError;
    d.inputQueue = true;
    d.errorMarks = s.parityCheck;
    d.lineEvents = true;
    return d;
}

}  // namespace platform
