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
    ErrorWords{ENOSPC, "на диске нет свободного места"},
    ErrorWords{EDQUOT, "превышена дисковая квота"},
    ErrorWords{EFBIG, "файл слишком велик"},
    ErrorWords{EROFS, "файловая система доступна только для чтения"},
    ErrorWords{ENOTDIR, "часть пути не является папкой"},
    ErrorWords{ENAMETOOLONG, "слишком длинное имя файла"},
    ErrorWords{ELOOP, "слишком много символических ссылок в пути"},
    ErrorWords{EEXIST, "файл уже существует"},
    ErrorWords{EMFILE, "открыто слишком много файлов"},
    ErrorWords{ENFILE, "открыто слишком много файлов"},
    ErrorWords{ENOMEM, "недостаточно памяти"},
    ErrorWords{ETXTBSY, "файл занят"},
};

}  // namespace

std::string SystemErrorText(int error)
{
    for (const ErrorWords& words : kWords)
        if (words.error == error) return words.text;
    return "системная ошибка " + std::to_string(error) + " (" + std::strerror(error) + ")";
}

std::string SystemErrorNote(int error)
{
    return "(system error " + std::to_string(error) + ": " + SystemErrorText(error) + ")";
}

}  // namespace platform
