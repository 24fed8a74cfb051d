#include "app/fGPRS.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <utility>
#include <vector>

#include "app/DeviceController.h"
#include "app/FormController.h"
#include "app/InputController.h"
#include "link/DevCommands.h"
#include "ui/Layout.h"

TformGPRS* formGPRS = nullptr;

namespace {

constexpr int kPauseItems = 10;

struct SimDefaults {
    const char* apn;
    const char* login;
};
constexpr SimDefaults kSimDefaults[] = {{"internet.mts.ru", "mts"}, {"internet.beeline.ru", "beeline"}};

constexpr int kGroups = 12;
constexpr int kSims = 2;
constexpr const char* kPauseGroup = "Время между попытками установление GPRS-соединения";
constexpr const char* kServerGroup = "Адрес сервера";
constexpr const char* kPortGroup = "Порт сервера";
constexpr const char* kServer2Group = "Адрес сервера 2";
constexpr const char* kPort2Group = "Порт сервера 2";
constexpr const char* kPasswordGroup = "Пароль для подключения к серверу";
constexpr const char* kBadPassword = "Некорректный пароль для идентицикации через GPRS";
constexpr const char* kBindingGroup = "Привязка адреса к SIM карте";

using TSimRead = bool (*)(TDevice&, int, std::string&);
using TSimWrite = bool (*)(TDevice&, int, const std::string&);

// The SIM groups in the order the read takes them. The read's titles carry " " and the SIM number,
// except the access point's error title, which has the number without the blank; the write's titles
// carry no number.
struct TSimGroup {
    const char* Field;
    const char* ReadTitle;
    const char* ReadErrorSeparator;
    const char* WriteTitle;
    TSimRead Read;
    TSimWrite Write;
};
constexpr TSimGroup kApn{"Addr", "Адрес APN SIM", "", "Адрес APN", ReadApnAddress, WriteApnAddress};
constexpr TSimGroup kLogin{"Login", "Логин для APN SIM", " ", "Логин для APN", ReadApnLogin, WriteApnLogin};
constexpr TSimGroup kPassword{"Pswd", "Пароль для APN SIM", " ", "Пароль для APN", ReadApnPassword, WriteApnPassword};
constexpr TSimGroup kDial{"Phone", "Номер для выхода в GPRS SIM", " ", "Номер для выхода в GPRS", ReadGprsDialNumber,
                          WriteGprsDialNumber};
constexpr TSimGroup kReadOrder[] = {kApn, kLogin, kPassword, kDial};
constexpr TSimGroup kWriteOrder[] = {kDial, kApn, kLogin, kPassword};

// The device counts its SIM cards from 0.
int SimIndex(int Sim) { return Sim - 1; }

// An empty text goes out as the read's very request: the device answers it with the text it holds.
constexpr const char* kEmptyKept = "не записан: получив пустой текст, устройство оставляет прежний";

bool BindingGate(const TDeviceController& d) { return d.Major >= 5 && d.Build >= 116; }

// The edit's text, or its hint when it is empty.
std::string TextOrHint(const ui::TEdit& Edit) { return Edit.Text().empty() ? Edit.Hint() : Edit.Text(); }

// The reserve server follows the main one when the user left it empty.
void CompleteReserve(ui::TEdit& Main, ui::TEdit& Reserve)
{
    if (!Reserve.Text().empty()) return;
    Reserve.SetText(Main.Text().empty() ? Reserve.Hint() : Main.Text());
}

}  // namespace

