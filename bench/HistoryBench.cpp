// One history page (32 records) and the text download of 1,000 records through the real cable worker
// against sorvel-sim at 19200 baud: each run's time beside the time its bytes need on the wire.
#include <cstdio>
#include <functional>
#include <string>

#include "app/ExchangeSteps.h"
#include "app/HistoryReader.h"
#include "app/fHistory.h"
#include "bench/SimProcess.h"
#include "bench/WireLog.h"
#include "link/ComPortWorker.h"
#include "link/DevSorvel7QX1.h"
#include "ui/Application.h"

namespace {

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
    void AddReadError(const std::string& Group) override { std::fprintf(stderr, "read error: %s\n", Group.c_str()); }
    void AddWriteError(const std::string& Group) override { std::fprintf(stderr, "write error: %s\n", Group.c_str()); }
    void SetWatchdog(bool) override {}

private:
    TDevice& device_;
    TLogWriter& log_;
};

int Measure(const benchsupport::fs::path& folder)
{
    const benchsupport::SimProcess sim(folder / "ports");
    TComPortWorker worker(true, true);
    worker.Open(benchsupport::SimProcess::Port(folder / "ports").string(), br19200);
    benchsupport::WireLog wire;
    TDevSorvel7QX1 device(worker, &wire);
    BenchSteps steps(device, wire);
    FormHistory = ui::App().CreateForm<TFormHistory>("FormHistory");
    THistoryReader reader(steps, *FormHistory);

    FormHistory->FirstRecord = 1000;
    benchsupport::LineFigure("one history page (32 records)", benchsupport::Timed(wire, [&] { reader.Backward(); }));
    const bool pageOk = FormHistory->Store.Count() == HistoryPageSize;
    THistoryDownload download;
    benchsupport::LineFigure("1,000 records downloaded", benchsupport::Timed(wire, [&] {
        download = reader.SaveToFile(folder / HistoryTextFileName, [] { return true; });
    }));
    std::printf("records written: %d%s\n", download.RecordsWritten, download.Failed ? " (failed)" : "");
    FormHistory = nullptr;
    return pageOk && !download.Failed && download.RecordsWritten == 1000 ? 0 : 1;
}

}  // namespace

int main()
{
    return benchsupport::Guarded([] { return benchsupport::InProgramFolder("hbench", Measure); });
}
