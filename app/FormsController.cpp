#include "app/FormsController.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "app/IniFiles.h"
#include "app/OperationOutcome.h"
#include "app/fIn.h"
#include "app/fMain.h"
#include "link/MyExceptions.h"
#include "link/SmallRoutines.h"
#include "platform/PathText.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Grids.h"

namespace {

constexpr const char* kBolidPage = "formBolid";
constexpr const char* kMasksPage = "FormMasks";
constexpr const char* kWaysPage = "formWays";
constexpr const char* kHistoryPage = "FormHistory";

bool Named(const TformIncl& page, const char* name) { return page.Name() == name; }

std::string UnexpectedErrorText(const std::string& message)
{
    return "Возникла непредвиденная ошибка: \"" + message + "\"";
}

constexpr const char* kLinkLost = "Связь с устройством потеряна";

// The lost link (with its reason, for the log) and the pages left: the one under way and those after
// it (a write never writes the history page).
std::string LinkLostText(bool writing, const std::vector<TformIncl*>& left, bool historyErased, const std::string& why = "")
{
    std::string pages;
    int count = 0;
    for (const TformIncl* page : left) {
        if (writing && Named(*page, kHistoryPage)) continue;
        pages += (pages.empty() ? "\"" : ", \"") + page->Caption() + "\"";
        ++count;
    }
    std::string text = kLinkLost;
    if (!why.empty()) text += ": " + why;
    if (count == 1) text += (writing ? ". Не записана страница: " : ". Не прочитана страница: ") + pages;
    if (count > 1) text += (writing ? ". Не записаны страницы: " : ". Не прочитаны страницы: ") + pages;
    const bool waysLeft = std::any_of(left.begin(), left.end(), [](const TformIncl* p) { return Named(*p, kWaysPage); });
    if (writing && historyErased && waysLeft) text += ". История устройства уже очищена";
    return text;
}

// How a page run ended, in pages: a write never writes the history page.
TPageOutcome OutcomeOf(bool writing, bool all, const std::vector<TformIncl*>& pages, std::size_t done)
{
    TPageOutcome outcome;
    outcome.Writing = writing;
    outcome.All = all;
    outcome.PageCaption = pages.empty() ? std::string() : pages.front()->Caption();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (writing && Named(*pages[i], kHistoryPage)) continue;
        ++outcome.Total;
        if (i < done) ++outcome.Done;
    }
    return outcome;
}

// Counts the operations under way, also when one ends by an exception.
class TCounter {
public:
    explicit TCounter(int& count) : count_(count) { ++count_; }
    ~TCounter() { --count_; }
    TCounter(const TCounter&) = delete;
    TCounter& operator=(const TCounter&) = delete;

private:
    int& count_;
};

