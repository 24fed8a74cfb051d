#include "app/FormAppMainController.h"

#include <utility>
#include <vector>

#include "app/TVLog.h"
#include "app/fATests.h"
#include "app/fBolid.h"
#include "app/fCommon.h"
#include "app/fEnNumber.h"
#include "app/fGPRS.h"
#include "app/fErrors.h"
#include "app/fHistory.h"
#include "app/fIn.h"
#include "app/fLoops.h"
#include "app/fMasks.h"
#include "app/fMain.h"
#include "app/fProgress.h"
#include "app/fWays.h"
#include "kit/KitPrgres.h"
#include "link/SmallRoutines.h"
#include "platform/PathText.h"
#include "platform/ProgramFolder.h"
#include "ui/Application.h"

TMsgFile* MsgFile = nullptr;

namespace {

// ------------------------------------------------------------------ the pages of the program

struct TPageRegistration {
    const char* Name;
    void (*Create)(ui::TWinControl& Pane, const char* Name);
};

// A page owned by and placed in the page pane, kept in its global variable (the page clears the
// variable when it is freed).
template <class Page, Page*& Global>
constexpr TPageRegistration PageEntry(const char* name)
{
    return {name, [](ui::TWinControl& pane, const char* n) { Global = ui::Create<Page>(&pane, n, &pane); }};
}

// One line per page, in page-index order (the order of the page tree).
const TPageRegistration kPages[] = {
    PageEntry<TFormCommon, FormCommon>("FormCommon"),
    PageEntry<TformATests, formATests>("formATests"),
    PageEntry<TFormMasks, FormMasks>("FormMasks"),
    PageEntry<TformGPRS, formGPRS>("formGPRS"),
    PageEntry<TformWays, formWays>("formWays"),
    PageEntry<TFormLoops, FormLoops>("FormLoops"),
    PageEntry<TFormEnNumber, FormEnNumber>("FormEnNumber"),
    PageEntry<TFormHistory, FormHistory>("FormHistory"),
    PageEntry<TformBolid, formBolid>("formBolid"),
};

template <class T>
struct TSaved {
    std::weak_ptr<void> alive;
    T* item;
    bool enabled;
};

}  // namespace

// The Enabled states the outermost bracket found, to give back when it ends.
struct TFormAppMainController::SavedState {
    std::vector<TSaved<ui::TControl>> controls;
    std::vector<TSaved<ui::TMenuItem>> items;
};

TFormAppMainController::TFormAppMainController(TFormMain* MainForm, ui::TWinControl* PagesContainer, ui::TTreeView* Tree)
    : TFormsController(MainForm, PagesContainer, Tree),
      kitBarDefaults_(HintDefaultFor<TKitProgressBar>([](TKitProgressBar& bar, const std::string& hint) {
          if (const auto parts = HintAsInteger(hint); parts && *parts >= 0)
              bar.SetPartsComplete(static_cast<std::uint32_t>(*parts));
      }))
{
}

TFormAppMainController::~TFormAppMainController()
{
    DeviceController.reset();
    if (MsgFile == MsgFileOwned.get()) MsgFile = nullptr;
}

std::string TFormAppMainController::MessagesFileName()
{
    return platform::PathToUtf8(platform::ProgramDataFile("Messages.txt"));
}

void TFormAppMainController::CreatePages()
{
    MsgFile = MsgFileOwned.get();
    try {
        MsgFileOwned->LoadFromFile(MessagesFileName());
    } catch (const std::exception& e) {
        // The program works on without it: history lines then show their codes only.
        MsgFileOwned->Rows.clear();
        if (Log) Log->AddError(std::string("Таблица сообщений не загружена. ") + e.what());
    }
    for (const TPageRegistration& page : kPages) page.Create(*PagesContainer, page.Name);
    // Nothing acts on a device before the first connection: the pages' device buttons start as a
    // disconnect leaves them.
    ApplyConnectionState(false);
    CurrentPage = PageAt(0);
    ShowCurrentPage();
}

std::unique_ptr<TLogWriter> TFormAppMainController::CreateLog()
{
    if (MainForm == nullptr) return nullptr;
    return std::make_unique<TTVLog>(*MainForm->tvLog);
}

void TFormAppMainController::SetDeviceController(std::unique_ptr<TDeviceController> Controller)
{
    DeviceController = std::move(Controller);
    if (!DeviceController) return;
    // A disconnect that had to wait for an exchange run from elsewhere (a page's timer) is carried
    // out from the event queue, never inside the routine that just ended.
    DeviceController->OnExchangesEnded = [this, alive = Liveness()] {
        if (!DisconnectPending()) return;
        ui::App().Post([this, alive] {
            if (!alive.expired()) ApplyPendingDisconnect();
        });
    };
}

void TFormAppMainController::DoDisconnect() { DeviceController.reset(); }

