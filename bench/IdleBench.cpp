// The program's CPU time while it sits connected and idle: the main window, its pages and its forms
// controller, a cable connection to sorvel-sim (started from the same build) and the link watchdog
// polling the version, run by the program's own event loop. Prints the CPU time the process used over
// the period (60 s, or the seconds given as the first argument) as a share of one core.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/FormAppMainController.h"
#include "app/fMain.h"
#include "bench/SimProcess.h"
#include "link/ComPortWorker.h"
#include "platform/ProgramFolder.h"
#include "ui/Application.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Counts the watchdog's polls ("+v" requests).
class PollCounter final : public TLogWriter {
public:
    void AddMessage(const std::string&) override {}
    void AddError(const std::string& Msg) override { std::cerr << "error: " << Msg << "\n"; }
    void AddInfo(const std::string&) override {}
    void AddText(const std::string& Caption, const std::string& Text, TColor) override
    {
        if (Caption.starts_with("<<<<") && Text.starts_with("+v")) ++polls;
    }
    void AddList(const std::string&, const std::vector<std::string>&, TColor) override {}
    int polls = 0;
};

class IdleController final : public TFormAppMainController {
public:
    using TFormAppMainController::TFormAppMainController;
    bool DoConnect() override { return false; }
    std::unique_ptr<TLogWriter> CreateLog() override { return std::make_unique<PollCounter>(); }
};

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int Measure(const std::string& port, double seconds, const fs::path& folder)
{
    ::setenv(platform::kProgramFolderVariable, folder.c_str(), 1);
    ui::Application app;
    auto* main = app.CreateForm<TFormMain>("FormMain");
    main->Show();
    auto controller = MakeFormsController<IdleController>(main, main->PagesPane, main->tv1);
    main->FormsController = controller.get();
    TComPortWorker worker(true, true);
    worker.Open(port, br19200);
    auto device = std::make_unique<TDeviceController>(worker, controller->Log.get());
    if (!device->ReadVersion()) throw std::runtime_error("the simulated device did not answer");
    controller->SetDeviceController(std::move(device));
    controller->SetConnected(true);
    main->Timer1->SetEnabled(true);
    auto& counter = static_cast<PollCounter&>(*controller->Log);
    const int pollsBefore = counter.polls;

    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
    while (std::chrono::steady_clock::now() < end) app.HandleMessage();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds() - cpuStart;
    const bool connected = controller->GetDeviceController() != nullptr;

    std::printf("idle, connected, watchdog every %u s: %.1f s, %d polls, still connected: %s\n",
                TFormMain::WatchdogIntervalMs / 1000, wall, counter.polls - pollsBefore, connected ? "yes" : "NO");
    std::printf("  CPU time %.3f s: %.3f%% of a core (target < 1%%)\n", cpu, 100.0 * cpu / wall);
    std::printf("figure|idle CPU, connected, watchdog on|%.3f%%|1%%|%.3f|< 1\n", 100.0 * cpu / wall, cpu / wall / 0.01);
    main->FormsController = nullptr;
    controller->SetDeviceController(nullptr);
    return connected ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
        const fs::path program = benchsupport::SimProgram();
        const fs::path ports = fs::temp_directory_path() / ("sorvel-ibench-" + std::to_string(getpid()));
        fs::create_directories(ports);
        benchsupport::CopyMessages(ports);
        if (!fs::exists(program)) throw std::runtime_error("sorvel-sim is not built");
        int result = 0;
        {
            const benchsupport::SimProcess sim(program, ports);
            result = Measure((ports / "sorvel-sim").string(), seconds, ports);
        }
        fs::remove_all(ports);
        return result;
    } catch (const std::exception& e) {
        std::cerr << "bench: " << e.what() << "\n";
        return 2;
    }
}
