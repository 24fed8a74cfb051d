#pragma once
// The system events page: which system events the device generates (restart, mains loss and restore
// with their delay, battery fault and discharge with their thresholds), up to three daily automatic
// test times and, on newer firmware, an additional automatic test period.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/fIn.h"
#include "ui/StdCtrls.h"

// One daily automatic test: the item indexes of its hour and minute boxes (-1: no selection).
struct TTestTime {
    int Hour = 0;
    int Minute = 0;
    friend bool operator==(const TTestTime&, const TTestTime&) = default;
};

// The "pwlog" value as the page shows it.
struct TSystemEvents {
    std::optional<int> MainsDelay;  // quarter minutes; nothing: the mains events are off
    bool Restart = false;
    std::vector<TTestTime> Tests;   // the tests that are set, in the device's order
};

// Decodes 18 hexadecimal digits; nothing when the value is not that, or a set test's hour or minute
// is out of range.
std::optional<TSystemEvents> DecodeSystemEvents(const std::string& Value);
// The page's tidying of the test times before they are written: equal tests merge, unused ones go to
// 00:00, and Count follows.
void TidyTestTimes(int& Count, std::array<TTestTime, 3>& Tests);
// The test part of "pwlog": the first Count tests, then "FFFF" for each remaining one (all three when
// no count is selected, Count -1); nothing when one of the written tests has an hour or minute
// outside its box.
std::optional<std::string> EncodeTestTimes(int Count, const std::array<TTestTime, 3>& Tests);
// The additional test period of "addat" in both firmware forms: from build 121 hours x 60 + minutes,
// before it hours x 12 + five-minute steps. The read gives the two item indexes.
bool ExtraTestUsesMinutes(int Major, int Build);
std::optional<std::string> EncodeExtraTest(int HoursItem, int MinutesItem, bool Minutes);
std::pair<int, int> DecodeExtraTest(unsigned Period, bool Minutes);
// The clamping of the delay, time and voltage edits: blanks count as "0", a number out of range is held
// to the range, and a text that is no number becomes the least value. Numbers show with Digits digits;
// voltages as two two-digit numbers joined by "," (volts and hundredths).
std::string ClampNumberText(const std::string& Text, int Min, int Max, int Digits);
std::string ClampVoltageText(const std::string& Text, int Min, int Max);

class TformATests : public TformIncl {
public:
    static constexpr int DelayMin = 1, DelayMax = 63;
    static constexpr int BatteryTimeMin = 5, BatteryTimeMax = 254;
    static constexpr int VoltageMin = 980, VoltageMax = 1200;

    explicit TformATests(ui::TComponent* owner);
    ~TformATests() override;

    ui::TGroupBox* GroupBox1;   // system events
    ui::TCheckBox* reload;
    ui::TCheckBox* vosst;
    ui::TLabel* Label1;
    ui::TMaskEdit* zadav;
    ui::TGroupBox* GroupBox2;   // battery fault
    ui::TCheckBox* cbAKBlogN;
    ui::TLabel* Label2;
    ui::TMaskEdit* meAKBtreshN;
    ui::TLabel* Label3;
    ui::TMaskEdit* etAKBlogTime;
    ui::TGroupBox* GroupBox3;   // battery discharge
    ui::TCheckBox* cbAKBlogR;
    ui::TLabel* Label4;
    ui::TMaskEdit* meAKBTreshR;
    ui::TGroupBox* GroupBox4;   // daily tests
    ui::TLabel* Label5;
    ui::TComboBox* ComboBox1;
    ui::TComboBox* cbH1;
    ui::TComboBox* cbM1;
    ui::TComboBox* cbH2;
    ui::TComboBox* cbM2;
    ui::TComboBox* cbH3;
    ui::TComboBox* cbM3;
    ui::TGroupBox* DeltaATest;
    ui::TComboBox* DeltaHours;
    ui::TComboBox* DeltaMinuts;

    // The hour or minute box of test N (1..3), found by name as the write addresses them.
    ui::TComboBox* HourBox(int N) const;
    ui::TComboBox* MinuteBox(int N) const;
    std::array<TTestTime, 3> TestTimes() const;
    void SetTestTimes(const std::array<TTestTime, 3>& Tests);

    // The firmware's gates of the page: the additional test is offered from build 94, and its minutes
    // list holds every minute from build 121 (five-minute steps before). The list is filled again only
    // when its form changes.
    void SetupForDevice(int Major, int Build);

    void FormCreate(ui::TObject* Sender);
    void vosstClick(ui::TObject* Sender);
    void UpdateBatteryControls();
    void cbAKBlogNClick(ui::TObject* Sender);
    void cbAKBlogRClick(ui::TObject* Sender);
    void zadavChange(ui::TObject* Sender);
    void etAKBlogTimeChange(ui::TObject* Sender);
    void meAKBtreshNChange(ui::TObject* Sender);
    void meAKBTreshRChange(ui::TObject* Sender);
    void etAKBlogTimeKeyDown(ui::TObject* Sender, std::uint16_t& Key, ui::TShiftState Shift);

private:
    void FillDeltaMinutes(bool EveryMinute);
};

extern TformATests* formATests;