void TFormAppMainController::SetConnected(bool Connected)
{
    ApplyConnectionState(Connected);
    if (!Connected && MainForm != nullptr) {
        // No previous device's version, panel, flash chip or IMEI may stay on show or be copied.
        // The word on how the last operation ended stays: it may tell why the link went.
        for (int panel = 0; panel < MainForm->StatusBar1->Panels().Count(); ++panel)
            if (panel != TFormMain::PanelProgress && panel != TFormMain::PanelOutcome) MainForm->SetStatusText(panel, "");
    }
    // A new connection starts with an empty upload bar: a full one told of the last upload.
    if (Connected && MainForm != nullptr) MainForm->KitProgressBar1->SetPartsComplete(0);
    if (Connected && DeviceController) SetupPagesForDevice(DeviceController->Build, PanelTypeText() == "Bolid");
}

void TFormAppMainController::SetupPagesForDevice(int Build, bool Bolid)
{
    const int major = DeviceController ? DeviceController->Major : 0;
    if (formATests != nullptr) formATests->SetupForDevice(major, Build);
    if (formGPRS != nullptr) formGPRS->SetupForDevice(major, Build);
    if (Bolid && FormMasks != nullptr) FormMasks->SetupForDevice(Build);
    if (formWays != nullptr) formWays->FillTypeLists(Build, Bolid);
}

void TFormAppMainController::ApplyConnectionState(bool Connected)
{
    if (MainForm != nullptr) {
        TFormMain& m = *MainForm;
        m.tbConnect->SetEnabled(!Connected);
        m.mnuConnect->SetEnabled(!Connected);
        for (ui::TControl* c : {static_cast<ui::TControl*>(m.tbDisconnect), static_cast<ui::TControl*>(m.tbRead),
                                static_cast<ui::TControl*>(m.tbReadAll), static_cast<ui::TControl*>(m.tbWrite),
                                static_cast<ui::TControl*>(m.tbWriteAll), static_cast<ui::TControl*>(m.tbDefault),
                                static_cast<ui::TControl*>(m.tbDefaultAll)})
            c->SetEnabled(Connected);
        for (ui::TMenuItem* item : {m.N21, m.N22, m.mnuDisconnect, m.mnuRead, m.mnuWrite, m.mnuReadAll, m.mnuWriteAll})
            item->SetEnabled(Connected);
    }
    if (FormCommon != nullptr)
        for (ui::TControl* c : {static_cast<ui::TControl*>(FormCommon->btnSync), static_cast<ui::TControl*>(FormCommon->Button1),
                                static_cast<ui::TControl*>(FormCommon->btnOnOuts),
                                static_cast<ui::TControl*>(FormCommon->btnOffOuts)})
            c->SetEnabled(Connected);
}

// ------------------------------------------------------------------ the bracket

namespace {

// The pages' own device buttons: the common page's actions and the history page's paging, erase, exports
// and download.
std::vector<ui::TControl*> PageButtons()
{
    std::vector<ui::TControl*> buttons;
    if (FormCommon != nullptr)
        buttons = {FormCommon->btnOnOuts, FormCommon->btnOffOuts, FormCommon->Button1, FormCommon->btnSync};
    if (FormHistory != nullptr)
        for (ui::TControl* c : FormHistory->DeviceButtons()) buttons.push_back(c);
    return buttons;
}

std::vector<ui::TControl*> ToolButtons(TFormMain& m)
{
    return {m.tbRead, m.tbWrite, m.tbReadAll, m.tbWriteAll, m.tbConnect, m.tbDisconnect, m.tbDefault, m.tbDefaultAll};
}

std::vector<ui::TMenuItem*> TopMenuItems(TFormMain& m)
{
    std::vector<ui::TMenuItem*> items;
    for (int i = 0; i < m.MainMenu1->Items().Count(); ++i) items.push_back(m.MainMenu1->Items()[i]);
    return items;
}

}  // namespace

void TFormAppMainController::SaveControlStates()
{
    saved_ = std::make_unique<SavedState>();
    std::vector<ui::TControl*> controls = PageButtons();
    if (MainForm != nullptr) {
        const auto tools = ToolButtons(*MainForm);
        for (std::size_t i = 0; i < tools.size(); ++i) SavedEnabled[i] = tools[i]->Enabled();
        controls.insert(controls.end(), tools.begin(), tools.end());
        controls.push_back(MainForm->tv1);
        controls.push_back(MainForm->ToolBar1);
        for (ui::TMenuItem* item : TopMenuItems(*MainForm)) saved_->items.push_back({item->Liveness(), item, item->Enabled()});
    }
    for (ui::TControl* c : controls) saved_->controls.push_back({c->Liveness(), c, c->Enabled()});
}

void TFormAppMainController::RestoreControlStates()
{
    if (!saved_) return;
    for (const auto& s : saved_->controls)
        if (!s.alive.expired()) s.item->SetEnabled(s.enabled);
    for (const auto& s : saved_->items)
        if (!s.alive.expired()) s.item->SetEnabled(s.enabled);
    saved_.reset();
}

