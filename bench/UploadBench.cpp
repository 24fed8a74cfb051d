// Uploads a 64 KiB firmware image through the update thread, the cable worker and a pseudo-terminal to
// the simulated communicator's bootloader at 19200 baud, the device answering at once. Prints the
// payload rate against the rate the same frames allow on the line (requests and replies at 1920 bytes
// a second, one after the other): up to the device's "OK" to "EE", and with the 15 s the program then
// waits for the device to write its flash. The line holds each request for its time on the wire, as a
// real serial line does.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FirmwareImage.h"
#include "app/UpdateThread.h"
#include "bench/SimProcess.h"
#include "bench/WireLog.h"
#include "link/ComPortWorker.h"
#include "link/DevSorvel7QX1.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "ui/Application.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRows = 64 * 1024 / FirmwareRowBytes;

// The device, counting the bytes of every request (with its CR) and reply on the wire.
class WireDevice final : public sim::Responder {
public:
    explicit WireDevice(sim::Responder& device) : device_(device) {}
    std::string Answer(const std::string& request) override
    {
        std::string reply = device_.Answer(request);
        bytes += request.size() + 1 + reply.size();
        return reply;
    }
    std::atomic<std::size_t> bytes{0};

private:
    sim::Responder& device_;
};

// Notes when the upload's last exchange ("EE") was over: the first time shown after the flashing began.
class BenchView final : public TUpdateView {
public:
    std::weak_ptr<void> ViewLiveness() const override { return alive_; }
    void StopWatchdog() override {}
    void SetProgressTotal(int) override {}
    void StepProgressBar() override {}
    void FillProgressBar() override {}
    void ShowElapsed(std::uint64_t) override
    {
        if (flashing && !flashed) flashed = Clock::now();
    }
    void ShowElapsedAsRemaining(std::uint64_t) override {}
    void ShowRemaining(std::uint64_t) override {}
    void ShowStage(TUploadStage stage) override { flashing = flashing || stage == TUploadStage::Flashing; }
    void DisableExit() override {}
    void UploadFinished() override { finished = true; }

    bool finished = false;
    bool flashing = false;
    std::optional<Clock::time_point> flashed;

private:
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// Intel HEX data records of 16 bytes each after the version line.
std::vector<std::string> Image()
{
    std::vector<std::string> lines{"REV 11.005.200"};
    for (int r = 0; r < kRows; ++r) {
        const unsigned address = static_cast<unsigned>(r * 16);
        char record[64];
        int at = std::snprintf(record, sizeof record, ":10%04X00", address);
        unsigned sum = 0x10 + (address >> 8) + (address & 0xFF);
        for (int i = 0; i < 16; ++i) {
            const unsigned b = static_cast<unsigned>(r * 7 + i * 13) & 0xFF;
            sum += b;
            at += std::snprintf(record + at, sizeof record - static_cast<std::size_t>(at), "%02X", b);
        }
        std::snprintf(record + at, sizeof record - static_cast<std::size_t>(at), "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
        lines.emplace_back(record);
    }
    return lines;
}

int Measure()
{
    sim::Communicator device;
    WireDevice wire(device);
    sim::Pty pty;
    sim::Line line(pty, wire);
    line.SetLineSpeed(19200);
    line.SetRequestPacing(true);
    TComPortWorker worker(true, true);
    worker.Open(pty.SlavePath(), br19200);
    TDevSorvel7QX1 dev(worker, nullptr);
    TDeviceBootSender sender(dev);
    BenchView view;
    TUpdateThread thread(view, ui::App());
    thread.SetImage(Image());
    thread.SetDeviceController({std::shared_ptr<void>(), &sender});
    thread.SetStartTime(platform::SystemClock().NowMs());

    const auto start = Clock::now();
    thread.Start();
    while (!view.finished) ui::App().HandleMessage();
    const double withWait = std::chrono::duration<double>(Clock::now() - start).count();
    const double seconds = std::chrono::duration<double>(view.flashed.value_or(Clock::now()) - start).count();

    const bool done = thread.Result() == TUploadResult::Done && device.FirmwareWritten();
    const double payload = kRows * FirmwareRowBytes;
    const double lineSeconds = static_cast<double>(wire.bytes) / benchsupport::kBytesPerSecond;
    const double waitSeconds = TUploadOptions{}.FinalWaitMs / 1000.0;
    std::printf("upload %s: %.0f payload bytes, %zu frame bytes, %.3f s, %.3f s with the final wait\n",
                done ? "done" : "FAILED", payload, wire.bytes.load(), seconds, withWait);
    benchsupport::Figure("64 KiB upload, payload rate", payload / seconds, payload / lineSeconds, " B/s", ">= 0.95", 1);
    benchsupport::Figure("64 KiB upload with the final 15 s wait", payload / withWait,
                         payload / (lineSeconds + waitSeconds), " B/s", ">= 0.95", 1);
    return done ? 0 : 1;
}

}  // namespace

int main()
{
    return benchsupport::Guarded(Measure);
}
