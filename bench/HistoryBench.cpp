// One history page (32 records) and the text download of 1,000 records through the real cable worker
// against sorvel-sim at 19200 baud. Prints for each the total time, the time the same bytes need on the
// wire at 1920 bytes a second, and their ratio: how much the program adds to the line's own pace.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "app/ExchangeSteps.h"
#include "app/HistoryReader.h"
#include "app/fHistory.h"
#include "bench/SimProcess.h"
#include "bench/WireLog.h"
#include "link/ComPortWorker.h"
#include "link/DevSorvel7QX1.h"
#include "platform/Text.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "ui/Application.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

using benchsupport::kBytesPerSecond;

using ByteCounter = benchsupport::WireLog;

class BenchSteps final : public TExchangeSteps {
public:
    BenchSteps(TDevice& device, TLogWriter& log) : device_(device), log_(log) {}
    TDevice& Device() override { return device_; }
    TLogWriter* Log() override { return &log_; }
    void SetupProgress(int) override {}
    void StepProgress() override { ui::App().ProcessMessages(); }
    void WithProgressWindow(const std::function<void()>& Body) override { Body(); }
    void PumpEvents() override { ui::App().ProcessMessages(); }
    void LogReading(const std::string&) override {}
    void LogWriting(const std::string&) override {}
    void AddReadError(const std::string& Group) override { std::cerr << "read error: " << Group << "\n"; }
    void AddWriteError(const std::string& Group) override { std::cerr << "write error: " << Group << "\n"; }
    void SetWatchdog(bool) override {}

private:
    TDevice& device_;
    TLogWriter& log_;
};

struct Run {
    double seconds = 0;
    std::size_t requestBytes = 0;
    std::size_t replyBytes = 0;
};

Run Timed(ByteCounter& counter, const std::function<void()>& body)
{
    const std::size_t requests = counter.requestBytes;
    const std::size_t replies = counter.replyBytes;
    const auto start = std::chrono::steady_clock::now();
    body();
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.requestBytes = counter.requestBytes - requests;
    run.replyBytes = counter.replyBytes - replies;
    return run;
}

void Report(const char* what, const char* figure, const Run& run)
{
    const std::size_t bytes = run.requestBytes + run.replyBytes;
    const double wire = static_cast<double>(bytes) / kBytesPerSecond;
    std::printf("%s\n", what);
    std::printf("  bytes on the wire: %zu (%zu requests, %zu replies)\n", bytes, run.requestBytes, run.replyBytes);
    std::printf("  total time: %.3f s\n", run.seconds);
    std::printf("  wire time:  %.3f s (bytes / 1920 per second, requests and replies both paced)\n", wire);
    std::printf("  ratio:      %.3f (target <= 1.05)\n", run.seconds / wire);
    std::printf("figure|%s|%.3f s|%.3f s|%.3f|<= 1.05\n", figure, run.seconds, wire, run.seconds / wire);
}

int Measure(const std::string& port, const std::string& against, const fs::path& folder)
{
    TComPortWorker worker(true, true);
    worker.Open(port, br19200);
    ByteCounter counter;
    TDevSorvel7QX1 device(worker, &counter);
    BenchSteps steps(device, counter);
    auto* page = ui::App().CreateForm<TFormHistory>("FormHistory");
    FormHistory = page;
    THistoryReader reader(steps, *page);
    std::printf("against %s\n", against.c_str());

    page->FirstRecord = 1000;
    const Run pageRun = Timed(counter, [&] { reader.Backward(); });
    Report("one history page (32 records, 968-999):", "one history page (32 records)", pageRun);
    const bool pageOk = page->Store.Count() == HistoryPageSize;

    THistoryDownload download;
    const Run fileRun = Timed(counter, [&] {
        download = reader.SaveToFile(folder / HistoryTextFileName, [] { return true; });
    });
    Report("text download (records 999 down to 0):", "1,000 records downloaded", fileRun);
    std::printf("  records written: %d%s\n", download.RecordsWritten, download.Failed ? " (failed)" : "");
    FormHistory = nullptr;
    return pageOk && !download.Failed && download.RecordsWritten == 1000 ? 0 : 1;
}

}  // namespace

int main()
{
    try {
        const fs::path self = fs::read_symlink("/proc/self/exe");
        const fs::path program = self.parent_path().parent_path() / "sim" / "sorvel-sim";
        const fs::path ports = fs::temp_directory_path() / ("sorvel-hbench-" + std::to_string(getpid()));
        fs::create_directories(ports);
        int result = 0;
        if (fs::exists(program)) {
            const benchsupport::SimProcess sim(program, ports, {"--pace-requests"});
            result = Measure((ports / "sorvel-sim").string(), "sorvel-sim", ports);
        } else {
            sim::Communicator communicator;
            sim::Pty pty;
            sim::Line line(pty, communicator);
            line.SetLineSpeed(19200);
            line.SetRequestPacing(true);
            result = Measure(pty.SlavePath(), "the simulated line in process", ports);
        }
        fs::remove_all(ports);
        return result;
    } catch (const std::exception& e) {
        std::cerr << "bench: " << e.what() << "\n";
        return 2;
    }
}
