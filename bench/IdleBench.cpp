// The real program's CPU time while it sits connected and idle: its Qt front end (offscreen unless the
// environment names a platform), started through the program's own entry, connected through the connect
// dialog to sorvel-sim (started from the same build) over a cable line, with the link watchdog polling
// the version. Prints the CPU time the process used over the period (60 s, or the seconds given as the
// first argument) as a share of one core, and how often the model's pump woke meanwhile.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/Sorvel7QX3.h"
#include "app/fConnect.h"
#include "app/fMain.h"
#include "bench/SimProcess.h"
#include "gui/FrontEnd.h"
#include "platform/ProgramFolder.h"
#include "ui/Application.h"

namespace {

namespace fs = std::filesystem;

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

bool Connected() { return FormMain != nullptr && !FormMain->tbConnect->Enabled(); }

// The user's part: "Подключиться", the simulator's port and the cable in the dialog, OK.
class User {
public:
    explicit User(gui::FrontEnd& front, double seconds) : front_(front), seconds_(seconds) {}

    void Start()
    {
        Click();
        answer_.setInterval(20);
        QObject::connect(&answer_, &QTimer::timeout, [this] { Step(); });
        answer_.start();
        clock_.start();
    }

    int attempts = 0;
    bool connected = false;
    bool stillConnected = false;
    double wall = 0;
    double cpu = 0;
    unsigned long rounds = 0;

private:
    void Click()
    {
        ++attempts;
        answered_ = false;
        QTimer::singleShot(0, [] { FormMain->tbConnectClick(nullptr); });
    }

    void Step()
    {
        if (FormConnect != nullptr && FormConnect->Visible() && FormConnect->ModalResult() == ui::mrNone) {
            const ui::TStrings& ports = FormConnect->ComPorts->Items();
            for (int i = 0; i < ports.Count(); ++i)
                if (ports[i].ends_with("sorvel-sim")) FormConnect->ComPorts->SetItemIndex(i);
            FormConnect->rb1->SetChecked(true);
            FormConnect->SetModalResult(ui::mrOk);
            answered_ = true;
            return;
        }
        if (Connected() || clock_.elapsed() > 30'000) {
            answer_.stop();
            connected = Connected();
            if (!connected) {
                Finish();
                return;
            }
            QTimer::singleShot(kSettleMs, [this] { Measure(); });
        }
    }

    void Measure()
    {
        const double cpuStart = CpuSeconds();
        const unsigned long roundsStart = front_.Pump().Rounds();
        QElapsedTimer wallClock;
        wallClock.start();
        const int period = static_cast<int>(seconds_ * 1000);
        QTimer::singleShot(period, Qt::PreciseTimer, [this, cpuStart, roundsStart, wallClock] {
            wall = static_cast<double>(wallClock.elapsed()) / 1000.0;
            cpu = CpuSeconds() - cpuStart;
            rounds = front_.Pump().Rounds() - roundsStart;
            stillConnected = Connected();
            Finish();
        });
    }

    static void Finish()
    {
        if (FormMain != nullptr) FormMain->Close();
        if (!ui::App().Terminated()) QCoreApplication::exit(1);
    }

    gui::FrontEnd& front_;
    double seconds_;
    QTimer answer_;
    QElapsedTimer clock_;
    bool answered_ = false;
};

int Measure(double seconds)
{
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
    User user(front, seconds);
    RunProgram([&] {
        user.Start();
        return front.Run();
    });
    if (!user.connected)
        throw std::runtime_error("the program did not connect to the simulated device in " +
                                 std::to_string(user.attempts) + " attempts");
    const double share = 100.0 * user.cpu / user.wall;
    std::printf("the program idle, connected (attempt %d), watchdog every %u s: %.1f s, still connected: %s\n",
                user.attempts, TFormMain::WatchdogIntervalMs / 1000, user.wall, user.stillConnected ? "yes" : "NO");
    std::printf("  CPU time %.3f s: %.3f%% of a core (target < %.1f%%); the model's pump woke %.1f times a second\n",
                user.cpu, share, kLimitPercent, static_cast<double>(user.rounds) / user.wall);
    std::printf("figure|idle CPU of the program, connected|%.3f%%|%.1f%%|%.3f|< 1\n", share, kLimitPercent,
                share / kLimitPercent);
    return user.stillConnected && share < kLimitPercent ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
        const fs::path self = fs::read_symlink("/proc/self/exe");
        const fs::path build = self.parent_path().parent_path();
        const fs::path program = build / "sim" / "sorvel-sim";
        if (!fs::exists(program)) throw std::runtime_error("sorvel-sim is not built");
        const fs::path folder = fs::temp_directory_path() / ("sorvel-ibench-" + std::to_string(getpid()));
        fs::create_directories(folder / "ports");
        // The message table beside the program, as an installed program has it.
        std::error_code ignored;
        fs::copy_file(fs::path(SORVEL_SOURCE_DIR) / "resources" / "Messages.txt", folder / "Messages.txt", ignored);
        ::setenv(platform::kProgramFolderVariable, folder.c_str(), 1);
        int result = 0;
        {
            const benchsupport::SimProcess sim(program, folder / "ports");
            result = Measure(seconds);
        }
        fs::remove_all(folder, ignored);
        return result;
    } catch (const std::exception& e) {
        std::cerr << "bench: " << e.what() << "\n";
        return 2;
    }
}
