#pragma once
// The firmware update window: the image that fits the connected device against the device's version,
// the upload of that image on its own thread, its progress, times and result, and the way out.
//
// State: 0 idle, 1 upload running, 2 failed (or stopped), 3 done. The state leaves 1 only when the
// upload thread has ended and been joined, so nothing closes the window, disconnects or frees the link
// under a running upload.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/FirmwareImage.h"
#include "app/UpdateThread.h"
#include "kit/KitPrgres.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

// What the window needs from the rest of the program; the main window fills it in. Unset members do
// nothing (Sender: no connection).
struct TUpdateHost {
    // The connected device's bootloader senders; nullptr when not connected.
    std::function<std::shared_ptr<TBootSender>()> Sender;
    // Taken for the time of the upload: while it is held nothing else talks to the device.
    std::function<std::shared_ptr<void>()> AcquireLink;
    // The forms controller's operation bracket (toolbar, menus and page tree disabled).
    std::function<void()> BeginOperation;
    std::function<void()> EndOperation;
    std::function<void(bool)> SetMainEnabled;
    // The main window's link watchdog (Timer1).
    std::function<void(bool)> SetWatchdog;
    // Panel 1 of the main window's status bar: the device's version text.
    std::function<std::string()> DeviceVersionText;
    std::function<void(const std::string&)> SetDeviceVersionText;
    std::function<void()> Disconnect;
};

class TformUpdateIns : public ui::TForm, public TUpdateView {
public:
    enum { StateIdle = 0, StateRunning = 1, StateFailed = 2, StateDone = 3 };
    static constexpr std::uint32_t ExitCountdownMs = 20'000;

    explicit TformUpdateIns(ui::TComponent* Owner);
    ~TformUpdateIns() override;

    void SetHost(TUpdateHost Host) { host_ = std::move(Host); }
    // Tests shorten the final wait and bring their own clock.
    void SetUploadOptions(const TUploadOptions& Options) { options_ = Options; }

    void LoadFirmwareImages();
    TFirmwareImages& Images() { return images_; }
    const TFirmwareImages& Images() const { return images_; }
    static int SelectFirmwareImage(int PanelType, int Cpu, int FlashType, int Major, int Build);
    void GetImageVersion(int Index, int& Major, int& Build) const;
    // Also remembers the image chosen, which the window then offers.
    bool FirmwareUpdateAvailable(int PanelType, int Cpu, int FlashType, int Major, int Build);
    void FillFirmwareList(ui::TStrings& Items) const;
    int SelectedImage() const { return selected_; }

    int State() const { return state_; }
    void SetState(int S) { state_ = S; }
    bool Uploading() const { return thread_ != nullptr; }
    // Stops a running upload and waits for its thread, letting window events run meanwhile; the window
    // then shows the failed state. The main window calls it before it closes or disconnects.
    void StopUpload();

    void FormShow(ui::TObject* Sender);
    void btnUpdateVerClick(ui::TObject* Sender);
    void btnExitClick(ui::TObject* Sender);

    ui::TLabel* Label1;
    ui::TLabel* lbNewName;
    ui::TLabel* Label2;
    ui::TLabel* lbOldName;
    TKitProgressBar* KitProgressBar1;
    ui::TLabel* lbTimeAfterHead;
    ui::TLabel* lbTimeAfter;
    ui::TLabel* lbTimeLostHead;
    ui::TLabel* lbTimeLost;
    ui::TLabel* lbError;
    ui::TButton* btnUpdateVer;
    ui::TButton* btnExit;
    ui::TMemo* memResA_AT;
    ui::TMemo* memResA_M;
    ui::TMemo* memResB_AT;
    ui::TMemo* memResB_M;

    // TUpdateView: the upload thread's window updates.
    std::weak_ptr<void> ViewLiveness() const override { return Liveness(); }
    void StopWatchdog() override;
    void SetProgressTotal(int Total) override;
    void StepProgressBar() override;
    void FillProgressBar() override;
    void ShowElapsed(std::uint64_t Seconds) override;
    void ShowElapsedAsRemaining(std::uint64_t Seconds) override;
    void ShowRemaining(std::uint64_t ElapsedSeconds) override;
    void ShowStage(TUploadStage Stage) override;
    void DisableExit() override;
    void UploadFinished() override;
    void ShowDone();
    void ShowFailed();

private:
    void CreateControls();
    void ShowTimeLabels(bool Visible);
    void ShowStatus(const std::string& Text, TColor Color);
    void Leave(bool Disconnect);
    void CountDownToExit();

    TUpdateHost host_;
    TUploadOptions options_;
    TFirmwareImages images_;
    int selected_ = 0;
    int state_ = StateIdle;
    std::unique_ptr<TUpdateThread> thread_;
};

// The program's firmware update window, made at start-up.
extern TformUpdateIns* formUpdateIns;

// The main window (FormMain) and its connection as the update window's host: the device controller's
// senders, its exchange guard, the forms controller's bracket and disconnect, the watchdog Timer1 and
// the version panel of the status bar.
TUpdateHost MainWindowUpdateHost();

// The version text of a program file (FileVersion of its version resource; on Linux the program's own
// version for the running program's file); empty for a file without one, an empty name or a file that
// does not exist.
void GetFileVersion(const std::string& FileName, std::string& Version);
// The running program file's version (GetFileVersion of the program itself).
std::string ProgramFileVersion();
