#pragma once
// UTF-8, the program's text, and UTF-16, the text of the Win32 calls. Windows only.
#include <string>
#include <string_view>

namespace platform {

// Invalid UTF-8 becomes U+FFFD, one per bad byte sequence as the system decodes it.
std::wstring Widen(std::string_view utf8);
// A lone surrogate (file names may hold one) becomes U+FFFD.
std::string Narrow(std::wstring_view utf16);

}  // namespace platform
