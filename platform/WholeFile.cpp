#include "platform/WholeFile.h"

#include "platform/FileFailure.h"
#include "platform/SystemError.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <vector>

namespace platform {
namespace {

using namespace filefailure;

std::error_code LastError() { return {errno, std::generic_category()}; }

// Why a file of this kind cannot be read or replaced whole; nullopt for a regular file.
std::optional<std::string> NotRegular(const struct stat& status)
{
    if (S_ISREG(status.st_mode)) return std::nullopt;
    if (S_ISDIR(status.st_mode)) return SystemErrorText(EISDIR);
    return "это не обычный файл, а канал, устройство или сокет";
}

// Owns a file descriptor.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { if (fd_ >= 0) ::close(fd_); }
    int Get() const { return fd_; }
    // Closes now, so that a failing close is seen; returns false with errno set on failure.
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// A temporary file that removes itself unless it was renamed into place.
struct TemporaryFile {
    std::filesystem::path path;
    bool placed = false;
    ~TemporaryFile()
    {
        if (!placed && !path.empty()) ::unlink(path.c_str());
    }
};

// The kind is tested by name before the file is opened (opening a serial device can switch its lines)
// and again on the open file, which may have been swapped in between.
void CheckReadable(const std::filesystem::path& file, const struct stat& status, std::uintmax_t maxBytes)
{
    if (const auto why = NotRegular(status)) Fail(kCannotRead, file, *why, std::make_error_code(std::errc::invalid_argument));
    const auto size = static_cast<std::uintmax_t>(status.st_size);
    if (size > maxBytes)
        Fail(kCannotRead, file,
             "файл слишком большой (" + std::to_string(size) + " байт, а файл этого вида не бывает больше " +
                 std::to_string(maxBytes) + " байт)",
             std::make_error_code(std::errc::file_too_large));
}

void WriteAll(int fd, std::string_view bytes, const std::string& name)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail(kCannotSave, name, LastError());
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// The longest name a folder entry may have (NAME_MAX of the usual Linux file systems).
constexpr std::size_t kNameMax = 255;
// What a temporary file's name adds to its target's: the leading ".", ".tmp", the saving process's id
// (at most 10 digits), "-" and a random number (at most 10 digits).
constexpr std::size_t kTemporaryNameExtra = 1 + 4 + 10 + 1 + 10;
// A leftover this young may still belong to a save under way (on another machine sharing the folder).
constexpr auto kLeftoverAge = std::chrono::minutes(1);

// The start of every temporary name beside target: ".", the target's name, ".tmp". A name too long to
// take the rest within the name limit is cut, at a character's start.
std::string TemporaryStem(const std::filesystem::path& target)
{
    const std::string name = target.filename().string();
    std::size_t keep = std::min(name.size(), kNameMax - kTemporaryNameExtra);
    while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    std::string stem(1, '.');
    return stem.append(name, 0, keep).append(".tmp");
}

std::filesystem::path FolderOf(const std::filesystem::path& file)
{
    return file.parent_path().empty() ? "." : file.parent_path();
}

// Opens a new file with a name of its own beside the target; the process umask applies to its mode.
int OpenTemporaryBeside(const std::filesystem::path& target, const std::string& name, TemporaryFile& temporary)
{
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary.path = FolderOf(target) / (TemporaryStem(target) + std::to_string(::getpid()) + "-" +
                                             std::to_string(entropy()));
        const int fd = ::open(temporary.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) {
            const auto code = LastError();
            temporary.path.clear();
            Fail(kCannotSave, name, code);
        }
    }
    temporary.path.clear();
    Fail(kCannotSave, name, std::make_error_code(std::errc::file_exists));
}

// The process that made a temporary file named stem + id + "-" + number; nullopt for any other name.
std::optional<pid_t> TemporaryMaker(std::string_view entry, std::string_view stem)
{
    if (!entry.starts_with(stem)) return std::nullopt;
    entry.remove_prefix(stem.size());
    const std::size_t dash = entry.find('-');
    const auto digits = [](std::string_view s) { return !s.empty() && s.find_first_not_of("0123456789") == s.npos; };
    if (dash == entry.npos || !digits(entry.substr(0, dash)) || !digits(entry.substr(dash + 1))) return std::nullopt;
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(entry.data(), entry.data() + dash, pid);
    if (error != std::errc{} || pid <= 0) return std::nullopt;
    return pid;
}

bool ProcessRuns(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

// A temporary file of a save that was killed before it renamed it: named as this program names them
// beside this target, a plain file, its maker gone, and older than any save still under way.
bool IsLeftover(const std::filesystem::path& file, std::string_view stem)
{
    const auto maker = TemporaryMaker(file.filename().string(), stem);
    struct stat status {};
    if (!maker || ProcessRuns(*maker) || ::lstat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    const auto modified = std::chrono::system_clock::from_time_t(status.st_mtim.tv_sec);
    return std::chrono::system_clock::now() - modified > kLeftoverAge;
}

// Each killed save leaves a temporary file as large as the file it was saving: the next save removes
// them. Nothing else is touched, and a folder that cannot be read leaves them for another time.
void RemoveLeftovers(const std::filesystem::path& target)
{
    const std::string stem = TemporaryStem(target);
    std::error_code error;
    std::vector<std::filesystem::path> leftovers;
    for (std::filesystem::directory_iterator it(FolderOf(target), error), end; !error && it != end; it.increment(error))
        if (IsLeftover(it->path(), stem)) leftovers.push_back(it->path());
    for (const auto& leftover : leftovers) ::unlink(leftover.c_str());
}

// Where a save through target lands: the end of the chain of links that target starts, which need not
// exist yet (a save through a dangling link makes the file it names, and the link stays).
std::filesystem::path FinalTarget(const std::filesystem::path& target)
{
    constexpr int kMaxLinks = 40;
    std::filesystem::path file = target;
    for (int link = 0; link < kMaxLinks; ++link) {
        struct stat status {};
        if (::lstat(file.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return file;
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(file, error);
        if (error) Fail(kCannotSave, target, error);
        file = next.is_absolute() ? next : (file.parent_path() / next).lexically_normal();
    }
    Fail(kCannotSave, target, std::make_error_code(std::errc::too_many_symbolic_link_levels));
}

// The file a save names in its messages: the link and the file it leads to, when they differ.
std::string SavedName(const std::filesystem::path& target, const std::filesystem::path& destination)
{
    return destination == target ? Quoted(target) : Quoted(target) + " (ссылка на " + Quoted(destination) + ")";
}

// A user's or a group's name from the system's database (getpwuid_r, getgrgid_r); the number when it
// has none.
template <class Entry, class Id>
std::string EntryName(Id id, int (*lookup)(Id, Entry*, char*, std::size_t, Entry**), char* Entry::*name)
{
    std::vector<char> buffer(16384);
    Entry entry{};
    Entry* found = nullptr;
    if (lookup(id, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) return found->*name;
    return std::to_string(id);
}

// The new file takes the old one's owner, group and permission bits before it takes its place, so that
// a save by another user (root, through sudo) does not leave the file to that user. A file whose owner
// cannot be kept is not replaced.
void KeepOwnerAndMode(int fd, const struct stat& old, const std::string& name)
{
    struct stat made {};
    if (::fstat(fd, &made) != 0) Fail(kCannotSave, name, LastError());
    const bool sameOwner = made.st_uid == old.st_uid && made.st_gid == old.st_gid;
    if (!sameOwner && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        const auto code = LastError();
        Fail(kCannotSave, name,
             "файл принадлежит пользователю " + EntryName(old.st_uid, ::getpwuid_r, &passwd::pw_name) + " (группа " +
                 EntryName(old.st_gid, ::getgrgid_r, &group::gr_name) +
                 "), а сохранить его, не сменив владельца, нельзя (" + SystemErrorText(code.value()) + ")",
             code);
    }
    // After the owner: a change of owner clears the set-user and set-group bits.
    if (::fchmod(fd, old.st_mode & 07777) != 0) Fail(kCannotSave, name, LastError());
}

// Makes the rename itself durable; a folder that cannot be flushed leaves the new file in place all the
// same, so a failure here is not reported.
void FlushFolder(const std::filesystem::path& folder)
{
    const Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0) ::fsync(fd.Get());
}

// No write permission for anyone (even the superuser keeps to that here), or none for this process.
bool IsReadOnly(const std::filesystem::path& file, const struct stat& status)
{
    return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(file.c_str(), W_OK) != 0;
}

}  // namespace

std::string ReadWholeFile(const FilePath& name, std::uintmax_t maxBytes)
{
    const std::filesystem::path& file = name;
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) Fail(kCannotRead, file, LastError());
    CheckReadable(file, status, maxBytes);
    const Descriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0 || ::fstat(fd.Get(), &status) != 0) Fail(kCannotRead, file, LastError());
    CheckReadable(file, status, maxBytes);
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail(kCannotRead, file, LastError());
        if (n == 0) return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
        // A file that grows while it is read is held to the same limit.
        status.st_size = static_cast<off_t>(bytes.size());
        CheckReadable(file, status, maxBytes);
    }
}

void ReplaceFileContents(const FilePath& targetName, std::string_view bytes, const BeforeReplaceHook& beforeReplace)
{
    const std::filesystem::path& target = targetName;
    // Replace the file a link leads to, not the link.
    const std::filesystem::path destination = FinalTarget(target);
    const std::string name = SavedName(target, destination);
    struct stat old {};
    const bool exists = ::stat(destination.c_str(), &old) == 0;
    if (exists) {
        if (const auto why = NotRegular(old)) Fail(kCannotSave, name, *why, std::make_error_code(std::errc::invalid_argument));
        // The new file takes the old one's place by a rename, which a folder allows whatever the file's
        // own protection: a file made read-only must be refused here, or it would be replaced all the same.
        if (IsReadOnly(destination, old))
            Fail(kCannotSave, name, "файл только для чтения", std::make_error_code(std::errc::permission_denied));
    }
    RemoveLeftovers(destination);
    TemporaryFile temporary;
    Descriptor fd(OpenTemporaryBeside(destination, name, temporary));
    if (exists) KeepOwnerAndMode(fd.Get(), old, name);
    WriteAll(fd.Get(), bytes, name);
    if (::fsync(fd.Get()) != 0) Fail(kCannotSave, name, LastError());
    if (!fd.Close()) Fail(kCannotSave, name, LastError());
    if (beforeReplace) beforeReplace(temporary.path);
    if (::rename(temporary.path.c_str(), destination.c_str()) != 0) Fail(kCannotSave, name, LastError());
    temporary.placed = true;
    FlushFolder(FolderOf(destination));
}

std::filesystem::path SetAside(const FilePath& name, const std::string& why)
{
    const std::filesystem::path& file = name;
    for (int n = 1;; ++n) {
        std::filesystem::path aside = file;
        aside += "." + why + (n == 1 ? "" : "-" + std::to_string(n));
        if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) return aside;
        if (errno != EEXIST) Fail("Не удалось переименовать файл", file, LastError());
    }
}

}  // namespace platform
