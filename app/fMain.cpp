#include "app/fMain.h"

#include <algorithm>
#include <utility>

#include "app/DeviceController.h"
#include "app/FormAppMainController.h"
#include "app/IniFiles.h"
#include "app/S7QX1FormsController.h"
#include "app/TVLog.h"
#include "app/UpdateListFormUnit.h"
#include "app/fAbout.h"
#include "app/fProgress.h"
#include "app/fUpdateIns.h"
#include "kit/KitPrgres.h"
#include "kit/KitSplit.h"
#include "link/MyExceptions.h"
#include "link/SmallRoutines.h"
#include "platform/Text.h"
#include "ui/Application.h"
#include "ui/Clipboard.h"

TFormMain* FormMain = nullptr;

namespace {

ui::TMenuItem* AddItem(ui::TForm& form, ui::TMenuItem& parent, const char* name, const char* caption,
                       ui::TShortCut shortCut = 0)
{
    auto* item = ui::Create<ui::TMenuItem>(&form, name);
    item->SetCaption(caption);
    item->SetShortCut(shortCut);
    parent.Add(item);
    return item;
}

void AddSeparator(ui::TForm& form, ui::TMenuItem& parent) { AddItem(form, parent, "", "-"); }

constexpr ui::TShortCut Ctrl(char key) { return ui::ShortCut(static_cast<std::uint16_t>(key), {ui::ssCtrl}); }
constexpr ui::TShortCut CtrlShift(char key)
{
    return ui::ShortCut(static_cast<std::uint16_t>(key), {ui::ssCtrl, ui::ssShift});
}

constexpr ui::TShortCut kExitKey = Ctrl('X');
constexpr ui::TShortCut kConnectKey = Ctrl('C');

// The window's own section of "current.ini".
constexpr const char* kSection = "formMain";
// How much of a restored window must lie on the desktop's work area for its place to be taken.
constexpr int kLeastOnScreen = 40;

std::string UnexpectedErrorText(const std::string& message)
{
    return "Возникла непредвиденная ошибка: \"" + message + "\"";
}

bool IsTextField(const ui::TComponent* c) { return ui::As<ui::TCustomEdit>(c) != nullptr; }

}  // namespace

TFormMain::TFormMain(ui::TComponent* owner) : ui::TForm(owner)
{
    SetCaption("Программа настройки");
    SetClientWidth(1085);
    SetClientHeight(749);
    SetPosition(ui::poScreenCenter);
    SetKeyPreview(true);
    Font().SetName("Tahoma");
    CreateMenu();
    CreateToolBar();
    CreatePanes();
    CreateDialogs();
    SetMinimumSize();

    Timer1 = ui::Create<ui::TTimer>(this, "Timer1");
    Timer1->SetEnabled(false);
    Timer1->SetInterval(WatchdogIntervalMs);
    Timer1->OnTimer = [this](ui::TObject* Sender) { Timer1Timer(Sender); };
    closeRetry_ = ui::Create<ui::TTimer>(this, "CloseRetry");
    closeRetry_->SetEnabled(false);
    closeRetry_->SetInterval(CloseRetryMs);
    closeRetry_->OnTimer = [this](ui::TObject* Sender) { CloseRetryTimer(Sender); };
    linkCheckRetry_ = ui::Create<ui::TTimer>(this, "LinkCheckRetry");
    linkCheckRetry_->SetEnabled(false);
    linkCheckRetry_->SetInterval(LinkCheckRetryMs);
    linkCheckRetry_->OnTimer = [this](ui::TObject* Sender) { LinkCheckRetryTimer(Sender); };

    OnCreate = [this](ui::TObject* s) { FormCreate(s); };
    OnActivate = [this](ui::TObject* s) { FormActivate(s); };
    OnKeyDown = [this](ui::TObject* s, std::uint16_t& key, ui::TShiftState shift) { FormKeyDown(s, key, shift); };
    OnClose = [this](ui::TObject* s, ui::TCloseAction& action) { FormClose(s, action); };

    ui::Application& app = ui::App();
    previousExceptionHandler_ = app.OnException;
    app.OnException = [this](ui::TObject* s, std::exception_ptr e) { ApplicationEvents1Exception(s, std::move(e)); };
    if (FormMain == nullptr) FormMain = this;
}

