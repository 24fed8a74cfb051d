#include "gui/MirrorCore.h"

#include <QAbstractEventDispatcher>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <QTimer>
#include <QTreeWidgetItem>
#include <QWidget>

#include <algorithm>
#include <typeinfo>
#include <utility>

#include "gui/Convert.h"
#include "kit/KitSplit.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Grids.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace gui::mirror {

namespace {

template <class T>
bool Exactly(const ui::TControl& c)
{
    return typeid(c) == typeid(T);
}

template <class T>
bool IsA(const ui::TControl& c)
{
    return ui::Is<T>(&c);
}

struct KindRule {
    bool (*matches)(const ui::TControl&);
    const Kind& (*kind)();
};

// First match wins: the stock controls of ui/ before the painted ones that derive from their bases.
const KindRule kKindRules[] = {
    {[](const ui::TControl& c) { return IsA<ui::TForm>(c) && c.Parent() == nullptr; }, WindowKind},
    {IsA<ui::TForm>, EmbeddedFormKind},
    {IsA<ui::TStringGrid>, GridKind},
    {IsA<ui::TPanel>, PanelKind},
    {IsA<ui::TGroupBox>, GroupBoxKind},
    {IsA<TKitSplitter>, SplitterKind},
    {Exactly<ui::TLabel>, LabelKind},
    {Exactly<ui::TImage>, ImageKind},
    {[](const ui::TControl& c) { return Exactly<ui::TToolButton>(c) || Exactly<ui::TSpeedButton>(c); },
     ToolButtonKind},
    {[](const ui::TControl& c) { return IsA<ui::TCustomControl>(c) || IsA<ui::TGraphicControl>(c); }, PaintedKind},
    {IsA<ui::TMemo>, MemoKind},
    {IsA<ui::TCustomEdit>, EditKind},
    {IsA<ui::TCheckBox>, CheckKind},
    {IsA<ui::TRadioButton>, RadioKind},
    {IsA<ui::TButton>, ButtonKind},
    {IsA<ui::TCustomCombo>, ComboKind},
    {IsA<ui::TListBox>, ListBoxKind},
    {IsA<ui::TTreeView>, TreeKind},
    {IsA<ui::TListView>, ListViewKind},
    {IsA<ui::TStatusBar>, StatusBarKind},
    {IsA<ui::TProgressBar>, ProgressKind},
};

const Kind& KindOf(const ui::TControl& control)
{
    for (const KindRule& rule : kKindRules)
        if (rule.matches(control)) return rule.kind();
    return SurfaceKind();
}

}  // namespace

// ------------------------------------------------------------------ what every kind shares

void Kind::Bounds(Binding& b) const
{
    const ui::TControl& c = *b.control;
    b.widget->setGeometry(c.Left(), c.Top(), c.Width(), c.Height());
}

void Kind::Visible(Binding& b) const
{
    b.widget->setVisible(b.control->Visible() && b.control->Parent() != nullptr);
}

QWidget* Kind::Face(Binding& b) const { return b.widget; }

void Kind::Font(Binding& b) const
{
    const ui::TControl& c = *b.control;
    QWidget* target = Face(b);
    target->setFont(ToQFont(c.Font()));
    QPalette palette = target->palette();
    const QColor color = ToQColor(c.Font().Color());
    // The disabled group keeps the style's grey: a disabled control's text looks disabled whatever
    // colour its font has, as on the desktop the program was made for.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) palette.setColor(group, role, color);
    target->setPalette(palette);
}

bool Kind::AfterKey(Binding&, int, bool) const { return true; }

// ------------------------------------------------------------------ bindings

Core::Core(ui::Application& app) : app_(app), driver_(app)
{
    app_.SetObserver(this);
    // Rows that wait for their batch are shown as soon as the program has nothing else to do.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { JoinWaitingRows(WaitingRows::Now); });
}

