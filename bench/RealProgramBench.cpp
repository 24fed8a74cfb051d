// The real program whole: its Qt front end (offscreen unless the environment names a platform) started
// through the program's own entry in a program folder of its own, sorvel-sim from the same build as its
// device, connected through the connect dialog over a cable line as a user connects. Then, in one session:
// - its CPU time while it sits connected and idle with the link watchdog polling the version, over 60 s
//   (or the seconds given as the first argument), as a share of one core, and how often the model's pump
//   woke meanwhile;
// - a read-all in a fresh session and again after 20,000 more entries in its log, written through the
//   program's own log writer as device exchanges write them: a long log must not slow the program down.
//   The fresh figure is the second read-all, so that what the first one does once (pages painted for the
//   first time) counts against neither; also what keeping the log's window in step cost per entry.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/FormAppMainController.h"
#include "app/Sorvel7QX3.h"
#include "app/fConnect.h"
#include "app/fErrors.h"
#include "app/fMain.h"
#include "bench/BenchSupport.h"
#include "gui/FrontEnd.h"
#include "ui/Application.h"

namespace {

using namespace benchsupport;

constexpr double kIdleLimitPercent = 0.3;
// Time for the connect and its first exchanges to settle before the measurement starts.
constexpr int kSettleMs = 3000;
constexpr int kEntries = 20'000;
constexpr double kLogLimit = 1.05;

bool Connected() { return FormMain != nullptr && !FormMain->tbConnect->Enabled(); }

// Closes the main window as the user does, which ends the program.
void CloseProgram()
{
    if (FormMain != nullptr) FormMain->Close();
    if (!ui::App().Terminated()) QCoreApplication::exit(1);
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Seconds(const std::function<void()>& body)
{
    QElapsedTimer clock;
    clock.start();
    body();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

struct Figures {
    double idleSeconds = 0, cpu = 0, wakes = 0;
    bool connectedAfterIdle = false;
    double first = 0, fresh = 0, after = 0, filling = 0, touchedPerEntry = 0;
    int errorWindows = 0;
    bool connectedAfterReads = false;
};

// The idle period, then the read-alls; closes the program as the user does, which ends it.
void Measure(gui::FrontEnd& front, double seconds, Figures& f)
{
    QElapsedTimer clock;
    clock.start();
    const double cpuStart = CpuSeconds();
    const unsigned long roundsStart = front.Pump().Rounds();
    QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, [&, clock, cpuStart, roundsStart] {
        f.idleSeconds = static_cast<double>(clock.elapsed()) / 1000.0;
        f.cpu = CpuSeconds() - cpuStart;
        f.wakes = static_cast<double>(front.Pump().Rounds() - roundsStart) / f.idleSeconds;
        f.connectedAfterIdle = Connected();
        // A failed group would show the errors window, modal: it is counted and closed, the figures void.
        QTimer errors;
        QObject::connect(&errors, &QTimer::timeout, [&] {
            if (FormErrors == nullptr || !FormErrors->Visible() || FormErrors->ModalResult() != ui::mrNone) return;
            ++f.errorWindows;
            FormErrors->SetModalResult(ui::mrOk);
        });
        errors.start(100);
        const auto readAll = [] { FormMain->tbReadAllClick(nullptr); };
        f.first = Seconds(readAll);
        f.fresh = Seconds(readAll);
        TLogWriter& log = *FormMain->FormsController->Log;
        const std::uint64_t touched = front.Windows().TreeItemsTouched();
        f.filling = Seconds([&log] {
            for (int i = 0; i < kEntries; ++i)
                log.AddText("<<<< 17.05.2024 13:45:" + std::to_string(i % 60), "+typepan", 0xFF0000);
        });
        f.touchedPerEntry = static_cast<double>(front.Windows().TreeItemsTouched() - touched) / kEntries;
        f.after = Seconds(readAll);
        f.connectedAfterReads = Connected();
        CloseProgram();
    });
}

int Report(const Figures& f)
{
    const double share = 100.0 * f.cpu / f.idleSeconds;
    std::printf("the program idle, connected, watchdog every %u s: %.1f s, still connected: %s\n",
                TFormMain::WatchdogIntervalMs / 1000, f.idleSeconds, f.connectedAfterIdle ? "yes" : "NO");
    std::printf("  CPU time %.3f s: %.3f%% of a core; the model's pump woke %.1f times a second\n", f.cpu, share,
                f.wakes);
    Figure("idle CPU of the program, connected", share, kIdleLimitPercent, "%", "< 1");
    const bool sound = f.connectedAfterReads && f.errorWindows == 0;
    std::printf("read-all in the program: first %.3f s, second (fresh) %.3f s, after %d more entries %.3f s%s\n",
                f.first, f.fresh, kEntries, f.after, sound ? "" : " (a read failed: void)");
    std::printf("  %d entries written in %.1f s (%.3f ms each); the log's window touched %.1f tree items each\n",
                kEntries, f.filling, 1000.0 * f.filling / kEntries, f.touchedPerEntry);
    Figure("read-all after 20,000 log entries", f.after, f.fresh, " s", "<= 1.05");
    const bool idleOk = f.connectedAfterIdle && share < kIdleLimitPercent;
    return idleOk && sound && f.after / f.fresh <= kLogLimit ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    return InProgramFolder("rbench", [seconds](const fs::path& folder) {
        const SimProcess sim(folder / "ports");
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        // The offscreen platform's notes on what it cannot do (window opacity) are no part of the figures.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
        });
        int argc = 1;
        char name[] = "sorvel7qx3";
        char* argv[] = {name, nullptr};
        QApplication qt(argc, argv);
        gui::FrontEnd front(ui::App());
        Figures figures;
        bool connected = false;
        QElapsedTimer clock;
        QTimer user;
        // The user connects ("Подключиться", the simulator's port and the cable in the dialog, OK).
        QObject::connect(&user, &QTimer::timeout, [&] {
            if (FormConnect != nullptr && FormConnect->Visible() && FormConnect->ModalResult() == ui::mrNone) {
                const ui::TStrings& ports = FormConnect->ComPorts->Items();
                for (int i = 0; i < ports.Count(); ++i)
                    if (ports[i].ends_with("sorvel-sim")) FormConnect->ComPorts->SetItemIndex(i);
                FormConnect->rb1->SetChecked(true);
                FormConnect->SetModalResult(ui::mrOk);
            } else if (Connected() || clock.elapsed() > 30'000) {
                user.stop();
                connected = Connected();
                if (connected) QTimer::singleShot(kSettleMs, [&] { Measure(front, seconds, figures); });
                else CloseProgram();
            }
        });
        RunProgram([&] {
            QTimer::singleShot(0, [] { FormMain->tbConnectClick(nullptr); });
            clock.start();
            user.start(20);
            return front.Run();
        });
        if (!connected) throw std::runtime_error("the program did not connect to the simulated device");
        return Report(figures);
    });
}
