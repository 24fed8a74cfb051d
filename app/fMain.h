#pragma once
// The main window: page tree, page pane, log pane, toolbar, main menu, status bar and the link
// watchdog. Its handlers forward every command to the forms controller, which the window owns from
// the program's start to its close. It also shows every exception nothing else caught.
//
// Closing while an operation runs cancels the operation and closes once it has ended: the forms
// controller (and the pages it saves) must never go away under a running exchange.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "app/IniFiles.h"
#include "ui/ComCtrls.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

class TDeviceController;
class TFormAppMainController;
class TKitProgressBar;
class TKitSplitter;
class TS7QX1FormsController;

class TFormMain : public ui::TForm {
public:
    // Status-bar panels.
    static constexpr int PanelPort = 0;
    static constexpr int PanelVersion = 1;
    static constexpr int PanelType = 2;
    static constexpr int PanelFlash = 3;
    static constexpr int PanelProgress = 4;
    static constexpr int PanelImei = 5;
    // How the last operation ended; the rest of the bar.
    static constexpr int PanelOutcome = 6;
    static constexpr unsigned WatchdogIntervalMs = 20'000;
    // How often a link check whose turn found the line taken looks again.
    static constexpr unsigned LinkCheckRetryMs = 50;
    // How often a close that waits for a running operation looks again.
    static constexpr unsigned CloseRetryMs = 50;
    // [Update] UpdatePanelVersion with this text shows the update from a file.
    static constexpr const char* AccessCode = "wuzlam";
    // The toolbar's pictures; a button is as large as a picture with the button's frame around it.
    static constexpr int ToolPictureSize = 24;
    static constexpr int LogPaneHeight = 150;
    static constexpr int PageTreeWidth = 200;
    static constexpr int PortPanelWidth = 60;
    static constexpr int ProgressPanelWidth = 150;
    static constexpr int ImeiPanelWidth = 200;
    // A status panel's frame and the room on either side of its text.
    static constexpr int StatusPanelPadding = 10;
    // The page area the window keeps at its smallest, beside the tree, below the toolbar and above the log.
    static constexpr int MinPageAreaWidth = 400;
    static constexpr int MinPageAreaHeight = 200;

    explicit TFormMain(ui::TComponent* owner);
    ~TFormMain() override;

    ui::TToolBar* ToolBar1;
    // Only the size of the toolbar's pictures: the front end finds them by the buttons' names.
    ui::TImageList* ImageList1;
    ui::TToolButton* tbConnect;
    ui::TToolButton* tbDisconnect;
    ui::TToolButton* tbRead;
    ui::TToolButton* tbReadAll;
    ui::TToolButton* tbWrite;
    ui::TToolButton* tbWriteAll;
    ui::TToolButton* tbDefault;
    ui::TToolButton* tbDefaultAll;

    ui::TMainMenu* MainMenu1;
    ui::TMenuItem* N1;
    ui::TMenuItem* N2;
    ui::TMenuItem* N3;
    ui::TMenuItem* mnuConnect;
    ui::TMenuItem* mnuDisconnect;
    ui::TMenuItem* N4;
    ui::TMenuItem* mnuRead;
    ui::TMenuItem* mnuWrite;
    ui::TMenuItem* mnuReadAll;
    ui::TMenuItem* mnuWriteAll;
    ui::TMenuItem* mnuReload;
    ui::TMenuItem* UpdateFirmware;
    ui::TMenuItem* mnuUpdate;
    ui::TMenuItem* N5;
    ui::TMenuItem* mnuSave;
    ui::TMenuItem* mnuLoad;
    ui::TMenuItem* N21;
    ui::TMenuItem* N22;
    ui::TMenuItem* N6;
    ui::TMenuItem* N16;
    ui::TMenuItem* N17;
    ui::TMenuItem* N7;
    ui::TMenuItem* N8;

    ui::TStatusBar* StatusBar1;
    // Fills the window under the toolbar: kitCntSpl above, the log pane below (its hot spot folds the
    // log away).
    TKitSplitter* KitSplitter1;
    // The page tree on the left, the page pane on the right.
    TKitSplitter* kitCntSpl;
    ui::TTreeView* tv1;
    // The right-hand pane beside the page tree: owner and parent of every parameter page.
    ui::TPanel* PagesPane;
    // The log pane: the log tree and, on its right, Panel1 with its buttons.
    ui::TPanel* LogPane;
    ui::TPanel* Panel1;
    ui::TBitBtn* BitBtn1;
    ui::TButton* Button1;
    ui::TCheckBox* cbScrolling;
    ui::TTreeView* tvLog;
    // The upload progress in the status bar, shown with the update from a file.
    TKitProgressBar* KitProgressBar1;
    ui::TOpenDialog* OFD;
    ui::TSaveDialog* SFD;
    ui::TTimer* Timer1;

    // The bearer choice for the dial dialog ([formMain] PROTO).
    int Proto = 0;

