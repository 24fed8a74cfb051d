#include "link/SerialDrv.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <exception>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

namespace {

using platform::SerialPortError;

constexpr std::array<std::uint32_t, brCustom> kBaudValues{110,   300,   600,    1200,   2400,   4800,   9600,  14400,
                                                          19200, 38400, 56000,  57600,  115200, 128000, 256000};

// The longest pause between two looks at the port.
constexpr std::uint32_t kSliceMs = 20;

// Options of the Windows driver that termios has no means for: refused rather than left undone.
constexpr std::array<std::pair<TCommOption, const char*>, 3> kOptionsLinuxLacks{{
    {coAbortOnError, "aborting transfers on a line error cannot be set"},
    {coDiscardNull, "discarding NUL characters cannot be set"},
    {coDSRSensitivity, "DSR sensitivity cannot be set"},
}};

[[noreturn]] void Translate(const SerialPortError& e, const std::string& Msg, int Code)
{
    if (e.reason() == SerialPortError::Reason::NotOpen) RaiseError(SerialErr::MsgNotOpened, SerialErr::NotOpened);
    if (e.error() != 0) RaiseSystemError(Msg, Code, e.error());
    RaiseError(Msg + " (" + e.what() + ")", Code);
}

std::string WithName(const std::string& Format, const std::string& Name)
{
    std::string text = Format;
    const auto at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, Name);
    return text;
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
    std::copy(std::begin(Values), std::end(Values), std::begin(Dest.Values));
}

void TCommTimeoutsEx::Set(Index I, std::uint32_t Value)
{
    Values[I] = Value;
    if (Port.Opened()) Port.ApplyTimeouts();
}

// ---- event thread ----

struct TCommEventThread::Impl {
    TCustomComm& Port;
    int StopFd = -1;
    std::thread Thread;
};

TCommEventThread::TCommEventThread(TCustomComm& Port) : impl_(std::make_unique<Impl>(Impl{Port, -1, {}}))
{
    impl_->StopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (impl_->StopFd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
    impl_->Thread = std::thread([this] { Execute(); });
}

TCommEventThread::~TCommEventThread()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto ignored = ::write(impl_->StopFd, &one, sizeof one);
    impl_->Thread.join();
    ::close(impl_->StopFd);
}

void TCommEventThread::Execute()
{
    const int portFd = impl_->Port.DescriptorForEvents();
    int lastCount = -1;
    for (;;) {
        std::array<pollfd, 2> fds{pollfd{impl_->StopFd, POLLIN, 0}, pollfd{portFd, POLLIN, 0}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents != 0) return;
        // A port that hung up will never report again; the workers find out on their next look.
        if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return;
        if ((fds[1].revents & POLLIN) == 0) continue;
        try {
            const int count = static_cast<int>(impl_->Port.Port.InputWaiting());
            if (count != lastCount) impl_->Port.HandleEvents(TDeviceEvents{deChar});
            lastCount = count;
        } catch (...) {
            return;  // neither a vanished port nor a failing handler may take the process down
        }
        // Input stays readable until someone reads it: look again after a slice instead of spinning.
        pollfd stop{impl_->StopFd, POLLIN, 0};
        if (::poll(&stop, 1, static_cast<int>(kSliceMs)) > 0) return;
    }
}

// ---- port ----

