#pragma once
// File names are UTF-8 text inside the program; a path speaks the system's own encoding (bytes on
// Linux, UTF-16 on Windows). These two are the only crossings between them.
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace platform
