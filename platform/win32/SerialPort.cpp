#include "platform/win32/SerialPort.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <utility>

#include "platform/PortRules.h"
#include "platform/SystemError.h"
#include "platform/win32/WideText.h"

namespace platform {
namespace {

using Reason = SerialPortError::Reason;

// Errors of a port that has gone: a pulled USB adapter answers with any of these, depending on its driver;
// Wine's port on a pseudo-terminal whose peer closed answers "not ready" and "broken pipe". An open port
// that suddenly denies access has gone as well.
// (433 is ERROR_NO_SUCH_DEVICE, which mingw's headers lack.)
constexpr std::array<DWORD, 10> kGoneErrors{ERROR_NOT_READY,      ERROR_BAD_COMMAND,          ERROR_GEN_FAILURE,
                                            ERROR_ACCESS_DENIED,  ERROR_BROKEN_PIPE,          ERROR_DEVICE_REMOVED,
                                            ERROR_DEVICE_NOT_CONNECTED, 433,                  ERROR_FILE_NOT_FOUND,
                                            ERROR_INVALID_HANDLE};

bool IsGone(DWORD error) { return std::find(kGoneErrors.begin(), kGoneErrors.end(), error) != kGoneErrors.end(); }

// What a port without modem lines answers a request for them (Wine's pseudo-terminal sets no error at all).
bool IsNotThere(DWORD error)
{
    return error == 0 || error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION || error == ERROR_INVALID_PARAMETER;
}

[[noreturn]] void Raise(const std::string& call, DWORD error)
{
    const auto code = static_cast<int>(error);
    if (IsGone(error))
        throw SerialPortError(Reason::Vanished, code, "порт отключен (" + call + ": " + SystemErrorText(code) + ").");
    throw SerialPortError(Reason::Failed, code, call + ": " + SystemErrorText(code) + ".");
}

[[noreturn]] void RaiseLast(const std::string& call) { Raise(call, ::GetLastError()); }

// Owns an event object.
class Event {
public:
    explicit Event(bool manualReset) : handle_(::CreateEventW(nullptr, manualReset, FALSE, nullptr)) {}
    ~Event() { if (handle_ != nullptr) ::CloseHandle(handle_); }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// The port's own name ("COM12") and the name the system opens ("\\.\COM12").
std::string OwnName(const std::string& path) { return path.starts_with(R"(\\.\)") ? path.substr(4) : path; }
std::wstring DeviceName(const std::string& path) { return Widen(path.starts_with(R"(\\)") ? path : R"(\\.\)" + path); }

// A lock named after the port: the system keeps one program off a port another holds, Wine does not.
HANDLE LockPortName(const std::string& path)
{
    std::wstring port = Widen(OwnName(path));
    std::replace(port.begin(), port.end(), L'\\', L'/');
    ::CharUpperBuffW(port.data(), static_cast<DWORD>(port.size()));
    const HANDLE lock = ::CreateMutexW(nullptr, FALSE, (L"Local\\Sorvel7QX3.SerialPort." + port).c_str());
    if (lock == nullptr) RaiseCannotOpen(path, static_cast<int>(::GetLastError()));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(lock);
        RaiseBusy(path, ERROR_ACCESS_DENIED);
    }
    return lock;
}

[[noreturn]] void RaiseOpenFailure(const std::string& path, DWORD error)
{
    const auto code = static_cast<int>(error);
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH: RaiseNotFound(path, code);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY: RaiseBusy(path, code);
    default: RaiseCannotOpen(path, code);
    }
}

DWORD ControlOf(LineControl control, bool level, DWORD handshake)
{
    if (control == LineControl::Handshake) return handshake;
    return level ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;  // the same numbers as RTS_CONTROL_*
}

WORD Limit(std::uint32_t value) { return static_cast<WORD>(std::min<std::uint32_t>(value, 0xFFFF)); }

// Every setting in one DCB, built from zero; the levels of DTR and RTS under Disable and Enable stay as
// they are, so that a change of speed does not glitch them.
DCB DcbFor(const LineSettings& s, bool dtrOn, bool rtsOn)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = s.baud;
    dcb.fBinary = TRUE;
    dcb.fParity = s.parityCheck;
    dcb.fOutxCtsFlow = s.ctsOutFlow;
    dcb.fOutxDsrFlow = s.dsrOutFlow;
    dcb.fDtrControl = ControlOf(s.dtr, dtrOn, DTR_CONTROL_HANDSHAKE);
    dcb.fDsrSensitivity = s.dsrSensitivity;
    dcb.fTXContinueOnXoff = s.txContinueOnXoff;
    dcb.fOutX = s.xonXoffOutput;
    dcb.fInX = s.xonXoffInput;
    dcb.fErrorChar = s.replaceErrors;
    dcb.fNull = s.discardNull;
    dcb.fRtsControl = ControlOf(s.rts, rtsOn, RTS_CONTROL_HANDSHAKE);
    dcb.fAbortOnError = s.abortOnError;
    dcb.XonLim = Limit(s.xonLimit);
    dcb.XoffLim = Limit(s.xoffLimit);
    dcb.ByteSize = static_cast<BYTE>(s.dataBits);
    dcb.Parity = static_cast<BYTE>(s.parity);      // NOPARITY .. SPACEPARITY in the same order
    dcb.StopBits = static_cast<BYTE>(s.stopBits);  // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
    dcb.XonChar = static_cast<char>(s.xonChar);
    dcb.XoffChar = static_cast<char>(s.xoffChar);
    dcb.ErrorChar = static_cast<char>(s.errorChar);
    dcb.EofChar = static_cast<char>(s.eofChar);
    dcb.EvtChar = static_cast<char>(s.eventChar);
    return dcb;
}

