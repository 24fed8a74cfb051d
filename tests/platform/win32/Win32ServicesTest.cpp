// What the Windows units ask of the system: its error texts, its version, the registry's port list and
// colour scheme, programs it starts, the program file's version resource.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/DesktopOpen.h"
#include "platform/ProgramFolder.h"
#include "platform/SerialPortList.h"
#include "platform/SystemError.h"
#include "platform/SystemInfo.h"
#include "platform/win32/WideText.h"

namespace {

// A key of the test's own under HKEY_CURRENT_USER, removed with everything in it.
class ScratchKey {
public:
    explicit ScratchKey(std::wstring path) : path_(std::move(path))
    {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        ::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    }
    ~ScratchKey()
    {
        ::RegCloseKey(key_);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    void Set(const std::wstring& name, const std::wstring& text) const
    {
        ::RegSetValueExW(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void SetNumber(const std::wstring& name, DWORD number) const
    {
        ::RegSetValueExW(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    std::string Path() const { return platform::Narrow(path_); }

private:
    std::wstring path_;
    HKEY key_ = nullptr;
};

bool IsCyrillic(const std::string& text)
{
    const std::wstring wide = platform::Widen(text);
    return !wide.empty() && std::all_of(wide.begin(), wide.end(), [](wchar_t c) {
        return (c >= L'\x0400' && c <= L'\x04FF') || !::IsCharAlphaW(c);
    });
}

}  // namespace

TEST(Win32SystemError, SpeaksRussianInsideTheDriversFrame)
{
    for (const DWORD error : {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_SHARING_VIOLATION, ERROR_GEN_FAILURE}) {
        const std::string text = platform::SystemErrorText(static_cast<int>(error));
        EXPECT_TRUE(IsCyrillic(text)) << error << ": " << text;
        EXPECT_NE(text.back(), '.') << text;
        EXPECT_EQ(platform::SystemErrorNote(static_cast<int>(error)),
                  "(Win32 error " + std::to_string(error) + ": " + text + ")");
    }
    EXPECT_EQ(platform::SystemErrorText(0x2000'0123).rfind("системная ошибка 536871203", 0), 0u);
}

TEST(Win32SerialPortList, ReadsEveryPortOfTheKeyAndKnowsTheSiliconLabsBridge)
{
    const ScratchKey key(L"Software\\SorvelTests\\serialcomm-" + std::to_wstring(::GetCurrentProcessId()));
    key.Set(L"\\Device\\Serial0", L"COM1");
    key.Set(L"\\Device\\Silabser0", L"COM10");
    key.Set(L"\\Device\\VCP0", L"COM2");
    key.Set(L"\\Device\\Empty", L"");
    key.SetNumber(L"\\Device\\Number", 3);
    const platform::SerialPortSources sources{.currentUser = true, .registryKey = key.Path()};
    std::vector<std::pair<std::string, bool>> listed;
    for (const platform::SerialPortEntry& port : platform::ListSerialPorts(sources))
        listed.emplace_back(port.path, platform::IsCp2102Port(port));
    std::sort(listed.begin(), listed.end());
    const std::vector<std::pair<std::string, bool>> expected{{"COM1", false}, {"COM10", true}, {"COM2", false}};
    EXPECT_EQ(listed, expected);

    EXPECT_TRUE(platform::IsCp2102Port({"COM3", "\\Device\\SILABSER3"}));
    EXPECT_TRUE(platform::IsCp2102Port({"COM3", "\\device\\silabser3"}));
    EXPECT_TRUE(platform::ListSerialPorts({.currentUser = true, .registryKey = key.Path() + "\\missing"}).empty());
    EXPECT_NO_THROW(platform::ListSerialPorts(platform::SystemSerialPortSources()));
}

TEST(Win32SystemInfo, TheTrueVersionAndTheUsersColourScheme)
{
    const platform::SystemVersion version = platform::RunningSystemVersion();
    EXPECT_TRUE(version.ntFamily);
    EXPECT_GE(version.major, 6);

    const wchar_t* const theme = L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, theme, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::string before = platform::ColorSchemeName();
    const std::wstring metallic = L"Metallic";
    ::RegSetValueExW(key, L"ColorName", 0, REG_SZ, reinterpret_cast<const BYTE*>(metallic.c_str()),
                     static_cast<DWORD>((metallic.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(platform::ColorSchemeName(), "Metallic");
    const std::wstring kept = platform::Widen(before);
    if (before.empty()) ::RegDeleteValueW(key, L"ColorName");
    else
        ::RegSetValueExW(key, L"ColorName", 0, REG_SZ, reinterpret_cast<const BYTE*>(kept.c_str()),
                         static_cast<DWORD>((kept.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    EXPECT_EQ(platform::ColorSchemeName(), before);
}

TEST(Win32DesktopOpen, TheReportIsTheProgramsExitStatusAndArgumentsKeepTheirBlanks)
{
    const auto outcome = [](const std::string& program, const std::vector<std::string>& args) {
        auto done = std::make_shared<std::promise<bool>>();
        platform::StartWatched(program, args, [done](bool opened) { done->set_value(opened); });
        return done->get_future().get();
    };
    EXPECT_TRUE(outcome("cmd.exe", {"/c", "exit 0"}));
    EXPECT_FALSE(outcome("cmd.exe", {"/c", "exit 3"}));
    EXPECT_FALSE(outcome("sorvel-no-such-program.exe", {"x"}));
}

TEST(Win32ProgramFile, VersionsComeFromTheFilesVersionResource)
{
    wchar_t system[MAX_PATH];
    ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_FALSE(platform::FileVersion(std::filesystem::path(system) / L"kernel32.dll").empty());
    EXPECT_EQ(platform::ProgramFile().extension(), ".exe");
}
