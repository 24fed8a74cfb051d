#pragma once
// A serial port whose line a test scripts, for the serial driver's own logic: characters arriving (marked
// as the kernel marks them when parity checking is on), modem lines and the port's counts, breaks and line
// errors, a port that goes. It keeps what the driver sent, the levels it set and the flow characters it
// asked for. By default it leaves to the driver what a Linux port leaves; `native` makes it a port that
// does everything itself. Safe to script from the test's thread while the driver's threads use it.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/KernelPort.h"

namespace testsupport {

struct FakePortKind {
    bool modemLines = true;
    bool counters = true;
    bool reportsModemChanges = true;
    bool native = false;         // does every option itself: no duties, its own queue and events
    bool transmitAtOnce = true;  // else handed characters wait until Transmit
};

class FakeKernelPort final : public platform::KernelPort {
public:
    using Kind = FakePortKind;
    explicit FakeKernelPort(Kind kind = {}) : kind_(kind) {}

    // The line, as a test plays it.
    void Arrive(const std::string& data);
    void SetLines(const platform::ModemLines& lines);
    void Break();
    void ParityError(char c);
    void FrameError(char c);
    void Overrun();
    void Transmit();
    void Vanish();
    // Line events of a native port, bit n being event n of the system's mask.
    void Report(std::uint32_t events);

    // What the driver did.
    std::string Sent() const;
    std::size_t Queued() const;
    bool Dtr() const;
    bool Rts() const;
    std::string FlowChars() const;
    platform::LineSettings Taken() const;

    void Open(const std::string& path) override;
    void Close() noexcept override;
    bool IsOpen() const override;
    platform::DriverDuties Configure(const platform::LineSettings& settings) override;
    platform::LineSettings Settings() const override { return Taken(); }
    void SetTimeouts(const platform::PortTimeouts& timeouts) override;
    platform::PortTimeouts Timeouts() const override;
    bool SetQueueSizes(std::size_t, std::size_t) override { return kind_.native; }
    bool HasModemLines() const override { return kind_.modemLines; }
    std::size_t InputWaiting() const override;
    std::size_t OutputWaiting() const override;
    void PurgeInput() override;
    void PurgeOutput() override;
    std::size_t ReadSome(void* buffer, std::size_t count) override;
    std::size_t WriteSome(const void* buffer, std::size_t count) override;
    bool WaitReadable(std::uint32_t realMs) const override;
    bool WaitWritable(std::uint32_t) const override { return true; }
    void DrainOutput() override {}
    void SetRts(bool on) override;
    void SetDtr(bool on) override;
    platform::ModemLines ModemStatus() const override;
    std::optional<platform::LineCounters> Counters() const override;
    void SendFlowChar(bool stop) override;
    platform::PortWake WaitEvent(std::uint32_t realMs, bool input) override;
    bool ReportsModemChanges() const override { return kind_.reportsModemChanges; }
    void WakeEventWaiter() override;
    void WakeReaders() override;

private:
    void CheckAlive() const;
    // Puts characters into the input as the kernel's line discipline would, marks and all.
    void Receive(const std::string& data, bool damaged);

    const Kind kind_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool open_ = false;
    bool vanished_ = false;
    platform::LineSettings settings_;
    platform::PortTimeouts timeouts_;
    std::string input_;
    std::string queued_;
    std::string sent_;
    std::string flowChars_;
    platform::ModemLines lines_;
    platform::LineCounters counts_;
    bool dtr_ = false;
    bool rts_ = false;
    bool eventWake_ = false;
    mutable bool readerWake_ = false;
    bool modemChanged_ = false;
    std::uint32_t events_ = 0;
};

}  // namespace testsupport