// Raised for the life of the scope, also when it ends by an exception.
class TFlag {
public:
    explicit TFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlag() { flag_ = false; }
    TFlag(const TFlag&) = delete;
    TFlag& operator=(const TFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace

TFormsController::TFormsController(TFormMain* MainForm, ui::TWinControl* PagesContainer, ui::TTreeView* Tree)
    : PagesContainer(PagesContainer), MainForm(MainForm), Tree(Tree)
{
}

TFormsController::~TFormsController()
{
    if (started_) {
        try {
            SaveCurrentIni([this](TMemIniFile& ini) {
                for (TformIncl* page : Pages()) page->SaveToIni(ini);
            });
        } catch (...) {
            if (ui::Application* app = ui::CurrentApplication()) app->HandleException(std::current_exception());
        }
    }
    if (ui::Application* app = ui::CurrentApplication()) app->OnUserInput = nullptr;
    FreePages();
    Log.reset();
}

void TFormsController::Start()
{
    Log = CreateLog();
    ui::App().OnUserInput = NoteUserInput;
    CreatePages();
    PlaceAllPages();
    if (Tree != nullptr) {
        BuildTreeAll(*Tree);
        Tree->FullExpand();
    }
    // CreatePages shows the first page: its node is the selected one, as after every rebuild of the tree.
    SelectTreeNodeOf(0);
    LoadPages(ReadCurrentIni());
    // Only a controller that loaded the pages saves them: a failed start must not overwrite the file.
    started_ = true;
}

std::string TFormsController::CurrentIniName() { return AppFolder() + "current.ini"; }

TMemIniFile TFormsController::ReadCurrentIni()
{
    try {
        return TMemIniFile(CurrentIniName());
    } catch (const platform::FileError& e) {
        ReportIniFailure(e.what() + SetAsideUnreadable(e), "Программа работает с настройками по умолчанию.");
    }
    return TMemIniFile::FromBytes(CurrentIniName(), "");
}

std::string TFormsController::SetAsideUnreadable(const platform::FileError& Failure)
{
    if (Failure.Code() != std::errc::illegal_byte_sequence) return {};
    // Kept as it is under another name, so that the save at the end makes a fresh file beside it.
    try {
        return ".\nФайл сохранён без изменений как \"" + platform::PathToUtf8(platform::SetAside(CurrentIniName(), "unreadable")) +
               "\"; при выходе программа запишет новый файл настроек";
    } catch (const platform::FileError& e) {
        return ".\n" + std::string(e.what());
    }
}

bool TFormsController::SaveCurrentIni(const std::function<void(TMemIniFile&)>& Fill)
{
    std::string failure;
    // A file that could not be read is not written: what it holds beyond these keys would be lost.
    TMemIniFile ini = TMemIniFile::ReadOrEmpty(CurrentIniName(), &failure);
    if (failure.empty()) {
        try {
            Fill(ini);
            ini.UpdateFile();
            reportedIniFailures_.clear();
            return true;
        } catch (const platform::FileError& e) {
            failure = e.what();
        } catch (const std::exception& e) {
            failure = "Не удалось сохранить файл \"" + CurrentIniName() + "\": " + e.what();
        }
    }
    ReportIniFailure(failure, "Настройки в нём не сохранены.");
    return false;
}

void TFormsController::ReportIniFailure(const std::string& Failure, const std::string& Consequence)
{
    if (!reportedIniFailures_.insert(Failure).second) return;
    const std::string text = Failure + ".\n" + Consequence;
    if (Log) Log->AddError(text);
    ui::MessageDlg(text, ui::mtWarning, {ui::mbOK});
}

// ------------------------------------------------------------------ pages

std::vector<TformIncl*> TFormsController::Pages() const
{
    std::vector<TformIncl*> pages;
    if (PagesContainer == nullptr) return pages;
    for (int i = 0; i < PagesContainer->ComponentCount(); ++i)
        if (TformIncl* page = PageAt(i)) pages.push_back(page);
    return pages;
}

TformIncl* TFormsController::PageAt(int Index) const
{
    if (PagesContainer == nullptr || Index < 0 || Index >= PagesContainer->ComponentCount()) return nullptr;
    return ui::As<TformIncl>(PagesContainer->Components(Index));
}

void TFormsController::PlacePage(TformIncl& Page)
{
    Page.SetParent(PagesContainer);
    Page.SetBoundsRect(PagesContainer->ClientRect());
}

void TFormsController::PlaceAllPages()
{
    for (TformIncl* page : Pages()) PlacePage(*page);
}

void TFormsController::FreePages()
{
    CurrentPage = nullptr;
    if (PagesContainer == nullptr) return;
    for (int i = 0; i < PagesContainer->ComponentCount();) {
        if (TformIncl* page = PageAt(i))
            ui::Free(page);  // the next component moves down to i
        else
            ++i;
    }
}

void TFormsController::AddPageNode(ui::TTreeView& Tree, TformIncl& Page, int StateIndex)
{
    Tree.Items().Add(nullptr, Page.Caption())->SetStateIndex(StateIndex);
}

void TFormsController::ShowCurrentPage()
{
    if (CurrentPage == nullptr) return;
    CurrentPage->SetBoundsRect(PagesContainer->ClientRect());
    CurrentPage->Show();
}

void TFormsController::SelectPage(int Index)
{
    TformIncl* page = PageAt(Index);
    if (page == nullptr) return;
    if (CurrentPage != nullptr && CurrentPage != page) CurrentPage->Hide();
    CurrentPage = page;
    ShowCurrentPage();
}

void TFormsController::BuildTree(ui::TTreeView& Tree, const PageTest& Admits)
{
    Tree.Items().Clear();
    if (PagesContainer == nullptr) return;
    for (int i = 0; i < PagesContainer->ComponentCount(); ++i) {
        TformIncl* page = PageAt(i);
        if (page != nullptr && Admits(*page)) AddPageNode(Tree, *page, i);
    }
}

void TFormsController::BuildTreeAll(ui::TTreeView& Tree)
{
    BuildTree(Tree, [](const TformIncl&) { return true; });
}

void TFormsController::BuildTreeNoBolid(ui::TTreeView& Tree)
{
    BuildTree(Tree, [](const TformIncl& page) { return !Named(page, kBolidPage); });
}

void TFormsController::BuildTreeBasic(ui::TTreeView& Tree)
{
    BuildTree(Tree, [](const TformIncl& page) { return !Named(page, kBolidPage) && !Named(page, kMasksPage); });
}

void TFormsController::SelectTreeNodeOf(int Index)
{
    if (Tree == nullptr) return;
    for (int i = 0; i < Tree->Items().RootCount(); ++i) {
        ui::TTreeNode* node = Tree->Items().Root(i);
        if (node->StateIndex() == Index) {
            Tree->SetSelected(node);
            return;
        }
    }
}

// ------------------------------------------------------------------ ini and defaults

void TFormsController::LoadPagesFromIni(const std::string& FileName) { LoadPages(TMemIniFile(FileName)); }

void TFormsController::LoadPages(const TMemIniFile& Ini)
{
    for (TformIncl* page : Pages()) page->LoadFromIni(Ini);
}

void TFormsController::SavePagesToIni(const std::string& FileName)
{
    TMemIniFile ini(FileName);
    for (TformIncl* page : Pages()) page->SaveToIni(ini);
    ini.UpdateFile();
}

void TFormsController::SetDefaultsAll()
{
    for (TformIncl* page : Pages()) page->LoadDefaults();
}

void TFormsController::SetDefaultsCurrent()
{
    if (CurrentPage != nullptr) CurrentPage->LoadDefaults();
}

std::string TFormsController::PanelTypeText() const
{
    return MainForm != nullptr ? MainForm->StatusText(TFormMain::PanelType) : std::string();
}

void TFormsController::EmptyHistoryGrid()
{
    if (PagesContainer == nullptr) return;
    ui::TComponent* history = PagesContainer->FindComponent(kHistoryPage);
    if (history == nullptr) return;
    if (auto* grid = ui::As<ui::TStringGrid>(history->FindComponent("StringGrid1"))) grid->ClearCells();
}

// ------------------------------------------------------------------ device operations

void TFormsController::RunOperation(TPageRun& Run, const std::function<void()>& Body)
{
    std::exception_ptr failure;
    {
        const TCounter running(operations_);
        ClearErrors();
        BeginOperation();
        try {
            Body();
        } catch (...) {
            failure = std::current_exception();
        }
        EndOperation();
    }
    std::optional<std::string> linkLost;
    bool stopped = false;
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const ELinkFailure& e) {
            linkLost = e.what();
        } catch (const TStopException&) {
            stopped = true;
        } catch (const std::exception& e) {
            AddErrorLine(UnexpectedErrorText(e.what()));
        } catch (...) {
            AddErrorLine(UnexpectedErrorText(ui::ExceptionMessage(std::current_exception())));
        }
    }
    if (linkLost) ReportLinkLost(Run, *linkLost);
    // The disconnect frees the list: it is taken first. A disconnect the user asked for shows nothing.
    const std::vector<std::string> lines = ErrorLines();
    const bool asked = disconnectPending_ && !linkLost;
    TPageOutcome outcome = OutcomeOf(Run.Writing, Run.All, Run.Pages, Run.Done);
    outcome.Errors = lines.size();
    outcome.End = linkLost ? TPageOutcome::TEnd::LinkLost
                           : stopped || asked ? TPageOutcome::TEnd::Cancelled : TPageOutcome::TEnd::Completed;
    ShowOutcome(PageOutcomeText(outcome));
    if (linkLost || disconnectPending_) Disconnect();
    if (!asked) ShowErrors(lines);
}

