#include "platform/SystemError.h"

#include <windows.h>

#include <array>

#include "platform/win32/WideText.h"

namespace platform {
namespace {

struct ErrorWords {
    DWORD error;
    const char* text;
};

// For a system without Russian messages: the errors a user meets with files and serial ports.
constexpr std::array kWords{
    ErrorWords{ERROR_FILE_NOT_FOUND, "файл не найден"},
    ErrorWords{ERROR_PATH_NOT_FOUND, "путь не найден"},
    ErrorWords{ERROR_TOO_MANY_OPEN_FILES, "открыто слишком много файлов"},
    ErrorWords{ERROR_ACCESS_DENIED, "доступ запрещен"},
    ErrorWords{ERROR_INVALID_HANDLE, "неверный дескриптор"},
    ErrorWords{ERROR_NOT_ENOUGH_MEMORY, "недостаточно памяти"},
    ErrorWords{ERROR_OUTOFMEMORY, "недостаточно памяти"},
    ErrorWords{ERROR_WRITE_PROTECT, "диск защищен от записи"},
    ErrorWords{ERROR_BAD_UNIT, "устройство не найдено"},
    ErrorWords{ERROR_NOT_READY, "устройство не готово"},
    ErrorWords{ERROR_BAD_COMMAND, "устройство не распознает команду"},
    ErrorWords{ERROR_GEN_FAILURE, "устройство не работает"},
    ErrorWords{ERROR_SHARING_VIOLATION, "файл или устройство занято другой программой"},
    ErrorWords{ERROR_LOCK_VIOLATION, "часть файла заблокирована другой программой"},
    ErrorWords{ERROR_HANDLE_DISK_FULL, "на диске нет свободного места"},
    ErrorWords{ERROR_DISK_FULL, "на диске нет свободного места"},
    ErrorWords{ERROR_NOT_SUPPORTED, "операция не поддерживается"},
    ErrorWords{ERROR_BAD_NETPATH, "сетевой путь не найден"},
    ErrorWords{ERROR_FILE_EXISTS, "файл уже существует"},
    ErrorWords{ERROR_ALREADY_EXISTS, "файл уже существует"},
    ErrorWords{ERROR_INVALID_PARAMETER, "недопустимый параметр"},
    ErrorWords{ERROR_SEM_TIMEOUT, "превышено время ожидания"},
    ErrorWords{ERROR_INVALID_NAME, "недопустимое имя файла"},
    ErrorWords{ERROR_BAD_PATHNAME, "недопустимый путь"},
    ErrorWords{ERROR_FILENAME_EXCED_RANGE, "слишком длинное имя файла"},
    ErrorWords{ERROR_DIRECTORY, "недопустимое имя папки"},
    ErrorWords{ERROR_OPERATION_ABORTED, "операция прервана"},
    ErrorWords{ERROR_IO_DEVICE, "ошибка ввода-вывода"},
    ErrorWords{ERROR_COUNTER_TIMEOUT, "превышено время ожидания"},
    ErrorWords{ERROR_DEVICE_NOT_CONNECTED, "устройство не подключено"},
    ErrorWords{ERROR_UNABLE_TO_REMOVE_REPLACED, "не удалось убрать заменяемый файл"},
    ErrorWords{ERROR_UNABLE_TO_MOVE_REPLACEMENT, "не удалось поставить новый файл на место старого"},
    ErrorWords{ERROR_DEVICE_REMOVED, "устройство удалено"},
};

// The system's message in the language asked for; empty when it has none in that language.
std::string SystemMessage(DWORD error, WORD language)
{
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        language, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) return {};
    std::wstring text(buffer, length);
    ::LocalFree(buffer);
    // The messages end in a full stop and a line break; the callers put their own punctuation.
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    // A sentence of its own in the system's words; the callers' sentences go on after a colon.
    if (text.size() > 1 && ::IsCharUpperW(text[0]) && !::IsCharUpperW(text[1])) ::CharLowerBuffW(text.data(), 1);
    return Narrow(text);
}

}  // namespace

std::string SystemErrorText(int error)
{
    const auto code = static_cast<DWORD>(error);
    if (std::string russian = SystemMessage(code, MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT)); !russian.empty())
        return russian;
    for (const ErrorWords& words : kWords)
        if (words.error == code) return words.text;
    const std::string own = SystemMessage(code, 0);
    return "системная ошибка " + std::to_string(error) + (own.empty() ? "" : " (" + own + ")");
}

std::string SystemErrorNote(int error)
{
    return "(Win32 error " + std::to_string(error) + ": " + SystemErrorText(error) + ")";
}

}  // namespace platform
