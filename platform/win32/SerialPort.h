#pragma once
// A serial port on Windows's communications calls: opened by name ("COM3", "\\.\COM12") for exclusive use
// with overlapped input and output. The system's driver carries out every line setting and option the DCB
// holds, the queue sizes (SetupComm) and the time-outs (SetCommTimeouts), and reports the line events
// (WaitCommEvent): nothing is left to the serial driver (platform/KernelPort.h says what each operation
// promises).
//
// Where the system's driver does less, the port makes up for it so that the serial driver sees the same
// port: a terminal under it that drops part of a frame or a speed (a pseudo-terminal under Wine) is found
// by reading the settings back, and refused by name; a port without WaitCommEvent (Wine's, on a
// pseudo-terminal) is watched by looking at it at short intervals; a system that lets a second program
// open a held port (Wine) is kept from this program's second opener by a lock named after the port; a
// port without modem lines ignores RTS and DTR requests, as on Linux.
//
// A wait for input keeps one overlapped read of a single character outstanding, so that it wakes as
// soon as a character comes, on every system; the character is handed out first by the next read.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Clock.h"
#include "platform/KernelPort.h"

namespace platform {

class SerialPort final : public KernelPort {
public:
    explicit SerialPort(Clock& clock = SystemClock());
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    void Open(const std::string& path) override;
    void Close() noexcept override;
    bool IsOpen() const override;
    const std::string& Path() const { return path_; }

    DriverDuties Configure(const LineSettings& settings) override;
    LineSettings Settings() const override { return settings_; }
    void SetTimeouts(const PortTimeouts& timeouts) override;
    PortTimeouts Timeouts() const override;
    bool SetQueueSizes(std::size_t input, std::size_t output) override;
    bool HasModemLines() const override { return hasModemLines_; }

    std::size_t InputWaiting() const override;
    std::size_t OutputWaiting() const override;
    void PurgeInput() override;
    void PurgeOutput() override;
    std::size_t ReadSome(void* buffer, std::size_t count) override;
    // Hands the characters to the system and waits until it has taken them, within the port's write
    // time-outs (or, where those are off, twice the characters' time on the line and a second more).
    std::size_t WriteSome(const void* buffer, std::size_t count) override;
    bool WaitReadable(std::uint32_t realMs) const override;
    bool WaitWritable(std::uint32_t realMs) const override;
    void DrainOutput() override;

    void SetRts(bool on) override;
    void SetDtr(bool on) override;
    ModemLines ModemStatus() const override;
    // The system's driver keeps the counts to itself: its line events say what changed.
    std::optional<LineCounters> Counters() const override { return std::nullopt; }
    void SendFlowChar(bool stop) override;

    PortWake WaitEvent(std::uint32_t realMs, bool input) override;
    bool ReportsModemChanges() const override { return true; }
    void WakeEventWaiter() override;
    void WakeReaders() override;

private:
    struct Handles;

    void CheckOpen() const;
    void Escape(unsigned function, const char* name);

    Clock& clock_;
    std::unique_ptr<Handles> io_;
    std::string path_;
    LineSettings settings_;
    PortTimeouts timeouts_;
    std::size_t outputSize_ = 4096;
    bool hasModemLines_ = false;
    bool rtsOn_ = false;
    bool dtrOn_ = false;
};

}  // namespace platform
