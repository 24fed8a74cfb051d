#pragma once
// The per-connection object between the windows and the device: identifies the firmware and the
// hardware, keeps the numbers that gate features, runs one read and one write routine per parameter
// page, gathers the failures of a multi-group exchange, drives the progress window, and carries out the
// single device actions.
//
// Page routines follow one pattern: hold a TExchange for their whole run (watchdog off, controller
// busy), SetupProgress with the number of groups, then per group LogReading / LogWriting, one command
// routine, StepProgress. A read reports each group through ReadDone (app/DeviceValues.h: a failure is
// listed and leaves the group's controls without a device value), a write asks MaySend before it sends
// a group (one without a device value is held back and named) and lists a failure with AddWriteError. A
// page adds its pair of routines in its own unit (app/fGPRS.cpp defines TDeviceController::ReadGPRS) and
// one line to the exchange table in DeviceController.cpp.
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "link/Communication.h"
#include "link/DevSorvel7QX1.h"
#include "link/LogWriter.h"
#include "ui/Strings.h"

class TformIncl;

// The numbers a version text carries: "REV 11.005.120" has Major 5 and Build 120.
struct TFirmwareVersion {
    int Major = 0;
    int Build = 0;
};

// The version text of a version reply: the 14 characters from the first "REV" (from the first
// character when there is none), trimmed.
std::string CutVersionText(const std::string& Reply);
// Build: the last three characters; Major: the three before the last dot and build. Nothing when
// either is not a decimal number or the text is too short.
std::optional<TFirmwareVersion> ParseVersionNumbers(const std::string& VersionText);

class TDeviceController {
public:
    // Flash chips and panels by their codes.
    static constexpr int FlashAt45 = 0;
    static constexpr int FlashM45 = 1;
    static constexpr int PanelAltonika = 0;
    static constexpr int PanelBolid = 1;
    static constexpr int PanelParadox = 2;

    TDeviceController(TCommunication& PortWorker, TLogWriter* Log);
    ~TDeviceController();
    TDeviceController(const TDeviceController&) = delete;
    TDeviceController& operator=(const TDeviceController&) = delete;

    int FlashType = 0;
    int Cpu = 0;
    int PanelType = 0;
    ui::TStringList Errors;
    int BuildCopy = 0;
    int MajorCopy = 0;
    int Major = 0;
    int Build = 0;
    bool HistoryDirection = false;
    bool ContinueHistory = true;
    // The device erased its history during the current operation (cleared with the errors).
    bool HistoryErased = false;

    TDevSorvel7QX1& Device() { return *Device_; }
    TCommunication& PortWorker() { return PortWorker_; }
    TLogWriter* Log() const { return Log_; }

    // One exchange with the device, held for its whole run: while any is held the controller is Busy,
    // the main window's link watchdog is off, and it gets its former state back when the outermost one
    // ends, whatever happened. Exchanges started from window events (timers, buttons) test Busy() first
    // and skip when it is set: the log and the waits let such events run in the middle of an exchange.
    // A short exchange that repeats all the time (the Bolid page's poll) leaves the watchdog running:
    // switching it off and on would start its interval again each time, and it would never come round.
    class TExchange {
    public:
        enum TWatchdogUse { PauseWatchdog, LeaveWatchdog };
        explicit TExchange(TDeviceController& Controller, TWatchdogUse Watchdog = PauseWatchdog);
        ~TExchange();
        TExchange(const TExchange&) = delete;
        TExchange& operator=(const TExchange&) = delete;

    private:
        TDeviceController& Controller;
    };
    bool Busy() const { return Exchanges > 0; }
    // Runs when the outermost exchange has ended. It runs inside the routine that ended, so it must not
    // free the controller there and then (post such work to the event queue).
    std::function<void()> OnExchangesEnded;

    // Link and identity.
    bool CableConnect();
    void CableDisconnect();
    bool SendBootCommand(const std::string& Cmd, std::string& Answer, bool LogIt);
    bool SendBootCommandLong(const std::string& Cmd, std::string& Answer, bool LogIt);
    bool SendBootRecord(const std::string& Cmd, std::string& Answer, bool LogIt);
    bool MasterKeySupported();
    bool SendMasterKey(const std::string& Key);
    bool ReadVersion();
    bool PollVersion(std::string& Reply);
    // The device actions; true when the device took the command.
    bool ResetDevice();
    bool OutputsOn();
    bool OutputsOff();
    bool SyncTime();

    // Errors and progress.
    void AddReadError(const std::string& Group);
    void AddWriteError(const std::string& Group);
    void AddWriteErrorDetail(const std::string& Group, const std::string& Detail);
    ui::TStringList& GetErrors() { return Errors; }
    void ClearErrors()
    {
        Errors.Clear();
        HistoryErased = false;
    }
    void SetupProgress(int Count);
    void LogReading(const std::string& Group);
    void LogWriting(const std::string& Group);

    // Page exchange: the page's class picks its routine; the progress window lives for the call. A read
    // that ends early (cancelled, the link lost) leaves the groups it did not read without a device value.
    void ReadForm(TformIncl& Page);
    void WriteForm(TformIncl& Page);

    // The page routines; each page's unit defines its pair.
    void ReadCommon();
    void WriteCommon();
    void ReadATests();
    void WriteATests();
    void ReadGPRS();
    void WriteGPRS();
    void ReadMasks();
    void WriteMasks();
    void ReadWays(bool Flag);
    void WriteWays();
    void ReadLoops();
    void WriteLoops();
    void ReadEnNumber();
    void WriteEnNumber();
    void ReadHistory();
    void ReadBolid();

    // Feature gates of the common forms: Major > 5, or Major = 5 and Build >= n.
    bool AtLeast(int MinBuild) const { return Major > 5 || (Major == 5 && Build >= MinBuild); }
    // Major >= 5 and Build >= n, as the master-key and IMEI gates test it.
    bool MajorAndBuildAtLeast(int MinBuild) const { return Major >= 5 && Build >= MinBuild; }

    // The clock used for the PC's time (tests fix it).
    std::function<std::time_t()> Now = [] { return std::time(nullptr); };

private:
    bool ReadPanelKind();
    bool ReadHardware();
    void ReadImeiToStatus();
    bool ShowOutputsResult(bool Ok, const char* Failure);

    std::unique_ptr<TDevSorvel7QX1> Device_;
    TCommunication& PortWorker_;
    TLogWriter* Log_;
    int Exchanges = 0;
    bool WatchdogPaused = false;
    bool WatchdogWasOn = false;
};

// After every parameter group: lets window events run, shows and steps the progress window, and raises
// TStopException ("Отмена") once the user has cancelled.
void StepProgress();

// The screen cursor shows the hourglass while one of these lives.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    int Previous;
};
