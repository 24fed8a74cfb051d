#pragma once
// The upload of a built-in image on a thread of its own. The thread talks to the device only; every
// change of the window is posted to the window thread's queue, so it never waits for the window and the
// window may wait for it (an exit during the upload stops the thread and waits for it to end).
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/FirmwareUpload.h"

namespace ui {
class Application;
}

// The update window as the thread sees it; every call runs on the window thread.
class TUpdateView {
public:
    virtual ~TUpdateView() = default;
    // Expires when the view is gone: posted calls that arrive later do nothing.
    virtual std::weak_ptr<void> ViewLiveness() const = 0;

    virtual void StopWatchdog() = 0;
    virtual void SetProgressTotal(int Total) = 0;
    virtual void StepProgressBar() = 0;
    virtual void FillProgressBar() = 0;
    virtual void ShowElapsed(std::uint64_t Seconds) = 0;
    virtual void ShowElapsedAsRemaining(std::uint64_t Seconds) = 0;
    virtual void ShowRemaining(std::uint64_t ElapsedSeconds) = 0;
    virtual void ShowStage(TUploadStage Stage) = 0;
    virtual void DisableExit() = 0;
    // The last call of every run, once the thread has done its last exchange: the view joins the
    // thread and shows the result.
    virtual void UploadFinished() = 0;
};

class TUpdateThread {
public:
    // The progress parts of an image: one per block and 104 for the steps around them and the final wait.
    static int ProgressTotal(std::size_t Blocks) { return static_cast<int>(Blocks) + 104; }

    // App: the application whose window thread gets the view's calls.
    TUpdateThread(TUpdateView& View, ui::Application& App);
    // Stops the upload and waits for it.
    ~TUpdateThread();
    TUpdateThread(const TUpdateThread&) = delete;
    TUpdateThread& operator=(const TUpdateThread&) = delete;

    // Line 0 the version line, then the HEX lines.
    void SetImage(const std::vector<std::string>& Lines) { image_ = Lines; }
    // nullptr: there is no connection and the run fails at once.
    void SetDeviceController(std::shared_ptr<TBootSender> Sender) { sender_ = std::move(Sender); }
    // Milliseconds on the options' clock.
    void SetStartTime(std::uint64_t Ms) { startMs_ = Ms; }
    void SetOptions(const TUploadOptions& Options) { options_ = Options; }
    // The device controller's exchange guard: held from here until this object goes, which is on the
    // window thread after the join, since the guard works the window thread's timers.
    void SetLinkGuard(std::shared_ptr<void> Guard) { guard_ = std::move(Guard); }

    void Start();
    // Asks the upload to stop; a send already under way finishes (or times out) first.
    void Stop() { stop_ = true; }
    bool StopRequested() const { return stop_.load(); }
    // True once the thread has done its last exchange (it may still be posting).
    bool Ended() const { return ended_.load(); }
    // Joins the thread (nothing when it never started or was joined).
    void WaitFor();
    // Meaningful once Ended.
    TUploadResult Result() const { return result_.load(); }

private:
    class Reporter;
    void Execute();

    TUpdateView& view_;
    ui::Application& app_;
    std::weak_ptr<void> alive_;
    std::vector<std::string> image_;
    std::shared_ptr<TBootSender> sender_;
    std::uint64_t startMs_ = 0;
    TUploadOptions options_;
    std::shared_ptr<void> guard_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> ended_{false};
    std::atomic<TUploadResult> result_{TUploadResult::Stopped};
    std::thread thread_;
};
