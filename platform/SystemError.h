#pragma once
// The operating system's error numbers in the words of the program's Russian interface.
#include <string>

namespace platform {

// "нет такого файла или устройства" for ENOENT and so on; an error without words of its own is named by
// its number and the system's text.
std::string SystemErrorText(int error);

}  // namespace platform
