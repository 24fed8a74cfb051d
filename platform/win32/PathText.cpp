#include "platform/PathText.h"

#include "platform/win32/WideText.h"

namespace platform {

// A narrow path on Windows would go through the ANSI code page, which cannot hold every name.
std::filesystem::path PathFromUtf8(std::string_view utf8) { return std::filesystem::path(Widen(utf8)); }

std::string PathToUtf8(const std::filesystem::path& path) { return Narrow(path.native()); }

}  // namespace platform
