// The real program's CPU time while it sits connected and idle (bench/RealProgram.h), with the link
// watchdog polling the version. Prints the CPU time the process used over the period (60 s, or the
// seconds given as the first argument) as a share of one core, and how often the model's pump woke
// meanwhile.
#include <sys/resource.h>

#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "bench/RealProgram.h"
#include "bench/WireLog.h"

namespace {

constexpr double kLimitPercent = 0.3;
// Time for the connect and its first exchanges to settle before the measurement starts.
constexpr int kSettleMs = 3000;

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int Run(double seconds)
{
    double wall = 0, cpu = 0, wakes = 0;
    bool stillConnected = false;
    return benchsupport::RunConnected("ibench", [&](gui::FrontEnd& front) {
        QTimer::singleShot(kSettleMs, [&] {
            QElapsedTimer clock;
            clock.start();
            const double cpuStart = CpuSeconds();
            const unsigned long roundsStart = front.Pump().Rounds();
            QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, [&, clock, cpuStart, roundsStart] {
                wall = static_cast<double>(clock.elapsed()) / 1000.0;
                cpu = CpuSeconds() - cpuStart;
                wakes = static_cast<double>(front.Pump().Rounds() - roundsStart) / wall;
                stillConnected = benchsupport::Connected();
                benchsupport::CloseProgram();
            });
        });
    }, [&] {
        const double share = 100.0 * cpu / wall;
        std::printf("the program idle, connected, watchdog every %u s: %.1f s, still connected: %s\n",
                    TFormMain::WatchdogIntervalMs / 1000, wall, stillConnected ? "yes" : "NO");
        std::printf("  CPU time %.3f s: %.3f%% of a core; the model's pump woke %.1f times a second\n", cpu, share,
                    wakes);
        benchsupport::Figure("idle CPU of the program, connected", share, kLimitPercent, "%", "< 1");
        return stillConnected && share < kLimitPercent ? 0 : 1;
    });
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    return benchsupport::Guarded([seconds] { return Run(seconds); });
}
