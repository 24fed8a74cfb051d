#include "tests/support/FakeKernelPort.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/PortRules.h"

namespace testsupport {

using platform::SerialPortError;
using Lock = std::unique_lock<std::mutex>;

namespace {
// Real time for a wait without limit: a test that loses a wake fails instead of hanging.
constexpr std::uint32_t kLongestWaitMs = 5000;
}  // namespace

void FakeKernelPort::Receive(const std::string& data, bool damaged)
{
    const bool marks = settings_.parityCheck && !kind_.native;
    for (const char c : data) {
        if (marks && damaged) input_ += std::string("\xFF\0", 2);
        if (marks && !damaged && c == '\xFF') input_ += '\xFF';
        input_ += c;
    }
    changed_.notify_all();
}

void FakeKernelPort::Arrive(const std::string& data)
{
    const Lock lock(mutex_);
    Receive(data, false);
}

void FakeKernelPort::SetLines(const platform::ModemLines& lines)
{
    const Lock lock(mutex_);
    counts_.cts += lines.cts != lines_.cts;
    counts_.dsr += lines.dsr != lines_.dsr;
    counts_.rlsd += lines.rlsd != lines_.rlsd;
    counts_.ring += lines.ring && !lines_.ring;
    lines_ = lines;
    modemChanged_ = true;
    changed_.notify_all();
}

void FakeKernelPort::Break()
{
    const Lock lock(mutex_);
    ++counts_.breaks;
    // Without parity checking the kernel hands a break on as a NUL.
    input_ += settings_.parityCheck ? std::string("\xFF\0\0", 3) : std::string(1, '\0');
    changed_.notify_all();
}

void FakeKernelPort::ParityError(char c)
{
    const Lock lock(mutex_);
    ++counts_.parity;
    Receive(std::string(1, c), true);
}

void FakeKernelPort::FrameError(char c)
{
    const Lock lock(mutex_);
    ++counts_.frame;
    Receive(std::string(1, c), true);
}

void FakeKernelPort::Overrun()
{
    const Lock lock(mutex_);
    ++counts_.overrun;
    Receive("o", false);
}

void FakeKernelPort::Transmit()
{
    const Lock lock(mutex_);
    sent_ += queued_;
    queued_.clear();
}

void FakeKernelPort::Vanish()
{
    const Lock lock(mutex_);
    vanished_ = true;
    changed_.notify_all();
}

void FakeKernelPort::Report(std::uint32_t events)
{
    const Lock lock(mutex_);
    events_ |= events;
    changed_.notify_all();
}

std::string FakeKernelPort::Sent() const
{
    const Lock lock(mutex_);
    return sent_;
}

std::size_t FakeKernelPort::Queued() const
{
    const Lock lock(mutex_);
    return queued_.size();
}

bool FakeKernelPort::Dtr() const
{
    const Lock lock(mutex_);
    return dtr_;
}

bool FakeKernelPort::Rts() const
{
    const Lock lock(mutex_);
    return rts_;
}

std::string FakeKernelPort::FlowChars() const
{
    const Lock lock(mutex_);
    return flowChars_;
}

platform::LineSettings FakeKernelPort::Taken() const
{
    const Lock lock(mutex_);
    return settings_;
}

void FakeKernelPort::CheckAlive() const
{
    if (!open_) throw SerialPortError(SerialPortError::Reason::NotOpen, 0, "порт не открыт.");
    if (vanished_) throw SerialPortError(SerialPortError::Reason::Vanished, 5, "порт отключен.");
}

void FakeKernelPort::Open(const std::string& path)
{
    const Lock lock(mutex_);
    if (path.empty()) throw SerialPortError(SerialPortError::Reason::NotFound, 2, "порт не выбран.");
    open_ = true;
}

void FakeKernelPort::Close() noexcept
{
    const Lock lock(mutex_);
    open_ = false;
}

bool FakeKernelPort::IsOpen() const
{
    const Lock lock(mutex_);
    return open_;
}

platform::DriverDuties FakeKernelPort::Configure(const platform::LineSettings& settings)
{
    const Lock lock(mutex_);
    CheckAlive();
    settings_ = settings;
    return kind_.native ? platform::DriverDuties{} : platform::TermiosDuties(settings);
}

void FakeKernelPort::SetTimeouts(const platform::PortTimeouts& timeouts)
{
    const Lock lock(mutex_);
    CheckAlive();
    if (timeouts.readInterval == 0xFFFFFFFF && timeouts.readMultiplier == 0xFFFFFFFF)
        throw SerialPortError(SerialPortError::Reason::Unsupported, 0, "refused");
    timeouts_ = timeouts;
}

platform::PortTimeouts FakeKernelPort::Timeouts() const
{
    const Lock lock(mutex_);
    return timeouts_;
}

std::size_t FakeKernelPort::InputWaiting() const
{
    const Lock lock(mutex_);
    CheckAlive();
    return input_.size();
}

std::size_t FakeKernelPort::OutputWaiting() const
{
    const Lock lock(mutex_);
    CheckAlive();
    return queued_.size();
}

void FakeKernelPort::PurgeInput()
{
    const Lock lock(mutex_);
    input_.clear();
}

void FakeKernelPort::PurgeOutput()
{
    const Lock lock(mutex_);
    queued_.clear();
}

std::size_t FakeKernelPort::ReadSome(void* buffer, std::size_t count)
{
    const Lock lock(mutex_);
    CheckAlive();
    const std::size_t n = std::min(count, input_.size());
    std::memcpy(buffer, input_.data(), n);
    input_.erase(0, n);
    return n;
}

std::size_t FakeKernelPort::WriteSome(const void* buffer, std::size_t count)
{
    const Lock lock(mutex_);
    CheckAlive();
    (kind_.transmitAtOnce ? sent_ : queued_).append(static_cast<const char*>(buffer), count);
    return count;
}

bool FakeKernelPort::WaitReadable(std::uint32_t realMs) const
{
    Lock lock(mutex_);
    const bool ready = changed_.wait_for(lock, std::chrono::milliseconds(std::min(realMs, kLongestWaitMs)),
                                         [&] { return !input_.empty() || readerWake_ || vanished_; });
    readerWake_ = false;
    return ready;
}

void FakeKernelPort::SetRts(bool on)
{
    const Lock lock(mutex_);
    CheckAlive();
    rts_ = on;
}

void FakeKernelPort::SetDtr(bool on)
{
    const Lock lock(mutex_);
    CheckAlive();
    dtr_ = on;
}

platform::ModemLines FakeKernelPort::ModemStatus() const
{
    const Lock lock(mutex_);
    CheckAlive();
    return kind_.modemLines ? lines_ : platform::ModemLines{};
}

std::optional<platform::LineCounters> FakeKernelPort::Counters() const
{
    const Lock lock(mutex_);
    CheckAlive();
    if (!kind_.counters) return std::nullopt;
    return counts_;
}

void FakeKernelPort::SendFlowChar(bool stop)
{
    const Lock lock(mutex_);
    CheckAlive();
    flowChars_ += static_cast<char>(stop ? settings_.xoffChar : settings_.xonChar);
}

platform::PortWake FakeKernelPort::WaitEvent(std::uint32_t realMs, bool input)
{
    Lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(std::min(realMs, kLongestWaitMs)), [&] {
        return eventWake_ || vanished_ || events_ != 0 || (input && !input_.empty()) ||
               (modemChanged_ && kind_.reportsModemChanges);
    });
    platform::PortWake wake;
    wake.woken = std::exchange(eventWake_, false);
    wake.modem = std::exchange(modemChanged_, false);
    wake.input = !input_.empty();
    wake.hungUp = vanished_;
    wake.events = std::exchange(events_, 0);
    return wake;
}

void FakeKernelPort::WakeEventWaiter()
{
    const Lock lock(mutex_);
    eventWake_ = true;
    changed_.notify_all();
}

void FakeKernelPort::WakeReaders()
{
    const Lock lock(mutex_);
    readerWake_ = true;
    changed_.notify_all();
}

}  // namespace testsupport
