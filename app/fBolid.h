#pragma once
// The Bolid live page: while it is the page on show and the program is connected, it asks the device
// every 400 ms for the latest text of the connected Bolid C2000 panel and appends it to a log box that
// the user can clear and save.
#include <string>

#include "app/fIn.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

class TDeviceController;

// The panel's text with the letters the device mangles in passing put right.
std::string MendBolidText(std::string Text);

class TformBolid : public TformIncl {
public:
    static constexpr unsigned PollIntervalMs = 400;

    explicit TformBolid(ui::TComponent* owner);
    ~TformBolid() override;

    ui::TPanel* Panel1;
    ui::TButton* Button1;
    ui::TButton* Button2;
    ui::TMemo* BolidChat;
    ui::TTimer* Timer;
    ui::TSaveDialog* SaveDialog;

    void FormShow(ui::TObject* Sender);
    void FormHide(ui::TObject* Sender);
    // One poll. A tick that finds the link taken (another exchange running, a firmware upload, the
    // link check's turn) or no connection sends nothing.
    void TimerTimer(ui::TObject* Sender);
    void Button1Click(ui::TObject* Sender);
    void Button2Click(ui::TObject* Sender);

    // A received text, mended, as a new line of the log box; an empty one adds nothing.
    void AddReceived(const std::string& Text);
    // Whether the poll under way read the panel's text.
    void PollRead(bool Read) { read_ = Read; }

private:
    void Poll(TDeviceController& Device);

    bool read_ = false;
};

extern TformBolid* formBolid;
