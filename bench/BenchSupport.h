#pragma once
// What the benchmarks share: sorvel-sim from the same build as a child process (its line at 19200 baud,
// pacing requests and replies alike as a serial line does; on Linux) in a program folder of the
// benchmark's own, a log writer that counts the bytes of every request and reply on the wire, and the
// figure rows scripts/bench collects into its table.
#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "link/LogWriter.h"
#include "platform/Environment.h"
#include "platform/PathText.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"

namespace benchsupport {

namespace fs = std::filesystem;

constexpr double kBytesPerSecond = 19200.0 / 10;

#ifndef _WIN32
// Started with its port linked in `ports` as "sorvel-sim"; stopped (SIGTERM, then reaped) when it goes.
class SimProcess {
public:
    explicit SimProcess(const fs::path& ports, std::vector<std::string> args = {}) : port(ports / "sorvel-sim")
    {
        const fs::path program = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "sim" / "sorvel-sim";
        args.insert(args.begin(), {program.string(), "--ports", ports.string(), "--baud", "19200"});
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; pid_ > 0 && i < 200 && !fs::exists(port); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (pid_ <= 0 || !fs::exists(port)) throw std::runtime_error("sorvel-sim did not start");
    }
    ~SimProcess()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const fs::path port;

private:
    pid_t pid_ = -1;
};
#endif

// A benchmark's main: the measurement run in a fresh program folder (the message table beside the
// program, as an installed program has it, and an empty "ports" folder, removed afterwards); its
// result, or 2 with the reason on stderr when it could not run.
inline int InProgramFolder(const std::string& tag, const std::function<int(const fs::path&)>& measure)
{
    const fs::path folder = fs::temp_directory_path() / ("sorvel-" + tag + "-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder / "ports");
    std::error_code ignored;
    fs::copy_file(platform::PathFromUtf8(SORVEL_SOURCE_DIR) / "resources" / "Messages.txt", folder / "Messages.txt", ignored);
    platform::SetEnvironmentValue(platform::kProgramFolderVariable, platform::PathToUtf8(folder));
    int result = 2;
    try {
        result = measure(folder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench: %s\n", e.what());
    }
    fs::remove_all(folder, ignored);
    return result;
}

// Counts the bytes of every request and reply as they went over the wire (the log shows each request
// and each reply whole), and passes every line on to the program's own log when it is given one.
class WireLog final : public TLogWriter {
public:
    explicit WireLog(std::unique_ptr<TLogWriter> next = nullptr) : next_(std::move(next)) {}

    void AddMessage(const std::string& Msg) override { if (next_) next_->AddMessage(Msg); }
    void AddInfo(const std::string& Msg) override { if (next_) next_->AddInfo(Msg); }
    void AddError(const std::string& Msg) override
    {
        std::cerr << "error: " << Msg << "\n";
        if (next_) next_->AddError(Msg);
    }
    void AddText(const std::string& Caption, const std::string& Text, TColor Color) override
    {
        bytes += platform::Utf8ToCp1251Lossy(Text).size();
        if (next_) next_->AddText(Caption, Text, Color);
    }
    void AddList(const std::string& Caption, const std::vector<std::string>& Lines, TColor Color) override
    {
        if (next_) next_->AddList(Caption, Lines, Color);
    }

    std::size_t bytes = 0;

private:
    std::unique_ptr<TLogWriter> next_;
};

// One row of scripts/bench's table: what, the figure, its limit, their ratio and the ratio's target.
inline void Figure(const std::string& what, double measured, double limit, const char* unit, const char* target,
                   int digits = 3)
{
    std::printf("figure|%s|%.*f%s|%.*f%s|%.3f|%s\n", what.c_str(), digits, measured, unit, digits, limit, unit,
                measured / limit, target);
}

// The time of a run and the bytes it put on the wire.
struct Lap {
    double seconds = 0;
    std::size_t bytes = 0;
};

inline Lap Timed(const WireLog& wire, const std::function<void()>& body)
{
    const std::size_t before = wire.bytes;
    const auto start = std::chrono::steady_clock::now();
    body();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), wire.bytes - before};
}

// The run against the time its bytes need on the wire at 1920 bytes a second: how much the program adds
// to the line's own pace.
inline void LineFigure(const std::string& what, const Lap& lap, const char* target = "<= 1.05")
{
    const double wire = static_cast<double>(lap.bytes) / kBytesPerSecond;
    std::printf("%s: %.3f s, %zu bytes on the wire, %.3f s there\n", what.c_str(), lap.seconds, lap.bytes, wire);
    Figure(what, lap.seconds, wire, " s", target);
}

}  // namespace benchsupport