void TFormAppMainController::SetOperationControlsEnabled(bool Enabled)
{
    for (ui::TControl* c : PageButtons()) c->SetEnabled(Enabled);
    if (MainForm == nullptr) return;
    MainForm->tv1->SetEnabled(Enabled);
    for (ui::TControl* c : ToolButtons(*MainForm)) c->SetEnabled(Enabled);
    MainForm->ToolBar1->SetEnabled(Enabled);
    for (ui::TMenuItem* item : TopMenuItems(*MainForm)) item->SetEnabled(Enabled);
}

void TFormAppMainController::BeginOperation()
{
    if (operationDepth_++ > 0) return;
    connectedAtBegin_ = DeviceController != nullptr;
    SaveControlStates();
    SetOperationControlsEnabled(false);
    // The status bar's bar shows how the last upload from a file ended until the next operation.
    if (MainForm != nullptr) MainForm->KitProgressBar1->SetPartsComplete(0);
}

void TFormAppMainController::EndOperation()
{
    if (operationDepth_ == 0) return;
    if (--operationDepth_ > 0) return;
    RestoreControlStates();
    // What was saved belongs to a connection that has come or gone meanwhile.
    const bool connected = DeviceController != nullptr;
    if (connected != connectedAtBegin_) ApplyConnectionState(connected);
}

// ------------------------------------------------------------------ exchanges

bool TFormAppMainController::CanStartOperation() { return DeviceController && !DeviceController->Busy(); }

bool TFormAppMainController::ExchangeRunning() { return DeviceController && DeviceController->Busy(); }

void TFormAppMainController::CancelExchange()
{
    if (FormProgress != nullptr) FormProgress->Button1Click(nullptr);
    if (DeviceController) DeviceController->ContinueHistory = false;
}

void TFormAppMainController::AddErrorLine(const std::string& Line)
{
    if (DeviceController) DeviceController->Errors.Add(Line);
}

void TFormAppMainController::ReadPage()
{
    if (DeviceController && CurrentPage != nullptr) DeviceController->ReadForm(*CurrentPage);
}

void TFormAppMainController::WritePage()
{
    if (DeviceController && CurrentPage != nullptr) DeviceController->WriteForm(*CurrentPage);
}

void TFormAppMainController::ClearErrors()
{
    if (DeviceController) DeviceController->ClearErrors();
}

std::vector<std::string> TFormAppMainController::ErrorLines()
{
    return DeviceController ? DeviceController->Errors.Lines() : std::vector<std::string>{};
}

void TFormAppMainController::ShowErrors(const std::vector<std::string>& Lines)
{
    if (Lines.empty()) return;
    ui::TComponent* owner = MainForm != nullptr ? static_cast<ui::TComponent*>(MainForm) : &ui::App();
    // The window of this display only; the one made at start-up stays in the global afterwards.
    struct Display {
        explicit Display(ui::TComponent* owner) : previous(FormErrors), window(ui::Create<TFormErrors>(owner, ""))
        {
            FormErrors = window;
        }
        ~Display()
        {
            FormErrors = previous;
            ui::Free(window);
        }
        TFormErrors* previous;
        TFormErrors* window;
    } display(owner);
    display.window->ShowList(Lines);
    display.window->ShowModal();
}

// ------------------------------------------------------------------ device actions

bool TFormAppMainController::RunDeviceAction(const std::function<void(TDeviceController&)>& Action, bool Bracket)
{
    bool ran = false;
    const bool ended = RunAction(
        [this, &Action, &ran] {
            if (!DeviceController) return;
            Action(*DeviceController);
            ran = true;
        },
        Bracket);
    return ended && ran;
}

void TFormAppMainController::RunToldAction(const std::function<bool(TDeviceController&)>& Action, bool Bracket,
                                           const char* Done, const char* Failed)
{
    bool taken = false;
    if (RunDeviceAction([&](TDeviceController& d) { taken = Action(d); }, Bracket)) ShowOutcome(taken ? Done : Failed);
}

void TFormAppMainController::ResetDevice()
{
    RunToldAction([](TDeviceController& d) { return d.ResetDevice(); }, false, "Панель перезагружается",
                  "Панель не приняла команду перезагрузки");
}

void TFormAppMainController::SyncDeviceTime()
{
    RunToldAction([](TDeviceController& d) { return d.SyncTime(); }, false, "Время панели синхронизировано",
                  "Не удалось синхронизировать время");
}

namespace {

// The outputs stay switched for a moment, with window events running.
bool SwitchOutputs(TDeviceController& d, bool on)
{
    const bool taken = on ? d.OutputsOn() : d.OutputsOff();
    Delay(500, [] { ui::App().ProcessMessages(); }, ui::App().Clock());
    return taken;
}

}  // namespace

void TFormAppMainController::OutputsOn()
{
    RunToldAction([](TDeviceController& d) { return SwitchOutputs(d, true); }, true, "Оба выхода включены",
                  "Не удалось включить выходы");
}

void TFormAppMainController::OutputsOff()
{
    RunToldAction([](TDeviceController& d) { return SwitchOutputs(d, false); }, true, "Оба выхода отключены",
                  "Не удалось отключить выходы");
}
