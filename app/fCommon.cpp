#include "app/fCommon.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <optional>

#include "app/DeviceController.h"
#include "app/FormAppMainController.h"
#include "app/InputController.h"
#include "app/fMain.h"
#include "link/DevCommands.h"
#include "link/SmallRoutines.h"
#include "platform/CalendarTime.h"
#include "platform/Text.h"
#include "ui/Application.h"
#include "ui/Layout.h"

TFormCommon* FormCommon = nullptr;

namespace {

// The signal level the device reports when it has none.
constexpr int kNoSignal = 99;

std::optional<int> HexValue(std::string_view text)
{
    if (text.empty() || text.size() > 8) return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (!std::isxdigit(u)) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(std::isdigit(u) ? c - '0' : std::toupper(u) - 'A' + 10);
    }
    return static_cast<int>(value);
}

std::string TwoHexDigits(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value));
    return text;
}

template <class T>
T* Make(ui::TForm* form, const char* name, ui::TWinControl* parent, const char* caption = nullptr,
        const char* hint = nullptr)
{
    T* control = ui::Create<T>(form, name, parent);
    if (caption != nullptr) control->SetCaption(caption);
    if (hint != nullptr) control->SetHint(hint);
    return control;
}

// Room for the wrapped label of the Altonika number option, and for a check box without a caption.
constexpr int kAltsectTextWidth = 290;
constexpr int kBareCheckWidth = 17;
// A level's number beside its bar: two digits.
constexpr int kLevelWidth = 40;

// The kit's radio button keeps its size; it is made wide enough for its glyph and the caption beside it.
void FitKitRadio(TKitRadioButton& r)
{
    const int needed = ui::TextWidthEstimate(r.Caption(), r.Font()) + r.GlyphWidth() + 8;
    if (r.Width() < needed) r.SetWidth(needed);
}

ui::TLabel* MakeLabel(ui::TForm* form, const char* name, ui::TWinControl* parent, const char* caption)
{
    return Make<ui::TLabel>(form, name, parent, caption);
}

}  // namespace

// ------------------------------------------------------------------ value routines

void DeviceDateToText(std::string& S)
{
    if (S.empty()) return;
    S = platform::Copy(S, 7, 2) + "/" + platform::Copy(S, 4, 2) + "/" + platform::Copy(S, 1, 2) +
        platform::Copy(S, 9, static_cast<long long>(platform::Utf8Length(S)));
}

void BinStrToHex(std::string& S) { S = TwoHexDigits(BitStringToByte(S)); }

bool HexToBinStr(std::string& S)
{
    S = platform::AsciiUpper(platform::Trim(S));
    if (S.size() < 2) return false;
    const auto value = HexValue(std::string_view(S).substr(0, 2));
    if (!value) return false;
    S = ByteToBitString(*value);
    return true;
}

int HexTextValue(const std::string& Text) { return HexValue(Text).value_or(0); }

// ------------------------------------------------------------------ the page

TFormCommon::TFormCommon(ui::TComponent* owner) : TformIncl(owner)
{
    SetCaption("Общие настройки");
    if (FormCommon == nullptr) FormCommon = this;
    CreateControls();
    PlaceControls();
    BindHandlers();
}

TFormCommon::~TFormCommon()
{
    if (FormCommon == this) FormCommon = nullptr;
}

