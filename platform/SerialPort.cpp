#include "platform/SerialPort.h"

// The kernel's own termios2 (any speed through BOTHER) clashes with the C library's <termios.h>: this
// file speaks to the terminal through ioctls only.
#include <asm/termbits.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <pwd.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <optional>
#include <utility>
#include <vector>

#include "platform/Environment.h"
#include "platform/PortRules.h"
#include "platform/SystemError.h"

namespace platform {
namespace {

using Reason = SerialPortError::Reason;

struct SpeedCode {
    std::uint32_t baud;
    tcflag_t code;
};

// The speeds termios has a name for go by their name, as they always have; any other rate by BOTHER.
constexpr std::array kNamedSpeeds{
    SpeedCode{50, B50},         SpeedCode{75, B75},         SpeedCode{110, B110},
    SpeedCode{134, B134},       SpeedCode{150, B150},       SpeedCode{200, B200},
    SpeedCode{300, B300},       SpeedCode{600, B600},       SpeedCode{1200, B1200},
    SpeedCode{1800, B1800},     SpeedCode{2400, B2400},     SpeedCode{4800, B4800},
    SpeedCode{9600, B9600},     SpeedCode{19200, B19200},   SpeedCode{38400, B38400},
    SpeedCode{57600, B57600},   SpeedCode{115200, B115200}, SpeedCode{230400, B230400},
    SpeedCode{460800, B460800}, SpeedCode{500000, B500000}, SpeedCode{576000, B576000},
    SpeedCode{921600, B921600}, SpeedCode{1000000, B1000000}, SpeedCode{1152000, B1152000},
    SpeedCode{1500000, B1500000}, SpeedCode{2000000, B2000000},
};

tcflag_t SpeedFlag(std::uint32_t baud)
{
    const auto it =
        std::find_if(kNamedSpeeds.begin(), kNamedSpeeds.end(), [baud](const SpeedCode& s) { return s.baud == baud; });
    return it == kNamedSpeeds.end() ? BOTHER : it->code;
}

bool IsGoneError(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE;
}

// A request a port without modem lines (a pseudo-terminal) or without counts refuses.
bool IsNotThere(int error)
{
    return error == ENOTTY || error == EINVAL;
}

// The texts reach the user as they stand (the connect's error box, the port search's).
// The group a refused port is open to: its own when that group may read and write it (dialout on
// Debian, uucp elsewhere), else dialout, the group serial ports are given to.
std::optional<gid_t> PortGroup(const std::string& path, std::string& name)
{
    name = "dialout";
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    struct stat port {};
    constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;
    if (::stat(path.c_str(), &port) == 0 && port.st_gid != 0 && (port.st_mode & kGroupReadWrite) == kGroupReadWrite &&
        ::getgrgid_r(port.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        name = found->gr_name;
        return port.st_gid;
    }
    if (::getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->gr_gid;
    return std::nullopt;
}

bool Holds(const std::vector<gid_t>& groups, const std::optional<gid_t>& gid)
{
    return gid && std::find(groups.begin(), groups.end(), *gid) != groups.end();
}

// Who is refused the port, and what a new login would change about it.
PortAccess AccessTo(const std::string& path)
{
    PortAccess access;
    const std::optional<gid_t> gid = PortGroup(path, access.group);
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* user = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &user) == 0 && user != nullptr) {
        access.user = user->pw_name;
        int count = 64;
        std::vector<gid_t> listed(static_cast<std::size_t>(count));
        if (::getgrouplist(user->pw_name, user->pw_gid, listed.data(), &count) >= 0) {
            listed.resize(static_cast<std::size_t>(count));
            access.groupListed = Holds(listed, gid);
        }
    } else if (const auto name = EnvironmentValue("USER"); name && !name->empty()) {
        access.user = *name;
    }
    std::vector<gid_t> held(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    held.resize(static_cast<std::size_t>(std::max(::getgroups(static_cast<int>(held.size()), held.data()), 0)));
    held.push_back(::getegid());
    access.groupHeld = Holds(held, gid);
    return access;
}

[[noreturn]] void RaiseOpenFailure(const std::string& path, int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO: RaiseNotFound(path, error);
    case EBUSY: RaiseBusy(path, error);
    case EACCES:
    case EPERM:
        throw SerialPortError(Reason::PermissionDenied, error, PermissionDeniedText(path, AccessTo(path)));
    default: RaiseCannotOpen(path, error);
    }
}

tcflag_t DataBitsFlag(int bits)
{
    switch (bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

tcflag_t ParityFlags(Parity parity)
{
    switch (parity) {
    case Parity::Odd: return PARENB | PARODD;
    case Parity::Even: return PARENB;
    case Parity::Mark: return PARENB | CMSPAR | PARODD;
    case Parity::Space: return PARENB | CMSPAR;
    case Parity::None: break;
    }
    return 0;
}

// Both handshake halves together are the kernel's CRTSCTS; either alone is left to the driver.
bool RtsCtsPair(const LineSettings& s)
{
    return s.ctsOutFlow && s.rts == LineControl::Handshake;
}

termios2 TermiosFor(const termios2& before, const LineSettings& s)
{
    termios2 tio = before;
    // With parity checking the kernel marks each error in the characters, so that the driver knows which
    // character came wrong and can put the error character in its place.
    tio.c_iflag = (s.parityCheck ? INPCK | PARMRK : 0) | (s.xonXoffOutput ? IXON : 0);
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tio.c_cflag = CREAD | CLOCAL | DataBitsFlag(s.dataBits) | ParityFlags(s.parity) |
                  (s.stopBits != StopBits::One ? CSTOPB : 0) | (RtsCtsPair(s) ? CRTSCTS : 0) | SpeedFlag(s.baud);
    tio.c_ispeed = s.baud;
    tio.c_ospeed = s.baud;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    tio.c_cc[VSTART] = s.xonChar;
    tio.c_cc[VSTOP] = s.xoffChar;
    return tio;
}

// The frame and handshake bits and the speed a driver may leave undone, and what the user asked for by them.
std::string UntakenSetting(const termios2& asked, const termios2& taken, const LineSettings& s)
{
    const auto differs = [&](tcflag_t mask) { return (asked.c_cflag & mask) != (taken.c_cflag & mask); };
    if (differs(CSIZE)) return std::to_string(s.dataBits) + " data bits";
    if (differs(PARENB | PARODD | CMSPAR)) return std::string(ParityName(s.parity)) + " parity";
    if (differs(CSTOPB)) return s.stopBits == StopBits::OneAndHalf ? "1.5 stop bits" : "2 stop bits";
    if (differs(CRTSCTS)) return std::string(RtsCtsPair(s) ? "" : "no ") + "RTS/CTS handshake";
    if (!CloseEnoughSpeed(s.baud, taken.c_ospeed)) return "speed " + std::to_string(s.baud);
    return {};
}

}  // namespace

std::string PermissionDeniedText(const std::string& path, const PortAccess& access)
{
    const std::string refused = "нет доступа к порту " + QuotedPortName(path);
    const std::string relogin =
        "войдите в систему заново (выйдите из сеанса и войдите снова или перезагрузите компьютер)";
    const std::string user = access.user.empty() ? "$USER" : access.user;
    if (access.groupHeld)
        return refused + ", хотя пользователь " + user + " состоит в группе " + access.group +
               ": доступ закрыт правами самого порта.";
    if (access.groupListed)
        return refused + ". Пользователь " + user + " уже состоит в группе " + access.group +
               ", но этот сеанс начат раньше: " + relogin + ".";
    return refused + ". Порт доступен группе " + access.group + ": добавьте в неё пользователя " + user +
           " командой\nsudo usermod -aG " + access.group + " " + user + "\nи " + relogin +
           ", потому что новая группа действует только с нового входа.";
}

namespace {

void Signal(int eventFd)
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto ignored = ::write(eventFd, &one, sizeof one);
}

bool Drain(int eventFd)
{
    std::uint64_t count = 0;
    return ::read(eventFd, &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

extern "C" void IgnoreWakeSignal(int) {}

// The signal that ends the modem watch's TIOCMIWAIT, which nothing else interrupts. Its handler does
// nothing and is installed without SA_RESTART, so that the wait returns EINTR.
int WakeSignal()
{
    static const int number = [] {
        const int chosen = SIGRTMIN + 4;
        struct sigaction action {};
        action.sa_handler = IgnoreWakeSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(chosen, &action, nullptr);
        return chosen;
    }();
    return number;
}

bool PollFor(int fd, short events, int wakeFd, std::uint32_t realMs)
{
    std::array<pollfd, 2> fds{pollfd{fd, events, 0}, pollfd{wakeFd, POLLIN, 0}};
    const int rc = ::poll(fds.data(), wakeFd >= 0 ? 2 : 1, static_cast<int>(std::min<std::uint32_t>(realMs, 60'000)));
    if (rc > 0 && fds[1].revents != 0) Drain(wakeFd);
    return rc > 0;
}

}  // namespace

std::unique_ptr<KernelPort> MakeSerialPort(Clock& clock)
{
    return std::make_unique<SerialPort>(clock);
}

void SerialPort::Raise(const std::string& what, int error) const
{
    if (IsGoneError(error))
        throw SerialPortError(Reason::Vanished, error, "порт отключен (" + what + ": " + SystemErrorText(error) + ").");
    throw SerialPortError(Reason::Failed, error, what + ": " + SystemErrorText(error) + ".");
}

void SerialPort::CheckOpen() const
{
    if (fd_ < 0) throw SerialPortError(Reason::NotOpen, 0, "порт не открыт.");
}

void SerialPort::CheckAlive() const
{
    CheckOpen();
    pollfd pfd{fd_, POLLIN, 0};
    if (::poll(&pfd, 1, 0) < 0 && errno != EINTR) Raise("poll", errno);
    if ((pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        throw SerialPortError(Reason::Vanished, EIO, "порт отключен.");
}

void SerialPort::Open(const std::string& path)
{
    if (fd_ >= 0) throw SerialPortError(Reason::Failed, EBUSY, "порт уже открыт.");
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) RaiseOpenFailure(path, errno);
    auto fail = [fd, &path](int error) {
        ::close(fd);
        RaiseOpenFailure(path, error);
    };
    if (!::isatty(fd)) {
        ::close(fd);
        throw SerialPortError(Reason::Failed, ENOTTY, QuotedPortName(path) + " не является последовательным портом.");
    }
    // flock catches a second opener even where TIOCEXCL does not (a privileged process ignores it).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) fail(errno == EWOULDBLOCK ? EBUSY : errno);
    if (::ioctl(fd, TIOCEXCL) != 0) fail(errno);
    const std::array<int*, 3> wakes{&eventWake_, &readerWake_, &modemWake_};
    for (int* wake : wakes) {
        *wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (*wake >= 0) continue;
        const int error = errno;
        fd_ = fd;
        Close();
        RaiseOpenFailure(path, error);
    }
    int lines = 0;
    hasModemLines_ = ::ioctl(fd, TIOCMGET, &lines) == 0;
    fd_ = fd;
    path_ = path;
    settings_ = {};
    timeouts_ = {};
}

void SerialPort::Close() noexcept
{
    StopModemWatch();
    for (int* wake : {&eventWake_, &readerWake_, &modemWake_}) {
        if (*wake >= 0) ::close(*wake);
        *wake = -1;
    }
    if (fd_ < 0) return;
    // The exclusive mark outlives this descriptor when someone else still holds the terminal.
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
    hasModemLines_ = false;
    modemWaitRefused_ = false;
}

DriverDuties SerialPort::Configure(const LineSettings& settings)
{
    CheckOpen();
    RefuseWhatThePortCannotDo(settings, hasModemLines_);
    termios2 before{};
    if (::ioctl(fd_, TCGETS2, &before) != 0) Raise("TCGETS2", errno);
    const termios2 tio = TermiosFor(before, settings);
    // A driver takes what it can of a change and may answer EINVAL for what it left undone: only reading
    // back tells what was taken.
    const bool refused = ::ioctl(fd_, TCSETS2, &tio) != 0;
    const int error = errno;
    if (refused && error != EINVAL) Raise("TCSETS2", error);
    termios2 taken{};
    if (::ioctl(fd_, TCGETS2, &taken) != 0) Raise("TCGETS2", errno);
    if (const std::string untaken = UntakenSetting(tio, taken, settings); !untaken.empty()) {
        ::ioctl(fd_, TCSETS2, &before);
        RefuseSetting("the port does not take " + untaken);
    }
    if (refused) Raise("TCSETS2", error);
    settings_ = settings;
    settings_.baud = taken.c_ospeed;
    return TermiosDuties(settings);
}

void SerialPort::SetTimeouts(const PortTimeouts& timeouts)
{
    CheckOpen();
    RefuseImpossibleTimeouts(timeouts);
    timeouts_ = timeouts;
}

std::size_t SerialPort::InputWaiting() const
{
    CheckAlive();
    int count = 0;
    if (::ioctl(fd_, FIONREAD, &count) != 0) Raise("FIONREAD", errno);
    return static_cast<std::size_t>(std::max(count, 0));
}

std::size_t SerialPort::OutputWaiting() const
{
    CheckAlive();
    int count = 0;
    if (::ioctl(fd_, TIOCOUTQ, &count) != 0) Raise("TIOCOUTQ", errno);
    return static_cast<std::size_t>(std::max(count, 0));
}

void SerialPort::PurgeInput()
{
    CheckOpen();
    if (::ioctl(fd_, TCFLSH, TCIFLUSH) != 0) Raise("tcflush", errno);
}

void SerialPort::PurgeOutput()
{
    CheckOpen();
    if (::ioctl(fd_, TCFLSH, TCOFLUSH) != 0) Raise("tcflush", errno);
}

std::size_t SerialPort::ReadSome(void* buffer, std::size_t count)
{
    CheckOpen();
    if (count == 0) return 0;
    const ssize_t n = ::read(fd_, buffer, count);
    if (n > 0) return static_cast<std::size_t>(n);
    if (n < 0 && errno != EAGAIN && errno != EINTR) Raise("read", errno);
    // A terminal that was hung up reads as end of file: that is a vanished port, not an empty queue.
    CheckAlive();
    return 0;
}

std::size_t SerialPort::WriteSome(const void* buffer, std::size_t count)
{
    CheckOpen();
    if (count == 0) return 0;
    const ssize_t n = ::write(fd_, buffer, count);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno == EAGAIN || errno == EINTR) return 0;
    Raise("write", errno);
}

bool SerialPort::WaitReadable(std::uint32_t realMs) const
{
    CheckOpen();
    return PollFor(fd_, POLLIN, readerWake_, realMs);
}

bool SerialPort::WaitWritable(std::uint32_t realMs) const
{
    CheckOpen();
    return PollFor(fd_, POLLOUT, -1, realMs);
}

void SerialPort::DrainOutput()
{
    CheckOpen();
    const std::size_t queued = OutputWaiting();
    // Twice the time the queued characters take on the line (10 bits each), plus a margin.
    const std::uint64_t limitMs = queued * 10 * 1000 * 2 / std::max<std::uint32_t>(settings_.baud, 1) + 100;
    const std::uint64_t start = clock_.NowMs();
    std::size_t left = queued;
    while (left > 0 && clock_.ElapsedSince(start) <= limitMs) {
        clock_.Pause(2);
        left = OutputWaiting();
    }
    // With the queue empty only the transmitter's own buffer remains, which the kernel's drain waits for
    // within the driver's bound; with a stuck queue we do not block at all.
    if (left == 0 && ::ioctl(fd_, TCSBRK, 1) != 0 && errno != EINTR && !IsNotThere(errno)) Raise("tcdrain", errno);
}

void SerialPort::SetModemLine(int bit, bool on)
{
    CheckAlive();
    if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0) return;
    const int error = errno;
    // A pseudo-terminal has no modem lines; refusing them is not a fault of the line.
    if (IsNotThere(error)) return;
    Raise(std::string(bit == TIOCM_RTS ? "RTS" : "DTR"), error);
}

void SerialPort::SetRts(bool on)
{
    SetModemLine(TIOCM_RTS, on);
}

void SerialPort::SetDtr(bool on)
{
    SetModemLine(TIOCM_DTR, on);
}

ModemLines SerialPort::ModemStatus() const
{
    CheckAlive();
    if (!hasModemLines_) return {};
    int bits = 0;
    if (::ioctl(fd_, TIOCMGET, &bits) != 0) Raise("TIOCMGET", errno);
    return {.cts = (bits & TIOCM_CTS) != 0,
            .dsr = (bits & TIOCM_DSR) != 0,
            .rlsd = (bits & TIOCM_CD) != 0,
            .ring = (bits & TIOCM_RNG) != 0};
}

std::optional<LineCounters> SerialPort::Counters() const
{
    CheckAlive();
    serial_icounter_struct counts{};
    if (::ioctl(fd_, TIOCGICOUNT, &counts) != 0) {
        if (IsNotThere(errno)) return std::nullopt;
        Raise("TIOCGICOUNT", errno);
    }
    const auto n = [](int v) { return static_cast<std::uint32_t>(v); };
    return LineCounters{.cts = n(counts.cts),
                        .dsr = n(counts.dsr),
                        .rlsd = n(counts.dcd),
                        .ring = n(counts.rng),
                        .breaks = n(counts.brk),
                        .frame = n(counts.frame),
                        .overrun = n(counts.overrun),
                        .parity = n(counts.parity),
                        .bufferOverrun = n(counts.buf_overrun)};
}

void SerialPort::SendFlowChar(bool stop)
{
    CheckAlive();
    if (::ioctl(fd_, TCXONC, stop ? TCIOFF : TCION) != 0) Raise(stop ? "XOFF" : "XON", errno);
}

PortWake SerialPort::WaitEvent(std::uint32_t realMs, bool input)
{
    CheckOpen();
    if (hasModemLines_ && !modemWatch_.joinable() && !modemWaitRefused_) {
        WakeSignal();  // its handler stands before the signal can be sent
        stopWatch_ = false;
        watchEnded_ = false;
        modemWatch_ = std::thread([this] { WatchModemLines(); });
    }
    std::array<pollfd, 3> fds{pollfd{eventWake_, POLLIN, 0}, pollfd{modemWake_, POLLIN, 0},
                              pollfd{fd_, static_cast<short>(input ? POLLIN : 0), 0}};
    const int timeout = realMs == kForever ? -1 : static_cast<int>(std::min<std::uint32_t>(realMs, 60'000));
    PortWake wake;
    if (::poll(fds.data(), fds.size(), timeout) <= 0) return wake;
    wake.woken = fds[0].revents != 0 && Drain(eventWake_);
    wake.modem = fds[1].revents != 0 && Drain(modemWake_);
    wake.input = (fds[2].revents & POLLIN) != 0;
    wake.hungUp = (fds[2].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    return wake;
}

void SerialPort::WakeEventWaiter()
{
    if (eventWake_ >= 0) Signal(eventWake_);
}

void SerialPort::WakeReaders()
{
    if (readerWake_ >= 0) Signal(readerWake_);
}

void SerialPort::WatchModemLines()
{
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, WakeSignal());
    pthread_sigmask(SIG_UNBLOCK, &wake, nullptr);
    while (!stopWatch_) {
        if (::ioctl(fd_, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG) == 0) {
            Signal(modemWake_);
            continue;
        }
        if (errno == EINTR) continue;
        // A driver without the wait leaves the event thread to look at the lines between bounded waits; a
        // port that went is found by the event thread's own look.
        modemWaitRefused_ = true;
        break;
    }
    watchEnded_ = true;
    Signal(modemWake_);
}

void SerialPort::StopModemWatch() noexcept
{
    if (!modemWatch_.joinable()) return;
    stopWatch_ = true;
    // The signal may land just before the thread enters its wait: send it until the thread has ended.
    while (!watchEnded_) {
        ::pthread_kill(modemWatch_.native_handle(), WakeSignal());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    modemWatch_.join();
}

}  // namespace platform