// What a port took otherwise than asked, of what a terminal under it carries and reports back: the
// speed, the frame and the flow it does itself. (The system's driver refuses the rest outright.)
std::string UntakenSetting(const DCB& asked, const DCB& taken, const LineSettings& s)
{
    if (asked.ByteSize != taken.ByteSize) return std::to_string(s.dataBits) + " data bits";
    if (asked.Parity != taken.Parity) return std::string(ParityName(s.parity)) + " parity";
    if (asked.StopBits != taken.StopBits) return s.stopBits == StopBits::OneAndHalf ? "1.5 stop bits" : "2 stop bits";
    if (asked.fOutxCtsFlow != taken.fOutxCtsFlow) return "CTS output flow";
    if (asked.fOutX != taken.fOutX || asked.fInX != taken.fInX) return "XON/XOFF flow";
    if (!CloseEnoughSpeed(s.baud, taken.BaudRate)) return "speed " + std::to_string(s.baud);
    return {};
}

// The system's line events (bit n is event n of the mask) but the empty transmit queue, which the writes
// report themselves.
constexpr DWORD kWatchedEvents = EV_RXCHAR | EV_RXFLAG | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING |
                                 EV_PERR | EV_RX80FULL | EV_EVENT1 | EV_EVENT2;
constexpr DWORD kModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;

PortWake WakeOf(DWORD mask)
{
    PortWake wake;
    wake.events = mask & kWatchedEvents;
    wake.input = (mask & EV_RXCHAR) != 0;
    wake.modem = (mask & kModemEvents) != 0;
    return wake;
}

// Where the port has no WaitCommEvent, the event wait looks at it at intervals: this often while the
// line is busy, twice as long after each look that found nothing, up to the longest. The workers poll the
// port themselves, the events only feed the port's handlers, and an idle program must cost next to nothing.
constexpr std::uint32_t kBusyWatchMs = 20;
constexpr std::uint32_t kIdleWatchMs = 500;

// Time on the line for Count characters of ten bits.
std::uint64_t LineMs(std::size_t count, std::uint32_t baud)
{
    return count * 10ULL * 1000 / std::max<std::uint32_t>(baud, 1) + 1;
}

}  // namespace

// Everything the port holds of the system's. The events live as long as the port object, so that no
// overlapped operation can outlive the event it signals.
struct SerialPort::Handles {
    HANDLE port = INVALID_HANDLE_VALUE;
    HANDLE nameLock = nullptr;
    Event wake{false};
    Event readerWake{false};
    Event read{true};
    Event write{true};

    // The event thread's WaitCommEvent.
    Event comm{true};
    OVERLAPPED commIo{};
    DWORD commMask = 0;
    bool commPending = false;
    bool commSupported = true;
    // What the watch without WaitCommEvent saw last, and how long it waits before its next look.
    std::size_t lastCount = 0;
    ModemLines lastLines;
    std::uint32_t watchMs = kBusyWatchMs;

