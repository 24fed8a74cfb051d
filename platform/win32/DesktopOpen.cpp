#include "platform/DesktopOpen.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <thread>
#include <utility>

#include "platform/win32/WideText.h"

namespace platform {

namespace {

// One argument as the C runtime's command-line parser reads it back: quoted when it holds a blank or a
// quote, inner quotes escaped, backslashes doubled only where they precede a quote.
std::wstring QuotedArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

// The target's extension (from the last dot after the last separator), lower case: the pattern of the
// files the chooser is for.
std::string Extension(const std::string& target)
{
    const std::size_t dot = target.find_last_of('.');
    const std::size_t separator = target.find_last_of("/\\:");
    if (dot == std::string::npos || (separator != std::string::npos && separator > dot)) return {};
    std::string extension = target.substr(dot);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

class HandleOwner {
public:
    explicit HandleOwner(HANDLE handle) : handle_(handle) {}
    ~HandleOwner()
    {
        if (handle_ != nullptr) ::CloseHandle(handle_);
    }
    HandleOwner(const HandleOwner&) = delete;
    HandleOwner& operator=(const HandleOwner&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// The shell's "open" may start a program or talk to one already running; it is left to a thread of its
// own (with the apartment the shell's handlers need), so the window goes on meanwhile.
class ShellOpener : public DesktopOpener {
public:
    void Open(const std::string& target, OpenReport report) override
    {
        std::thread([target = Widen(target), report = std::move(report)] {
            const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
            SHELLEXECUTEINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
            info.lpVerb = L"open";
            info.lpFile = target.c_str();
            info.nShow = SW_SHOWNORMAL;
            const bool opened = ::ShellExecuteExW(&info) != FALSE;
            if (SUCCEEDED(com)) ::CoUninitialize();
            report(opened);
        }).detach();
    }

    // The shell's own "open with" chooser for files of the target's extension ("*.htm").
    void OpenWith(const std::string& target, OpenReport report) override
    {
        StartWatched("RunDLL32.exe", {"Shell32.dll,OpenAs_RunDLL", "*" + Extension(target)}, std::move(report));
    }
};

}  // namespace

bool StartWatched(const std::string& program, const std::vector<std::string>& arguments, OpenReport report)
{
    std::wstring commandLine = QuotedArgument(Widen(program));
    for (const std::string& argument : arguments) commandLine += L" " + QuotedArgument(Widen(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // The program is looked up as the system looks up a command: the program's folder, the system
    // folders, then PATH.
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &process)) {
        report(false);
        return false;
    }
    ::CloseHandle(process.hThread);
    std::thread([process = process.hProcess, report = std::move(report)] {
        const HandleOwner owner(process);
        DWORD code = 1;
        const bool ended = ::WaitForSingleObject(owner.Get(), INFINITE) == WAIT_OBJECT_0;
        report(ended && ::GetExitCodeProcess(owner.Get(), &code) && code == 0);
    }).detach();
    return true;
}

DesktopOpener& SystemDesktopOpener()
{
    static ShellOpener opener;
    return opener;
}

}  // namespace platform
