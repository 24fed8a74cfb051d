#include "platform/Environment.h"

#include <windows.h>

#include <vector>

#include "platform/win32/WideText.h"

namespace platform {

// The system's own block, not the C library's copy of it: there an empty value cannot be set.
std::optional<std::string> EnvironmentValue(const std::string& name)
{
    const std::wstring wideName = Widen(name);
    std::vector<wchar_t> value(64);
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        if (length < value.size()) return Narrow(std::wstring_view(value.data(), length));
        value.resize(length);
    }
}

void SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value)
{
    const std::wstring wideValue = value ? Widen(*value) : std::wstring();
    ::SetEnvironmentVariableW(Widen(name).c_str(), value ? wideValue.c_str() : nullptr);
}

}  // namespace platform
