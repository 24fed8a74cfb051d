#include "app/fAbout.h"

#include <algorithm>
#include <string>

#include "app/fUpdateIns.h"
#include "ui/Layout.h"

TFormAbout* FormAbout = nullptr;

namespace {

// The name, and the version below it when the program file has one.
std::string ProgramText(const std::string& version)
{
    const std::string name = TFormAbout::ProgramName;
    return version.empty() ? name : name + "\nВерсия " + version;
}

}  // namespace

TFormAbout::TFormAbout(ui::TComponent* owner) : ui::TForm(owner)
{
    SetCaption("О программе");
    SetBorderStyle(ui::bsDialog);
    SetBorderIcons({ui::biSystemMenu});
    SetPosition(ui::poMainFormCenter);
    SetClientWidth(320);
    SetClientHeight(0);

    // No logo yet: the picture stays empty and takes no room.
    Image1 = ui::Create<ui::TImage>(this, "Image1", this);
    Image1->SetCenter(true);
    Image1->SetProportional(true);
    Image1->SetTransparent(true);
    Image1->SetBounds(0, 0, 0, 0);
    Image1->Hide();

    KitURLLabel1 = ui::Create<TKitURLLabel>(this, "KitURLLabel1", this);
    KitURLLabel1->SetAlignment(ui::taCenter);
    KitURLLabel1->SetWordWrap(true);
    KitURLLabel1->SetWidth(ClientWidth() - 16);
    KitURLLabel1->Hide();

    KitLabel2 = ui::Create<TKitLabel>(this, "KitLabel2", this);
    KitLabel2->SetAlignment(ui::taCenter);
    KitLabel2->SetCaption(ProgramText(ProgramFileVersion()));

    Button1 = ui::Create<ui::TButton>(this, "Button1", this);
    Button1->SetCaption("OK");
    Button1->SetModalResult(ui::mrOk);
    Button1->SetDefault(true);

    ui::Layout::Stack(*this, {KitLabel2, Button1});
    for (ui::TControl* c : {static_cast<ui::TControl*>(KitLabel2), static_cast<ui::TControl*>(Button1)})
        c->SetLeft((ClientWidth() - c->Width()) / 2);

    Button1->OnClick = [this](ui::TObject* Sender) { Button1Click(Sender); };
}

void TFormAbout::Button1Click(ui::TObject*) { Close(); }
