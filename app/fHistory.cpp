#include "app/fHistory.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "app/DeviceController.h"
#include "app/ExchangeSteps.h"
#include "app/FormAppMainController.h"
#include "app/FormController.h"
#include "app/HistoryReader.h"
#include "app/InputController.h"
#include "app/MsgFileU.h"
#include "app/fCommon.h"
#include "app/fMain.h"
#include "app/fWaiting.h"
#include "link/SmallRoutines.h"
#include "platform/PathText.h"
#include "ui/Application.h"
#include "ui/Canvas.h"
#include "ui/Layout.h"
#include "ui/SystemColors.h"

TFormHistory* FormHistory = nullptr;

const std::array<int, HistoryColumnCount> TFormHistory::DefaultColumnWidths{50,  105, 40,  25,  95, 140, 40, 40,
                                                                           210, 30,  100, 100, 70, 100, 100, 30};

namespace {

constexpr const char* kSection = "FormHistory";
constexpr std::uint16_t kEscape = 27;
constexpr TColor kMarkedChannel = 0x008000;
constexpr TColor kUnmarkedChannel = 0x0000FF;
constexpr int kMarkStep = 7;
// Below this luminance contrast a mark is hard to tell from its row.
constexpr double kMarkContrast = 3.0;
// A record the device did not give: dark red on grey, apart from every colour of the message table.
constexpr TColor kUnreadRow = 0xD8D8D8;
constexpr TColor kUnreadText = 0x000080;
// ReadAll ends once the pages have come round to within this many records of where they began.
constexpr int kTurnDone = 30;

std::string WidthKey(int column) { return "width" + std::to_string(column); }

// Relative luminance of a plain colour, 0 (black) to 1 (white).
double Luminance(TColor color)
{
    const auto linear = [](unsigned channel) {
        const double c = channel / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(ui::RedOf(color)) + 0.7152 * linear(ui::GreenOf(color)) + 0.0722 * linear(ui::BlueOf(color));
}

double Contrast(TColor a, TColor b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The marks' green and red mean delivered and not delivered, so they keep their colours; on a row whose
// colour swallows either of them (a red digit on a red row) they are drawn on a tile of the grid's own
// colour.
bool MarksNeedTile(TColor background)
{
    return Contrast(kMarkedChannel, background) < kMarkContrast || Contrast(kUnmarkedChannel, background) < kMarkContrast;
}

bool Confirmed(const std::string& text, ui::TMsgDlgType type)
{
    return ui::MessageDlg(text, type, {ui::mbYes, ui::mbNo}) == ui::mrYes;
}

ui::TButton* MakeButton(ui::TComponent* owner, const char* name, ui::TWinControl* parent, const char* caption,
                        int width)
{
    auto* b = ui::Create<ui::TButton>(owner, name, parent);
    b->SetCaption(caption);
    b->SetBounds(0, 0, width, 25);
    return b;
}

// Room around a title in the grid's title row.
constexpr int kTitleInset = 4;

// A column is as wide as the table gives it, or as its title needs where that is more.
int DefaultWidth(const ui::TStringGrid& grid, int column)
{
    const auto c = static_cast<std::size_t>(column);
    return std::max(TFormHistory::DefaultColumnWidths[c],
                    ui::TextExtent(HistoryColumnTitles[c], grid.Font()).cx + kTitleInset);
}

// Undoes the erase bracket however the erase ends.
class EraseBracket {
public:
    explicit EraseBracket(TFormHistory& page) : page_(page)
    {
        SetMain(false);
        waiting_ = ui::Create<TFormWaiting>(&page_, "");
        ui::App().Screen().SetCursor(ui::crHourGlass);
        ui::App().ProcessMessages();
    }
    ~EraseBracket()
    {
        SetMain(true);
        if (waiting_ != nullptr) page_.FreeComponent(waiting_);
        ui::App().Screen().SetCursor(ui::crDefault);
        ui::App().ProcessMessages();
    }
    EraseBracket(const EraseBracket&) = delete;
    EraseBracket& operator=(const EraseBracket&) = delete;

private:
    void SetMain(bool enabled)
    {
        if (page_.Actions.SetMainControlsEnabled) page_.Actions.SetMainControlsEnabled(enabled);
    }
    TFormHistory& page_;
    TFormWaiting* waiting_ = nullptr;
};

// The device work of the page runs as an operation of the program's forms controller: inside the
// bracket, refused while another exchange runs, a lost line disconnecting. False when it did not start.
bool RunOnDevice(const std::function<void(TDeviceController&)>& body)
{
    if (FormMain == nullptr || FormMain->FormsController == nullptr) return false;
    bool ran = false;
    FormMain->FormsController->RunDeviceAction(
        [&ran, &body](TDeviceController& d) {
            ran = true;
            body(d);
        },
        true);
    return ran;
}

// The error window of a page operation that ran on its own (records that did not read).
void ShowDeviceErrors()
{
    if (FormMain == nullptr || FormMain->FormsController == nullptr) return;
    TFormAppMainController& forms = *FormMain->FormsController;
    forms.ShowErrors(forms.ErrorLines());
}

ui::TMsgDlgType DownloadBoxType(const THistoryDownload& d)
{
    if (!d.Error.empty()) return ui::mtError;
    return d.FailedRecord ? ui::mtWarning : ui::mtInformation;
}

void ReportDownload(const THistoryDownload& d)
{
    if (d.Saved || !d.Error.empty()) ui::MessageDlg(HistoryDownloadReport(d), DownloadBoxType(d), {ui::mbOK});
}

// The text download into the program folder, its stop button live while it runs; its end is told once
// the progress window has gone.
void DownloadToFile(TFormHistory& page)
{
    THistoryDownload result;
    const bool ran = RunOnDevice([&page, &result](TDeviceController& d) {
        d.ContinueHistory = true;
        // The bracket gives it back disabled.
        page.btnFinish->SetEnabled(true);
        TControllerSteps steps(d);
        result = THistoryReader(steps, page).SaveToFile(platform::PathFromUtf8(AppFolder()) / HistoryTextFileName,
                                                        [&d] { return d.ContinueHistory; });
        if (result.LinkFailure) std::rethrow_exception(result.LinkFailure);
    });
    if (ran) ReportDownload(result);
}

THistoryErase EraseOnDevice()
{
    THistoryErase result;
    const bool ran = RunOnDevice([&result](TDeviceController& d) {
        TControllerSteps steps(d);
        result.Erased = EraseDeviceHistory(steps, true);
        if (!result.Erased) result.Why = ReplyFailureText(d.Device().LastFailure());
    });
    if (!ran) result.Why = CurrentDeviceController() == nullptr ? "нет связи с устройством" : "идёт другая операция с устройством";
    return result;
}

THistoryPageActions ProgramActions(TFormHistory& page)
{
    const auto paging = [&page](void (THistoryReader::*operation)()) {
        return [&page, operation] {
            const bool ran = RunOnDevice([&page, operation](TDeviceController& d) {
                d.ClearErrors();
                TControllerSteps steps(d);
                THistoryReader reader(steps, page);
                (reader.*operation)();
            });
            if (ran) ShowDeviceErrors();
        };
    };
    THistoryPageActions a;
    a.Backward = paging(&THistoryReader::Backward);
    a.Forward = paging(&THistoryReader::Forward);
    a.FromNumber = paging(&THistoryReader::FromNumber);
    a.SaveToFile = [&page] { DownloadToFile(page); };
    a.StopDownload = [] {
        if (TDeviceController* d = CurrentDeviceController()) d->ContinueHistory = false;
    };
    a.ClearDeviceHistory = EraseOnDevice;
    a.SetMainControlsEnabled = [](bool enabled) { enabled ? EndControllerOperation() : BeginControllerOperation(); };
    a.AltSections = [] {
        return FormCommon != nullptr && FormCommon->cbAltsect->Visible() && FormCommon->cbAltsect->Checked();
    };
    a.FlashIsM45PE16 = [] { return FormMain != nullptr && FormMain->StatusText(TFormMain::PanelFlash) == "M45PE16"; };
    return a;
}

}  // namespace

TFormHistory::TFormHistory(ui::TComponent* owner) : TformIncl(owner), Actions(ProgramActions(*this))
{
    SetCaption("История");
    SetKeyPreview(true);
    CreateControls();
    OnCreate = [this](ui::TObject* s) { FormCreate(s); };
    OnKeyDown = [this](ui::TObject* s, std::uint16_t& k, ui::TShiftState sh) { FormKeyDown(s, k, sh); };
}

void TFormHistory::CreateControls()
{
    GroupBox1 = ui::Create<ui::TGroupBox>(this, "GroupBox1", this);
    GroupBox1->SetCaption("История");
    GroupBox1->SetAlign(ui::alClient);
    Panel1 = ui::Create<ui::TPanel>(this, "Panel1", GroupBox1);
    Panel1->SetAlign(ui::alTop);
    Panel1->SetBevelOuter(ui::bvNone);
    Panel1->SetHeight(41);

    btnBackward = MakeButton(this, "btnBackward", Panel1, "<< Назад", 75);
    Button2 = MakeButton(this, "Button2", Panel1, "Вперед >>", 75);
    btnClear = MakeButton(this, "btnClear", Panel1, "Очистить", 75);
    Button1 = MakeButton(this, "Button1", Panel1, "Экспорт в Excel открытой страницы истории", 250);
    Button3 = MakeButton(this, "Button3", Panel1, "Экспорт в Excel истории, прочитанной за данный сеанс связи", 330);
    btnStart = MakeButton(this, "btnStart", Panel1, "Start", 50);
    btnFinish = MakeButton(this, "btnFinish", Panel1, "Finish", 50);
    Button4 = MakeButton(this, "Button4", Panel1, "+fer", 40);
    Edit1 = ui::Create<ui::TEdit>(this, "Edit1", Panel1);
    Edit1->SetCharCase(ui::ecUpperCase);
    Edit1->SetMaxLength(4);
    Edit1->SetBounds(0, 0, 45, 21);
    Button5 = MakeButton(this, "Button5", Panel1, "Считать все", 80);
    lbState = ui::Create<ui::TLabel>(this, "lbState", GroupBox1);
    lbState->SetAlign(ui::alTop);
    lbState->Font().SetStyle({ui::fsBold});
    lbState->Hide();
    // The service controls the ini file unhides go on a second line when the first is full.
    ui::Layout::Flow(*Panel1, {btnBackward, Button2, btnClear, Button1, Button3, btnStart, btnFinish, Button4, Edit1, Button5});
    for (ui::TControl* c : DeviceButtons()) c->SetEnabled(false);
    for (ui::TControl* c : std::initializer_list<ui::TControl*>{btnStart, btnFinish, Button4, Edit1, Button5}) c->Hide();

    StringGrid1 = ui::Create<ui::TStringGrid>(this, "StringGrid1", GroupBox1);
    StringGrid1->SetAlign(ui::alClient);
    StringGrid1->SetColCount(HistoryColumnCount);
    StringGrid1->SetRowCount(GridRows);
    StringGrid1->SetFixedCols(0);
    StringGrid1->SetFixedRows(1);
    StringGrid1->SetDefaultColWidth(70);
    StringGrid1->SetDefaultRowHeight(15);
    StringGrid1->SetOptions({ui::goFixedVertLine, ui::goFixedHorzLine, ui::goVertLine, ui::goHorzLine,
                             ui::goColSizing, ui::goRowSelect});
    StringGrid2 = ui::Create<ui::TStringGrid>(this, "StringGrid2", GroupBox1);
    StringGrid2->Hide();
    StringGrid2->SetFixedCols(0);
    SaveDialog1 = ui::Create<ui::TSaveDialog>(this, "SaveDialog1");
    SaveDialog1->SetDefaultExt("xls");
    SaveDialog1->SetFilter("Microsoft Excel(*.xls)|*.xls");
    SaveDialog1->SetOptions({ui::ofOverwritePrompt, ui::ofHideReadOnly});

    btnBackward->OnClick = [this](ui::TObject* s) { btnBackwardClick(s); };
    Button2->OnClick = [this](ui::TObject* s) { Button2Click(s); };
    btnClear->OnClick = [this](ui::TObject* s) { btnClearClick(s); };
    Button1->OnClick = [this](ui::TObject* s) { Button1Click(s); };
    Button3->OnClick = [this](ui::TObject* s) { Button3Click(s); };
    btnStart->OnClick = [this](ui::TObject* s) { btnStartClick(s); };
    btnFinish->OnClick = [this](ui::TObject* s) { btnFinishClick(s); };
    Button4->OnClick = [this](ui::TObject* s) { Button4Click(s); };
    Button5->OnClick = [this](ui::TObject* s) { Button5Click(s); };
    Edit1->OnKeyDown = [this](ui::TObject* s, std::uint16_t& k, ui::TShiftState sh) { Edit1KeyDown(s, k, sh); };
    StringGrid1->OnDrawCell = [this](ui::TObject* s, int c, int r, const ui::TRect& rect, ui::TGridDrawState st) {
        StringGrid1DrawCell(s, c, r, rect, st);
    };
    for (int c = 0; c < HistoryColumnCount; ++c) StringGrid1->SetColWidth(c, DefaultWidth(*StringGrid1, c));
}

TFormHistory::~TFormHistory()
{
    if (FormHistory == this) FormHistory = nullptr;
}

void TFormHistory::FormCreate(ui::TObject*)
{
    if (Messages == nullptr) Messages = MsgFile;
    FirstRecord = 0;
    Store.Clear();
    ClearGrid();
}

void TFormHistory::FormKeyDown(ui::TObject*, std::uint16_t& Key, ui::TShiftState)
{
    if (Key == kEscape) Stopped = true;
}

void TFormHistory::Edit1KeyDown(ui::TObject*, std::uint16_t&, ui::TShiftState)
{
    Edit1->OnKeyPress = &TInputController::HexKeyPress;
}

// The page is emptied once the device work runs (a refused one leaves the page shown).
void TFormHistory::btnBackwardClick(ui::TObject*)
{
    if (Actions.Backward) Actions.Backward();
}

void TFormHistory::Button2Click(ui::TObject*)
{
    if (Actions.Forward) Actions.Forward();
}

void TFormHistory::Button4Click(ui::TObject*)
{
    if (Actions.FromNumber) Actions.FromNumber();
}

void TFormHistory::btnStartClick(ui::TObject*)
{
    if (Actions.SaveToFile) Actions.SaveToFile();
}

void TFormHistory::btnFinishClick(ui::TObject*)
{
    if (Actions.StopDownload) Actions.StopDownload();
}

void TFormHistory::btnClearClick(ui::TObject*)
{
    if (!Confirmed("Вы уверены, что хотите стереть историю?\n\r* при очистке истории прекращается обмен между панелями",
                   ui::mtConfirmation) ||
        !Confirmed("Её невозможно будет восстановить!", ui::mtWarning) || !Confirmed("Точно?", ui::mtConfirmation))
        return;
    THistoryErase erase{.Why = "нет связи с устройством"};
    {
        EraseBracket bracket(*this);
        if (Actions.ClearDeviceHistory) erase = Actions.ClearDeviceHistory();
    }
    // The device keeps its history when the erase failed, and so do the grid and the store.
    if (erase.Erased)
        HistoryErased();
    else if (!erase.Why.empty())
        ui::MessageDlg("Ошибка при удалении истории!\nИстория не удалена: " + erase.Why + ".", ui::mtError, {ui::mbOK});
}

void TFormHistory::ExportSheet(const TWorksheet& Sheet)
{
    const TWorksheetResult result = ExportHistorySheet(SaveDialog1->FileName(), Sheet);
    ReportOutcome("Сохранено в " + SaveDialog1->FileName());
    if (result.RowsLeftOut > 0)
        ui::MessageDlg("В файл записаны первые " + std::to_string(result.RowsWritten - 1) + " записей; ещё " +
                           std::to_string(result.RowsLeftOut) + " не помещаются в лист этого формата.",
                       ui::mtWarning, {ui::mbOK});
}

void TFormHistory::Button1Click(ui::TObject*)
{
    if (SaveDialog1->Execute()) ExportSheet(HistoryPageSheet(*StringGrid1, Store, Messages));
}

void TFormHistory::Button3Click(ui::TObject*)
{
    const bool m45 = Actions.FlashIsM45PE16 && Actions.FlashIsM45PE16();
    const TWorksheet sheet =
        HistoryStoreSheet(Store, Messages, AltSections(), m45 ? HistoryFillersM45PE16 : HistoryFillers);
    StringGrid2->SetColCount(HistoryColumnCount);
    StringGrid2->SetRowCount(static_cast<int>(sheet.size()));
    StringGrid2->ClearCells();
    for (std::size_t r = 0; r < sheet.size(); ++r)
        for (std::size_t c = 0; c < sheet[r].size(); ++c)
            StringGrid2->SetCell(static_cast<int>(c), static_cast<int>(r), sheet[r][c]);
    if (SaveDialog1->Execute()) ExportSheet(sheet);
}

void TFormHistory::Button5Click(ui::TObject*) { ReadAll(); }

void TFormHistory::ReadAll()
{
    Stopped = false;
    const int start = FirstRecord;
    for (;;) {
        const int before = FirstRecord;
        ClearGrid();
        if (Actions.Backward) Actions.Backward();
        ui::App().ProcessMessages();
        // A page that did not move (no device, a failure) would be tried for ever.
        if (Stopped || FirstRecord == before) return;
        if (std::abs(FirstRecord - start) < kTurnDone) return;
    }
}

void TFormHistory::DrawMarks(ui::Canvas& Canvas, const ui::TRect& Rect, const std::string& Marks, TColor Background)
{
    Canvas.brush = ui::Brush::Clear();
    if (Marks.empty()) {
        Canvas.textOut(Rect.Left + 2, Rect.Top + 2, "  ");
        return;
    }
    const auto digits = static_cast<int>(std::count_if(Marks.begin(), Marks.end(), [](char c) { return c != 'i'; }));
    if (MarksNeedTile(Background)) {
        Canvas.brush = ui::Brush::Solid(ui::ResolveColor(StringGrid1->Color()));
        Canvas.fillRect({Rect.Left + 1, Rect.Top + 1, std::min(Rect.Right, Rect.Left + 3 + digits * kMarkStep), Rect.Bottom - 1});
        Canvas.brush = ui::Brush::Clear();
    }
    int x = Rect.Left + 2;
    for (std::size_t i = 0; i < Marks.size(); ++i) {
        const bool marked = i + 1 < Marks.size() && Marks[i + 1] == 'i';
        Canvas.font.color = marked ? kMarkedChannel : kUnmarkedChannel;
        Canvas.textOut(x, Rect.Top + 2, std::string(1, Marks[i]));
        if (marked) ++i;
        x += kMarkStep;
    }
}

void TFormHistory::StringGrid1DrawCell(ui::TObject*, int ACol, int ARow, const ui::TRect& Rect, ui::TGridDrawState)
{
    ui::Canvas* canvas = StringGrid1->PaintCanvas();
    if (canvas == nullptr || ARow == 0) return;
    THistoryRow row;
    for (int c = 0; c < HistoryColumnCount; ++c) row[static_cast<std::size_t>(c)] = StringGrid1->Cells(c, ARow);
    TColor background = ui::ResolveColor(StringGrid1->Color());
    const auto paint = [&](TColor back, TColor ink) {
        background = back;
        canvas->brush = ui::Brush::Solid(back);
        canvas->fillRect(Rect);
        canvas->font.color = ink;
        canvas->textOut(Rect.Left + 2, Rect.Top + 2, row[static_cast<std::size_t>(ACol)]);
    };
    if (row[hcEvent] == HistoryReadFailed) {
        paint(kUnreadRow, kUnreadText);
        return;
    }
    if (const std::string key = HistoryEventKey(row); !key.empty() && Messages != nullptr) {
        paint(ui::ResolveColor(static_cast<TColor>(Messages->ColorOf(key))), static_cast<TColor>(Messages->NumberOf(key)));
        if (row[hcEvent].empty()) StringGrid1->SetCell(hcEvent, ARow, HistoryEventText(row, Messages));
    }
    if ((ACol != hcSentFact && ACol != hcPhones) || row[hcNumber].empty()) return;
    const THistoryEntry* entry = Store.Find(std::atoi(row[hcNumber].c_str()));
    if (entry == nullptr || HistoryDeliveryCode(entry->Record) != "00") return;
    DrawMarks(*canvas, Rect, ACol == hcSentFact ? entry->OwnMarks : entry->GroupMarks, background);
}

void TFormHistory::ClearGrid()
{
    SetStateText("");
    StringGrid1->ClearCells();
    for (int c = 0; c < HistoryColumnCount; ++c)
        StringGrid1->SetCell(c, 0, std::string(HistoryColumnTitles[static_cast<std::size_t>(c)]));
}

void TFormHistory::SetRow(int Row, const THistoryRow& Cells)
{
    for (int c = 0; c < HistoryColumnCount; ++c) StringGrid1->SetCell(c, Row, Cells[static_cast<std::size_t>(c)]);
    StringGrid1->Invalidate();
}

void TFormHistory::HistoryErased()
{
    Store.Clear();
    ShowNoRecords(std::string(HistoryEmpty));
}

void TFormHistory::ShowNoRecords(const std::string& Text)
{
    ClearGrid();
    SetStateText(Text);
}

void TFormHistory::SetStateText(const std::string& Text)
{
    lbState->SetCaption(Text);
    lbState->SetVisible(!Text.empty());
}

std::vector<ui::TControl*> TFormHistory::DeviceButtons() const
{
    return {btnBackward, Button2, btnClear, Button1, Button3, btnStart, btnFinish, Button4, Button5};
}

void TFormHistory::SetDeviceButtonsEnabled(bool Enabled)
{
    for (ui::TControl* c : DeviceButtons()) c->SetEnabled(Enabled && c != btnFinish);
}

void TFormHistory::SetPagingEnabled(bool Enabled)
{
    btnBackward->SetEnabled(Enabled);
    Button2->SetEnabled(Enabled);
}

void TFormHistory::LoadFromIni(const TMemIniFile& Ini)
{
    const bool download = Ini.ReadString(kSection, "HistoryInFile", "0") == "1";
    btnStart->SetVisible(download);
    btnFinish->SetVisible(download);
    for (int c = 0; c < HistoryColumnCount; ++c)
        StringGrid1->SetColWidth(c, Ini.ReadInteger(kSection, WidthKey(c), DefaultWidth(*StringGrid1, c)));
    const bool byNumber = Ini.ReadString("FormNSPoint", "nspoint", "") == "1";
    Button4->SetVisible(byNumber);
    Edit1->SetVisible(byNumber);
    TformIncl::LoadFromIni(Ini);
}

void TFormHistory::SaveToIni(TMemIniFile& Ini)
{
    Ini.WriteString(kSection, "HistoryInFile", btnStart->Visible() ? "1" : "0");
    for (int c = 0; c < HistoryColumnCount; ++c) Ini.WriteInteger(kSection, WidthKey(c), StringGrid1->ColWidths(c));
    TformIncl::SaveToIni(Ini);
}

void TFormHistory::LoadDefaults()
{
    for (int c = 0; c < HistoryColumnCount; ++c) StringGrid1->SetColWidth(c, DefaultWidth(*StringGrid1, c));
    TformIncl::LoadDefaults();
}
