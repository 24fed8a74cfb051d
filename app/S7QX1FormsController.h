#pragma once
// The forms controller of the Sorvel GSM-7-QX3, the one controller object of the program: the device
// model's pages, the connection as one whole on a cable or modem line (connect dialog, port worker,
// dial dialog, device controller, cable handshake, login, version), its teardown, the feature gates
// that the firmware and the panel decide, and the device actions the pages' buttons start.
//
// Ownership per connection: the controller owns the port worker and the device controller; a
// disconnect frees the device controller first, then closes the port.
#include <memory>
#include <string>

#include "app/FormAppMainController.h"
#include "link/ComPortWorker.h"
#include "ui/Strings.h"

class TModemWorker;

class TS7QX1FormsController : public TFormAppMainController {
public:
    static constexpr int PortBaud = 19200;
    // The firmware before this build serves a Bolid panel only for an update or a disconnect.
    static constexpr int FirstBolidBuild = 109;
    // A modem call keeps at most this many numbers in the connect dialog's list.
    static constexpr int MaxStoredPhones = 5;
    // The status bar's message while the connect logs in and reads the version.
    static constexpr const char* ConnectingText = "Идет подключение к панели...";
    // The log line and the box of a master key the device refused; the connect dialog comes again.
    static constexpr const char* WrongMasterKeyText = "Неверный мастер-ключ";

    TS7QX1FormsController(TFormMain* MainForm, ui::TWinControl* PagesContainer, ui::TTreeView* Tree);
    ~TS7QX1FormsController() override;

    // The port worker of the connection (a TModemWorker on a modem line); nullptr when not connected.
    std::unique_ptr<TComPortWorker> PortWorker;

    void CreatePages() override;
    bool DoConnect() override;
    void DoDisconnect() override;
    void SetConnected(bool Connected) override;
    void ReadPage() override;

    bool OpenPort(const std::string& PortName);
    void ClosePort();
    bool DialModem(const std::string& Phone, int Proto);
    void LoadConnectSettings();
    void SaveConnectSettings();

    // The upload of a firmware file the user picks; a lost link disconnects.
    void UpdateFirmwareFromFile();

    // The main window is closing while an operation runs: the operation is cancelled and the
    // connection goes once it has ended. A page whose read it cut short keeps its stored values.
    void CancelForClose();

    // The system's serial ports (and the ports folder's links), sorted alphabetically ignoring case.
    static void FillComPortList(ui::TStrings& Items);
    // The phone box's list after a connect attempt: a new number goes first, at most five are kept.
    static void KeepPhoneList(ui::TComboBox& Phones);

protected:
    void ApplyConnectionState(bool Connected) override;
    // A cable worker that raises RTS around each write, or a modem worker; both own their port.
    virtual std::unique_ptr<TComPortWorker> CreatePortWorker(bool Modem);
    // Runs on every new device controller before its first exchange.
    virtual void PrepareDeviceController(TDeviceController& Controller);
    // A firmware update has just ended: connect again with the stored settings, without the dialog.
    virtual bool ReconnectAfterUpdate() const;

private:
    // How one pass of the connect ended: a refused master key offers the dialog again.
    enum class TConnectEnd { Connected, Failed, WrongMasterKey };
    TConnectEnd RunConnectSequence(bool Again);
    TConnectEnd LoginAndIdentify(bool Cable);
    // Says the key was refused and gets the dialog ready for another: every field kept, the key's text
    // selected with the focus on it.
    void OfferMasterKeyAgain();
    bool OldBolidConnected() const;
    void ApplyCommonPageGates(const TDeviceController& Device);
    void BuildTreeForDevice(const TDeviceController& Device);
    TModemWorker* Modem() const;
    void RestoreUnsavedPage();

    TformIncl* pageInRead_ = nullptr;
    TformIncl* unsavedPage_ = nullptr;
};
