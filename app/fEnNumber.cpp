#include "app/fEnNumber.h"

#include <string>

#include "app/DeviceController.h"
#include "app/FormController.h"
#include "app/InputController.h"
#include "link/DevCommands.h"
#include "ui/Layout.h"

TFormEnNumber* FormEnNumber = nullptr;

namespace {

constexpr int kNumberLength = 30;
constexpr const char* kFlagGroup = "Флаг включения инженерных номеров";
constexpr int kGroups = 6;

std::string NumberGroup(int k) { return "Инженерный номер " + std::to_string(k); }

}  // namespace

TFormEnNumber::TFormEnNumber(ui::TComponent* owner) : TformIncl(owner)
{
    using namespace ui;
    SetCaption("Инженерные номера");
    CheckBox1 = Create<TCheckBox>(this, "CheckBox1", this);
    CheckBox1->SetCaption("Флаг включения инженерных номеров");
    CheckBox1->SetHint("false");
    CheckBox1->SetWidth(260);
    GroupBox1 = Create<TGroupBox>(this, "GroupBox1", this);
    GroupBox1->SetCaption("Номера");

    std::array<TEdit**, NumberCount> fields{&etN1, &etN2, &etN3, &etN4, &etN5};
    std::vector<Layout::Row> rows;
    for (int k = 1; k <= NumberCount; ++k) {
        TLabel* label = Create<TLabel>(this, "Label" + std::to_string(k), GroupBox1);
        label->SetCaption("Номер " + std::to_string(k));
        TEdit* edit = Create<TEdit>(this, "etN" + std::to_string(k), GroupBox1);
        edit->SetMaxLength(kNumberLength);
        edit->SetWidth(220);
        edit->SetEnabled(false);
        edit->SetColor(clBtnFace);
        edit->OnKeyDown = [this](TObject* s, std::uint16_t& key, TShiftState shift) { etNKeyDown(s, key, shift); };
        Labels[static_cast<std::size_t>(k - 1)] = label;
        *fields[static_cast<std::size_t>(k - 1)] = edit;
        rows.push_back({label, edit});
    }
    Layout::Rows(*GroupBox1, rows);
    Layout::Columns(*this, {{CheckBox1, GroupBox1}});

    CheckBox1->OnClick = [this](TObject* s) { CheckBox1Click(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

TFormEnNumber::~TFormEnNumber()
{
    if (FormEnNumber == this) FormEnNumber = nullptr;
}

ui::TEdit* TFormEnNumber::NumberEdit(int k) const
{
    return dynamic_cast<ui::TEdit*>(FindComponent("etN" + std::to_string(k)));
}

bool TFormEnNumber::AllNumbersEmpty() const
{
    for (int k = 1; k <= NumberCount; ++k)
        if (!NumberEdit(k)->Text().empty()) return false;
    return true;
}

void TFormEnNumber::UpdateEnabled()
{
    if (!CheckBox1->Visible()) return;
    const bool on = CheckBox1->Checked();
    for (int k = 1; k <= NumberCount; ++k) {
        ui::TEdit* edit = NumberEdit(k);
        edit->SetEnabled(on);
        edit->SetColor(on ? clWindow : clBtnFace);
    }
}

void TFormEnNumber::FormCreate(ui::TObject*) { UpdateEnabled(); }

void TFormEnNumber::CheckBox1Click(ui::TObject*) { UpdateEnabled(); }

void TFormEnNumber::etNKeyDown(ui::TObject* Sender, std::uint16_t&, ui::TShiftState)
{
    auto* edit = dynamic_cast<ui::TEdit*>(Sender);
    if (edit == nullptr) return;
    edit->OnKeyPress = CheckBox1->Visible() ? TInputController::PhoneKeyPress : TInputController::DigitsKeyPress;
}

void TFormEnNumber::Clear()
{
    const bool on = CheckBox1->Checked();
    TformIncl::Clear();
    CheckBox1->SetChecked(on);
}

void TFormEnNumber::LoadFromIni(const TMemIniFile& Ini)
{
    TformIncl::LoadFromIni(Ini);
    UpdateEnabled();
}

void TDeviceController::ReadEnNumber()
{
    if (FormEnNumber == nullptr) return;
    const TExchange exchange(*this);
    TFormEnNumber& page = *FormEnNumber;
    SetupProgress(kGroups);
    std::string value;

    LogReading(kFlagGroup);
    if (ReadDone(*this, kFlagGroup, {page.CheckBox1}, ReadEngineerEnable(Device(), value)))
        page.CheckBox1->SetChecked(value == "00");
    StepProgress();

    for (int k = 1; k <= TFormEnNumber::NumberCount; ++k) {
        const std::string title = NumberGroup(k);
        LogReading(title);
        if (ReadDone(*this, title, {page.NumberEdit(k)}, ReadEngineerNumber(Device(), k - 1, value)))
            page.NumberEdit(k)->SetText(value);
        StepProgress();
    }
}

void TDeviceController::WriteEnNumber()
{
    if (FormEnNumber == nullptr) return;
    const TExchange exchange(*this);
    TFormEnNumber& page = *FormEnNumber;
    SetupProgress(kGroups);
    // Numbers the device did not give are not known to be empty.
    bool numbersKnown = true;
    for (int k = 1; k <= TFormEnNumber::NumberCount; ++k)
        numbersKnown = numbersKnown && !page.DeviceValues.Held({page.NumberEdit(k)});
    if (numbersKnown && page.AllNumbersEmpty()) page.CheckBox1->SetChecked(false);

    LogWriting(kFlagGroup);
    if (MaySend(*this, kFlagGroup, {page.CheckBox1}) && !WriteEngineerEnable(Device(), page.CheckBox1->Checked() ? "00" : "FF"))
        AddWriteError(kFlagGroup);
    StepProgress();

    for (int k = 1; k <= TFormEnNumber::NumberCount; ++k) {
        const std::string title = NumberGroup(k);
        LogWriting(title);
        const std::string text = page.NumberEdit(k)->Text();
        // The device takes a blank for "no number".
        const std::string number = text.empty() ? " " : text;
        if (MaySend(*this, title, {page.NumberEdit(k)})) {
            if (const auto problem = DeviceValueProblem(number)) AddWriteErrorDetail(title, *problem);
            else if (!WriteEngineerNumber(Device(), k - 1, number)) AddWriteError(title);
        }
        StepProgress();
    }
}
