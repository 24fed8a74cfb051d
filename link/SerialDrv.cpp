#include "link/SerialDrv.h"

#include <algorithm>
#include <array>
#include <exception>
#include <optional>
#include <string_view>
#include <tuple>
#include <utility>


namespace {

using platform::DriverDuties;
using platform::KernelPort;
using platform::LineControl;
using platform::ModemLines;
using platform::SerialPortError;

constexpr std::array<std::uint32_t, brCustom> kBaudValues{110,   300,   600,    1200,   2400,   4800,   9600,  14400,
                                                          19200, 38400, 56000,  57600,  115200, 128000, 256000};

// The longest pause between two looks at the port.
constexpr std::uint32_t kSliceMs = 20;
// Where the port cannot wake the event thread on a modem change, it looks at the lines this often.
constexpr std::uint32_t kModemLookMs = 50;
// Where the driver holds output by the lines, it hands the port no more than this much line time at
// once (at least a UART's FIFO), and looks again this often: so little goes out once a line says stop.
constexpr std::uint32_t kGatedPieceMs = 10;
constexpr std::size_t kMinGatedPiece = 16;
constexpr std::uint32_t kGatedSliceMs = 2;

// How the driver tells the peer to hold or go on, for each input flow the port leaves to it.
struct TInputFlow {
    bool DriverDuties::*Duty;
    void (*Tell)(KernelPort& Port, bool Hold);
};

constexpr TInputFlow kInputFlows[] = {
    {&DriverDuties::dtrHandshake, [](KernelPort& Port, bool Hold) { Port.SetDtr(!Hold); }},
    {&DriverDuties::rtsHandshake, [](KernelPort& Port, bool Hold) { Port.SetRts(!Hold); }},
    {&DriverDuties::xonXoffInput, [](KernelPort& Port, bool Hold) { Port.SendFlowChar(Hold); }},
};

// What lets output go, for each output flow the port leaves to the driver.
struct TOutputGate {
    bool DriverDuties::*Duty;
    bool (*Open)(const ModemLines& Lines, bool InputHeld);
};

constexpr TOutputGate kOutputGates[] = {
    {&DriverDuties::ctsOutFlow, [](const ModemLines& Lines, bool) { return Lines.cts; }},
    {&DriverDuties::dsrOutFlow, [](const ModemLines& Lines, bool) { return Lines.dsr; }},
    {&DriverDuties::txStopsOnXoff, [](const ModemLines&, bool InputHeld) { return !InputHeld; }},
};

[[noreturn]] void Translate(const SerialPortError& e, const std::string& Msg, int Code)
{
    if (e.reason() == SerialPortError::Reason::NotOpen) RaiseError(SerialErr::MsgNotOpened, SerialErr::NotOpened);
    if (e.error() != 0) RaiseSystemError(Msg, Code, e.error());
    RaiseError(Msg + " (" + e.what() + ")", Code);
}

// Runs a call on the port, a port failure raised as the driver's error of that kind.
template <class Call>
auto OnPort(const char* Msg, int Code, Call&& call)
{
    try {
        return call();
    } catch (const SerialPortError& e) {
        Translate(e, Msg, Code);
    }
}

std::string WithName(const std::string& Format, const std::string& Name)
{
    std::string text = Format;
    const auto at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, Name);
    return text;
}

LineControl DtrControl(TDTRSettings Dtr, TCommOptions Options)
{
    if (Options.Contains(coLeaveDTROpen)) return LineControl::Enable;
    if (Dtr.Contains(fsDTRHandshake)) return LineControl::Handshake;
    return Dtr.Contains(fsDTREnabled) ? LineControl::Enable : LineControl::Disable;
}

LineControl RtsControl(TRTSSettings Rts)
{
    if (Rts.Contains(fsRTSHandshake)) return LineControl::Handshake;
    return Rts.Contains(fsRTSEnabled) ? LineControl::Enable : LineControl::Disable;
}

// Busy flag set for the length of a handler call.
class BusyScope {
public:
    BusyScope(int& Busy, int Flag) : Busy_(Busy), Flag_(Flag) { Busy_ |= Flag_; }
    ~BusyScope() { Busy_ &= ~Flag_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    int& Busy_;
    int Flag_;
};

}  // namespace

