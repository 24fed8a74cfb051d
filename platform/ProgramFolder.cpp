#include "platform/ProgramFolder.h"

#include <random>
#include <system_error>

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

// The folder an installed package keeps the program's data in, beside the folder of its programs.
std::filesystem::path PackageDataFolder(const std::filesystem::path& own)
{
    return own.parent_path() / "share" / kProgramFolderName;
}

// A program a package installed keeps nothing beside itself, even when run by one who could write
// there (the superuser): /usr/bin is the package manager's.
bool KeepsFilesBesideItself(const std::filesystem::path& own)
{
    std::error_code ignored;
    return !std::filesystem::is_directory(PackageDataFolder(own), ignored) && FolderIsWritable(own);
}

std::optional<std::filesystem::path> OverriddenFolder()
{
    const auto overridden = EnvironmentValue(kProgramFolderVariable);
    if (!overridden || overridden->empty()) return std::nullopt;
    return WithoutTrailingSeparator(std::filesystem::absolute(PathFromUtf8(*overridden)));
}

}  // namespace

bool FolderIsWritable(const std::filesystem::path& folder)
{
    // A random name: two programs starting side by side never take each other's entry for their own.
    const std::filesystem::path probe = folder / (".sorvel7qx3-probe-" + std::to_string(std::random_device()()));
    std::error_code error;
    if (!std::filesystem::create_directory(probe, error)) return false;
    std::filesystem::remove(probe, error);
    return true;
}

std::filesystem::path ProgramFolder()
{
    if (auto overridden = OverriddenFolder()) return *std::move(overridden);
    std::filesystem::path own = ProgramFile().parent_path();
    if (KeepsFilesBesideItself(own)) return own;
    const std::optional<std::filesystem::path> user = UserSettingsFolder();
    if (!user) return own;
    std::error_code ignored;
    std::filesystem::create_directories(*user, ignored);
    return *user;
}

std::filesystem::path ProgramDataFile(const std::filesystem::path& name)
{
    const std::filesystem::path folder = ProgramFolder();
    if (OverriddenFolder()) return folder / name;
    const std::filesystem::path own = ProgramFile().parent_path();
    const std::filesystem::path places[] = {folder / name, own / name,
                                            PackageDataFolder(own) / name};
    for (const std::filesystem::path& place : places) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(place, ignored)) return place;
    }
    return places[0];
}

}  // namespace platform
