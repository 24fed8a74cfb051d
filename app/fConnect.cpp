#include "app/fConnect.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <map>

#include "app/FormController.h"
#include "link/COMUtils.h"
#include "platform/Text.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"

TFormConnect* FormConnect = nullptr;

namespace {

constexpr std::string_view kConnect = "Connect";
constexpr std::string_view kPhonePrefix = "DialPhone";

std::vector<std::string> SystemPorts()
{
    std::vector<std::string> ports;
    EnumSerialPorts(ports, false);
    return ports;
}

// The number N of a key "DialPhoneN" written as the file's own keys are (decimal, no leading zero);
// 0 for any other key.
int PhoneKeyNumber(std::string_view key)
{
    if (key.size() <= kPhonePrefix.size() ||
        platform::AsciiLower(key.substr(0, kPhonePrefix.size())) != platform::AsciiLower(kPhonePrefix))
        return 0;
    const std::string_view digits = key.substr(kPhonePrefix.size());
    if (digits.front() == '0') return 0;
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return error == std::errc{} && end == digits.data() + digits.size() ? number : 0;
}

// Restores the dialog's state when the search button's click ends, however it ends.
class SearchScope {
public:
    explicit SearchScope(std::function<void()> restore) : restore_(std::move(restore)) {}
    ~SearchScope() { restore_(); }
    SearchScope(const SearchScope&) = delete;
    SearchScope& operator=(const SearchScope&) = delete;

private:
    std::function<void()> restore_;
};

}  // namespace

TFormConnect::TFormConnect(ui::TComponent* owner) : ui::TForm(owner)
{
    SetName("FormConnect");
    SetCaption("Подключение к панели");
    SetBorderStyle(ui::bsDialog);
    SetBorderIcons({});
    SetAlphaBlend(true);
    SetAlphaBlendValue(245);
    SetPosition(ui::poScreenCenter);
    Font().SetName("Tahoma");

    Label1 = ui::Create<ui::TLabel>(this, "Label1", this);
    Label1->SetCaption("Com-порт:");
    ComPorts = ui::Create<ui::TComboBox>(this, "ComPorts", this);
    ComPorts->SetSorted(true);
    ComPorts->SetWidth(PortBoxWidth);
    UpdateCOMsSpeedButton = ui::Create<ui::TSpeedButton>(this, "UpdateCOMsSpeedButton", this);
    UpdateCOMsSpeedButton->SetCaption("↻");
    UpdateCOMsSpeedButton->SetHint("Обновить список портов");
    UpdateCOMsSpeedButton->SetShowHint(true);
    Label3 = ui::Create<ui::TLabel>(this, "Label3", this);
    Label3->SetCaption("Тип и параметры подключения:");
    rb1 = ui::Create<ui::TRadioButton>(this, "rb1", this);
    rb1->SetCaption("Кабель программирования");
    rb1->SetWidth(185);
    rb1->SetChecked(true);
    rb2 = ui::Create<ui::TRadioButton>(this, "rb2", this);
    rb2->SetCaption("GSM-модем");
    rb2->SetWidth(185);
    Label2 = ui::Create<ui::TLabel>(this, "Label2", this);
    Label2->SetCaption("Номер телефона:");
    cbPhones = ui::Create<ui::TComboBox>(this, "cbPhones", this);
    cbPhones->SetSorted(true);
    cbPhones->SetWidth(185);
    Label4 = ui::Create<ui::TLabel>(this, "Label4", this);
    Label4->SetCaption("Мастер-ключ:");
    MKEdit = ui::Create<ui::TEdit>(this, "MKEdit", this);
    MKEdit->SetMaxLength(4);
    MKEdit->SetText(FactoryMasterKey);
    AutoSearchButton = ui::Create<ui::TButton>(this, "AutoSearchButton", this);
    AutoSearchButton->SetCaption("Автопоиск");

    KitDialogButtons1 = ui::Create<TKitDialogButtons>(this, "KitDialogButtons1", this);
    KitDialogButtons1->SetCaptionOk("OK");
    KitDialogButtons1->SetCaptionCancel("Cancel");
    KitDialogButtons1->SetCaptionHelp("&Help");
    KitDialogButtons1->SetModalResultOk(ui::mrOk);
    KitDialogButtons1->SetModalResultCancel(ui::mrCancel);
    KitDialogButtons1->SetModalResultHelp(ui::mrNone);
    KitDialogButtons1->SetHotTrack(true);

    PlaceControls();

    rb1->OnClick = [this](ui::TObject* s) { rb1Click(s); };
    rb2->OnClick = [this](ui::TObject* s) { rb1Click(s); };
    UpdateCOMsSpeedButton->OnClick = [this](ui::TObject* s) { UpdateCOMsSpeedButtonClick(s); };
    AutoSearchButton->OnClick = [this](ui::TObject* s) { AutoSearchButtonClick(s); };
    // The controller fills the port list before it shows the dialog.
    OnShow = [this](ui::TObject*) { FitPortBox(); };
    KitDialogButtons1->OnClickOk = [this](ui::TObject* s) { KitDialogButtons1ClickOk(s); };
    KitDialogButtons1->OnClickCancel = [this](ui::TObject* s) { KitDialogButtons1ClickCancel(s); };
    ApplyEnabling();
}