Core::~Core()
{
    if (&app_.Observer() == this) app_.SetObserver(nullptr);
    if (overrideCursor_) QApplication::restoreOverrideCursor();
    std::vector<QPointer<QWidget>> doomed = std::move(retired_);
    for (const auto& [control, b] : bindings_)
        if (b->widget && b->widget->parentWidget() == nullptr) doomed.push_back(b->widget);
    bindings_.clear();
    byWidget_.clear();
    for (const QPointer<QWidget>& w : doomed) delete w.data();
}

Binding* Core::Find(const ui::TControl& control) const
{
    const auto it = bindings_.find(&control);
    return it == bindings_.end() ? nullptr : it->second.get();
}

Binding* Core::FindWidget(const QObject* widget) const
{
    const auto it = byWidget_.find(widget);
    return it == byWidget_.end() ? nullptr : it->second;
}

Binding* Core::Ensure(ui::TControl& control)
{
    if (Binding* b = Find(control)) {
        if (b->widget) return b;
        Unbind(control);
    }
    return Create(control);
}

void Core::Adopt(ui::TControl& control)
{
    Binding* b = Ensure(control);
    if (b == nullptr) return;
    // A widget made while its control stood elsewhere (a page built before it was placed) moves over.
    if (Binding* pb = control.Parent() != nullptr ? Find(*control.Parent()) : nullptr;
        pb != nullptr && b->widget->parentWidget() != pb->client.data()) {
        Counter guard(applying_);
        ApplyParent(*b);
    }
    if (auto* form = ui::As<ui::TForm>(&control); form != nullptr && form->Menu() != nullptr) {
        liveMenus_.insert(form->Menu());
        MarkMenuDirty(*form);
    }
    if (auto* container = ui::As<ui::TWinControl>(&control))
        for (int i = 0; i < container->ControlCount(); ++i) Adopt(*container->Controls(i));
}

Binding* Core::Create(ui::TControl& control)
{
    QWidget* parent = nullptr;
    if (control.Parent() != nullptr) {
        Binding* pb = Ensure(*control.Parent());
        if (pb == nullptr) return nullptr;
        // A parent made just now made its children with it.
        if (Binding* made = Find(control); made != nullptr && made->widget) return made;
        parent = pb->client;
    } else if (!ui::Is<ui::TForm>(&control)) {
        return nullptr;
    }
    auto owned = std::make_unique<Binding>(*this);
    Binding& b = *owned;
    b.control = &control;
    b.kind = &KindOf(control);
    QWidget* w = b.kind->Make(b, parent);
    if (!b.client) b.client = w;
    b.widget = w;
    bindings_[&control] = std::move(owned);
    Register(b, w);
    if (b.client != w) Register(b, b.client);
    if (auto* scroll = qobject_cast<QAbstractScrollArea*>(w)) Register(b, scroll->viewport());
    b.kind->Connect(b);
    FullSync(b);
    Relayout(b, ui::ModelChange::Parent);
    // Everything the control holds is shown with it, whether anyone asks for it or not (a kit bar's
    // buttons were made in its constructor, before it stood in a window).
    if (auto* container = ui::As<ui::TWinControl>(&control))
        for (int i = 0; i < container->ControlCount(); ++i) Ensure(*container->Controls(i));
    return &b;
}

void Core::Register(Binding& b, QWidget* widget)
{
    if (widget == nullptr || byWidget_.count(widget) != 0) return;
    byWidget_[widget] = &b;
    b.registered.emplace_back(widget);
    widget->installEventFilter(this);
    connect(widget, &QObject::destroyed, this, [this](QObject* gone) { byWidget_.erase(gone); });
}

void Core::Unbind(const ui::TComponent& control)
{
    const auto it = bindings_.find(&control);
    if (it == bindings_.end()) return;
    std::unique_ptr<Binding> b = std::move(it->second);
    bindings_.erase(it);
    for (const QPointer<QObject>& object : b->registered)
        if (object) {
            byWidget_.erase(object.data());
            object->removeEventFilter(this);
        }
    Retire(b->widget);
}