TFormMain::~TFormMain()
{
    // The controller saves the pages, which live in this window: it goes while they are still here.
    FreeFormsController();
    if (ui::Application* app = ui::CurrentApplication()) app->OnException = previousExceptionHandler_;
    if (FormMain == this) FormMain = nullptr;
}

void TFormMain::AdoptFormsController(std::unique_ptr<TS7QX1FormsController> Controller)
{
    FreeFormsController();
    controller_ = std::move(Controller);
    FormsController = controller_.get();
}

void TFormMain::FreeFormsController()
{
    if (!controller_) return;
    Timer1->SetEnabled(false);
    try {
        controller_->Disconnect();
    } catch (...) {
        ui::App().HandleException(this, std::current_exception());
    }
    FormsController = nullptr;
    controller_.reset();
}

void TFormMain::CreateMenu()
{
    MainMenu1 = ui::Create<ui::TMainMenu>(this, "MainMenu1");
    ui::TMenuItem& root = MainMenu1->Items();
    N1 = AddItem(*this, root, "N1", "Файл");
    N2 = AddItem(*this, *N1, "N2", "Выход", kExitKey);
    N3 = AddItem(*this, root, "N3", "Соединение");
    mnuConnect = AddItem(*this, *N3, "mnuConnect", "Подключиться", kConnectKey);
    mnuDisconnect = AddItem(*this, *N3, "mnuDisconnect", "Отключиться", Ctrl('D'));
    N4 = AddItem(*this, root, "N4", "Панель");
    mnuRead = AddItem(*this, *N4, "mnuRead", "Прочитать настройки с данной страницы", Ctrl('R'));
    mnuWrite = AddItem(*this, *N4, "mnuWrite", "Записать настройки с данной страницы", Ctrl('W'));
    AddSeparator(*this, *N4);
    mnuReadAll = AddItem(*this, *N4, "mnuReadAll", "Прочитать все настройки", CtrlShift('R'));
    mnuWriteAll = AddItem(*this, *N4, "mnuWriteAll", "Записать все настройки", CtrlShift('W'));
    AddSeparator(*this, *N4);
    mnuReload = AddItem(*this, *N4, "mnuReload", "Перезагрузить");
    AddSeparator(*this, *N4);
    UpdateFirmware = AddItem(*this, *N4, "UpdateFirmware", "Обновление версии прошивки");
    mnuUpdate = AddItem(*this, *N4, "mnuUpdate", "Обновление версии прошивки из файла");
    N5 = AddItem(*this, root, "N5", "Настройки");
    mnuSave = AddItem(*this, *N5, "mnuSave", "Сохранить", Ctrl('S'));
    mnuLoad = AddItem(*this, *N5, "mnuLoad", "Загрузить", Ctrl('L'));
    AddSeparator(*this, *N5);
    N21 = AddItem(*this, *N5, "N21", "Настройки по умолчанию на данной странице");
    N22 = AddItem(*this, *N5, "N22", "Все настройки по умолчанию");
    N6 = AddItem(*this, root, "N6", "Отладка");
    N16 = AddItem(*this, *N6, "N16", "Выводить информацию в окно");
    N16->SetChecked(true);
    N17 = AddItem(*this, *N6, "N17", "Выводить информацию в лог");
    N7 = AddItem(*this, root, "N7", "Помощь");
    N8 = AddItem(*this, *N7, "N8", "О программе", ui::ShortCut(ui::VK_F1, {}));

    for (ui::TMenuItem* item : {mnuDisconnect, mnuReload, UpdateFirmware, N21, N22}) item->SetEnabled(false);
    for (ui::TMenuItem* item : {mnuRead, mnuWrite, mnuReadAll, mnuWriteAll}) item->SetEnabled(false);
    mnuUpdate->SetVisible(false);
    N6->SetVisible(false);

    mnuConnect->OnClick = [this](ui::TObject* s) { tbConnectClick(s); };
    mnuDisconnect->OnClick = [this](ui::TObject* s) { tbDisconnectClick(s); };
    mnuRead->OnClick = [this](ui::TObject* s) { tbReadClick(s); };
    mnuWrite->OnClick = [this](ui::TObject* s) { tbWriteClick(s); };
    mnuReadAll->OnClick = [this](ui::TObject* s) { tbReadAllClick(s); };
    mnuWriteAll->OnClick = [this](ui::TObject* s) { tbWriteAllClick(s); };
    N21->OnClick = [this](ui::TObject* s) { tbDefaultClick(s); };
    N22->OnClick = [this](ui::TObject* s) { tbDefaultAllClick(s); };
    N2->OnClick = [this](ui::TObject* s) { N2Click(s); };
    N8->OnClick = [this](ui::TObject* s) { N8Click(s); };
    mnuLoad->OnClick = [this](ui::TObject* s) { mnuLoadClick(s); };
    mnuSave->OnClick = [this](ui::TObject* s) { mnuSaveClick(s); };
    mnuReload->OnClick = [this](ui::TObject* s) { mnuReloadClick(s); };
    UpdateFirmware->OnClick = [this](ui::TObject* s) { UpdateFirmwareClick(s); };
    mnuUpdate->OnClick = [this](ui::TObject* s) { mnuUpdateClick(s); };
}

