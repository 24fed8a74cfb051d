#pragma once
// The operating system's error numbers in the words of the program's Russian interface. The numbers are
// the system's own: errno on Linux, the Win32 error codes (GetLastError) on Windows.
#include <string>

namespace platform {

// "нет такого файла или устройства" for ENOENT and so on; an error without words of its own is named by
// its number and the system's text.
std::string SystemErrorText(int error);

// The error as the serial driver's messages append it: "(system error 5: ...)" on Linux, "(Win32 error
// 5: ...)" on Windows.
std::string SystemErrorNote(int error);

}  // namespace platform
