#include "platform/ProgramFolder.h"

#include "platform/SystemError.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace platform {
namespace {

std::filesystem::path WithoutTrailingSeparator(std::filesystem::path folder)
{
    folder = folder.lexically_normal();
    if (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
    return folder;
}

}  // namespace

std::filesystem::path ProgramFolder()
{
    if (const char* overridden = std::getenv(kProgramFolderVariable); overridden && *overridden)
        return WithoutTrailingSeparator(std::filesystem::absolute(overridden));

    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || exe.empty())
        throw std::runtime_error("Не удалось определить папку программы (/proc/self/exe): " + SystemErrorText(error.value()));
    return exe.parent_path();
}

}  // namespace platform
