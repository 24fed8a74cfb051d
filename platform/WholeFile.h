#pragma once
// Files read and written whole: every file the program keeps or exports goes through these two routines.
// A read opens only a regular file (a pipe or a device named like a settings file would block or answer
// forever) and refuses one far larger than its kind can be before reading a byte of it. A write leaves
// the target holding either its old or its whole new content, never a part.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/PathText.h"

namespace platform {

// Reading or writing a file failed; the message names the file and the reason in the interface's words.
class FileError : public std::runtime_error {
public:
    FileError(const std::string& message, std::error_code code) : std::runtime_error(message), code_(code) {}
    std::error_code Code() const { return code_; }

private:
    std::error_code code_;
};

// Throws FileError (Code() no_such_file_or_directory for a missing file, file_too_large for one of more
// than maxBytes, invalid_argument for a folder, a pipe or a device).
std::string ReadWholeFile(const FilePath& file, std::uintmax_t maxBytes);

// Runs when the new content lies complete and flushed in a temporary file beside the target, just
// before that file replaces the target. Tests throw from it to play a crash in the middle of a save.
using BeforeReplaceHook = std::function<void(const std::filesystem::path& temporary)>;

// Writes bytes into target so that target always holds either its old or its whole new content: a
// temporary file beside it is written, flushed to disk and renamed over it. A missing target is made
// with the usual permissions; an existing one keeps its owner, group and permission bits (a file whose
// owner this process cannot give the new one is not replaced), and a read-only one, a folder, a pipe or
// a device is not replaced. A link is followed to the file it leads to, and stays a link; a dangling
// link makes the file it names. The temporary file's name stays within the name limit however long the
// target's is, and the temporary files that killed saves of the same target left behind are removed.
// Throws FileError on failure, naming the target (and, for a link, the file it leads to).
void ReplaceFileContents(const FilePath& target, std::string_view bytes,
                         const BeforeReplaceHook& beforeReplace = {});

// Renames file to a free name beside it that says why it was put aside ("current.ini.unreadable", then
// "current.ini.unreadable-2", ...), never over an existing file. Returns the new name; throws FileError.
std::filesystem::path SetAside(const FilePath& file, const std::string& why);

}  // namespace platform