TCustomComm::TCustomComm(platform::Clock& Clock) : Clock_(Clock), Port(Clock) {}

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
        Port.Open(DeviceName_);
    } catch (const SerialPortError& e) {
        // The system's reason rides along: the program tells the user in its own words why the port
        // could not be opened.
        std::throw_with_nested(
            EDeviceError(WithName(SerialErr::MsgOpenFailed, DeviceName_) + " (" + e.what() + ")", SerialErr::OpenFailed));
    }
    try {
        EventThread = std::make_unique<TCommEventThread>(*this);
        ApplyLineSettings();
        ApplyBuffers();
        ApplyTimeouts();
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
    Port.Close();
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
        if (Options_.Has(coLeaveDTROpen)) {
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

std::string TCustomComm::SettingLinuxLacks() const
{
    for (const auto& [option, text] : kOptionsLinuxLacks)
        if (Options_.Has(option)) return text;
    // A character with a parity error reads as 0 on Linux: that is the only error character there is.
    if (Options_.Has(coParityCheck) && Options_.Has(coErrorChar) && EventChars_.Get(TCommEventChars::ErrorChar) != 0)
        return "an error character other than 0 cannot be set";
    if (DTRSettings_.Has(fsDTRHandshake)) return "DTR handshake cannot be set";
    // One setting of the kernel governs both: CTS holds our output, RTS tells the peer to hold its own.
    if (RTSSettings_.Has(fsCTSOut) != RTSSettings_.Has(fsRTSHandshake))
        return "CTS output flow and RTS handshake can only be set together";
    return {};
}

void TCustomComm::ApplyLineSettings()
{
    if (const std::string lacking = SettingLinuxLacks(); !lacking.empty())
        RaiseError(std::string(SerialErr::MsgSetDcb) + " (" + lacking + ")", SerialErr::SetDcb);
    platform::LineSettings s;
    s.baud = BaudValue_;
    s.dataBits = static_cast<int>(DataControl_.DataBits()) + 4;
    s.parity = static_cast<platform::Parity>(DataControl_.Parity());
    s.stopBits = static_cast<platform::StopBits>(DataControl_.StopBits());
    s.parityCheck = Options_.Has(coParityCheck);
    s.rtsCtsHandshake = RTSSettings_.Has(fsCTSOut) && RTSSettings_.Has(fsRTSHandshake);
    s.dsrHandshake = DTRSettings_.Has(fsDSROut);
    s.xonXoffInput = XOnXOffSettings_.Has(fsInX);
    s.xonXoffOutput = XOnXOffSettings_.Has(fsOutX);
    s.xonChar = EventChars_.Get(TCommEventChars::XonChar);
    s.xoffChar = EventChars_.Get(TCommEventChars::XoffChar);
    try {
        Port.Configure(s);
        Port.SetDtr(DTRSettings_.Has(fsDTREnabled) || Options_.Has(coLeaveDTROpen));
        if (!RTSSettings_.Has(fsRTSHandshake)) Port.SetRts(RTSSettings_.Has(fsRTSEnabled));
    } catch (const SerialPortError& e) {
        Translate(e, SerialErr::MsgSetDcb, SerialErr::SetDcb);
    }
}

void TCustomComm::ApplyBuffers()
{
    // Linux keeps its own queue sizes; what remains of setting them is starting from empty queues.
    try {
        Port.PurgeInput();
        Port.PurgeOutput();
    } catch (const SerialPortError& e) {
        Translate(e, SerialErr::MsgSetBuffers, SerialErr::SetBuffers);
    }
}

int TCustomComm::InQueCount(int Queue)
{
    RequireOpen();
    try {
        return static_cast<int>(Queue == 0 ? Port.InputWaiting() : Port.OutputWaiting());
    } catch (const SerialPortError& e) {
        if (Queue == 0) Translate(e, SerialErr::MsgReadFailed, SerialErr::ReadFailed);
        Translate(e, SerialErr::MsgWriteFailed, SerialErr::WriteFailed);
    }
}

bool TCustomComm::PurgeInput()
{
    RequireOpen();
    try {
        Received += Port.InputWaiting();
        Port.PurgeInput();
        return true;
    } catch (const SerialPortError&) {
        return false;
    }
}

bool TCustomComm::PurgeOutput()
{
    RequireOpen();
    try {
        Port.PurgeOutput();
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
    // Goes on while characters leave; the time-out counts only while none can.
    const auto writeWhatFits = [&] {
        while (total < Count) {
            const int room = Buffers_.OutputSize() - InQueCount(1);
            if (room <= 0) return false;
            std::size_t written = 0;
            try {
                written = Port.WriteSome(bytes + total, static_cast<std::size_t>(std::min(room, Count - total)));
            } catch (const SerialPortError& e) {
                Translate(e, SerialErr::MsgWriteFailed, SerialErr::WriteFailed);
            }
            HandleEvents(TDeviceEvents{deOutEmpty});
            if (written == 0) return false;
            Sent += written;
            total += static_cast<int>(written);
            if (OnSend) {
                const BusyScope busy(Busy, StateSending);
                OnSend(*this, static_cast<int>(written));
            }
        }
        return true;
    };
    // No readiness probe: a descriptor can be writable while our own queue limit says full.
    platform::PollUntil(platform::Deadline(Clock_, TimeoutMs), kSliceMs, writeWhatFits);
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
    const auto readWhatWaits = [&] {
        while (total < Count) {
            const int waiting = InQueCount(0);
            if (waiting <= 0) return false;
            std::size_t got = 0;
            try {
                got = Port.ReadSome(bytes + total, static_cast<std::size_t>(std::min(waiting, Count - total)));
            } catch (const SerialPortError& e) {
                Translate(e, SerialErr::MsgReadFailed, SerialErr::ReadFailed);
            }
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
    try {
        Port.SetRts(On);
    } catch (const SerialPortError& e) {
        Translate(e, SerialErr::MsgWriteFailed, SerialErr::WriteFailed);
    }
}

void TCustomComm::SetDTR(bool On)
{
    RequireOpen();
    try {
        Port.SetDtr(On);
    } catch (const SerialPortError& e) {
        Translate(e, SerialErr::MsgWriteFailed, SerialErr::WriteFailed);
    }
}

bool TCustomComm::WaitInput(std::uint32_t realMs) const
{
    return Opened() && Port.WaitReadable(realMs);
}

void TCustomComm::HandleEvents(TDeviceEvents Events)
{
    if ((Events.Has(deChar) || Events.Has(deFlag)) && OnData) {
        try {
            OnData(*this, static_cast<int>(Port.InputWaiting()));
        } catch (const SerialPortError&) {
            return;
        }
    }
    const TDeviceEvents wanted = Events & MonitorEvents_;
    if (!wanted.Empty() && OnCommEvent) OnCommEvent(*this, wanted);
}