void Core::Retire(QWidget* widget)
{
    if (widget == nullptr) return;
    widget->hide();
    retired_.emplace_back(widget);
    ScheduleFlush();
}

void Core::ScheduleFlush()
{
    if (flushScheduled_) return;
    flushScheduled_ = true;
    QTimer::singleShot(0, this, [this] { Flush(); });
}

void Core::MarkMenuDirty(const ui::TControl& form)
{
    dirtyMenus_.insert(&form);
    ScheduleFlush();
}

void Core::MarkTreeDirty(Binding& b)
{
    if (b.tree.dirty) return;
    b.tree.dirty = true;
    // Until the tree is read again no report is followed, so no key may lead to a node.
    b.tree.items.clear();
    b.tree.waiting.clear();
    dirtyTrees_.push_back(b.control);
    ScheduleFlush();
}

void Core::MarkTreeWaiting(Binding& b)
{
    if (std::find(waitingTrees_.begin(), waitingTrees_.end(), b.control) == waitingTrees_.end())
        waitingTrees_.push_back(b.control);
}

void Core::JoinWaitingRows(WaitingRows when)
{
    std::erase_if(waitingTrees_, [this, when](const ui::TControl* c) {
        Binding* b = Find(*c);
        return b == nullptr || !b->widget || mirror::JoinWaitingRows(*b, when);
    });
}

void Core::Flush(WaitingRows rows)
{
    flushScheduled_ = false;
    std::vector<const ui::TControl*> trees;
    trees.swap(dirtyTrees_);
    for (const ui::TControl* c : trees)
        if (Binding* b = Find(*c); b != nullptr && b->tree.dirty && b->widget) SyncTree(*b);
    JoinWaitingRows(rows);
    // A menu bar is made anew only when no menu of it can be on the stack.
    if (inputDepth_ > 0) {
        if (!dirtyMenus_.empty() || !retired_.empty()) ScheduleFlush();
        return;
    }
    std::unordered_set<const ui::TControl*> menus;
    menus.swap(dirtyMenus_);
    for (const ui::TControl* c : menus)
        if (Binding* b = Find(*c); b != nullptr && b->kind == &WindowKind() && b->widget) RebuildMenu(*b);
    std::vector<QPointer<QWidget>> doomed;
    doomed.swap(retired_);
    for (const QPointer<QWidget>& w : doomed) delete w.data();
}

// ------------------------------------------------------------------ model observer

void Core::ComponentCreated(ui::TComponent& component)
{
    if (auto* menu = ui::As<ui::TMenu>(&component)) {
        liveMenus_.insert(menu);
        if (auto* form = ui::As<ui::TForm>(menu->Owner())) MarkMenuDirty(*form);
        return;
    }
    auto* control = ui::As<ui::TControl>(&component);
    if (control == nullptr) return;
    if (control->Parent() == nullptr && !ui::Is<ui::TForm>(control)) return;
    if (Binding* b = Find(*control); b != nullptr && b->widget) {
        // Made while its children were built in its constructor: everything is in place now.
        ++applying_;
        FullSync(*b);
        --applying_;
        return;
    }
    Ensure(*control);
}

void Core::ComponentDestroying(ui::TComponent& component)
{
    if (auto* menu = ui::As<ui::TMenu>(&component)) {
        liveMenus_.erase(menu);
        for (auto& [control, b] : bindings_)
            if (b->kind == &WindowKind()) {
                b->actions.clear();
                dirtyMenus_.insert(b->control);
            }
        ScheduleFlush();
        return;
    }
    if (auto* item = ui::As<ui::TMenuItem>(&component)) {
        for (auto& [control, b] : bindings_) {
            const auto it = b->actions.find(item);
            if (it == b->actions.end()) continue;
            if (it->second.first) it->second.first->setVisible(false);
            b->actions.erase(it);
            MarkMenuDirty(*b->control);
        }
        return;
    }
    Unbind(component);
}