TFormConnect::~TFormConnect()
{
    if (FormConnect == this) FormConnect = nullptr;
}

void TFormConnect::PlaceControls()
{
    ui::Layout::Rows(*this, {{Label1, ComPorts},
                             {Label3, nullptr},
                             {nullptr, rb1},
                             {nullptr, rb2},
                             {Label2, cbPhones},
                             {Label4, MKEdit},
                             {nullptr, AutoSearchButton}});
    UpdateCOMsSpeedButton->SetBounds(ComPorts->Left() + ComPorts->Width() + 4, ComPorts->Top(),
                                     UpdateCOMsSpeedButton->Width(), UpdateCOMsSpeedButton->Height());
    const int width = std::max(Width(), UpdateCOMsSpeedButton->Left() + UpdateCOMsSpeedButton->Width() + 8);
    // The bar docks to the bottom below the rows and lays its buttons out itself.
    SetClientWidth(width);
    SetClientHeight(AutoSearchButton->Top() + AutoSearchButton->Height() + 8 + KitDialogButtons1->Height());
}

// A port's name is its device path, often longer than the box was drawn for: the box widens to show the
// longest whole, up to a limit.
void TFormConnect::FitPortBox()
{
    const int width = std::clamp(ui::Layout::ComboFitWidth(*ComPorts, ComPorts->Items().Lines()), PortBoxWidth,
                                 MaxPortBoxWidth);
    if (width == ComPorts->Width()) return;
    ComPorts->SetWidth(width);
    PlaceControls();
}

void TFormConnect::ApplyEnabling()
{
    const bool modem = rb2->Checked();
    Label2->SetEnabled(modem);
    cbPhones->SetEnabled(modem);
    // A search that runs keeps its button off, whatever the user picks meanwhile.
    AutoSearchButton->SetEnabled(rb1->Checked() && !SearchActive_);
}

void TFormConnect::rb1Click(ui::TObject* /*Sender*/) { ApplyEnabling(); }

void TFormConnect::LoadSettings(const TMemIniFile& Ini)
{
    LoadControlsFromIni(Ini, *this, UnshownValues_);
    LoadConnectKeys(Ini);
}

void TFormConnect::LoadConnectKeys(const TMemIniFile& Ini)
{
    rb1->SetChecked(Ini.ReadBool(kConnect, "rb1", true));
    rb2->SetChecked(Ini.ReadBool(kConnect, "rb2", false));
    // A file that chooses neither line would leave the controller without one: the cable, as at first.
    if (!rb1->Checked() && !rb2->Checked()) rb1->SetChecked(true);

    // Walks the keys there are rather than counting to DialPhonesNum: a damaged count must not keep
    // the dialog busy for billions of look-ups.
    const int count = Ini.ReadInteger(Name(), "DialPhonesNum", 0);
    std::map<int, std::string> phones;
    for (const std::string& key : Ini.ReadSection(Name())) {
        const int number = PhoneKeyNumber(key);
        if (number < 1 || number > count || phones.contains(number)) continue;
        phones.emplace(number, platform::Trim(Ini.ReadString(Name(), key, "")));
    }
    for (const auto& [number, phone] : phones)
        if (!phone.empty()) cbPhones->Items().Add(phone);
    cbPhones->SetText(Ini.ReadString(Name(), "CurDialPhone", cbPhones->Text()));
}

void TFormConnect::SaveSettings(TMemIniFile& Ini)
{
    SaveControlsToIni(Ini, *this, UnshownValues_);
    SaveConnectKeys(Ini);
}