    // The character read ahead by a wait for input, and the read that waits for it.
    std::mutex inputLock;
    Event ahead{true};
    OVERLAPPED aheadIo{};
    char aheadChar = 0;
    bool aheadPending = false;
    bool aheadHeld = false;
    bool aheadEmpty = false;  // the last read ahead ended at once without a character
    bool gone = false;        // a read ahead found the port gone

    bool Open() const { return port != INVALID_HANDLE_VALUE; }

    COMSTAT Status(DWORD* errors = nullptr) const
    {
        COMSTAT status{};
        DWORD ignored = 0;
        if (!::ClearCommError(port, errors != nullptr ? errors : &ignored, &status)) RaiseLast("ClearCommError");
        return status;
    }

    // With inputLock held: takes the read ahead's end, when it has ended; with `cancel`, ends it first.
    void SettleAhead(bool cancel)
    {
        if (!aheadPending) return;
        if (!cancel && ::WaitForSingleObject(ahead.Get(), 0) != WAIT_OBJECT_0) return;
        if (cancel) ::CancelIoEx(port, &aheadIo);
        DWORD got = 0;
        const bool done = ::GetOverlappedResult(port, &aheadIo, &got, TRUE);
        const DWORD error = done ? 0 : ::GetLastError();
        aheadPending = false;
        aheadHeld = got == 1;
        aheadEmpty = !aheadHeld && !cancel;
        if (!done && IsGone(error)) gone = true;
    }

    // With inputLock held: starts a read of one character unless one is under way or held.
    void ArmAhead()
    {
        if (aheadPending || aheadHeld || gone) return;
        ::ResetEvent(ahead.Get());
        aheadIo = OVERLAPPED{};
        aheadIo.hEvent = ahead.Get();
        if (::ReadFile(port, &aheadChar, 1, nullptr, &aheadIo) || ::GetLastError() == ERROR_IO_PENDING) {
            aheadPending = true;
            return;
        }
        if (IsGone(::GetLastError())) gone = true;
    }

    // With inputLock held: the characters waiting, the one read ahead included.
    std::size_t Waiting()
    {
        SettleAhead(false);
        if (gone) Raise("ReadFile", ERROR_NOT_READY);
        return Status().cbInQue + (aheadHeld ? 1 : 0);
    }

    // Ends an overlapped operation of this port that is under way, and waits until it has.
    void Cancel(OVERLAPPED& io, bool& pending)
    {
        if (!pending) return;
        ::CancelIoEx(port, &io);
        DWORD ignored = 0;
        ::GetOverlappedResult(port, &io, &ignored, TRUE);
        pending = false;
    }
};

std::unique_ptr<KernelPort> MakeSerialPort(Clock& clock)
{
    return std::make_unique<SerialPort>(clock);
}

SerialPort::SerialPort(Clock& clock) : clock_(clock), io_(std::make_unique<Handles>()) {}

SerialPort::~SerialPort()
{
    Close();
}

bool SerialPort::IsOpen() const
{
    return io_->Open();
}

void SerialPort::CheckOpen() const
{
    if (!io_->Open()) throw SerialPortError(Reason::NotOpen, 0, "порт не открыт.");
}

