#include "platform/WholeFile.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "platform/FileFailure.h"
#include "platform/SystemError.h"
#include "platform/win32/WideText.h"

namespace platform {
namespace {

using namespace filefailure;

constexpr const char* kNotAFile = "это не обычный файл, а канал или устройство";

std::error_code LastError() { return {static_cast<int>(::GetLastError()), std::system_category()}; }

// Owns a handle of the file system (a file, or a search of a folder).
class Handle {
public:
    using Closer = BOOL(WINAPI*)(HANDLE);
    explicit Handle(HANDLE handle, Closer close = ::CloseHandle) : handle_(handle), close_(close) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { if (Valid()) close_(handle_); }
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    // Closes now, so that a failing close is seen; false with the error set on failure.
    bool Close()
    {
        const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
        return close_(handle) != 0;
    }

private:
    HANDLE handle_;
    Closer close_;
};

// The form of a path every call takes whatever its length ("\\?\C:\..." or "\\?\UNC\server\..."); a name
// in the device space ("\\.\COM1", which a folder's "COM1" or "NUL" also becomes) stays as it is.
std::wstring FullPath(const std::filesystem::path& file)
{
    const std::wstring& name = file.native();
    if (name.starts_with(LR"(\\?\)")) return name;
    const DWORD size = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = size == 0 ? 0 : ::GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return name;
    full.resize(length);
    if (full.starts_with(LR"(\\.\)")) return full;
    if (full.starts_with(LR"(\\)")) return LR"(\\?\UNC\)" + full.substr(2);
    return LR"(\\?\)" + full;
}

bool IsDeviceName(const std::wstring& full) { return full.starts_with(LR"(\\.\)"); }

// What the user knows a path by: without the prefix of FullPath.
std::filesystem::path Shown(const std::wstring& full)
{
    if (full.starts_with(LR"(\\?\UNC\)")) return LR"(\\)" + full.substr(8);
    if (full.starts_with(LR"(\\?\)")) return full.substr(4);
    return full;
}

struct FileKind {
    DWORD attributes = 0;
    std::uintmax_t size = 0;
};

// Why a file of this kind cannot be read or replaced whole; nullopt for a plain file.
std::optional<std::string> NotPlain(const FileKind& kind)
{
    if ((kind.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "это папка, а не файл";
    if ((kind.attributes & FILE_ATTRIBUTE_DEVICE) != 0) return kNotAFile;
    return std::nullopt;
}

std::optional<FileKind> KindByName(const std::wstring& full)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(full.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return FileKind{data.dwFileAttributes, (std::uintmax_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow};
}

// The kind is tested by name before the file is opened (opening a serial port by its device name
// switches its lines) and again on the open file, which may have been swapped in between.
void CheckReadable(const std::filesystem::path& file, const FileKind& kind, std::uintmax_t maxBytes)
{
    if (const auto why = NotPlain(kind)) Fail(kCannotRead, file, *why, std::make_error_code(std::errc::invalid_argument));
    if (kind.size > maxBytes)
        Fail(kCannotRead, file,
             "файл слишком большой (" + std::to_string(kind.size) + " байт, а файл этого вида не бывает больше " +
                 std::to_string(maxBytes) + " байт)",
             std::make_error_code(std::errc::file_too_large));
}

FileKind KindOfOpen(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info))
        return FileKind{FILE_ATTRIBUTE_DEVICE, 0};
    return FileKind{info.dwFileAttributes, (std::uintmax_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow};
}

void WriteAll(HANDLE file, std::string_view bytes, const std::string& name)
{
    while (!bytes.empty()) {
        const auto piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), piece, &written, nullptr)) Fail(kCannotSave, name, LastError());
        bytes.remove_prefix(written);
    }
}

// The longest name a folder entry may have, in UTF-16 units.
constexpr std::size_t kNameMax = 255;
// What a temporary file's name adds to its target's: the leading ".", ".tmp", the saving process's id
// (at most 10 digits), "-" and a random number (at most 10 digits).
constexpr std::size_t kTemporaryNameExtra = 1 + 4 + 10 + 1 + 10;
// A leftover this young may still belong to a save under way (on another machine sharing the folder).
constexpr ULONGLONG kLeftoverAge = 60ULL * 10'000'000;  // in the 100 ns of a FILETIME

// The start of every temporary name beside target: ".", the target's name, ".tmp". A name too long to
// take the rest within the name limit is cut, never between the halves of a character.
std::wstring TemporaryStem(const std::wstring& target)
{
    const std::wstring name = std::filesystem::path(target).filename().native();
    std::size_t keep = std::min(name.size(), kNameMax - kTemporaryNameExtra);
    if (keep > 0 && keep < name.size() && IS_LOW_SURROGATE(name[keep])) --keep;
    return L"." + name.substr(0, keep) + L".tmp";
}

std::wstring FolderOf(const std::wstring& file) { return std::filesystem::path(file).parent_path().native(); }

// A temporary file that removes itself unless it was moved into place.
struct TemporaryFile {
    std::wstring path;
    bool placed = false;
    ~TemporaryFile()
    {
        if (!placed && !path.empty()) ::DeleteFileW(path.c_str());
    }
};

HANDLE OpenTemporaryBeside(const std::wstring& target, const std::string& name, TemporaryFile& temporary)
{
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary.path = FolderOf(target) + L"\\" + TemporaryStem(target) + std::to_wstring(::GetCurrentProcessId()) +
                         L"-" + std::to_wstring(entropy());
        const HANDLE file = ::CreateFileW(temporary.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            temporary.path.clear();
            Fail(kCannotSave, name, {static_cast<int>(error), std::system_category()});
        }
    }
    temporary.path.clear();
    Fail(kCannotSave, name, std::make_error_code(std::errc::file_exists));
}

