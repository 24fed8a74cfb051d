#pragma once
// sorvel-sim from the same build as a child process for the benchmarks (its line at 19200 baud, pacing
// requests and replies alike as a serial line does), and a program folder of the benchmark's own for it
// and the program to meet in.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/ProgramFolder.h"

namespace benchsupport {

namespace fs = std::filesystem;

// Started with its port linked in `ports` as "sorvel-sim"; stopped (SIGTERM, then reaped) when it goes.
class SimProcess {
public:
    explicit SimProcess(const fs::path& ports, const std::vector<std::string>& extra = {})
    {
        const fs::path program = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "sim" / "sorvel-sim";
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
        if (pid_ <= 0 || !WaitForLink(Port(ports))) throw std::runtime_error("sorvel-sim did not start");
    }
    ~SimProcess()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    static fs::path Port(const fs::path& ports) { return ports / "sorvel-sim"; }

private:
    static bool WaitForLink(const fs::path& link)
    {
        for (int i = 0; i < 200; ++i) {
            std::error_code ec;
            if (fs::exists(link, ec)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    pid_t pid_ = -1;
};

// Runs the measurement in a fresh program folder (the message table beside the program, as an installed
// program has it, and an empty "ports" folder) and removes the folder afterwards; its result.
inline int InProgramFolder(const std::string& tag, const std::function<int(const fs::path&)>& measure)
{
    const fs::path folder = fs::temp_directory_path() / ("sorvel-" + tag + "-" + std::to_string(getpid()));
    fs::create_directories(folder / "ports");
    std::error_code ignored;
    fs::copy_file(fs::path(SORVEL_SOURCE_DIR) / "resources" / "Messages.txt", folder / "Messages.txt", ignored);
    ::setenv(platform::kProgramFolderVariable, folder.c_str(), 1);
    const int result = measure(folder);
    fs::remove_all(folder, ignored);
    return result;
}

// A benchmark's main: its result, or 2 with the reason on stderr when it could not run.
inline int Guarded(const std::function<int()>& body)
{
    try {
        return body();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench: %s\n", e.what());
        return 2;
    }
}

}  // namespace benchsupport
