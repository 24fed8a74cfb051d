#pragma once
// The serial port component: line settings, queue sizes and time-outs, reads and writes bounded by a
// time-out, and line events from a thread of its own. Every failure is an EDeviceError (a link failure);
// a line setting that termios cannot carry out is refused by name, never left undone.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "link/SerialErr.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

enum TBaudRate {
    br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
    br56000, br57600, br115200, br128000, br256000, brCustom
};
enum TDataBits { db4, db5, db6, db7, db8 };
enum TParity { paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits { sb1, sb1p5, sb2 };
enum TFlowControl { fcNone, fcRtsCts, fcDtrDsr, fcSoftware, fcCustom };
enum TDeviceEvent {
    deChar, deFlag, deOutEmpty, deCTS, deDSR, deRLSD, deBreak, deError, deRing, dePrintError,
    deIn80Full, deProv1, deProv2
};
enum TCommOption {
    coAbortOnError, coDiscardNull, coDSRSensitivity, coErrorChar, coParityCheck, coTXContinueOnXOff,
    coLeaveDTROpen
};
enum TRTSSetting { fsCTSOut, fsRTSEnabled, fsRTSHandshake };
enum TDTRSetting { fsDSROut, fsDTREnabled, fsDTRHandshake };
enum TXOnXOffSetting { fsInX, fsOutX };

// A set of enumeration values, one bit each by ordinal.
template <class E>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> items)
    {
        for (const E e : items) Include(e);
    }
    constexpr bool Has(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr void Include(E e) { bits_ |= Bit(e); }
    constexpr void Exclude(E e) { bits_ &= ~Bit(e); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr std::uint32_t Bits() const { return bits_; }
    constexpr TEnumSet operator&(TEnumSet other) const { return FromBits(bits_ & other.bits_); }
    constexpr bool operator==(const TEnumSet&) const = default;

private:
    static constexpr std::uint32_t Bit(E e) { return 1u << static_cast<unsigned>(e); }
    static constexpr TEnumSet FromBits(std::uint32_t bits)
    {
        TEnumSet s;
        s.bits_ = bits;
        return s;
    }
    std::uint32_t bits_ = 0;
};

using TDeviceEvents = TEnumSet<TDeviceEvent>;
using TCommOptions = TEnumSet<TCommOption>;
using TRTSSettings = TEnumSet<TRTSSetting>;
using TDTRSettings = TEnumSet<TDTRSetting>;
using TXOnXOffSettings = TEnumSet<TXOnXOffSetting>;

// The rate of each TBaudRate but brCustom.
std::uint32_t BaudRateValue(TBaudRate Rate);

class TCustomComm;

class TCommDataControl {
public:
    explicit TCommDataControl(TCustomComm& Port) : Port(Port) {}
    void AssignTo(TCommDataControl& Dest) const;
    TDataBits DataBits() const { return DataBits_; }
    TParity Parity() const { return Parity_; }
    TStopBits StopBits() const { return StopBits_; }
    void SetDataBits(TDataBits Value);
    void SetParity(TParity Value);
    void SetStopBits(TStopBits Value);

private:
    TCustomComm& Port;
    TDataBits DataBits_ = db8;
    TParity Parity_ = paNone;
    TStopBits StopBits_ = sb1;
};

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

// Kept for the settings' sake: on Linux the port itself has no time-outs, every Read and Write takes its own.
class TCommTimeoutsEx {
public:
    enum Index { ReadInterval, ReadMultiplier, ReadConstant, WriteMultiplier, WriteConstant };
    explicit TCommTimeoutsEx(TCustomComm& Port) : Port(Port) {}
    void AssignTo(TCommTimeoutsEx& Dest) const;
    std::uint32_t Get(Index I) const { return Values[I]; }
    void Set(Index I, std::uint32_t Value);

private:
    TCustomComm& Port;
    std::uint32_t Values[5] = {1, 30, 1, 30, 1};
};

// Waits on the port descriptor and a stop signal; hands line events to the port.
class TCommEventThread {
public:
    explicit TCommEventThread(TCustomComm& Port);
    // Signals stop and joins; the thread only ever blocks in a poll that includes the stop signal.
    ~TCommEventThread();
    TCommEventThread(const TCommEventThread&) = delete;
    TCommEventThread& operator=(const TCommEventThread&) = delete;

private:
    void Execute();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class TCustomComm {
public:
    // Busy flags as GetState reports them.
    static constexpr int StateSending = 1;
    static constexpr int StateReading = 2;

    explicit TCustomComm(platform::Clock& Clock = platform::SystemClock());
    virtual ~TCustomComm();
    TCustomComm(const TCustomComm&) = delete;
    TCustomComm& operator=(const TCustomComm&) = delete;

    virtual int GetState() const;
    // A port that cannot be opened raises "Cannot open device %s" (code 65535) with the
    // platform::SerialPortError that says why nested in it (std::rethrow_if_nested).
    virtual void Open();
    virtual void Close();
    bool Opened() const { return Port.IsOpen(); }

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

    // Queue 0 input, 1 output.
    int InQueCount(int Queue);
    bool PurgeInput();
    bool PurgeOutput();
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
    // What of the line settings termios cannot carry out (empty when it can do them all).
    std::string SettingLinuxLacks() const;
    void ApplyLineSettings();
    void ApplyBuffers();
    void ApplyTimeouts() {}
    // Stores a setting, applies it while open, and puts the old value back when the port refuses it.
    template <class T>
    void Change(T& Field, T Value);
    void HandleEvents(TDeviceEvents Events);
    int DescriptorForEvents() const { return Port.Descriptor(); }

    platform::Clock& Clock_;
    platform::SerialPort Port;
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
    std::unique_ptr<TCommEventThread> EventThread;
    std::uint64_t Received = 0;
    std::uint64_t Sent = 0;
    int Busy = 0;
};

class TSerialComm : public TCustomComm {
public:
    using TCustomComm::TCustomComm;
};
