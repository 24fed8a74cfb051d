#include "platform/SystemInfo.h"

#include <windows.h>

#include "platform/win32/Registry.h"
#include "platform/win32/WideText.h"

namespace platform {

SystemVersion RunningSystemVersion()
{
    // GetVersionEx answers 6.2 to every program without a manifest that names later systems; the
    // kernel's own call answers the truth.
    using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto rtlGetVersion =
        ntdll != nullptr ? reinterpret_cast<RtlGetVersionCall>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
                         : nullptr;
    if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0) return {};
    return {info.dwPlatformId == VER_PLATFORM_WIN32_NT, static_cast<int>(info.dwMajorVersion),
            static_cast<int>(info.dwMinorVersion)};
}

std::string ColorSchemeName()
{
    const auto key =
        RegistryKey::Open(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager");
    if (!key) return {};
    return Narrow(key->StringValue(L"ColorName").value_or(L""));
}

}  // namespace platform
