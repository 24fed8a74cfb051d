#pragma once
// The Bolid C2000 event-mask page: which messages of a Bolid C2000 panel the device accepts. Three
// modes (all messages, the C2000-IT set, or the rows ticked in the grid), the link control with the
// C2000 device and the writing of the C2000 address into the partition number of history records.
//
// Each grid row is one C2000 event: its display text and the Contact ID event the device reports for
// it. The row's tick lives only in its check box, placed over cell (1, row). The grid has 83 rows for
// builds below 85 and 134 from build 85 on.
//
// Device forms: "filtrall" is the flexible-mode byte ("FF" off) and the mask bits of rows 1 to 88 (row
// 8(k - 1) + b + 1 in bit b of byte k); "filtral1" the bits of rows 89 to 134 in eight bytes;
// "filtrit", "bldcon" and "adrbld" are "00" on, "FF" off.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/MsgFileU.h"
#include "app/fIn.h"
#include "ui/Grids.h"
#include "ui/StdCtrls.h"

struct TC2000Event {
    const char* Name;  // as the C2000 display shows it
    const char* Code;  // Contact ID qualifier digit, then the three-digit event code
};

class TFormMasks : public TformIncl {
public:
    static constexpr int Rows83 = 83;
    static constexpr int Rows134 = 134;
    // Rows carried by "filtrall" from build 85 on; the rest go in "filtral1".
    static constexpr int MainMaskRows = 88;

    // Messages: the message table to use (it must outlive the page); nullptr for the program's own.
    explicit TFormMasks(ui::TComponent* owner, const TMsgFile* Messages = nullptr);
    ~TFormMasks() override;

    ui::TGroupBox* GroupBox1;  // "Сообщения от С2000"
    ui::TRadioButton* rbAll;
    ui::TRadioButton* rbFiltrit;
    ui::TRadioButton* rbUseMask;
    ui::TStringGrid* sg;
    ui::TCheckBox* cbAdrbld;
    ui::TLabel* Label1;
    ui::TCheckBox* BLDCONCheckBox;

    void FormCreate(ui::TObject* Sender);
    // Builds the grid for the firmware; the ticks of the rows kept stay, and the mode is applied.
    void SetupForDevice(int Build);
    void BuildGrid83();
    void BuildGrid51();
    void HideRowCheckBoxes();
    void PlaceRowCheckBoxes();
    void sgDrawCell(ui::TObject* Sender, int ACol, int ARow, const ui::TRect& Rect, ui::TGridDrawState State);
    void ApplyMode();
    void rbUseMaskClick(ui::TObject* Sender);
    void BLDCONCheckBoxClick(ui::TObject* Sender);

    // The base clear, except that the link-control and address boxes keep their ticks: a flag the next
    // read cannot get must not be switched off by the write after it.
    void Clear() override;
    void LoadDefaults() override;
    void LoadFromIni(const TMemIniFile& Ini) override;
    void SaveToIni(TMemIniFile& Ini) override;

    // Data rows of the grid (83 or 134).
    int MaskRows() const { return static_cast<int>(RowBoxes.size()); }
    // The check box of a data row (from 1); nullptr for a row the grid does not have.
    ui::TCheckBox* RowCheckBox(int Row) const;
    bool RowTicked(int Row) const;
    // A row the grid does not have is left alone.
    void SetRowTicked(int Row, bool Ticked);

private:
    void AddRows(int First, const TC2000Event* Events, int Count);
    void GiveRowsOfMode();

    const TMsgFile& Messages;
    std::vector<std::unique_ptr<ui::TCheckBox>> RowBoxes;  // row r at r - 1
};

// The page as the program's windows reach it; set while a TFormMasks exists.
extern TFormMasks* FormMasks;

// Rows 1 to 83 and rows 84 to 134.
extern const TC2000Event EventTable83[83];
extern const TC2000Event EventTable51[51];
// Rows of the C2000-IT standard (only rows up to 87 are tested against it).
bool InC2000ItSet(int Row);
// Column 3 of a row: its code, ": " and the message table's text of the key made of the code's
// digits 2 to 4 and its digit 1 (1110 looks up 1101).
std::string MaskEventText(const char* Code, const TMsgFile& Messages);

// Bits as bytes of two upper-case hexadecimal digits, eight bits per byte, the first bit in bit 0; a
// last part byte is filled with zero bits.
std::string EncodeMaskBits(const std::vector<bool>& Bits);
// The bits of hexadecimal bytes, eight per byte, bit 0 of each byte first. Nothing when the text has
// an odd length or a character that is not a hexadecimal digit.
std::optional<std::vector<bool>> DecodeMaskBits(std::string_view Hex);
// A hexadecimal value as the device sends it ("00", "FF"); nothing when it is not one.
std::optional<unsigned> ParseHexValue(const std::string& Value);
