#include "app/fATests.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "app/DeviceController.h"
#include "app/InputController.h"
#include "link/DevCommands.h"
#include "platform/Text.h"
#include "ui/Layout.h"

TformATests* formATests = nullptr;

namespace {

constexpr int kHours = 24;
constexpr int kMinutes = 60;
constexpr int kTests = 3;
constexpr int kDeltaHours = 24;
constexpr int kFiveMinuteSteps = 12;
constexpr int kExtraTestBuild = 94;
constexpr const char* kEventsGroup = "Системные события";
constexpr const char* kBatteryLogicGroup = "Логика работы по аккумуляторной батарее";
constexpr const char* kThresholdsGroup = "Пороги генерирования событий по АКБ";
constexpr const char* kExtraTestGroup = "Дополнительный автотест";
constexpr int kQuarterMinutes = 4;

std::optional<unsigned> HexField(const std::string& Value, int Index1, int Count)
{
    const std::string field = platform::Copy(Value, Index1, Count);
    if (static_cast<int>(field.size()) != Count) return std::nullopt;
    unsigned v = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), v, 16);
    if (ec != std::errc() || end != field.data() + field.size()) return std::nullopt;
    return v;
}

std::optional<int> Digits(std::string text)
{
    for (char& c : text)
        if (c == ' ') c = '0';
    if (text.empty()) return std::nullopt;
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return v;
}

std::string Padded(int Value, int Width)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.*d", Width, Value);
    return text;
}

std::string Hex(unsigned Value, int Width)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", Width, Value);
    return text;
}

ui::TComboBox* NumberList(TformIncl* owner, const std::string& name, ui::TWinControl* parent, int count,
                          int step, const char* hint)
{
    auto* box = ui::Create<ui::TComboBox>(owner, name, parent);
    box->SetStyle(ui::csDropDownList);
    box->SetWidth(50);
    for (int i = 0; i < count; ++i) box->Items().Add(std::to_string(i * step));
    if (hint != nullptr) box->SetHint(hint);
    return box;
}

}  // namespace

std::optional<TSystemEvents> DecodeSystemEvents(const std::string& Value)
{
    constexpr int kLength = 18;
    if (Value.size() != kLength) return std::nullopt;
    for (int at = 1; at <= kLength; at += 2)
        if (!HexField(Value, at, 2)) return std::nullopt;
    TSystemEvents events;
    if (platform::AsciiUpper(platform::Copy(Value, 1, 2)) != "FF") events.MainsDelay = static_cast<int>(*HexField(Value, 1, 2));
    events.Restart = platform::AsciiUpper(platform::Copy(Value, 5, 2)) != "FF";
    for (int t = 0; t < kTests; ++t) {
        const int at = 7 + t * 4;
        if (platform::AsciiUpper(platform::Copy(Value, at, 2)) == "FF") continue;
        const TTestTime time{static_cast<int>(*HexField(Value, at, 2)), static_cast<int>(*HexField(Value, at + 2, 2))};
        if (time.Hour >= kHours || time.Minute >= kMinutes) return std::nullopt;
        events.Tests.push_back(time);
    }
    return events;
}

void TidyTestTimes(int& Count, std::array<TTestTime, 3>& Tests)
{
    TTestTime& t1 = Tests[0];
    TTestTime& t2 = Tests[1];
    TTestTime& t3 = Tests[2];
    switch (Count) {
    case 0: t1 = t2 = t3 = {}; break;
    case 1: t2 = t3 = {}; break;
    case 2:
        t3 = {};
        if (t1 == t2) {
            Count = 1;
            t2 = {};
        }
        break;
    case 3:
        if (t1 == t2) {
            Count = 2;
            t2 = t3;
            t3 = {};
            if (t1 == t2) {
                Count = 1;
                t2 = {};
            }
        } else if (t1 == t3 || t2 == t3) {
            Count = 2;
            t3 = {};
        }
        break;
    default: break;
    }
}

