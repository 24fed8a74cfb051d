#include "app/fLoops.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "app/FormAppMainController.h"
#include "app/DeviceController.h"
#include "link/DevCommands.h"
#include "platform/Text.h"
#include "ui/Layout.h"

TFormLoops* FormLoops = nullptr;

namespace {

constexpr const char* kFlagsGroup = "Параметры реакции на дискретные входы";
// The read titles misspell a word that the write titles spell right; both are kept as the user knows them.
constexpr const char* kReadEventGroups[TFormLoops::EventCount] = {
    "Параметры при срабытывании входа 1", "Параметры при восстановлении входа 1",
    "Параметры при срабытывании входа 2", "Параметры при восстановлении входа 2",
    "Параметры при срабытывании входа 3", "Параметры при восстановлении входа 3",
};
constexpr const char* kWriteEventGroups[TFormLoops::EventCount] = {
    "Параметры при срабатывании входа 1", "Параметры при восстановлении входа 1",
    "Параметры при срабатывании входа 2", "Параметры при восстановлении входа 2",
    "Параметры при срабатывании входа 3", "Параметры при восстановлении входа 3",
};
constexpr const char* kTamperGroup = "Флаг включения события тампера";
constexpr const char* kNoEventCode = "не выбран код события";

bool AllDigits(const std::string& S)
{
    return !S.empty() && std::all_of(S.begin(), S.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "0" removed from the front while the text is longer than Keep, at most Times times.
std::string DropLeadingZeros(std::string S, std::size_t Keep, int Times)
{
    for (int i = 0; i < Times && S.size() > Keep && S.front() == '0'; ++i) S.erase(0, 1);
    return S;
}

std::string Padded(int Value, int Width)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", Width, Value);
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------------------- values

const TMsgFile& ProgramTableOr(const TMsgFile* Given)
{
    static const TMsgFile kEmpty;
    if (Given != nullptr) return *Given;
    return MsgFile != nullptr ? *MsgFile : kEmpty;
}

std::optional<TInputFlags> DecodeInputFlags(const std::string& Value)
{
    const std::string v = platform::Trim(Value);
    if (v.size() < 2 || HexDigit(v[0]) < 0 || HexDigit(v[1]) < 0) return std::nullopt;
    const int byte = HexDigit(v[0]) * 16 + HexDigit(v[1]);
    TInputFlags flags{};
    for (int bit = 0; bit < TFormLoops::EventCount; ++bit) flags[bit] = (byte >> bit & 1) != 0;
    return flags;
}

std::string EncodeInputFlags(const TInputFlags& Flags)
{
    int byte = 0x80;
    for (int bit = 0; bit < TFormLoops::EventCount; ++bit)
        if (Flags[bit]) byte |= 1 << bit;
    char text[4];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

std::optional<TLoopEventValue> DecodeEventValue(const std::string& Value)
{
    const std::string code = platform::Copy(Value, 1, 4);
    if (code.size() != 4 || !AllDigits(code)) return std::nullopt;
    return TLoopEventValue{code, DropLeadingZeros(platform::Copy(Value, 5, 2), 1, 1),
                           DropLeadingZeros(platform::Copy(Value, 7, 3), 1, 2)};
}

std::string EventItemText(const std::string& Code, const TMsgFile& Messages)
{
    const std::string key = platform::Copy(Code, 2, 3) + platform::Copy(Code, 1, 1);
    return key + ": " + Messages.TextOf(key);
}

std::optional<std::string> BuildEventValue(const std::string& ItemText, int Partition, int Loop)
{
    // The item begins with the table's key: event code, then qualifier; the device wants them swapped.
    const std::string key = platform::Copy(ItemText, 1, 4);
    if (key.size() != 4 || !AllDigits(key)) return std::nullopt;
    const int partition = std::clamp(Partition, 0, 99);
    const int loop = std::clamp(Loop, 0, 999);
    return key.substr(3, 1) + key.substr(0, 3) + Padded(partition, 2) + Padded(loop, 3);
}

// ---------------------------------------------------------------------------------------- event list

TEventComboBox::TEventComboBox(ui::TComponent* owner) : ui::TComboBox(owner)
{
    SetStyle(ui::csDropDownList);
    OnDropDown = [this](ui::TObject*) { ListDropped(true); };
    OnCloseUp = [this](ui::TObject*) { ListDropped(false); };
}

void TEventComboBox::ListDropped(bool Dropped)
{
    ListHooked_ = Dropped;
    if (!Dropped) FreeHint();
}

void TEventComboBox::FreeHint()
{
    HintWindow_.reset();
    HintIndex_ = -1;
}

void TEventComboBox::ListMouseMove(int X, int Y)
{
    if (!ListHooked_) return;
    const int index = Y >= 0 ? Y / ItemHeight : -1;
    if (X < 0 || X >= Width() || index < 0 || index >= Items().Count()) {
        FreeHint();
        return;
    }
    if (index == HintIndex_) return;
    FreeHint();
    HintIndex_ = index;
    const std::string& text = Items()[index];
    if (ui::TextWidthEstimate(text, Font()) > ClientWidth()) {
        const int width = ui::TextWidthEstimate(text, Font()) + 6;
        HintWindow_ = THintWindow{text, ui::Bounds(0, index * ItemHeight, width, ItemHeight)};
    }
}

// ---------------------------------------------------------------------------------------- page

TFormLoops::TFormLoops(ui::TComponent* owner, const TMsgFile* Messages)
    : TformIncl(owner), Messages(ProgramTableOr(Messages))
{
    using namespace ui;
    SetCaption("Шлейфы");
    GroupBox1 = Create<TGroupBox>(this, "GroupBox1", this);
    GroupBox1->SetCaption("Настройка шлейфов");

    struct LoopControls {
        TGroupBox*& box;
        TCheckBox*& responce;
        TEventComboBox*& res;
        TSpinEdit*& partRes;
        TSpinEdit*& loopRes;
        TCheckBox*& recovery;
        TEventComboBox*& rec;
        TSpinEdit*& partRec;
        TSpinEdit*& loopRec;
    };
    const LoopControls loops[] = {
        {gb1, cbResponce1, cbRes1, etPartRes1, etLoopRes1, cbRecovery1, cbRec1, etPartRec1, etLoopRec1},
        {gb2, cbResponce2, cbRes2, etPartRes2, etLoopRes2, cbRecovery2, cbRec2, etPartRec2, etLoopRec2},
        {gb3, cbResponce3, cbRes3, etPartRes3, etLoopRes3, cbRecovery3, cbRec3, etPartRec3, etLoopRec3},
    };
    int labels = 0;
    const auto label = [&](TWinControl* parent, const std::string& caption) {
        auto* l = Create<TLabel>(this, "Label" + std::to_string(++labels), parent);
        l->SetAutoSize(false);
        l->SetBounds(0, 0, TextWidthEstimate(caption, l->Font()) + 4, 21);
        l->SetLayout(tlCenter);
        l->SetCaption(caption);
        return l;
    };
    const auto spin = [&](const std::string& name, TWinControl* parent, int max, int length) {
        auto* s = Create<TSpinEdit>(this, name, parent);
        s->SetMinValue(0);
        s->SetMaxValue(max);
        s->SetMaxLength(length);
        s->SetHint("0");
        s->SetBounds(0, 0, 60, 21);
        return s;
    };
    const auto combo = [&](const std::string& name, TWinControl* parent, const char* hint) {
        auto* c = Create<TEventComboBox>(this, name, parent);
        c->SetHint(hint);
        c->SetBounds(0, 0, 260, 21);
        c->SetEnabled(false);
        return c;
    };
    const auto box = [&](const std::string& name, TWinControl* parent) {
        auto* b = Create<TCheckBox>(this, name, parent);
        b->SetHint("false");
        b->SetBounds(0, 0, 21, 21);
        return b;
    };
    for (int n = 0; n < 3; ++n) {
        const std::string digit = std::to_string(n + 1);
        const LoopControls& c = loops[n];
        c.box = Create<TGroupBox>(this, "gb" + digit, GroupBox1);
        c.box->SetCaption("Шлейф " + digit);
        TLabel* open = label(c.box, "Шлейф разомкнут");
        TLabel* closed = label(c.box, "Шлейф замкнут");
        TLabel* on = label(c.box, "Включить");
        TLabel* code = label(c.box, "Код");
        TLabel* partition = label(c.box, "Номер раздела");
        TLabel* loop = label(c.box, "Номер Шлейфа");
        c.responce = box("cbResponce" + digit, c.box);
        c.res = combo("cbRes" + digit, c.box, "39");
        c.partRes = spin("etPartRes" + digit, c.box, 99, 2);
        c.loopRes = spin("etLoopRes" + digit, c.box, 999, 3);
        c.recovery = box("cbRecovery" + digit, c.box);
        c.rec = combo("cbRec" + digit, c.box, "38");
        c.partRec = spin("etPartRec" + digit, c.box, 99, 2);
        c.loopRec = spin("etLoopRec" + digit, c.box, 999, 3);
        c.partRes->SetEnabled(false);
        c.loopRes->SetEnabled(false);
        c.partRec->SetEnabled(false);
        c.loopRec->SetEnabled(false);
        Layout::Columns(*c.box, {{label(c.box, ""), open, closed},
                                 {on, c.responce, c.recovery},
                                 {code, c.res, c.rec},
                                 {partition, c.partRes, c.partRec},
                                 {loop, c.loopRes, c.loopRec}});
    }
    Layout::Stack(*GroupBox1, {gb1, gb2, gb3});

    GroupBox2 = Create<TGroupBox>(this, "GroupBox2", this);
    GroupBox2->SetCaption("Флаг включения события тампера ");
    cbTamper = Create<TCheckBox>(this, "cbTamper", GroupBox2);
    cbTamper->SetCaption("Использовать тампер");
    cbTamper->SetHint("false");
    cbTamper->SetBounds(0, 0, TextWidthEstimate(cbTamper->Caption(), cbTamper->Font()) + 24, 17);
    Layout::Stack(*GroupBox2, {cbTamper});
    Layout::Columns(*this, {{GroupBox1, GroupBox2}});

    cbResponce1->OnClick = [this](TObject* s) { cbResponce1Click(s); };
    cbResponce2->OnClick = [this](TObject* s) { cbResponce2Click(s); };
    cbResponce3->OnClick = [this](TObject* s) { cbResponce3Click(s); };
    cbRecovery1->OnClick = [this](TObject* s) { cbRecovery1Click(s); };
    cbRecovery2->OnClick = [this](TObject* s) { cbRecovery2Click(s); };
    cbRecovery3->OnClick = [this](TObject* s) { cbRecovery3Click(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    FormLoops = this;
}

TFormLoops::~TFormLoops()
{
    if (FormLoops == this) FormLoops = nullptr;
}

void TFormLoops::FormCreate(ui::TObject*)
{
    std::vector<std::string> items;
    for (int row = 0; row < Messages.Count(); ++row) items.push_back(Messages.Cell(row, 0) + ": " + Messages.Cell(row, 1));
    for (int k = 0; k < EventCount; ++k) {
        TEventComboBox* list = Event(k).Code;
        list->Items().BeginUpdate();
        for (const std::string& item : items) list->Items().Add(item);
        list->Items().EndUpdate();
        list->SetItemIndex(0);
        // As wide as the longest event, so that no item is cut.
        list->SetWidth(std::max(list->Width(), ui::Layout::ComboFitWidth(*list, items)));
    }
}

TLoopEventControls TFormLoops::Event(int K) const
{
    switch (K) {
    case 0: return {cbResponce1, cbRes1, etPartRes1, etLoopRes1};
    case 1: return {cbRecovery1, cbRec1, etPartRec1, etLoopRec1};
    case 2: return {cbResponce2, cbRes2, etPartRes2, etLoopRes2};
    case 3: return {cbRecovery2, cbRec2, etPartRec2, etLoopRec2};
    case 4: return {cbResponce3, cbRes3, etPartRes3, etLoopRes3};
    case 5: return {cbRecovery3, cbRec3, etPartRec3, etLoopRec3};
    default: throw std::out_of_range("loop event " + std::to_string(K));
    }
}

void TFormLoops::EnableEvent(int K)
{
    const TLoopEventControls e = Event(K);
    const bool on = e.Box->Checked();
    e.Code->SetEnabled(on);
    e.Partition->SetEnabled(on);
    e.Loop->SetEnabled(on);
}

void TFormLoops::cbResponce1Click(ui::TObject*) { EnableEvent(0); }
void TFormLoops::cbRecovery1Click(ui::TObject*) { EnableEvent(1); }
void TFormLoops::cbResponce2Click(ui::TObject*) { EnableEvent(2); }
void TFormLoops::cbRecovery2Click(ui::TObject*) { EnableEvent(3); }
void TFormLoops::cbResponce3Click(ui::TObject*) { EnableEvent(4); }
void TFormLoops::cbRecovery3Click(ui::TObject*) { EnableEvent(5); }

void TFormLoops::Clear()
{
    std::array<bool, EventCount> ticks{};
    for (int k = 0; k < EventCount; ++k) ticks[k] = Event(k).Box->Checked();
    const bool tamper = cbTamper->Checked();
    TformIncl::Clear();
    for (int k = 0; k < EventCount; ++k) Event(k).Box->SetChecked(ticks[k]);
    cbTamper->SetChecked(tamper);
}

void TFormLoops::LoadFromIni(const TMemIniFile& Ini)
{
    TformIncl::LoadFromIni(Ini);
    for (const int k : {1, 3, 5, 0, 2, 4}) EnableEvent(k);
}

void TFormLoops::SelectEventCode(int K, const std::string& Code)
{
    TEventComboBox* list = Event(K).Code;
    const std::string text = EventItemText(Code, Messages);
    int index = list->Items().IndexOfExact(text);
    if (index < 0) index = list->Items().Add(text);
    list->SetItemIndex(index);
}

// ---------------------------------------------------------------------------------------- device

namespace {

TGroupControls FlagsGroup(const TFormLoops& Page)
{
    TGroupControls group;
    for (int k = 0; k < TFormLoops::EventCount; ++k) group.push_back(Page.Event(k).Box);
    return group;
}

TGroupControls EventGroup(const TLoopEventControls& Event) { return {Event.Code, Event.Partition, Event.Loop}; }

}  // namespace

void TDeviceController::ReadLoops()
{
    if (FormLoops == nullptr) return;
    const TExchange exchange(*this);
    TFormLoops& page = *FormLoops;
    SetupProgress(7);
    std::string value;
    const auto group = [this](const char* title, const TGroupControls& controls, const std::function<bool()>& read) {
        LogReading(title);
        ReadDone(*this, title, controls, read());
        StepProgress();
    };

    group(kFlagsGroup, FlagsGroup(page), [&] {
        if (!ReadInputFlags(Device(), value)) return false;
        // A value that is not hexadecimal changes nothing and is no failure of the read.
        if (const auto flags = DecodeInputFlags(value))
            for (int k = 0; k < TFormLoops::EventCount; ++k) page.Event(k).Box->SetChecked((*flags)[k]);
        return true;
    });
    for (int k = 0; k < TFormLoops::EventCount; ++k) {
        group(kReadEventGroups[k], EventGroup(page.Event(k)), [&] {
            if (!ReadInputEventParams(Device(), k, value)) return false;
            const auto event = DecodeEventValue(value);
            if (!event) return false;
            page.SelectEventCode(k, event->Code);
            page.Event(k).Partition->SetText(event->Partition);
            page.Event(k).Loop->SetText(event->Loop);
            return true;
        });
    }
    group(kTamperGroup, {page.cbTamper}, [&] {
        if (!ReadTamperEnable(Device(), value)) return false;
        page.cbTamper->SetChecked(value.find("00") != std::string::npos);
        return true;
    });
}

void TDeviceController::WriteLoops()
{
    if (FormLoops == nullptr) return;
    const TExchange exchange(*this);
    const TFormLoops& page = *FormLoops;
    SetupProgress(6);

    LogWriting(kFlagsGroup);
    TInputFlags flags{};
    for (int k = 0; k < TFormLoops::EventCount; ++k) flags[k] = page.Event(k).Box->Checked();
    if (MaySend(*this, kFlagsGroup, FlagsGroup(page)) && !WriteInputFlags(Device(), EncodeInputFlags(flags)))
        AddWriteError(kFlagsGroup);
    StepProgress();

    for (int k = 0; k < TFormLoops::EventCount; ++k) {
        const TLoopEventControls e = page.Event(k);
        const auto value = e.Code->ItemIndex() < 0
                               ? std::nullopt
                               : BuildEventValue(e.Code->Text(), e.Partition->Value(), e.Loop->Value());
        if (MaySend(*this, kWriteEventGroups[k], EventGroup(e))) {
            if (!value) {
                AddWriteErrorDetail(kWriteEventGroups[k], kNoEventCode);
            } else {
                LogWriting(kWriteEventGroups[k]);
                if (!WriteInputEventParams(Device(), k, *value)) AddWriteError(kWriteEventGroups[k]);
            }
        }
        StepProgress();
    }

    LogWriting(kTamperGroup);
    if (MaySend(*this, kTamperGroup, {page.cbTamper}) && !WriteTamperEnable(Device(), page.cbTamper->Checked()))
        AddWriteError(kTamperGroup);
    StepProgress();
}
