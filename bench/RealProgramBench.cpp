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
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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

// The CPU time the process has used, user and system together.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

double Seconds(const std::function<void()>& body)
{
    QElapsedTimer clock;
    clock.start();
    body();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

// The idle period, then the read-alls, each figure printed; closes the program as the user does, which
// ends it. The benchmark's result.
void Measure(gui::FrontEnd& front, double seconds, int& result)
{
    QElapsedTimer clock;
    clock.start();
    const double cpuStart = CpuSeconds();
    const unsigned long roundsStart = front.Pump().Rounds();
    QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, [&, clock, cpuStart, roundsStart] {
        const double wall = static_cast<double>(clock.elapsed()) / 1000.0;
        const double cpu = CpuSeconds() - cpuStart;
        const double share = 100.0 * cpu / wall;
        const bool idleConnected = Connected();
        std::printf("the program idle, connected, watchdog every %u s: %.1f s, still connected: %s\n",
                    TFormMain::WatchdogIntervalMs / 1000, wall, idleConnected ? "yes" : "NO");
        std::printf("  CPU time %.3f s: %.3f%% of a core; the model's pump woke %.1f times a second\n", cpu, share,
                    static_cast<double>(front.Pump().Rounds() - roundsStart) / wall);
        Figure("idle CPU of the program, connected", share, kIdleLimitPercent, "%", "< 1");

        // A failed group would show the errors window, modal: it is counted and closed, the figures void.
        int errorWindows = 0;
        QTimer errors;
        QObject::connect(&errors, &QTimer::timeout, [&] {
            if (FormErrors == nullptr || !FormErrors->Visible() || FormErrors->ModalResult() != ui::mrNone) return;
            ++errorWindows;
            FormErrors->SetModalResult(ui::mrOk);
        });
        errors.start(100);
        const auto readAll = [] { FormMain->tbReadAllClick(nullptr); };
        const double first = Seconds(readAll);
        const double fresh = Seconds(readAll);
        TLogWriter& log = *FormMain->FormsController->Log;
        const std::uint64_t touched = front.Windows().TreeItemsTouched();
        const double filling = Seconds([&log] {
            for (int i = 0; i < kEntries; ++i)
                log.AddText("<<<< 17.05.2024 13:45:" + std::to_string(i % 60), "+typepan", 0xFF0000);
        });
        const double touchedPerEntry = static_cast<double>(front.Windows().TreeItemsTouched() - touched) / kEntries;
        const double after = Seconds(readAll);
        const bool sound = Connected() && errorWindows == 0;
        std::printf("read-all in the program: first %.3f s, second (fresh) %.3f s, after %d more entries %.3f s%s\n",
                    first, fresh, kEntries, after, sound ? "" : " (a read failed: void)");
        std::printf("  %d entries written in %.1f s (%.3f ms each); the log's window touched %.1f tree items each\n",
                    kEntries, filling, 1000.0 * filling / kEntries, touchedPerEntry);
        Figure("read-all after 20,000 log entries", after, fresh, " s", "<= 1.05");
        result = idleConnected && share < kIdleLimitPercent && sound && after / fresh <= kLogLimit ? 0 : 1;
        CloseProgram();
    });
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
        int result = 1;
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
                if (connected) QTimer::singleShot(kSettleMs, [&] { Measure(front, seconds, result); });
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
        return result;
    });
}
