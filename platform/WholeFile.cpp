#include "platform/WholeFile.h"

#include "platform/SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <random>

namespace platform {
namespace {

constexpr const char* kCannotRead = "Не удалось прочитать файл";
constexpr const char* kCannotSave = "Не удалось сохранить файл";

std::error_code LastError() { return {errno, std::generic_category()}; }

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& file, const std::string& reason,
                       std::error_code code)
{
    throw FileError(what + " \"" + file.string() + "\": " + reason, code);
}

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& file, std::error_code code)
{
    Fail(what, file, SystemErrorText(code.value()), code);
}

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

void WriteAll(int fd, std::string_view bytes, const std::filesystem::path& file)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail(kCannotSave, file, LastError());
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Opens a new file with a name of its own beside the target; the process umask applies to its mode.
int OpenTemporaryBeside(const std::filesystem::path& target, TemporaryFile& temporary)
{
    std::random_device entropy;
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary.path = folder / ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()) + "-"
                                   + std::to_string(entropy()));
        const int fd = ::open(temporary.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) {
            const auto code = LastError();
            temporary.path.clear();
            Fail(kCannotSave, target, code);
        }
    }
    temporary.path.clear();
    Fail(kCannotSave, target, std::make_error_code(std::errc::file_exists));
}

// Makes the rename itself durable; a folder that cannot be flushed leaves the new file in place all the
// same, so a failure here is not reported.
void FlushFolder(const std::filesystem::path& folder)
{
    const Descriptor fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0) ::fsync(fd.Get());
}

// No write permission for anyone (even the superuser keeps to that here), or none for this process.
bool IsReadOnly(const std::filesystem::path& file, const struct stat& status)
{
    return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(file.c_str(), W_OK) != 0;
}

}  // namespace

std::string ReadWholeFile(const std::filesystem::path& file, std::uintmax_t maxBytes)
{
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

void ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes,
                         const BeforeReplaceHook& beforeReplace)
{
    std::error_code ignored;
    // Replace the file a link points to, not the link.
    const std::filesystem::path real =
        std::filesystem::is_symlink(target, ignored) ? std::filesystem::weakly_canonical(target, ignored) : target;
    const std::filesystem::path& destination = real.empty() ? target : real;

    struct stat old {};
    const bool exists = ::stat(destination.c_str(), &old) == 0;
    if (exists) {
        if (const auto why = NotRegular(old)) Fail(kCannotSave, destination, *why, std::make_error_code(std::errc::invalid_argument));
        // The new file takes the old one's place by a rename, which a folder allows whatever the file's
        // own protection: a file made read-only must be refused here, or it would be replaced all the same.
        if (IsReadOnly(destination, old))
            Fail(kCannotSave, destination, "файл только для чтения", std::make_error_code(std::errc::permission_denied));
    }
    TemporaryFile temporary;
    Descriptor fd(OpenTemporaryBeside(destination, temporary));
    if (exists) ::fchmod(fd.Get(), old.st_mode & 07777);
    WriteAll(fd.Get(), bytes, destination);
    if (::fsync(fd.Get()) != 0) Fail(kCannotSave, destination, LastError());
    if (!fd.Close()) Fail(kCannotSave, destination, LastError());
    if (beforeReplace) beforeReplace(temporary.path);
    if (::rename(temporary.path.c_str(), destination.c_str()) != 0) Fail(kCannotSave, destination, LastError());
    temporary.placed = true;
    FlushFolder(destination.parent_path());
}

std::filesystem::path SetAside(const std::filesystem::path& file, const std::string& why)
{
    for (int n = 1;; ++n) {
        std::filesystem::path aside = file;
        aside += "." + why + (n == 1 ? "" : "-" + std::to_string(n));
        if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) return aside;
        if (errno != EEXIST) Fail("Не удалось переименовать файл", file, LastError());
    }
}

}  // namespace platform