void Core::ControlChanged(ui::TControl& control, ui::ModelChange what)
{
    Binding* b = Find(control);
    if (b == nullptr || !b->widget) {
        if (what == ui::ModelChange::Parent && control.Parent() != nullptr) Ensure(control);
        else if (b != nullptr) Ensure(control);
        return;
    }
    Apply(*b, what);
}

Binding* Core::FollowingTree(const ui::TTreeView& tree) const
{
    Binding* b = Find(tree);
    return b != nullptr && b->widget && b->kind == &TreeKind() && !b->tree.dirty ? b : nullptr;
}

void Core::TreeNodeInserted(ui::TTreeView& tree, ui::TTreeNode* parent, int index, ui::TTreeNode& node)
{
    if (Binding* b = FollowingTree(tree)) InsertTreeItem(*b, parent, index, node);
}

void Core::TreeNodeRemoved(ui::TTreeView& tree, ui::TTreeNode* parent, int index, const ui::TTreeNode* node)
{
    if (Binding* b = FollowingTree(tree)) RemoveTreeItem(*b, parent, index, node);
}

void Core::TreeNodeChanged(ui::TTreeView& tree, ui::TTreeNode& node, ui::TreeNodeChange what)
{
    if (Binding* b = FollowingTree(tree)) ChangeTreeItem(*b, node, what);
}

void Core::TreeCleared(ui::TTreeView& tree)
{
    if (Binding* b = FollowingTree(tree)) ClearTreeItems(*b);
}

void Core::TreeSelectionChanged(ui::TTreeView& tree, ui::TTreeNode* selected)
{
    if (Binding* b = FollowingTree(tree)) SelectTreeItem(*b, selected);
}

void Core::TreeTopItemChanged(ui::TTreeView& tree, ui::TTreeNode* top)
{
    if (Binding* b = FollowingTree(tree)) ScrollTree(*b, top);
}

void Core::MenuItemChanged(ui::TMenuItem& item)
{
    ui::TMenu* menu = item.GetParentMenu();
    if (menu == nullptr || !LiveMenu(menu)) return;
    auto* form = ui::As<ui::TForm>(menu->Owner());
    if (form == nullptr || form->Menu() != menu) return;
    Binding* b = Find(*form);
    if (b == nullptr || b->kind != &WindowKind()) return;
    ApplyMenuItem(*b, item);
}

void Core::ModalStarted(ui::TForm& form)
{
    Binding* b = Find(form);
    if (b == nullptr || b->kind != &WindowKind() || !b->widget) return;
    if (b->widget->windowModality() == Qt::ApplicationModal) return;
    Counter guard(applying_);
    const bool shown = b->widget->isVisible();
    b->widget->hide();
    b->widget->setWindowModality(Qt::ApplicationModal);
    if (shown) b->widget->show();
}

void Core::ModalEnded(ui::TForm& form)
{
    Binding* b = Find(form);
    if (b == nullptr || b->kind != &WindowKind() || !b->widget || b->widget->isVisible()) return;
    b->widget->setWindowModality(Qt::NonModal);
}

void Core::FocusChanged(ui::TWinControl* focused)
{
    if (focused == nullptr) return;
    Binding* b = Find(*focused);
    if (b == nullptr || !b->widget || b->kind == &WindowKind()) return;
    Counter guard(applying_);
    // Moved by a key (Tab, an arrow, Alt and a letter): the widget shows its focus as the keyboard's
    // (an edit reached by Tab selects its text, as on the desktop).
    b->widget->setFocus(movingFocusByKey_ > 0 ? Qt::TabFocusReason : Qt::OtherFocusReason);
    // A page that scrolls brings the focused control into view, as Tab does on the desktop.
    for (QWidget* w = b->widget->parentWidget(); w != nullptr; w = w->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(w)) area->ensureWidgetVisible(b->widget, 8, 8);
}

