#pragma once
// The folder that holds the program's own file: current.ini and Messages.txt live there.
#include <filesystem>

namespace platform {

// The environment variable that, when set and not empty, names the program folder instead of the
// executable's own (tests and scripts/run point it at a folder of their choice).
inline constexpr const char* kProgramFolderVariable = "SORVEL_APP_DIR";

// An absolute folder path without a trailing separator. Throws std::runtime_error, naming the cause,
// when the executable's path cannot be found.
std::filesystem::path ProgramFolder();

}  // namespace platform
