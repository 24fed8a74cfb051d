#pragma once
// The base of every parameter page. The forms controller calls the five operations on whichever page
// it handles; the base hands the page to the generic routines of FormController, and a page overrides
// an operation where it has controls those routines do not cover or work to do after them.
#include "app/DeviceValues.h"
#include "app/FormController.h"
#include "app/IniFiles.h"
#include "ui/Forms.h"

class TformIncl : public ui::TForm {
public:
    // Borderless, filling the page pane it is placed in.
    explicit TformIncl(ui::TComponent* owner);

    // Before the page is read from the device.
    virtual void Clear();
    // Before the page is written to the device.
    virtual void ResetMarks();
    // Section = the page's Name. Every control the file gives a value holds one of the user's.
    virtual void LoadFromIni(const TMemIniFile& Ini);
    virtual void SaveToIni(TMemIniFile& Ini);
    // The factory defaults: every control's hint. Every control whose value they change holds one of
    // the user's; one without a default, or already showing it, keeps what it held.
    virtual void LoadDefaults();

    // Which of the page's groups hold no device value.
    TDeviceValues DeviceValues;
    // List positions the last file loaded gave that the page cannot show, kept for the next save.
    TUnshownValues UnshownValues;
};
