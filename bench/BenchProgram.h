#pragma once
// The program's parts the line benchmarks run on either system: the firmware upload through the update
// thread, and the main window with its forms controller and log tree, connected through the connect
// dialog, each timed against the bytes it put on the wire.
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/FirmwareImage.h"
#include "app/S7QX1FormsController.h"
#include "app/UpdateThread.h"
#include "app/fConnect.h"
#include "app/fMain.h"
#include "bench/BenchSupport.h"
#include "link/DevSorvel7QX1.h"
#include "ui/Application.h"
#include "ui/Services.h"

namespace benchsupport {

constexpr int kUploadRows = 64 * 1024 / FirmwareRowBytes;
constexpr const char* kBenchKey = "1234";

// Notes when the upload's last exchange ("EE") was over: the first time shown after the flashing began.
class BenchView final : public TUpdateView {
public:
    using Clock = std::chrono::steady_clock;
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

// 64 KiB: Intel HEX data records of 16 bytes each after the version line.
inline std::vector<std::string> UploadImage()
{
    std::vector<std::string> lines{"REV 11.005.200"};
    for (int r = 0; r < kUploadRows; ++r) {
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

// Uploads UploadImage() through the update thread to the device behind `device`; prints the payload rate
// against the rate the same frames (wireBytes() of them, read once the upload is over) allow on the line,
// up to the device's "OK" to "EE" and with the final wait. True when the thread reports it done.
inline bool TimedUpload(TDevSorvel7QX1& device, const std::function<std::size_t()>& wireBytes)
{
    using Clock = BenchView::Clock;
    TDeviceBootSender sender(device);
    BenchView view;
    TUpdateThread thread(view, ui::App());
    thread.SetImage(UploadImage());
    thread.SetDeviceController({std::shared_ptr<void>(), &sender});
    thread.SetStartTime(platform::SystemClock().NowMs());

    const auto start = Clock::now();
    thread.Start();
    while (!view.finished) ui::App().HandleMessage();
    const double withWait = std::chrono::duration<double>(Clock::now() - start).count();
    const double seconds = std::chrono::duration<double>(view.flashed.value_or(Clock::now()) - start).count();

    const bool done = thread.Result() == TUploadResult::Done;
    const double payload = kUploadRows * FirmwareRowBytes;
    const std::size_t bytes = wireBytes();
    const double lineSeconds = static_cast<double>(bytes) / kBytesPerSecond;
    std::printf("upload %s: %.0f payload bytes, %zu frame bytes, %.3f s, %.3f s with the final wait\n",
                done ? "done" : "FAILED", payload, bytes, seconds, withWait);
    Figure("64 KiB upload, payload rate", payload / seconds, payload / lineSeconds, " B/s", ">= 0.95", 1);
    const double waitSeconds = TUploadOptions{}.FinalWaitMs / 1000.0;
    Figure("64 KiB upload with the final 15 s wait", payload / withWait, payload / (lineSeconds + waitSeconds), " B/s",
           ">= 0.95", 1);
    return done;
}

// The program's controller with its log tree behind a byte counter.
class BenchController final : public TS7QX1FormsController {
public:
    using TS7QX1FormsController::TS7QX1FormsController;
    std::unique_ptr<TLogWriter> CreateLog() override { return std::make_unique<WireLog>(TS7QX1FormsController::CreateLog()); }
    WireLog& Wire() { return static_cast<WireLog&>(*Log); }
};

// The main window, its forms controller and the log tree, connected through the connect dialog to the
// listed port whose name ends in `port`.
class ProgramSession {
public:
    explicit ProgramSession(std::string port) : port_(std::move(port))
    {
        app_.SetDialogs(&services_);
        main_ = app_.CreateForm<TFormMain>("FormMain");
        main_->Show();
        controller_ = MakeFormsController<BenchController>(main_, main_->PagesPane, main_->tv1);
        main_->FormsController = controller_.get();
    }
    ~ProgramSession()
    {
        main_->FormsController = nullptr;
        app_.SetDialogs(nullptr);
    }
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

    // Connects by cable through the connect dialog as a user does; throws when it does not.
    void Connect()
    {
        services_.AnswerModal([this](ui::TForm& form) {
            auto& dialog = static_cast<TFormConnect&>(form);
            for (int i = 0; i < dialog.ComPorts->Items().Count(); ++i)
                if (dialog.ComPorts->Items()[i].ends_with(port_)) dialog.ComPorts->SetItemIndex(i);
            dialog.rb1->SetChecked(true);
            dialog.MKEdit->SetText(kBenchKey);
            dialog.SetModalResult(ui::mrOk);
        });
        if (!controller_->Connect()) throw std::runtime_error("the program did not connect to sorvel-sim");
    }
    // Connects, runs the operation, disconnects; the time and bytes from the connect on. An operation that
    // failed or listed errors is noted (Failed).
    Lap Timed(void (TS7QX1FormsController::*operation)())
    {
        const Lap lap = benchsupport::Timed(controller_->Wire(), [&] {
            Connect();
            ((*controller_).*operation)();
        });
        const TDeviceController* device = controller_->GetDeviceController();
        failed_ = failed_ || device == nullptr || !device->Errors.Empty();
        controller_->Disconnect();
        return lap;
    }
    bool Failed() const { return failed_; }
    TFormMain& Main() { return *main_; }
    BenchController& Controller() { return *controller_; }
    ui::Application& App() { return app_; }

private:
    std::string port_;
    ui::Application app_;
    ui::ScriptedServices services_;
    TFormMain* main_ = nullptr;
    std::unique_ptr<BenchController> controller_;
    bool failed_ = false;
};

}  // namespace benchsupport