void TFormMain::CreateToolBar()
{
    ImageList1 = ui::Create<ui::TImageList>(this, "ImageList1");
    ImageList1->SetWidth(ToolPictureSize);
    ImageList1->SetHeight(ToolPictureSize);
    ToolBar1 = ui::Create<ui::TToolBar>(this, "ToolBar1", this);
    ToolBar1->SetImages(ImageList1);
    // The room a tool button leaves around its picture.
    ToolBar1->SetButtonWidth(ImageList1->Width() + 7);
    ToolBar1->SetButtonHeight(ImageList1->Height() + 6);
    ToolBar1->SetHeight(ToolBar1->ButtonHeight() + 4);
    int separators = 0;
    // The buttons show pictures; the hint gives each its words.
    const auto button = [this](const char* name, const char* hint) {
        auto* b = ui::Create<ui::TToolButton>(this, name, ToolBar1);
        b->SetHint(hint);
        b->SetShowHint(true);
        b->SetEnabled(false);
        return b;
    };
    const auto separator = [this, &separators] {
        auto* s = ui::Create<ui::TToolButton>(this, "ToolButton" + std::to_string(++separators), ToolBar1);
        s->SetStyle(ui::tbsSeparator);
    };
    tbConnect = button("tbConnect", "Подключиться");
    tbConnect->SetCaption("Подключиться");
    tbConnect->SetEnabled(true);
    tbDisconnect = button("tbDisconnect", "Отключиться");
    tbDisconnect->SetCaption("Отключиться");
    separator();
    tbRead = button("tbRead", "Прочитать настройки с данной страницы");
    tbReadAll = button("tbReadAll", "Прочитать все настройки");
    separator();
    tbWrite = button("tbWrite", "Записать настройки с данной страницы");
    tbWriteAll = button("tbWriteAll", "Записать все настройки");
    separator();
    tbDefault = button("tbDefault", "Настройки по умолчанию на данной странице");
    tbDefaultAll = button("tbDefaultAll", "Все настройки по умолчанию");
    separator();

    tbConnect->OnClick = [this](ui::TObject* s) { tbConnectClick(s); };
    tbDisconnect->OnClick = [this](ui::TObject* s) { tbDisconnectClick(s); };
    tbRead->OnClick = [this](ui::TObject* s) { tbReadClick(s); };
    tbReadAll->OnClick = [this](ui::TObject* s) { tbReadAllClick(s); };
    tbWrite->OnClick = [this](ui::TObject* s) { tbWriteClick(s); };
    tbWriteAll->OnClick = [this](ui::TObject* s) { tbWriteAllClick(s); };
    tbDefault->OnClick = [this](ui::TObject* s) { tbDefaultClick(s); };
    tbDefaultAll->OnClick = [this](ui::TObject* s) { tbDefaultAllClick(s); };
}

