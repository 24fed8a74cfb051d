#pragma once
// The port worker for a direct cable line: writes a request and reads the reply until a terminator, a
// time-out or a closed port, polling the serial port every 20 ms at most. The modem worker derives from it.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/Communication.h"
#include "link/SerialDrv.h"
#include "platform/Clock.h"

class TComPortWorker : public TCommunication {
public:
    // A wait gives up (false) once it has gathered this many characters without a match: a device
    // that streams garbage must neither hang the caller nor fill memory.
    static constexpr std::size_t MaxReplyLength = 64 * 1024;
    static constexpr std::uint32_t PollMs = 20;

    TComPortWorker(bool RtsControl, bool OwnsPort, platform::Clock& Clock = platform::SystemClock());
    ~TComPortWorker() override;
    TComPortWorker(const TComPortWorker&) = delete;
    TComPortWorker& operator=(const TComPortWorker&) = delete;

    bool IsOpen() const;
    void Close();
    void Open(const std::string& PortName, TBaudRate BaudRate);
    void OpenWithTimeout(const std::string& PortName, TBaudRate BaudRate, int TimeoutMs);
    void RtsOff();
    void RtsOn();

    int GetTimeout() override;
    bool Write(const std::string& S) override;
    bool ReadUntil(std::string& Answer, const std::string& Terminator, int TimeoutMs) override;
    bool WaitFor(std::string& Answer, const std::string& Terminator, int TimeoutMs) override;
    bool WaitForAny(std::string& Answer, const std::vector<std::string>& Terminators, int TimeoutMs) override;
    bool WaitForDefault(std::string& Answer, const std::string& Terminator) override;
    bool WaitForAnyDefault(std::string& Answer, const std::vector<std::string>& Terminators) override;
    bool ReadAndCheck(std::string& Answer, const std::string& Expected) override;
    bool ExpectUntil(const std::string& Terminator, int TimeoutMs) override;
    bool Expect(const std::string& Terminator, int TimeoutMs) override;
    bool ExpectAny(const std::vector<std::string>& Terminators, int TimeoutMs) override;
    bool ExpectDefault(const std::string& Terminator) override;
    bool ExpectAnyDefault(const std::vector<std::string>& Terminators) override;

    virtual int DefaultTimeout();
    virtual void Purge();
    virtual void ReadAvailable(std::string& S);
    // True when every character went out (false on a closed port or a short write).
    virtual bool WriteString(const std::string& S);

    bool RtsControl() const { return RtsControl_; }
    bool OwnsPort() const { return OwnsPort_; }
    TSerialComm& Port() { return *Port_; }
    platform::Clock& Clock() const { return Clock_; }

    // The terminator test of WaitFor: every "NOK" is taken out first (repeatedly, so that one formed by a
    // removal goes too), then the rest must hold the terminator; ASCII case is ignored.
    static bool HoldsTerminator(const std::string& Answer, const std::string& Terminator);

protected:
    // One pause of at most PollMs that ends early when input arrives; measured on the worker's clock.
    void PauseForInput(std::uint64_t Start, int TimeoutMs);
    static bool TimedOut(std::uint64_t Elapsed, int TimeoutMs);

private:
    bool RtsControl_;
    bool OwnsPort_;
    // Unset until a port is opened with a time-out: the default then comes from the virtual
    // DefaultTimeout of the finished object, so a derived worker gets its own.
    std::optional<int> Timeout_;
    platform::Clock& Clock_;
    std::unique_ptr<TSerialComm> Port_;
};
