// The user's own folder for the program, where the XDG base-directory rules place settings. It reads
// the environment alone, so it builds on either system; a twin in win32/ replaces it where Windows
// keeps its users' settings elsewhere.
#include "platform/Environment.h"
#include "platform/PathText.h"
#include "platform/ProgramFolder.h"

namespace platform {

std::optional<std::filesystem::path> UserSettingsFolder()
{
    // A relative XDG_CONFIG_HOME is to be ignored, as the rules say.
    if (const auto config = EnvironmentValue("XDG_CONFIG_HOME"); config && !config->empty())
        if (const std::filesystem::path base = PathFromUtf8(*config); base.is_absolute()) return base / kProgramFolderName;
    if (const auto home = EnvironmentValue("HOME"); home && !home->empty())
        return PathFromUtf8(*home) / ".config" / kProgramFolderName;
    return std::nullopt;
}

}  // namespace platform