void TFormMain::CreatePanes()
{
    StatusBar1 = ui::Create<ui::TStatusBar>(this, "StatusBar1", this);
    const std::pair<const char*, int> panels[] = {{"Com", PortPanelWidth}, {"Версия", 100}, {"Тип", 100}, {"", 100},
                                                  {"", ProgressPanelWidth}, {"", ImeiPanelWidth}, {"", 100}};
    for (const auto& [text, width] : panels) {
        ui::TStatusPanel* panel = StatusBar1->Panels().Add();
        panel->SetText(text);
        panel->SetWidth(width);
    }

    StatusBar1->OnClick = [this](ui::TObject* s) { StatusBar1Click(s); };
    KitProgressBar1 = ui::Create<TKitProgressBar>(this, "KitProgressBar1", StatusBar1);
    KitProgressBar1->SetVisible(false);

    KitSplitter1 = ui::Create<TKitSplitter>(this, "KitSplitter1", this);
    KitSplitter1->SetAlign(ui::alClient);
    KitSplitter1->SetOrientation(orVertical);
    KitSplitter1->SetHotSpotVisible(true);
    KitSplitter1->SetHotSpotDirection(hsdMax);
    KitSplitter1->SetSplitterStyle(ssGroove);
    KitSplitter1->SetSplitterWidth(5);
    // The log keeps its height when the window is resized: the page area takes the difference.
    KitSplitter1->SetFixedPane(fpLowerRight);
    KitSplitter1->ChangePosition(KitSplitter1->Height() - KitSplitter1->SplitterWidth() - LogPaneHeight);
    // The tree's bar has a grip of its own: a click folds the tree away to the left.
    kitCntSpl = ui::Create<TKitSplitter>(this, "kitCntSpl", KitSplitter1->Pane1());
    kitCntSpl->SetAlign(ui::alClient);
    kitCntSpl->SetBorderWidth(3);
    kitCntSpl->SetBorderInner(fsGroove);
    kitCntSpl->SetBorderSides(sdTop);
    kitCntSpl->SetHotSpotVisible(true);
    kitCntSpl->SetSplitterStyle(ssGroove);
    kitCntSpl->SetSplitterWidth(6);
    kitCntSpl->ChangePosition(PageTreeWidth);

    LogPane = ui::Create<ui::TPanel>(this, "LogPane", KitSplitter1->Pane2());
    LogPane->SetAlign(ui::alClient);
    LogPane->SetBevelOuter(ui::bvNone);
    LogPane->SetCaption("");
    Panel1 = ui::Create<ui::TPanel>(this, "Panel1", LogPane);
    Panel1->SetAlign(ui::alRight);
    Panel1->SetCaption("");
    BitBtn1 = ui::Create<ui::TBitBtn>(this, "BitBtn1", Panel1);
    BitBtn1->SetCaption("Очистить");
    BitBtn1->SetBounds(8, 8, 84, 25);
    BitBtn1->OnClick = [this](ui::TObject* s) { BitBtn1Click(s); };
    Button1 = ui::Create<ui::TButton>(this, "Button1", Panel1);
    Button1->SetCaption("Сохранить");
    Button1->SetBounds(8, 40, 84, 25);
    Button1->OnClick = [this](ui::TObject* s) { Button1Click(s); };
    cbScrolling = ui::Create<ui::TCheckBox>(this, "cbScrolling", Panel1);
    cbScrolling->SetCaption("Прокрутка?");
    cbScrolling->SetBounds(8, 72, std::max(84, cbScrolling->CaptionFitWidth()), 17);
    cbScrolling->SetChecked(true);
    Panel1->SetWidth(std::max(100, cbScrolling->Left() + cbScrolling->Width() + 8));
    tvLog = ui::Create<ui::TTreeView>(this, "tvLog", LogPane);
    tvLog->SetAlign(ui::alClient);
    tvLog->SetColor(clInfoBk);
    tvLog->SetReadOnly(true);
    tvLog->SetRowSelect(true);
    tvLog->SetShowLines(false);
    tvLog->SetShowRoot(false);
    tvLog->SetAutoExpand(true);
    tvLog->OnAddition = [this](ui::TObject* s, ui::TTreeNode* node) { tvLogAddition(s, node); };
    tvLog->OnCustomDrawItem = [this](ui::TObject* s, ui::TTreeNode* node, ui::TCustomDrawState state,
                                     ui::TItemColors& colors, bool& defaultDraw) {
        tvLogCustomDrawItem(s, node, state, colors, defaultDraw);
    };

    tv1 = ui::Create<ui::TTreeView>(this, "tv1", kitCntSpl->Pane1());
    tv1->SetAlign(ui::alClient);
    tv1->SetReadOnly(true);
    tv1->SetRowSelect(true);
    tv1->SetHideSelection(false);
    tv1->OnChange = [this](ui::TObject* s, ui::TTreeNode* node) { tv1Change(s, node); };

    PagesPane = ui::Create<ui::TPanel>(this, "PagesPane", kitCntSpl->Pane2());
    PagesPane->SetAlign(ui::alClient);
    PagesPane->SetBevelOuter(ui::bvNone);
    PagesPane->SetCaption("");
}

