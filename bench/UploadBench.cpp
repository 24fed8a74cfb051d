// Uploads a 64 KiB firmware image through the update thread, the cable worker and a pseudo-terminal to
// the simulated communicator's bootloader at 19200 baud, the device answering at once. Prints the
// payload rate against the rate the same frames allow on the line (requests and replies at 1920 bytes
// a second, one after the other): up to the device's "OK" to "EE", and with the 15 s the program then
// waits for the device to write its flash.
//
// Two lines: one that paces only its replies (the pseudo-terminal takes a request at once), and the
// same with each request held for its time on the wire, as a real serial line does. The second is the
// figure that counts; the first shows the program's own overhead per exchange.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/FirmwareImage.h"
#include "app/UpdateThread.h"
#include "link/ComPortWorker.h"
#include "link/DevSorvel7QX1.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "ui/Application.h"

namespace {

constexpr std::uint32_t kBaud = 19200;
constexpr double kBytesPerSecond = kBaud / 10.0;
constexpr int kRows = 64 * 1024 / FirmwareRowBytes;

// The device, counting the bytes of every request and reply on the wire.
class WireDevice final : public sim::Responder {
public:
    explicit WireDevice(sim::Responder& device) : device_(device) {}
    std::string Answer(const std::string& request) override
    {
        const std::size_t onWire = request.size() + 1;  // and its CR
        std::string reply = device_.Answer(request);
        requestBytes += onWire;
        replyBytes += reply.size();
        return reply;
    }
    std::atomic<std::size_t> requestBytes{0};
    std::atomic<std::size_t> replyBytes{0};

private:
    sim::Responder& device_;
};

// Notes when the upload's last exchange ("EE") was over: the first time shown after the flashing began.
class BenchView final : public TUpdateView {
public:
    std::weak_ptr<void> ViewLiveness() const override { return alive_; }
    void StopWatchdog() override {}
    void SetProgressTotal(int) override {}
    void StepProgressBar() override { ++steps; }
    void FillProgressBar() override {}
    void ShowElapsed(std::uint64_t) override
    {
        if (flashing && !flashed) flashed = std::chrono::steady_clock::now();
    }
    void ShowElapsedAsRemaining(std::uint64_t) override {}
    void ShowRemaining(std::uint64_t) override {}
    void ShowStage(TUploadStage stage) override { flashing = flashing || stage == TUploadStage::Flashing; }
    void DisableExit() override {}
    void UploadFinished() override { finished = true; }

    int steps = 0;
    bool finished = false;
    bool flashing = false;
    std::optional<std::chrono::steady_clock::time_point> flashed;

private:
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

std::vector<std::string> Image()
{
    std::vector<std::string> lines{"REV 11.005.200"};
    static const char digits[] = "0123456789ABCDEF";
    for (int r = 0; r < kRows; ++r) {
        std::string record = ":10";
        const unsigned address = static_cast<unsigned>(r * 16);
        unsigned sum = 0x10 + (address >> 8) + (address & 0xFF);
        for (const unsigned b : {address >> 8, address & 0xFF, 0u}) {
            record += digits[b >> 4];
            record += digits[b & 15];
        }
        for (int i = 0; i < 16; ++i) {
            const unsigned b = static_cast<unsigned>(r * 7 + i * 13) & 0xFF;
            sum += b;
            record += digits[b >> 4];
            record += digits[b & 15];
        }
        const unsigned check = (0x100 - (sum & 0xFF)) & 0xFF;
        record += digits[check >> 4];
        record += digits[check & 15];
        lines.push_back(record);
    }
    return lines;
}

bool Measure(bool paceRequests, const std::vector<std::string>& image)
{
    sim::Communicator device;
    WireDevice wire(device);
    sim::Pty pty;
    sim::Line line(pty, wire);
    line.SetLineSpeed(kBaud);
    line.SetRequestPacing(paceRequests);
    TComPortWorker worker(true, true);
    worker.Open(pty.SlavePath(), br19200);
    TDevSorvel7QX1 dev(worker, nullptr);
    TDeviceBootSender sender(dev);

    ui::Application& app = ui::App();
    BenchView view;
    TUpdateThread thread(view, app);
    thread.SetImage(image);
    thread.SetDeviceController({std::shared_ptr<void>(), &sender});
    const std::uint32_t finalWaitMs = paceRequests ? TUploadOptions{}.FinalWaitMs : 0;
    thread.SetOptions({.FinalWaitMs = finalWaitMs});
    thread.SetStartTime(platform::SystemClock().NowMs());

    const auto start = std::chrono::steady_clock::now();
    thread.Start();
    while (!view.finished) app.HandleMessage();
    const double withWait = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double seconds = view.flashed ? std::chrono::duration<double>(*view.flashed - start).count() : withWait;

    const bool done = thread.Result() == TUploadResult::Done && device.FirmwareWritten();
    const double payload = kRows * FirmwareRowBytes;
    const double frames = static_cast<double>(wire.requestBytes + wire.replyBytes);
    const double lineRate = payload / (frames / kBytesPerSecond);
    const double rate = payload / seconds;
    std::printf("%s\n", paceRequests ? "line pacing requests and replies (a real serial line):"
                                     : "sorvel-sim's line (replies paced, requests taken at once):");
    std::printf("  upload %s, %d blocks, %.0f payload bytes, %.0f frame bytes (%zu requests, %zu replies)\n",
                done ? "done" : "FAILED", kRows / FirmwareBlockRows, payload, frames, wire.requestBytes.load(),
                wire.replyBytes.load());
    std::printf("  time %.3f s, payload %.1f B/s, line-limited %.1f B/s: %.1f%%%s\n", seconds, rate, lineRate,
                100.0 * rate / lineRate, paceRequests ? " (target >= 95%)" : "");
    if (!paceRequests) return done;
    const double waitSeconds = finalWaitMs / 1000.0;
    const double lineRateWithWait = payload / (frames / kBytesPerSecond + waitSeconds);
    std::printf("  with the final %.0f s wait: time %.3f s, payload %.1f B/s, line-limited %.1f B/s: %.1f%%\n",
                waitSeconds, withWait, payload / withWait, lineRateWithWait, 100.0 * payload / withWait / lineRateWithWait);
    std::printf("figure|64 KiB upload, payload rate|%.1f B/s|%.1f B/s|%.3f|>= 0.95\n", rate, lineRate, rate / lineRate);
    std::printf("figure|64 KiB upload with the final 15 s wait|%.1f B/s|%.1f B/s|%.3f|>= 0.95\n", payload / withWait,
                lineRateWithWait, payload / withWait / lineRateWithWait);
    return done;
}

}  // namespace

int main()
{
    try {
        const std::vector<std::string> image = Image();
        const bool a = Measure(false, image);
        const bool b = Measure(true, image);
        return a && b ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "bench: " << e.what() << "\n";
        return 2;
    }
}
