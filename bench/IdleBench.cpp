// The real program's CPU time while it sits connected and idle (bench/RealProgram.h), with the link
// watchdog polling the version. Prints the CPU time the process used over the period (60 s, or the
// seconds given as the first argument) as a share of one core, and how often the model's pump woke
// meanwhile.
#include <sys/resource.h>

#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "bench/RealProgram.h"

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

struct Idle {
    double wall = 0;
    double cpu = 0;
    unsigned long rounds = 0;
    bool stillConnected = false;
};

void Measure(gui::FrontEnd& front, double seconds, Idle& idle)
{
    const double cpuStart = CpuSeconds();
    const unsigned long roundsStart = front.Pump().Rounds();
    QElapsedTimer wallClock;
    wallClock.start();
    const int period = static_cast<int>(seconds * 1000);
    QTimer::singleShot(period, Qt::PreciseTimer, [&front, &idle, cpuStart, roundsStart, wallClock] {
        idle.wall = static_cast<double>(wallClock.elapsed()) / 1000.0;
        idle.cpu = CpuSeconds() - cpuStart;
        idle.rounds = front.Pump().Rounds() - roundsStart;
        idle.stillConnected = benchsupport::Connected();
        benchsupport::CloseProgram();
    });
}

int Run(double seconds)
{
    Idle idle;
    benchsupport::RunConnected([&](gui::FrontEnd& front) {
        QTimer::singleShot(kSettleMs, [&front, seconds, &idle] { Measure(front, seconds, idle); });
    });
    const double share = 100.0 * idle.cpu / idle.wall;
    std::printf("the program idle, connected, watchdog every %u s: %.1f s, still connected: %s\n",
                TFormMain::WatchdogIntervalMs / 1000, idle.wall, idle.stillConnected ? "yes" : "NO");
    std::printf("  CPU time %.3f s: %.3f%% of a core (target < %.1f%%); the model's pump woke %.1f times a second\n",
                idle.cpu, share, kLimitPercent, static_cast<double>(idle.rounds) / idle.wall);
    std::printf("figure|idle CPU of the program, connected|%.3f%%|%.1f%%|%.3f|< 1\n", share, kLimitPercent,
                share / kLimitPercent);
    return idle.stillConnected && share < kLimitPercent ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
        return benchsupport::InProgramFolder("ibench", [seconds] { return Run(seconds); });
    } catch (const std::exception& e) {
        std::cerr << "bench: " << e.what() << "\n";
        return 2;
    }
}