std::uint32_t BaudRateValue(TBaudRate Rate)
{
    return Rate < brCustom ? kBaudValues[Rate] : 0;
}

// ---- property classes ----

void TCommDataControl::AssignTo(TCommDataControl& Dest) const
{
    Dest.DataBits_ = DataBits_;
    Dest.Parity_ = Parity_;
    Dest.StopBits_ = StopBits_;
    if (Dest.Port.Opened()) Dest.Port.ApplyLineSettings();
}

TDataBits TCommDataControl::DataBits() const
{
    return Port.Opened() ? static_cast<TDataBits>(Port.Port->Settings().dataBits - 4) : DataBits_;
}

TParity TCommDataControl::Parity() const
{
    return Port.Opened() ? static_cast<TParity>(Port.Port->Settings().parity) : Parity_;
}

TStopBits TCommDataControl::StopBits() const
{
    return Port.Opened() ? static_cast<TStopBits>(Port.Port->Settings().stopBits) : StopBits_;
}

void TCommDataControl::SetDataBits(TDataBits Value)
{
    Port.Change(DataBits_, Value);
}

void TCommDataControl::SetParity(TParity Value)
{
    Port.Change(Parity_, Value);
}

void TCommDataControl::SetStopBits(TStopBits Value)
{
    Port.Change(StopBits_, Value);
}

void TCommBuffers::AssignTo(TCommBuffers& Dest) const
{
    Dest.InputSize_ = InputSize_;
    Dest.OutputSize_ = OutputSize_;
    Dest.InputTimeout_ = InputTimeout_;
    Dest.OutputTimeout_ = OutputTimeout_;
    if (Dest.Port.Opened()) Dest.Port.ApplyBuffers();
}

void TCommBuffers::SetInputSize(int Value)
{
    InputSize_ = std::clamp(Value, MinSize, MaxSize);
    if (Port.Opened()) Port.ApplyBuffers();
}

void TCommBuffers::SetOutputSize(int Value)
{
    OutputSize_ = std::clamp(Value, MinSize, MaxSize);
    if (Port.Opened()) Port.ApplyBuffers();
}

void TCommBuffers::SetInputTimeout(int Value)
{
    InputTimeout_ = std::clamp(Value, 0, 65535);
}

void TCommBuffers::SetOutputTimeout(int Value)
{
    OutputTimeout_ = std::clamp(Value, 0, 65535);
}

void TCommEventChars::AssignTo(TCommEventChars& Dest) const
{
    std::copy(std::begin(Chars), std::end(Chars), std::begin(Dest.Chars));
    if (Dest.Port.Opened()) Dest.Port.ApplyLineSettings();
}

void TCommEventChars::Set(Index I, unsigned char Value)
{
    Port.Change(Chars[I], Value);
}

void TCommTimeoutsEx::AssignTo(TCommTimeoutsEx& Dest) const
{
    std::copy(std::begin(Values_), std::end(Values_), std::begin(Dest.Values_));
    if (Dest.Port.Opened()) Dest.Port.ApplyTimeouts();
}

platform::PortTimeouts TCommTimeoutsEx::Values() const
{
    return {Values_[ReadInterval], Values_[ReadMultiplier], Values_[ReadConstant], Values_[WriteMultiplier],
            Values_[WriteConstant]};
}

std::uint32_t TCommTimeoutsEx::Get(Index I) const
{
    if (!Port.Opened()) return Values_[I];
    const platform::PortTimeouts t = [&] {
        const std::lock_guard lock(Port.Lock);
        return Port.Port->Timeouts();
    }();
    const std::uint32_t inOrder[] = {t.readInterval, t.readMultiplier, t.readConstant, t.writeMultiplier,
                                     t.writeConstant};
    return inOrder[I];
}

void TCommTimeoutsEx::Set(Index I, std::uint32_t Value)
{
    const std::uint32_t old = Values_[I];
    Values_[I] = Value;
    if (!Port.Opened()) return;
    try {
        Port.ApplyTimeouts();
    } catch (...) {
        Values_[I] = old;
        throw;
    }
}

// ---- event thread ----

TCommEventThread::TCommEventThread(TCustomComm& Port) : Port(Port), Thread([this] { Execute(); }) {}

