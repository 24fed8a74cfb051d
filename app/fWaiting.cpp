#include "app/fWaiting.h"

#include <algorithm>

TFormWaiting::TFormWaiting(ui::TComponent* owner) : ui::TForm(owner)
{
    SetCaption("FormWaiting");
    SetBorderStyle(ui::bsNone);
    SetAlphaBlend(true);
    SetAlphaBlendValue(215);
    SetPosition(ui::poMainFormCenter);
    SetClientWidth(301);
    SetClientHeight(50);

    Label1 = ui::Create<ui::TLabel>(this, "Label1", this);
    Label1->SetCaption("Пожалуйста, подождите. Идет удаление истории...");
    // The one line in the middle of the window, which widens rather than cut it.
    SetClientWidth(std::max(ClientWidth(), Label1->Width() + 16));
    Label1->SetBounds((ClientWidth() - Label1->Width()) / 2, (ClientHeight() - Label1->Height()) / 2, Label1->Width(),
                      Label1->Height());
}

// Shown once complete, so that OnShow and activation see the whole window.
void TFormWaiting::AfterConstruction()
{
    ui::TForm::AfterConstruction();
    Show();
}