void Core::ScreenCursorChanged(ui::TCursor cursor)
{
    if (overrideCursor_) QApplication::restoreOverrideCursor();
    overrideCursor_ = false;
    if (const auto shape = CursorShape(cursor)) {
        QApplication::setOverrideCursor(QCursor(*shape));
        overrideCursor_ = true;
    }
}

// ------------------------------------------------------------------ model -> widget

void Core::FullSync(Binding& b)
{
    Counter guard(applying_);
    const Kind& kind = *b.kind;
    kind.Rebuild(b);
    kind.Bounds(b);
    kind.Font(b);
    kind.Color(b);
    kind.Text(b);
    ApplyStyle(b);
    kind.Items(b);
    kind.Selection(b);
    kind.State(b);
    b.widget->setEnabled(b.control->Enabled());
    kind.Visible(b);
}

void Core::Apply(Binding& b, ui::ModelChange what)
{
    if (what == ui::ModelChange::Paint && b.painting) return;
    Counter guard(applying_);
    const Kind& kind = *b.kind;
    switch (what) {
    case ui::ModelChange::Bounds: kind.Bounds(b); break;
    case ui::ModelChange::Visible: kind.Visible(b); break;
    case ui::ModelChange::Enabled: b.widget->setEnabled(b.control->Enabled()); break;
    case ui::ModelChange::Text: kind.Text(b); break;
    case ui::ModelChange::Font: kind.Font(b); break;
    case ui::ModelChange::Color: kind.Color(b); break;
    case ui::ModelChange::Items: kind.Items(b); break;
    case ui::ModelChange::Selection: kind.Selection(b); break;
    case ui::ModelChange::State: kind.State(b); break;
    case ui::ModelChange::Parent: {
        // The binding may be made anew (a form that became a window or stopped being one).
        ui::TControl& control = *b.control;
        ApplyParent(b);
        if (Binding* self = Find(control); self != nullptr && self->widget) Relayout(*self, what);
        return;
    }
    case ui::ModelChange::ZOrder:
        if (b.control->Parent() != nullptr) Restack(*b.control->Parent());
        break;
    case ui::ModelChange::Paint: break;
    case ui::ModelChange::Other: ApplyStyle(b); break;
    }
    kind.Changed(b);
    Relayout(b, what);
}

void Core::Relayout(Binding& b, ui::ModelChange what)
{
    if (what != ui::ModelChange::Bounds && what != ui::ModelChange::Visible && what != ui::ModelChange::Parent) return;
    if (ui::TWinControl* parent = b.control->Parent())
        if (Binding* pb = Find(*parent); pb != nullptr && pb->widget) pb->kind->ChildChanged(*pb);
    if (what != ui::ModelChange::Bounds) return;
    if (auto* container = ui::As<ui::TWinControl>(b.control))
        for (int i = 0; i < container->ControlCount(); ++i)
            if (Binding* child = Find(*container->Controls(i)); child != nullptr && child->widget)
                child->kind->ParentResized(*child);
}

void Core::ApplyStyle(Binding& b)
{
    const ui::TControl& c = *b.control;
    if (b.kind != &WindowKind()) b.widget->setToolTip(c.ShowHint() ? ToQt(c.Hint()) : QString());
    QWidget* face = b.kind->Face(b);
    face->setCursor(CursorShape(c.Cursor()).value_or(b.kind->OwnCursor(b)));
    b.kind->Style(b);
}

void Core::Refresh(ui::TControl& control, void (Kind::*apply)(Binding&) const)
{
    if (Binding* again = Find(control); again != nullptr && again->widget) {
        Counter guard(applying_);
        (again->kind->*apply)(*again);
    }
}