void TFormMain::CreateDialogs()
{
    for (ui::TOpenDialog* dialog : {static_cast<ui::TOpenDialog*>(OFD = ui::Create<ui::TOpenDialog>(this, "OFD")),
                                    static_cast<ui::TOpenDialog*>(SFD = ui::Create<ui::TSaveDialog>(this, "SFD"))}) {
        dialog->SetDefaultExt("txt");
        dialog->SetFilter("Text Files|*.txt");
    }
    SFD->SetOptions({ui::ofOverwritePrompt, ui::ofHideReadOnly});
}

// Smaller, the toolbar would be cut and the page area too low to use (a page scrolls in what is left).
void TFormMain::SetMinimumSize()
{
    int toolsRight = 0;
    for (int i = 0; i < ToolBar1->ControlCount(); ++i) {
        const ui::TControl* button = ToolBar1->Controls(i);
        if (button->Visible()) toolsRight = std::max(toolsRight, button->Left() + button->Width());
    }
    // Beside the page area: the tree, the toolbar, the log and the status bar, with the bars between.
    Constraints().SetMinWidth(std::max(toolsRight + ToolBar1->Left(), Width() - PagesPane->Width() + MinPageAreaWidth));
    Constraints().SetMinHeight(Height() - PagesPane->Height() + MinPageAreaHeight);
}

// The progress bar takes the place of its panel, inside the bar's frame.
void TFormMain::PlaceProgressBar()
{
    const ui::TStatusPanels& panels = StatusBar1->Panels();
    int left = 0;
    for (int i = 0; i < PanelProgress; ++i) left += panels[i]->Width();
    KitProgressBar1->SetBounds(left, 1, panels[PanelProgress]->Width() - 4, StatusBar1->Height() - 1);
}

void TFormMain::ReadProgramSettings()
{
    // A file that cannot be read leaves the defaults; the forms controller tells the user why.
    const TMemIniFile ini = TMemIniFile::ReadOrEmpty(AppFolder() + "current.ini");
    Proto = ini.ReadInteger(kSection, "PROTO", 0);
    const bool unlocked = ini.ReadString("Update", "UpdatePanelVersion", "") == AccessCode;
    mnuUpdate->SetVisible(unlocked);
    KitProgressBar1->SetVisible(unlocked);
    FitPanels();
    RestorePlacement(ini);
}

void TFormMain::RestorePlacement(const TMemIniFile& Ini)
{
    if (!Ini.ValueExists(kSection, "Width") || !Ini.ValueExists(kSection, "Height")) return;
    const int width = Ini.ReadInteger(kSection, "Width", Width());
    const int height = Ini.ReadInteger(kSection, "Height", Height());
    if (width <= 0 || height <= 0) return;
    const ui::TRect placed = ui::Bounds(Ini.ReadInteger(kSection, "Left", Left()), Ini.ReadInteger(kSection, "Top", Top()),
                                        width, height);
    const ui::TRect area = ui::App().Screen().WorkAreaRect();
    // A place on a screen that is gone (or a hand-made one far off) keeps the size, centred.
    const bool onScreen = area.IsEmpty() || placed.Intersects(area.Inflate(-kLeastOnScreen, -kLeastOnScreen));
    if (onScreen) SetPosition(ui::poDesigned);
    SetBounds(onScreen ? placed.Left : Left(), onScreen ? placed.Top : Top(), width, height);
    if (Ini.ReadBool(kSection, "Maximized", false)) SetWindowState(ui::wsMaximized);
}

