#pragma once
// The serial port as the operating system offers it, under the serial driver (link/SerialDrv.h): open by
// name, line settings, raw reads and writes, queue counts and purges, modem lines, the line's error and
// change counts, and a wait for whatever happens on the line. platform::SerialPort is the system's own:
// on Linux's termios, on Windows's communications calls (MakeSerialPort gives it); tests put a scripted
// port in its place.
//
// Which side carries out an option. A system whose port does everything the driver's settings name
// (Windows: the DCB carries every flag, SetupComm the queue sizes, WaitCommEvent the line events) leaves
// nothing to the driver. A Linux port takes what the kernel does (speed, frame, parity checking,
// XON/XOFF output flow, RTS/CTS handshake as a pair) and hands the rest back from Configure as the
// driver's duties: the input queue and its limits, the options that act on it, the output gates, and
// the line events, which the driver works out from the modem status and the counts.
//
// Contract of the operations (a KernelPort serves one serial driver, or one caller of the raw routines):
// - Threads. Open, Close, Configure, SetTimeouts and SetQueueSizes run on the driver's user thread. The
//   other operations may also run on the driver's event thread, but never two at once: the driver
//   serialises them. WaitEvent (on the event thread) and WaitReadable (on the user thread) run
//   concurrently with any operation but Close; WakeEventWaiter and WakeReaders may be called from any
//   thread at any time while the port is open.
// - Failures raise SerialPortError: Reason::NotOpen for a call that touches a closed port (the plain
//   getters and the wakes do not); Reason::Vanished once the port has gone (adapter pulled, the peer of
//   a pseudo-terminal closed), from every look at it, never an empty read instead; Reason::Unsupported
//   from Configure and SetTimeouts for a setting the port can neither do nor leave to the driver, named
//   in the message; Busy, NotFound, PermissionDenied or Failed from Open, with the Russian sentence the
//   user reads.
// - Nothing blocks without a bound but WaitEvent, which WakeEventWaiter ends.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace platform {

// A port that cannot be opened, or that fails or goes once open, says so in a Russian sentence for the
// user, beginning in lower case so that it can follow a caller's own words ("Ошибка подключения: порт
// «/dev/ttyUSB0» занят другой программой."). A setting Configure refuses is named as the serial
// driver's messages quote it ("4 data bits cannot be set").
class SerialPortError : public std::runtime_error {
public:
    enum class Reason {
        NotFound,          // no such device
        Busy,              // another program holds the port
        PermissionDenied,  // the user may not open it (dialout group)
        Unsupported,       // a setting the port cannot apply (4 data bits, parity on a pseudo-terminal)
        Vanished,          // the port went away (adapter pulled, pseudo-terminal's peer closed)
        NotOpen,
        Failed,            // any other system error
    };
    SerialPortError(Reason reason, int error, const std::string& message)
        : std::runtime_error(message), reason_(reason), error_(error) {}
    Reason reason() const { return reason_; }
    // errno of the failing call; 0 when the failure was ours (an unsupported setting).
    int error() const { return error_; }

private:
    Reason reason_;
    int error_;
};

enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };
// How an output line (DTR, RTS) is driven: held low, held high, or by the input queue's fill level.
enum class LineControl { Disable, Enable, Handshake };

// Every line setting of the serial driver, as a DCB holds them. The defaults are the program's own line:
// 19200 baud, 8N1, raw, no flow control. The levels of DTR and RTS under Disable and Enable are set by
// SetDtr and SetRts, not by Configure, so that a port's lines do not glitch on a change of speed.
struct LineSettings {
    std::uint32_t baud = 19200;
    int dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    bool parityCheck = false;
    bool ctsOutFlow = false;      // send only while CTS is high
    bool dsrOutFlow = false;      // send only while DSR is high
    LineControl dtr = LineControl::Disable;
    LineControl rts = LineControl::Disable;
    bool dsrSensitivity = false;  // take no input while DSR is low
    bool txContinueOnXoff = false;
    bool xonXoffOutput = false;   // obey XON/XOFF from the peer
    bool xonXoffInput = false;    // send XON/XOFF to the peer by the limits
    bool replaceErrors = false;   // a character with a parity error becomes errorChar (with parityCheck)
    bool discardNull = false;
    bool abortOnError = false;    // refuse transfers after a line error until it is taken
    std::uint32_t xonLimit = 512;   // release the peer once no more characters than this wait
    std::uint32_t xoffLimit = 512;  // hold the peer once fewer places than this are free
    unsigned char xonChar = 17;
    unsigned char xoffChar = 19;
    unsigned char errorChar = 0;
    unsigned char eofChar = 0;
    unsigned char eventChar = 10;
};

// What a port leaves to the serial driver of the settings it took: each true member the driver carries
// out in its own code.
struct DriverDuties {
    bool ctsOutFlow = false;
    bool dsrOutFlow = false;
    bool dtrHandshake = false;
    bool rtsHandshake = false;
    bool xonXoffInput = false;      // send XOFF and XON by the limits (SendFlowChar)
    bool txStopsOnXoff = false;     // hold output while an XOFF sent is in force
    bool dsrSensitivity = false;
    bool replaceErrors = false;
    bool discardNull = false;
    bool abortOnError = false;
    bool inputQueue = false;   // keep the input queue of the asked size; the port only hands characters on
    bool errorMarks = false;   // read errors from marks in the characters: \377 \0 c a character with a
                               // parity or framing error, \377 \0 \0 a break, \377 \377 the character \377
    bool lineEvents = false;   // work out line events from ModemStatus and Counters
};

