#pragma once
// The dialog "Подключение к панели" shown before every connect: the serial port, cable or GSM modem,
// the phone number to dial, the master key, and the automatic search of the port a device hangs on.
// The forms controller fills the port list, loads the settings, shows the dialog modally, saves the
// settings whatever the answer and then reads the controls.
#include <functional>
#include <string>
#include <vector>

#include "app/FormController.h"
#include "app/IniFiles.h"
#include "kit/KitDlgBtn.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TFormConnect : public ui::TForm {
public:
    // The port names offered, in any order (the box sorts them).
    using PortLister = std::function<std::vector<std::string>()>;

    static constexpr int SearchBaud = 19200;
    static constexpr int SearchTimeoutMs = 5000;
    // What the search sends, and what a Sorvel device's version reply holds.
    static constexpr const char* SearchQuery = "+v\r\n";
    static constexpr const char* SearchAnswer = "11.005";
    static constexpr const char* FactoryMasterKey = "5816";
    static constexpr const char* NoPortText = "Выберите Com-порт, к которому подключена панель.";
    // The port box as drawn, and as wide as it grows for a long port name.
    static constexpr int PortBoxWidth = 185;
    static constexpr int MaxPortBoxWidth = 420;

    explicit TFormConnect(ui::TComponent* owner);
    ~TFormConnect() override;

    ui::TLabel* Label1;
    ui::TComboBox* ComPorts;
    ui::TSpeedButton* UpdateCOMsSpeedButton;
    ui::TLabel* Label3;
    ui::TRadioButton* rb1;
    ui::TRadioButton* rb2;
    ui::TLabel* Label2;
    ui::TComboBox* cbPhones;
    ui::TLabel* Label4;
    ui::TEdit* MKEdit;
    ui::TButton* AutoSearchButton;
    // OK closes with the OK result once a port is chosen; Cancel stops a running search or closes with
    // the Cancel result.
    TKitDialogButtons* KitDialogButtons1;

    // True while the automatic search runs; clearing it stops the search.
    bool Searching = false;

    void LoadSettings(const TMemIniFile& Ini);
    void LoadConnectKeys(const TMemIniFile& Ini);
    void SaveSettings(TMemIniFile& Ini);
    void SaveConnectKeys(TMemIniFile& Ini);

    void rb1Click(ui::TObject* Sender);
    void UpdateCOMsSpeedButtonClick(ui::TObject* Sender);
    void UpdateComPorts();
    void AutoSearchButtonClick(ui::TObject* Sender);
    // The index in ComPorts of the first port where a device answered; -1 when none did or the search
    // was cancelled.
    int AutoSearch();
    void KitDialogButtons1ClickOk(ui::TObject* Sender);
    void KitDialogButtons1ClickCancel(ui::TObject* Sender);

    // Where UpdateComPorts takes the ports from; the system's serial-port list unless set.
    void SetPortLister(PortLister Lister) { PortLister_ = std::move(Lister); }

private:
    void ApplyEnabling();
    void FitPortBox();
    void PlaceControls();

    PortLister PortLister_;
    TUnshownValues UnshownValues_;
    // The search button's click is running (from its first step to its last).
    bool SearchActive_ = false;
    bool SearchCancelled_ = false;
};

// The dialog of the connect in progress; null outside it.
extern TFormConnect* FormConnect;
