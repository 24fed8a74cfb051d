#include "app/fIn.h"

#include "app/FormController.h"

TformIncl::TformIncl(ui::TComponent* owner) : ui::TForm(owner)
{
    SetCaption("FormIncl");
    SetBorderStyle(ui::bsNone);
    SetAlign(ui::alClient);
    SetColor(clBtnFace);
    Font().SetName("MS Sans Serif");
    Font().SetHeight(-11);
}

void TformIncl::Clear() { ClearControls(*this); }

void TformIncl::ResetMarks() { ResetControlMarks(*this); }

void TformIncl::LoadFromIni(const TMemIniFile& Ini)
{
    LoadControlsFromIni(Ini, *this, UnshownValues, [this](const ui::TControl& c) { DeviceValues.Given(c); });
}

void TformIncl::SaveToIni(TMemIniFile& Ini) { SaveControlsToIni(Ini, *this, UnshownValues); }

void TformIncl::LoadDefaults()
{
    LoadControlDefaults(*this, [this](const ui::TControl& c) { DeviceValues.Given(c); });
}