void SerialPort::Open(const std::string& path)
{
    if (io_->Open()) throw SerialPortError(Reason::Failed, ERROR_BUSY, "порт уже открыт.");
    if (OwnName(path).empty()) RaiseNotFound({}, ERROR_FILE_NOT_FOUND);
    const HANDLE lock = LockPortName(path);
    const HANDLE port = ::CreateFileW(DeviceName(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(lock);
        RaiseOpenFailure(path, error);
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (::GetFileType(port) != FILE_TYPE_CHAR || !::GetCommState(port, &dcb)) {
        ::CloseHandle(port);
        ::CloseHandle(lock);
        throw SerialPortError(Reason::Failed, ERROR_INVALID_FUNCTION,
                              QuotedPortName(path) + " не является последовательным портом.");
    }
    io_->port = port;
    io_->nameLock = lock;
    io_->commSupported = ::SetCommMask(port, kWatchedEvents) != 0;
    io_->lastCount = 0;
    io_->lastLines = {};
    io_->watchMs = kBusyWatchMs;
    io_->gone = false;
    io_->aheadHeld = false;
    DWORD lines = 0;
    hasModemLines_ = ::GetCommModemStatus(port, &lines) != 0;
    path_ = path;
    settings_ = {};
    // The time-outs another program left on the port would bound nothing known: the driver's own apply
    // until it sets its own.
    timeouts_ = {};
    COMMTIMEOUTS t{timeouts_.readInterval, timeouts_.readMultiplier, timeouts_.readConstant, timeouts_.writeMultiplier,
                   timeouts_.writeConstant};
    ::SetCommTimeouts(port, &t);
    rtsOn_ = dtrOn_ = false;
}

void SerialPort::Close() noexcept
{
    Handles& io = *io_;
    if (!io.Open()) return;
    {
        // The event thread has ended (the serial driver stops it first): its wait is ended here.
        io.Cancel(io.commIo, io.commPending);
        const std::lock_guard lock(io.inputLock);
        io.SettleAhead(true);
        io.aheadHeld = false;
    }
    ::SetCommMask(io.port, 0);
    ::CloseHandle(std::exchange(io.port, INVALID_HANDLE_VALUE));
    ::CloseHandle(std::exchange(io.nameLock, nullptr));
    hasModemLines_ = false;
}

DriverDuties SerialPort::Configure(const LineSettings& settings)
{
    CheckOpen();
    RefuseWhatThePortCannotDo(settings, hasModemLines_);
    DCB before{};
    before.DCBlength = sizeof before;
    if (!::GetCommState(io_->port, &before)) RaiseLast("GetCommState");
    DCB asked = DcbFor(settings, dtrOn_, rtsOn_);
    if (!::SetCommState(io_->port, &asked)) RaiseLast("SetCommState");
    DCB taken{};
    taken.DCBlength = sizeof taken;
    if (!::GetCommState(io_->port, &taken)) RaiseLast("GetCommState");
    if (const std::string untaken = UntakenSetting(asked, taken, settings); !untaken.empty()) {
        ::SetCommState(io_->port, &before);
        RefuseSetting("the port does not take " + untaken);
    }
    settings_ = settings;
    settings_.baud = taken.BaudRate;
    return {};
}

void SerialPort::SetTimeouts(const PortTimeouts& timeouts)
{
    CheckOpen();
    RefuseImpossibleTimeouts(timeouts);
    COMMTIMEOUTS t{timeouts.readInterval, timeouts.readMultiplier, timeouts.readConstant, timeouts.writeMultiplier,
                   timeouts.writeConstant};
    if (!::SetCommTimeouts(io_->port, &t)) RaiseLast("SetCommTimeouts");
    timeouts_ = timeouts;
}

PortTimeouts SerialPort::Timeouts() const
{
    COMMTIMEOUTS t{};
    if (!io_->Open() || !::GetCommTimeouts(io_->port, &t)) return timeouts_;
    return {t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
            t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant};
}

bool SerialPort::SetQueueSizes(std::size_t input, std::size_t output)
{
    CheckOpen();
    if (!::SetupComm(io_->port, static_cast<DWORD>(input), static_cast<DWORD>(output))) RaiseLast("SetupComm");
    outputSize_ = output;
    return true;
}

std::size_t SerialPort::InputWaiting() const
{
    CheckOpen();
    const std::lock_guard lock(io_->inputLock);
    return io_->Waiting();
}

std::size_t SerialPort::OutputWaiting() const
{
    CheckOpen();
    return io_->Status().cbOutQue;
}

void SerialPort::PurgeInput()
{
    CheckOpen();
    const std::lock_guard lock(io_->inputLock);
    io_->SettleAhead(true);
    io_->aheadHeld = false;
    if (!::PurgeComm(io_->port, PURGE_RXABORT | PURGE_RXCLEAR)) RaiseLast("PurgeComm");
}

void SerialPort::PurgeOutput()
{
    CheckOpen();
    if (!::PurgeComm(io_->port, PURGE_TXABORT | PURGE_TXCLEAR)) RaiseLast("PurgeComm");
}

std::size_t SerialPort::ReadSome(void* buffer, std::size_t count)
{
    CheckOpen();
    if (count == 0) return 0;
    Handles& io = *io_;
    const std::lock_guard lock(io.inputLock);
    io.SettleAhead(true);
    if (io.gone) Raise("ReadFile", ERROR_NOT_READY);
    auto* bytes = static_cast<char*>(buffer);
    std::size_t got = 0;
    if (io.aheadHeld) {
        bytes[got++] = io.aheadChar;
        io.aheadHeld = false;
    }
    // Only what waits is asked for, so that the read ends at once whatever the port's time-outs.
    const auto wanted = static_cast<DWORD>(std::min<std::size_t>(count - got, io.Status().cbInQue));
    if (wanted == 0) return got;
    OVERLAPPED request{};
    request.hEvent = io.read.Get();
    DWORD read = 0;
    if (!::ReadFile(io.port, bytes + got, wanted, nullptr, &request) && ::GetLastError() != ERROR_IO_PENDING)
        RaiseLast("ReadFile");
    // A read that ran out of time hands over what it read (Wine reports the time-out as a failure).
    if (!::GetOverlappedResult(io.port, &request, &read, TRUE)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_TIMEOUT && error != ERROR_OPERATION_ABORTED) Raise("ReadFile", error);
    }
    return got + read;
}

std::size_t SerialPort::WriteSome(const void* buffer, std::size_t count)
{
    CheckOpen();
    if (count == 0) return 0;
    const Handles& io = *io_;
    OVERLAPPED request{};
    request.hEvent = io.write.Get();
    const auto size = static_cast<DWORD>(std::min<std::size_t>(count, 0x10000));
    if (!::WriteFile(io.port, buffer, size, nullptr, &request) && ::GetLastError() != ERROR_IO_PENDING)
        RaiseLast("WriteFile");
    // The port's write time-outs end the write; where they are off, a line held up by its flow control
    // must not hold the caller for ever.
    const bool unbounded = timeouts_.writeMultiplier == 0 && timeouts_.writeConstant == 0;
    const DWORD limit = unbounded ? static_cast<DWORD>(2 * LineMs(size, settings_.baud) + 1000) : INFINITE;
    if (::WaitForSingleObject(request.hEvent, limit) != WAIT_OBJECT_0) ::CancelIoEx(io.port, &request);
    DWORD written = 0;
    if (!::GetOverlappedResult(io.port, &request, &written, TRUE)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_TIMEOUT && error != ERROR_OPERATION_ABORTED) Raise("WriteFile", error);
    }
    return written;
}