void TFormCommon::CreateControls()
{
    GroupBox1 = Make<ui::TGroupBox>(this, "GroupBox1", this, "Объект");
    lbO = MakeLabel(this, "lbO", GroupBox1, "Номер объекта");
    etO = Make<ui::TEdit>(this, "etO", GroupBox1, nullptr, "0050");
    etO->SetMaxLength(4);
    etO->SetCharCase(ui::ecUpperCase);
    lbTime = MakeLabel(this, "lbTime", GroupBox1, "Время на устройстве");
    etTime = Make<ui::TEdit>(this, "etTime", GroupBox1);
    etTime->SetReadOnly(true);
    etTime->SetWidth(130);
    btnSync = Make<ui::TButton>(this, "btnSync", GroupBox1, "Синхронизировать");
    btnSync->SetWidth(130);

    GroupBox2 = Make<ui::TGroupBox>(this, "GroupBox2", this, "Уровень GSM");
    lbSignal = MakeLabel(this, "lbSignal", GroupBox2, "Сигнал");
    PSignal = Make<TKitProgressBar>(this, "PSignal", GroupBox2, nullptr, "0");
    PSignal->SetTotalParts(SignalParts);
    PSignal->SetBounds(0, 0, 150, 17);
    etSignal = Make<ui::TEdit>(this, "etSignal", GroupBox2);
    etSignal->SetReadOnly(true);
    etSignal->SetWidth(kLevelWidth);
    lbError = MakeLabel(this, "lbError", GroupBox2, "Ошибки");
    PEr = Make<TKitProgressBar>(this, "PEr", GroupBox2, nullptr, "0");
    PEr->SetTotalParts(ErrorParts);
    PEr->SetBounds(0, 0, 150, 17);
    etError = Make<ui::TEdit>(this, "etError", GroupBox2);
    etError->SetReadOnly(true);
    etError->SetWidth(kLevelWidth);

    GroupBox3 = Make<ui::TGroupBox>(this, "GroupBox3", this, "Тестирование выходов 1 и 2");
    btnOnOuts = Make<ui::TButton>(this, "btnOnOuts", GroupBox3, "Включить оба выхода");
    btnOffOuts = Make<ui::TButton>(this, "btnOffOuts", GroupBox3, "Отключить оба выхода");
    Button1 = Make<ui::TButton>(this, "Button1", GroupBox3, "Перезагрузить панель");
    for (ui::TButton* b : {btnOnOuts, btnOffOuts, Button1}) b->SetWidth(160);

    GroupBox4 = Make<ui::TGroupBox>(this, "GroupBox4", this, "Параметры голосового Contact ID");
    rbSlowCID1 = Make<ui::TRadioButton>(this, "rbSlowCID1", GroupBox4, "Стандартный Contact ID и тоновый набор", "true");
    rbSlowCID2 = Make<ui::TRadioButton>(this, "rbSlowCID2", GroupBox4, "Замедленный Contact ID и тоновый набор", "false");

    GroupBox5 = Make<ui::TGroupBox>(this, "GroupBox5", this, "Тип передающей панели");
    rbAlt = Make<ui::TRadioButton>(this, "rbAlt", GroupBox5, "Altonika", "true");
    rbPar = Make<ui::TRadioButton>(this, "rbPar", GroupBox5, "Paradox", "false");
    GroupBox5->Hide();

    GroupBox6 = Make<ui::TGroupBox>(this, "GroupBox6", this, "Номер раздела для сообщений панели Altonika");
    cbIARazd = Make<ui::TCheckBox>(this, "cbIARazd", GroupBox6, "Не использовать", "true");
    lbARazd = MakeLabel(this, "lbARazd", GroupBox6, "Номер раздела");
    cbARazd = Make<ui::TComboBox>(this, "cbARazd", GroupBox6, nullptr, "0");
    cbARazd->SetStyle(ui::csDropDownList);
    for (int i = 1; i <= 99; ++i) cbARazd->Items().Add(std::to_string(i));
    lbAltsect = MakeLabel(this, "lbAltsect", GroupBox6,
                          "Изменять номера объектов Альтоники на номер\r\n"
                          "Sorvel GSM-7-QX3, изменять номер раздела на номера объектов Альтоники");
    // Its two long lines wrap within the column; the box it labels stands at its left.
    lbAltsect->SetWordWrap(true);
    lbAltsect->SetWidth(kAltsectTextWidth);
    cbAltsect = Make<ui::TCheckBox>(this, "cbAltsect", GroupBox6, nullptr, "false");
    cbAltsect->SetWidth(kBareCheckWidth);
    GroupBox6->Hide();

    KitGroupBox1 = Make<TKitGroupBox>(this, "KitGroupBox1", this, "&Номер объекта");
    KitGroupBox1->SetGroupStyle(gsStandard);
    KitGroupBox1->SetWidth(0);
    KitRadioButton1 = Make<TKitRadioButton>(this, "KitRadioButton1", KitGroupBox1, "НО Альтоники записывать в НО  7QX3", "true");
    KitRadioButton2 =
        Make<TKitRadioButton>(this, "KitRadioButton2", KitGroupBox1, "НО Альтоники записывать в номер раздела  7QX3", "false");
    KitRadioButton3 = Make<TKitRadioButton>(this, "KitRadioButton3", KitGroupBox1, "НО - сумма НО Альтоники и НО 7QX3", "false");
    // The designed choice: the hints name it, but no generic routine reads a kit radio button's hint.
    KitRadioButton1->SetChecked(true);
    for (TKitRadioButton* r : {KitRadioButton1, KitRadioButton2, KitRadioButton3}) FitKitRadio(*r);
    KitGroupBox1->Hide();

    ParadoxBox = Make<ui::TGroupBox>(this, "ParadoxBox", this, "Номера подсистем");
    for (int i = 0; i < 8; ++i) {
        const std::string name = "ParED" + std::to_string(i);
        const std::string hint = "000" + std::to_string(i + 1);
        ParED[i] = Make<ui::TEdit>(this, name.c_str(), ParadoxBox, nullptr, hint.c_str());
        ParED[i]->SetMaxLength(4);
    }
    ParadoxBox->Hide();

    MKBox = Make<ui::TGroupBox>(this, "MKBox", this, "Мастер-ключ");
    MKEdit = Make<ui::TEdit>(this, "MKEdit", MKBox);
    MKEdit->SetMaxLength(4);
    MKEdit->SetText("5816");

    ImeiIdent = Make<ui::TGroupBox>(this, "ImeiIdent", this, "Протокол IMEI ident");
    ImeiIdentCh = Make<ui::TCheckBox>(this, "ImeiIdentCh", ImeiIdent, "задействовать");
    ImeiLabel = MakeLabel(this, "ImeiLabel", ImeiIdent, "000000000000000");
}

