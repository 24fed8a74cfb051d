#include "platform/DesktopOpen.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
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

class XdgOpener : public DesktopOpener {
public:
    void Open(const std::string& target, OpenReport report) override
    {
        StartWatched("xdg-open", {target}, std::move(report));
    }
    bool OpenWith(const std::string&) override { return false; }
};

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
    static XdgOpener opener;
    return opener;
}

}  // namespace platform