void Core::ApplyParent(Binding& b)
{
    ui::TControl& c = *b.control;
    const bool form = ui::Is<ui::TForm>(&c);
    if (form && (b.kind == &WindowKind()) != (c.Parent() == nullptr)) {
        // A form embedded in a window or taken out of it needs another kind of widget.
        Unbind(c);
        Adopt(c);
        return;
    }
    if (c.Parent() == nullptr) {
        if (b.kind != &WindowKind()) b.widget->hide();
        return;
    }
    Binding* pb = Ensure(*c.Parent());
    if (pb == nullptr) return;
    Binding* self = Find(c);
    if (self == nullptr || !self->widget) return;
    if (self->widget->parentWidget() != pb->client) self->widget->setParent(pb->client);
    self->widget->raise();
    self->kind->Bounds(*self);
    self->kind->Visible(*self);
}

void Core::Restack(const ui::TWinControl& parent)
{
    for (int i = 0; i < parent.ControlCount(); ++i)
        if (Binding* child = Find(*parent.Controls(i)); child != nullptr && child->widget) child->widget->raise();
}

// ------------------------------------------------------------------ widget -> model

void Core::FocusArrived(Binding& b)
{
    if (applying_ > 0) return;
    auto* win = ui::As<ui::TWinControl>(b.control);
    if (win == nullptr || b.kind == &WindowKind() || app_.FocusedControl() == win || !win->CanFocus()) return;
    Deliver(*win, [&] { driver_.Focus(*win); });
}

bool Core::eventFilter(QObject* watched, QEvent* event)
{
    Binding* found = FindWidget(watched);
    if (found == nullptr || !found->widget) return false;
    Binding& b = *found;
    ui::TControl& c = *b.control;
    switch (event->type()) {
    case QEvent::KeyPress: return RouteKey(b, *static_cast<QKeyEvent*>(event));
    case QEvent::FocusIn: FocusArrived(b); return false;
    case QEvent::Enter: Hover(&c); return false;
    case QEvent::Leave:
        // Over a part of the control that is a widget of Qt's own (a tree's scroll bar) it is not left.
        if (hovered_ == &c && !b.widget->underMouse()) Hover(nullptr);
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: return b.kind->Mouse(b, watched, *static_cast<QMouseEvent*>(event));
    case QEvent::ContextMenu: {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        if (c.PopupMenu() == nullptr || !LiveMenu(c.PopupMenu())) return false;
        ShowPopup(b, menuEvent->pos(), menuEvent->globalPos());
        return true;
    }
    default: return b.kind->Event(b, watched, *event);
    }
}

void Core::Hover(ui::TControl* control)
{
    ui::TControl* left = hoveredAlive_.expired() ? nullptr : hovered_;
    if (control == left) return;
    hovered_ = control;
    hoveredAlive_ = control != nullptr ? control->Liveness() : std::weak_ptr<void>();
    if (left != nullptr) Deliver(*left, [&] { driver_.MouseLeave(*left); });
    if (control != nullptr && !hoveredAlive_.expired()) Deliver(*control, [&] { driver_.MouseEnter(*control); });
}

bool Core::RouteMouse(Binding& b, QMouseEvent& mouse, bool windowClicks)
{
    ui::TControl& c = *b.control;
    const QPoint at = mouse.position().toPoint();
    ui::TShiftState shift = ShiftState(mouse.modifiers(), mouse.buttons());
    const auto button = MouseButton(mouse.button());
    switch (mouse.type()) {
    case QEvent::MouseMove: {
        const std::weak_ptr<void> alive = c.Liveness();
        if (mouse.buttons() == Qt::NoButton) Hover(&c);
        if (!alive.expired()) Deliver(c, [&] { driver_.MouseMove(c, shift, at.x(), at.y()); });
        return true;
    }
    case QEvent::MouseButtonDblClick:
        shift.Include(ui::ssDouble);
        if (button)
            if (!Deliver(c, [&] { driver_.MouseDown(c, *button, shift, at.x(), at.y()); })) return true;
        Deliver(c, [&] { driver_.DblClick(c); });
        return true;
    case QEvent::MouseButtonPress:
        if (!button) return true;
        if (Deliver(c, [&] { driver_.MouseDown(c, *button, shift, at.x(), at.y()); })) b.pressed = true;
        return true;
    case QEvent::MouseButtonRelease: {
        if (!button) return true;
        const bool pressed = std::exchange(b.pressed, false);
        if (!Deliver(c, [&] { driver_.MouseUp(c, *button, shift, at.x(), at.y()); })) return true;
        const bool inside = at.x() >= 0 && at.y() >= 0 && at.x() < c.Width() && at.y() < c.Height();
        if (pressed && inside && *button == ui::mbLeft && windowClicks) Deliver(c, [&] { driver_.Click(c); });
        return true;
    }
    default: return false;
    }
}

