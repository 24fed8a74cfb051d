#pragma once
// What every system's serial port checks and says alike: the frames a UART can send, the settings that
// need modem lines, the time-outs no read can keep, a speed close enough to the one asked for, the
// sentences that name a port that cannot be opened, and what a port carrying out only the terminal's part
// of the settings (speed, frame, parity checking with error marks, XON/XOFF output flow, RTS/CTS as a
// pair) leaves to the serial driver.
#include <cstdint>
#include <string>

#include "platform/KernelPort.h"

namespace platform {

// Raises SerialPortError Unsupported naming the setting.
[[noreturn]] void RefuseSetting(const std::string& what);
// 1.5 stop bits only with 5 data bits (the UART's two-stop-bit flag gives one and a half there), 2 never
// with 5; 5 to 8 data bits; a speed above 0.
void RefuseImpossibleFrame(const LineSettings& settings);
// Handshakes and sensitivity that a port without modem lines (a pseudo-terminal) cannot carry out.
void RefuseModemLineSettings(const LineSettings& settings);
// What no port of this kind can do: RefuseImpossibleFrame, and RefuseModemLineSettings where it has no
// modem lines.
void RefuseWhatThePortCannotDo(const LineSettings& settings, bool modemLines);
// The one combination of read time-outs that would make a read neither wait nor return.
void RefuseImpossibleTimeouts(const PortTimeouts& timeouts);
// A rate farther off than 2 % from the one asked for is beyond what a receiver at the other end takes.
bool CloseEnoughSpeed(std::uint32_t asked, std::uint32_t taken);
// "no", "odd", "even", "mark", "space".
const char* ParityName(Parity parity);

// The port as the user's sentences name it: «COM3», «/dev/ttyUSB0».
std::string QuotedPortName(const std::string& path);
// The sentences of a port that cannot be opened, beginning in lower case: "порт не выбран." for an empty
// name, "порт «…» не найден.", "порт «…» занят другой программой.", "не удалось открыть порт «…»: why.".
[[noreturn]] void RaiseNotFound(const std::string& path, int error);
[[noreturn]] void RaiseBusy(const std::string& path, int error);
[[noreturn]] void RaiseCannotOpen(const std::string& path, int error);

// What a termios port leaves to the driver of these settings (see DriverDuties).
DriverDuties TermiosDuties(const LineSettings& settings);

}  // namespace platform