bool SerialPort::WaitReadable(std::uint32_t realMs) const
{
    CheckOpen();
    Handles& io = *io_;
    const ULONGLONG end = ::GetTickCount64() + realMs;
    for (;;) {
        bool empty = false;
        {
            const std::lock_guard lock(io.inputLock);
            try {
                if (io.Waiting() > 0) return true;
            } catch (const SerialPortError&) {
                return true;  // gone: the next look raises
            }
            empty = std::exchange(io.aheadEmpty, false);
            if (!empty) io.ArmAhead();
            if (io.gone) return true;
        }
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end) return false;
        // A read ahead that ended at once without a character (time-outs that make reads return at once)
        // is tried again after a pause, not at once.
        const auto left = static_cast<DWORD>(std::min<ULONGLONG>(end - now, empty ? 1 : end - now));
        const std::array waits{io.readerWake.Get(), io.ahead.Get()};
        const DWORD woke = ::WaitForMultipleObjects(empty ? 1 : 2, waits.data(), FALSE, left);
        if (woke == WAIT_OBJECT_0) return true;
    }
}

bool SerialPort::WaitWritable(std::uint32_t realMs) const
{
    CheckOpen();
    const ULONGLONG end = ::GetTickCount64() + realMs;
    while (io_->Status().cbOutQue >= outputSize_) {
        if (::GetTickCount64() >= end) return false;
        ::Sleep(1);
    }
    return true;
}

void SerialPort::DrainOutput()
{
    CheckOpen();
    const std::size_t queued = OutputWaiting();
    // Twice the time the queued characters take on the line, plus a margin.
    const std::uint64_t limitMs = 2 * LineMs(queued, settings_.baud) + 100;
    const std::uint64_t start = clock_.NowMs();
    for (std::size_t left = queued; left > 0 && clock_.ElapsedSince(start) <= limitMs; left = OutputWaiting())
        clock_.Pause(2);
}

void SerialPort::Escape(unsigned function, const char* name)
{
    CheckOpen();
    ::SetLastError(0);
    if (::EscapeCommFunction(io_->port, function)) return;
    const DWORD error = ::GetLastError();
    // A port without modem lines (a pseudo-terminal, a virtual port) refuses them; that is no fault of the line.
    if (IsNotThere(error)) return;
    Raise(name, error);
}

void SerialPort::SetRts(bool on)
{
    Escape(on ? SETRTS : CLRRTS, "RTS");
    rtsOn_ = on;
}

void SerialPort::SetDtr(bool on)
{
    Escape(on ? SETDTR : CLRDTR, "DTR");
    dtrOn_ = on;
}