void TFormsController::ShowOutcome(const std::string& Text)
{
    if (MainForm != nullptr) MainForm->ShowOutcome(Text);
}

void TFormsController::ReportLinkLost(const TPageRun& Run, const std::string& Why)
{
    const std::vector<TformIncl*> left(Run.Pages.begin() + static_cast<std::ptrdiff_t>(Run.Done), Run.Pages.end());
    // The page under way knows what its read got to. Those after it keep what they showed, which is
    // nothing of this device: it is held back, as unread.
    for (std::size_t i = 1; !Run.Writing && i < left.size(); ++i) {
        left[i]->DeviceValues.BeginRead();
        left[i]->DeviceValues.ReadCutShort(*left[i]);
    }
    AddErrorLine(LinkLostText(Run.Writing, left, HistoryErasedMeanwhile()));
    if (Log) Log->AddError(LinkLostText(Run.Writing, left, HistoryErasedMeanwhile(), Why));
}

void TFormsController::LinkLost(const std::string& Why)
{
    // The port's own words go to the log; the status bar says it in the interface's.
    if (Log) Log->AddError(std::string(kLinkLost) + ": " + Why);
    ShowOutcome(kLinkLost);
    Disconnect();
}

void TFormsController::OperationLinkLost(const std::string& Why, const std::string& Undone)
{
    const std::string undone = Undone.empty() ? std::string() : ". " + Undone;
    LinkLost(Why + undone);
    ShowErrors({kLinkLost + undone});
}

bool TFormsController::RunAction(const std::function<void()>& Body, bool Bracket)
{
    if (!MayStart()) return false;
    std::exception_ptr failure;
    {
        const TCounter running(operations_);
        if (Bracket) BeginOperation();
        try {
            Body();
        } catch (...) {
            failure = std::current_exception();
        }
        if (Bracket) EndOperation();
    }
    std::optional<std::string> linkLost;
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const ELinkFailure& e) {
            linkLost = e.what();
        } catch (const TStopException&) {
        } catch (...) {
            if (Log) Log->AddError(UnexpectedErrorText(ui::ExceptionMessage(std::current_exception())));
        }
    }
    if (!linkLost) {
        if (disconnectPending_) Disconnect();
        return !failure;
    }
    OperationLinkLost(*linkLost);
    return false;
}

