#pragma once
// A serial port on termios: opened by device path for exclusive use, raw, non-blocking. Nothing here
// blocks without a bound; waits take their length from the caller and measure it on a platform::Clock.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/Clock.h"

namespace platform {

// A port that cannot be opened, or that fails or goes once open, says so in a Russian sentence for the
// user, beginning in lower case so that it can follow a caller's own words ("Ошибка подключения: порт
// «/dev/ttyUSB0» занят другой программой."). A setting Configure refuses is named as the serial
// driver's messages quote it ("1.5 stop bits cannot be set").
class SerialPortError : public std::runtime_error {
public:
    enum class Reason {
        NotFound,          // no such device
        Busy,              // another program holds the port
        PermissionDenied,  // the user may not open it (dialout group)
        Unsupported,       // a setting Linux cannot apply (speed, 1.5 stop bits, DSR handshake)
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

struct LineSettings {
    std::uint32_t baud = 19200;
    int dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    bool parityCheck = false;  // a character with a parity or framing error then reads as 0
    bool rtsCtsHandshake = false;
    bool dsrHandshake = false;  // Linux has none; asking for it is refused
    bool xonXoffOutput = false;  // obey XON/XOFF from the peer
    bool xonXoffInput = false;   // send XON/XOFF to the peer
    unsigned char xonChar = 17;
    unsigned char xoffChar = 19;
};

class SerialPort {
public:
    explicit SerialPort(Clock& clock = SystemClock()) : clock_(clock) {}
    ~SerialPort() { Close(); }
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens for exclusive use (TIOCEXCL and flock); a second opener gets Reason::Busy.
    void Open(const std::string& path);
    void Close() noexcept;
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    int Descriptor() const { return fd_; }

    static bool IsSupportedSpeed(std::uint32_t baud);
    // Raw mode with the settings. A frame or handshake setting that the port's driver leaves undone
    // (a pseudo-terminal keeps 8 data bits and no parity) is refused, and the port keeps what it had.
    void Configure(const LineSettings& settings);
    LineSettings Settings() const { return settings_; }

    // Characters waiting to be read / still to be sent. A port that vanished raises.
    std::size_t InputWaiting() const;
    std::size_t OutputWaiting() const;
    void PurgeInput();
    void PurgeOutput();

    // Non-blocking: what can be moved now (0 when nothing). A port that vanished raises.
    std::size_t ReadSome(void* buffer, std::size_t count);
    std::size_t WriteSome(const void* buffer, std::size_t count);

    // Block for at most realMs until input waits (or the port hung up, so the caller's next call raises).
    bool WaitReadable(std::uint32_t realMs) const;
    bool WaitWritable(std::uint32_t realMs) const;

    // Waits, bounded by the time the queued output needs at the current speed, until it has left.
    void DrainOutput();
    // Requests a pseudo-terminal refuses are ignored; the rest raise. RTS is dropped only after the
    // output has drained, so a frame is not cut.
    void SetRts(bool on);
    void SetDtr(bool on);

private:
    [[noreturn]] void Raise(const std::string& what, int error) const;
    void CheckOpen() const;
    void CheckAlive() const;
    void SetModemLine(int bit, bool on);

    Clock& clock_;
    int fd_ = -1;
    std::string path_;
    LineSettings settings_;
};

}  // namespace platform
