#pragma once
// The main window: page tree, page pane, log pane, toolbar, main menu, status bar and the link
// watchdog. Its handlers forward every command to the forms controller.
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

class TDeviceController;
class TFormAppMainController;

class TFormMain : public ui::TForm {
public:
    // Status-bar panels.
    static constexpr int PanelPort = 0;
    static constexpr int PanelVersion = 1;
    static constexpr int PanelType = 2;
    static constexpr int PanelFlash = 3;
    static constexpr int PanelProgress = 4;
    static constexpr int PanelImei = 5;
    static constexpr unsigned WatchdogIntervalMs = 20'000;

    explicit TFormMain(ui::TComponent* owner);
    ~TFormMain() override;

    ui::TToolBar* ToolBar1;
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
    ui::TTreeView* tv1;
    // The right-hand pane beside the page tree: owner and parent of every parameter page.
    ui::TPanel* PagesPane;
    ui::TPanel* Panel1;
    ui::TTreeView* tvLog;
    ui::TTimer* Timer1;

    // Set by the program entry; not owned.
    TFormAppMainController* FormsController = nullptr;

    std::string StatusText(int Panel) const;
    void SetStatusText(int Panel, std::string Text);

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

private:
    void CreateToolBar();
    void CreateMenu();
    void CreatePanes();
};

extern TFormMain* FormMain;

// For the update windows and the pages: the forms controller's bracket and the device controller of
// the connection (nullptr when not connected or when there is no main window).
void BeginControllerOperation();
void EndControllerOperation();
TDeviceController* CurrentDeviceController();