void TFormMain::SavePlacement(TMemIniFile& Ini) const
{
    const ui::TRect r = RestoredBounds();
    Ini.WriteInteger(kSection, "Left", r.Left);
    Ini.WriteInteger(kSection, "Top", r.Top);
    Ini.WriteInteger(kSection, "Width", r.Width());
    Ini.WriteInteger(kSection, "Height", r.Height());
    Ini.WriteBool(kSection, "Maximized", WindowState() == ui::wsMaximized);
}

void TFormMain::FormCreate(ui::TObject*)
{
    SetCaption(std::string("Программа настройки \"Sorvel GSM-7-QX3\" v.") + ProgramFileVersion());
    PlaceProgressBar();
    ReadProgramSettings();
}

std::string TFormMain::StatusText(int Panel) const
{
    if (Panel < 0 || Panel >= StatusBar1->Panels().Count()) return {};
    return StatusBar1->Panels()[Panel]->Text();
}

void TFormMain::SetStatusText(int Panel, std::string Text)
{
    if (Panel < 0 || Panel >= StatusBar1->Panels().Count()) return;
    StatusBar1->Panels()[Panel]->SetText(std::move(Text));
    if (Panel == PanelPort || Panel == PanelImei) FitPanels();
}

// A port here is a device path, longer than the "COM1" the panel was sized for: the panel widens to
// show it whole, and the progress bar beside it moves along. The IMEI's panel takes what its fifteen
// digits need and the upload bar's place shrinks to a sliver while the bar is hidden, so that the
// outcome at the end of the bar has room to be read.
void TFormMain::FitPanels()
{
    const auto fit = [this](int index, int least) {
        ui::TStatusPanel& panel = *StatusBar1->Panels()[index];
        panel.SetWidth(std::max(least, ui::TextExtent(panel.Text(), StatusBar1->Font()).cx + StatusPanelPadding));
    };
    fit(PanelPort, PortPanelWidth);
    fit(PanelImei, PortPanelWidth);
    StatusBar1->Panels()[PanelProgress]->SetWidth(KitProgressBar1->Visible() ? ProgressPanelWidth : StatusPanelPadding);
    PlaceProgressBar();
}

void TFormMain::ShowOutcome(std::string Text) { SetStatusText(PanelOutcome, std::move(Text)); }

void TFormMain::ShowStatusMessage(std::string Text)
{
    StatusBar1->SetSimplePanel(!Text.empty());
    StatusBar1->SetSimpleText(std::move(Text));
}

void TFormMain::tbConnectClick(ui::TObject*)
{
    // A connect under way keeps its version panel and update state: the second click changes nothing.
    if (FormsController == nullptr || !FormsController->MayConnect()) return;
    SetStatusText(PanelVersion, "");
    struct UpdateOver {
        ~UpdateOver()
        {
            if (formUpdateIns != nullptr) formUpdateIns->SetState(TformUpdateIns::StateIdle);
        }
    } const over;
    FormsController->Connect();
}

void TFormMain::tbDisconnectClick(ui::TObject*)
{
    if (FormsController == nullptr) return;
    FormsController->ResetDevice();
    FormsController->Disconnect();
}

void TFormMain::tbReadClick(ui::TObject*)
{
    if (FormsController != nullptr) FormsController->ReadCurrent();
}

void TFormMain::tbWriteClick(ui::TObject*)
{
    if (FormsController != nullptr) FormsController->WriteCurrent();
}

void TFormMain::tbReadAllClick(ui::TObject*)
{
    if (FormsController != nullptr) FormsController->ReadAll();
}

void TFormMain::tbWriteAllClick(ui::TObject*)
{
    if (FormsController != nullptr) FormsController->WriteAll();
}

void TFormMain::tbDefaultClick(ui::TObject*)
{
    if (FormsController != nullptr) FormsController->SetDefaultsCurrent();
}

void TFormMain::tbDefaultAllClick(ui::TObject*)
{
    if (FormsController != nullptr) FormsController->SetDefaultsAll();
}

void TFormMain::tv1Change(ui::TObject*, ui::TTreeNode* Node)
{
    if (FormsController != nullptr && Node != nullptr) FormsController->SelectPage(Node->StateIndex());
}

void TFormMain::N2Click(ui::TObject*) { Close(); }

