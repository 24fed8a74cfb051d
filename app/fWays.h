#pragma once
// The reporting-ways page "Каналы связи": eight channels, each a phone number with a channel type,
// joined by OR links (alternatives within one direction) or AND links (the next direction), the rule
// for moving between directions, and the LAN and online-GPRS flags. Its device exchange (ReadWaysPage,
// WriteWaysPage) follows the page-routine pattern; writing erases the device history first.
#include <array>
#include <string>

#include "app/History.h"
#include "app/fIn.h"
#include "platform/Color.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

class TExchangeSteps;

class TformWays : public TformIncl {
public:
    static constexpr int ChannelCount = 8;
    static constexpr int LinkCount = 7;
    // Direction colours: channel 1, then the colour of each AND link (RGB EAD0A6, AAA6DD, ...).
    static constexpr TColor FirstChannelColor = 0xF0FBFF;
    static const std::array<TColor, LinkCount> LinkColors;

    explicit TformWays(ui::TComponent* owner);
    ~TformWays() override;

    ui::TImageList* TL;
    ui::TGroupBox* GroupBox1;  // "Телефоны ПЦН": the help lines
    ui::TLabel* Label1;
    ui::TLabel* Label2;
    ui::TLabel* Label5;
    ui::TGroupBox* GroupBox2;  // "Телефоны "
    ui::TGroupBox* GroupBox3;  // "Тип передачи данных"
    ui::TGroupBox* GroupBox4;  // the links between channels
    std::array<ui::TLabel*, ChannelCount> PhoneLabels{};
    std::array<ui::TEdit*, ChannelCount> etP{};           // etP1 .. etP8
    std::array<ui::TComboBoxEx*, ChannelCount> cb{};      // cb1 .. cb8
    std::array<ui::TPanel*, LinkCount> LinkPanels{};      // Panel1 .. Panel7
    std::array<ui::TRadioButton*, LinkCount> AndLink{};   // rb1, rb3, .. rb13 ("И")
    std::array<ui::TRadioButton*, LinkCount> OrLink{};    // rb2, rb4, .. rb14 ("Или")
    ui::TGroupBox* GroupBox5;  // "Тип перехода по направлениям"
    ui::TRadioButton* rdo2;
    ui::TRadioButton* rdo1;
    ui::TGroupBox* GroupBox6;  // "Online каналы"
    ui::TLabel* llan;
    ui::TCheckBox* lan;
    ui::TLabel* lbcb11;
    ui::TCheckBox* cb11;
    ui::TLabel* lbcb12;
    ui::TCheckBox* cb12;

    void FormCreate(ui::TObject* Sender);
    void FormShow(ui::TObject* Sender);
    void cbC1Change(ui::TObject* Sender);
    void CheckAllTypes();
    void cb11Click(ui::TObject* Sender);
    void rb1Click(ui::TObject* Sender);
    void etPKeyDown(ui::TObject* Sender, std::uint16_t& Key, ui::TShiftState Shift);

    // Refills the eight type lists with what the firmware offers. Each channel keeps its type where the
    // new list still offers it and falls back to "Не используется" otherwise. A build of 1000 or more
    // leaves the lists as they are.
    void FillTypeLists(int Build, bool IsBolid);
    // Brings the lists in line with cb11 and cb12 for the firmware of the last FillTypeLists, keeping
    // selections, then moves the channels in use up.
    void UpdateGprsTypes(int Build, bool IsBolid);
    void CompactChannels();
    // Selects the item whose data is TypeIndex; false (selection unchanged) when the list lacks it.
    bool FindTypeItem(ui::TComboBoxEx& Combo, int TypeIndex);
    void UpdatePhoneEdits();

    // The type index selected for channel 0 .. 7 (0 when nothing is selected).
    int ChannelType(int Channel) const;
    bool ChannelInUse(int Channel) const;
    // The controls of channel 0 .. 7: its type and its number.
    TGroupControls Direction(int Channel) const;
    // Link 0 .. 6 joins channel Link and channel Link + 1.
    bool IsOrLink(int Link) const { return OrLink[static_cast<std::size_t>(Link)]->Checked(); }
    void SetLink(int Link, bool Or);
    TChannelLinks ChannelLinks() const;

    void Clear() override;
    void ResetMarks() override;
    void LoadFromIni(const TMemIniFile& Ini) override;
    void SaveToIni(TMemIniFile& Ini) override;

private:
    void CreateControls();
    void FillTypeList(ui::TComboBoxEx& Combo, const std::vector<int>& Types);

    int lnum_ = 0;
    int build_ = 999;  // the firmware the lists were filled for: every type until a device is connected
    bool isBolid_ = false;
};

extern TformWays* formWays;

// The channels in use and their OR links as the history's channel marks need them; nothing in use when
// the page does not exist.
TChannelLinks CurrentChannelLinks();

// The page's device exchange. The read leaves the watchdog off when WithSwitch is false (it then runs
// inside the history read, which switches it on at its own end).
void ReadWaysPage(TExchangeSteps& Steps, TformWays& Page, bool WithSwitch);
void WriteWaysPage(TExchangeSteps& Steps, TformWays& Page);