void TFormCommon::PlaceControls()
{
    using ui::Layout::Rows;
    Rows(*GroupBox1, {{lbO, etO}, {lbTime, etTime}, {nullptr, btnSync}});
    Rows(*GroupBox2, {{lbSignal, PSignal, etSignal}, {lbError, PEr, etError}});
    Rows(*GroupBox3, {{nullptr, btnOnOuts}, {nullptr, btnOffOuts}, {nullptr, Button1}});
    Rows(*GroupBox4, {{nullptr, rbSlowCID1}, {nullptr, rbSlowCID2}});
    Rows(*GroupBox5, {{nullptr, rbAlt}, {nullptr, rbPar}});
    // The firmware shows either the first three or the last row; the bare box stands left of its text.
    Rows(*GroupBox6, {{nullptr, cbIARazd}, {lbARazd, cbARazd}, {cbAltsect, lbAltsect}});
    Rows(*KitGroupBox1, {{nullptr, KitRadioButton1}, {nullptr, KitRadioButton2}, {nullptr, KitRadioButton3}});
    std::vector<ui::Layout::Row> paradox;
    for (ui::TEdit* edit : ParED) paradox.push_back({nullptr, edit});
    Rows(*ParadoxBox, paradox);
    Rows(*MKBox, {{nullptr, MKEdit}});
    Rows(*ImeiIdent, {{nullptr, ImeiIdentCh}, {nullptr, ImeiLabel}});
    // The boxes a connected firmware shows keep their room from the start: nothing moves on a connect.
    ui::Layout::Columns(*this,
                        {{GroupBox1, GroupBox2, GroupBox3},
                         {GroupBox4, GroupBox5, GroupBox6, KitGroupBox1},
                         {MKBox, ImeiIdent, ParadoxBox}},
                        {.reserveHidden = true});
}

