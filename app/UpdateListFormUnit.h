#pragma once
// The list of the firmware images the program carries, one line per hardware variant with its version.
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TFirmwareImages;

class TUpdateListForm : public ui::TForm {
public:
    // Images: the list shown; nullptr takes the update window's, or the built-in ones without it.
    explicit TUpdateListForm(ui::TComponent* Owner, const TFirmwareImages* Images = nullptr);

    void FormShow(ui::TObject* Sender);

    ui::TListBox* ListBox1;

private:
    const TFirmwareImages* images_;
};
