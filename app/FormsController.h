#pragma once
// The one object that ties the main window to the parameter pages and to the device: places the pages
// in the page pane, builds the page tree, keeps the page on show, loads and saves every page from and
// to an ini file, loads factory defaults, and runs the user's operations on the device (read or write
// the current page or all pages, connect, disconnect) inside the operation bracket.
//
// Device-specific steps are left to the layers above (FormAppMainController, the device model's
// controller). Make a controller with MakeFormsController, which runs the construction steps once the
// object is complete:
//     auto controller = MakeFormsController<TS7QX1FormsController>(FormMain, FormMain->PagesPane, FormMain->tv1);
//
// Operations never overlap: an operation that finds another running (a timer or a click that got in
// while the log or a wait let window events run) is refused, and a disconnect asked for meanwhile is
// carried out once the running exchange has ended. A connect counts as an operation from its dialog
// to its end, and so does a disconnect (a modem line's hang-up takes seconds): a second connect or
// disconnect, a read or a close meanwhile is refused or waits.
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/IniFiles.h"
#include "link/LogWriter.h"
#include "ui/ComCtrls.h"
#include "ui/Controls.h"

class TformIncl;
class TFormMain;

class TFormsController {
public:
    TFormsController(TFormMain* MainForm, ui::TWinControl* PagesContainer, ui::TTreeView* Tree);
    // Saves every page to "current.ini" in the program folder, then frees the pages and the log.
    virtual ~TFormsController();
    TFormsController(const TFormsController&) = delete;
    TFormsController& operator=(const TFormsController&) = delete;

    // The construction steps that need the finished object: log, pages, tree, "current.ini".
    void Start();

    TformIncl* CurrentPage = nullptr;
    ui::TWinControl* PagesContainer = nullptr;
    std::unique_ptr<TLogWriter> Log;
    TFormMain* MainForm = nullptr;
    ui::TTreeView* Tree = nullptr;

    virtual void PlacePage(TformIncl& Page);
    virtual void PlaceAllPages();
    virtual void CreatePages() = 0;
    virtual void FreePages();
    virtual void AddPageNode(ui::TTreeView& Tree, TformIncl& Page, int StateIndex);
    virtual void ShowCurrentPage();
    virtual void SetConnected(bool Connected) = 0;
    virtual bool DoConnect() = 0;
    virtual void DoDisconnect() = 0;
    virtual std::unique_ptr<TLogWriter> CreateLog() = 0;
    virtual void ReadPage() = 0;
    virtual void WritePage() = 0;
    virtual void ClearErrors() = 0;
    // The error lines gathered by the running operation, and the error window that shows them.
    virtual std::vector<std::string> ErrorLines() = 0;
    virtual void ShowErrors(const std::vector<std::string>& Lines) = 0;
    virtual void BeginOperation() = 0;
    virtual void EndOperation() = 0;
    virtual void ReadCurrent();
    virtual void WriteCurrent();
    virtual void ReadAll();
    virtual void WriteAll();
    virtual bool Connect();
    virtual void Disconnect();
    // The link failed outside an operation (the link check, the live poll): the log says why, then the
    // link goes.
    void LinkLost(const std::string& Why);
    // A link lost under an operation the user started: logged with its reason and what it left undone,
    // disconnected, and named in the errors window.
    void OperationLinkLost(const std::string& Why, const std::string& Undone = "");
    virtual void BuildTreeBasic(ui::TTreeView& Tree);
    virtual void BuildTreeNoBolid(ui::TTreeView& Tree);
    virtual void BuildTreeAll(ui::TTreeView& Tree);

    // Whether a device operation may start now: connected, and no exchange running.
    virtual bool CanStartOperation() = 0;
    // An exchange with the device is under way (a disconnect must wait for it).
    virtual bool ExchangeRunning() = 0;
    // Asks the running exchange to stop at its next step.
    virtual void CancelExchange() = 0;
    // A line for the error window of the running operation.
    virtual void AddErrorLine(const std::string& Line) = 0;
    // The device erased its history during the running operation.
    virtual bool HistoryErasedMeanwhile() = 0;
    // Writing the reporting ways erases the device's history: the history page's grid is emptied
    // first (every cell; the grid keeps its size). Does nothing while there is no history page.
    virtual void EmptyHistoryGrid();

    void LoadPagesFromIni(const std::string& FileName);
    void SavePagesToIni(const std::string& FileName);
    void SetDefaultsAll();
    void SetDefaultsCurrent();
    void SelectPage(int Index);