std::optional<std::string> EncodeTestTimes(int Count, const std::array<TTestTime, 3>& Tests)
{
    if (Count > kTests) return std::nullopt;
    std::string out;
    for (int t = 0; t < kTests; ++t) {
        if (t >= Count) {
            out += "FFFF";
            continue;
        }
        const TTestTime& time = Tests[static_cast<std::size_t>(t)];
        if (time.Hour < 0 || time.Hour >= kHours || time.Minute < 0 || time.Minute >= kMinutes) return std::nullopt;
        out += Hex(static_cast<unsigned>(time.Hour), 2) + Hex(static_cast<unsigned>(time.Minute), 2);
    }
    return out;
}

bool ExtraTestUsesMinutes(int Major, int Build) { return Major >= 5 && Build >= 121; }

std::optional<std::string> EncodeExtraTest(int HoursItem, int MinutesItem, bool Minutes)
{
    const int perHour = Minutes ? kMinutes : kFiveMinuteSteps;
    if (HoursItem < 0 || HoursItem > kDeltaHours || MinutesItem < 0 || MinutesItem >= perHour) return std::nullopt;
    return Hex(static_cast<unsigned>(HoursItem * perHour + MinutesItem), 4);
}

std::pair<int, int> DecodeExtraTest(unsigned Period, bool Minutes)
{
    const unsigned perHour = Minutes ? kMinutes : kFiveMinuteSteps;
    return {static_cast<int>(std::min<unsigned>(Period / perHour, kDeltaHours)), static_cast<int>(Period % perHour)};
}

std::string ClampNumberText(const std::string& Text, int Min, int Max, int Digits_)
{
    const auto v = Digits(Text);
    return Padded(v ? std::clamp(*v, Min, Max) : Min, Digits_);
}

std::string ClampVoltageText(const std::string& Text, int Min, int Max)
{
    const auto volts = Digits(platform::Copy(Text, 1, 2));
    const auto hundredths = Digits(platform::Copy(Text, 4, 2));
    const int v = volts && hundredths ? std::clamp(*volts * 100 + *hundredths, Min, Max) : Min;
    return Padded(v / 100, 2) + "," + Padded(v % 100, 2);
}

