#pragma once
// A serial port on Linux's termios: opened by device path for exclusive use, raw, non-blocking. The kernel
// carries out the speed (any rate, through termios2), the frame, parity checking (errors marked in the
// characters), XON/XOFF output flow and RTS/CTS as a pair; everything else of the settings it hands back
// as the serial driver's duties (platform::TermiosDuties; platform/KernelPort.h says what each operation
// promises). A modem change is waited for with TIOCMIWAIT on a thread of the port's own, started by the
// first WaitEvent.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/Clock.h"
#include "platform/KernelPort.h"

namespace platform {

// Who was refused a port, as the advice on it needs them.
struct PortAccess {
    std::string user;          // login name; empty when unknown
    std::string group;         // the group the port is open to (dialout when the port names none)
    bool groupListed = false;  // the user database has the user in that group
    bool groupHeld = false;    // this process has the group already
};

// The sentence an open refused for permission raises: the command that puts the user into the port's
// group and that it takes a new login; only the new login when the user is in the group and this
// session began before; neither when the group is held already (the port's own rights are the cause).
std::string PermissionDeniedText(const std::string& path, const PortAccess& access);

class SerialPort final : public KernelPort {
public:
    explicit SerialPort(Clock& clock = SystemClock()) : clock_(clock) {}
    ~SerialPort() override { Close(); }
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    void Open(const std::string& path) override;
    void Close() noexcept override;
    bool IsOpen() const override { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    int Descriptor() const { return fd_; }

    // A frame or handshake setting that the port's driver leaves undone (a pseudo-terminal keeps 8 data
    // bits and no parity), or a speed it sets more than 2 % off, is refused, and the port keeps what it
    // had. A setting that needs modem lines is refused on a port without them.
    DriverDuties Configure(const LineSettings& settings) override;
    LineSettings Settings() const override { return settings_; }
    // Kept for the driver: the kernel's reads and writes take no time-outs of their own.
    void SetTimeouts(const PortTimeouts& timeouts) override;
    PortTimeouts Timeouts() const override { return timeouts_; }
    bool SetQueueSizes(std::size_t, std::size_t) override { return false; }
    bool HasModemLines() const override { return hasModemLines_; }

    std::size_t InputWaiting() const override;
    std::size_t OutputWaiting() const override;
    void PurgeInput() override;
    void PurgeOutput() override;
    std::size_t ReadSome(void* buffer, std::size_t count) override;
    std::size_t WriteSome(const void* buffer, std::size_t count) override;
    bool WaitReadable(std::uint32_t realMs) const override;
    bool WaitWritable(std::uint32_t realMs) const override;
    void DrainOutput() override;

    void SetRts(bool on) override;
    void SetDtr(bool on) override;
    ModemLines ModemStatus() const override;
    std::optional<LineCounters> Counters() const override;
    void SendFlowChar(bool stop) override;

    PortWake WaitEvent(std::uint32_t realMs, bool input) override;
    bool ReportsModemChanges() const override { return hasModemLines_ && !modemWaitRefused_; }
    void WakeEventWaiter() override;
    void WakeReaders() override;

private:
    [[noreturn]] void Raise(const std::string& what, int error) const;
    void CheckOpen() const;
    void CheckAlive() const;
    void SetModemLine(int bit, bool on);
    void WatchModemLines();
    void StopModemWatch() noexcept;

    Clock& clock_;
    int fd_ = -1;
    std::string path_;
    LineSettings settings_;
    PortTimeouts timeouts_;
    bool hasModemLines_ = false;
    // Wakes WaitEvent / WaitReadable / WaitEvent for a modem change (eventfds).
    int eventWake_ = -1;
    int readerWake_ = -1;
    int modemWake_ = -1;
    std::thread modemWatch_;
    std::atomic<bool> stopWatch_{false};
    std::atomic<bool> watchEnded_{false};
    std::atomic<bool> modemWaitRefused_{false};
};

}  // namespace platform
