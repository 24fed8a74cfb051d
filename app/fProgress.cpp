#include "app/fProgress.h"

#include "ui/Layout.h"

TFormProgress* FormProgress = nullptr;

TFormProgress::TFormProgress(ui::TComponent* owner) : ui::TForm(owner)
{
    SetCaption("Прогресс");
    SetBorderStyle(ui::bsNone);
    SetAlphaBlend(true);
    SetAlphaBlendValue(215);
    SetFormStyle(ui::fsStayOnTop);
    SetPosition(ui::poMainFormCenter);
    SetClientWidth(168);
    SetClientHeight(56);
    Font().SetName("Tahoma");

    pb = ui::Create<ui::TProgressBar>(this, "pb", this);
    pb->SetWidth(150);
    Button1 = ui::Create<ui::TButton>(this, "Button1", this);
    Button1->SetCaption("Отмена");
    // Esc cancels the operation as the button does.
    Button1->SetCancel(true);
    ui::Layout::Stack(*this, {pb, Button1}, {.margin = 4, .spacing = 4, .labelGap = 8});
    for (ui::TControl* c : {static_cast<ui::TControl*>(pb), static_cast<ui::TControl*>(Button1)})
        c->SetLeft((ClientWidth() - c->Width()) / 2);

    OnCreate = [this](ui::TObject* Sender) { FormCreate(Sender); };
    Button1->OnClick = [this](ui::TObject* Sender) { Button1Click(Sender); };
}

void TFormProgress::FormCreate(ui::TObject*) { cancelled_ = false; }

void TFormProgress::Button1Click(ui::TObject*)
{
    cancelled_ = true;
    Hide();
}
