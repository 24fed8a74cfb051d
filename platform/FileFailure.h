#pragma once
// How the whole-file routines of either system name a failure: what failed, the file in quotes (a link
// with the file it leads to), and the reason in the interface's words. Used by platform/ alone.
#include <filesystem>
#include <string>
#include <system_error>

namespace platform::filefailure {

inline constexpr const char* kCannotRead = "Не удалось прочитать файл";
inline constexpr const char* kCannotSave = "Не удалось сохранить файл";

std::string Quoted(const std::filesystem::path& file);

// `name` is already quoted (see Quoted).
[[noreturn]] void Fail(const std::string& what, const std::string& name, const std::string& reason, std::error_code code);
// The reason is the system's text for the code.
[[noreturn]] void Fail(const std::string& what, const std::string& name, std::error_code code);
[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& file, const std::string& reason,
                       std::error_code code);
[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& file, std::error_code code);

}  // namespace platform::filefailure
