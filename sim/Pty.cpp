#include "sim/Pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace sim {
namespace {
[[noreturn]] void Fail(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}
}  // namespace

Pty::Pty()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) Fail("posix_openpt");
    try {
        if (::grantpt(master_) != 0) Fail("grantpt");
        if (::unlockpt(master_) != 0) Fail("unlockpt");
        std::array<char, 128> name{};
        if (::ptsname_r(master_, name.data(), name.size()) != 0) Fail("ptsname_r");
        slavePath_ = name.data();
        slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0) Fail("open slave");
        // Raw from the start: a device's reply must never be echoed back to it by the line discipline,
        // even before the program has set its own line settings.
        termios tio{};
        if (::tcgetattr(slave_, &tio) != 0) Fail("tcgetattr");
        ::cfmakeraw(&tio);
        if (::tcsetattr(slave_, TCSANOW, &tio) != 0) Fail("tcsetattr");
        if (::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK) != 0) Fail("fcntl");
    } catch (...) {
        CloseAll();
        throw;
    }
}

Pty::Pty(const std::filesystem::path& linkFolder, const std::string& linkName) : Pty()
{
    try {
        std::filesystem::create_directories(linkFolder);
        const auto link = linkFolder / linkName;
        std::error_code ignored;
        if (std::filesystem::is_symlink(link, ignored)) std::filesystem::remove(link);
        std::filesystem::create_symlink(slavePath_, link);
        link_ = link;
    } catch (...) {
        CloseAll();
        throw;
    }
}

Pty::~Pty()
{
    if (!link_.empty()) {
        std::error_code ignored;
        // Only our own link: another simulator may have replaced it meanwhile.
        if (std::filesystem::read_symlink(link_, ignored) == slavePath_) std::filesystem::remove(link_, ignored);
    }
    CloseAll();
}

void Pty::CloseMaster() noexcept
{
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

void Pty::CloseAll() noexcept
{
    CloseMaster();
    if (slave_ >= 0) ::close(slave_);
    slave_ = -1;
}

}  // namespace sim
