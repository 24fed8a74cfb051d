#pragma once
// The About window: who makes the program and where to find it. Shown modally from the main window's
// "О программе".
#include "kit/KitLabel.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TFormAbout : public ui::TForm {
public:
    static constexpr const char* MakerAddress = "https://example.org/sorvel7qx3";
    static constexpr const char* MakerName = "Sorvel GSM-7-QX3 configuration program team";

    explicit TFormAbout(ui::TComponent* owner);

    ui::TImage* Image1;
    // The maker's web address; a click opens it with the desktop's opener (SetOpener replaces it).
    TKitURLLabel* KitURLLabel1;
    TKitLabel* KitLabel2;
    ui::TButton* Button1;

    void Button1Click(ui::TObject* Sender);
};

// The About window made at start-up (owned by the application).
extern TFormAbout* FormAbout;
