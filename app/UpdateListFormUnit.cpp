#include "app/UpdateListFormUnit.h"

#include "app/FirmwareImage.h"
#include "app/fUpdateIns.h"

TUpdateListForm::TUpdateListForm(ui::TComponent* Owner, const TFirmwareImages* Images)
    : ui::TForm(Owner), images_(Images)
{
    SetCaption("Список доступных обновлений.");
    SetPosition(ui::poScreenCenter);
    SetBounds(0, 0, 420, 200);
    ListBox1 = ui::Create<ui::TListBox>(this, "ListBox1", this);
    ListBox1->SetAlign(ui::alClient);
    OnShow = [this](ui::TObject* s) { FormShow(s); };
}

void TUpdateListForm::FormShow(ui::TObject*)
{
    ui::TStrings& items = ListBox1->Items();
    items.Clear();
    const auto fill = [&items](const TFirmwareImages& images) {
        for (std::string& line : images.ListLines()) items.Add(std::move(line));
    };
    if (images_ != nullptr) {
        fill(*images_);
    } else if (formUpdateIns != nullptr) {
        formUpdateIns->FillFirmwareList(items);
    } else {
        fill(TFirmwareImages::BuiltIn());
    }
}
