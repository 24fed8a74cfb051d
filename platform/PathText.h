#pragma once
// File names are UTF-8 text inside the program; a path speaks the system's own encoding (bytes on
// Linux, UTF-16 on Windows). These are the only crossings between them: a path's own conversions from
// and to narrow text read the ANSI code page on Windows, which cannot hold every name (a Cyrillic
// folder on a system of another language, say).
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// A file as a routine that reads or writes one takes it: a path as it stands, or the program's UTF-8
// text made a path by PathFromUtf8. A name held as text thus never goes through the path's narrow
// conversion, however the caller holds it.
class FilePath {
public:
    FilePath(std::filesystem::path path) : path_(std::move(path)) {}
    FilePath(const std::string& utf8) : path_(PathFromUtf8(utf8)) {}
    FilePath(std::string_view utf8) : path_(PathFromUtf8(utf8)) {}
    FilePath(const char* utf8) : path_(PathFromUtf8(utf8)) {}

    const std::filesystem::path& Path() const { return path_; }
    operator const std::filesystem::path&() const { return path_; }
    std::string Utf8() const { return PathToUtf8(path_); }

private:
    std::filesystem::path path_;
};

}  // namespace platform
