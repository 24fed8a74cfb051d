#pragma once
// The serial port component: line settings, queue sizes and time-outs, reads and writes bounded by a
// time-out, and line events from a thread of its own. It stands on a platform::KernelPort: what the port
// does not carry out itself (on Linux: the input queue and its limits, DTR and lone RTS handshake, DSR and
// lone CTS output flow, XON/XOFF input by the limits, DSR sensitivity, NUL discarding, the error
// character, aborting on a line error, the line events) the driver does in its own code (TCommLine).
// Every failure is an EDeviceError (a link failure); a setting the port can do neither way is refused by
// name, never left undone.
//
// Threads: one user thread calls the operations; the event thread (from Open to Close) waits on the port,
// takes arriving characters into the queue and hands line events to OnData and OnCommEvent. Handlers run
// on the event thread (there is no window system to hand them to) except the output-empty event, which
// Write reports on the caller's thread after each step. A lock keeps the queue and the port to one
// thread at a time; handlers run outside it and may call InQueCount and ReadString.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "link/SerialErr.h"
#include "link/SerialLine.h"
#include "link/SerialTypes.h"
#include "platform/Clock.h"
#include "platform/KernelPort.h"

// The rate of each TBaudRate but brCustom.
std::uint32_t BaudRateValue(TBaudRate Rate);

class TCustomComm;

// While the port is open the getters read back what the port took.
class TCommDataControl {
public:
    explicit TCommDataControl(TCustomComm& Port) : Port(Port) {}
    void AssignTo(TCommDataControl& Dest) const;
    TDataBits DataBits() const;
    TParity Parity() const;
    TStopBits StopBits() const;
    void SetDataBits(TDataBits Value);
    void SetParity(TParity Value);
    void SetStopBits(TStopBits Value);

private:
    friend class TCustomComm;
    TCustomComm& Port;
    TDataBits DataBits_ = db8;
    TParity Parity_ = paNone;
    TStopBits StopBits_ = sb1;
};

// The queue sizes are the driver's own where the port keeps none; the input queue's XON and XOFF limits
// are a quarter of its size each.
class TCommBuffers {
public:
    static constexpr int MinSize = 128;
    static constexpr int MaxSize = 4096;
    explicit TCommBuffers(TCustomComm& Port) : Port(Port) {}
    void AssignTo(TCommBuffers& Dest) const;
    int InputSize() const { return InputSize_; }
    int OutputSize() const { return OutputSize_; }
    int InputTimeout() const { return InputTimeout_; }
    int OutputTimeout() const { return OutputTimeout_; }
    // Sizes are clamped to MinSize..MaxSize; time-outs to 0..65535 ms.
    void SetInputSize(int Value);
    void SetOutputSize(int Value);
    void SetInputTimeout(int Value);
    void SetOutputTimeout(int Value);

private:
    TCustomComm& Port;
    int InputSize_ = 2048;
    int InputTimeout_ = 500;
    int OutputSize_ = 2048;
    int OutputTimeout_ = 500;
};

class TCommEventChars {
public:
    enum Index { XonChar, XoffChar, EofChar, ErrorChar, EventChar };
    explicit TCommEventChars(TCustomComm& Port) : Port(Port) {}
    void AssignTo(TCommEventChars& Dest) const;
    unsigned char Get(Index I) const { return Chars[I]; }
    void Set(Index I, unsigned char Value);

private:
    TCustomComm& Port;
    unsigned char Chars[5] = {17, 19, 0, 0, 10};
};

// The port's time-outs: handed to the port while open and read back from it.
class TCommTimeoutsEx {
public:
    enum Index { ReadInterval, ReadMultiplier, ReadConstant, WriteMultiplier, WriteConstant };
    explicit TCommTimeoutsEx(TCustomComm& Port) : Port(Port) {}
    void AssignTo(TCommTimeoutsEx& Dest) const;
    std::uint32_t Get(Index I) const;
    // Refused by the port: "Unable to update Timeouts.", the old value kept.
    void Set(Index I, std::uint32_t Value);
    platform::PortTimeouts Values() const;

private:
    TCustomComm& Port;
    std::uint32_t Values_[5] = {1, 30, 1, 30, 1};
};

// Waits on the port; takes input and hands line events to the port's handlers.
class TCommEventThread {
public:
    explicit TCommEventThread(TCustomComm& Port);
    // Stops, wakes the port's wait and joins.
    ~TCommEventThread();
    TCommEventThread(const TCommEventThread&) = delete;
    TCommEventThread& operator=(const TCommEventThread&) = delete;

private:
    void Execute();
    TCustomComm& Port;
    std::atomic<bool> Stop{false};
    std::thread Thread;
};

class TCustomComm {
public:
    // Busy flags as GetState reports them.
    static constexpr int StateSending = 1;
    static constexpr int StateReading = 2;

    // The system's serial port (platform::MakeSerialPort).
    explicit TCustomComm(platform::Clock& Clock = platform::SystemClock());
    // A port of the caller's: a test's scripted line.
    TCustomComm(platform::Clock& Clock, std::unique_ptr<platform::KernelPort> Port);
    virtual ~TCustomComm();
    TCustomComm(const TCustomComm&) = delete;
    TCustomComm& operator=(const TCustomComm&) = delete;

    virtual int GetState() const;
    // A port that cannot be opened raises "Cannot open device %s" (code 65535) with the
    // platform::SerialPortError that says why nested in it (std::rethrow_if_nested).
    virtual void Open();
    virtual void Close();
    bool Opened() const { return Port->IsOpen(); }