namespace {

// The character of a key pressed with Alt, lower-cased; 0 for a key that is no letter or digit. Qt gives
// the text, or else the key's code, which for a letter is its upper-case character.
char32_t AcceleratorChar(const QKeyEvent& event)
{
    const QString text = event.text();
    if (!text.isEmpty() && text.at(0).isLetterOrNumber()) return text.toLower().toUcs4().value(0);
    const int key = event.key();
    if (key < 0x20 || key > 0xFFFF || !QChar(key).isLetterOrNumber()) return 0;
    return QChar(key).toLower().unicode();
}

}  // namespace

bool Core::PressAccelerator(ui::TWinControl& control, const QKeyEvent& event)
{
    const char32_t ch = AcceleratorChar(event);
    ui::TForm* form = control.TopForm();
    if (ch == 0 || form == nullptr) return false;
    bool taken = false;
    const Counter moving(movingFocusByKey_);
    Deliver(control, [&] { taken = driver_.PressAccelerator(*form, ch); });
    return taken;
}

bool Core::RouteKey(Binding& b, QKeyEvent& event)
{
    auto* win = ui::As<ui::TWinControl>(b.control);
    if (win == nullptr) return false;
    const int key = event.key();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const bool command = (modifiers & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    const ui::TShiftState shift = ShiftState(modifiers);
    const Kind& kind = *b.kind;
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && (modifiers & Qt::ControlModifier) == 0) {
        // A memo keeps its own Tab. Elsewhere the model's tab order decides: a radio group is one stop.
        if (ui::Is<ui::TMemo>(win)) return false;
        ui::TShiftState tab = shift;
        if (key == Qt::Key_Backtab) tab.Include(ui::ssShift);
        const Counter moving(movingFocusByKey_);
        Deliver(*win, [&] { driver_.PressKey(*win, ui::VK_TAB, tab); });
        return true;
    }
    if ((modifiers & Qt::AltModifier) != 0 && (modifiers & Qt::ControlModifier) == 0 && PressAccelerator(*win, event))
        return true;

    if (!command) {
        if (const std::optional<bool> taken = kind.PlainKey(b, key, shift)) return *taken;
        char32_t typed = 0;
        if (key == Qt::Key_Backspace) typed = U'\b';
        else if (key == Qt::Key_Return || key == Qt::Key_Enter) typed = U'\r';
        else if (key == Qt::Key_Escape) typed = U'\x1b';
        if (typed != 0) {
            Deliver(*win, [&] { driver_.TypeChar(*win, typed); });
            return true;
        }
        const QString text = event.text();
        if (!text.isEmpty() && text.at(0).isPrint()) {
            for (const char32_t ch : text.toUcs4())
                if (!Deliver(*win, [&] { driver_.TypeChar(*win, ch); })) break;
            return true;
        }
    }
    if (kind.CommandKey(b, event)) return true;
    const std::uint16_t vk = VirtualKey(key);
    if (vk == 0) return false;
    std::optional<Counter> moving;
    if (vk == ui::VK_UP || vk == ui::VK_DOWN || vk == ui::VK_LEFT || vk == ui::VK_RIGHT) moving.emplace(movingFocusByKey_);
    if (!Deliver(*win, [&] { driver_.PressKey(*win, vk, shift); })) return true;
    Binding* again = Find(*win);
    if (again == nullptr || !again->widget) return true;
    return again->kind->AfterKey(*again, key, command);
}

}  // namespace gui::mirror