void TFormConnect::SaveConnectKeys(TMemIniFile& Ini)
{
    Ini.WriteBool(kConnect, "rb1", rb1->Checked());
    Ini.WriteBool(kConnect, "rb2", rb2->Checked());
    const ui::TStrings& items = cbPhones->Items();
    Ini.WriteInteger(Name(), "DialPhonesNum", items.Count());
    Ini.WriteString(Name(), "CurDialPhone", cbPhones->Text());
    for (int i = 0; i < items.Count(); ++i)
        Ini.WriteString(Name(), std::string(kPhonePrefix) + std::to_string(i + 1), items[i]);
}

void TFormConnect::UpdateCOMsSpeedButtonClick(ui::TObject* /*Sender*/) { UpdateComPorts(); }

void TFormConnect::UpdateComPorts()
{
    const std::vector<std::string> ports = PortLister_ ? PortLister_() : SystemPorts();
    ui::TStrings& items = ComPorts->Items();
    items.BeginUpdate();
    items.Clear();
    for (const std::string& port : ports) items.Add(port);
    items.EndUpdate();
    ComPorts->SetItemIndex(items.Empty() ? -1 : 0);
    FitPortBox();
}

void TFormConnect::AutoSearchButtonClick(ui::TObject* /*Sender*/)
{
    SearchActive_ = true;
    // OK stays off too: pressed during the search it would close the dialog with a port nobody found.
    const std::vector<ui::TControl*> locked{AutoSearchButton, ComPorts, UpdateCOMsSpeedButton,
                                            KitDialogButtons1->ButtonOk()};
    for (ui::TControl* control : locked) control->SetEnabled(false);
    const SearchScope restore([this, locked] {
        SearchActive_ = false;
        for (ui::TControl* control : locked) control->SetEnabled(true);
        ApplyEnabling();
    });

    UpdateComPorts();
    if (ComPorts->Items().Empty()) {
        ui::MessageDlg("Нет доступных последовательных портов.", ui::mtError, {ui::mbOK});
        return;
    }
    const int found = AutoSearch();
    if (found >= 0) {
        ComPorts->SetItemIndex(found);
        SetModalResult(ui::mrOk);
    } else if (!SearchCancelled_) {
        // After the user's own cancel there is nothing to tell.
        ui::MessageDlg("Панель не обнаружена.", ui::mtInformation, {ui::mbOK});
    }
}

int TFormConnect::AutoSearch()
{
    Searching = true;
    SearchCancelled_ = false;
    const std::string caption = Caption();
    const SearchScope restore([this, caption] {
        Searching = false;
        SetCaption(caption);
    });

    ui::Application& app = ui::App();
    const EventPump pump = [&app] { app.ProcessMessages(); };
    const auto cancelled = [this] { return !Searching; };
    // A copy: the list is not to change under the search (the refresh button is off meanwhile anyway).
    const std::vector<std::string> ports = ComPorts->Items().Lines();
    for (int i = 0; i < static_cast<int>(ports.size()); ++i) {
        if (cancelled()) break;
        // Only a port that opened is named: the one being tried, the one an error box is about.
        const auto opened = [this, &port = ports[static_cast<std::size_t>(i)]] { SetCaption(port); };
        try {
            switch (ProbeComPort(ports[i], SearchBaud, SearchQuery, SearchAnswer, SearchTimeoutMs, pump, cancelled,
                                 app.Clock(), opened)) {
            case TProbeResult::Found:
                return i;
            case TProbeResult::Cancelled:
                SearchCancelled_ = true;
                return -1;
            case TProbeResult::Silent:
            case TProbeResult::CannotOpen:
                break;
            }
        } catch (const std::exception& e) {
            ui::MessageDlg("Ошибка при работе с портом \"" + std::string(e.what()) + "\"", ui::mtError, {ui::mbOK});
        }
    }
    SearchCancelled_ = !Searching;
    return -1;
}

void TFormConnect::KitDialogButtons1ClickOk(ui::TObject* /*Sender*/)
{
    if (!platform::Trim(ComPorts->Text()).empty()) return;
    // Without a port there is nothing to connect through: the dialog stays open for the choice.
    SetModalResult(ui::mrNone);
    ui::MessageDlg(NoPortText, ui::mtWarning, {ui::mbOK});
}

void TFormConnect::KitDialogButtons1ClickCancel(ui::TObject* /*Sender*/)
{
    if (Searching) {
        Searching = false;
        SetModalResult(ui::mrNone);
        return;
    }
    SetModalResult(ui::mrCancel);
}
