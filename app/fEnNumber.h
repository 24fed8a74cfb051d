#pragma once
// The engineer numbers page: five engineer phone numbers and the flag that switches them on.
#include <array>

#include "app/fIn.h"
#include "ui/StdCtrls.h"

class TFormEnNumber : public TformIncl {
public:
    static constexpr int NumberCount = 5;

    explicit TFormEnNumber(ui::TComponent* owner);
    ~TFormEnNumber() override;

    ui::TCheckBox* CheckBox1;
    ui::TGroupBox* GroupBox1;
    std::array<ui::TLabel*, NumberCount> Labels{};
    ui::TEdit* etN1;
    ui::TEdit* etN2;
    ui::TEdit* etN3;
    ui::TEdit* etN4;
    ui::TEdit* etN5;

    // The k-th number edit (1..5), found by its name as the device routines address it.
    ui::TEdit* NumberEdit(int k) const;
    bool AllNumbersEmpty() const;

    // The number edits follow the flag, but only while the flag is shown.
    void UpdateEnabled();
    void FormCreate(ui::TObject* Sender);
    void CheckBox1Click(ui::TObject* Sender);
    void etNKeyDown(ui::TObject* Sender, std::uint16_t& Key, ui::TShiftState Shift);

    // The flag keeps its state: a read that cannot fetch it must not leave it off for the next write.
    void Clear() override;
    void LoadFromIni(const TMemIniFile& Ini) override;
};

extern TFormEnNumber* FormEnNumber;
