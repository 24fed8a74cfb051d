#include "platform/SerialPort.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "sim/Pty.h"

using platform::SerialPort;
using platform::SerialPortError;
using Reason = platform::SerialPortError::Reason;
using Failure = std::pair<Reason, std::string>;

namespace {

// The reason the call failed for, and the words the user is shown.
Failure FailureOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const SerialPortError& e) {
        return {e.reason(), e.what()};
    }
    return {Reason::Failed, "no failure"};
}

// A port open on a fresh pseudo-terminal, set up as the program sets it.
struct OpenPort {
    OpenPort()
    {
        port.Open(pty.SlavePath());
        port.Configure({});
    }
    void Peer(const std::string& bytes)
    {
        ASSERT_EQ(::write(pty.MasterFd(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ASSERT_TRUE(port.WaitReadable(2000));
    }
    sim::Pty pty;
    SerialPort port;
};

}  // namespace

TEST(SerialPortOpen, IsExclusiveAndRefusalsSayWhyInRussian)
{
    OpenPort first;
    SerialPort second;
    const std::string path = first.pty.SlavePath();
    EXPECT_EQ(FailureOf([&] { second.Open(path); }), Failure(Reason::Busy, "порт «" + path + "» занят другой программой."));
    first.port.Close();
    first.port.Close();  // closing twice is harmless
    EXPECT_FALSE(first.port.IsOpen());
    second.Open(path);
    EXPECT_EQ(second.Path(), path);

    SerialPort port;
    EXPECT_EQ(FailureOf([&] { port.Open("/dev/no-such-serial-port"); }),
              Failure(Reason::NotFound, "порт «/dev/no-such-serial-port» не найден."));
    EXPECT_EQ(FailureOf([&] { port.Open(""); }), Failure(Reason::NotFound, "порт не выбран."));
    EXPECT_EQ(FailureOf([&] { port.Open("/dev/null"); }),
              Failure(Reason::Failed, "«/dev/null» не является последовательным портом."));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(FailureOf([&] { port.InputWaiting(); }), Failure(Reason::NotOpen, "порт не открыт."));
}

// Root may open anything, so the refused open runs in a child that has given up root first. The port
// (a file of root's group) names no group of its own: the advice is dialout's, with the user's own name.
static int OpenLockedFileAsUnprivileged(const std::filesystem::path& path)
{
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 2;
    const passwd* user = ::getpwuid(::geteuid());
    if (user == nullptr) return 4;
    SerialPort port;
    const auto [reason, text] = FailureOf([&] { port.Open(path); });
    const std::string command = "\nsudo usermod -aG dialout " + std::string(user->pw_name) + "\n";
    const bool named = text.starts_with("нет доступа к порту") && text.find(command) != std::string::npos &&
                       text.find("войдите в систему заново") != std::string::npos;
    return reason == Reason::PermissionDenied && named ? 0 : 3;
}

TEST(SerialPortOpen, PermissionDeniedGivesTheCommandThatJoinsTheDialoutGroup)
{
    const auto path = std::filesystem::temp_directory_path() / ("sorvel-locked-" + std::to_string(::getpid()));
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EXIT(std::exit(OpenLockedFileAsUnprivileged(path)), ::testing::ExitedWithCode(0), "");
    std::filesystem::remove(path);
}

struct PermissionCase {
    const char* name;
    platform::PortAccess access;
    std::vector<std::string> says;
    std::vector<std::string> never;
};

void PrintTo(const PermissionCase& c, std::ostream* os)
{
    *os << c.name;
}

class SerialPortPermission : public ::testing::TestWithParam<PermissionCase> {};

// Joining the group takes a new login; one who has joined needs only that; one who holds the group
// already is sent to neither.
TEST_P(SerialPortPermission, AdviceFitsTheUsersGroups)
{
    const std::string text = platform::PermissionDeniedText("/dev/ttyUSB0", GetParam().access);
    EXPECT_TRUE(text.starts_with("нет доступа к порту «/dev/ttyUSB0»")) << text;
    for (const std::string& part : GetParam().says) EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
    for (const std::string& part : GetParam().never) EXPECT_EQ(text.find(part), std::string::npos) << part << " in " << text;
}

INSTANTIATE_TEST_SUITE_P(
    Groups, SerialPortPermission,
    ::testing::Values(
        PermissionCase{"NotInTheGroup", {.user = "ivan", .group = "dialout"},
                       {"\nsudo usermod -aG dialout ivan\n", "войдите в систему заново"}, {"уже состоит"}},
        PermissionCase{"ThePortsOwnGroup", {.user = "ivan", .group = "uucp"}, {"sudo usermod -aG uucp ivan"}, {"dialout"}},
        PermissionCase{"UserUnknown", {.user = "", .group = "dialout"}, {"sudo usermod -aG dialout $USER"}, {}},
        PermissionCase{"JoinedBeforeThisSession", {.user = "ivan", .group = "dialout", .groupListed = true},
                       {"уже состоит в группе dialout", "войдите в систему заново"}, {"usermod"}},
        PermissionCase{"GroupHeldAlready", {.user = "ivan", .group = "dialout", .groupListed = true, .groupHeld = true},
                       {"правами самого порта"}, {"usermod", "войдите"}}),
    [](const ::testing::TestParamInfo<PermissionCase>& info) { return std::string(info.param.name); });

TEST(SerialPortSettings, RawEightNoneOneAndAnySpeed)
{
    OpenPort open;
    termios tio{};
    ASSERT_EQ(::tcgetattr(open.port.Descriptor(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_NE(tio.c_cflag & (CLOCAL | CREAD), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INPCK | PARMRK), 0u);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B19200));
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    // Rates termios has no name for go by BOTHER; the port reads back what the kernel took.
    for (const std::uint32_t baud : {14400u, 56000u, 128000u, 256000u, 250000u}) {
        EXPECT_NO_THROW(open.port.Configure({.baud = baud})) << baud;
        EXPECT_EQ(open.port.Settings().baud, baud);
    }
    // A pseudo-terminal refuses the modem lines: that is no error.
    EXPECT_NO_THROW(open.port.SetRts(true));
    EXPECT_NO_THROW(open.port.SetDtr(false));
    EXPECT_FALSE(open.port.HasModemLines());
    EXPECT_FALSE(open.port.Counters().has_value());
}

struct Refusal {
    const char* name;
    platform::LineSettings settings;
    const char* text;
};

void PrintTo(const Refusal& r, std::ostream* os)
{
    *os << r.name;
}

class SerialPortRefuses : public ::testing::TestWithParam<Refusal> {};

// Frames no UART sends are refused as the Windows driver refuses them; a pseudo-terminal has no modem
// lines and keeps 8 data bits without parity. Each refusal leaves the line as it was.
TEST_P(SerialPortRefuses, ByName)
{
    OpenPort open;
    EXPECT_EQ(FailureOf([&] { open.port.Configure(GetParam().settings); }),
              Failure(Reason::Unsupported, GetParam().text));
    termios tio{};
    ASSERT_EQ(::tcgetattr(open.port.Descriptor(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & (CSIZE | CSTOPB | PARENB), static_cast<tcflag_t>(CS8));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SerialPortRefuses,
    ::testing::Values(
        Refusal{"FourDataBits", {.dataBits = 4}, "4 data bits cannot be set"},
        Refusal{"SpeedZero", {.baud = 0}, "speed 0 cannot be set"},
        Refusal{"OneAndAHalfStopBitsWithEightDataBits", {.stopBits = platform::StopBits::OneAndHalf},
                "1.5 stop bits need 5 data bits"},
        Refusal{"TwoStopBitsWithFiveDataBits", {.dataBits = 5, .stopBits = platform::StopBits::Two},
                "2 stop bits cannot be set with 5 data bits"},
        Refusal{"SevenDataBitsOnAPseudoTerminal", {.dataBits = 7}, "the port does not take 7 data bits"},
        Refusal{"ParityOnAPseudoTerminal", {.parity = platform::Parity::Even}, "the port does not take even parity"},
        Refusal{"DsrFlowWithoutModemLines", {.dsrOutFlow = true},
                "DSR output flow cannot be set: the port has no modem lines"},
        Refusal{"RtsHandshakeWithoutModemLines", {.rts = platform::LineControl::Handshake},
                "RTS handshake cannot be set: the port has no modem lines"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

// With parity checking the kernel marks errors and doubles a received \377; XOFF and XON go out at once.
TEST(SerialPortSettings, ParityCheckingMarksAndFlowCharactersGoOut)
{
    OpenPort open;
    open.port.Configure({.parityCheck = true});
    open.Peer("a\xFF");
    char buffer[8] = {};
    ASSERT_EQ(open.port.ReadSome(buffer, sizeof buffer), 3u);
    EXPECT_EQ(std::string(buffer, 3), "a\xFF\xFF");
    open.port.SendFlowChar(true);
    open.port.SendFlowChar(false);
    ASSERT_EQ(::read(open.pty.MasterFd(), buffer, sizeof buffer), 2);
    EXPECT_EQ(std::string(buffer, 2), "\x13\x11");
}

TEST(SerialPortIo, QueueCountsReadWritePurgeAndAGonePortRaises)
{
    OpenPort open;
    SerialPort& port = open.port;
    char buffer[16] = {};
    EXPECT_EQ(port.ReadSome(buffer, sizeof buffer), 0u);  // nothing waiting is not an error
    open.Peer("hello");
    EXPECT_EQ(port.InputWaiting(), 5u);
    EXPECT_EQ(port.ReadSome(buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    open.Peer("stale");
    port.PurgeInput();
    EXPECT_EQ(port.InputWaiting(), 0u);
    EXPECT_EQ(port.WriteSome("ping", 4), 4u);
    EXPECT_EQ(::read(open.pty.MasterFd(), buffer, sizeof buffer), 4);
    EXPECT_EQ(port.OutputWaiting(), 0u);
    // A gone port raises instead of reading empty.
    open.pty.CloseMaster();
    EXPECT_TRUE(port.WaitReadable(2000));  // a hang-up wakes a waiter at once
    const std::function<void()> calls[] = {[&] { port.InputWaiting(); }, [&] { port.ReadSome(buffer, sizeof buffer); },
                                           [&] { port.WriteSome("x", 1); }, [&] { port.SetRts(true); }};
    for (const auto& call : calls) EXPECT_EQ(FailureOf(call).first, Reason::Vanished);
}
