#pragma once
// The GPRS page: for each SIM card the dial number, access point, user name and password; the main and
// reserve server with their ports; the password the device identifies itself with; the pause between
// connection attempts; and whether the server addresses are bound to the SIM cards.
#include <optional>
#include <string>

#include "app/fIn.h"
#include "ui/StdCtrls.h"

class TformGPRS : public TformIncl {
public:
    explicit TformGPRS(ui::TComponent* owner);
    ~TformGPRS() override;

    ui::TGroupBox* GroupBox1;
    ui::TGroupBox* GroupBox3;  // SIM 1
    ui::TGroupBox* GroupBox2;  // SIM 2
    ui::TGroupBox* GroupBox5;  // pause, identification password, binding
    ui::TGroupBox* GroupBox4;  // main server
    ui::TGroupBox* GroupBox6;  // reserve server

    ui::TEdit* etSIM1Phone;
    ui::TEdit* etSIM1ADDR;
    ui::TEdit* etSIM1LOGIN;
    ui::TEdit* etSIM1PSWD;
    ui::TEdit* etSIM2Phone;
    ui::TEdit* etSIM2Addr;
    ui::TEdit* etSIM2Login;
    ui::TEdit* etSIM2Pswd;
    ui::TEdit* etSIM1IP;
    ui::TEdit* etSIM1Port;
    ui::TEdit* etSIM1IP2;
    ui::TEdit* etSIM1PORT2;
    ui::TEdit* etSIM1SPSWD;
    ui::TComboBox* cbZTime;
    ui::TLabel* lbMinutes;
    ui::TCheckBox* CheckBox1;

    // A SIM card's edit by its name: "etSIM", the SIM number 1 or 2, and Field ("Phone", "Addr",
    // "Login" or "Pswd"), letter case ignored.
    ui::TEdit* SimEdit(int Sim, const std::string& Field) const;

    // The binding exists from build 116: older firmware shows it unchecked and disabled.
    void SetupForDevice(int Major, int Build);

    void CheckBox1Click(ui::TObject* Sender);
    void NoCyrillicKeyDown(ui::TObject* Sender, std::uint16_t& Key, ui::TShiftState Shift);
    void etSIM1PortKeyDown(ui::TObject* Sender, std::uint16_t& Key, ui::TShiftState Shift);
    void etSIM1SPSWDKeyDown(ui::TObject* Sender, std::uint16_t& Key, ui::TShiftState Shift);
    void etSIM1IPKeyDown(ui::TObject* Sender, std::uint16_t& Key, ui::TShiftState Shift);

    // The binding flag keeps its state: a read that cannot fetch it must not leave it off for the next
    // write.
    void Clear() override;
    void LoadFromIni(const TMemIniFile& Ini) override;
    void LoadDefaults() override;
};

// The pause between connection attempts: the item of cbZTime for a number of minutes (-1: none fits),
// and the minutes of an item (nothing for no selection).
int RetryPauseItem(int Hours, int Minutes);
std::optional<int> RetryPauseMinutes(int ItemIndex, int ItemCount);
// The identification password may hold Latin letters and digits only (an empty one qualifies).
bool IsServerPasswordValid(const std::string& Text);

extern TformGPRS* formGPRS;
