#pragma once
// Inside the mirror (gui/Mirror.h is its public face): the binding kept per control, the kind of
// widget that shows it, and the core that keeps the bindings, listens to the model and routes Qt's input
// back. Only the mirror's own files include this.
//
// One kind per kind of control, each with its own make / connect / apply and input handlers, in one
// file per family as ui/ is split:
//   gui/MirrorButtons.cpp  labels, pictures, edits, memos, buttons, check boxes, radio buttons, tool and
//                          speed buttons, progress bars
//   gui/MirrorLists.cpp    combo boxes, list boxes, list views, string grids
//   gui/MirrorTrees.cpp    tree views
//   gui/MirrorPainted.cpp  controls that paint themselves (the kit's, panels, group boxes) and splitters
//   gui/MirrorWindows.cpp  windows, embedded forms and plain surfaces, menus, status bars
// gui/MirrorCore.cpp picks the kind of a control and does what every kind shares.
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Driver.h"
#include "ui/Observer.h"

class QAction;
class QEvent;
class QKeyEvent;
class QMenuBar;
class QMouseEvent;
class QPainter;
class QTreeWidgetItem;

namespace ui {
class Canvas;
class TMenu;
class TTreeNode;
class TTreeView;
}  // namespace ui

namespace gui::mirror {

class Core;
class Kind;

// What the mirror keeps of a tree view (gui/MirrorTrees.cpp).
struct TreeState {
    TreeState();
    ~TreeState();
    TreeState(const TreeState&) = delete;
    TreeState& operator=(const TreeState&) = delete;

    // The item of every node, kept change by change once the tree was read whole. A key is a node only
    // while it is in the map: the map forgets a node as it goes, and is empty while the tree waits to
    // be read whole at the next flush (dirty).
    std::unordered_map<const ui::TTreeNode*, QTreeWidgetItem*> items;
    bool dirty = false;
    // Top-level items appended at the end and not yet in the widget, which lays out every top-level
    // row again for each insertion among them: appended rows join it in batches.
    std::vector<std::unique_ptr<QTreeWidgetItem>> waiting;
    std::chrono::steady_clock::time_point waitingSince;
    // The model's first row and selection as last applied; the scroll to the first row waits with
    // the rows.
    const ui::TTreeNode* appliedTop = nullptr;
    bool scrollWaiting = false;
    ui::TTreeNode* appliedSelected = nullptr;
    // A node-by-node report came since the last coarse Items or Selection change (which then has
    // nothing left to do).
    bool heardItems = false;
    bool heardSelection = false;
};

struct Binding {
    explicit Binding(Core& owner) : core(owner) {}
    Core& core;
    ui::TControl* control = nullptr;
    const Kind* kind = nullptr;
    QPointer<QWidget> widget;  // placed in the parent's client, or the window of a top-level form
    QPointer<QWidget> client;  // where the children go
    std::vector<QPointer<QObject>> registered;
    // The receiver of the widget's signal connections: they end with the binding.
    std::unique_ptr<QObject> context = std::make_unique<QObject>();
    bool pressed = false;  // a button went down over the widget

    // Top-level forms: the menu bar, the action of every menu item and the child count it was built with.
    QPointer<QMenuBar> menuBar;
    std::unordered_map<const ui::TMenuItem*, std::pair<QPointer<QAction>, int>> actions;
    bool placed = false;
    // Shown before the window system framed it (the first window, whose frame nobody knows yet): fitted
    // to the screen once it has been.
    bool fitPending = false;

    TreeState tree;

    // Painted controls.
    QPointer<QWidget> overlay;  // drawn over the children (a splitter's track line)
    bool painting = false;
    bool paintFailed = false;
};

// How one kind of control is shown and how its widget's input reaches the model. The model -> widget
// handlers run with the mirror's applying count raised, so that the signals the widget sends meanwhile
// are not taken for the user's input.
class Kind {
public:
    virtual ~Kind() = default;

