#pragma once
// The splash window shown while the program starts.
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TFormLoad : public ui::TForm {
public:
    explicit TFormLoad(ui::TComponent* owner);

    ui::TLabel* Label1;
};