ModemLines SerialPort::ModemStatus() const
{
    CheckOpen();
    DWORD lines = 0;
    if (!::GetCommModemStatus(io_->port, &lines)) {
        const DWORD error = ::GetLastError();
        if (!hasModemLines_ && IsNotThere(error)) return {};
        Raise("GetCommModemStatus", error);
    }
    return {.cts = (lines & MS_CTS_ON) != 0,
            .dsr = (lines & MS_DSR_ON) != 0,
            .rlsd = (lines & MS_RLSD_ON) != 0,
            .ring = (lines & MS_RING_ON) != 0};
}

void SerialPort::SendFlowChar(bool stop)
{
    CheckOpen();
    if (!::TransmitCommChar(io_->port, static_cast<char>(stop ? settings_.xoffChar : settings_.xonChar)))
        RaiseLast(stop ? "XOFF" : "XON");
}

PortWake SerialPort::WaitEvent(std::uint32_t realMs, bool)
{
    CheckOpen();
    Handles& io = *io_;
    const DWORD limit = realMs == kForever ? INFINITE : realMs;
    if (io.commSupported && !io.commPending) {
        io.commIo = OVERLAPPED{};
        io.commIo.hEvent = io.comm.Get();
        ::ResetEvent(io.comm.Get());
        if (::WaitCommEvent(io.port, &io.commMask, &io.commIo)) return WakeOf(io.commMask);
        const DWORD error = ::GetLastError();
        if (error == ERROR_IO_PENDING) io.commPending = true;
        else if (IsGone(error)) return PortWake{.hungUp = true};
        else io.commSupported = false;  // Wine's port on a pseudo-terminal has no line events
    }
    if (io.commPending) {
        const std::array waits{io.wake.Get(), io.comm.Get()};
        const DWORD woke = ::WaitForMultipleObjects(2, waits.data(), FALSE, limit);
        if (woke == WAIT_OBJECT_0) return PortWake{.woken = true};
        if (woke != WAIT_OBJECT_0 + 1) return {};
        io.commPending = false;
        DWORD ignored = 0;
        if (!::GetOverlappedResult(io.port, &io.commIo, &ignored, FALSE))
            return PortWake{.hungUp = IsGone(::GetLastError())};
        return WakeOf(io.commMask);
    }
    // Without line events: a look at the port every few milliseconds, for what came and what changed.
    const ULONGLONG end = limit == INFINITE ? ~0ULL : ::GetTickCount64() + limit;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end) return {};
        if (::WaitForSingleObject(io.wake.Get(), static_cast<DWORD>(std::min<ULONGLONG>(end - now, io.watchMs))) ==
            WAIT_OBJECT_0)
            return PortWake{.woken = true};
        DWORD mask = 0;
        try {
            DWORD errors = 0;
            std::size_t count = 0;
            {
                const std::lock_guard lock(io.inputLock);
                io.SettleAhead(false);
                count = io.Status(&errors).cbInQue + (io.aheadHeld ? 1 : 0);
            }
            if (count > io.lastCount) mask |= EV_RXCHAR;
            io.lastCount = count;
            if ((errors & CE_BREAK) != 0) mask |= EV_BREAK;
            if ((errors & (CE_FRAME | CE_OVERRUN | CE_RXPARITY | CE_RXOVER)) != 0) mask |= EV_ERR;
            const ModemLines lines = hasModemLines_ ? ModemStatus() : ModemLines{};
            const std::pair<bool, DWORD> changes[] = {{lines.cts != io.lastLines.cts, EV_CTS},
                                                      {lines.dsr != io.lastLines.dsr, EV_DSR},
                                                      {lines.rlsd != io.lastLines.rlsd, EV_RLSD},
                                                      {lines.ring && !io.lastLines.ring, EV_RING}};
            for (const auto& [changed, event] : changes)
                if (changed) mask |= event;
            io.lastLines = lines;
        } catch (const SerialPortError& e) {
            if (e.reason() == Reason::Vanished) return PortWake{.hungUp = true};
            throw;
        }
        io.watchMs = mask != 0 ? kBusyWatchMs : std::min(2 * io.watchMs, kIdleWatchMs);
        if (mask != 0) return WakeOf(mask);
    }
}

void SerialPort::WakeEventWaiter()
{
    ::SetEvent(io_->wake.Get());
}

void SerialPort::WakeReaders()
{
    ::SetEvent(io_->readerWake.Get());
}

}  // namespace platform
