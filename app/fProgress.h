#pragma once
// The progress window of a device operation: a bar the device controller steps after every parameter
// group and a cancel button.
//
// The cancel contract with the device controller:
// - Cancelled() is false when the window is made and becomes true when the user presses "Отмена".
// - It stays true until the controller explicitly starts a new operation with Restart(). Setting up the
//   bar (Min, Max, Position, Step of pb), also a second time within one operation when the count of
//   groups grows after a version test, must not clear it: a cancel pressed between two set-ups is still
//   a cancel, and the next progress step ends the operation with TStopException.
// - The button hides the window and does nothing else: the link watchdog stays off while the cancelled
//   exchange is still running. Whoever ends the exchange (the controller, when the TStopException
//   passes) switches the watchdog on again, as after any other exchange.
#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TFormProgress : public ui::TForm {
public:
    explicit TFormProgress(ui::TComponent* owner);

    ui::TProgressBar* pb;
    ui::TButton* Button1;

    bool Cancelled() const { return cancelled_; }
    // A new operation begins with this window: forget an earlier cancel.
    void Restart() { cancelled_ = false; }

    void FormCreate(ui::TObject* Sender);
    void Button1Click(ui::TObject* Sender);

private:
    bool cancelled_ = false;
};

// The progress window of the running operation (owned by the main window); nullptr between operations.
extern TFormProgress* FormProgress;
