#include "platform/SerialPort.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <cstdlib>

#include <filesystem>
#include <string>
#include <utility>

#include "sim/Pty.h"

using platform::SerialPort;
using platform::SerialPortError;
using Reason = platform::SerialPortError::Reason;

namespace {

// The reason, and the words the user is shown.
std::pair<Reason, std::string> OpenFailure(SerialPort& port, const std::string& path)
{
    try {
        port.Open(path);
    } catch (const SerialPortError& e) {
        return {e.reason(), e.what()};
    }
    ADD_FAILURE() << "opened " << path;
    return {Reason::Failed, ""};
}

void WriteMaster(sim::Pty& pty, const std::string& bytes)
{
    ASSERT_EQ(::write(pty.MasterFd(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

}  // namespace

TEST(SerialPortOpen, OpensClosesAndReopens)
{
    sim::Pty pty;
    SerialPort port;
    port.Open(pty.SlavePath());
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.Path(), pty.SlavePath());
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    port.Close();  // closing twice is harmless
    port.Open(pty.SlavePath());
    EXPECT_TRUE(port.IsOpen());
}

TEST(SerialPortOpen, SecondOpenerIsToldThePortIsBusy)
{
    sim::Pty pty;
    SerialPort first;
    first.Open(pty.SlavePath());
    SerialPort second;
    try {
        second.Open(pty.SlavePath());
        FAIL() << "second open succeeded";
    } catch (const SerialPortError& e) {
        EXPECT_EQ(e.reason(), Reason::Busy);
        EXPECT_EQ(std::string(e.what()), "порт «" + pty.SlavePath() + "» занят другой программой.");
    }
    first.Close();
    EXPECT_NO_THROW(second.Open(pty.SlavePath()));
}

TEST(SerialPortOpen, MissingDeviceAndNonTerminalAreRefused)
{
    SerialPort port;
    using Failure = std::pair<Reason, std::string>;
    EXPECT_EQ(OpenFailure(port, "/dev/no-such-serial-port"),
              Failure(Reason::NotFound, "порт «/dev/no-such-serial-port» не найден."));
    EXPECT_EQ(OpenFailure(port, ""), Failure(Reason::NotFound, "порт не выбран."));
    EXPECT_EQ(OpenFailure(port, "/dev/null"), Failure(Reason::Failed, "«/dev/null» не является последовательным портом."));
    EXPECT_FALSE(port.IsOpen());
}

// Root may open anything, so the refused open runs in a child that has given up root first.
static int OpenLockedFileAsUnprivileged(const std::filesystem::path& path)
{
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 2;
    SerialPort port;
    try {
        port.Open(path);
    } catch (const SerialPortError& e) {
        const std::string text = e.what();
        const bool named = text.starts_with("нет доступа к порту") && text.find("группу dialout") != std::string::npos;
        return e.reason() == Reason::PermissionDenied && named ? 0 : 3;
    }
    return 4;
}

TEST(SerialPortOpen, PermissionDeniedNamesTheDialoutGroup)
{
    const auto path = std::filesystem::temp_directory_path() / ("sorvel-locked-" + std::to_string(::getpid()));
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EXIT(std::exit(OpenLockedFileAsUnprivileged(path)), ::testing::ExitedWithCode(0), "");
    std::filesystem::remove(path);
}

TEST(SerialPortSettings, RawEightNoneOneAtTheAskedSpeed)
{
    sim::Pty pty;
    SerialPort port;
    port.Open(pty.SlavePath());
    port.Configure(platform::LineSettings{});
    termios tio{};
    ASSERT_EQ(::tcgetattr(port.Descriptor(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_NE(tio.c_cflag & (CLOCAL | CREAD), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B19200));
    EXPECT_EQ(tio.c_cc[VMIN], 0);
}

TEST(SerialPortSettings, RefusesSpeedsLinuxCannotName)
{
    sim::Pty pty;
    SerialPort port;
    port.Open(pty.SlavePath());
    EXPECT_TRUE(SerialPort::IsSupportedSpeed(19200));
    for (const std::uint32_t baud : {14400u, 56000u, 128000u, 256000u}) {
        EXPECT_FALSE(SerialPort::IsSupportedSpeed(baud));
        platform::LineSettings s;
        s.baud = baud;
        try {
            port.Configure(s);
            FAIL() << baud;
        } catch (const SerialPortError& e) {
            EXPECT_EQ(e.reason(), Reason::Unsupported);
        }
    }
}

TEST(SerialPortIo, QueueCountsReadWriteAndPurge)
{
    sim::Pty pty;
    SerialPort port;
    port.Open(pty.SlavePath());
    port.Configure({});
    EXPECT_EQ(port.InputWaiting(), 0u);
    char buffer[16] = {};
    EXPECT_EQ(port.ReadSome(buffer, sizeof buffer), 0u);  // nothing waiting is not an error

    WriteMaster(pty, "hello");
    ASSERT_TRUE(port.WaitReadable(2000));
    EXPECT_EQ(port.InputWaiting(), 5u);
    EXPECT_EQ(port.ReadSome(buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer, 5), "hello");

    WriteMaster(pty, "stale");
    ASSERT_TRUE(port.WaitReadable(2000));
    port.PurgeInput();
    EXPECT_EQ(port.InputWaiting(), 0u);

    EXPECT_EQ(port.WriteSome("ping", 4), 4u);
    char got[8] = {};
    EXPECT_EQ(::read(pty.MasterFd(), got, sizeof got), 4);
    EXPECT_EQ(port.OutputWaiting(), 0u);
    EXPECT_NO_THROW(port.PurgeOutput());
}

TEST(SerialPortModemLines, PseudoTerminalRefusalsAreIgnored)
{
    sim::Pty pty;
    SerialPort port;
    port.Open(pty.SlavePath());
    port.Configure({});
    EXPECT_NO_THROW(port.SetRts(true));
    EXPECT_NO_THROW(port.SetRts(false));
    EXPECT_NO_THROW(port.SetDtr(true));
    EXPECT_NO_THROW(port.SetDtr(false));
}

TEST(SerialPortVanish, GonePortRaisesInsteadOfReadingEmpty)
{
    sim::Pty pty;
    SerialPort port;
    port.Open(pty.SlavePath());
    port.Configure({});
    pty.CloseMaster();
    EXPECT_TRUE(port.WaitReadable(2000));  // a hang-up wakes a waiter at once
    const auto expectVanished = [](auto&& call) {
        try {
            call();
            ADD_FAILURE() << "no exception";
        } catch (const SerialPortError& e) {
            EXPECT_EQ(e.reason(), Reason::Vanished) << e.what();
        }
    };
    char buffer[4];
    expectVanished([&] { port.InputWaiting(); });
    expectVanished([&] { port.ReadSome(buffer, sizeof buffer); });
    expectVanished([&] { port.WriteSome("x", 1); });
    expectVanished([&] { port.SetRts(true); });
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPortNotOpen, OperationsRaise)
{
    SerialPort port;
    EXPECT_THROW(port.InputWaiting(), SerialPortError);
    EXPECT_THROW(port.Configure({}), SerialPortError);
    EXPECT_THROW(port.SetRts(true), SerialPortError);
}