    // The pages in index order (the page pane's components that are pages).
    std::vector<TformIncl*> Pages() const;
    // The pages ReadAll and WriteAll exchange, in their order: the Bolid live page never, the event masks
    // only for a Bolid panel.
    std::vector<TformIncl*> ExchangedPages() const;
    // The component of the page pane at Index when it is a page, nullptr otherwise.
    TformIncl* PageAt(int Index) const;
    // Status-bar panel 2: the panel type the device reported ("Altonika", "Bolid", "Paradox").
    std::string PanelTypeText() const;
    bool DisconnectPending() const { return disconnectPending_; }
    // One of the operations above, or a connect, is under way (its body may be between two exchanges).
    bool OperationRunning() const;
    // No operation under way, no disconnect waiting, and the layers above agree.
    bool MayStart();
    // Nothing under way that a connect would disturb: no operation, no connect, no exchange.
    bool MayConnect();

    // "current.ini" in the program folder.
    static std::string CurrentIniName();
    // "current.ini" as the program keeps it between runs. A file that cannot be read gives an empty ini
    // (the program goes on with its defaults) and the user is told why; one that holds no ini text at
    // all is first renamed aside, untouched, so that the next save makes a fresh one.
    TMemIniFile ReadCurrentIni();
    // Fill changes "current.ini" as read, then the whole file is written. A file that cannot be read or
    // written is left as it is and the work goes on: the user is told its name and the reason once (a
    // save that succeeds lets the next failure be told again). False when nothing was saved.
    bool SaveCurrentIni(const std::function<void(TMemIniFile&)>& Fill);

protected:
    // The pages of one read or write operation in their order, and how many of them are done.
    struct TPageRun {
        bool Writing = false;
        std::vector<TformIncl*> Pages;
        std::size_t Done = 0;
        // Every page (read all, write all), or the page on show.
        bool All = false;
    };
    // Runs a page operation: errors cleared, bracket open around Body; then a link failure is named with
    // the pages not read or not written (those not read keep what they showed and hold no device value)
    // and, in the log, its reason; the connection goes and the error window shows it; the user's cancel
    // ends quietly; any other failure becomes an error line; the status bar tells how it ended and the
    // error window shows what was gathered.
    void RunOperation(TPageRun& Run, const std::function<void()>& Body);
    // Runs a single device action (clock, outputs, reset) under the same rules, with or without the
    // bracket: a link failure is named and disconnects, the user's cancel ends quietly, any other
    // failure is logged. True when Body ran to its end.
    bool RunAction(const std::function<void()>& Body, bool Bracket);
    // The status bar's word on how the last operation ended.
    void ShowOutcome(const std::string& Text);
    // A disconnect asked for while an exchange ran is carried out once none runs.
    void ApplyPendingDisconnect();
    // Takes the connection down at once (DoDisconnect, SetConnected(false)): for the connect's own
    // failure path, which runs while the connect still counts as under way.
    void DisconnectNow();
    // Walks the run's pages: each page is selected, window events run, Prepare runs on it, its tree node
    // is selected, then Exchange.
    void ForEachExchangedPage(TPageRun& Run, const std::function<void(TformIncl& Page)>& Prepare,
                              const std::function<void()>& Exchange);
    void SelectTreeNodeOf(int Index);

    // Expires with the controller: for posted calls.
    std::weak_ptr<void> Liveness() const { return alive_; }

private:
    using PageTest = std::function<bool(const TformIncl&)>;
    void BuildTree(ui::TTreeView& Tree, const PageTest& Admits);
    bool ConfirmWaysWrite() const;

    void ReportIniFailure(const std::string& Failure, const std::string& Consequence);
    // For a "current.ini" that holds no ini text: renames it aside and says where it went (or why it
    // stayed); empty for any other failure.
    static std::string SetAsideUnreadable(const platform::FileError& Failure);
    void LoadPages(const TMemIniFile& Ini);
    // Names the lost link in the log and the error list, with what the operation did not get to.
    void ReportLinkLost(const TPageRun& Run, const std::string& Why);

    std::set<std::string> reportedIniFailures_;
    bool disconnectPending_ = false;
    bool started_ = false;
    bool connecting_ = false;
    bool disconnecting_ = false;
    int operations_ = 0;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

template <class T, class... A>
std::unique_ptr<T> MakeFormsController(A&&... args)
{
    auto controller = std::make_unique<T>(std::forward<A>(args)...);
    controller->Start();
    return controller;
}
