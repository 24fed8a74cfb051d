#pragma once
// The common settings page: object number, device clock, GSM signal and error levels, voice Contact ID
// speed, the panel type of old firmware, the Altonika number and section options, the Paradox
// subsystem numbers, the master key and the "IMEI ident" switch, with four device actions (clock
// synchronisation, reset, outputs on and off). Its exchange with the device is
// TDeviceController::ReadCommon / WriteCommon, in this unit.
//
// KitRadioButton1-3 are the kit's radio buttons: the generic ini and factory-default routines pass
// them by, so loading, saving and defaulting the page leave their choice as it stands.
#include <string>

#include "app/fIn.h"
#include "kit/KitPanel.h"
#include "kit/KitPrgres.h"
#include "kit/KitRadChk.h"
#include "ui/ComCtrls.h"
#include "ui/StdCtrls.h"

class TFormCommon : public TformIncl {
public:
    static constexpr int SignalParts = 31;
    static constexpr int ErrorParts = 7;

    explicit TFormCommon(ui::TComponent* owner);
    ~TFormCommon() override;

    ui::TGroupBox* GroupBox1;  // "Объект": number and clock
    ui::TLabel* lbO;
    ui::TEdit* etO;
    ui::TLabel* lbTime;
    ui::TEdit* etTime;
    ui::TButton* btnSync;
    ui::TGroupBox* GroupBox2;  // GSM levels
    ui::TLabel* lbSignal;
    TKitProgressBar* PSignal;
    ui::TEdit* etSignal;
    ui::TLabel* lbError;
    TKitProgressBar* PEr;
    ui::TEdit* etError;
    ui::TGroupBox* GroupBox3;  // "Тестирование выходов 1 и 2" and the reset
    ui::TButton* Button1;
    ui::TButton* btnOnOuts;
    ui::TButton* btnOffOuts;
    ui::TGroupBox* GroupBox4;  // "Параметры голосового Contact ID"
    ui::TRadioButton* rbSlowCID1;
    ui::TRadioButton* rbSlowCID2;
    ui::TGroupBox* GroupBox5;  // "Тип передающей панели", hidden
    ui::TRadioButton* rbAlt;
    ui::TRadioButton* rbPar;
    ui::TGroupBox* GroupBox6;  // "Номер раздела для сообщений панели Altonika", hidden
    ui::TCheckBox* cbIARazd;
    ui::TLabel* lbARazd;
    ui::TComboBox* cbARazd;
    ui::TLabel* lbAltsect;
    ui::TCheckBox* cbAltsect;
    TKitGroupBox* KitGroupBox1;  // "&Номер объекта", hidden
    TKitRadioButton* KitRadioButton1;
    TKitRadioButton* KitRadioButton2;
    TKitRadioButton* KitRadioButton3;
    ui::TGroupBox* ParadoxBox;  // "Номера подсистем", hidden
    ui::TEdit* ParED[8];
    ui::TGroupBox* MKBox;  // "Мастер-ключ"
    ui::TEdit* MKEdit;
    ui::TGroupBox* ImeiIdent;  // "Протокол IMEI ident"
    ui::TCheckBox* ImeiIdentCh;
    ui::TLabel* ImeiLabel;

    void LoadFromIni(const TMemIniFile& Ini) override;
    // The factory's settings, the master key kept.
    void LoadDefaults() override;

    void cbIARazdClick(ui::TObject* Sender);
    void etOChange(ui::TObject* Sender);
    void etOExit(ui::TObject* Sender);
    void KitRadioButton3Click(ui::TObject* Sender);
    void ParED0Change(ui::TObject* Sender);
    void btnSyncClick(ui::TObject* Sender);
    void Button1Click(ui::TObject* Sender);
    void btnOnOutsClick(ui::TObject* Sender);
    void btnOffOutsClick(ui::TObject* Sender);
    void ImeiLabelClick(ui::TObject* Sender);


private:
    void CreateControls();
    void PlaceControls();
    void BindHandlers();
    void ApplySectionEnabling();
    // The level bars are not kept in the ini file: they show what their fields, which are, say.
    void ShowLevelsOfFields();
};

extern TFormCommon* FormCommon;

// The value routines shared with the history and loops pages.
// yy/mm/dd at the start of S becomes dd/mm/yy; the rest stays. An empty S stays empty.
void DeviceDateToText(std::string& S);
// Binary digits, most significant first, to at least two upper-case hexadecimal digits.
void BinStrToHex(std::string& S);
// S trimmed and upper-cased; its first two hexadecimal digits become eight binary digits. False (S
// trimmed and upper-cased) when it has fewer than two characters or they are not hexadecimal.
bool HexToBinStr(std::string& S);
// An edit's text as a hexadecimal number; 0 when it does not convert.
int HexTextValue(const std::string& Text);
