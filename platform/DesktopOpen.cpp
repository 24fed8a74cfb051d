#include "platform/DesktopOpen.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <thread>
#include <utility>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

// The full path of a program, searched in PATH as a shell would; empty when it is not there.
std::string FindProgram(const std::string& program)
{
    const auto runnable = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
    };
    if (program.find('/') != std::string::npos) return runnable(program) ? program : std::string();
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        const std::string candidate = (dir.empty() ? std::string(".") : std::string(dir)) + "/" + program;
        if (runnable(candidate)) return candidate;
        if (colon == std::string_view::npos) return {};
        rest.remove_prefix(colon + 1);
    }
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }
    void Close()
    {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

// A scheme as an address names it: a letter, then letters, digits, "+", "-" or ".", then ":". One letter
// alone is a drive ("C:/docs"), not a scheme.
bool HasScheme(const std::string& target)
{
    const std::size_t colon = target.find(':');
    if (colon == std::string::npos || colon < 2 || !std::isalpha(static_cast<unsigned char>(target[0]))) return false;
    return std::all_of(target.begin(), target.begin() + static_cast<std::ptrdiff_t>(colon),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'; });
}

// Every byte outside `kept` (and the unreserved characters) as %XX.
std::string PercentEncoded(const std::string& text, std::string_view kept)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || std::string_view("-._~").find(ch) != std::string_view::npos || kept.find(ch) != std::string_view::npos) {
            out.push_back(ch);
            continue;
        }
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
    return out;
}

// The absolute path a target names as a file: an absolute path, or a relative one that exists from the
// current folder; empty for anything else.
std::string FilePath(const std::string& target)
{
    std::error_code error;
    if (target.empty() || (target[0] != '/' && !std::filesystem::exists(target, error))) return {};
    return std::filesystem::absolute(target, error).lexically_normal().string();
}

// Waits for the child's end on a thread of its own and reports how it ended.
void WatchChild(pid_t child, OpenReport report)
{
    std::thread([child, report = std::move(report)] {
        int status = 0;
        pid_t got = 0;
        do {
            got = ::waitpid(child, &status, 0);
        } while (got < 0 && errno == EINTR);
        report(got == child && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }).detach();
}

}  // namespace

std::string TargetUri(const std::string& target)
{
    // An address's reserved characters and its own escapes stand; a quote never does, so that the
    // address can be given to gdbus as a quoted string.
    if (HasScheme(target)) return PercentEncoded(target, ":/?#[]@!$&()*+,;=%");
    if (const std::string file = FilePath(target); !file.empty()) return "file://" + PercentEncoded(file, "/");
    return "http://" + PercentEncoded(target, ":/?#[]@!$&()*+,;=%");
}

void XdgDesktopOpener::Open(const std::string& target, OpenReport report)
{
    start_("xdg-open", {target}, std::move(report));
}

void XdgDesktopOpener::OpenWith(const std::string& target, OpenReport report)
{
    start_("gdbus",
           {"call", "--session", "--timeout", "10", "--dest", "org.freedesktop.portal.Desktop", "--object-path",
            "/org/freedesktop/portal/desktop", "--method", "org.freedesktop.portal.OpenURI.OpenURI", "''",
            "'" + TargetUri(target) + "'", "{'ask': <true>}"},
           std::move(report));
}

bool StartWatched(const std::string& program, const std::vector<std::string>& arguments, OpenReport report)
{
    const auto refused = [&report] {
        report(false);
        return false;
    };
    const std::string path = FindProgram(program);
    if (path.empty()) return refused();
    // Everything the child needs is made before the fork: after it only async-signal-safe calls run.
    std::vector<std::string> args{program};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return refused();
    FileDescriptor readEnd(fds[0]);
    FileDescriptor writeEnd(fds[1]);

    // The pipe closes on a successful exec and carries the error number of a failed one. The program
    // gets a session of its own, so that the terminal's signals meant for us do not reach it.
    const pid_t child = ::fork();
    if (child < 0) return refused();
    if (child == 0) {
        ::setsid();
        ::execve(path.c_str(), argv.data(), environ);
        const int error = errno;
        [[maybe_unused]] const ssize_t ignored = ::write(fds[1], &error, sizeof error);
        ::_exit(127);
    }
    writeEnd.Close();
    int childError = 0;
    ssize_t got = 0;
    do {
        got = ::read(readEnd.Get(), &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    if (got != 0) {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        return refused();
    }
    WatchChild(child, std::move(report));
    return true;
}

DesktopOpener& SystemDesktopOpener()
{
    static XdgDesktopOpener opener;
    return opener;
}

}  // namespace platform