void TFormMain::N8Click(ui::TObject*)
{
    if (FormAbout != nullptr) FormAbout->ShowModal();
}

void TFormMain::mnuLoadClick(ui::TObject*)
{
    if (FormsController == nullptr || !OFD->Execute()) return;
    FormsController->LoadPagesFromIni(OFD->FileName());
    ShowOutcome("Настройки загружены из " + OFD->FileName());
}

void TFormMain::mnuSaveClick(ui::TObject*)
{
    if (FormsController == nullptr || !SFD->Execute()) return;
    FormsController->SavePagesToIni(SFD->FileName());
    ShowOutcome("Настройки сохранены в " + SFD->FileName());
}

void TFormMain::mnuReloadClick(ui::TObject*)
{
    if (FormsController != nullptr) FormsController->ResetDevice();
}

void TFormMain::UpdateFirmwareClick(ui::TObject*)
{
    TDeviceController* device = CurrentDeviceController();
    if (device == nullptr || formUpdateIns == nullptr) return;
    if (formUpdateIns->FirmwareUpdateAvailable(device->PanelType, device->Cpu, device->FlashType, device->Major,
                                               device->Build))
        formUpdateIns->Show();
    else
        ui::App().MessageBox("Обновлние не требуется.", "", ui::MB_OK | ui::MB_ICONINFORMATION);
}

void TFormMain::mnuUpdateClick(ui::TObject*)
{
    if (controller_) controller_->UpdateFirmwareFromFile();
}

void TFormMain::StatusBar1Click(ui::TObject*) { ui::Clipboard().SetAsText(StatusText(PanelImei)); }

void TFormMain::BitBtn1Click(ui::TObject*) { tvLog->Items().Clear(); }

void TFormMain::Button1Click(ui::TObject*)
{
    if (!SFD->Execute()) return;
    TTVLog(*tvLog).SaveToFile(SFD->FileName());
    ShowOutcome("Журнал сохранён в " + SFD->FileName());
}

void TFormMain::tvLogAddition(ui::TObject*, ui::TTreeNode* Node) { TTVLog::ScrollToAdded(*tvLog, Node, *cbScrolling); }

void TFormMain::tvLogCustomDrawItem(ui::TObject*, ui::TTreeNode* Node, ui::TCustomDrawState State, ui::TItemColors& Colors,
                                    bool& DefaultDraw)
{
    if (Node != nullptr) TTVLog::ApplyNodeColors(*Node, State, Colors);
    DefaultDraw = true;
}

void TFormMain::FormActivate(ui::TObject*)
{
    // The update window keeps the main window off while it is open.
    if (formUpdateIns != nullptr && formUpdateIns->Visible()) SetEnabled(false);
}

void TFormMain::FormKeyDown(ui::TObject*, std::uint16_t& Key, ui::TShiftState Shift)
{
    // Esc here cancels a running operation as it does on its progress window.
    if (Key == ui::VK_ESCAPE && FormProgress != nullptr && FormProgress->Visible()) {
        Key = 0;
        FormProgress->Button1Click(FormProgress->Button1);
        return;
    }
    if (Key != 'U' || !Shift.Contains(ui::ssCtrl) || !Shift.Contains(ui::ssAlt)) return;
    Key = 0;
    TUpdateListForm* list = ui::Create<TUpdateListForm>(this, "");
    struct Free {
        TUpdateListForm* window;
        ~Free() { ui::Free(window); }
    } const free{list};
    list->ShowModal();
}

void TFormMain::ApplicationEvents1Exception(ui::TObject*, std::exception_ptr E)
{
    ui::MessageDlg(UnexpectedErrorText(ui::ExceptionMessage(std::move(E))), ui::mtError, {ui::mbOK});
}

void TFormMain::Disconnect()
{
    if (FormsController != nullptr) FormsController->Disconnect();
}

bool TFormMain::OperationUnderWay() const
{
    return controller_ && (controller_->OperationRunning() || controller_->ExchangeRunning());
}

