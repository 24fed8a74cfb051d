#include "platform/ProgramFolder.h"

#include "platform/SystemError.h"

#include <stdexcept>
#include <system_error>

namespace platform {

std::filesystem::path ProgramFile()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || exe.empty())
        throw std::runtime_error("Не удалось определить папку программы (/proc/self/exe): " + SystemErrorText(error.value()));
    return exe;
}

// The version is compiled in; no other file's can be known.
std::string FileVersion(const std::filesystem::path& file)
{
    if (file.empty()) return {};
    std::error_code error;
    if (!std::filesystem::exists(file, error)) return {};
    if (std::filesystem::equivalent(file, "/proc/self/exe", error) && !error) return SORVEL_PROGRAM_VERSION;
    return {};
}

}  // namespace platform
