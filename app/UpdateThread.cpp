#include "app/UpdateThread.h"

#include <functional>

#include "ui/Application.h"

// Turns the exchange's progress into calls of the view, posted to the window thread.
class TUpdateThread::Reporter final : public TUploadObserver {
public:
    explicit Reporter(TUpdateThread& thread) : thread_(thread) {}

    void Stage(TUploadStage stage) override
    {
        switch (stage) {
        case TUploadStage::Erasing:
            Post([stage, s = Seconds()](TUpdateView& v) {
                v.ShowStage(stage);
                v.StepProgressBar();
                v.ShowRemaining(s);
            });
            return;
        case TUploadStage::Flashing:
            Post([stage](TUpdateView& v) {
                v.DisableExit();
                v.ShowStage(stage);
            });
            return;
        default:
            Post([stage](TUpdateView& v) { v.ShowStage(stage); });
        }
    }
    void Step() override
    {
        Post([s = Seconds()](TUpdateView& v) {
            v.StepProgressBar();
            v.ShowElapsed(s);
            v.ShowRemaining(s);
        });
    }
    void Sent() override
    {
        Post([s = Seconds()](TUpdateView& v) { v.ShowElapsed(s); });
    }

    std::uint64_t Seconds() const
    {
        return thread_.options_.Clock->ElapsedSince(thread_.startMs_) / 1000;
    }

    void Post(std::function<void(TUpdateView&)> call)
    {
        thread_.app_.Post([alive = thread_.alive_, view = &thread_.view_, call = std::move(call)] {
            if (!alive.expired()) call(*view);
        });
    }

private:
    TUpdateThread& thread_;
};

TUpdateThread::TUpdateThread(TUpdateView& View, ui::Application& App)
    : view_(View), app_(App), alive_(View.ViewLiveness())
{
}

TUpdateThread::~TUpdateThread()
{
    Stop();
    WaitFor();
}

void TUpdateThread::Start()
{
    if (thread_.joinable() || ended_) throw std::logic_error("an upload thread runs once");
    thread_ = std::thread([this] { Execute(); });
}

void TUpdateThread::WaitFor()
{
    if (thread_.joinable()) thread_.join();
}

void TUpdateThread::Execute()
{
    Reporter report(*this);
    TUploadResult result = TUploadResult::Stopped;
    try {
        if (stop_) {
            result = TUploadResult::Stopped;
        } else if (sender_ == nullptr) {
            result = TUploadResult::NoDevice;
        } else {
            const TFirmwareBlocks blocks = BlocksFromImage(image_);
            if (!blocks.Usable()) {
                result = TUploadResult::BadImage;
            } else {
                report.Post([total = ProgressTotal(blocks.Blocks.size()), s = report.Seconds()](TUpdateView& v) {
                    v.StopWatchdog();
                    v.SetProgressTotal(total);
                    v.ShowElapsed(s);
                    v.ShowElapsedAsRemaining(s);
                });
                // The log is a window: nothing of this thread may write to it.
                TUploadOptions options = options_;
                options.LogIt = false;
                result = UploadFirmware(*sender_, blocks.Blocks, report, stop_, options);
                if (result == TUploadResult::Done)
                    report.Post([s = report.Seconds()](TUpdateView& v) {
                        v.FillProgressBar();
                        v.ShowElapsed(s);
                        v.ShowRemaining(s);
                    });
            }
        }
    } catch (...) {
        result = stop_ ? TUploadResult::Stopped : TUploadResult::LinkFailed;
    }
    result_ = result;
    ended_ = true;
    report.Post([](TUpdateView& v) { v.UploadFinished(); });
}