TformATests::TformATests(ui::TComponent* owner) : TformIncl(owner)
{
    using namespace ui;
    SetCaption("Системные события");
    const auto check = [this](const char* name, TWinControl* parent, const char* caption) {
        auto* c = Create<TCheckBox>(this, name, parent);
        c->SetCaption(caption);
        c->SetHint("false");
        c->SetWidth(260);
        return c;
    };
    const auto mask = [this](const char* name, TWinControl* parent, const char* editMask, const char* hint) {
        auto* e = Create<TMaskEdit>(this, name, parent);
        e->SetEditMask(editMask);
        e->SetHint(hint);
        e->SetWidth(60);
        return e;
    };
    const auto label = [this](const char* name, TWinControl* parent, const char* caption) {
        auto* l = Create<TLabel>(this, name, parent);
        l->SetCaption(caption);
        return l;
    };

    GroupBox1 = Create<TGroupBox>(this, "GroupBox1", this);
    GroupBox1->SetCaption("Системные события");
    reload = check("reload", GroupBox1, "Перезагрузка");
    vosst = check("vosst", GroupBox1, "Восстановление 220 V / Исчезновение 220 V");
    Label1 = label("Label1", GroupBox1, "Задержка генерирования событий по 220 V, минут");
    zadav = mask("zadav", GroupBox1, "!99;1;_", "15");
    zadav->SetEnabled(false);
    Layout::Rows(*GroupBox1, {{nullptr, reload}, {nullptr, vosst}, {Label1, zadav}});

    GroupBox2 = Create<TGroupBox>(this, "GroupBox2", this);
    GroupBox2->SetCaption("Неисправность АКБ");
    cbAKBlogN = check("cbAKBlogN", GroupBox2, "Неисправность АКБ");
    Label2 = label("Label2", GroupBox2, "Порог напряжения, В");
    meAKBtreshN = mask("meAKBtreshN", GroupBox2, "!99,99;1;_", "11,00");
    Label3 = label("Label3", GroupBox2, "Время, минут");
    etAKBlogTime = mask("etAKBlogTime", GroupBox2, "!999;1;_", "010");
    Layout::Rows(*GroupBox2, {{nullptr, cbAKBlogN}, {Label2, meAKBtreshN}, {Label3, etAKBlogTime}});

    GroupBox3 = Create<TGroupBox>(this, "GroupBox3", this);
    GroupBox3->SetCaption("Разряд АКБ");
    cbAKBlogR = check("cbAKBlogR", GroupBox3, "Разряд АКБ");
    Label4 = label("Label4", GroupBox3, "Порог напряжения, В");
    meAKBTreshR = mask("meAKBTreshR", GroupBox3, "!99,99;1;_", "10,00");
    Layout::Rows(*GroupBox3, {{nullptr, cbAKBlogR}, {Label4, meAKBTreshR}});

    GroupBox4 = Create<TGroupBox>(this, "GroupBox4", this);
    GroupBox4->SetCaption("Автотест");
    Label5 = label("Label5", GroupBox4, "Количество автотестов в сутки");
    ComboBox1 = Create<TComboBox>(this, "ComboBox1", GroupBox4);
    ComboBox1->SetStyle(csDropDownList);
    for (const char* item : {"Нет", "Один", "Два", "Три"}) ComboBox1->Items().Add(item);
    ComboBox1->SetHint("0");
    std::vector<Layout::Row> rows{{Label5, ComboBox1}};
    std::array<TComboBox**, 6> boxes{&cbH1, &cbM1, &cbH2, &cbM2, &cbH3, &cbM3};
    for (int t = 1; t <= kTests; ++t) {
        const std::string n = std::to_string(t);
        auto* hour = NumberList(this, "cbH" + n, GroupBox4, kHours, 1, "0");
        auto* minute = NumberList(this, "cbM" + n, GroupBox4, 0, 1, "0");
        *boxes[static_cast<std::size_t>((t - 1) * 2)] = hour;
        *boxes[static_cast<std::size_t>((t - 1) * 2 + 1)] = minute;
        rows.push_back(
            {label(("lbTest" + n).c_str(), GroupBox4, ("Время автотеста " + n + " (часы, минуты)").c_str()), hour, minute});
    }
    Layout::Rows(*GroupBox4, rows);

    DeltaATest = Create<TGroupBox>(this, "DeltaATest", this);
    DeltaATest->SetCaption("Дополнительный автотест");
    DeltaHours = NumberList(this, "DeltaHours", DeltaATest, kDeltaHours + 1, 1, nullptr);
    DeltaMinuts = NumberList(this, "DeltaMinuts", DeltaATest, kFiveMinuteSteps, 5, nullptr);
    Layout::Rows(*DeltaATest, {{label("lbDeltaHours", DeltaATest, "Период, часов"), DeltaHours},
                               {label("lbDeltaMinuts", DeltaATest, "минут"), DeltaMinuts}});
    DeltaATest->SetVisible(false);
    Layout::Columns(*this, {{GroupBox1, GroupBox2, GroupBox3}, {GroupBox4, DeltaATest}});

    vosst->OnClick = [this](TObject* s) { vosstClick(s); };
    cbAKBlogN->OnClick = [this](TObject* s) { cbAKBlogNClick(s); };
    cbAKBlogR->OnClick = [this](TObject* s) { cbAKBlogRClick(s); };
    zadav->OnChange = [this](TObject* s) { zadavChange(s); };
    etAKBlogTime->OnChange = [this](TObject* s) { etAKBlogTimeChange(s); };
    meAKBtreshN->OnChange = [this](TObject* s) { meAKBtreshNChange(s); };
    meAKBTreshR->OnChange = [this](TObject* s) { meAKBTreshRChange(s); };
    etAKBlogTime->OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState sh) { etAKBlogTimeKeyDown(s, k, sh); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

TformATests::~TformATests()
{
    if (formATests == this) formATests = nullptr;
}

ui::TComboBox* TformATests::HourBox(int N) const
{
    return dynamic_cast<ui::TComboBox*>(FindComponent("cbH" + std::to_string(N)));
}

ui::TComboBox* TformATests::MinuteBox(int N) const
{
    return dynamic_cast<ui::TComboBox*>(FindComponent("cbM" + std::to_string(N)));
}

std::array<TTestTime, 3> TformATests::TestTimes() const
{
    std::array<TTestTime, 3> tests;
    for (int t = 1; t <= kTests; ++t)
        tests[static_cast<std::size_t>(t - 1)] = {HourBox(t)->ItemIndex(), MinuteBox(t)->ItemIndex()};
    return tests;
}

void TformATests::SetTestTimes(const std::array<TTestTime, 3>& Tests)
{
    for (int t = 1; t <= kTests; ++t) {
        HourBox(t)->SetItemIndex(Tests[static_cast<std::size_t>(t - 1)].Hour);
        MinuteBox(t)->SetItemIndex(Tests[static_cast<std::size_t>(t - 1)].Minute);
    }
}

void TformATests::FillDeltaMinutes(bool EveryMinute)
{
    const int count = EveryMinute ? kMinutes : kFiveMinuteSteps;
    if (DeltaMinuts->Items().Count() == count) return;
    DeltaMinuts->Items().Clear();
    for (int i = 0; i < count; ++i) DeltaMinuts->Items().Add(std::to_string(EveryMinute ? i : i * 5));
}

void TformATests::SetupForDevice(int Major, int Build)
{
    DeltaATest->SetVisible(Build >= 94);
    FillDeltaMinutes(ExtraTestUsesMinutes(Major, Build));
}

void TformATests::FormCreate(ui::TObject*)
{
    for (ui::TComboBox* box : {cbM1, cbM2, cbM3}) {
        box->Items().Clear();
        for (int i = 0; i < kMinutes; ++i) box->Items().Add(std::to_string(i));
        box->SetItemIndex(0);
    }
    UpdateBatteryControls();
}

void TformATests::vosstClick(ui::TObject*) { UpdateBatteryControls(); }

void TformATests::UpdateBatteryControls()
{
    const bool on = vosst->Checked();
    if (!on) {
        cbAKBlogN->SetChecked(false);
        cbAKBlogR->SetChecked(false);
    }
    for (ui::TControl* c : std::initializer_list<ui::TControl*>{zadav, cbAKBlogN, cbAKBlogR, GroupBox2, GroupBox3,
                                                                Label2, Label3, Label4})
        c->SetEnabled(on);
    meAKBtreshN->SetEnabled(false);
    etAKBlogTime->SetEnabled(false);
    meAKBTreshR->SetEnabled(false);
}

void TformATests::cbAKBlogNClick(ui::TObject*)
{
    meAKBtreshN->SetEnabled(cbAKBlogN->Checked());
    etAKBlogTime->SetEnabled(cbAKBlogN->Checked());
}

void TformATests::cbAKBlogRClick(ui::TObject*) { meAKBTreshR->SetEnabled(cbAKBlogR->Checked()); }

void TformATests::zadavChange(ui::TObject*) { zadav->SetText(ClampNumberText(zadav->Text(), DelayMin, DelayMax, 2)); }

void TformATests::etAKBlogTimeChange(ui::TObject*)
{
    etAKBlogTime->SetText(ClampNumberText(etAKBlogTime->Text(), BatteryTimeMin, BatteryTimeMax, 3));
}

void TformATests::meAKBtreshNChange(ui::TObject*)
{
    meAKBtreshN->SetText(ClampVoltageText(meAKBtreshN->Text(), VoltageMin, VoltageMax));
}

void TformATests::meAKBTreshRChange(ui::TObject*)
{
    meAKBTreshR->SetText(ClampVoltageText(meAKBTreshR->Text(), VoltageMin, VoltageMax));
}

void TformATests::etAKBlogTimeKeyDown(ui::TObject*, std::uint16_t&, ui::TShiftState)
{
    etAKBlogTime->OnKeyPress = TInputController::DigitsKeyPress;
}

namespace {

std::optional<unsigned> WholeHex(const std::string& Value)
{
    return Value.empty() ? std::nullopt : HexField(Value, 1, static_cast<int>(Value.size()));
}

// "11,00" as hundredths of a volt.
std::optional<int> Voltage(const std::string& Text)
{
    const auto volts = Digits(platform::Copy(Text, 1, 2));
    const auto hundredths = Digits(platform::Copy(Text, 4, 2));
    if (!volts || !hundredths) return std::nullopt;
    return *volts * 100 + *hundredths;
}

std::string VoltageText(unsigned Hundredths)
{
    const std::string digits = Padded(static_cast<int>(Hundredths), 4);
    return platform::Copy(digits, 1, 2) + "," + platform::Copy(digits, 3, static_cast<long long>(digits.size()));
}

// The system events carry the daily tests.
TGroupControls EventsGroup(const TformATests& Page)
{
    return {Page.vosst, Page.zadav, Page.reload, Page.ComboBox1, Page.cbH1, Page.cbM1, Page.cbH2, Page.cbM2, Page.cbH3, Page.cbM3};
}

TGroupControls BatteryLogicGroup(const TformATests& Page) { return {Page.cbAKBlogR, Page.cbAKBlogN, Page.etAKBlogTime}; }

}  // namespace

void TDeviceController::ReadATests()
{
    if (formATests == nullptr) return;
    const TExchange exchange(*this);
    TformATests& page = *formATests;
    const bool extra = Build >= kExtraTestBuild;
    SetupProgress(extra ? 5 : 4);
    std::string value;

    LogReading(kEventsGroup);
    const auto events = ReadSystemEvents(Device(), value) ? DecodeSystemEvents(value) : std::nullopt;
    if (ReadDone(*this, kEventsGroup, EventsGroup(page), events.has_value())) {
        page.vosst->SetChecked(events->MainsDelay.has_value());
        page.zadav->SetEnabled(events->MainsDelay.has_value());
        if (events->MainsDelay) page.zadav->SetText(Padded(*events->MainsDelay * 15 / 60, 2));
        page.reload->SetChecked(events->Restart);
        StepProgress();
        // The tests the device has set fill the first slots, so that the count the page shows covers
        // them all and the next write keeps them.
        std::array<TTestTime, 3> tests{};
        std::copy(events->Tests.begin(), events->Tests.end(), tests.begin());
        page.SetTestTimes(tests);
        StepProgress();
        page.ComboBox1->SetItemIndex(static_cast<int>(events->Tests.size()));
    }
    StepProgress();

    LogReading(kBatteryLogicGroup);
    const auto faultTime = ReadBatteryLogic(Device(), value) ? HexField(value, 3, 2) : std::nullopt;
    if (ReadDone(*this, kBatteryLogicGroup, BatteryLogicGroup(page), faultTime.has_value())) {
        page.cbAKBlogR->SetChecked(platform::Copy(value, 1, 2) == "00");
        const bool fault = *faultTime != 0x00 && *faultTime != 0xFF;
        page.cbAKBlogN->SetChecked(fault);
        if (fault) page.etAKBlogTime->SetText(std::to_string(*faultTime));
    }
    StepProgress();

    LogReading(kThresholdsGroup);
    const bool thresholdsRead = ReadBatteryThresholds(Device(), value);
    const auto discharge = thresholdsRead ? HexField(value, 1, 4) : std::nullopt;
    const auto fault = thresholdsRead ? HexField(value, 5, 4) : std::nullopt;
    if (ReadDone(*this, kThresholdsGroup, {page.meAKBTreshR, page.meAKBtreshN}, discharge && fault)) {
        page.meAKBTreshR->SetText(VoltageText(*discharge));
        page.meAKBtreshN->SetText(VoltageText(*fault));
    }
    StepProgress();

    if (extra) {
        const bool read = ReadExtraAutotest(Device(), value);
        const auto period = read ? WholeHex(value) : std::nullopt;
        // A value that is no number is named with the value.
        const std::string title = !read || period ? std::string(kExtraTestGroup)
                                                  : std::string("Прочитано непредвиденное значение параметра \"") +
                                                        kExtraTestGroup + "\" (" + value + ")";
        if (ReadDone(*this, title, {page.DeltaHours, page.DeltaMinuts}, period.has_value())) {
            page.SetupForDevice(Major, Build);
            const auto [hours, minutes] = DecodeExtraTest(*period, ExtraTestUsesMinutes(Major, Build));
            page.DeltaHours->SetItemIndex(hours);
            page.DeltaMinuts->SetItemIndex(minutes);
        }
        StepProgress();
    }
}

void TDeviceController::WriteATests()
{
    if (formATests == nullptr) return;
    const TExchange exchange(*this);
    TformATests& page = *formATests;
    const bool extra = Build >= kExtraTestBuild;
    SetupProgress(extra ? 2 : 1);

    LogWriting(kEventsGroup);
    if (MaySend(*this, kEventsGroup, EventsGroup(page))) {
        std::string delay = "FF";
        if (page.vosst->Checked()) {
            const auto minutes = Digits(page.zadav->Text());
            delay = minutes ? Hex(static_cast<unsigned>(std::clamp(*minutes, 0, TformATests::DelayMax) * kQuarterMinutes), 2)
                            : "00";
        }
        int count = page.ComboBox1->ItemIndex();
        std::array<TTestTime, 3> tests = page.TestTimes();
        if (count >= 0) {
            TidyTestTimes(count, tests);
            page.ComboBox1->SetItemIndex(count);
            page.SetTestTimes(tests);
        }
        if (const auto testPart = EncodeTestTimes(count, tests)) {
            if (!WriteSystemEvents(Device(), delay + delay + (page.reload->Checked() ? "00" : "FF") + *testPart))
                AddWriteError(kEventsGroup);
        } else {
            AddWriteErrorDetail(kEventsGroup, "не выбраны часы или минуты автотеста");
        }
    }
    StepProgress();

    LogWriting(kBatteryLogicGroup);
    const auto faultTime = Digits(page.etAKBlogTime->Text());
    const bool badTime = page.cbAKBlogN->Checked() && (!faultTime || *faultTime < 0 || *faultTime > 0xFF);
    if (MaySend(*this, kBatteryLogicGroup, BatteryLogicGroup(page))) {
        if (badTime) {
            AddWriteErrorDetail(kBatteryLogicGroup, "неверное время \"" + page.etAKBlogTime->Text() + "\"");
        } else {
            const std::string time = page.cbAKBlogN->Checked() ? Hex(static_cast<unsigned>(*faultTime), 2) : "00";
            if (!WriteBatteryLogic(Device(), (page.cbAKBlogR->Checked() ? "00" : "FF") + time + "FFFF"))
                AddWriteError(kBatteryLogicGroup);
        }
    }
    StepProgress();

    LogWriting(kThresholdsGroup);
    const auto discharge = Voltage(page.meAKBTreshR->Text());
    const auto fault = Voltage(page.meAKBtreshN->Text());
    if (MaySend(*this, kThresholdsGroup, {page.meAKBTreshR, page.meAKBtreshN})) {
        if (!discharge || !fault)
            AddWriteErrorDetail(kThresholdsGroup, "неверное напряжение");
        else if (!WriteBatteryThresholds(Device(), Hex(static_cast<unsigned>(*discharge), 4) + Hex(static_cast<unsigned>(*fault), 4)))
            AddWriteError(kThresholdsGroup);
    }
    StepProgress();

    if (extra) {
        // The items mean minutes or five-minute steps by the firmware; a list of the other form must
        // not be sent as this one.
        page.SetupForDevice(Major, Build);
        const auto period = EncodeExtraTest(page.DeltaHours->ItemIndex(), page.DeltaMinuts->ItemIndex(),
                                            ExtraTestUsesMinutes(Major, Build));
        if (MaySend(*this, kExtraTestGroup, {page.DeltaHours, page.DeltaMinuts})) {
            if (!period) AddWriteErrorDetail(kExtraTestGroup, "не выбран период");
            else if (!WriteExtraAutotest(Device(), *period)) AddWriteError(kExtraTestGroup);
        }
        StepProgress();
    }
}