// Levels of the modem lines.
struct ModemLines {
    bool cts = false;
    bool dsr = false;
    bool rlsd = false;
    bool ring = false;
    bool operator==(const ModemLines&) const = default;
};

// Counts since the port was opened, as the port's own driver keeps them.
struct LineCounters {
    std::uint32_t cts = 0, dsr = 0, rlsd = 0, ring = 0;
    std::uint32_t breaks = 0, frame = 0, overrun = 0, parity = 0, bufferOverrun = 0;
};

// The port's own time-outs for one read or write, in ms, as the serial driver's settings hold them.
struct PortTimeouts {
    std::uint32_t readInterval = 1;
    std::uint32_t readMultiplier = 30;
    std::uint32_t readConstant = 1;
    std::uint32_t writeMultiplier = 30;
    std::uint32_t writeConstant = 1;
    bool operator==(const PortTimeouts&) const = default;
};

// Why WaitEvent returned; several at once are possible, none when its time ran out.
struct PortWake {
    bool input = false;   // characters wait in the port
    bool modem = false;   // a modem line changed
    bool woken = false;   // WakeEventWaiter was called
    bool hungUp = false;  // the port has gone; the next look raises
    // Line events a port finds itself (one whose duties leave no lineEvents), bit n being event n of the
    // system's event mask (character, event character, output empty, CTS, DSR, RLSD, break, error, ring, ...).
    std::uint32_t events = 0;
};

class KernelPort {
public:
    static constexpr std::uint32_t kForever = 0xFFFFFFFF;

    virtual ~KernelPort() = default;

    // Opens for exclusive use; a second opener gets Reason::Busy.
    virtual void Open(const std::string& path) = 0;
    // Harmless on a closed port.
    virtual void Close() noexcept = 0;
    virtual bool IsOpen() const = 0;

    // Applies the settings, or raises Unsupported naming what it cannot do and keeps what it had. Returns
    // what it leaves to the driver.
    virtual DriverDuties Configure(const LineSettings& settings) = 0;
    // The settings in force, as the port reads them back.
    virtual LineSettings Settings() const = 0;
    // Refuses (Unsupported) time-outs the system refuses; Timeouts reads them back.
    virtual void SetTimeouts(const PortTimeouts& timeouts) = 0;
    virtual PortTimeouts Timeouts() const = 0;
    // The system's own queue sizes; false when the port keeps none of its own (the driver's duty then).
    virtual bool SetQueueSizes(std::size_t input, std::size_t output) = 0;
    // Whether the port has modem lines at all (a pseudo-terminal has none).
    virtual bool HasModemLines() const = 0;

    // Characters waiting to be read / handed over but not yet sent.
    virtual std::size_t InputWaiting() const = 0;
    virtual std::size_t OutputWaiting() const = 0;
    virtual void PurgeInput() = 0;
    virtual void PurgeOutput() = 0;
    // Non-blocking: what can be moved now, 0 when nothing.
    virtual std::size_t ReadSome(void* buffer, std::size_t count) = 0;
    virtual std::size_t WriteSome(const void* buffer, std::size_t count) = 0;
    // Blocks for at most realMs until input waits in the port, WakeReaders was called or the port hung up.
    virtual bool WaitReadable(std::uint32_t realMs) const = 0;
    virtual bool WaitWritable(std::uint32_t realMs) const = 0;
    // Waits, bounded by the time the queued output needs at the current speed, until it has left.
    virtual void DrainOutput() = 0;

    // Requests a port without modem lines refuses are ignored; the level changes at once.
    virtual void SetRts(bool on) = 0;
    virtual void SetDtr(bool on) = 0;
    // All low on a port without modem lines.
    virtual ModemLines ModemStatus() const = 0;
    // Empty when the port keeps no counts.
    virtual std::optional<LineCounters> Counters() const = 0;
    // Sends XOFF (stop) or XON ahead of any queued output.
    virtual void SendFlowChar(bool stop) = 0;

    // Blocks for at most realMs (kForever: without limit) until something happens: input (only when
    // `input` is asked for), a modem change (where ReportsModemChanges), WakeEventWaiter, or a hang-up.
    virtual PortWake WaitEvent(std::uint32_t realMs, bool input) = 0;
    // Whether WaitEvent wakes on a modem change by itself; where not, the caller looks at ModemStatus
    // between bounded waits.
    virtual bool ReportsModemChanges() const = 0;
    virtual void WakeEventWaiter() = 0;
    // Ends a WaitReadable now or the next one at once: the driver took input into its own queue.
    virtual void WakeReaders() = 0;
};

// The system's serial port, closed; the clock bounds its own waits (DrainOutput).
class Clock;
std::unique_ptr<KernelPort> MakeSerialPort(Clock& clock);

}  // namespace platform
