#pragma once
// Port routines for the connect dialog: the list of serial ports (with the mark of the CP2102 bridge),
// its order by port number, and a raw port (open, read, write, close without the serial driver) for the
// automatic search of the port a device hangs on. The raw routines report failure by their results and
// raise nothing; none of them can block beyond its own bound.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "link/SmallRoutines.h"
#include "platform/Clock.h"
#include "platform/KernelPort.h"
#include "platform/SerialPortList.h"

// The mark EnumSerialPorts appends to a port of the CP2102 USB bridge (platform::IsCp2102Port).
inline constexpr const char* Cp2102Mark = "[CP2102]";

// Fills Ports with the system's serial ports sorted by port number (ComparePortNumbers; equal numbers
// by name). With MarkCp2102 a CP2102 port's entry is its name followed by Cp2102Mark.
void EnumSerialPorts(std::vector<std::string>& Ports, bool MarkCp2102);
void EnumSerialPorts(std::vector<std::string>& Ports, bool MarkCp2102, const platform::SerialPortSources& Sources);

// The first run of decimal digits in the port's own name (its folder aside): "/dev/ttyUSB12" gives 12.
// -1 when the name has no digit; a number too large for an int gives the largest int.
int PortNumberOf(const std::string& Name);
// -1, 0 or 1 as the first entry's port number is smaller, equal or larger; a name without digits comes
// after every numbered one. Indexes out of range raise std::out_of_range.
int ComparePortNumbers(const std::vector<std::string>& List, int Index1, int Index2);

// A raw port: empty when invalid. Closing it (or letting it go) releases the device.
struct TComHandle {
    std::unique_ptr<platform::KernelPort> Port;
    bool Valid() const { return Port != nullptr; }
};

inline constexpr std::size_t ComReadBufferSize = 32768;

// Opens PortName for exclusive use at Baud, 8N1, raw, no flow control, both queues purged; then DTR off
// and RTS on. False, with Handle invalid, when any step fails. The clock bounds the waits of the handle.
bool OpenComPort(const std::string& PortName, int Baud, TComHandle& Handle,
                 platform::Clock& Clock = platform::SystemClock());
// Sets every line setting itself (Baud, 8 data bits, no parity, 1 stop bit, raw, no handshake).
bool SetComBaud(TComHandle& Handle, int Baud);
// Lets queued output leave (bounded by the time it needs at the line's speed), discards the rest and
// releases the port. The handle is invalid afterwards; false when the port failed on the way.
bool CloseComPort(TComHandle& Handle);
// Reads at most Buffer's size of what is waiting; 0 when nothing waits or the port failed.
int ReadComPort(TComHandle& Handle, std::span<char> Buffer);
// What is waiting (at most ComReadBufferSize characters), NUL characters turned into blanks.
void ReadComString(TComHandle& Handle, std::string& S);
// Writes S within the time it needs at the line's speed; the count written, -1 when the port failed.
int WriteComPort(TComHandle& Handle, const std::string& S);
// The automatic search's trace; kept quiet.
void DebugTrace(const std::string& Msg);

enum class TProbeResult { Found, Silent, CannotOpen, Cancelled };

// One step of the automatic search: opens PortName raw, writes Query and gathers the reply until it
// holds Expected (Found), TimeoutMs pass on the clock (Silent) or Cancelled says so (Cancelled); window
// events run between polls. Opened runs once the port is open, before the query. The port is closed
// on every way out. A port that fails while it is tried raises (platform::SerialPortError or
// std::runtime_error): the search reports it and goes on.
TProbeResult ProbeComPort(const std::string& PortName, int Baud, const std::string& Query,
                          const std::string& Expected, int TimeoutMs, const EventPump& Pump,
                          const std::function<bool()>& Cancelled, platform::Clock& Clock = platform::SystemClock(),
                          const std::function<void()>& Opened = {});
