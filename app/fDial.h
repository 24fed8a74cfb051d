#pragma once
// The dialog "Дозвон" through which a modem connection is made. The connection sequence sets the
// number, the bearer choice, the modem worker (its port open) and the log, and shows the dialog
// modally. "Позвонить" runs the modem's AT sequence step by step; a call that stands closes the dialog
// with the OK result, a failed one leaves it open for another try. "Отмена" stops a running sequence
// or, when none runs, closes the dialog with the Cancel result; so does the close box, which during a
// call first stops the sequence and takes the call down.
#include <cstdint>
#include <string>

#include "link/LogWriter.h"
#include "kit/KitBorder.h"
#include "link/ModemWorker.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TFormDial : public ui::TForm {
public:
    // A call that stands keeps the dialog open until the number has been on the display this long.
    static constexpr std::uint64_t MinNumberShownMs = 1500;

    explicit TFormDial(ui::TComponent* owner);
    ~TFormDial() override;

    ui::TLabel* Label1;
    ui::TImage* Image1;
    // Scrolls the number being dialled; the dialog sets only its caption.
    TKitLEDDisplay* KitLEDDisplay1;
    ui::TPanel* pStatus;
    ui::TButton* bReDial;
    ui::TButton* btnStop;

    // Set before the dialog is shown. Modem is not owned and must outlive the dialog.
    std::string Phone;
    // 1 selects the bearer "71", any other value "7".
    int Proto = 0;
    TModemWorker* Modem = nullptr;
    TLogWriter* Log = nullptr;
    // The user's cancel; the modem worker's waits read it.
    bool Cancelled = false;

    void bReDialClick(ui::TObject* Sender);
    void btnStopClick(ui::TObject* Sender);
    void FormClose(ui::TObject* Sender, ui::TCloseAction& Action);
    // The AT sequence up to the call; true once the call stands.
    bool Dial();

    // The bearer value Proto selects.
    std::string BearerValue() const { return Proto == 1 ? "71" : "7"; }
    // True while "Позвонить" runs its sequence.
    bool Dialling() const { return Dialling_; }

private:
    // Cancel, or the close box pressed meanwhile (it leaves a closing result behind).
    bool StopAsked() const;
    void LogLine(const std::string& Text) const;
    void SetStatus(const std::string& Text);
    void ShowOnDisplay(const std::string& Text);
    void KeepNumberShown();
    void ProcessMessages() const;
    void Pause(std::uint32_t Ms) const;
    // One command of the modem's initialisation; false when the sequence stops here.
    bool RunInitStep(const std::string& Status, const std::string& Command, bool (TFormDial::*Send)());
    bool SendReset();
    bool SendCheck();
    bool SendBearer();
    bool WaitForRegistration();
    // Escape and hang-up after a call that did not come about; the port stays open for another try.
    void TakeCallDown();
    void PlaceControls();

    bool Dialling_ = false;
    std::uint64_t numberShownAt_ = 0;
};

// The dialog of the dial in progress; null outside it.
extern TFormDial* FormDial;
