#pragma once
// Shown while the device erases its history: made (and so shown) by the history page, freed after.
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TFormWaiting : public ui::TForm {
public:
    explicit TFormWaiting(ui::TComponent* owner);
    void AfterConstruction() override;

    ui::TLabel* Label1;
};
