#include "app/fLoad.h"

#include <algorithm>

TFormLoad::TFormLoad(ui::TComponent* owner) : ui::TForm(owner)
{
    SetCaption("Зугрузка");
    SetBorderStyle(ui::bsNone);
    SetBorderIcons({});
    SetColor(clWhite);
    SetAlphaBlend(true);
    SetAlphaBlendValue(200);
    SetPosition(ui::poScreenCenter);
    SetClientWidth(388);
    SetClientHeight(47);

    Label1 = ui::Create<ui::TLabel>(this, "Label1", this);
    Label1->Font().SetName("Tahoma");
    Label1->Font().SetHeight(-17);
    Label1->Font().SetStyle({ui::fsBold});
    Label1->Font().SetColor(clActiveCaption);
    Label1->SetColor(clWhite);
    Label1->SetCaption("Программа настройки SorvelGSM-7-QX3");
    // The one line in the middle of the window, which widens rather than cut it.
    SetClientWidth(std::max(ClientWidth(), Label1->Width() + 16));
    Label1->SetBounds((ClientWidth() - Label1->Width()) / 2, (ClientHeight() - Label1->Height()) / 2, Label1->Width(),
                      Label1->Height());
}
