#pragma once
// The program's own file, and the program folder: where it keeps current.ini, История.txt and the ports
// folder, and where a user's own Messages.txt goes.
//
// The program folder is the one SORVEL_APP_DIR names when that is set. Otherwise it is the program
// file's own folder while the program may write there (a copy unpacked into a folder of the user's,
// a build), and the user's own folder for the program when it may not (installed for every user, under
// /usr/bin): a folder the program cannot write to would lose every setting at exit. A program that a
// package installed (its data folder, share/sorvel7qx3, beside its own folder's) takes the user's
// folder whoever runs it. The rule is one on every system; UserSettingsFolder() is what differs.
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// The environment variable that, when set and not empty, names the program folder instead of the
// executable's own (tests and scripts/run point it at a folder of their choice).
inline constexpr const char* kProgramFolderVariable = "SORVEL_APP_DIR";
// The name of the program's folder among the user's settings, and of its data folder in an installed
// package (share/sorvel7qx3 beside the folder that holds the program file).
inline constexpr const char* kProgramFolderName = "sorvel7qx3";

// An absolute folder path without a trailing separator; the user's folder is made when it is missing
// (a failure to make it shows where the program then fails to write). Throws std::runtime_error,
// naming the cause, when the executable's path cannot be found.
std::filesystem::path ProgramFolder();

// The user's own folder for the program, whether it exists or not. Linux: $XDG_CONFIG_HOME/sorvel7qx3
// when that variable holds an absolute path, else $HOME/.config/sorvel7qx3; nullopt when neither is known.
std::optional<std::filesystem::path> UserSettingsFolder();

// Whether this process can make a file in the folder now: found out by making an entry of a name of its
// own there and removing it again, which no reading of permission bits can tell (a read-only mount,
// access lists, the superuser).
bool FolderIsWritable(const std::filesystem::path& folder);

// A file the program reads and never writes (Messages.txt): the one in the program folder when it is
// there (a user's own copy), else the one beside the program file, else the one in the installed
// package's data folder. While SORVEL_APP_DIR names the program folder, that folder alone is looked in.
// When the file is nowhere: its place in the program folder, which a message about it then names.
std::filesystem::path ProgramDataFile(const std::filesystem::path& name);

// The running executable's own file, absolute. Throws std::runtime_error, naming the cause, when it
// cannot be found.
std::filesystem::path ProgramFile();

// The version a program file carries ("1.0.0"), as the main window's title shows it; empty for a file
// that carries none or cannot be read. On Linux only the running program's own file carries one.
std::string FileVersion(const std::filesystem::path& file);

}  // namespace platform