TformGPRS::TformGPRS(ui::TComponent* owner) : TformIncl(owner)
{
    using namespace ui;
    SetCaption("Настройка GPRS");
    GroupBox1 = Create<TGroupBox>(this, "GroupBox1", this);
    GroupBox1->SetCaption("Настройки GPRS");
    GroupBox3 = Create<TGroupBox>(this, "GroupBox3", GroupBox1);
    GroupBox3->SetCaption("SIM 1");
    GroupBox2 = Create<TGroupBox>(this, "GroupBox2", GroupBox1);
    GroupBox2->SetCaption("SIM 2");
    GroupBox5 = Create<TGroupBox>(this, "GroupBox5", GroupBox1);
    GroupBox4 = Create<TGroupBox>(this, "GroupBox4", GroupBox1);
    GroupBox4->SetCaption("Основные IP адрес и порт сервера");
    GroupBox6 = Create<TGroupBox>(this, "GroupBox6", GroupBox1);
    GroupBox6->SetCaption("Резервные IP адрес и порт сервера");

    int labelNo = 1;
    const auto label = [this, &labelNo](TWinControl* parent, const char* caption) {
        auto* l = Create<TLabel>(this, "Label" + std::to_string(labelNo++), parent);
        l->SetCaption(caption);
        return l;
    };
    const auto edit = [this](const char* name, TWinControl* parent, int maxLength, const char* hint) {
        auto* e = Create<TEdit>(this, name, parent);
        e->SetMaxLength(maxLength);
        e->SetHint(hint);
        e->SetWidth(170);
        return e;
    };
    const auto simBox = [&](TGroupBox* box, int sim, TEdit*& phone, TEdit*& addr, TEdit*& login, TEdit*& pswd) {
        const std::string n = std::to_string(sim);
        const SimDefaults& d = kSimDefaults[sim - 1];
        // The names differ in letter case between the two cards, as they always have.
        phone = edit(("etSIM" + n + "Phone").c_str(), box, 8, "*99#");
        addr = edit(sim == 1 ? "etSIM1ADDR" : "etSIM2Addr", box, 32, d.apn);
        login = edit(sim == 1 ? "etSIM1LOGIN" : "etSIM2Login", box, 16, d.login);
        pswd = edit(sim == 1 ? "etSIM1PSWD" : "etSIM2Pswd", box, 20, "zuh");
        Layout::Rows(*box, {{label(box, "Номер телефона GPRS"), phone},
                            {label(box, "Точка доступа GPRS"), addr},
                            {label(box, "Имя пользователя GPRS"), login},
                            {label(box, "Пароль пользователя GPRS"), pswd}});
    };
    simBox(GroupBox3, 1, etSIM1Phone, etSIM1ADDR, etSIM1LOGIN, etSIM1PSWD);
    simBox(GroupBox2, 2, etSIM2Phone, etSIM2Addr, etSIM2Login, etSIM2Pswd);

    etSIM1IP = edit("etSIM1IP", GroupBox4, 16, "91.210.56.12");
    etSIM1Port = edit("etSIM1Port", GroupBox4, 5, "3058");
    Layout::Rows(*GroupBox4, {{label(GroupBox4, "IP адрес сервера"), etSIM1IP},
                              {label(GroupBox4, "Порт сервера"), etSIM1Port}});
    etSIM1IP2 = edit("etSIM1IP2", GroupBox6, 16, "91.210.56.13");
    etSIM1PORT2 = edit("etSIM1PORT2", GroupBox6, 7, "3058");
    Layout::Rows(*GroupBox6, {{label(GroupBox6, "IP адрес сервера"), etSIM1IP2},
                              {label(GroupBox6, "Порт сервера"), etSIM1PORT2}});

    cbZTime = Create<TComboBox>(this, "cbZTime", GroupBox5);
    cbZTime->SetStyle(csDropDownList);
    cbZTime->SetWidth(60);
    for (int i = 1; i <= kPauseItems; ++i) cbZTime->Items().Add(std::to_string(i));
    cbZTime->SetHint("0");
    lbMinutes = label(GroupBox5, "минут");
    etSIM1SPSWD = edit("etSIM1SPSWD", GroupBox5, 8, "KoraPlen");
    CheckBox1 = Create<TCheckBox>(this, "CheckBox1", GroupBox5);
    CheckBox1->SetCaption("Привязать адрес к SIM карте");
    CheckBox1->SetWidth(0);
    // The long captions stand above their fields; the pause's unit beside it.
    Layout::Rows(*GroupBox5, {{label(GroupBox5, "Пауза между попытками установить GPRS соединения"), nullptr},
                              {nullptr, cbZTime, lbMinutes},
                              {label(GroupBox5, "Пароль для идентификации через GPRS"), nullptr},
                              {nullptr, etSIM1SPSWD},
                              {nullptr, CheckBox1}});
    Layout::Columns(*GroupBox1, {{GroupBox3, GroupBox2}, {GroupBox5, GroupBox4, GroupBox6}});
    Layout::Columns(*this, {{GroupBox1}});

    CheckBox1->OnClick = [this](TObject* s) { CheckBox1Click(s); };
    const auto noCyrillic = [this](TObject* s, std::uint16_t& k, TShiftState sh) { NoCyrillicKeyDown(s, k, sh); };
    for (TEdit* e : {etSIM1ADDR, etSIM1LOGIN, etSIM1Phone, etSIM1PSWD, etSIM2Addr, etSIM2Login, etSIM2Phone,
                     etSIM2Pswd})
        e->OnKeyDown = noCyrillic;
    etSIM1Port->OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState sh) { etSIM1PortKeyDown(s, k, sh); };
    etSIM1SPSWD->OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState sh) { etSIM1SPSWDKeyDown(s, k, sh); };
    etSIM1IP->OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState sh) { etSIM1IPKeyDown(s, k, sh); };
}

