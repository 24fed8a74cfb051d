#pragma once
// The history page "История": one page of 32 records in a grid coloured from the message table,
// paging, the erase with its three confirmations, the two spreadsheet exports, and the service
// controls the ini file unhides (a page from a typed number, the text download, a loop through the
// whole ring). The page presents and exports; its device work goes through the actions the forms
// controller gives it.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/History.h"
#include "app/HistoryExport.h"
#include "app/fIn.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Grids.h"
#include "ui/StdCtrls.h"

class TMsgFile;

// How an erase ended: Why says what kept the device's history, for the box; it is empty when the
// user has been told already (a lost link has a window of its own).
struct THistoryErase {
    bool Erased = false;
    std::string Why;
};

// What the page asks of the rest of the program. Unset members do nothing (or answer no).
struct THistoryPageActions {
    std::function<void()> Backward;
    std::function<void()> Forward;
    std::function<void()> FromNumber;
    std::function<void()> SaveToFile;
    std::function<void()> StopDownload;
    std::function<THistoryErase()> ClearDeviceHistory;
    // The main window's page tree, toolbar and menu.
    std::function<void(bool Enabled)> SetMainControlsEnabled;
    // The common-settings page shows groups as decimal numbers ("cbAltsect" visible and ticked).
    std::function<bool()> AltSections;
    // The status bar names the flash chip "M45PE16".
    std::function<bool()> FlashIsM45PE16;
};

class TFormHistory : public TformIncl {
public:
    static constexpr int GridRows = HistoryPageSize + 1;
    static const std::array<int, HistoryColumnCount> DefaultColumnWidths;

    explicit TFormHistory(ui::TComponent* owner);
    ~TFormHistory() override;

    ui::TGroupBox* GroupBox1;
    ui::TPanel* Panel1;
    ui::TButton* btnBackward;
    ui::TButton* Button2;
    ui::TButton* btnClear;
    ui::TButton* Button1;
    ui::TButton* Button3;
    ui::TButton* btnStart;
    ui::TButton* btnFinish;
    ui::TButton* Button4;
    ui::TEdit* Edit1;
    ui::TButton* Button5;
    // A line under the buttons, shown while it has something to say: an empty history, a download's
    // progress.
    ui::TLabel* lbState;
    ui::TStringGrid* StringGrid1;
    ui::TStringGrid* StringGrid2;
    ui::TSaveDialog* SaveDialog1;

    bool Stopped = false;
    // The oldest record of the page shown.
    int FirstRecord = 0;
    THistoryStore Store;
    THistoryPageActions Actions;
    // The message table (owned by the forms controller); nullptr leaves rows uncoloured.
    const TMsgFile* Messages = nullptr;

    void FormCreate(ui::TObject* Sender);
    void FormKeyDown(ui::TObject* Sender, std::uint16_t& Key, ui::TShiftState Shift);
    void Edit1KeyDown(ui::TObject* Sender, std::uint16_t& Key, ui::TShiftState Shift);
    void btnBackwardClick(ui::TObject* Sender);
    void Button2Click(ui::TObject* Sender);
    void Button4Click(ui::TObject* Sender);
    void btnStartClick(ui::TObject* Sender);
    void btnFinishClick(ui::TObject* Sender);
    void btnClearClick(ui::TObject* Sender);
    void Button1Click(ui::TObject* Sender);
    void Button3Click(ui::TObject* Sender);
    void Button5Click(ui::TObject* Sender);
    void StringGrid1DrawCell(ui::TObject* Sender, int ACol, int ARow, const ui::TRect& Rect, ui::TGridDrawState State);

    // Empties the grid (the titles stay) and the note under the buttons.
    void ClearGrid();
    // Row 1 .. 32 of the grid.
    void SetRow(int Row, const THistoryRow& Cells);
    // The device history is gone: the grid and the store are emptied.
    void HistoryErased();
    // Pages back through the whole ring until Esc or one turn is done.
    void ReadAll();
    // A page of empty slots only: no rows, and the note says so.
    void ShowNoRecords(const std::string& Text);
    void SetStateText(const std::string& Text);
    std::string StateText() const { return lbState->Caption(); }
    // The buttons that act on the device or on what was read from it (paging, erase, exports, the text
    // download and the service controls): offered while a device is connected, and disabled with the
    // toolbar while an operation runs. "Finish" only stops a running download, so it is offered only then.
    std::vector<ui::TControl*> DeviceButtons() const;
    void SetDeviceButtonsEnabled(bool Enabled);
    void SetPagingEnabled(bool Enabled);
    bool AltSections() const { return Actions.AltSections && Actions.AltSections(); }

    void LoadFromIni(const TMemIniFile& Ini) override;
    void SaveToIni(TMemIniFile& Ini) override;
    void LoadDefaults() override;

private:
    void CreateControls();
    void ExportSheet(const TWorksheet& Sheet);
    void DrawMarks(ui::Canvas& Canvas, const ui::TRect& Rect, const std::string& Marks, TColor Background);
};

extern TFormHistory* FormHistory;