    // The widget, a child of parent (nullptr: a window); b.client may be set to another widget.
    virtual QWidget* Make(Binding& b, QWidget* parent) const = 0;
    // Connects the widget's signals to the model (user input).
    virtual void Connect(Binding&) const {}

    // Model -> widget, one handler per kind of change; Rebuild first in a full sync (a window's menu bar).
    virtual void Rebuild(Binding&) const {}
    virtual void Bounds(Binding& b) const;
    virtual void Visible(Binding& b) const;
    virtual void Text(Binding&) const {}
    virtual void Font(Binding& b) const;
    virtual void Color(Binding&) const {}
    virtual void Items(Binding&) const {}
    virtual void Selection(Binding&) const {}
    virtual void State(Binding&) const {}
    // Everything else the control shows (styles, pictures, options); after the hint and the cursor.
    virtual void Style(Binding&) const {}
    // After any change: painted kinds paint again.
    virtual void Changed(Binding&) const {}
    // A child was placed, moved, shown or hidden; the control itself was resized (its children see it).
    virtual void ChildChanged(Binding&) const {}
    virtual void ParentResized(Binding&) const {}
    // The widget that takes the control's font, colours and cursor.
    virtual QWidget* Face(Binding& b) const;
    // The cursor the face shows where the control names none: its own, never its parent's (a pane
    // inside a splitter keeps its arrow whatever the splitter's bar shows, as on the desktop).
    virtual Qt::CursorShape OwnCursor(Binding&) const { return Qt::ArrowCursor; }

    // Widget -> model. Mouse events of the widget; true when taken.
    virtual bool Mouse(Binding&, QObject* /*watched*/, QMouseEvent&) const { return false; }
    // A key without Ctrl or Alt before the model's key path sees it (space or Enter on a button): whether
    // the widget must not see it, or nothing to go on.
    virtual std::optional<bool> PlainKey(Binding&, int /*key*/, ui::TShiftState) const { return std::nullopt; }
    // A key with Ctrl, Shift or Alt that the kind handles itself (the clipboard keys); true when taken.
    virtual bool CommandKey(Binding&, QKeyEvent&) const { return false; }
    // After the model saw a key: true when the widget must not see it as well.
    virtual bool AfterKey(Binding& b, int key, bool command) const;
    // Any other event of the widget (wheel, key release, close, resize); true when taken.
    virtual bool Event(Binding&, QObject* /*watched*/, QEvent&) const { return false; }
    // Shows what the control paints (painted kinds).
    virtual void Paint(Binding&, QPainter&) const {}
};

// Raises a count for the time of a scope.
class Counter {
public:
    explicit Counter(int& n) : n_(n) { ++n_; }
    ~Counter() { --n_; }
    Counter(const Counter&) = delete;
    Counter& operator=(const Counter&) = delete;

private:
    int& n_;
};

class Core : public QObject, public ui::ModelObserver {
public:
    explicit Core(ui::Application& app);
    ~Core() override;
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    ui::Application& App() const { return app_; }
    ui::Driver& User() { return driver_; }

    Binding* Find(const ui::TControl& control) const;
    Binding* FindWidget(const QObject* widget) const;
    // The binding with a live widget, made (or made again) when needed; nullptr for a control in no form.
    Binding* Ensure(ui::TControl& control);
    void Adopt(ui::TControl& control);
    // Rows appended to a tree wait for their batch (gui/MirrorTrees.cpp) until it is due, or join now.
    enum class WaitingRows { WhenDue, Now };
    void Flush(WaitingRows rows = WaitingRows::WhenDue);
    // Input and model callbacks see the widget's own events as the user's only while nothing is applied.
    bool Applying() const { return applying_ > 0; }
    int& ApplyingCount() { return applying_; }
    int& InputDepth() { return inputDepth_; }
    // Filters the widget's events into the binding's kind.
    void Register(Binding& b, QWidget* widget);
    void ScheduleFlush();

