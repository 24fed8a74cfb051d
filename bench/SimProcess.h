#pragma once
// sorvel-sim from the same build as a child process for the benchmarks: started with its port linked in
// the given folder, stopped (SIGTERM, then reaped) when it goes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace benchsupport {

// sorvel-sim of the same build as the running benchmark.
inline std::filesystem::path SimProgram()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "sim" / "sorvel-sim";
}

class SimProcess {
public:
    // Waits until the port's link is there; throws when the simulator did not start.
    SimProcess(const std::filesystem::path& program, const std::filesystem::path& ports,
               const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> args{program.string(), "--ports", ports.string(), "--baud", "19200"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (pid_ <= 0 || !WaitForLink(ports / "sorvel-sim")) throw std::runtime_error("sorvel-sim did not start");
    }
    ~SimProcess()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

private:
    static bool WaitForLink(const std::filesystem::path& link)
    {
        for (int i = 0; i < 200; ++i) {
            std::error_code ec;
            if (std::filesystem::exists(link, ec)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    pid_t pid_ = -1;
};

}  // namespace benchsupport
