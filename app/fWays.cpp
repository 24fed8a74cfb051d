#include "app/fWays.h"

#include <algorithm>
#include <vector>

#include "app/DeviceController.h"
#include "app/ExchangeSteps.h"
#include "app/HistoryReader.h"
#include "app/InputController.h"
#include "app/WayTypes.h"
#include "link/DevCommands.h"
#include "platform/Text.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"

TformWays* formWays = nullptr;

const std::array<TColor, TformWays::LinkCount> TformWays::LinkColors{
    0xA6D0EA, 0xDDA6AA, 0xB1E2C4, 0xB7B7F2, 0xECC0F5, 0x94F3DC, 0xFDACAA};

namespace {

constexpr int kPhoneMaxLength = 30;
constexpr const char* kWrongNumber = "Неправильно введен номер!";
const std::string kDirectionGroup = "Параметры направления ";

// The pictures of the type lists, by image index.
constexpr const char* kTypePictures[] = {"way_off", "way_1", "way_2", "way_phone", "way_4", "way_net"};

std::string Numbered(const char* stem, int n) { return stem + std::to_string(n); }

char HexDigitChar(int v) { return "0123456789ABCDEF"[v & 0xF]; }

int ParseHexDigit(const std::string& s)
{
    if (s.size() != 1) return -1;
    const char c = s[0];
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsWired(const ui::TComboBoxEx& combo)
{
    const int i = combo.ItemIndex();
    return i >= 0 && IsWiredWayType(static_cast<int>(combo.Items().Data(i)));
}

}  // namespace

TformWays::TformWays(ui::TComponent* owner) : TformIncl(owner)
{
    SetCaption("Каналы связи");
    CreateControls();
    OnCreate = [this](ui::TObject* s) { FormCreate(s); };
    OnShow = [this](ui::TObject* s) { FormShow(s); };
}

void TformWays::CreateControls()
{
    TL = ui::Create<ui::TImageList>(this, "TL");
    for (const char* picture : kTypePictures) TL->Add(picture);

    GroupBox1 = ui::Create<ui::TGroupBox>(this, "GroupBox1", this);
    GroupBox1->SetCaption("Телефоны ПЦН");
    Label1 = ui::Create<ui::TLabel>(this, "Label1", GroupBox1);
    Label1->SetCaption("Канал - один номер со своим типом передачи; каналы одного направления соединены \"Или\"");
    Label2 = ui::Create<ui::TLabel>(this, "Label2", GroupBox1);
    Label2->SetCaption("Направление - группа каналов; направления соединены \"И\"");
    Label5 = ui::Create<ui::TLabel>(this, "Label5", GroupBox1);
    Label5->SetCaption("Символ \"w\" в номере - пауза 2 секунды");
    ui::Layout::Stack(*GroupBox1, {Label1, Label2, Label5});

    GroupBox2 = ui::Create<ui::TGroupBox>(this, "GroupBox2", this);
    GroupBox2->SetCaption("Телефоны ");
    GroupBox3 = ui::Create<ui::TGroupBox>(this, "GroupBox3", this);
    GroupBox3->SetCaption("Тип передачи данных");
    GroupBox4 = ui::Create<ui::TGroupBox>(this, "GroupBox4", this);
    GroupBox4->SetCaption("Связь");
    GroupBox4->SetWidth(0);
    std::vector<ui::Layout::Row> phoneRows;
    std::vector<ui::TControl*> combos;
    std::vector<ui::TControl*> panels;
    for (int i = 0; i < ChannelCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        PhoneLabels[k] = ui::Create<ui::TLabel>(this, Numbered("lbP", i + 1), GroupBox2);
        PhoneLabels[k]->SetCaption(Numbered("Номер ", i + 1));
        etP[k] = ui::Create<ui::TEdit>(this, Numbered("etP", i + 1), GroupBox2);
        etP[k]->SetMaxLength(kPhoneMaxLength);
        etP[k]->SetCharCase(ui::ecLowerCase);
        etP[k]->SetColor(FirstChannelColor);
        etP[k]->SetWidth(160);
        etP[k]->OnKeyDown = [this](ui::TObject* s, std::uint16_t& key, ui::TShiftState shift) { etPKeyDown(s, key, shift); };
        phoneRows.push_back({PhoneLabels[k], etP[k]});

        cb[k] = ui::Create<ui::TComboBoxEx>(this, Numbered("cb", i + 1), GroupBox3);
        cb[k]->SetStyle(ui::csDropDownList);
        cb[k]->SetImages(TL);
        cb[k]->SetHint("0");
        cb[k]->OnSelect = [this](ui::TObject* s) { cbC1Change(s); };
        combos.push_back(cb[k]);

        if (i < LinkCount) {
            LinkPanels[k] = ui::Create<ui::TPanel>(this, Numbered("Panel", i + 1), GroupBox4);
            LinkPanels[k]->SetBevelOuter(ui::bvNone);
            AndLink[k] = ui::Create<ui::TRadioButton>(this, Numbered("rb", 2 * (i + 1) - 1), LinkPanels[k]);
            AndLink[k]->SetCaption("И");
            AndLink[k]->SetHint("false");
            OrLink[k] = ui::Create<ui::TRadioButton>(this, Numbered("rb", 2 * (i + 1)), LinkPanels[k]);
            OrLink[k]->SetCaption("Или");
            OrLink[k]->SetHint("true");
            OrLink[k]->SetChecked(true);
            AndLink[k]->SetBounds(0, 0, 0, 17);
            OrLink[k]->SetBounds(0, 0, 0, 17);
            LinkPanels[k]->SetBounds(0, 0, 0, 21);
            AndLink[k]->OnClick = [this](ui::TObject* s) { rb1Click(s); };
            OrLink[k]->OnClick = [this](ui::TObject* s) { rb1Click(s); };
            panels.push_back(LinkPanels[k]);
            ui::Layout::Lines(*LinkPanels[k], {{AndLink[k], OrLink[k]}}, {.margin = 2, .spacing = 4});
        }
    }
    // Wide enough for every type any firmware offers.
    std::vector<std::string> typeNames;
    for (const TWayType& type : WayTypeNames) typeNames.emplace_back(type.Name);
    for (ui::TComboBoxEx* combo : cb) combo->SetWidth(ui::Layout::ComboFitWidth(*combo, typeNames));
    ui::Layout::Rows(*GroupBox2, phoneRows);
    ui::Layout::Stack(*GroupBox3, combos);
    // A link joins two channels: its buttons stand level with the gap between their rows.
    const int rowPitch = etP[0]->Height() + ui::Layout::Metrics{}.spacing;
    ui::Layout::Stack(*GroupBox4, panels, {.spacing = rowPitch - LinkPanels[0]->Height(), .lead = rowPitch / 2});

    GroupBox5 = ui::Create<ui::TGroupBox>(this, "GroupBox5", this);
    GroupBox5->SetCaption("Тип перехода по направлениям");
    rdo2 = ui::Create<ui::TRadioButton>(this, "rdo2", GroupBox5);
    rdo2->SetCaption("Переходить на следующее направление в случае невозможности передачи события в текущем");
    rdo2->SetHint("true");
    rdo2->SetChecked(true);
    rdo1 = ui::Create<ui::TRadioButton>(this, "rdo1", GroupBox5);
    rdo1->SetCaption("Оставаться в текущем направлении до передачи всех событий и не переходить на следующее");
    rdo1->SetHint("false");
    for (auto* r : {rdo2, rdo1}) r->SetBounds(0, 0, 0, 17);
    ui::Layout::Stack(*GroupBox5, {rdo2, rdo1});

    GroupBox6 = ui::Create<ui::TGroupBox>(this, "GroupBox6", this);
    GroupBox6->SetCaption("Online каналы");
    llan = ui::Create<ui::TLabel>(this, "llan", GroupBox6);
    llan->SetCaption("LAN-online");
    lan = ui::Create<ui::TCheckBox>(this, "lan", GroupBox6);
    lbcb11 = ui::Create<ui::TLabel>(this, "lbcb11", GroupBox6);
    lbcb11->SetCaption("Включить GPRS (TCP/IP) через SIM 1");
    cb11 = ui::Create<ui::TCheckBox>(this, "cb11", GroupBox6);
    lbcb12 = ui::Create<ui::TLabel>(this, "lbcb12", GroupBox6);
    lbcb12->SetCaption("Включить GPRS (TCP/IP) через SIM 2");
    cb12 = ui::Create<ui::TCheckBox>(this, "cb12", GroupBox6);
    for (auto* box : {lan, cb11, cb12}) {
        box->SetHint("false");
        box->SetBounds(0, 0, 17, 17);
    }
    cb11->OnClick = [this](ui::TObject* s) { cb11Click(s); };
    cb12->OnClick = [this](ui::TObject* s) { cb11Click(s); };
    ui::Layout::Rows(*GroupBox6, {{llan, lan}, {lbcb11, cb11}, {lbcb12, cb12}});

    ui::Layout::Lines(*this, {{GroupBox1}, {GroupBox2, GroupBox4, GroupBox3}, {GroupBox6, GroupBox5}});
}

TformWays::~TformWays()
{
    if (formWays == this) formWays = nullptr;
}

void TformWays::FormCreate(ui::TObject*)
{
    FillTypeLists(build_, isBolid_);
    lnum_ = 1;
    rb1Click(nullptr);
}

void TformWays::FormShow(ui::TObject*)
{
    for (ui::TEdit* edit : etP) {
        std::string text = edit->Text();
        std::replace(text.begin(), text.end(), ',', 'w');
        edit->SetText(text);
    }
    CheckAllTypes();
}

void TformWays::cbC1Change(ui::TObject*)
{
    CompactChannels();
    UpdatePhoneEdits();
    for (int i = 0; i < ChannelCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (!IsWired(*cb[k]) || etP[k]->Text().find('+') == std::string::npos) continue;
        etP[k]->SetText("");
        ui::MessageDlg(kWrongNumber, ui::mtError, {ui::mbOK});
    }
}

void TformWays::CheckAllTypes()
{
    for (int i = 0; i < ChannelCount; ++i) cbC1Change(cb[static_cast<std::size_t>(i)]);
}

void TformWays::cb11Click(ui::TObject*) { UpdateGprsTypes(build_, isBolid_); }

void TformWays::rb1Click(ui::TObject*)
{
    etP[0]->SetColor(FirstChannelColor);
    for (int i = 0; i < LinkCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        etP[k + 1]->SetColor(IsOrLink(i) ? etP[k]->Color() : LinkColors[k]);
    }
}

void TformWays::etPKeyDown(ui::TObject* Sender, std::uint16_t&, ui::TShiftState)
{
    const auto it = std::find(etP.begin(), etP.end(), Sender);
    if (it == etP.end()) return;
    const auto k = static_cast<std::size_t>(it - etP.begin());
    (*it)->OnKeyPress = IsWired(*cb[k]) ? &TInputController::DigitsWaitKeyPress : &TInputController::DialStringKeyPress;
}

void TformWays::FillTypeList(ui::TComboBoxEx& Combo, const std::vector<int>& Types)
{
    const int kept = Combo.ItemIndex() >= 0 ? static_cast<int>(Combo.Items().Data(Combo.ItemIndex())) : WayTypeUnused;
    Combo.Clear();
    for (const int t : Types) {
        const TWayType& type = WayTypeNames[static_cast<std::size_t>(t)];
        Combo.AddItem(std::string(type.Name), type.Picture, type.Picture, -1, 0, t);
    }
    if (!FindTypeItem(Combo, kept)) Combo.SetItemIndex(0);
}

void TformWays::FillTypeLists(int Build, bool IsBolid)
{
    if (Build >= 1000) return;
    build_ = Build;
    isBolid_ = IsBolid;
    const std::vector<int> types = OfferedWayTypes(Build, IsBolid, cb11->Checked(), cb12->Checked());
    for (ui::TComboBoxEx* combo : cb) FillTypeList(*combo, types);
}

void TformWays::UpdateGprsTypes(int Build, bool IsBolid)
{
    const std::vector<int> types = OfferedWayTypes(Build, IsBolid, cb11->Checked(), cb12->Checked());
    for (ui::TComboBoxEx* combo : cb) FillTypeList(*combo, types);
    CompactChannels();
}

void TformWays::SetLink(int Link, bool Or)
{
    const auto k = static_cast<std::size_t>(Link);
    (Or ? OrLink[k] : AndLink[k])->SetChecked(true);
}

void TformWays::CompactChannels()
{
    // A channel the device did not give may be in use there: the channels stay where the device has them.
    for (int i = 0; i < ChannelCount; ++i)
        if (DeviceValues.Held(Direction(i))) return;
    for (int i = 0; i < ChannelCount - 1; ++i) {
        if (ChannelInUse(i)) continue;
        int j = i + 1;
        while (j < ChannelCount && !ChannelInUse(j)) ++j;
        if (j == ChannelCount) continue;
        const auto ki = static_cast<std::size_t>(i);
        const auto kj = static_cast<std::size_t>(j);
        const std::string phone = etP[ki]->Text();
        etP[ki]->SetText(etP[kj]->Text());
        etP[kj]->SetText(phone);
        if (j < LinkCount) {
            AndLink[ki]->SetChecked(AndLink[kj]->Checked());
            OrLink[ki]->SetChecked(OrLink[kj]->Checked());
            SetLink(j, true);
        }
        cb[ki]->SetItemIndex(cb[kj]->ItemIndex());
        cb[kj]->SetItemIndex(0);
    }
}

bool TformWays::FindTypeItem(ui::TComboBoxEx& Combo, int TypeIndex)
{
    for (int i = Combo.Items().Count() - 1; i >= 0; --i)
        if (Combo.Items().Data(i) == TypeIndex) {
            Combo.SetItemIndex(i);
            return true;
        }
    return false;
}

void TformWays::UpdatePhoneEdits()
{
    rb1Click(nullptr);
    for (ui::TEdit* edit : etP) edit->Invalidate();
}

int TformWays::ChannelType(int Channel) const
{
    const ui::TComboBoxEx& combo = *cb[static_cast<std::size_t>(Channel)];
    return combo.ItemIndex() >= 0 ? static_cast<int>(combo.Items().Data(combo.ItemIndex())) : WayTypeUnused;
}

TGroupControls TformWays::Direction(int Channel) const
{
    const auto k = static_cast<std::size_t>(Channel);
    return {cb[k], etP[k]};
}

bool TformWays::ChannelInUse(int Channel) const { return cb[static_cast<std::size_t>(Channel)]->ItemIndex() > 0; }

TChannelLinks TformWays::ChannelLinks() const
{
    TChannelLinks links;
    for (int i = 0; i < ChannelCount; ++i) links.InUse[static_cast<std::size_t>(i)] = ChannelInUse(i);
    for (int i = 0; i < LinkCount; ++i) links.OrLink[static_cast<std::size_t>(i)] = IsOrLink(i);
    return links;
}

void TformWays::Clear()
{
    TformIncl::Clear();
    for (ui::TComboBoxEx* combo : cb) combo->SetItemIndex(0);
    for (int i = 0; i < LinkCount; ++i) SetLink(i, true);
}

void TformWays::ResetMarks()
{
    TformIncl::ResetMarks();
    CompactChannels();
}

void TformWays::SaveToIni(TMemIniFile& Ini)
{
    const std::string section = Name();
    Ini.WriteBool(section, "lan", lan->Checked());
    Ini.WriteBool(section, "cb11", cb11->Checked());
    Ini.WriteBool(section, "cb12", cb12->Checked());
    Ini.WriteInteger(section, "lnum", lnum_);
    for (int i = 0; i < ChannelCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        Ini.WriteString(section, etP[k]->Name(), etP[k]->Text());
        SaveListPosition(Ini, section, *cb[k], UnshownValues);
        if (i < LinkCount) {
            Ini.WriteBool(section, AndLink[k]->Name(), AndLink[k]->Checked());
            Ini.WriteBool(section, OrLink[k]->Name(), OrLink[k]->Checked());
        }
    }
    Ini.WriteBool(section, "rdo1", rdo1->Checked());
    Ini.WriteBool(section, "rdo2", rdo2->Checked());
}

void TformWays::LoadFromIni(const TMemIniFile& Ini)
{
    const std::string section = Name();
    // Every key names its control; one the file lacks gave it nothing.
    std::vector<const ui::TControl*> given;
    const auto read = [&](ui::TControl& control, auto value) {
        if (Ini.ValueExists(section, control.Name())) given.push_back(&control);
        return value;
    };
    lan->SetChecked(read(*lan, Ini.ReadBool(section, "lan", false)));
    cb11->SetChecked(read(*cb11, Ini.ReadBool(section, "cb11", false)));
    cb12->SetChecked(read(*cb12, Ini.ReadBool(section, "cb12", false)));
    for (int i = 0; i < ChannelCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        etP[k]->SetText(read(*etP[k], Ini.ReadString(section, etP[k]->Name(), "")));
        const int position = read(*cb[k], Ini.ReadInteger(section, cb[k]->Name(), 0));
        cb[k]->SetItemIndex(position >= 0 && position < cb[k]->Items().Count() ? position : 0);
        UnshownValues.Note(*cb[k], Ini.ReadString(section, cb[k]->Name(), ""), position);
        if (i < LinkCount) {
            // Both keys missing leave both buttons clear: the link counts as AND.
            const bool isAnd = read(*AndLink[k], Ini.ReadBool(section, AndLink[k]->Name(), false));
            const bool isOr = read(*OrLink[k], Ini.ReadBool(section, OrLink[k]->Name(), false));
            AndLink[k]->SetChecked(isAnd);
            OrLink[k]->SetChecked(isOr);
        }
    }
    rdo1->SetChecked(read(*rdo1, Ini.ReadBool(section, "rdo1", false)));
    rdo2->SetChecked(read(*rdo2, Ini.ReadBool(section, "rdo2", true)));
    rb1Click(nullptr);
    for (const ui::TControl* control : given) DeviceValues.Given(*control);
}

TChannelLinks CurrentChannelLinks() { return formWays != nullptr ? formWays->ChannelLinks() : TChannelLinks{}; }

// ---------------------------------------------------------------- device exchange

namespace {

const std::string kLanGroup = "LAN-online";
const std::string kGprsGroup = "Конфигурация активных каналов GPRS";
const std::string kSwitchGroup = "Флаг перехода по направлениям";
constexpr int kGroups = 11;

struct DirectionValue {
    int direction;
    int type;
    bool knownCode;  // false: a code no type has, read as "Не используется"
    std::string phone;
};

// "не записан, так как канал 3 не прочитан"; several: "каналы 3, 5 не прочитаны".
std::string UnreadChannelsReason(const std::vector<int>& Channels)
{
    std::string numbers;
    for (const int n : Channels) numbers += (numbers.empty() ? "" : ", ") + std::to_string(n);
    return std::string("не записан, так как ") + (Channels.size() == 1 ? "канал " : "каналы ") + numbers +
           (Channels.size() == 1 ? " не прочитан" : " не прочитаны");
}

// "alphon" reply: direction digit, position digit, four-character type code, "=", number. nullopt for a
// value the page cannot use (a digit that is not hexadecimal, no "=").
std::optional<DirectionValue> ParseDirection(const std::string& value)
{
    const int direction = ParseHexDigit(platform::Copy(value, 1, 1));
    const int position = ParseHexDigit(platform::Copy(value, 2, 1));
    const std::size_t eq = platform::Pos("=", value);
    if (direction < 0 || position < 0 || eq == 0) return std::nullopt;
    const int type = WayCodeToIndex(value);
    const bool known = type != WayTypeUnused || platform::Copy(value, 3, 4) == WayIndexToCode(WayTypeUnused);
    return DirectionValue{direction, type, known, platform::Copy(value, static_cast<long long>(eq) + 1, 1'000'000)};
}

// Why each channel is held back, empty for one that is written. A channel's direction and place follow
// from the links between all the channels before it, and the links on either side of a channel the
// page does not know are not known either: every channel after it waits for it.
std::vector<std::string> ChannelHolds(const TformWays& Page)
{
    std::vector<std::string> holds;
    std::vector<int> unknown;
    for (int i = 0; i < TformWays::ChannelCount; ++i) {
        const bool own = Page.DeviceValues.Held(Page.Direction(i));
        if (own) holds.emplace_back(TDeviceValues::HeldBackReason);
        else if (unknown.empty()) holds.emplace_back();
        else holds.push_back(UnreadChannelsReason(unknown));
        if (own) unknown.push_back(i + 1);
    }
    return holds;
}

}  // namespace

void ReadWaysPage(TExchangeSteps& Steps, TformWays& Page, bool WithSwitch)
{
    TDevice& device = Steps.Device();
    Steps.SetWatchdog(false);
    Steps.SetupProgress(kGroups);

    Steps.LogReading(kLanGroup);
    if (std::string value; ReadDone(Steps, kLanGroup, {Page.lan}, ReadLanEnable(device, value)))
        Page.lan->SetChecked(value == "00");
    Steps.StepProgress();

    Steps.LogReading(kGprsGroup);
    if (bool sim1 = false, sim2 = false; ReadDone(Steps, kGprsGroup, {Page.cb11, Page.cb12}, ReadGprsEnable(device, sim1, sim2))) {
        Page.cb11->SetChecked(sim1);
        Page.cb12->SetChecked(sim2);
    }
    Steps.StepProgress();

    int lastDirection = 0;
    for (int n = 1; n <= TformWays::ChannelCount; ++n) {
        const std::string group = kDirectionGroup + std::to_string(n);
        const auto k = static_cast<std::size_t>(n - 1);
        Steps.LogReading(group);
        std::string value;
        const auto parsed = ReadDirectionParams(device, n - 1, value) ? ParseDirection(value) : std::nullopt;
        bool typeShown = false;
        if (parsed) {
            if (n > 1) Page.SetLink(n - 2, parsed->direction == lastDirection);
            lastDirection = parsed->direction;
            // A type this list does not offer, or a code no type has, must not leave the old type
            // selected: the channel is then "Не используется", and the error tells that the device's
            // type is lost on the page (so the channel holds no device value).
            typeShown = Page.FindTypeItem(*Page.cb[k], parsed->type) && parsed->knownCode;
            if (!typeShown) Page.cb[k]->SetItemIndex(0);
            Page.etP[k]->SetText(parsed->phone);
        }
        ReadDone(Steps, group, Page.Direction(n - 1), typeShown);
        Steps.StepProgress();
    }

    if (WithSwitch) {
        Steps.LogReading(kSwitchGroup);
        if (std::string value; ReadDone(Steps, kSwitchGroup, {Page.rdo1, Page.rdo2}, ReadDirectionSwitch(device, value)))
            (value == "FF" ? Page.rdo1 : Page.rdo2)->SetChecked(true);
        Steps.StepProgress();
        Steps.SetWatchdog(true);
    }
}

void WriteWaysPage(TExchangeSteps& Steps, TformWays& Page)
{
    TDevice& device = Steps.Device();
    Steps.SetWatchdog(false);
    Steps.SetupProgress(kGroups);
    Steps.StepProgress();
    const std::vector<std::string> holds = ChannelHolds(Page);
    // The device's history goes only for channels that are written.
    if (std::find(holds.begin(), holds.end(), std::string()) != holds.end() && !EraseDeviceHistory(Steps, false))
        Steps.AddWriteError("Удаление истории");

    Steps.LogWriting(kLanGroup);
    if (std::string value; MaySend(Steps, kLanGroup, {Page.lan})) {
        const std::string wanted = Page.lan->Checked() ? "00" : "FF";
        if (!ReadLanEnable(device, value) || (platform::Trim(value) != wanted && !WriteLanEnable(device, wanted)))
            Steps.AddWriteError(kLanGroup);
    }
    Steps.StepProgress();

    Steps.LogWriting(kGprsGroup);
    if (MaySend(Steps, kGprsGroup, {Page.cb11, Page.cb12}) && !WriteGprsEnable(device, Page.cb11->Checked(), Page.cb12->Checked()))
        Steps.AddWriteError(kGprsGroup);
    Steps.StepProgress();

    int direction = 1;
    int position = 1;
    for (int i = 1; i <= TformWays::ChannelCount; ++i) {
        const auto k = static_cast<std::size_t>(i - 1);
        const std::string value = std::string{HexDigitChar(i - 1), HexDigitChar(direction), HexDigitChar(position)} +
                                  WayIndexToCode(Page.ChannelType(i - 1)) + "=" + Page.etP[k]->Text();
        const std::string group = kDirectionGroup + std::to_string(i);
        Steps.LogWriting(group);
        if (!holds[k].empty()) NameHeldBack(Steps, group, holds[k]);
        else if (!WriteDirectionParams(device, value)) Steps.AddWriteError(group);
        if (i < TformWays::ChannelCount) {
            if (Page.IsOrLink(i - 1)) {
                ++position;
            } else {
                ++direction;
                position = 1;
            }
        }
        Steps.StepProgress();
    }

    Steps.LogWriting(kSwitchGroup);
    if (MaySend(Steps, kSwitchGroup, {Page.rdo1, Page.rdo2}) && !WriteDirectionSwitch(device, Page.rdo1->Checked() ? "FF" : "00"))
        Steps.AddWriteError(kSwitchGroup);
    Steps.StepProgress();
    Steps.SetWatchdog(true);
}

void TDeviceController::ReadWays(bool Flag)
{
    if (formWays == nullptr) return;
    TControllerSteps steps(*this);
    ReadWaysPage(steps, *formWays, Flag);
}

void TDeviceController::WriteWays()
{
    if (formWays == nullptr) return;
    TControllerSteps steps(*this);
    WriteWaysPage(steps, *formWays);
}
