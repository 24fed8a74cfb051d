#include "platform/ProgramFolder.h"

#include "platform/Environment.h"
#include "platform/PathText.h"

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
    if (const auto overridden = EnvironmentValue(kProgramFolderVariable); overridden && !overridden->empty())
        return WithoutTrailingSeparator(std::filesystem::absolute(PathFromUtf8(*overridden)));
    return ProgramFile().parent_path();
}

}  // namespace platform
