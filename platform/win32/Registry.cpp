#include "platform/win32/Registry.h"

namespace platform {
namespace {

bool IsString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// The data as text: up to its first NUL, which the registry does not promise to store.
std::wstring DataText(const std::vector<BYTE>& data, DWORD size)
{
    const auto* text = reinterpret_cast<const wchar_t*>(data.data());
    const std::size_t length = size / sizeof(wchar_t);
    std::size_t end = 0;
    while (end < length && text[end] != L'\0') ++end;
    return std::wstring(text, end);
}

}  // namespace

std::optional<RegistryKey> RegistryKey::Open(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    return RegistryKey(key);
}

RegistryKey::~RegistryKey()
{
    if (key_ != nullptr) ::RegCloseKey(key_);
}

std::optional<std::wstring> RegistryKey::StringValue(const std::wstring& name) const
{
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || !IsString(type))
        return std::nullopt;
    // The value may grow between the two calls; the second call then asks again with the new size.
    std::vector<BYTE> data;
    LSTATUS status = ERROR_MORE_DATA;
    while (status == ERROR_MORE_DATA) {
        data.resize(size + sizeof(wchar_t));
        size = static_cast<DWORD>(data.size());
        status = ::RegQueryValueExW(key_, name.c_str(), nullptr, &type, data.data(), &size);
    }
    if (status != ERROR_SUCCESS || !IsString(type)) return std::nullopt;
    return DataText(data, size);
}

std::vector<std::pair<std::wstring, std::wstring>> RegistryKey::StringValues() const
{
    DWORD count = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    std::vector<std::pair<std::wstring, std::wstring>> values;
    if (::RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                           &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    std::vector<wchar_t> name(longestName + 1);
    std::vector<BYTE> data(longestData + sizeof(wchar_t));
    for (DWORD index = 0; index < count; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LSTATUS status = ::RegEnumValueW(key_, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        // A value that changed meanwhile is passed over rather than read half.
        if (status != ERROR_SUCCESS || !IsString(type)) continue;
        values.emplace_back(std::wstring(name.data(), nameLength), DataText(data, size));
    }
    return values;
}

}  // namespace platform