    // Runs a delivery of user input with the handler depth counted; false when the control went.
    template <class F>
    bool Deliver(const ui::TControl& control, F&& action);
    // Runs one apply handler of the kind again for a control after a handler of the user's (which may
    // have freed it).
    void Refresh(ui::TControl& control, void (Kind::*apply)(Binding&) const);
    // Model -> widget for everything, and for one change.
    void FullSync(Binding& b);
    void Apply(Binding& b, ui::ModelChange what);
    void ApplyParent(Binding& b);
    void Restack(const ui::TWinControl& parent);
    // Mouse on the kinds that read it raw: the model's mouse, and with windowClicks the window system's
    // click when the left button goes up over the control it went down on.
    bool RouteMouse(Binding& b, QMouseEvent& event, bool windowClicks);

    // Menus and trees, kept for the next flush.
    bool LiveMenu(const ui::TMenu* menu) const { return liveMenus_.count(menu) != 0; }
    void MarkMenuDirty(const ui::TControl& form);
    void MarkTreeDirty(Binding& b);
    void MarkTreeWaiting(Binding& b);
    // Tree items made, changed, scrolled to or removed so far: what keeping the trees in step cost.
    std::uint64_t& TreeItemsTouched() { return treeItemsTouched_; }

    // --- ui::ModelObserver ---
    void ComponentCreated(ui::TComponent& component) override;
    void ComponentDestroying(ui::TComponent& component) override;
    void ControlChanged(ui::TControl& control, ui::ModelChange what) override;
    void TreeNodeInserted(ui::TTreeView& tree, ui::TTreeNode* parent, int index, ui::TTreeNode& node) override;
    void TreeNodeRemoved(ui::TTreeView& tree, ui::TTreeNode* parent, int index, const ui::TTreeNode* node) override;
    void TreeNodeChanged(ui::TTreeView& tree, ui::TTreeNode& node, ui::TreeNodeChange what) override;
    void TreeCleared(ui::TTreeView& tree) override;
    void TreeSelectionChanged(ui::TTreeView& tree, ui::TTreeNode* selected) override;
    void TreeTopItemChanged(ui::TTreeView& tree, ui::TTreeNode* top) override;
    void MenuItemChanged(ui::TMenuItem& item) override;
    void ModalStarted(ui::TForm& form) override;
    void ModalEnded(ui::TForm& form) override;
    void FocusChanged(ui::TWinControl* focused) override;
    void ScreenCursorChanged(ui::TCursor cursor) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Binding* Create(ui::TControl& control);
    void Unbind(const ui::TComponent& control);
    void Retire(QWidget* widget);
    void ApplyStyle(Binding& b);
    // Tells the parent's kind that a child moved, and the children's kinds that the control was resized.
    void Relayout(Binding& b, ui::ModelChange what);
    bool RouteKey(Binding& b, QKeyEvent& event);
    // Alt and a character: the control of the window whose caption has it as its accelerator acts.
    bool PressAccelerator(ui::TWinControl& control, const QKeyEvent& event);
    // The tree's binding while its widget follows the nodes change by change.
    Binding* FollowingTree(const ui::TTreeView& tree) const;
    void JoinWaitingRows(WaitingRows when);
    void FocusArrived(Binding& b);
    // The one control under the mouse, as on the desktop: going on into a child leaves its parent
    // (Qt tells the parent nothing then), and a move over a control left for a child enters it again.
    void Hover(ui::TControl* control);