    // The program's forms controller while the window lives (nullptr before the entry hands it in and
    // after the close).
    TFormAppMainController* FormsController = nullptr;
    TS7QX1FormsController* Controller() const { return controller_.get(); }
    void AdoptFormsController(std::unique_ptr<TS7QX1FormsController> Controller);
    // Waiting for a running operation to end before the window closes.
    bool ClosePending() const { return closePending_; }

    std::string StatusText(int Panel) const;
    void SetStatusText(int Panel, std::string Text);
    // A message across the whole status bar in place of its panels, which keep their texts meanwhile;
    // an empty text brings the panels back.
    void ShowStatusMessage(std::string Text);
    // The short word on how an operation ended ("Записано 7 страниц, ошибок нет"), kept until the next.
    void ShowOutcome(std::string Text);

    void tbConnectClick(ui::TObject* Sender);
    void tbDisconnectClick(ui::TObject* Sender);
    void tbReadClick(ui::TObject* Sender);
    void tbWriteClick(ui::TObject* Sender);
    void tbReadAllClick(ui::TObject* Sender);
    void tbWriteAllClick(ui::TObject* Sender);
    void tbDefaultClick(ui::TObject* Sender);
    void tbDefaultAllClick(ui::TObject* Sender);
    void tv1Change(ui::TObject* Sender, ui::TTreeNode* Node);
    void Timer1Timer(ui::TObject* Sender);
    void FormCreate(ui::TObject* Sender);
    void FormActivate(ui::TObject* Sender);
    void FormKeyDown(ui::TObject* Sender, std::uint16_t& Key, ui::TShiftState Shift);
    void FormClose(ui::TObject* Sender, ui::TCloseAction& Action);
    void N2Click(ui::TObject* Sender);
    void N8Click(ui::TObject* Sender);
    void mnuLoadClick(ui::TObject* Sender);
    void mnuSaveClick(ui::TObject* Sender);
    void mnuReloadClick(ui::TObject* Sender);
    void UpdateFirmwareClick(ui::TObject* Sender);
    void mnuUpdateClick(ui::TObject* Sender);
    void StatusBar1Click(ui::TObject* Sender);
    void BitBtn1Click(ui::TObject* Sender);
    void Button1Click(ui::TObject* Sender);
    void tvLogAddition(ui::TObject* Sender, ui::TTreeNode* Node);
    void tvLogCustomDrawItem(ui::TObject* Sender, ui::TTreeNode* Node, ui::TCustomDrawState State,
                             ui::TItemColors& Colors, bool& DefaultDraw);
    void ApplicationEvents1Exception(ui::TObject* Sender, std::exception_ptr E);
    // The forms controller's disconnect; the watchdog and the update window use it.
    void Disconnect();

    // The link watchdog keeps its beat whatever holds the line: a tick that finds the line taken waits
    // for it and checks then. True when a check's turn has come and it has not run yet.
    bool LinkCheckDue() const;
    // For an exchange that shares the line with the watchdog (the Bolid page's poll): it has just ended
    // without an answer after waiting out every attempt. When the check's turn came meanwhile that is
    // its answer, and the link goes at once rather than after the same wait once more.
    void LinkUnanswered();

    // Text fields keep their editing keys: while one has the focus, Ctrl+X and Ctrl+C cut and copy
    // instead of closing the window and connecting. Run once the pages are made.
    void KeepEditingKeys();

private:
    void CreateToolBar();
    void CreateMenu();
    void CreatePanes();
    void CreateDialogs();
    void PlaceProgressBar();
    void FitPanels();
    void SetMinimumSize();
    void ReadProgramSettings();
    // Where the window stood, how large and whether maximised, kept in "current.ini" between runs
    // ([formMain] Left, Top, Width, Height, Maximized). A place off the desktop's work area is not
    // taken: the window then opens centred.
    void RestorePlacement(const TMemIniFile& Ini);
    void SavePlacement(TMemIniFile& Ini) const;
    void WatchTextFields(ui::TComponent& Root);
    void SetEditingShortCuts(bool Editing);
    bool OperationUnderWay() const;
    void CloseRetryTimer(ui::TObject* Sender);
    bool LineTaken() const;
    void CheckLink();
    void LinkCheckRetryTimer(ui::TObject* Sender);
    void FreeFormsController();

    std::unique_ptr<TS7QX1FormsController> controller_;
    ui::TTimer* closeRetry_ = nullptr;
    // Runs while a link check waits for the line.
    ui::TTimer* linkCheckRetry_ = nullptr;
    bool closePending_ = false;
    std::function<void(ui::TObject*, std::exception_ptr)> previousExceptionHandler_;
};

extern TFormMain* FormMain;

// For the update windows and the pages: the forms controller's bracket, the device controller of
// the connection (nullptr when not connected or when there is no main window), and the status bar's
// word on how a page's own operation ended (an export).
void ReportOutcome(const std::string& Text);
void BeginControllerOperation();
void EndControllerOperation();
TDeviceController* CurrentDeviceController();
