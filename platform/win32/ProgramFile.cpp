#include "platform/ProgramFolder.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "platform/SystemError.h"
#include "platform/win32/WideText.h"

namespace platform {
namespace {

// The text of one entry of a version resource's string table; empty when absent.
std::wstring VersionString(const std::vector<char>& info, const wchar_t* entry)
{
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT size = 0;
    if (!::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &size) ||
        size < sizeof(Translation))
        return {};
    wchar_t block[64];
    std::swprintf(block, std::size(block), L"\\StringFileInfo\\%04x%04x\\%ls", translations[0].language,
                  translations[0].codePage, entry);
    wchar_t* text = nullptr;
    if (!::VerQueryValueW(info.data(), block, reinterpret_cast<void**>(&text), &size) || size == 0) return {};
    return std::wstring(text, wcsnlen(text, size));
}

}  // namespace

std::filesystem::path ProgramFile()
{
    // The name may be longer than MAX_PATH; the buffer grows until the whole of it fits.
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            throw std::runtime_error("Не удалось определить папку программы: " + SystemErrorText(static_cast<int>(::GetLastError())));
        if (length < name.size()) return std::filesystem::path(std::wstring(name.data(), length));
        name.resize(name.size() * 2);
    }
}

std::string FileVersion(const std::filesystem::path& file)
{
    if (file.empty()) return {};
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<char> info(size);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, info.data())) return {};
    return Narrow(VersionString(info, L"FileVersion"));
}

}  // namespace platform
