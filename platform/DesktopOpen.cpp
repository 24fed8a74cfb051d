#include "platform/DesktopOpen.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
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
    bool Open(const std::string& target) override { return StartDetached("xdg-open", {target}); }
    bool OpenWith(const std::string&) override { return false; }
};

}  // namespace

bool StartDetached(const std::string& program, const std::vector<std::string>& arguments)
{
    const std::string path = FindProgram(program);
    if (path.empty()) return false;
    // Everything the children need is made before the fork: after it only async-signal-safe calls run.
    std::vector<std::string> args{program};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    FileDescriptor readEnd(fds[0]);
    FileDescriptor writeEnd(fds[1]);

    // A double fork: the middle child exits at once and is reaped here; the program itself becomes a
    // child of init, which reaps it whenever it ends. The pipe closes on a successful exec and carries
    // the error number of a failed one.
    const pid_t middle = ::fork();
    if (middle < 0) return false;
    if (middle == 0) {
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::setsid();
            ::execve(path.c_str(), argv.data(), environ);
            const int error = errno;
            [[maybe_unused]] const ssize_t ignored = ::write(fds[1], &error, sizeof error);
            ::_exit(127);
        }
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    writeEnd.Close();
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    int childError = 0;
    ssize_t got = 0;
    do {
        got = ::read(readEnd.Get(), &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    return got == 0;
}

DesktopOpener& SystemDesktopOpener()
{
    static XdgOpener opener;
    return opener;
}

}  // namespace platform
