#pragma once
// What the reporting-ways and history routines ask of the device controller around their commands:
// the device, the progress window, the log, the error list and the link watchdog. The device controller
// supplies it for the connection; tests supply their own.
#include <functional>
#include <memory>
#include <string>

class TDevice;
class TLogWriter;

class TExchangeSteps {
public:
    virtual ~TExchangeSteps() = default;

    virtual TDevice& Device() = 0;
    // May be nullptr.
    virtual TLogWriter* Log() = 0;

    virtual void SetupProgress(int Count) = 0;
    // Lets window events run and steps the bar; throws TStopException once the user has cancelled.
    virtual void StepProgress() = 0;
    // Runs Body with a progress window of its own, freed afterwards whatever Body does.
    virtual void WithProgressWindow(const std::function<void()>& Body) = 0;
    // Lets pending window events run once (a stop button must be heard during a long loop).
    virtual void PumpEvents() = 0;

    virtual void LogReading(const std::string& Group) = 0;
    virtual void LogWriting(const std::string& Group) = 0;
    virtual void AddReadError(const std::string& Group) = 0;
    virtual void AddWriteError(const std::string& Group) = 0;
    virtual void AddWriteErrorDetail(const std::string& Group, const std::string& Detail) = 0;
    // The device erased its history (the operation's report says so when the link goes after it).
    virtual void HistoryErased() {}

    // The main window's link watchdog.
    virtual void SetWatchdog(bool On) = 0;
};

class TDeviceController;

// The device controller of the connection as a page routine's steps: the routine runs as one exchange
// of the controller (watchdog off, controller busy, both restored when the outermost exchange ends), so
// SetWatchdog leaves the watchdog to that rule.
class TControllerSteps final : public TExchangeSteps {
public:
    explicit TControllerSteps(TDeviceController& Controller);
    ~TControllerSteps() override;
    TControllerSteps(const TControllerSteps&) = delete;
    TControllerSteps& operator=(const TControllerSteps&) = delete;

    TDevice& Device() override;
    TLogWriter* Log() override;
    void SetupProgress(int Count) override;
    void StepProgress() override;
    void WithProgressWindow(const std::function<void()>& Body) override;
    void PumpEvents() override;
    void LogReading(const std::string& Group) override;
    void LogWriting(const std::string& Group) override;
    void AddReadError(const std::string& Group) override;
    void AddWriteError(const std::string& Group) override;
    void AddWriteErrorDetail(const std::string& Group, const std::string& Detail) override;
    void HistoryErased() override;
    void SetWatchdog(bool) override {}

private:
    struct Exchange;
    TDeviceController& controller_;
    std::unique_ptr<Exchange> exchange_;
};