void TFormCommon::BindHandlers()
{
    // The number fields take hexadecimal digits from the first key on, not only once they have changed.
    etO->OnKeyPress = TInputController::HexKeyPress;
    for (ui::TEdit* edit : ParED) edit->OnKeyPress = TInputController::HexKeyPress;
    etO->OnChange = [this](ui::TObject* s) { etOChange(s); };
    etO->OnExit = [this](ui::TObject* s) { etOExit(s); };
    KitRadioButton3->OnClick = [this](ui::TObject* s) { KitRadioButton3Click(s); };
    cbIARazd->OnClick = [this](ui::TObject* s) { cbIARazdClick(s); };
    for (ui::TEdit* edit : ParED) edit->OnChange = [this](ui::TObject* s) { ParED0Change(s); };
    btnSync->OnClick = [this](ui::TObject* s) { btnSyncClick(s); };
    Button1->OnClick = [this](ui::TObject* s) { Button1Click(s); };
    btnOnOuts->OnClick = [this](ui::TObject* s) { btnOnOutsClick(s); };
    btnOffOuts->OnClick = [this](ui::TObject* s) { btnOffOutsClick(s); };
    ImeiLabel->OnClick = [this](ui::TObject* s) { ImeiLabelClick(s); };
}

void TFormCommon::ApplySectionEnabling()
{
    const bool used = !cbIARazd->Checked();
    cbARazd->SetEnabled(used);
    lbARazd->SetEnabled(used);
}

void TFormCommon::LoadFromIni(const TMemIniFile& Ini)
{
    TformIncl::LoadFromIni(Ini);
    ApplySectionEnabling();
    ShowLevelsOfFields();
}

void TFormCommon::LoadDefaults()
{
    // The master key opens the device: the factory's settings of the page leave it as the user has it.
    const std::string masterKey = MKEdit->Text();
    TformIncl::LoadDefaults();
    MKEdit->SetText(masterKey);
}

void TFormCommon::ShowLevelsOfFields()
{
    const auto parts = [](const ui::TEdit& field, int none) {
        const int value = platform::ParseInteger(platform::Trim(field.Text())).value_or(0);
        return static_cast<std::uint32_t>(value == none || value < 0 ? 0 : value);
    };
    PSignal->SetPartsComplete(parts(*etSignal, kNoSignal));
    PEr->SetPartsComplete(parts(*etError, -1));
}

void TFormCommon::cbIARazdClick(ui::TObject*) { ApplySectionEnabling(); }

void TFormCommon::etOChange(ui::TObject*)
{
    etO->OnKeyPress = TInputController::HexKeyPress;
    if (KitRadioButton3->Checked() && HexTextValue(etO->Text()) > 32768) etO->SetText("8000");
    if (etO->Text() == "0000") etO->SetText("0050");
}

void TFormCommon::etOExit(ui::TObject*)
{
    if (HexTextValue(etO->Text()) < 1) etO->SetText("0050");
}

void TFormCommon::KitRadioButton3Click(ui::TObject*)
{
    if (HexTextValue(etO->Text()) > 32768) etO->SetText("8000");
}

void TFormCommon::ParED0Change(ui::TObject* Sender)
{
    if (auto* edit = ui::As<ui::TEdit>(Sender)) edit->OnKeyPress = TInputController::HexKeyPress;
}

namespace {

TFormAppMainController* Controller() { return FormMain != nullptr ? FormMain->FormsController : nullptr; }

}  // namespace

void TFormCommon::btnSyncClick(ui::TObject*)
{
    if (TFormAppMainController* c = Controller()) c->SyncDeviceTime();
}

void TFormCommon::Button1Click(ui::TObject*)
{
    if (TFormAppMainController* c = Controller()) c->ResetDevice();
}

void TFormCommon::btnOnOutsClick(ui::TObject*)
{
    if (TFormAppMainController* c = Controller()) c->OutputsOn();
}

void TFormCommon::btnOffOutsClick(ui::TObject*)
{
    if (TFormAppMainController* c = Controller()) c->OutputsOff();
}

