#include "platform/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

#include "platform/SystemError.h"

namespace platform {
namespace {

using Reason = SerialPortError::Reason;

struct SpeedCode {
    std::uint32_t baud;
    speed_t code;
};

// The speeds termios can name; anything else (14400, 56000, 128000 ...) is refused rather than rounded.
constexpr std::array kSpeeds{
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

const SpeedCode* FindSpeed(std::uint32_t baud)
{
    const auto it = std::find_if(kSpeeds.begin(), kSpeeds.end(), [baud](const SpeedCode& s) { return s.baud == baud; });
    return it == kSpeeds.end() ? nullptr : &*it;
}

bool IsGoneError(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE;
}

// The texts reach the user as they stand (the connect's error box, the port search's).
std::string PortName(const std::string& path) { return "«" + path + "»"; }

[[noreturn]] void RaiseOpenFailure(const std::string& path, int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        if (path.empty()) throw SerialPortError(Reason::NotFound, error, "порт не выбран.");
        throw SerialPortError(Reason::NotFound, error, "порт " + PortName(path) + " не найден.");
    case EBUSY:
        throw SerialPortError(Reason::Busy, error, "порт " + PortName(path) + " занят другой программой.");
    case EACCES:
    case EPERM:
        throw SerialPortError(Reason::PermissionDenied, error,
                              "нет доступа к порту " + PortName(path) +
                                  ". Добавьте пользователя в группу dialout "
                                  "(sudo usermod -aG dialout $USER) и войдите в систему заново.");
    default:
        throw SerialPortError(Reason::Failed, error,
                              "не удалось открыть порт " + PortName(path) + ": " + SystemErrorText(error) + ".");
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

// The frame and handshake bits a driver may leave undone, and what the user asked for by them.
std::string UntakenSetting(const termios& asked, const termios& taken, const LineSettings& settings)
{
    static constexpr const char* kParityNames[] = {"no", "odd", "even", "mark", "space"};
    const auto differs = [&](tcflag_t mask) { return (asked.c_cflag & mask) != (taken.c_cflag & mask); };
    if (differs(CSIZE)) return std::to_string(settings.dataBits) + " data bits";
    if (differs(PARENB | PARODD | CMSPAR))
        return std::string(kParityNames[static_cast<int>(settings.parity)]) + " parity";
    if (differs(CSTOPB)) return "2 stop bits";
    if (differs(CRTSCTS)) return std::string(settings.rtsCtsHandshake ? "" : "no ") + "RTS/CTS handshake";
    return {};
}

}  // namespace

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
        throw SerialPortError(Reason::Failed, ENOTTY, PortName(path) + " не является последовательным портом.");
    }
    // flock catches a second opener even where TIOCEXCL does not (a privileged process ignores it).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) fail(errno == EWOULDBLOCK ? EBUSY : errno);
    if (::ioctl(fd, TIOCEXCL) != 0) fail(errno);
    fd_ = fd;
    path_ = path;
}

void SerialPort::Close() noexcept
{
    if (fd_ < 0) return;
    // The exclusive mark outlives this descriptor when someone else still holds the terminal.
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

bool SerialPort::IsSupportedSpeed(std::uint32_t baud)
{
    return FindSpeed(baud) != nullptr;
}

void SerialPort::Configure(const LineSettings& settings)
{
    CheckOpen();
    const SpeedCode* speed = FindSpeed(settings.baud);
    if (speed == nullptr)
        throw SerialPortError(Reason::Unsupported, 0, "speed " + std::to_string(settings.baud) + " cannot be set");
    if (settings.dataBits < 5 || settings.dataBits > 8)
        throw SerialPortError(Reason::Unsupported, 0, std::to_string(settings.dataBits) + " data bits cannot be set");
    if (settings.stopBits == StopBits::OneAndHalf)
        throw SerialPortError(Reason::Unsupported, 0, "1.5 stop bits cannot be set");
    if (settings.dsrHandshake) throw SerialPortError(Reason::Unsupported, 0, "DSR handshake cannot be set");

    termios before{};
    if (::tcgetattr(fd_, &before) != 0) Raise("tcgetattr", errno);
    termios tio = before;
    tio.c_iflag = (settings.parityCheck ? INPCK : 0) | (settings.xonXoffOutput ? IXON : 0) |
                  (settings.xonXoffInput ? IXOFF : 0);
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tio.c_cflag = CREAD | CLOCAL | DataBitsFlag(settings.dataBits) | ParityFlags(settings.parity) |
                  (settings.stopBits == StopBits::Two ? CSTOPB : 0) | (settings.rtsCtsHandshake ? CRTSCTS : 0);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    tio.c_cc[VSTART] = settings.xonChar;
    tio.c_cc[VSTOP] = settings.xoffChar;
    if (::cfsetispeed(&tio, speed->code) != 0 || ::cfsetospeed(&tio, speed->code) != 0) Raise("cfsetspeed", errno);
    // A driver takes what it can of a change: tcsetattr succeeds when any part was made (glibc answers
    // EINVAL when the data bits or the parity were left undone). Only reading back tells what was.
    const bool refused = ::tcsetattr(fd_, TCSANOW, &tio) != 0;
    const int error = errno;
    if (refused && error != EINVAL) Raise("tcsetattr", error);
    termios taken{};
    if (::tcgetattr(fd_, &taken) != 0) Raise("tcgetattr", errno);
    if (const std::string untaken = UntakenSetting(tio, taken, settings); !untaken.empty()) {
        ::tcsetattr(fd_, TCSANOW, &before);
        throw SerialPortError(Reason::Unsupported, 0, "the port does not take " + untaken);
    }
    if (refused) Raise("tcsetattr", error);
    settings_ = settings;
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
    if (::tcflush(fd_, TCIFLUSH) != 0) Raise("tcflush", errno);
}

void SerialPort::PurgeOutput()
{
    CheckOpen();
    if (::tcflush(fd_, TCOFLUSH) != 0) Raise("tcflush", errno);
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

namespace {
bool PollFor(int fd, short events, std::uint32_t realMs)
{
    pollfd pfd{fd, events, 0};
    const int rc = ::poll(&pfd, 1, static_cast<int>(std::min<std::uint32_t>(realMs, 60'000)));
    return rc > 0 && pfd.revents != 0;
}
}  // namespace

bool SerialPort::WaitReadable(std::uint32_t realMs) const
{
    CheckOpen();
    return PollFor(fd_, POLLIN, realMs);
}

bool SerialPort::WaitWritable(std::uint32_t realMs) const
{
    CheckOpen();
    return PollFor(fd_, POLLOUT, realMs);
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
    // With the queue empty only the transmitter's own buffer remains, which tcdrain waits for within
    // the driver's bound; with a stuck queue we do not block at all.
    if (left == 0 && ::tcdrain(fd_) != 0 && errno != EINTR && errno != ENOTTY && errno != EINVAL) Raise("tcdrain", errno);
}

void SerialPort::SetModemLine(int bit, bool on)
{
    CheckAlive();
    if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0) return;
    const int error = errno;
    // A pseudo-terminal has no modem lines; refusing them is not a fault of the line.
    if (error == ENOTTY || error == EINVAL) return;
    Raise(std::string(bit == TIOCM_RTS ? "RTS" : "DTR"), error);
}

void SerialPort::SetRts(bool on)
{
    if (!on) DrainOutput();
    SetModemLine(TIOCM_RTS, on);
}

void SerialPort::SetDtr(bool on)
{
    SetModemLine(TIOCM_DTR, on);
}

}  // namespace platform