    ui::Application& app_;
    ui::Driver driver_;
    // By the control's component part: a control freed by its own destructor (one made unowned) is
    // told of as a plain component, its control part already gone.
    std::unordered_map<const ui::TComponent*, std::unique_ptr<Binding>> bindings_;
    std::unordered_map<const QObject*, Binding*> byWidget_;
    std::unordered_set<const ui::TMenu*> liveMenus_;
    std::vector<const ui::TControl*> dirtyTrees_;
    std::vector<const ui::TControl*> waitingTrees_;
    std::unordered_set<const ui::TControl*> dirtyMenus_;
    std::vector<QPointer<QWidget>> retired_;
    int applying_ = 0;
    int inputDepth_ = 0;
    int movingFocusByKey_ = 0;
    bool flushScheduled_ = false;
    bool overrideCursor_ = false;
    ui::TControl* hovered_ = nullptr;
    std::weak_ptr<void> hoveredAlive_;
    std::uint64_t treeItemsTouched_ = 0;
};

template <class F>
bool Core::Deliver(const ui::TControl& control, F&& action)
{
    const std::weak_ptr<void> alive = control.Liveness();
    {
        Counter depth(inputDepth_);
        try {
            action();
        } catch (...) {
            app_.HandleException(std::current_exception());
        }
    }
    return !alive.expired();
}

// --- the kinds, by family ---
// gui/MirrorButtons.cpp
const Kind& LabelKind();
const Kind& ImageKind();
const Kind& EditKind();
const Kind& MemoKind();
const Kind& ButtonKind();
const Kind& CheckKind();
const Kind& RadioKind();
const Kind& ToolButtonKind();
const Kind& ProgressKind();
// The clipboard keys the text controls share (edits, memos, combo boxes).
enum class ClipboardOp { None, Copy, Cut, Paste, SelectAll };
ClipboardOp ClipboardOpOf(const QKeyEvent& event);
// The key through the model's key path first: the binding again when the kind goes on with the key's
// own work, nullptr when a menu shortcut took the key or the control went.
Binding* PressClipboardKey(Binding& b, QKeyEvent& event);
bool IsNavigationKey(int key);
// gui/MirrorLists.cpp
const Kind& ComboKind();
const Kind& ListBoxKind();
const Kind& ListViewKind();
const Kind& GridKind();
// gui/MirrorTrees.cpp
const Kind& TreeKind();
// Reads the tree whole.
void SyncTree(Binding& b);
// The rows that wait join the tree: when due (a busy program shows its log in batches), or now.
// Whether they did (none wait any more).
bool JoinWaitingRows(Binding& b, Core::WaitingRows when);
// One change of the model's tree, as ui::ModelObserver reports it.
void InsertTreeItem(Binding& b, ui::TTreeNode* parent, int index, ui::TTreeNode& node);
void RemoveTreeItem(Binding& b, const ui::TTreeNode* parent, int index, const ui::TTreeNode* node);
void ChangeTreeItem(Binding& b, ui::TTreeNode& node, ui::TreeNodeChange what);
void ClearTreeItems(Binding& b);
void SelectTreeItem(Binding& b, ui::TTreeNode* selected);
void ScrollTree(Binding& b, ui::TTreeNode* top);
// gui/MirrorPainted.cpp
const Kind& PaintedKind();
// A surface that shows what its binding's kind paints.
QWidget* MakePaintedWidget(Core& core, QWidget* parent);
const Kind& PanelKind();
const Kind& GroupBoxKind();
const Kind& SplitterKind();
// gui/MirrorWindows.cpp
const Kind& WindowKind();
const Kind& SurfaceKind();
const Kind& EmbeddedFormKind();
const Kind& StatusBarKind();
void RebuildMenu(Binding& window);
void ApplyMenuItem(Binding& window, ui::TMenuItem& item);
void ShowPopup(Binding& b, QPoint local, QPoint global);

// The part of a painted kind that the grid shares: a surface that shows the bitmap the control's Paint
// drew on a canvas, over the look drawn first.
class PaintedBase : public Kind {
public:
    QWidget* Make(Binding& b, QWidget* parent) const override;
    void Text(Binding& b) const override;
    void Style(Binding& b) const override;
    void Changed(Binding& b) const override;
    bool Mouse(Binding& b, QObject* watched, QMouseEvent& event) const override;
    bool Event(Binding& b, QObject* watched, QEvent& event) const override;
    void Paint(Binding& b, QPainter& painter) const override;

protected:
    // What the window system draws under the control's own Paint (a panel's bevels).
    virtual void DrawLook(const ui::TControl&, ui::Canvas&) const {}
};

}  // namespace gui::mirror