bool TFormsController::OperationRunning() const { return operations_ > 0 || connecting_ || disconnecting_; }

std::vector<TformIncl*> TFormsController::ExchangedPages() const
{
    std::vector<TformIncl*> pages;
    for (TformIncl* page : Pages()) {
        if (Named(*page, kBolidPage)) continue;
        if (Named(*page, kMasksPage) && PanelTypeText() != "Bolid") continue;
        pages.push_back(page);
    }
    return pages;
}

void TFormsController::ForEachExchangedPage(TPageRun& Run, const std::function<void(TformIncl& Page)>& Prepare,
                                            const std::function<void()>& Exchange)
{
    for (TformIncl* page : Run.Pages) {
        const int index = page->ComponentIndex();
        SelectPage(index);
        ui::App().ProcessMessages();
        // A disconnect asked for between two pages ends the loop.
        if (disconnectPending_) throw TStopException();
        Prepare(*CurrentPage);
        SelectTreeNodeOf(index);
        Exchange();
        ++Run.Done;
    }
}

bool TFormsController::ConfirmWaysWrite() const
{
    return ui::MessageDlg("При записи каналов связи будет очищена история панели.\n\r"
                          "Вы уверены, что хотите продолжить?\n\r"
                          "* при очистке истории прекращается обмен между панелями",
                          ui::mtConfirmation, {ui::mbYes, ui::mbNo}) == ui::mrYes;
}

bool TFormsController::MayStart() { return !OperationRunning() && !disconnectPending_ && CanStartOperation(); }

bool TFormsController::MayConnect() { return !OperationRunning() && !ExchangeRunning(); }

void TFormsController::ReadCurrent()
{
    if (!MayStart() || CurrentPage == nullptr) return;
    CurrentPage->Clear();
    TPageRun run{false, {CurrentPage}};
    RunOperation(run, [this] { ReadPage(); });
}

void TFormsController::WriteCurrent()
{
    if (!MayStart() || CurrentPage == nullptr) return;
    if (Named(*CurrentPage, kWaysPage)) {
        if (!ConfirmWaysWrite()) return;
        // The box let window events run: the connection may have gone meanwhile.
        if (!MayStart()) return;
        EmptyHistoryGrid();
    }
    CurrentPage->ResetMarks();
    TPageRun run{true, {CurrentPage}};
    RunOperation(run, [this] { WritePage(); });
}

void TFormsController::ReadAll()
{
    if (!MayStart()) return;
    TPageRun run{false, ExchangedPages(), 0, true};
    RunOperation(run, [&] { ForEachExchangedPage(run, [](TformIncl& page) { page.Clear(); }, [this] { ReadPage(); }); });
}

void TFormsController::WriteAll()
{
    if (!MayStart()) return;
    if (!ConfirmWaysWrite() || !MayStart()) return;
    EmptyHistoryGrid();
    TPageRun run{true, ExchangedPages(), 0, true};
    RunOperation(run, [&] { ForEachExchangedPage(run, [](TformIncl& page) { page.ResetMarks(); }, [this] { WritePage(); }); });
}

bool TFormsController::Connect()
{
    // The connect's waits let window events run: a second "Подключиться" from the toolbar, the menu or
    // its shortcut arrives here meanwhile and is refused without a word.
    if (!MayConnect()) return false;
    bool connected = false;
    try {
        const TFlag connecting(connecting_);
        connected = DoConnect();
        SetConnected(connected);
    } catch (const ELinkFailure& e) {
        // The port's own words go to the log; the user is told in the interface's.
        ApplyPendingDisconnect();
        OperationLinkLost(e.what(), "Подключение не выполнено");
        return false;
    } catch (...) {
        ApplyPendingDisconnect();
        throw;
    }
    const bool dropped = disconnectPending_;
    ApplyPendingDisconnect();
    return connected && !dropped;
}

void TFormsController::Disconnect()
{
    // A second disconnect while one is under way is refused without a word.
    if (disconnecting_) return;
    if (OperationRunning() || ExchangeRunning()) {
        disconnectPending_ = true;
        CancelExchange();
        return;
    }
    DisconnectNow();
}

void TFormsController::DisconnectNow()
{
    if (disconnecting_) return;
    const TFlag disconnecting(disconnecting_);
    disconnectPending_ = false;
    DoDisconnect();
    SetConnected(false);
}

void TFormsController::ApplyPendingDisconnect()
{
    if (disconnectPending_ && !OperationRunning() && !ExchangeRunning()) Disconnect();
}
