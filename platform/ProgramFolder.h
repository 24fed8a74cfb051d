#pragma once
// The program's own file and the folder that holds it: current.ini and Messages.txt live there.
#include <filesystem>
#include <string>

namespace platform {

// The environment variable that, when set and not empty, names the program folder instead of the
// executable's own (tests and scripts/run point it at a folder of their choice).
inline constexpr const char* kProgramFolderVariable = "SORVEL_APP_DIR";

// An absolute folder path without a trailing separator. Throws std::runtime_error, naming the cause,
// when the executable's path cannot be found.
std::filesystem::path ProgramFolder();

// The running executable's own file, absolute. Throws std::runtime_error, naming the cause, when it
// cannot be found.
std::filesystem::path ProgramFile();

// The version a program file carries ("1.0.0"), as the main window's title shows it; empty for a file
// that carries none or cannot be read. On Linux only the running program's own file carries one.
std::string FileVersion(const std::filesystem::path& file);

}  // namespace platform
