#pragma once
// The loops page: the device's three discrete inputs and its tamper event. For each loop and each of
// its two changes (opens, closes) the user switches the event on, picks its Contact ID event from the
// message table and sets the partition and loop numbers the event reports.
//
// Device forms: "X" is the input-flag byte (bit 0 open event of loop 1, bit 1 its closed event, bits 2
// and 3 loop 2, bits 4 and 5 loop 3; a write sets bit 7); "n0"k holds event k (loop 1 open, loop 1
// closed, loop 2 open, ...) as qualifier digit, three-digit event code, two-digit partition and
// three-digit loop; "tamper" is "00" on, "FF" off.
#include <array>
#include <optional>
#include <string>

#include "app/MsgFileU.h"
#include "app/fIn.h"
#include "ui/StdCtrls.h"

// An event list that shows an item too wide for the dropped list in full, in a hint over the item
// while the mouse rests on it.
class TEventComboBox : public ui::TComboBox {
public:
    struct THintWindow {
        std::string Text;
        ui::TRect Bounds;  // in the dropped list's client coordinates
    };
    static constexpr int ItemHeight = 13;

    explicit TEventComboBox(ui::TComponent* owner);

    // The mouse over the dropped list, in its client coordinates (items from the top, ItemHeight each).
    void ListMouseMove(int X, int Y);
    // The item whose hint is shown, -1 when none.
    int HintIndex() const { return HintIndex_; }
    const std::optional<THintWindow>& HintWindow() const { return HintWindow_; }

private:
    void ListDropped(bool Dropped);
    void FreeHint();

    int HintIndex_ = -1;
    std::optional<THintWindow> HintWindow_;
    bool ListHooked_ = false;
};

// One event of a loop: its on box and its three controls.
struct TLoopEventControls {
    ui::TCheckBox* Box;
    TEventComboBox* Code;
    ui::TSpinEdit* Partition;
    ui::TSpinEdit* Loop;
};

class TFormLoops : public TformIncl {
public:
    static constexpr int EventCount = 6;

    // Messages: the message table to use (it must outlive the page); nullptr for the program's own.
    explicit TFormLoops(ui::TComponent* owner, const TMsgFile* Messages = nullptr);
    ~TFormLoops() override;

    ui::TGroupBox* GroupBox1;  // "Настройка шлейфов"
    ui::TGroupBox* gb1;
    ui::TGroupBox* gb2;
    ui::TGroupBox* gb3;
    ui::TCheckBox* cbResponce1;
    ui::TCheckBox* cbResponce2;
    ui::TCheckBox* cbResponce3;
    TEventComboBox* cbRes1;
    TEventComboBox* cbRes2;
    TEventComboBox* cbRes3;
    ui::TSpinEdit* etPartRes1;
    ui::TSpinEdit* etPartRes2;
    ui::TSpinEdit* etPartRes3;
    ui::TSpinEdit* etLoopRes1;
    ui::TSpinEdit* etLoopRes2;
    ui::TSpinEdit* etLoopRes3;
    ui::TCheckBox* cbRecovery1;
    ui::TCheckBox* cbRecovery2;
    ui::TCheckBox* cbRecovery3;
    TEventComboBox* cbRec1;
    TEventComboBox* cbRec2;
    TEventComboBox* cbRec3;
    ui::TSpinEdit* etPartRec1;
    ui::TSpinEdit* etPartRec2;
    ui::TSpinEdit* etPartRec3;
    ui::TSpinEdit* etLoopRec1;
    ui::TSpinEdit* etLoopRec2;
    ui::TSpinEdit* etLoopRec3;
    ui::TGroupBox* GroupBox2;  // "Флаг включения события тампера "
    ui::TCheckBox* cbTamper;

    void FormCreate(ui::TObject* Sender);
    void cbResponce1Click(ui::TObject* Sender);
    void cbResponce2Click(ui::TObject* Sender);
    void cbResponce3Click(ui::TObject* Sender);
    void cbRecovery1Click(ui::TObject* Sender);
    void cbRecovery2Click(ui::TObject* Sender);
    void cbRecovery3Click(ui::TObject* Sender);

    // The base clear, except that the event boxes and the tamper box keep their ticks: a flag the
    // next read cannot get must not be switched off by the write after it.
    void Clear() override;
    void LoadFromIni(const TMemIniFile& Ini) override;

    // Event K = 0 .. 5 in the device's order: loop 1 open, loop 1 closed, loop 2 open, ...
    TLoopEventControls Event(int K) const;
    // Selects the list item of a four-digit device code (qualifier, then event code). A code the
    // message table lacks gets an item of its own, so that the next write sends it back unchanged.
    void SelectEventCode(int K, const std::string& Code);

private:
    void EnableEvent(int K);

    const TMsgFile& Messages;  // the event lists are filled from it once, at creation
};

// The table a page shows: the one given, else the program's (an empty one before the program has
// loaded it).
const TMsgFile& ProgramTableOr(const TMsgFile* Given);

// The page as the program's windows reach it; set while a TFormLoops exists.
extern TFormLoops* FormLoops;

// The six event boxes of the input-flag byte, in bit order (bit 0 first).
using TInputFlags = std::array<bool, TFormLoops::EventCount>;
// Nothing when the value does not begin with two hexadecimal digits; bits 6 and 7 are ignored.
std::optional<TInputFlags> DecodeInputFlags(const std::string& Value);
// Two upper-case hexadecimal digits, bit 7 set and bit 6 clear.
std::string EncodeInputFlags(const TInputFlags& Flags);

// An event's value as the device keeps it, split into its fields.
struct TLoopEventValue {
    std::string Code;       // qualifier digit and three-digit event code, e.g. "1130"
    std::string Partition;  // without the leading zero ("01" -> "1")
    std::string Loop;       // without leading zeros ("005" -> "5")
};
// Nothing when the first four characters are not decimal digits. The partition (characters 5-6) and
// the loop (7-9) are taken as they stand, a short value giving short fields.
std::optional<TLoopEventValue> DecodeEventValue(const std::string& Value);
// The list item of a device code: the message table's key (event code, then qualifier), ": " and the
// table's text for it ("1130" -> "1301: Проникновение").
std::string EventItemText(const std::string& Code, const TMsgFile& Messages);
// The device value of an event from its list item and its two numbers, each padded to its width.
// Nothing when the item carries no four-digit code (no item selected).
std::optional<std::string> BuildEventValue(const std::string& ItemText, int Partition, int Loop);