TCommEventThread::~TCommEventThread()
{
    Stop = true;
    Port.Port->WakeEventWaiter();
    Thread.join();
}

void TCommEventThread::Execute()
{
    Port.WatchLine(Stop);
}

// ---- port ----

TCustomComm::TCustomComm(platform::Clock& Clock) : TCustomComm(Clock, platform::MakeSerialPort(Clock)) {}

TCustomComm::TCustomComm(platform::Clock& Clock, std::unique_ptr<platform::KernelPort> Port)
    : Clock_(Clock), Port(std::move(Port))
{
}

TCustomComm::~TCustomComm()
{
    CloseQuietly();
}

int TCustomComm::GetState() const
{
    return Opened() ? Busy : (StateSending | StateReading);
}

void TCustomComm::RequireOpen() const
{
    if (!Opened()) RaiseError(SerialErr::MsgNotOpened, SerialErr::NotOpened);
}

void TCustomComm::Open()
{
    if (Opened()) RaiseError(SerialErr::MsgAlreadyOpened, SerialErr::AlreadyOpened);
    Busy = 0;
    try {
        Port->Open(DeviceName_);
    } catch (const SerialPortError& e) {
        // The system's reason rides along: the program tells the user in its own words why the port
        // could not be opened.
        std::throw_with_nested(
            EDeviceError(WithName(SerialErr::MsgOpenFailed, DeviceName_) + " (" + e.what() + ")", SerialErr::OpenFailed));
    }
    try {
        {
            const std::lock_guard lock(Lock);
            Duties = {};
            Line.Reset();
            Pending = {};
            InputHeld = false;
            HasCounters = true;
        }
        EventThread = std::make_unique<TCommEventThread>(*this);
        ApplyLineSettings();
        ApplyBuffers();
        ApplyTimeouts();
        // Where the lines and counts stand at open, so that the first change after it is one.
        const std::lock_guard lock(Lock);
        OnPort(SerialErr::MsgReadFailed, SerialErr::ReadFailed, [&] { LookAtLine(); });
    } catch (...) {
        // A port whose settings failed is of no use half-configured.
        CloseQuietly();
        throw;
    }
}

void TCustomComm::Close()
{
    RequireOpen();
    CloseQuietly();
}

void TCustomComm::CloseQuietly() noexcept
{
    EventThread.reset();
    Port->Close();
    Received = 0;
    Sent = 0;
}

void TCustomComm::SetBaudRate(TBaudRate Value)
{
    const TBaudRate oldRate = BaudRate_;
    const std::uint32_t oldValue = BaudValue_;
    BaudRate_ = Value;
    if (Value != brCustom) BaudValue_ = BaudRateValue(Value);
    if (!Opened()) return;
    try {
        ApplyLineSettings();
    } catch (...) {
        BaudRate_ = oldRate;
        BaudValue_ = oldValue;
        throw;
    }
}

void TCustomComm::SetBaudValue(std::uint32_t Value)
{
    if (BaudRate_ == brCustom) Change(BaudValue_, Value);
}

void TCustomComm::SetDeviceName(const std::string& Value)
{
    if (!Opened()) DeviceName_ = Value;
}

void TCustomComm::SetFlowControl(TFlowControl Value)
{
    const auto old = std::tuple(FlowControl_, RTSSettings_, DTRSettings_, XOnXOffSettings_);
    FlowControl_ = Value;
    if (Value != fcCustom) {
        RTSSettings_ = {};
        DTRSettings_ = {};
        XOnXOffSettings_ = {};
        switch (Value) {
        case fcRtsCts: RTSSettings_ = {fsCTSOut, fsRTSHandshake}; break;
        case fcDtrDsr:
            DTRSettings_ = {fsDSROut};
            RTSSettings_ = {fsRTSEnabled};
            break;
        case fcSoftware: XOnXOffSettings_ = {fsInX, fsOutX}; break;
        default: break;
        }
        if (Value != fcNone) DTRSettings_.Include(fsDTREnabled);
        if (Options_.Contains(coLeaveDTROpen)) {
            DTRSettings_.Include(fsDTREnabled);
            DTRSettings_.Exclude(fsDTRHandshake);
        }
    }
    if (!Opened()) return;
    try {
        ApplyLineSettings();
    } catch (...) {
        std::tie(FlowControl_, RTSSettings_, DTRSettings_, XOnXOffSettings_) = old;
        throw;
    }
}