// The process that made a temporary file named stem + id + "-" + number; nullopt for any other name.
std::optional<DWORD> TemporaryMaker(std::wstring_view entry, std::wstring_view stem)
{
    if (!entry.starts_with(stem)) return std::nullopt;
    entry.remove_prefix(stem.size());
    const std::size_t dash = entry.find(L'-');
    const auto digits = [](std::wstring_view s) { return !s.empty() && s.size() <= 10 && s.find_first_not_of(L"0123456789") == s.npos; };
    if (dash == entry.npos || !digits(entry.substr(0, dash)) || !digits(entry.substr(dash + 1))) return std::nullopt;
    const unsigned long long id = std::stoull(std::wstring(entry.substr(0, dash)));
    if (id == 0 || id > 0xFFFFFFFFULL) return std::nullopt;
    return static_cast<DWORD>(id);
}

// A process that cannot be looked at is taken for running.
bool ProcessRuns(DWORD id)
{
    const Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id));
    if (!process.Valid()) return ::GetLastError() == ERROR_ACCESS_DENIED;
    return ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

ULONGLONG Ticks(const FILETIME& time) { return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

// A temporary file of a save that was killed before it moved it into place: named as this program
// names them beside this target, a plain file, its maker gone, and older than any save still under way.
bool IsLeftover(const WIN32_FIND_DATAW& entry, std::wstring_view stem, ULONGLONG now)
{
    constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    const auto maker = TemporaryMaker(entry.cFileName, stem);
    return maker && (entry.dwFileAttributes & kNotPlain) == 0 && now - Ticks(entry.ftLastWriteTime) > kLeftoverAge &&
           !ProcessRuns(*maker);
}

// Each killed save leaves a temporary file as large as the file it was saving: the next save removes
// them. Nothing else is touched, and a folder that cannot be read leaves them for another time.
void RemoveLeftovers(const std::wstring& target)
{
    const std::wstring stem = TemporaryStem(target);
    const std::wstring folder = FolderOf(target);
    WIN32_FIND_DATAW entry{};
    const Handle search(::FindFirstFileW((folder + L"\\" + stem + L"*").c_str(), &entry), ::FindClose);
    if (!search.Valid()) return;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    std::vector<std::wstring> leftovers;
    do {
        if (IsLeftover(entry, stem, Ticks(now))) leftovers.push_back(folder + L"\\" + entry.cFileName);
    } while (::FindNextFileW(search.Get(), &entry));
    for (const auto& leftover : leftovers) ::DeleteFileW(leftover.c_str());
}

// Where a save through target lands: the file a symbolic link leads to (the link stays). A link that
// leads nowhere is refused: the system offers no way to make the file it names without following it.
std::wstring FinalTarget(const std::filesystem::path& target, const std::wstring& full)
{
    WIN32_FIND_DATAW entry{};
    if (!Handle(::FindFirstFileW(full.c_str(), &entry), ::FindClose).Valid()) return full;
    const bool link = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && entry.dwReserved0 == IO_REPARSE_TAG_SYMLINK;
    if (!link) return full;
    const Handle file(::CreateFileW(full.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid()) {
        const std::error_code code = LastError();
        Fail(kCannotSave, target, "ссылка не ведёт ни к какому файлу (" + SystemErrorText(code.value()) + ")", code);
    }
    std::wstring final(32768, L'\0');
    const DWORD length = ::GetFinalPathNameByHandleW(file.Get(), final.data(), static_cast<DWORD>(final.size()),
                                                     FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= final.size()) Fail(kCannotSave, target, LastError());
    final.resize(length);
    return final;
}

// The file a save names in its messages: the link and the file it leads to, when they differ.
std::string SavedName(const std::filesystem::path& target, const std::wstring& full, const std::wstring& destination)
{
    if (destination == full) return Quoted(target);
    return Quoted(target) + " (ссылка на " + Quoted(Shown(destination)) + ")";
}

// The attributes a user gives a file (hidden, system, archive, kept out of the index) go to its new
// content; its access rights go with it through ReplaceFileW.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Puts the temporary file in the target's place. ReplaceFileW keeps what Windows keeps of a file beyond
// its content (access rights, creation time, short name, streams); a new file is moved into place with
// write-through. A replace that removed the old file but could not move the new one finishes by a move.
void PutInPlace(TemporaryFile& temporary, const std::wstring& destination, bool exists, const std::string& name)
{
    if (exists && ::ReplaceFileW(destination.c_str(), temporary.path.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                 nullptr, nullptr)) {
        temporary.placed = true;
        return;
    }
    const std::error_code failure = LastError();
    const bool replacedGone = failure.value() == ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
                              ::GetFileAttributesW(destination.c_str()) == INVALID_FILE_ATTRIBUTES;
    if (exists && !replacedGone) Fail(kCannotSave, name, failure);
    if (::MoveFileExW(temporary.path.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        temporary.placed = true;
        return;
    }
    const std::error_code moveFailure = LastError();
    if (!replacedGone) Fail(kCannotSave, name, moveFailure);
    // The old content is gone already: the new one stays where it lies, and the user is told where.
    temporary.placed = true;
    Fail(kCannotSave, name, "новое содержимое осталось в файле " + Quoted(Shown(temporary.path)) + " (" +
                                SystemErrorText(moveFailure.value()) + ")", moveFailure);
}

}  // namespace

std::string ReadWholeFile(const FilePath& name, std::uintmax_t maxBytes)
{
    const std::filesystem::path& file = name;
    const std::wstring full = FullPath(file);
    if (IsDeviceName(full)) Fail(kCannotRead, file, kNotAFile, std::make_error_code(std::errc::invalid_argument));
    const auto byName = KindByName(full);
    if (!byName) Fail(kCannotRead, file, LastError());
    CheckReadable(file, *byName, maxBytes);
    const Handle handle(::CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle.Valid()) Fail(kCannotRead, file, LastError());
    FileKind kind = KindOfOpen(handle.Get());
    CheckReadable(file, kind, maxBytes);
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(kind.size));
    std::vector<char> buffer(65536);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(handle.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            Fail(kCannotRead, file, LastError());
        if (got == 0) return bytes;
        bytes.append(buffer.data(), got);
        // A file that grows while it is read is held to the same limit.
        kind.size = bytes.size();
        CheckReadable(file, kind, maxBytes);
    }
}

void ReplaceFileContents(const FilePath& name, std::string_view bytes, const BeforeReplaceHook& beforeReplace)
{
    const std::filesystem::path& target = name;
    const std::wstring full = FullPath(target);
    if (IsDeviceName(full)) Fail(kCannotSave, target, kNotAFile, std::make_error_code(std::errc::invalid_argument));
    // Replace the file a link leads to, not the link.
    const std::wstring destination = FinalTarget(target, full);
    const std::string shownName = SavedName(target, full, destination);
    const auto old = KindByName(destination);
    // A file whose kind cannot be known is not taken for a missing one, which a save would make anew.
    if (const std::error_code why = LastError(); !old && why.value() != ERROR_FILE_NOT_FOUND && why.value() != ERROR_PATH_NOT_FOUND)
        Fail(kCannotSave, shownName, why);
    if (old) {
        if (const auto why = NotPlain(*old))
            Fail(kCannotSave, shownName, *why, std::make_error_code(std::errc::invalid_argument));
        if ((old->attributes & FILE_ATTRIBUTE_READONLY) != 0)
            Fail(kCannotSave, shownName, "файл только для чтения", std::make_error_code(std::errc::permission_denied));
    }
    RemoveLeftovers(destination);
    TemporaryFile temporary;
    Handle file(OpenTemporaryBeside(destination, shownName, temporary));
    WriteAll(file.Get(), bytes, shownName);
    if (!::FlushFileBuffers(file.Get())) Fail(kCannotSave, shownName, LastError());
    if (!file.Close()) Fail(kCannotSave, shownName, LastError());
    if (old && (old->attributes & kKeptAttributes) != 0 &&
        !::SetFileAttributesW(temporary.path.c_str(), old->attributes & kKeptAttributes))
        Fail(kCannotSave, shownName, LastError());
    if (beforeReplace) beforeReplace(Shown(temporary.path));
    PutInPlace(temporary, destination, old.has_value(), shownName);
}

std::filesystem::path SetAside(const FilePath& name, const std::string& why)
{
    const std::filesystem::path& file = name;
    const std::wstring full = FullPath(file);
    for (int n = 1;; ++n) {
        std::filesystem::path aside = file;
        aside += PathFromUtf8("." + why + (n == 1 ? "" : "-" + std::to_string(n)));
        if (::MoveFileExW(full.c_str(), FullPath(aside).c_str(), MOVEFILE_WRITE_THROUGH)) return aside;
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            Fail("Не удалось переименовать файл", file, {static_cast<int>(error), std::system_category()});
    }
}

}  // namespace platform