TformGPRS::~TformGPRS()
{
    if (formGPRS == this) formGPRS = nullptr;
}

ui::TEdit* TformGPRS::SimEdit(int Sim, const std::string& Field) const
{
    return dynamic_cast<ui::TEdit*>(FindComponent("etSIM" + std::to_string(Sim) + Field));
}

void TformGPRS::SetupForDevice(int Major, int Build)
{
    const bool old = Major >= 5 && Build < 116;
    if (old) CheckBox1->SetChecked(false);
    CheckBox1->SetEnabled(!old);
}

void TformGPRS::CheckBox1Click(ui::TObject*)
{
    const bool bound = CheckBox1->Checked();
    GroupBox4->SetCaption(bound ? "IP адрес и порт для SIM 1" : "Основные IP адрес и порт сервера");
    GroupBox6->SetCaption(bound ? "IP адрес и порт для SIM 2" : "Резервные IP адрес и порт сервера");
}

void TformGPRS::NoCyrillicKeyDown(ui::TObject* Sender, std::uint16_t&, ui::TShiftState)
{
    if (auto* e = dynamic_cast<ui::TEdit*>(Sender)) e->OnKeyPress = TInputController::NoCyrillicKeyPress;
}

void TformGPRS::etSIM1PortKeyDown(ui::TObject*, std::uint16_t&, ui::TShiftState)
{
    etSIM1Port->OnKeyPress = TInputController::DigitsKeyPress;
}

void TformGPRS::etSIM1SPSWDKeyDown(ui::TObject*, std::uint16_t&, ui::TShiftState)
{
    etSIM1SPSWD->OnKeyPress = TInputController::LatinDigitsKeyPress;
}

void TformGPRS::etSIM1IPKeyDown(ui::TObject*, std::uint16_t&, ui::TShiftState) {}

void TformGPRS::Clear()
{
    const bool bound = CheckBox1->Checked();
    TformIncl::Clear();
    CheckBox1->SetChecked(bound);
}

void TformGPRS::LoadFromIni(const TMemIniFile& Ini) { TformIncl::LoadFromIni(Ini); }

void TformGPRS::LoadDefaults() { TformIncl::LoadDefaults(); }

int RetryPauseItem(int Hours, int /*Minutes*/)
{
    const int item = Hours - 1;
    return item >= 0 && item < kPauseItems ? item : -1;
}

std::optional<int> RetryPauseMinutes(int ItemIndex, int ItemCount)
{
    if (ItemIndex < 0 || ItemIndex >= ItemCount) return std::nullopt;
    return (ItemIndex + 1) * 60;
}

