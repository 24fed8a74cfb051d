#include "platform/SystemError.h"

#include <array>
#include <cerrno>
#include <cstring>

namespace platform {
namespace {

struct ErrorWords {
    int error;
    const char* text;
};

constexpr std::array kWords{
    ErrorWords{ENOENT, "нет такого файла или устройства"},
    ErrorWords{EACCES, "доступ запрещен"},
    ErrorWords{EPERM, "операция не разрешена"},
    ErrorWords{EBUSY, "устройство занято"},
    ErrorWords{EIO, "ошибка ввода-вывода"},
    ErrorWords{ENXIO, "устройство отсутствует"},
    ErrorWords{ENODEV, "устройство отсутствует"},
    ErrorWords{ENOTTY, "устройство не является терминалом"},
    ErrorWords{EISDIR, "это папка, а не файл"},
    ErrorWords{EINVAL, "недопустимый параметр"},
    ErrorWords{EAGAIN, "ресурс временно недоступен"},
};

}  // namespace

std::string SystemErrorText(int error)
{
    for (const ErrorWords& words : kWords)
        if (words.error == error) return words.text;
    return "системная ошибка " + std::to_string(error) + " (" + std::strerror(error) + ")";
}

}  // namespace platform