void TCustomComm::SetOptions(TCommOptions Value)
{
    Change(Options_, Value);
}

void TCustomComm::SetRTSSettings(TRTSSettings Value)
{
    if (FlowControl_ == fcCustom) Change(RTSSettings_, Value);
}

void TCustomComm::SetDTRSettings(TDTRSettings Value)
{
    if (FlowControl_ == fcCustom) Change(DTRSettings_, Value);
}

void TCustomComm::SetXOnXOffSettings(TXOnXOffSettings Value)
{
    if (FlowControl_ == fcCustom) Change(XOnXOffSettings_, Value);
}

template <class T>
void TCustomComm::Change(T& Field, T Value)
{
    const T old = Field;
    Field = Value;
    if (!Opened()) return;
    try {
        ApplyLineSettings();
    } catch (...) {
        Field = old;
        throw;
    }
}

platform::LineSettings TCustomComm::PortSettings() const
{
    platform::LineSettings s;
    s.baud = BaudValue_;
    s.dataBits = static_cast<int>(DataControl_.DataBits_) + 4;
    s.parity = static_cast<platform::Parity>(DataControl_.Parity_);
    s.stopBits = static_cast<platform::StopBits>(DataControl_.StopBits_);
    s.parityCheck = Options_.Contains(coParityCheck);
    s.ctsOutFlow = RTSSettings_.Contains(fsCTSOut);
    s.dsrOutFlow = DTRSettings_.Contains(fsDSROut);
    s.dtr = DtrControl(DTRSettings_, Options_);
    s.rts = RtsControl(RTSSettings_);
    s.dsrSensitivity = Options_.Contains(coDSRSensitivity);
    s.txContinueOnXoff = Options_.Contains(coTXContinueOnXOff);
    s.xonXoffOutput = XOnXOffSettings_.Contains(fsOutX);
    s.xonXoffInput = XOnXOffSettings_.Contains(fsInX);
    s.replaceErrors = Options_.Contains(coErrorChar);
    s.discardNull = Options_.Contains(coDiscardNull);
    s.abortOnError = Options_.Contains(coAbortOnError);
    s.xonLimit = s.xoffLimit = static_cast<std::uint32_t>(Buffers_.InputSize() / 4);
    s.xonChar = EventChars_.Get(TCommEventChars::XonChar);
    s.xoffChar = EventChars_.Get(TCommEventChars::XoffChar);
    s.errorChar = EventChars_.Get(TCommEventChars::ErrorChar);
    s.eofChar = EventChars_.Get(TCommEventChars::EofChar);
    s.eventChar = EventChars_.Get(TCommEventChars::EventChar);
    return s;
}

TInputRules TCustomComm::InputRules() const
{
    const platform::LineSettings s = PortSettings();
    TInputRules r;
    r.Size = static_cast<std::size_t>(Buffers_.InputSize());
    r.XonLimit = s.xonLimit;
    r.XoffLimit = s.xoffLimit;
    r.EventChar = s.eventChar;
    r.ErrorChar = s.errorChar;
    r.Marks = Duties.errorMarks;
    // The error character stands only for what parity checking found.
    r.ReplaceErrors = Duties.replaceErrors && s.parityCheck;
    r.DiscardNull = Duties.discardNull;
    r.DsrSensitivity = Duties.dsrSensitivity;
    r.ParityCheck = s.parityCheck;
    r.AbortOnError = Duties.abortOnError;
    return r;
}

void TCustomComm::ApplyLineSettings()
{
    const platform::LineSettings settings = PortSettings();
    const std::lock_guard lock(Lock);
    OnPort(SerialErr::MsgSetDcb, SerialErr::SetDcb, [&] {
        Duties = Port->Configure(settings);
        Line.SetRules(InputRules());
        SetOutputLines();
        // The event thread may be waiting for what the old duties asked it to watch.
        Port->WakeEventWaiter();
    });
}