bool IsServerPasswordValid(const std::string& Text)
{
    return std::all_of(Text.begin(), Text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
}

void TDeviceController::ReadGPRS()
{
    if (formGPRS == nullptr) return;
    const TExchange exchange(*this);
    TformGPRS& page = *formGPRS;
    SetupProgress(kGroups);
    std::string value;

    LogReading(kPauseGroup);
    int hours = 0;
    int minutes = 0;
    if (ReadDone(*this, kPauseGroup, {page.cbZTime}, ReadGprsRetryTime(Device(), hours, minutes)))
        page.cbZTime->SetItemIndex(RetryPauseItem(hours, minutes));
    StepProgress();

    const struct {
        const char* title;
        bool (*read)(TDevice&, std::string&);
        ui::TEdit* edit;
        bool step;
    } servers[] = {
        {kServerGroup, ReadServerAddress, page.etSIM1IP, true},
        {kPortGroup, ReadServerPort, page.etSIM1Port, true},
        {kServer2Group, ReadServer2Address, page.etSIM1IP2, false},
        {kPort2Group, ReadServer2Port, page.etSIM1PORT2, false},
        {kPasswordGroup, ReadServerPassword, page.etSIM1SPSWD, true},
    };
    for (const auto& g : servers) {
        LogReading(g.title);
        if (ReadDone(*this, g.title, {g.edit}, g.read(Device(), value))) g.edit->SetText(value);
        if (g.step) StepProgress();
    }

    for (int sim = 1; sim <= kSims; ++sim) {
        const std::string n = std::to_string(sim);
        for (const TSimGroup& g : kReadOrder) {
            LogReading(std::string(g.ReadTitle) + " " + n);
            ui::TEdit* edit = page.SimEdit(sim, g.Field);
            if (ReadDone(*this, g.ReadTitle + (g.ReadErrorSeparator + n), {edit}, g.Read(Device(), SimIndex(sim), value)))
                edit->SetText(value);
            if (&g == &kReadOrder[std::size(kReadOrder) - 1] && BindingGate(*this)) {
                // No line in the log. A flag that could not be read keeps what it showed, and the error
                // says so: taking it for "off" would switch the binding off with the next write.
                if (ReadDone(*this, kBindingGroup, {page.CheckBox1}, ReadBindAddressToSim(Device(), value)))
                    page.CheckBox1->SetChecked(value.find("00") != std::string::npos);
            }
            StepProgress();
        }
    }
}

void TDeviceController::WriteGPRS()
{
    if (formGPRS == nullptr) return;
    const TExchange exchange(*this);
    TformGPRS& page = *formGPRS;
    SetupProgress(kGroups);

    // A text the device could not take back intact is not sent; the user learns why. Where stands the
    // SIM's number ("SIM 2: "), which the group's title does not carry.
    const auto writeText = [this](const std::string& title, ui::TEdit& edit, const std::string& text,
                                  const std::function<bool(const std::string&)>& write, const std::string& where = "") {
        if (!MaySend(*this, title, {&edit})) return;
        if (const auto problem = DeviceValueProblem(text)) AddWriteErrorDetail(title, *problem);
        else if (write(text)) return;
        else if (text.empty() && Device().LastFailure() == TFailure::AnsweredWithValue) AddWriteErrorDetail(title, where + kEmptyKept);
        else AddWriteError(title);
    };

    LogWriting(kPauseGroup);
    const auto pause = RetryPauseMinutes(page.cbZTime->ItemIndex(), page.cbZTime->Items().Count());
    if (MaySend(*this, kPauseGroup, {page.cbZTime})) {
        if (!pause) AddWriteErrorDetail(kPauseGroup, "пауза не выбрана");
        else if (!WriteGprsRetryTime(Device(), *pause / 60, *pause % 60)) AddWriteError(kPauseGroup);
    }
    StepProgress();

    for (int sim = 1; sim <= kSims; ++sim) {
        for (const TSimGroup& g : kWriteOrder) {
            LogWriting(g.WriteTitle);
            ui::TEdit& edit = *page.SimEdit(sim, g.Field);
            writeText(g.WriteTitle, edit, edit.Text(),
                      [&](const std::string& text) { return g.Write(Device(), SimIndex(sim), text); },
                      "SIM " + std::to_string(sim) + ": ");
            StepProgress();
        }
    }

    LogWriting(kServerGroup);
    writeText(kServerGroup, *page.etSIM1IP, TextOrHint(*page.etSIM1IP),
              [this](const std::string& text) { return WriteServerAddress(Device(), text); });
    StepProgress();
    LogWriting(kPortGroup);
    writeText(kPortGroup, *page.etSIM1Port, TextOrHint(*page.etSIM1Port),
              [this](const std::string& text) { return WriteServerPort(Device(), text); });
    StepProgress();

    LogWriting(kPasswordGroup);
    const std::string password = page.etSIM1SPSWD->Text();
    if (!IsServerPasswordValid(password))
        AddWriteError(kBadPassword);
    else
        writeText(kPasswordGroup, *page.etSIM1SPSWD, password,
                  [this](const std::string& text) { return WriteServerPassword(Device(), text); });
    StepProgress();

    // The reserve follows the main server only where the page knows both: a value the device did not give
    // is not made up.
    for (const auto& [main, reserve] : {std::pair{page.etSIM1IP, page.etSIM1IP2}, std::pair{page.etSIM1Port, page.etSIM1PORT2}})
        if (!page.DeviceValues.Held({main}) && !page.DeviceValues.Held({reserve})) CompleteReserve(*main, *reserve);
    LogWriting(kServer2Group);
    writeText(kServer2Group, *page.etSIM1IP2, page.etSIM1IP2->Text(),
              [this](const std::string& text) { return WriteServer2Address(Device(), text); });
    LogWriting(kPort2Group);
    writeText(kPort2Group, *page.etSIM1PORT2, page.etSIM1PORT2->Text(),
              [this](const std::string& text) { return WriteServer2Port(Device(), text); });

    // No line in the log; a failure is listed, the binding the user chose did not reach the device.
    if (BindingGate(*this) && MaySend(*this, kBindingGroup, {page.CheckBox1})) {
        if (!WriteBindAddressToSim(Device(), page.CheckBox1->Checked() ? "00" : "FF")) AddWriteError(kBindingGroup);
    }
    StepProgress();
}
