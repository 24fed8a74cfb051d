// The cost of reading an ini file per section, with 2,000 and with 80,000 sections (a key in each, and a
// key per section in one more), every key looked up once: reading is linear in the file's size, so the
// work per section stays the same however large the file, where a search per name grows forty-fold and
// a sorted index by half again.
//
// The work is counted, not timed: valgrind's callgrind counts the instructions of the read alone (the
// one function below), so the figure says how the work grows and nothing else. Time per section on
// a real machine also grows as the larger tables outgrow the caches, and with whatever else the machine
// runs; neither says anything about the reading.
//   bench_IniReadBench                 both sizes under valgrind, and the figure
//   bench_IniReadBench --read N        one read of N sections (what valgrind runs)
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "platform/IniFile.h"

namespace inibench {

constexpr int kFewSections = 2'000;
constexpr int kManySections = 80'000;
constexpr const char* kMeasured = "SorvelReadIni";

struct Workload {
    std::string text;
    std::vector<std::string> sections;  // looked up in another letter case than the file's
    std::vector<std::string> keys;
};

Workload MakeWorkload(int sections)
{
    Workload w;
    for (int i = 0; i < sections; ++i) {
        const std::string n = std::to_string(i);
        w.text += "[S" + n + "]\r\nk=1\r\n[Keys]\r\nk" + n + "=1\r\n";
        w.sections.push_back("s" + n);
        w.keys.push_back("K" + n);
    }
    return w;
}

}  // namespace inibench

using inibench::Workload;

// The work counted: the file's bytes read into an ini, every key looked up, the ini freed. Kept whole
// and under this one name (no inlining, no clones), so that callgrind finds it.
extern "C" __attribute__((noipa)) std::size_t SorvelReadIni(const Workload& w)
{
    const platform::IniFile ini = platform::IniFile::FromBytes("current.ini", w.text);
    std::size_t found = 0;
    for (std::size_t i = 0; i < w.sections.size(); ++i)
        found += ini.ReadString(w.sections[i], "K", "").size() + ini.ReadString("keys", w.keys[i], "").size();
    return found;
}

namespace inibench {
namespace {

// What the command wrote to its standard error; nullopt when it could not run or failed.
std::optional<std::string> ErrorOutput(std::vector<std::string> args)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; spawned == 0 && (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = -1;
    if (spawned != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed:\n%s\n", args.front().c_str(), output.c_str());
        return std::nullopt;
    }
    return output;
}

// The instructions of one read of `sections` sections, as callgrind counts them.
std::optional<double> InstructionsOfRead(int sections)
{
    const std::string self = benchsupport::fs::read_symlink("/proc/self/exe").string();
    const auto output = ErrorOutput({"valgrind", "--tool=callgrind", "--toggle-collect=" + std::string(kMeasured),
                                     "--callgrind-out-file=/dev/null", self, "--read", std::to_string(sections)});
    constexpr std::string_view kCollected = "Collected : ";
    const std::size_t at = output ? output->find(kCollected) : std::string::npos;
    if (at == std::string::npos) return std::nullopt;
    return std::strtod(output->c_str() + at + kCollected.size(), nullptr);
}

}  // namespace
}  // namespace inibench

int main(int argc, char** argv)
{
    using namespace inibench;
    if (argc == 3 && std::string(argv[1]) == "--read") {
        const Workload w = MakeWorkload(std::atoi(argv[2]));
        return SorvelReadIni(w) == 2 * w.sections.size() ? 0 : 1;
    }
    const auto few = InstructionsOfRead(kFewSections);
    const auto many = InstructionsOfRead(kManySections);
    if (!few || !many || *few <= 0) {
        std::fprintf(stderr, "no count: the ini figure needs valgrind (scripts/setup installs it)\n");
        return 1;
    }
    const double perFew = *few / kFewSections;
    const double perMany = *many / kManySections;
    std::printf("ini read: %.0f instructions per section with %d sections, %.0f with %d\n", perFew, kFewSections,
                perMany, kManySections);
    benchsupport::Figure("ini read per section, 80,000 sections", perMany, perFew, " instr", "<= 1.15", 0);
    return 0;
}
