#pragma once
// The About window: the program's banner, its name and version. Shown modally from the main window's
// "О программе".
#include "kit/KitLabel.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TFormAbout : public ui::TForm {
public:
    static constexpr const char* ProgramName = "Программа настройки \"Sorvel GSM-7-QX3\"";
    // The name the banner across the top shows.
    static constexpr const char* BannerName = "Sorvel GSM-7-QX3";
    static constexpr int BannerHeight = 64;

    explicit TFormAbout(ui::TComponent* owner);

    // The banner, drawn at creation.
    ui::TImage* Image1;
    // The maker's web address, when one is known; the program knows none, so the label stays hidden
    // rather than point anywhere else. A click opens the address with the desktop's opener.
    TKitURLLabel* KitURLLabel1;
    // The program's name and, below it, its version (the program file's, as in the main window's title).
    TKitLabel* KitLabel2;
    ui::TButton* Button1;

    void Button1Click(ui::TObject* Sender);
};

// The About window made at start-up (owned by the application).
extern TFormAbout* FormAbout;