void TFormMain::FormClose(ui::TObject*, ui::TCloseAction& Action)
{
    // An upload runs on its own thread through the link: it is stopped and waited for first.
    if (formUpdateIns != nullptr && formUpdateIns->Uploading()) formUpdateIns->StopUpload();
    if (OperationUnderWay()) {
        Action = ui::caNone;
        if (!closePending_) {
            closePending_ = true;
            controller_->CancelForClose();
        }
        closeRetry_->SetEnabled(true);
        return;
    }
    closePending_ = false;
    closeRetry_->SetEnabled(false);
    if (controller_) controller_->SaveCurrentIni([this](TMemIniFile& ini) { SavePlacement(ini); });
    FreeFormsController();
}

void TFormMain::CloseRetryTimer(ui::TObject*)
{
    if (OperationUnderWay()) return;
    closeRetry_->SetEnabled(false);
    Close();
}

void TFormMain::KeepEditingKeys() { WatchTextFields(*this); }

void TFormMain::WatchTextFields(ui::TComponent& Root)
{
    for (int i = 0; i < Root.ComponentCount(); ++i) {
        ui::TComponent* c = Root.Components(i);
        if (IsTextField(c)) {
            auto* field = ui::As<ui::TWinControl>(c);
            field->OnEnter = [this, previous = field->OnEnter](ui::TObject* s) {
                if (previous) previous(s);
                SetEditingShortCuts(true);
            };
            field->OnExit = [this, previous = field->OnExit](ui::TObject* s) {
                if (previous) previous(s);
                SetEditingShortCuts(false);
            };
        }
        WatchTextFields(*c);
    }
}

void TFormMain::SetEditingShortCuts(bool Editing)
{
    N2->SetShortCut(Editing ? 0 : kExitKey);
    mnuConnect->SetShortCut(Editing ? 0 : kConnectKey);
}

// The watchdog polls only an idle connection. A tick that finds the line taken (an exchange or an
// operation under way) does not lose its turn: the check runs as soon as the line is free, so the
// beat holds while the Bolid page polls between the ticks.
void TFormMain::Timer1Timer(ui::TObject*)
{
    if (LineTaken()) {
        linkCheckRetry_->SetEnabled(true);
        return;
    }
    CheckLink();
}

void TFormMain::LinkCheckRetryTimer(ui::TObject*)
{
    // An operation that switched the watchdog off has the device's attention; it switches it on again
    // at its end, which starts a new interval.
    if (!Timer1->Enabled()) {
        linkCheckRetry_->SetEnabled(false);
        return;
    }
    if (LineTaken()) return;
    linkCheckRetry_->SetEnabled(false);
    CheckLink();
}

bool TFormMain::LineTaken() const
{
    const TDeviceController* device = CurrentDeviceController();
    return device != nullptr && (device->Busy() || !FormsController->MayStart());
}

bool TFormMain::LinkCheckDue() const { return Timer1->Enabled() && (linkCheckRetry_->Enabled() || Timer1->Expired()); }

void TFormMain::LinkUnanswered()
{
    if (!LinkCheckDue()) return;
    linkCheckRetry_->SetEnabled(false);
    Timer1->SetEnabled(false);
    Disconnect();
}

void TFormMain::CheckLink()
{
    Timer1->SetEnabled(false);
    TDeviceController* device = CurrentDeviceController();
    if (device == nullptr) {
        Timer1->SetEnabled(true);
        return;
    }
    try {
        std::string reply;
        device->PollVersion(reply);
        if (platform::Pos("REV", reply) == 0) {
            FormsController->LinkLost("устройство не ответило на проверку связи");
            return;
        }
    } catch (const ELinkFailure& e) {
        // A vanished port is no answer either.
        FormsController->LinkLost(e.what());
        return;
    } catch (...) {
    }
    Timer1->SetEnabled(true);
}

void ReportOutcome(const std::string& Text)
{
    if (FormMain != nullptr) FormMain->ShowOutcome(Text);
}

void BeginControllerOperation()
{
    if (FormMain != nullptr && FormMain->FormsController != nullptr) FormMain->FormsController->BeginOperation();
}

void EndControllerOperation()
{
    if (FormMain != nullptr && FormMain->FormsController != nullptr) FormMain->FormsController->EndOperation();
}

TDeviceController* CurrentDeviceController()
{
    if (FormMain == nullptr || FormMain->FormsController == nullptr) return nullptr;
    return FormMain->FormsController->GetDeviceController();
}
