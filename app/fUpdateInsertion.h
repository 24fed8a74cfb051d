#pragma once
// The firmware file window: the user picks an Intel HEX file and sees its bytes, sixteen to a row; and
// the upload of that file on the window thread, which the device forms controller runs from the main
// window's menu.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/FirmwareImage.h"
#include "app/FirmwareUpload.h"
#include "kit/KitButton.h"
#include "kit/KitDlgBtn.h"
#include "kit/KitPanel.h"
#include "kit/KitPrgres.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Grids.h"
#include "ui/StdCtrls.h"

class TLogWriter;

class TformUpdateInsertion : public ui::TForm {
public:
    static constexpr int InitialRows = 9;

    explicit TformUpdateInsertion(ui::TComponent* Owner);

    // Reads the file into the grid; the file as read, whole or up to its first fault, stays in File().
    void LoadFile(const std::string& FileName);
    const THexFile& File() const { return file_; }
    const std::string& FileName() const { return fileName_; }

    void KitBitBtn1Click(ui::TObject* Sender);

    ui::TStringGrid* sgHex;
    TKitGroupBox* KitGroupBox1;
    ui::TLabel* Label1;
    ui::TEdit* etPath;
    TKitBitBtn* KitBitBtn1;
    ui::TOpenDialog* openHex;
    // OK (result OK), Cancel (result Cancel) and a help button that closes nothing.
    TKitDialogButtons* KitDialogButtons1;

private:
    void CreateControls();
    void ClearGrid();

    THexFile file_;
    std::string fileName_;
};

// The program's firmware file window, made at start-up.
extern TformUpdateInsertion* formUpdateInsertion;

// What the upload from a file needs of the program. Sender nullptr: not connected.
struct TFileUpdateHost {
    std::shared_ptr<TBootSender> Sender;
    TLogWriter* Log = nullptr;
    // The main window's status-bar progress bar.
    TKitProgressBar* Progress = nullptr;
    // Taken for the time of the upload: while it is held nothing else talks to the device.
    std::function<std::shared_ptr<void>()> AcquireLink;
    std::function<void(bool)> SetWatchdog;
    std::function<void()> BeginOperation;
    std::function<void()> EndOperation;
    // A device that took a new firmware restarts: the connection's version and gates are stale.
    std::function<void()> Disconnect;
    TUploadOptions Options{.LogIt = true};
};

// Shows the window modally and, when it closes with OK, uploads the file named in etPath. Nothing is
// sent unless the whole file was read into at least one block. Failures are logged as error lines; a
// refusal to start is also shown in a box. Returns nothing when the user cancelled or nothing was sent.
// Exceptions of the link pass on once the watchdog and the operation bracket are restored.
std::optional<TUploadResult> UpdateFirmwareFromFile(TformUpdateInsertion& Window, const TFileUpdateHost& Host);

// The main window (FormMain) and its connection as the host: the device controller's senders and
// exchange guard, the forms controller's log, bracket and disconnect, the watchdog Timer1. Progress:
// the main window's status-bar progress bar.
TFileUpdateHost MainWindowFileUpdateHost(TKitProgressBar* Progress);