void TCustomComm::ApplyBuffers()
{
    const std::lock_guard lock(Lock);
    OnPort(SerialErr::MsgSetBuffers, SerialErr::SetBuffers, [&] {
        Port->PurgeInput();
        Port->PurgeOutput();
        Line.Clear();
        // A port without queues of its own leaves the sizes to the driver's queue.
        Port->SetQueueSizes(static_cast<std::size_t>(Buffers_.InputSize()),
                            static_cast<std::size_t>(Buffers_.OutputSize()));
        Line.SetRules(InputRules());
        FollowInputHold();
        Port->WakeEventWaiter();
    });
}

void TCustomComm::ApplyTimeouts()
{
    const std::lock_guard lock(Lock);
    OnPort(SerialErr::MsgSetTimeouts, SerialErr::SetTimeouts, [&] { Port->SetTimeouts(Timeouts_.Values()); });
}

// The levels of DTR and RTS a change of settings leaves: held, raised, or as the fill level says where
// the driver does the handshake (the port's own handshake sets them itself).
void TCustomComm::SetOutputLines()
{
    const platform::LineSettings s = PortSettings();
    const auto level = [&](LineControl Control, bool DriverHandshake) -> std::optional<bool> {
        if (Control != LineControl::Handshake) return Control == LineControl::Enable;
        if (DriverHandshake) return !InputHeld;
        return std::nullopt;
    };
    if (const auto dtr = level(s.dtr, Duties.dtrHandshake)) Port->SetDtr(*dtr);
    if (const auto rts = level(s.rts, Duties.rtsHandshake)) Port->SetRts(*rts);
}

void TCustomComm::FollowInputHold()
{
    const bool hold = Line.HoldInput();
    if (hold == InputHeld) return;
    InputHeld = hold;
    for (const TInputFlow& flow : kInputFlows)
        if (Duties.*flow.Duty) flow.Tell(*Port, hold);
}

TDeviceEvents TCustomComm::Pull()
{
    if (!Duties.inputQueue) return {};
    const std::size_t room = Line.Room();
    if (room == 0) return {};
    std::array<char, TCommBuffers::MaxSize> raw;
    const std::size_t got = Port->ReadSome(raw.data(), std::min(room, raw.size()));
    if (got == 0) return {};
    const bool dsr = !Line.Rules().DsrSensitivity || Port->ModemStatus().dsr;
    const TDeviceEvents events = Line.Take(std::string_view(raw.data(), got), dsr);
    Pending = Pending | events;
    FollowInputHold();
    return events;
}

std::size_t TCustomComm::InputCount() const
{
    return Duties.inputQueue ? Line.Count() : Port->InputWaiting();
}

bool TCustomComm::OutputGated() const
{
    return Duties.ctsOutFlow || Duties.dsrOutFlow || Duties.txStopsOnXoff;
}

bool TCustomComm::OutputHeld() const
{
    const bool modemGate = Duties.ctsOutFlow || Duties.dsrOutFlow;
    const ModemLines lines = modemGate ? Port->ModemStatus() : ModemLines{};
    return std::any_of(std::begin(kOutputGates), std::end(kOutputGates), [&](const TOutputGate& gate) {
        return Duties.*gate.Duty && !gate.Open(lines, InputHeld);
    });
}