void TFormCommon::ImeiLabelClick(ui::TObject*)
{
    ui::App().ClipboardText().SetText(ImeiLabel->Caption());
    TFormAppMainController* c = Controller();
    if (c != nullptr && c->GetDeviceController() != nullptr && c->Log)
        c->Log->AddInfo("IMEI скопирован в буфер обмена.");
}

// ------------------------------------------------------------------ exchange with the device

namespace {

// Old firmware knows the panel type as a setting of its own.
bool OldFirmware(const TDeviceController& d) { return d.Major < 5 || (d.Major == 5 && d.Build < 49); }

bool SectionFirstForm(const TDeviceController& d) { return d.Major == 5 && d.Build >= 46 && d.Build < 49; }

bool NumberChangeBox(const TDeviceController& d)
{
    return (d.Major > 5 || (d.Major == 5 && d.Build >= 49 && d.Build < 70)) && FormCommon->GroupBox6->Visible();
}

bool NumberRadios(const TDeviceController& d) { return d.AtLeast(70) && FormCommon->KitGroupBox1->Visible(); }

bool IsDecimalDigits(const std::string& text, std::size_t count)
{
    if (text.size() != count) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

constexpr const char* kObjectGroup = "№ объекта";
constexpr const char* kClockGroup = "Время";
constexpr const char* kSignalGroup = "Сигнал";
constexpr const char* kPanelGroup = "Тип передающей панели";
constexpr const char* kNumberChangeGroup = "Изменение номеров для панели Altonika";
constexpr const char* kSubsystemsGroup = "Номера подсистем";
constexpr const char* kImeiIdentGroup = "Протокол IMEI ident";
constexpr const char* kMasterKeyGroup = "Мастер-ключ";
// The read's error names the key with the device's long-standing spelling.
constexpr const char* kMasterKeyReadGroup = "Местер-ключ";

TGroupControls NumberRadioGroup(const TFormCommon& Page)
{
    return {Page.KitRadioButton1, Page.KitRadioButton2, Page.KitRadioButton3};
}

TGroupControls SubsystemGroup(const TFormCommon& Page) { return {std::begin(Page.ParED), std::end(Page.ParED)}; }

}  // namespace

void TDeviceController::ReadCommon()
{
    if (FormCommon == nullptr) return;
    const TExchange exchange(*this);
    TFormCommon& page = *FormCommon;
    SetupProgress(Major < 5 || Build < 96 ? 9 : MajorAndBuildAtLeast(120) ? 11 : 10);
    std::string value;

    const auto group = [this](const char* title, const TGroupControls& controls, const std::function<bool()>& read) {
        LogReading(title);
        ReadDone(*this, title, controls, read());
        StepProgress();
    };

    group(kObjectGroup, {page.etO}, [&] {
        if (!ReadObjectNumber(Device(), value)) return false;
        page.etO->SetText(value);
        return true;
    });
    group(kClockGroup, {page.etTime}, [&] {
        if (!ReadClock(Device(), value)) return false;
        const auto length = static_cast<long long>(platform::Utf8Length(value));
        std::string shown = platform::Copy(value, 1, length - 3);
        DeviceDateToText(shown);
        page.etTime->SetText(shown);
        return true;
    });
    group(kSignalGroup, {page.etSignal, page.etError}, [&] {
        if (!ReadSignalQuality(Device(), value) || value.empty()) return false;
        const auto signal = HexValue(platform::Copy(value, 1, 2));
        const auto error = HexValue(platform::Copy(value, 3, 2));
        if (!signal || !error) return false;
        page.etSignal->SetText(std::to_string(*signal));
        page.PSignal->SetPartsComplete(static_cast<std::uint32_t>(*signal == kNoSignal ? 0 : *signal));
        const int errors = *error == kNoSignal ? TFormCommon::ErrorParts : *error;
        page.etError->SetText(std::to_string(errors));
        page.PEr->SetPartsComplete(static_cast<std::uint32_t>(errors));
        return true;
    });
    if (OldFirmware(*this)) {
        group(kPanelGroup, {page.rbAlt, page.rbPar}, [&] {
            if (!ReadPanelType(Device(), value)) return false;
            if (value == "00") page.rbAlt->SetChecked(true);
            else if (value == "FE") page.rbPar->SetChecked(true);
            else return false;
            return true;
        });
    }
    group("Параметры голосового Contact ID", {page.rbSlowCID1, page.rbSlowCID2}, [&] {
        if (!ReadVoiceCidSpeed(Device(), value)) return false;
        if (value == "FF") page.rbSlowCID1->SetChecked(true);
        else if (value == "00") page.rbSlowCID2->SetChecked(true);
        else return false;
        return true;
    });
    if (SectionFirstForm(*this)) {
        group("Номер раздела для сообщений панели Altonika ", {page.cbIARazd, page.cbARazd}, [&] {
            if (!ReadAltonikaSection(Device(), value)) return false;
            const auto n = HexValue(value);
            if (!n) return false;
            if (*n >= 1 && *n <= 99) {
                page.cbIARazd->SetChecked(false);
                page.cbARazd->SetItemIndex(*n - 1);
            } else {
                page.cbIARazd->SetChecked(true);
            }
            return true;
        });
    }
    if (NumberChangeBox(*this)) {
        group(kNumberChangeGroup, {page.cbAltsect}, [&] {
            if (!ReadAltonikaSection(Device(), value)) return false;
            const auto n = HexValue(value);
            if (!n) return false;
            page.cbAltsect->SetChecked(*n == 0);
            return true;
        });
    }
    // The groups below have no line in the log and step no progress of their own, but each is named in
    // the error list when it fails: a control that kept its old value would be written back over the
    // device's with the next write.
    const auto unstepped = [this](const char* title, const TGroupControls& controls, const std::function<bool()>& read) {
        ReadDone(*this, title, controls, read());
    };
    if (NumberRadios(*this)) {
        unstepped(kNumberChangeGroup, NumberRadioGroup(page), [&] {
            if (!ReadAltonikaSection(Device(), value)) return false;
            const auto n = HexValue(value);
            if (n == 0xFF) page.KitRadioButton1->SetChecked(true);
            else if (n == 0) page.KitRadioButton2->SetChecked(true);
            else if (n == 1) page.KitRadioButton3->SetChecked(true);
            else return false;
            return true;
        });
    }
    if (page.ParadoxBox->Visible()) {
        unstepped(kSubsystemsGroup, SubsystemGroup(page), [&] {
            bool read = true;
            for (int i = 0; i < 8; ++i) {
                if (ReadParadoxObject(Device(), i, value)) page.ParED[i]->SetText(value);
                else read = false;
            }
            return read;
        });
    }
    if (MajorAndBuildAtLeast(96)) {
        unstepped(kMasterKeyReadGroup, {page.MKEdit}, [&] {
            if (!ReadMasterKey(Device(), value)) return false;
            page.MKEdit->SetText(value);
            return true;
        });
        StepProgress();
    }
    if (MajorAndBuildAtLeast(120)) {
        unstepped(kImeiIdentGroup, {page.ImeiIdentCh}, [&] {
            bool on = false;
            if (!ReadImeiIdent(Device(), on)) return false;
            page.ImeiIdentCh->SetChecked(on);
            return true;
        });
        page.ImeiLabel->Font().SetStyle({ui::fsUnderline});
        page.ImeiLabel->Font().SetColor(clMenuHighlight);
        page.ImeiLabel->SetCaption(ReadImei(Device(), value) ? value : "ошибка чтения");
        page.ImeiLabel->Repaint();
        StepProgress();
    }
    page.etO->SetFocus();
}

void TDeviceController::WriteCommon()
{
    if (FormCommon == nullptr) return;
    const TExchange exchange(*this);
    TFormCommon& page = *FormCommon;
    SetupProgress(Major < 5 || Build < 96 ? 10 : MajorAndBuildAtLeast(120) ? 12 : 11);

    LogWriting(kObjectGroup);
    if (MaySend(*this, kObjectGroup, {page.etO})) {
        if (HexTextValue(page.etO->Text()) < 1) page.etO->SetText("0050");
        std::string number = page.etO->Text();
        while (platform::Utf8Length(number) < 4) number.insert(0, "0");
        page.etO->SetText(number);
        const std::size_t length = platform::Utf8Length(number);
        const auto value = HexValue(number);
        if (length > 4) {
            AddWriteErrorDetail(kObjectGroup, "Длина номера больше 4-х символов!");
        } else if (!value) {
            AddWriteErrorDetail(kObjectGroup, "Номер объекта не является 16-ричным числом!");
        } else {
            char text[8];
            std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(*value));
            if (!WriteObjectNumber(Device(), text)) AddWriteError(kObjectGroup);
        }
    }
    StepProgress();

