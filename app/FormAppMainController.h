#pragma once
// The forms controller bound to the main window and to the device controller: the log writer, the
// toolbar and menu state, page read and write, the error list and its window, the device actions of
// the common settings page, and the pages of the device model.
//
// Pages: every page of the program is one line of the registration table in
// FormAppMainController.cpp, in page-index order; CreatePages makes them (owned by and placed in the
// page pane, kept in their global variables) after loading the message table.
#include <array>
#include <memory>
#include <string>

#include "app/DeviceController.h"
#include "app/FormController.h"
#include "app/FormsController.h"
#include "app/MsgFileU.h"

class TFormAppMainController : public TFormsController {
public:
    TFormAppMainController(TFormMain* MainForm, ui::TWinControl* PagesContainer, ui::TTreeView* Tree);
    ~TFormAppMainController() override;

    TDeviceController* GetDeviceController() const { return DeviceController.get(); }
    // Takes over the device controller of a new connection (the connect sequence hands it in).
    void SetDeviceController(std::unique_ptr<TDeviceController> Controller);

    void CreatePages() override;
    void SetConnected(bool Connected) override;
    void DoDisconnect() override;
    std::unique_ptr<TLogWriter> CreateLog() override;
    void ReadPage() override;
    void WritePage() override;
    void ClearErrors() override;
    std::vector<std::string> ErrorLines() override;
    void ShowErrors(const std::vector<std::string>& Lines) override;
    // A depth counter: only the outermost pair disables and restores.
    void BeginOperation() override;
    void EndOperation() override;
    bool CanStartOperation() override;
    bool ExchangeRunning() override;
    void CancelExchange() override;
    void AddErrorLine(const std::string& Line) override;
    bool HistoryErasedMeanwhile() override { return DeviceController && DeviceController->HistoryErased; }

    // Device actions of the common settings page and the main window. Each does nothing without a
    // connection or while another exchange runs; a link failure disconnects; any other failure is
    // logged.
    void ResetDevice();
    void SyncDeviceTime();
    void OutputsOn();
    void OutputsOff();
    // Runs one device action inside the bracket and the exchange rules (the history page's paging,
    // erase and download too); true when it ran to its end.
    bool RunDeviceAction(const std::function<void(TDeviceController&)>& Action, bool Bracket);
    // The history page empties itself when the device has really erased (a failed erase keeps it).
    void EmptyHistoryGrid() override {}

    // The message table, loaded from "Messages.txt" in the program folder, or where an installed
    // program keeps it when the user has no copy of their own (platform::ProgramDataFile); empty when
    // that file is missing or unreadable (the log says why).
    const TMsgFile& Messages() const { return *MsgFileOwned; }
    static std::string MessagesFileName();

    int OperationDepth() const { return operationDepth_; }

protected:
    // The enabled state of the toolbar and menu commands for a connection state; EndOperation applies
    // it again when the connection came or went inside the bracket. The device model's controller
    // extends it with its own gates.
    virtual void ApplyConnectionState(bool Connected);
    // The reporting-ways and event-mask pages take the device's build here (their type lists).
    virtual void SetupPagesForDevice(int Build, bool Bolid);
    std::array<bool, 8> SavedEnabled{};
    std::unique_ptr<TDeviceController> DeviceController;

private:
    struct SavedState;
    // A device action whose end the status bar tells: Done when the device took the command, Failed
    // when it did not.
    void RunToldAction(const std::function<bool(TDeviceController&)>& Action, bool Bracket, const char* Done,
                       const char* Failed);
    void SaveControlStates();
    void RestoreControlStates();
    void SetOperationControlsEnabled(bool Enabled);

    std::unique_ptr<TMsgFile> MsgFileOwned = std::make_unique<TMsgFile>();
    // The kit's parted bars take their hint as their factory default, like the standard controls.
    HintDefaultRegistration kitBarDefaults_;
    std::unique_ptr<SavedState> saved_;
    int operationDepth_ = 0;
    bool connectedAtBegin_ = false;
};

// The message table of the program (owned by the forms controller); nullptr before it is made.
extern TMsgFile* MsgFile;