std::size_t TCustomComm::OutputRoom() const
{
    const std::size_t queued = Port->OutputWaiting();
    const auto size = static_cast<std::size_t>(Buffers_.OutputSize());
    const std::size_t room = size > queued ? size - queued : 0;
    if (!OutputGated()) return room;
    if (OutputHeld()) return 0;
    const std::size_t piece = std::max<std::size_t>(kMinGatedPiece, BaudValue_ * kGatedPieceMs / 10'000);
    return std::min(room, piece > queued ? piece - queued : 0);
}

void TCustomComm::RaiseIfAborting(const char* Msg, int Code) const
{
    if (Line.Aborting()) RaiseError(std::string(Msg) + " (aborted on a line error)", Code);
}

int TCustomComm::InQueCount(int Queue)
{
    RequireOpen();
    const bool input = Queue == 0;
    const std::lock_guard lock(Lock);
    const std::size_t count = OnPort(input ? SerialErr::MsgReadFailed : SerialErr::MsgWriteFailed,
                                     input ? SerialErr::ReadFailed : SerialErr::WriteFailed, [&] {
                                         if (!input) return Port->OutputWaiting();
                                         if (!Pull().Empty()) Port->WakeEventWaiter();
                                         return InputCount();
                                     });
    Line.TakeErrors();
    return static_cast<int>(count);
}

bool TCustomComm::PurgeInput()
{
    RequireOpen();
    const std::lock_guard lock(Lock);
    try {
        Received += (Duties.inputQueue ? Line.Count() : 0) + Port->InputWaiting();
        Port->PurgeInput();
        Line.Clear();
        FollowInputHold();
        Port->WakeEventWaiter();
        return true;
    } catch (const SerialPortError&) {
        return false;
    }
}

bool TCustomComm::PurgeOutput()
{
    RequireOpen();
    const std::lock_guard lock(Lock);
    try {
        Port->PurgeOutput();
        return true;
    } catch (const SerialPortError&) {
        return false;
    }
}

int TCustomComm::Write(const void* Buffer, int Count, int TimeoutMs)
{
    RequireOpen();
    if ((GetState() & StateSending) != 0) RaiseError(SerialErr::MsgWriteLocked, SerialErr::WriteLocked);
    if (Count <= 0) return 0;
    const auto* bytes = static_cast<const char*>(Buffer);
    int total = 0;
    const bool gated = [&] {
        const std::lock_guard lock(Lock);
        return OutputGated();
    }();
    // One step: what fits now; none while the queue is full or a line holds output (no step at all).
    const auto step = [&] {
        const std::lock_guard lock(Lock);
        RaiseIfAborting(SerialErr::MsgWriteFailed, SerialErr::WriteFailed);
        return OnPort(SerialErr::MsgWriteFailed, SerialErr::WriteFailed, [&]() -> std::optional<std::size_t> {
            const std::size_t room = std::min(OutputRoom(), static_cast<std::size_t>(Count - total));
            if (room == 0) return std::nullopt;
            return Port->WriteSome(bytes + total, room);
        });
    };
    // Goes on while characters leave; the time-out counts only while none can.
    const auto writeWhatFits = [&] {
        while (total < Count) {
            const std::optional<std::size_t> written = step();
            if (!written) return false;
            HandleEvents(TDeviceEvents{deOutEmpty});
            if (*written == 0) return false;
            Sent += *written;
            total += static_cast<int>(*written);
            if (OnSend) {
                const BusyScope busy(Busy, StateSending);
                OnSend(*this, static_cast<int>(*written));
            }
        }
        return true;
    };
    // No readiness probe: a descriptor can be writable while our own queue limit says full.
    platform::PollUntil(platform::Deadline(Clock_, TimeoutMs), gated ? kGatedSliceMs : kSliceMs, writeWhatFits);
    return total;
}

int TCustomComm::WriteBuffer(const void* Buffer, int Count)
{
    return Write(Buffer, Count, Buffers_.OutputTimeout());
}

bool TCustomComm::WriteString(const std::string& S)
{
    const int count = static_cast<int>(S.size());
    return WriteBuffer(S.data(), count) == count;
}

int TCustomComm::Read(void* Buffer, int Count, int TimeoutMs)
{
    RequireOpen();
    if ((GetState() & StateReading) != 0) RaiseError(SerialErr::MsgReadLocked, SerialErr::ReadLocked);
    if (Count <= 0) return 0;
    auto* bytes = static_cast<char*>(Buffer);
    int total = 0;
    // One step: what waits, up to what is still wanted.
    const auto step = [&] {
        const std::lock_guard lock(Lock);
        return OnPort(SerialErr::MsgReadFailed, SerialErr::ReadFailed, [&]() -> std::size_t {
            if (!Pull().Empty()) Port->WakeEventWaiter();
            const std::size_t wanted = std::min(InputCount(), static_cast<std::size_t>(Count - total));
            if (wanted == 0) return 0;
            RaiseIfAborting(SerialErr::MsgReadFailed, SerialErr::ReadFailed);
            if (!Duties.inputQueue) return Port->ReadSome(bytes + total, wanted);
            const bool wasFull = Line.Room() == 0;
            const std::size_t got = Line.Read(bytes + total, wanted);
            FollowInputHold();
            // The event thread stops watching the port while the queue is full.
            if (wasFull) Port->WakeEventWaiter();
            return got;
        });
    };
    const auto readWhatWaits = [&] {
        while (total < Count) {
            const std::size_t got = step();
            if (got == 0) return false;
            Received += got;
            total += static_cast<int>(got);
            if (OnRead) {
                const BusyScope busy(Busy, StateReading);
                OnRead(*this, static_cast<int>(got));
            }
        }
        return true;
    };
    platform::PollUntil(platform::Deadline(Clock_, TimeoutMs), kSliceMs, readWhatWaits,
                        [this](std::uint32_t realMs) { return WaitInput(realMs); });
    return total;
}

int TCustomComm::ReadBuffer(void* Buffer, int Count)
{
    return Read(Buffer, Count, Buffers_.InputTimeout());
}

bool TCustomComm::ReadString(std::string& S)
{
    const int waiting = InQueCount(0);
    S.assign(static_cast<std::size_t>(std::max(waiting, 0)), '\0');
    if (waiting <= 0) return false;
    const int got = ReadBuffer(S.data(), waiting);
    S.resize(static_cast<std::size_t>(got));
    return got != 0;
}

void TCustomComm::SetRTS(bool On)
{
    RequireOpen();
    const std::lock_guard lock(Lock);
    OnPort(SerialErr::MsgWriteFailed, SerialErr::WriteFailed, [&] {
        // A line that frames each write with RTS must not cut the write's last characters.
        if (!On) Port->DrainOutput();
        Port->SetRts(On);
    });
}

void TCustomComm::SetDTR(bool On)
{
    RequireOpen();
    const std::lock_guard lock(Lock);
    OnPort(SerialErr::MsgWriteFailed, SerialErr::WriteFailed, [&] { Port->SetDtr(On); });
}

bool TCustomComm::WaitInput(std::uint32_t realMs) const
{
    if (!Opened()) return false;
    {
        const std::lock_guard lock(Lock);
        if (Duties.inputQueue && Line.Count() > 0) return true;
    }
    return Port->WaitReadable(realMs);
}

// ---- line events ----

TDeviceEvents TCustomComm::LookAtLine()
{
    if (!Duties.lineEvents) return {};
    const ModemLines lines = Port->HasModemLines() ? Port->ModemStatus() : ModemLines{};
    std::optional<platform::LineCounters> counts;
    if (HasCounters) {
        counts = Port->Counters();
        HasCounters = counts.has_value();
    }
    return Line.Look(lines, counts);
}

void TCustomComm::WatchLine(const std::atomic<bool>& Stop)
{
    // Neither a vanished port nor a failing handler may take the process down: either ends the watch.
    try {
        while (!Stop) {
            bool input = false;
            std::uint32_t waitMs = KernelPort::kForever;
            {
                const std::lock_guard lock(Lock);
                input = Duties.inputQueue && Line.Room() > 0;
                if (Duties.lineEvents && Port->HasModemLines() && !Port->ReportsModemChanges()) waitMs = kModemLookMs;
            }
            const platform::PortWake wake = Port->WaitEvent(waitMs, input);
            if (Stop || wake.hungUp) return;
            const TDeviceEvents events = [&] {
                const std::lock_guard lock(Lock);
                if (Pull().Contains(deChar)) Port->WakeReaders();
                const TDeviceEvents found = Pending | LookAtLine() | TDeviceEvents::FromBits(wake.events);
                Pending = {};
                return found;
            }();
            if (!events.Empty()) HandleEvents(events);
        }
    } catch (...) {
    }
}

void TCustomComm::HandleEvents(TDeviceEvents Events)
{
    if ((Events.Contains(deChar) || Events.Contains(deFlag)) && OnData) {
        std::size_t count = 0;
        try {
            const std::lock_guard lock(Lock);
            count = InputCount();
        } catch (const SerialPortError&) {
            return;
        }
        OnData(*this, static_cast<int>(count));
    }
    const TDeviceEvents wanted = Events & MonitorEvents_;
    if (!wanted.Empty() && OnCommEvent) OnCommEvent(*this, wanted);
}