    LogWriting(kClockGroup);
    {
        const std::time_t now = Now();
        const std::tm local = platform::LocalTime(now);
        std::string answer;
        if (!WriteClock(Device(), local, answer)) AddWriteError(kClockGroup);
    }
    StepProgress();

    // A group is sent when it may be; write() says whether the device took it.
    const auto send = [this](const char* title, const TGroupControls& controls, const std::function<bool()>& write) {
        if (MaySend(*this, title, controls) && !write()) AddWriteError(title);
    };
    const auto group = [this, &send](const char* title, const TGroupControls& controls,
                                     const std::function<bool()>& write) {
        LogWriting(title);
        send(title, controls, write);
        StepProgress();
    };
    if (OldFirmware(*this))
        group(kPanelGroup, {page.rbAlt, page.rbPar},
              [&] { return WritePanelType(Device(), page.rbAlt->Checked() ? "00" : "FE"); });
    group("Параметры голосового ContactID", {page.rbSlowCID1, page.rbSlowCID2},
          [&] { return WriteVoiceCidSpeed(Device(), page.rbSlowCID1->Checked() ? "FF" : "00"); });
    if (SectionFirstForm(*this)) {
        group("Номер раздела для сообщений панели Altonika", {page.cbIARazd, page.cbARazd}, [&] {
            const int index = page.cbARazd->ItemIndex();
            return WriteAltonikaSection(Device(), page.cbIARazd->Checked() || index < 0 ? "00" : TwoHexDigits(index + 1));
        });
    }
    if (NumberChangeBox(*this))
        group(kNumberChangeGroup, {page.cbAltsect},
              [&] { return WriteAltonikaSection(Device(), page.cbAltsect->Checked() ? "00" : "FF"); });
    // The groups below have no line in the log; their failures are listed all the same, so that the
    // user knows the device holds something else than the page shows.
    if (NumberRadios(*this)) {
        // None of the three checked: nothing the device could take, so nothing is sent.
        const char* code = page.KitRadioButton1->Checked()   ? "FF"
                           : page.KitRadioButton2->Checked() ? "00"
                           : page.KitRadioButton3->Checked() ? "01"
                                                             : nullptr;
        if (code != nullptr) send(kNumberChangeGroup, NumberRadioGroup(page), [&] { return WriteAltonikaSection(Device(), code); });
    }
    if (page.ParadoxBox->Visible()) {
        send(kSubsystemsGroup, SubsystemGroup(page), [&] {
            bool written = true;
            for (int i = 0; i < 8; ++i) written = WriteParadoxObject(Device(), i, page.ParED[i]->Text()) && written;
            return written;
        });
    }
    if (MajorAndBuildAtLeast(96)) {
        const std::string key = page.MKEdit->Text();
        if (MaySend(*this, kMasterKeyGroup, {page.MKEdit})) {
            if (!IsDecimalDigits(key, 4)) AddWriteErrorDetail(kMasterKeyGroup, "Мастер-ключ должен состоять из 4-х цифр!");
            else if (!WriteMasterKey(Device(), key)) AddWriteError(kMasterKeyGroup);
        }
        StepProgress();
    }
    if (MajorAndBuildAtLeast(120)) {
        send(kImeiIdentGroup, {page.ImeiIdentCh}, [&] { return WriteImeiIdent(Device(), page.ImeiIdentCh->Checked()); });
        StepProgress();
    }
}
