// The Windows program's benchmarks under Wine, against sorvel-sim behind the COM port scripts/bench names
// (SORVEL_SIM_PORT), its line at 19200 baud pacing requests and replies alike; each run prints its figure
// rows for scripts/bench's table:
//   pages NAME    the program's read-all and write-all from the connect on, as a user runs them (the
//                 simulator started with the panel of that name)
//   upload        a 64 KiB firmware upload through the update thread and the Windows serial driver
//   idle SECONDS  the program connected and idle, the link watchdog polling the version: its CPU time as a
//                 share of one core, its model's pump sleeping until the next timer or posted call as a
//                 front end's loop does; and the Wine server's meanwhile, Wine's own cost (its services
//                 keep it at about half a percent with no program at all), read from /proc through
//                 Wine's Z: drive when SORVEL_WINE_SERVER_PID names it, SORVEL_CLOCK_TICKS its clock ticks
//                 a second
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>

#include "bench/BenchProgram.h"
#include "bench/win32/CpuTime.h"
#include "link/ComPortWorker.h"
#include "platform/Environment.h"

namespace {

using namespace benchsupport;

constexpr double kIdleLimitPercent = 0.3;

std::string SimPort() { return platform::EnvironmentValue("SORVEL_SIM_PORT").value_or("COM12"); }

// The Wine server's CPU time so far in seconds, when the environment names it.
std::optional<double> WineServerCpuSeconds()
{
    const auto pid = platform::EnvironmentValue("SORVEL_WINE_SERVER_PID");
    const double ticks = std::atof(platform::EnvironmentValue("SORVEL_CLOCK_TICKS").value_or("100").c_str());
    std::ifstream stat("Z:/proc/" + pid.value_or("") + "/stat");
    std::string field;
    // The name in parentheses holds no blank for the server; user and system time are fields 14 and 15.
    for (int i = 1; i < 14 && stat >> field; ++i) {
    }
    double user = 0, system = 0;
    if (!pid || !(stat >> user >> system) || ticks <= 0) return std::nullopt;
    return (user + system) / ticks;
}

bool Pages(const std::string& name)
{
    ProgramSession session(SimPort());
    LineFigure("read-all, " + name + " (Windows)", session.Timed(&TS7QX1FormsController::ReadAll));
    LineFigure("write-all, " + name + " (Windows)", session.Timed(&TS7QX1FormsController::WriteAll));
    if (session.Failed()) std::printf("  an operation FAILED or listed errors\n");
    return !session.Failed();
}

bool Upload()
{
    TComPortWorker worker(true, true);
    worker.Open(SimPort(), br19200);
    TDevSorvel7QX1 device(worker, nullptr);
    // What the driver sent and received is what went over the wire.
    TSerialComm& port = worker.Port();
    return TimedUpload(device, [&] { return static_cast<std::size_t>(port.SentCount() + port.ReceivedCount()); });
}

// Pumps the model as a front end's loop does: its calls and due timers, then sleep until the next timer or
// a posted call.
void Idle(ui::Application& app, double seconds)
{
    std::mutex mutex;
    std::condition_variable posted;
    bool wake = false;
    app.SetPostHook([&] {
        const std::lock_guard lock(mutex);
        wake = true;
        posted.notify_one();
    });
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        app.ProcessMessages();
        const auto next = std::chrono::milliseconds(app.MsUntilNextTimer().value_or(1000));
        std::unique_lock lock(mutex);
        posted.wait_until(lock, std::min<Clock::time_point>(end, Clock::now() + next), [&] { return wake; });
        wake = false;
    }
    app.SetPostHook(nullptr);
}

bool IdleCpu(double seconds)
{
    ProgramSession session(SimPort());
    session.Connect();
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    const std::optional<double> serverStart = WineServerCpuSeconds();
    Idle(session.App(), seconds);
    const std::optional<double> serverEnd = WineServerCpuSeconds();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = ProcessCpuSeconds() - cpuStart;
    const double share = 100.0 * cpu / wall;
    const bool connected = session.Controller().GetDeviceController() != nullptr;
    std::printf("the Windows program idle, connected, watchdog every %u s: %.1f s, still connected: %s\n",
                TFormMain::WatchdogIntervalMs / 1000, wall, connected ? "yes" : "NO");
    std::printf("  CPU time %.3f s: %.3f%% of a core\n", cpu, share);
    if (serverStart && serverEnd)
        std::printf("  the Wine server meanwhile: %.3f s, %.3f%% of a core\n", *serverEnd - *serverStart,
                    100.0 * (*serverEnd - *serverStart) / wall);
    Figure("idle CPU of the Windows program, connected", share, kIdleLimitPercent, "%", "< 1");
    return connected;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string what = argc > 1 ? argv[1] : "";
    const std::string arg = argc > 2 ? argv[2] : "";
    if (what != "pages" && what != "upload" && what != "idle") {
        std::fprintf(stderr, "usage: bench_WineBench pages NAME | upload | idle SECONDS\n");
        return 2;
    }
    return InProgramFolder("wbench", [&](const fs::path&) {
        if (what == "pages") return Pages(arg) ? 0 : 1;
        if (what == "upload") return Upload() ? 0 : 1;
        return IdleCpu(arg.empty() ? 60.0 : std::atof(arg.c_str())) ? 0 : 1;
    });
}