    TBaudRate BaudRate() const { return BaudRate_; }
    std::uint32_t BaudValue() const { return BaudValue_; }
    const std::string& DeviceName() const { return DeviceName_; }
    TFlowControl FlowControl() const { return FlowControl_; }
    TCommOptions Options() const { return Options_; }
    TRTSSettings RTSSettings() const { return RTSSettings_; }
    TDTRSettings DTRSettings() const { return DTRSettings_; }
    TXOnXOffSettings XOnXOffSettings() const { return XOnXOffSettings_; }
    TDeviceEvents MonitorEvents() const { return MonitorEvents_; }
    bool Synchronize() const { return Synchronize_; }
    void SetBaudRate(TBaudRate Value);
    void SetBaudValue(std::uint32_t Value);  // taken only under brCustom
    void SetDeviceName(const std::string& Value);  // ignored while open
    void SetFlowControl(TFlowControl Value);
    void SetOptions(TCommOptions Value);
    // The three handshake sets can be set directly only under fcCustom.
    void SetRTSSettings(TRTSSettings Value);
    void SetDTRSettings(TDTRSettings Value);
    void SetXOnXOffSettings(TXOnXOffSettings Value);
    void SetMonitorEvents(TDeviceEvents Value) { MonitorEvents_ = Value; }
    // Without a window system events are handed on the event thread; the flag is kept as set.
    void SetSynchronize(bool Value) { Synchronize_ = Value; }

    TCommDataControl& DataControl() { return DataControl_; }
    TCommBuffers& Buffers() { return Buffers_; }
    TCommEventChars& EventChars() { return EventChars_; }
    TCommTimeoutsEx& Timeouts() { return Timeouts_; }

    // Characters in the input (0) or output (1) queue; takes the pending line errors with the count, as
    // the system's ClearCommError does, which ends an abort on error.
    int InQueCount(int Queue);
    bool PurgeInput();
    bool PurgeOutput();
    // While a line error under coAbortOnError waits to be taken, each step raises "Unable to write to
    // port." / "Unable to read from port.".
    int Write(const void* Buffer, int Count, int TimeoutMs);
    int WriteBuffer(const void* Buffer, int Count);
    bool WriteString(const std::string& S);
    int Read(void* Buffer, int Count, int TimeoutMs);
    int ReadBuffer(void* Buffer, int Count);
    bool ReadString(std::string& S);
    void SetRTS(bool On);
    void SetDTR(bool On);
    // Blocks for at most realMs until input waits or the port hung up: the probe for Clock::Pause.
    bool WaitInput(std::uint32_t realMs) const;

    std::uint64_t ReceivedCount() const { return Received; }
    std::uint64_t SentCount() const { return Sent; }
    platform::Clock& Clock() const { return Clock_; }

    std::function<void(TCustomComm& Sender, TDeviceEvents Events)> OnCommEvent;
    std::function<void(TCustomComm& Sender, int Count)> OnData;
    std::function<void(TCustomComm& Sender, int Count)> OnRead;
    std::function<void(TCustomComm& Sender, int Count)> OnSend;

private:
    friend class TCommDataControl;
    friend class TCommBuffers;
    friend class TCommEventChars;
    friend class TCommTimeoutsEx;
    friend class TCommEventThread;

    void RequireOpen() const;
    void CloseQuietly() noexcept;
    platform::LineSettings PortSettings() const;
    TInputRules InputRules() const;
    void ApplyLineSettings();
    void ApplyBuffers();
    void ApplyTimeouts();
    // Stores a setting, applies it while open, and puts the old value back when the port refuses it.
    template <class T>
    void Change(T& Field, T Value);

    // With Lock held:
    TDeviceEvents Pull();
    std::size_t InputCount() const;
    void SetOutputLines();
    void FollowInputHold();
    // Whether the driver holds output by the lines or an XOFF it sent, and whether it does now.
    bool OutputGated() const;
    bool OutputHeld() const;
    std::size_t OutputRoom() const;
    void RaiseIfAborting(const char* Msg, int Code) const;

    // The event thread's loop, until Stop.
    void WatchLine(const std::atomic<bool>& Stop);
    TDeviceEvents LookAtLine();
    void HandleEvents(TDeviceEvents Events);

    platform::Clock& Clock_;
    std::unique_ptr<platform::KernelPort> Port;
    TBaudRate BaudRate_ = br9600;
    std::uint32_t BaudValue_ = 9600;
    std::string DeviceName_ = "COM2";
    TFlowControl FlowControl_ = fcNone;
    TCommOptions Options_;
    TRTSSettings RTSSettings_;
    TDTRSettings DTRSettings_;
    TXOnXOffSettings XOnXOffSettings_;
    TDeviceEvents MonitorEvents_{deChar, deFlag, deOutEmpty};
    bool Synchronize_ = true;
    TCommDataControl DataControl_{*this};
    TCommBuffers Buffers_{*this};
    TCommEventChars EventChars_{*this};
    TCommTimeoutsEx Timeouts_{*this};

    // Guards what follows and every call on the port but its waits.
    mutable std::mutex Lock;
    platform::DriverDuties Duties;
    TCommLine Line;
    TDeviceEvents Pending;   // taken on the user thread, for the event thread to hand on
    bool InputHeld = false;  // what the driver last told the peer
    bool HasCounters = true;

    std::unique_ptr<TCommEventThread> EventThread;
    std::uint64_t Received = 0;
    std::uint64_t Sent = 0;
    int Busy = 0;
};

class TSerialComm : public TCustomComm {
public:
    using TCustomComm::TCustomComm;
};
