#include "gui/Mirror.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QComboBox>
#include <qdrawutil.h>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWheelEvent>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <utility>
#include <string>
#include <typeinfo>
#include <unordered_map>

#include "gui/Convert.h"
#include "kit/KitCommon.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"
#include "ui/Application.h"
#include "ui/Canvas.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Grids.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "ui/SystemColors.h"

namespace gui {

namespace {

// A surface that shows what a callback paints (the painted controls and the status bar).
class PaintedWidget : public QWidget {
public:
    PaintedWidget(QWidget* parent, std::function<void(QWidget&, QPainter&)> paint)
        : QWidget(parent), paint_(std::move(paint))
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paint_(*this, painter);
    }

private:
    std::function<void(QWidget&, QPainter&)> paint_;
};

// A combo box that tells when its list opens and closes (the model's OnDropDown may fill the list).
class ComboWidget : public QComboBox {
public:
    ComboWidget(QWidget* parent, std::function<void(ComboWidget&, bool)> dropped)
        : QComboBox(parent), dropped_(std::move(dropped))
    {
    }
    void showPopup() override
    {
        QPointer<ComboWidget> self(this);
        dropped_(*this, true);
        if (self) QComboBox::showPopup();
    }
    void hidePopup() override
    {
        QComboBox::hidePopup();
        dropped_(*this, false);
    }

private:
    std::function<void(ComboWidget&, bool)> dropped_;
};

template <class T>
bool Exactly(const ui::TControl& c)
{
    return typeid(c) == typeid(T);
}

// Painted controls of ui/ itself are clicked by the window system when the button goes up over them;
// any other painted control (the kit's) reads the mouse and clicks itself.
bool WindowSystemClicks(const ui::TControl& c)
{
    const bool painted = ui::Is<ui::TCustomControl>(&c) || ui::Is<ui::TGraphicControl>(&c);
    if (!painted) return true;
    return Exactly<ui::TPanel>(c) || Exactly<ui::TGroupBox>(c) || Exactly<ui::TStringGrid>(c) ||
           Exactly<ui::TLabel>(c) || Exactly<ui::TImage>(c) || Exactly<ui::TCustomControl>(c) ||
           Exactly<ui::TGraphicControl>(c);
}

const ui::TTreeNode* KeyOf(const QTreeWidgetItem* item)
{
    return item ? reinterpret_cast<const ui::TTreeNode*>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

// The node, when it is still one of the tree's (an item may outlive its node until the next sync).
ui::TTreeNode* LiveNode(const ui::TTreeView& tree, const ui::TTreeNode* key)
{
    if (key == nullptr) return nullptr;
    for (ui::TTreeNode* n = tree.Items().GetFirstNode(); n != nullptr; n = n->GetNext())
        if (n == key) return n;
    return nullptr;
}

// A memo's text as the widget shows it: lines joined by "\n" where the model has CR LF.
int MemoModelToWidget(std::u32string_view model, int index)
{
    int shown = 0;
    for (int i = 0; i < index && i < static_cast<int>(model.size()); ++i) {
        if (model[static_cast<std::size_t>(i)] == U'\r' && i + 1 < static_cast<int>(model.size()) &&
            model[static_cast<std::size_t>(i) + 1] == U'\n')
            continue;
        ++shown;
    }
    return shown;
}

int MemoWidgetToModel(std::u32string_view model, int shown)
{
    int i = 0;
    for (int count = 0; i < static_cast<int>(model.size()) && count < shown; ++count) {
        const bool crlf = model[static_cast<std::size_t>(i)] == U'\r' && i + 1 < static_cast<int>(model.size()) &&
                          model[static_cast<std::size_t>(i) + 1] == U'\n';
        i += crlf ? 2 : 1;
    }
    return i;
}

QString MemoShown(const ui::TMemo& memo) { return ToQt(memo.Lines().Join("\n")); }

std::optional<QString> ResourceFile(const std::string& name)
{
    if (name.empty()) return std::nullopt;
    std::filesystem::path folder;
    try {
        folder = platform::ProgramFolder() / "resources";
    } catch (const std::exception&) {
        return std::nullopt;
    }
    for (const char* ext : {"", ".png", ".bmp", ".ico"}) {
        const QString path = ToQt((folder / (name + ext)).string());
        if (QFile::exists(path)) return path;
    }
    return std::nullopt;
}

void DrawBevels(ui::Canvas& canvas, ui::TRect& rect, ui::TBevelCut cut)
{
    if (cut == ui::bvNone || cut == ui::bvSpace) return;
    const bool raised = cut == ui::bvRaised;
    rect = DrawBevel(canvas, rect, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight, 1,
                     sdAllSides);
}

void DrawPanelLook(const ui::TPanel& panel, ui::Canvas& canvas)
{
    ui::TRect rect = ui::Rect(0, 0, canvas.width(), canvas.height());
    DrawBevels(canvas, rect, panel.BevelOuter());
    DrawBevels(canvas, rect, panel.BevelInner());
    if (panel.Caption().empty()) return;
    canvas.brush = ui::Brush::Clear();
    const unsigned align = panel.Alignment() == ui::taCenter       ? ui::tfCenter
                           : panel.Alignment() == ui::taRightJustify ? ui::tfRight
                                                                     : ui::tfLeft;
    canvas.drawText(rect, panel.Caption(), align | ui::tfVCenter | ui::tfSingleLine | ui::tfEndEllipsis);
}

void DrawGroupBoxLook(const ui::TGroupBox& box, ui::Canvas& canvas)
{
    const int textHeight = canvas.fontMetrics().height;
    const ui::TRect frame = ui::Rect(0, textHeight / 2, canvas.width(), canvas.height());
    DrawBevel(canvas, frame, clBtnShadow, clBtnHighlight, 1, sdAllSides);
    DrawBevel(canvas, frame.Shrink(1), clBtnHighlight, clBtnShadow, 1, sdAllSides);
    if (box.Caption().empty()) return;
    ui::TRect text = ui::Rect(8, 0, canvas.width() - 8, textHeight);
    canvas.drawText(text, box.Caption(), ui::tfSingleLine | ui::tfCalcRect);
    text = ui::Rect(6, 0, std::min(canvas.width() - 6, text.Right + 2), textHeight);
    canvas.brush = ui::Brush::Solid(box.Color());
    canvas.fillRect(text);
    canvas.brush = ui::Brush::Clear();
    text.Left += 2;
    canvas.drawText(text, box.Caption(), ui::tfSingleLine | ui::tfEndEllipsis);
}

// The grid's own drawing under the OnDrawCell handlers: cell colours, texts and lines.
void DrawGridLook(const ui::TStringGrid& grid, ui::Canvas& canvas)
{
    const int line = grid.GridLineWidth();
    const ui::TGridOptions options = grid.Options();
    for (int r = 0; r < grid.RowCount(); ++r) {
        for (int c = 0; c < grid.ColCount(); ++c) {
            const ui::TRect rect = grid.CellRect(c, r);
            if (rect.IsEmpty()) continue;
            const bool fixed = c < grid.FixedCols() || r < grid.FixedRows();
            const bool selected =
                !fixed && r == grid.Row() && (c == grid.Col() || options.Contains(ui::goRowSelect));
            if (grid.DefaultDrawing()) {
                canvas.brush = ui::Brush::Solid(fixed ? clBtnFace : selected ? clHighlight : grid.Color());
                canvas.fillRect(rect);
                canvas.brush = ui::Brush::Clear();
                canvas.font.color = selected ? clHighlightText : grid.Font().Color();
                canvas.textRect(rect, rect.Left + 2, rect.Top + 2, grid.Cells(c, r));
            }
            if (line <= 0) continue;
            const bool vertical = options.Contains(fixed ? ui::goFixedVertLine : ui::goVertLine);
            const bool horizontal = options.Contains(fixed ? ui::goFixedHorzLine : ui::goHorzLine);
            canvas.brush = ui::Brush::Solid(fixed ? clBtnShadow : clSilver);
            if (vertical) canvas.fillRect(ui::Rect(rect.Right, rect.Top, rect.Right + line, rect.Bottom + line));
            if (horizontal) canvas.fillRect(ui::Rect(rect.Left, rect.Bottom, rect.Right + line, rect.Bottom + line));
        }
    }
    canvas.font.color = grid.Font().Color();
}

bool IsNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: return true;
    default: return false;
    }
}

class Counter {
public:
    explicit Counter(int& n) : n_(n) { ++n_; }
    ~Counter() { --n_; }
    Counter(const Counter&) = delete;
    Counter& operator=(const Counter&) = delete;

private:
    int& n_;
};

}  // namespace

struct Mirror::Binding {
    ui::TControl* control = nullptr;
    Kind kind = Kind::Surface;
    QPointer<QWidget> widget;  // placed in the parent's client, or the window of a top-level form
    QPointer<QWidget> client;  // where the children go
    QPointer<QMenuBar> menuBar;
    std::vector<QPointer<QObject>> registered;
    // The receiver of the widget's signal connections: they end with the binding.
    std::unique_ptr<QObject> context = std::make_unique<QObject>();
    // Tree views: the item of every node as last synced (nodes are identities only, never read
    // through these keys).
    std::unordered_map<const ui::TTreeNode*, QTreeWidgetItem*> items;
    const ui::TTreeNode* appliedTop = nullptr;
    // Top-level forms: the action of every menu item and the child count it was built with.
    std::unordered_map<const ui::TMenuItem*, std::pair<QPointer<QAction>, int>> actions;
    bool treeDirty = false;
    bool placed = false;
    bool painting = false;
    bool paintFailed = false;
    bool pressed = false;
};

template <class F>
bool Mirror::Deliver(const ui::TControl& control, F&& action)
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

Mirror::Mirror(ui::Application& app) : app_(app), driver_(app)
{
    app_.SetObserver(this);
}

Mirror::~Mirror()
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

// ------------------------------------------------------------------ bindings

Mirror::Binding* Mirror::Find(const ui::TControl& control) const
{
    const auto it = bindings_.find(&control);
    return it == bindings_.end() ? nullptr : it->second.get();
}

ui::TControl* Mirror::Control(const QObject* widget) const
{
    const auto it = byWidget_.find(widget);
    return it == byWidget_.end() ? nullptr : it->second->control;
}

QWidget* Mirror::Widget(const ui::TControl& control)
{
    Binding* b = Ensure(const_cast<ui::TControl&>(control));
    return b ? b->widget.data() : nullptr;
}

Mirror::Binding* Mirror::Ensure(ui::TControl& control)
{
    if (Binding* b = Find(control)) {
        if (b->widget) return b;
        Unbind(control);
    }
    return Create(control);
}

void Mirror::Adopt(ui::TControl& control)
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
        dirtyMenus_.insert(form);
        ScheduleFlush();
    }
    if (auto* container = ui::As<ui::TWinControl>(&control))
        for (int i = 0; i < container->ControlCount(); ++i) Adopt(*container->Controls(i));
}

Mirror::Binding* Mirror::Create(ui::TControl& control)
{
    QWidget* parent = nullptr;
    if (control.Parent() != nullptr) {
        Binding* pb = Ensure(*control.Parent());
        if (pb == nullptr) return nullptr;
        parent = pb->client;
    } else if (!ui::Is<ui::TForm>(&control)) {
        return nullptr;
    }

    auto owned = std::make_unique<Binding>();
    Binding& b = *owned;
    b.control = &control;
    const auto paint = [this](QWidget& w, QPainter& p) {
        const auto it = byWidget_.find(&w);
        if (it == byWidget_.end()) return;
        if (it->second->kind == Kind::StatusBar) PaintStatusBar(*it->second, p);
        else Paint(*it->second, p);
    };
    QWidget* w = nullptr;
    using ui::Is;
    if (Is<ui::TForm>(&control) && parent == nullptr) {
        b.kind = Kind::Window;
        w = new QWidget(nullptr, Qt::Window);
        b.client = new QWidget(w);
        b.client->setAutoFillBackground(true);
        b.client->setFocusPolicy(Qt::NoFocus);
    } else if (Is<ui::TForm>(&control)) {
        b.kind = Kind::Surface;
    } else if (Is<ui::TStringGrid>(&control) || Is<ui::TPanel>(&control) || Is<ui::TGroupBox>(&control)) {
        b.kind = Kind::Painted;
    } else if (Exactly<ui::TLabel>(control)) {
        b.kind = Kind::Label;
    } else if (Exactly<ui::TImage>(control)) {
        b.kind = Kind::Image;
    } else if (Exactly<ui::TToolButton>(control) || Exactly<ui::TSpeedButton>(control)) {
        b.kind = Kind::ToolButton;
    } else if (Is<ui::TCustomControl>(&control) || Is<ui::TGraphicControl>(&control)) {
        b.kind = Kind::Painted;
    } else if (Is<ui::TMemo>(&control)) {
        b.kind = Kind::Memo;
    } else if (Is<ui::TCustomEdit>(&control)) {
        b.kind = Kind::Edit;
    } else if (Is<ui::TCheckBox>(&control)) {
        b.kind = Kind::Check;
    } else if (Is<ui::TRadioButton>(&control)) {
        b.kind = Kind::Radio;
    } else if (Is<ui::TButton>(&control)) {
        b.kind = Kind::Button;
    } else if (Is<ui::TCustomCombo>(&control)) {
        b.kind = Kind::Combo;
    } else if (Is<ui::TListBox>(&control)) {
        b.kind = Kind::ListBox;
    } else if (Is<ui::TTreeView>(&control)) {
        b.kind = Kind::Tree;
    } else if (Is<ui::TListView>(&control)) {
        b.kind = Kind::ListView;
    } else if (Is<ui::TStatusBar>(&control)) {
        b.kind = Kind::StatusBar;
    } else if (Is<ui::TProgressBar>(&control)) {
        b.kind = Kind::Progress;
    }

    if (w == nullptr) {
        switch (b.kind) {
        case Kind::Window:
        case Kind::Surface: w = new QWidget(parent); w->setAutoFillBackground(true); break;
        case Kind::Painted:
        case Kind::StatusBar: w = new PaintedWidget(parent, paint); w->setMouseTracking(true); break;
        case Kind::Label:
        case Kind::Image: w = new QLabel(parent); break;
        case Kind::Edit: w = new QLineEdit(parent); break;
        case Kind::Memo: w = new QPlainTextEdit(parent); break;
        case Kind::Button: {
            auto* button = new QPushButton(parent);
            button->setAutoDefault(false);
            w = button;
            break;
        }
        case Kind::Check: w = new QCheckBox(parent); break;
        case Kind::Radio: {
            auto* radio = new QRadioButton(parent);
            radio->setAutoExclusive(false);
            w = radio;
            break;
        }
        case Kind::Combo:
            w = new ComboWidget(parent, [this](ComboWidget& combo, bool open) {
                ui::TControl* c = Control(&combo);
                if (c == nullptr || applying_ > 0) return;
                Deliver(*c, [&] { driver_.DropDown(static_cast<ui::TCustomCombo&>(*c), open); });
            });
            break;
        case Kind::ListBox: w = new QListWidget(parent); break;
        case Kind::Tree:
        case Kind::ListView: {
            auto* tree = new QTreeWidget(parent);
            tree->setHeaderHidden(b.kind == Kind::Tree);
            tree->setColumnCount(1);
            tree->setUniformRowHeights(true);
            w = tree;
            break;
        }
        case Kind::Progress: {
            auto* bar = new QProgressBar(parent);
            bar->setTextVisible(false);
            w = bar;
            break;
        }
        case Kind::ToolButton: {
            auto* button = new QToolButton(parent);
            button->setAutoRaise(true);
            button->setFocusPolicy(Qt::NoFocus);
            w = button;
            break;
        }
        }
    }
    if (!b.client) b.client = w;
    b.widget = w;
    bindings_[&control] = std::move(owned);
    Register(b, w);
    if (b.client != w) Register(b, b.client);
    if (auto* scroll = qobject_cast<QAbstractScrollArea*>(w)) Register(b, scroll->viewport());
    Connect(b);
    FullSync(b);
    return &b;
}

void Mirror::Register(Binding& b, QWidget* widget)
{
    if (widget == nullptr || byWidget_.count(widget) != 0) return;
    byWidget_[widget] = &b;
    b.registered.emplace_back(widget);
    widget->installEventFilter(this);
    connect(widget, &QObject::destroyed, this, [this](QObject* gone) { byWidget_.erase(gone); });
}

void Mirror::Unbind(const ui::TControl& control)
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

void Mirror::Retire(QWidget* widget)
{
    if (widget == nullptr) return;
    widget->hide();
    retired_.emplace_back(widget);
    ScheduleFlush();
}

void Mirror::ScheduleFlush()
{
    if (flushScheduled_) return;
    flushScheduled_ = true;
    QTimer::singleShot(0, this, [this] { Flush(); });
}

void Mirror::Flush()
{
    flushScheduled_ = false;
    std::vector<const ui::TControl*> trees;
    trees.swap(dirtyTrees_);
    for (const ui::TControl* c : trees)
        if (Binding* b = Find(*c); b != nullptr && b->treeDirty && b->widget) SyncTree(*b);
    // A menu bar is made anew only when no menu of it can be on the stack.
    if (inputDepth_ > 0) {
        if (!dirtyMenus_.empty() || !retired_.empty()) ScheduleFlush();
        return;
    }
    std::unordered_set<const ui::TControl*> menus;
    menus.swap(dirtyMenus_);
    for (const ui::TControl* c : menus)
        if (Binding* b = Find(*c); b != nullptr && b->kind == Kind::Window && b->widget) RebuildMenu(*b);
    std::vector<QPointer<QWidget>> doomed;
    doomed.swap(retired_);
    for (const QPointer<QWidget>& w : doomed) delete w.data();
}

// ------------------------------------------------------------------ model observer

void Mirror::ComponentCreated(ui::TComponent& component)
{
    if (auto* menu = ui::As<ui::TMenu>(&component)) {
        liveMenus_.insert(menu);
        if (auto* form = ui::As<ui::TForm>(menu->Owner())) {
            dirtyMenus_.insert(form);
            ScheduleFlush();
        }
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

void Mirror::ComponentDestroying(ui::TComponent& component)
{
    if (auto* menu = ui::As<ui::TMenu>(&component)) {
        liveMenus_.erase(menu);
        for (auto& [control, b] : bindings_)
            if (b->kind == Kind::Window) {
                b->actions.clear();
                dirtyMenus_.insert(control);
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
            dirtyMenus_.insert(control);
            ScheduleFlush();
        }
        return;
    }
    if (auto* control = ui::As<ui::TControl>(&component)) Unbind(*control);
}

void Mirror::ControlChanged(ui::TControl& control, ui::ModelChange what)
{
    Binding* b = Find(control);
    if (b == nullptr || !b->widget) {
        if (what == ui::ModelChange::Parent && control.Parent() != nullptr) Ensure(control);
        else if (b != nullptr) Ensure(control);
        return;
    }
    Apply(*b, what);
}

void Mirror::MenuItemChanged(ui::TMenuItem& item)
{
    ui::TMenu* menu = item.GetParentMenu();
    if (menu == nullptr || liveMenus_.count(menu) == 0) return;
    auto* form = ui::As<ui::TForm>(menu->Owner());
    if (form == nullptr || form->Menu() != menu) return;
    Binding* b = Find(*form);
    if (b == nullptr || b->kind != Kind::Window) return;
    const auto it = b->actions.find(&item);
    if (it == b->actions.end() || !it->second.first || it->second.second != item.Count()) {
        dirtyMenus_.insert(form);
        ScheduleFlush();
        return;
    }
    QAction* action = it->second.first;
    QString text = ToQt(item.Caption());
    if (item.ShortCut() != 0) text += QLatin1Char('\t') + ToQt(ui::ShortCutToText(item.ShortCut()));
    action->setText(text);
    action->setEnabled(item.Enabled());
    action->setVisible(item.Visible());
    action->setCheckable(item.Checked() || item.AutoCheck() || item.RadioItem());
    action->setChecked(item.Checked());
}

void Mirror::ModalStarted(ui::TForm& form)
{
    Binding* b = Find(form);
    if (b == nullptr || b->kind != Kind::Window || !b->widget) return;
    if (b->widget->windowModality() == Qt::ApplicationModal) return;
    Counter guard(applying_);
    const bool shown = b->widget->isVisible();
    b->widget->hide();
    b->widget->setWindowModality(Qt::ApplicationModal);
    if (shown) b->widget->show();
}

void Mirror::ModalEnded(ui::TForm& form)
{
    Binding* b = Find(form);
    if (b == nullptr || b->kind != Kind::Window || !b->widget || b->widget->isVisible()) return;
    b->widget->setWindowModality(Qt::NonModal);
}

void Mirror::FocusChanged(ui::TWinControl* focused)
{
    if (focused == nullptr) return;
    Binding* b = Find(*focused);
    if (b == nullptr || !b->widget || b->kind == Kind::Window) return;
    Counter guard(applying_);
    b->widget->setFocus(Qt::OtherFocusReason);
}

void Mirror::ScreenCursorChanged(ui::TCursor cursor)
{
    if (overrideCursor_) QApplication::restoreOverrideCursor();
    overrideCursor_ = false;
    if (const auto shape = CursorShape(cursor)) {
        QApplication::setOverrideCursor(QCursor(*shape));
        overrideCursor_ = true;
    }
}

// ------------------------------------------------------------------ model -> widget

void Mirror::FullSync(Binding& b)
{
    Counter guard(applying_);
    if (b.kind == Kind::Window) RebuildMenu(b);
    ApplyBounds(b);
    ApplyFont(b);
    ApplyColor(b);
    ApplyText(b);
    ApplyOther(b);
    ApplyItems(b);
    ApplySelection(b);
    ApplyState(b);
    b.widget->setEnabled(b.control->Enabled());
    ApplyVisible(b);
}

void Mirror::Apply(Binding& b, ui::ModelChange what)
{
    if (what == ui::ModelChange::Paint && b.painting) return;
    Counter guard(applying_);
    switch (what) {
    case ui::ModelChange::Bounds: ApplyBounds(b); break;
    case ui::ModelChange::Visible: ApplyVisible(b); break;
    case ui::ModelChange::Enabled: b.widget->setEnabled(b.control->Enabled()); break;
    case ui::ModelChange::Text: ApplyText(b); break;
    case ui::ModelChange::Font: ApplyFont(b); break;
    case ui::ModelChange::Color: ApplyColor(b); break;
    case ui::ModelChange::Items: ApplyItems(b); break;
    case ui::ModelChange::Selection: ApplySelection(b); break;
    case ui::ModelChange::State: ApplyState(b); break;
    case ui::ModelChange::Parent: ApplyParent(b); return;
    case ui::ModelChange::ZOrder:
        if (b.control->Parent() != nullptr) Restack(*b.control->Parent());
        break;
    case ui::ModelChange::Paint: break;
    case ui::ModelChange::Other: ApplyOther(b); break;
    }
    if (b.kind == Kind::Painted || b.kind == Kind::StatusBar) b.widget->update();
}

void Mirror::ApplyParent(Binding& b)
{
    ui::TControl& c = *b.control;
    const bool form = ui::Is<ui::TForm>(&c);
    if (form && (b.kind == Kind::Window) != (c.Parent() == nullptr)) {
        // A form embedded in a window or taken out of it needs another kind of widget.
        Unbind(c);
        Adopt(c);
        return;
    }
    if (c.Parent() == nullptr) {
        if (b.kind != Kind::Window) b.widget->hide();
        return;
    }
    Binding* pb = Ensure(*c.Parent());
    if (pb == nullptr) return;
    Binding* self = Find(c);
    if (self == nullptr || !self->widget) return;
    if (self->widget->parentWidget() != pb->client) self->widget->setParent(pb->client);
    self->widget->raise();
    ApplyBounds(*self);
    ApplyVisible(*self);
}

void Mirror::Restack(const ui::TWinControl& parent)
{
    for (int i = 0; i < parent.ControlCount(); ++i)
        if (Binding* child = Find(*parent.Controls(i)); child != nullptr && child->widget) child->widget->raise();
}

void Mirror::ApplyBounds(Binding& b)
{
    const ui::TControl& c = *b.control;
    if (b.kind != Kind::Window) {
        b.widget->setGeometry(c.Left(), c.Top(), c.Width(), c.Height());
        if (b.kind == Kind::ToolButton) ApplyToolButton(b);
        return;
    }
    const auto& form = static_cast<const ui::TForm&>(c);
    const int menuHeight = b.menuBar && !b.menuBar->isHidden() ? b.menuBar->sizeHint().height() : 0;
    const QSize size(c.Width(), c.Height() + menuHeight);
    if (form.BorderStyle() == ui::bsSizeable || form.BorderStyle() == ui::bsSizeToolWin) {
        b.widget->setMinimumSize(0, 0);
        b.widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        b.widget->resize(size);
    } else {
        b.widget->setFixedSize(size);
    }
    if (b.menuBar) b.menuBar->setGeometry(0, 0, c.Width(), menuHeight);
    b.client->setGeometry(0, menuHeight, c.Width(), c.Height());
    if (form.Position() == ui::poDesigned) b.widget->move(c.Left(), c.Top());
}

void Mirror::ApplyVisible(Binding& b)
{
    const ui::TControl& c = *b.control;
    if (b.kind != Kind::Window) {
        bool visible = c.Visible() && c.Parent() != nullptr;
        if (const auto* tool = ui::As<ui::TToolButton>(&c))
            visible = visible && tool->Style() != ui::tbsSeparator && tool->Style() != ui::tbsDivider;
        b.widget->setVisible(visible);
        return;
    }
    const auto& form = static_cast<const ui::TForm&>(c);
    QWidget& window = *b.widget;
    if (!c.Visible()) {
        window.hide();
        return;
    }
    if (!window.isVisible()) {
        window.setWindowModality(form.Modal() ? Qt::ApplicationModal : Qt::NonModal);
        if (!b.placed && form.Position() != ui::poDesigned) {
            QRect area = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1024, 768);
            const bool overMain = form.Position() == ui::poMainFormCenter || form.Position() == ui::poOwnerFormCenter;
            if (ui::TForm* main = app_.MainForm(); overMain && main != nullptr && main != &form)
                if (Binding* mb = Find(*main); mb != nullptr && mb->widget && mb->widget->isVisible())
                    area = mb->widget->frameGeometry();
            const QRect frame(QPoint(0, 0), window.size());
            window.move(area.center() - frame.center());
        }
        b.placed = true;
        window.show();
    }
    // Platforms without a window stack (offscreen) have nothing to raise.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        window.raise();
        window.activateWindow();
    }
}

void Mirror::ApplyText(Binding& b)
{
    const ui::TControl& c = *b.control;
    switch (b.kind) {
    case Kind::Window: b.widget->setWindowTitle(ToQt(c.Caption())); break;
    case Kind::Label: static_cast<QLabel*>(b.widget.data())->setText(WithoutAccelerators(c.Caption())); break;
    case Kind::Button:
    case Kind::Check:
    case Kind::Radio: static_cast<QAbstractButton*>(b.widget.data())->setText(ToQt(c.Caption())); break;
    case Kind::ToolButton: ApplyToolButton(b); break;
    case Kind::Edit: {
        auto* edit = static_cast<QLineEdit*>(b.widget.data());
        const auto* mask = ui::As<ui::TMaskEdit>(&c);
        const QString text = ToQt(mask != nullptr && !mask->EditMask().empty() ? mask->EditText() : c.Text());
        if (edit->text() != text) edit->setText(text);
        ApplyEditSelection(b);
        break;
    }
    case Kind::Memo: {
        auto* memo = static_cast<QPlainTextEdit*>(b.widget.data());
        const QString text = MemoShown(static_cast<const ui::TMemo&>(c));
        if (memo->toPlainText() != text) memo->setPlainText(text);
        ApplyEditSelection(b);
        break;
    }
    case Kind::Combo: {
        auto* combo = static_cast<QComboBox*>(b.widget.data());
        if (combo->isEditable() && combo->currentText() != ToQt(c.Text())) combo->setEditText(ToQt(c.Text()));
        break;
    }
    default: break;
    }
}

void Mirror::ApplyFont(Binding& b)
{
    const ui::TControl& c = *b.control;
    QWidget* target = b.kind == Kind::Window ? b.client.data() : b.widget.data();
    target->setFont(ToQFont(c.Font()));
    QPalette palette = target->palette();
    const QColor color = ToQColor(c.Font().Color());
    // The disabled group keeps the style's grey: a disabled control's text looks disabled whatever
    // colour its font has, as on the desktop the program was made for.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) palette.setColor(group, role, color);
    target->setPalette(palette);
    if (b.kind == Kind::ToolButton) ApplyToolButton(b);
}

void Mirror::ApplyColor(Binding& b)
{
    const ui::TControl& c = *b.control;
    QWidget* target = b.kind == Kind::Window ? b.client.data() : b.widget.data();
    QPalette palette = target->palette();
    const QColor color = ToQColor(c.Color());
    switch (b.kind) {
    case Kind::Window:
    case Kind::Surface: palette.setColor(QPalette::Window, color); break;
    case Kind::Edit:
    case Kind::Memo:
    case Kind::Combo:
    case Kind::ListBox:
    case Kind::Tree:
    case Kind::ListView: palette.setColor(QPalette::Base, color); break;
    case Kind::Label: {
        const auto& label = static_cast<const ui::TLabel&>(c);
        const bool filled = !label.Transparent() && !label.ParentColor() && c.Color() != clBtnFace;
        target->setAutoFillBackground(filled);
        palette.setColor(QPalette::Window, color);
        break;
    }
    default: return;
    }
    target->setPalette(palette);
}

void Mirror::ApplyItems(Binding& b)
{
    const ui::TControl& c = *b.control;
    switch (b.kind) {
    case Kind::Combo: {
        auto* combo = static_cast<QComboBox*>(b.widget.data());
        const ui::TStrings& items = static_cast<const ui::TCustomCombo&>(c).Items();
        QSignalBlocker block(combo);
        const QString text = combo->currentText();
        combo->clear();
        for (int i = 0; i < items.Count(); ++i) combo->addItem(ToQt(items[i]));
        if (combo->isEditable()) combo->setEditText(text);
        ApplySelection(b);
        break;
    }
    case Kind::ListBox: {
        auto* list = static_cast<QListWidget*>(b.widget.data());
        const ui::TStrings& items = static_cast<const ui::TListBox&>(c).Items();
        QSignalBlocker block(list);
        list->clear();
        for (int i = 0; i < items.Count(); ++i) list->addItem(ToQt(items[i]));
        ApplySelection(b);
        break;
    }
    case Kind::Tree: MarkTreeDirty(b); break;
    case Kind::ListView: SyncListView(b); break;
    case Kind::Memo: ApplyText(b); break;
    default: break;
    }
}

void Mirror::ApplySelection(Binding& b)
{
    const ui::TControl& c = *b.control;
    switch (b.kind) {
    case Kind::Edit:
    case Kind::Memo: ApplyEditSelection(b); break;
    case Kind::Combo: {
        auto* combo = static_cast<QComboBox*>(b.widget.data());
        QSignalBlocker block(combo);
        combo->setCurrentIndex(static_cast<const ui::TCustomCombo&>(c).ItemIndex());
        if (combo->isEditable()) combo->setEditText(ToQt(c.Text()));
        break;
    }
    case Kind::ListBox: {
        auto* list = static_cast<QListWidget*>(b.widget.data());
        QSignalBlocker block(list);
        const int index = static_cast<const ui::TListBox&>(c).ItemIndex();
        list->setCurrentRow(index);
        if (index < 0) list->clearSelection();
        break;
    }
    case Kind::Tree:
        if (!b.treeDirty) ApplyTreeSelection(b);
        break;
    case Kind::ListView: {
        auto* view = static_cast<QTreeWidget*>(b.widget.data());
        QSignalBlocker block(view);
        view->setCurrentItem(view->topLevelItem(static_cast<const ui::TListView&>(c).ItemIndex()));
        break;
    }
    default: break;
    }
}

void Mirror::ApplyEditSelection(Binding& b)
{
    const auto& edit = static_cast<const ui::TCustomEdit&>(*b.control);
    if (b.kind == Kind::Edit) {
        auto* line = static_cast<QLineEdit*>(b.widget.data());
        QSignalBlocker block(line);
        const QString text = line->text();
        const int start = ModelToQtIndex(text, edit.SelStart());
        const int end = ModelToQtIndex(text, edit.SelStart() + edit.SelLength());
        if (end > start) line->setSelection(start, end - start);
        else line->setCursorPosition(start);
        return;
    }
    auto* memo = static_cast<QPlainTextEdit*>(b.widget.data());
    QSignalBlocker block(memo);
    const std::u32string model = platform::DecodeUtf8(edit.Text());
    const QString shown = memo->toPlainText();
    const int start = ModelToQtIndex(shown, MemoModelToWidget(model, edit.SelStart()));
    const int end = ModelToQtIndex(shown, MemoModelToWidget(model, edit.SelStart() + edit.SelLength()));
    QTextCursor cursor = memo->textCursor();
    cursor.setPosition(start);
    if (end > start) cursor.setPosition(end, QTextCursor::KeepAnchor);
    memo->setTextCursor(cursor);
}

void Mirror::ApplyState(Binding& b)
{
    const ui::TControl& c = *b.control;
    switch (b.kind) {
    case Kind::Check: {
        const auto& check = static_cast<const ui::TCheckBox&>(c);
        auto* box = static_cast<QCheckBox*>(b.widget.data());
        QSignalBlocker block(box);
        box->setTristate(check.AllowGrayed() || check.State() == ui::cbGrayed);
        box->setCheckState(check.State() == ui::cbChecked  ? Qt::Checked
                           : check.State() == ui::cbGrayed ? Qt::PartiallyChecked
                                                           : Qt::Unchecked);
        break;
    }
    case Kind::Radio: {
        auto* radio = static_cast<QRadioButton*>(b.widget.data());
        QSignalBlocker block(radio);
        radio->setChecked(static_cast<const ui::TRadioButton&>(c).Checked());
        break;
    }
    case Kind::Progress: {
        const auto& progress = static_cast<const ui::TProgressBar&>(c);
        auto* bar = static_cast<QProgressBar*>(b.widget.data());
        bar->setRange(progress.Min(), progress.Max());
        bar->setValue(progress.Position());
        break;
    }
    case Kind::ToolButton: ApplyToolButton(b); break;
    case Kind::Edit:
        static_cast<QLineEdit*>(b.widget.data())->setReadOnly(static_cast<const ui::TCustomEdit&>(c).ReadOnly());
        break;
    case Kind::Memo:
        static_cast<QPlainTextEdit*>(b.widget.data())
            ->setReadOnly(static_cast<const ui::TCustomEdit&>(c).ReadOnly());
        break;
    default: break;
    }
}

void Mirror::ApplyOther(Binding& b)
{
    const ui::TControl& c = *b.control;
    QWidget* w = b.widget;
    if (b.kind != Kind::Window) w->setToolTip(c.ShowHint() ? ToQt(c.Hint()) : QString());
    if (const auto shape = CursorShape(c.Cursor())) (b.kind == Kind::Window ? b.client.data() : w)->setCursor(*shape);
    else (b.kind == Kind::Window ? b.client.data() : w)->unsetCursor();
    if (b.kind == Kind::Painted) {
        const auto* win = ui::As<ui::TWinControl>(&c);
        w->setFocusPolicy(win != nullptr && win->TabStop() ? Qt::StrongFocus : Qt::NoFocus);
    }
    switch (b.kind) {
    case Kind::Window: ApplyWindowStyle(b); break;
    case Kind::Label: {
        const auto& label = static_cast<const ui::TLabel&>(c);
        auto* q = static_cast<QLabel*>(w);
        q->setWordWrap(label.WordWrap());
        const Qt::Alignment horizontal = label.Alignment() == ui::taCenter       ? Qt::AlignHCenter
                                         : label.Alignment() == ui::taRightJustify ? Qt::AlignRight
                                                                                  : Qt::AlignLeft;
        const Qt::Alignment vertical = label.Layout() == ui::tlCenter   ? Qt::AlignVCenter
                                       : label.Layout() == ui::tlBottom ? Qt::AlignBottom
                                                                        : Qt::AlignTop;
        q->setAlignment(horizontal | vertical);
        break;
    }
    case Kind::Image: {
        const auto& image = static_cast<const ui::TImage&>(c);
        auto* q = static_cast<QLabel*>(w);
        const auto file = ResourceFile(image.Picture());
        q->setPixmap(file ? QPixmap(*file) : QPixmap());
        q->setScaledContents(image.Stretch());
        q->setAlignment(image.Center() ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
        break;
    }
    case Kind::Edit: {
        const auto& edit = static_cast<const ui::TCustomEdit&>(c);
        static_cast<QLineEdit*>(w)->setEchoMode(edit.PasswordChar() != 0 ? QLineEdit::Password : QLineEdit::Normal);
        break;
    }
    case Kind::Memo: {
        const auto& memo = static_cast<const ui::TMemo&>(c);
        auto* q = static_cast<QPlainTextEdit*>(w);
        q->setLineWrapMode(memo.WordWrap() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        break;
    }
    case Kind::Combo: {
        auto* combo = static_cast<QComboBox*>(w);
        const ui::TComboBoxStyle style = static_cast<const ui::TCustomCombo&>(c).Style();
        const bool editable = style == ui::csDropDown || style == ui::csSimple;
        if (combo->isEditable() != editable) {
            QSignalBlocker block(combo);
            combo->setEditable(editable);
            if (QLineEdit* line = combo->lineEdit()) Register(b, line);
            ApplySelection(b);
        }
        break;
    }
    case Kind::Tree: {
        const auto& tree = static_cast<const ui::TTreeView&>(c);
        auto* view = static_cast<QTreeWidget*>(w);
        view->setRootIsDecorated(tree.ShowRoot() || tree.ShowButtons());
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setAllColumnsShowFocus(tree.RowSelect());
        break;
    }
    case Kind::ListView: SyncListView(b); break;
    case Kind::ToolButton: ApplyToolButton(b); break;
    default: break;
    }
}

void Mirror::ApplyWindowStyle(Binding& b)
{
    const auto& form = static_cast<const ui::TForm&>(*b.control);
    QWidget& window = *b.widget;
    Qt::WindowFlags flags = Qt::Window;
    switch (form.BorderStyle()) {
    case ui::bsNone: flags |= Qt::FramelessWindowHint; break;
    case ui::bsDialog: flags = Qt::Dialog; break;
    case ui::bsToolWindow:
    case ui::bsSizeToolWin: flags = Qt::Tool; break;
    default: break;
    }
    if (form.FormStyle() == ui::fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    if (window.windowFlags() != flags) {
        const bool shown = window.isVisible();
        window.setWindowFlags(flags);
        if (shown) window.show();
    }
    window.setWindowOpacity(form.AlphaBlend() ? std::clamp(form.AlphaBlendValue(), 0, 255) / 255.0 : 1.0);
    ApplyBounds(b);
}

void Mirror::ApplyToolButton(Binding& b)
{
    const ui::TControl& c = *b.control;
    auto* button = static_cast<QToolButton*>(b.widget.data());
    QIcon icon;
    bool captions = true;
    if (const auto* tool = ui::As<ui::TToolButton>(&c)) {
        const ui::TToolBar* bar = tool->ToolBar();
        if (bar != nullptr) captions = bar->ShowCaptions();
        if (bar != nullptr && bar->Images() != nullptr && tool->ImageIndex() >= 0 &&
            tool->ImageIndex() < bar->Images()->Count())
            if (const auto file = ResourceFile(bar->Images()->Name(tool->ImageIndex()))) icon = QIcon(*file);
        button->setCheckable(tool->Style() == ui::tbsCheck);
        button->setChecked(tool->Down());
    } else if (const auto* speed = ui::As<ui::TSpeedButton>(&c)) {
        if (const auto file = ResourceFile(speed->Glyph())) icon = QIcon(*file);
        button->setAutoRaise(speed->Flat());
    }
    // Without a picture the button shows its caption, or else its hint, cut to the button's width.
    std::string text = c.Caption();
    if (text.empty() && icon.isNull()) text = c.Hint();
    const QFontMetrics metrics(button->font());
    button->setIcon(icon);
    button->setText(captions || icon.isNull()
                        ? metrics.elidedText(WithoutAccelerators(text), Qt::ElideRight, std::max(0, c.Width() - 6))
                        : QString());
    button->setToolButtonStyle(icon.isNull()          ? Qt::ToolButtonTextOnly
                               : captions && !text.empty() ? Qt::ToolButtonTextUnderIcon
                                                           : Qt::ToolButtonIconOnly);
    button->setToolTip(ToQt(c.Hint()));
}

// ------------------------------------------------------------------ trees, lists and menus

void Mirror::MarkTreeDirty(Binding& b)
{
    if (b.treeDirty) return;
    b.treeDirty = true;
    dirtyTrees_.push_back(b.control);
    ScheduleFlush();
}

void Mirror::SyncTree(Binding& b)
{
    auto& tree = static_cast<ui::TTreeView&>(*b.control);
    auto* view = static_cast<QTreeWidget*>(b.widget.data());
    b.treeDirty = false;
    b.items.clear();
    Counter guard(applying_);
    QSignalBlocker block(view);
    const std::function<void(QTreeWidgetItem*, ui::TTreeNode*)> sync = [&](QTreeWidgetItem* parentItem,
                                                                            ui::TTreeNode* parentNode) {
        const int count = parentNode != nullptr ? parentNode->Count() : tree.Items().RootCount();
        for (int i = 0; i < count; ++i) {
            ui::TTreeNode* node = parentNode != nullptr ? parentNode->Item(i) : tree.Items().Root(i);
            QTreeWidgetItem* item = parentItem->child(i);
            if (KeyOf(item) != node) {
                int found = -1;
                for (int j = i + 1; j < parentItem->childCount() && found < 0; ++j)
                    if (KeyOf(parentItem->child(j)) == node) found = j;
                if (found >= 0) {
                    for (int k = i; k < found; ++k) delete parentItem->takeChild(i);
                    item = parentItem->child(i);
                } else {
                    item = new QTreeWidgetItem();
                    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
                    parentItem->insertChild(i, item);
                }
            }
            b.items[node] = item;
            const QString text = ToQt(node->Text());
            if (item->text(0) != text) item->setText(0, text);
            ui::TItemColors colors;
            try {
                colors = tree.ItemColors(node);
            } catch (...) {
                colors = ui::TItemColors{tree.Color(), tree.Font().Color()};
            }
            item->setBackground(0, ToQColor(colors.Background));
            item->setForeground(0, ToQColor(colors.Text));
            sync(item, node);
            if (item->isExpanded() != node->Expanded()) item->setExpanded(node->Expanded());
        }
        while (parentItem->childCount() > count) delete parentItem->takeChild(count);
    };
    sync(view->invisibleRootItem(), nullptr);
    ApplyTreeSelection(b);
}

void Mirror::ApplyTreeSelection(Binding& b)
{
    const auto& tree = static_cast<const ui::TTreeView&>(*b.control);
    auto* view = static_cast<QTreeWidget*>(b.widget.data());
    Counter guard(applying_);
    QSignalBlocker block(view);
    const auto selected = b.items.find(tree.Selected());
    if (selected != b.items.end()) {
        view->setCurrentItem(selected->second);
    } else {
        view->setCurrentItem(nullptr);
        view->clearSelection();
    }
    const ui::TTreeNode* top = tree.TopItem();
    if (top != b.appliedTop) {
        b.appliedTop = top;
        if (const auto it = b.items.find(top); it != b.items.end())
            view->scrollToItem(it->second, QAbstractItemView::PositionAtTop);
    }
}

void Mirror::SyncListView(Binding& b)
{
    const auto& list = static_cast<const ui::TListView&>(*b.control);
    auto* view = static_cast<QTreeWidget*>(b.widget.data());
    Counter guard(applying_);
    QSignalBlocker block(view);
    view->clear();
    view->setRootIsDecorated(false);
    view->setColumnCount(std::max(1, list.ColumnCount()));
    QStringList headers;
    for (int i = 0; i < list.ColumnCount(); ++i) {
        headers << ToQt(list.Column(i).Caption);
        view->setColumnWidth(i, list.Column(i).Width);
    }
    view->setHeaderLabels(headers);
    view->setHeaderHidden(list.ColumnCount() == 0 || !list.ShowColumnHeaders());
    for (int i = 0; i < list.ItemCount(); ++i) {
        const ui::TListItem* item = list.Item(i);
        QStringList cells{ToQt(item->Caption)};
        for (int s = 0; s < item->SubItems.Count(); ++s) cells << ToQt(item->SubItems[s]);
        view->addTopLevelItem(new QTreeWidgetItem(cells));
    }
    view->setCurrentItem(view->topLevelItem(list.ItemIndex()));
}

void Mirror::RebuildMenu(Binding& b)
{
    auto& form = static_cast<ui::TForm&>(*b.control);
    ui::TMenu* menu = form.Menu();
    b.actions.clear();
    delete b.menuBar.data();
    const bool live = menu != nullptr && liveMenus_.count(menu) != 0 && menu->Items().Count() > 0;
    if (live) {
        auto* bar = new QMenuBar(b.widget);
        b.menuBar = bar;
        const std::function<void(QWidget*, ui::TMenuItem&)> fill = [&](QWidget* target, ui::TMenuItem& parent) {
            for (int i = 0; i < parent.Count(); ++i) {
                ui::TMenuItem* item = parent.Items(i);
                QAction* action = nullptr;
                if (item->IsSeparator()) {
                    action = new QAction(target);
                    action->setSeparator(true);
                } else if (item->Count() > 0) {
                    auto* sub = new QMenu(ToQt(item->Caption()), target);
                    fill(sub, *item);
                    action = sub->menuAction();
                } else {
                    action = new QAction(target);
                    connect(action, &QAction::triggered, b.context.get(), [this, item, alive = item->Liveness()] {
                        if (alive.expired()) return;
                        Counter depth(inputDepth_);
                        driver_.Click(*item);
                    });
                }
                target->addAction(action);
                b.actions[item] = {action, item->Count()};
                MenuItemChanged(*item);
            }
        };
        fill(bar, menu->Items());
        b.actions[&menu->Items()] = {nullptr, menu->Items().Count()};
        bar->show();
    }
    ApplyBounds(b);
}

// ------------------------------------------------------------------ painting

void Mirror::Paint(Binding& b, QPainter& painter)
{
    ui::TControl& c = *b.control;
    const int width = b.widget->width();
    const int height = b.widget->height();
    if (width <= 0 || height <= 0) return;
    ui::Canvas canvas(width, height, ui::ResolveColor(c.Color()));
    canvas.font = CanvasFont(c.Font());
    const std::weak_ptr<void> alive = c.Liveness();
    b.painting = true;
    try {
        Counter depth(inputDepth_);
        if (const auto* panel = ui::As<ui::TPanel>(&c)) DrawPanelLook(*panel, canvas);
        else if (const auto* box = ui::As<ui::TGroupBox>(&c)) DrawGroupBoxLook(*box, canvas);
        else if (const auto* grid = ui::As<ui::TStringGrid>(&c)) DrawGridLook(*grid, canvas);
        if (auto* custom = ui::As<ui::TCustomControl>(&c)) custom->PaintTo(canvas);
        else if (auto* graphic = ui::As<ui::TGraphicControl>(&c)) graphic->PaintTo(canvas);
    } catch (...) {
        // Told once, from the queue: a box shown from inside a paint would paint again under it.
        if (!alive.expired() && !b.paintFailed) {
            b.paintFailed = true;
            app_.Post([&app = app_, error = std::current_exception()] { app.HandleException(error); });
        }
    }
    if (alive.expired()) return;
    b.painting = false;
    painter.drawImage(0, 0, ToQImage(canvas.bitmap()));
}

void Mirror::PaintStatusBar(Binding& b, QPainter& painter)
{
    const auto& bar = static_cast<const ui::TStatusBar&>(*b.control);
    const QRect all = b.widget->rect();
    painter.fillRect(all, ToQColor(bar.Color()));
    painter.setFont(ToQFont(bar.Font()));
    painter.setPen(ToQColor(bar.Font().Color()));
    const QPalette palette = b.widget->palette();
    const auto panel = [&](QRect rect, const std::string& text, ui::TAlignment alignment) {
        qDrawShadePanel(&painter, rect.adjusted(0, 1, -1, 0), palette, true, 1);
        const Qt::Alignment align = alignment == ui::taCenter       ? Qt::AlignHCenter
                                    : alignment == ui::taRightJustify ? Qt::AlignRight
                                                                     : Qt::AlignLeft;
        const QRect inner = rect.adjusted(4, 1, -4, 0);
        painter.drawText(inner, static_cast<int>(align | Qt::AlignVCenter),
                         painter.fontMetrics().elidedText(ToQt(text), Qt::ElideRight, inner.width()));
    };
    if (bar.SimplePanel() || bar.Panels().Count() == 0) {
        panel(all, bar.SimpleText(), ui::taLeftJustify);
        return;
    }
    for (int i = 0; i < bar.Panels().Count(); ++i) {
        const ui::TRect r = bar.PanelRect(i);
        const ui::TStatusPanel* p = bar.Panels()[i];
        panel(QRect(r.Left, r.Top, r.Width(), r.Height()), p->Text(), p->Alignment());
    }
}

// ------------------------------------------------------------------ widget -> model

void Mirror::Connect(Binding& b)
{
    QObject* context = b.context.get();
    ui::TControl* c = b.control;
    // Every handler asks for the binding again: an earlier handler may have freed the control.
    const auto refresh = [this, c](void (Mirror::*apply)(Binding&)) {
        if (Binding* again = Find(*c); again != nullptr && again->widget) {
            Counter guard(applying_);
            (this->*apply)(*again);
        }
    };
    switch (b.kind) {
    case Kind::Button:
    case Kind::Check:
    case Kind::Radio:
    case Kind::ToolButton:
        connect(static_cast<QAbstractButton*>(b.widget.data()), &QAbstractButton::clicked, context,
                [this, c, refresh] {
                    if (applying_ > 0) return;
                    if (Deliver(*c, [&] { driver_.Click(*c); })) refresh(&Mirror::ApplyState);
                });
        break;
    case Kind::Combo:
        connect(static_cast<QComboBox*>(b.widget.data()), &QComboBox::activated, context,
                [this, c, refresh](int index) {
                    if (applying_ > 0) return;
                    if (Deliver(*c, [&] { driver_.Select(static_cast<ui::TCustomCombo&>(*c), index); }))
                        refresh(&Mirror::ApplySelection);
                });
        break;
    case Kind::ListBox:
        connect(static_cast<QListWidget*>(b.widget.data()), &QListWidget::currentRowChanged, context,
                [this, c, refresh](int row) {
                    if (applying_ > 0 || row < 0) return;
                    if (Deliver(*c, [&] { driver_.Select(static_cast<ui::TListBox&>(*c), row); }))
                        refresh(&Mirror::ApplySelection);
                });
        break;
    case Kind::Tree: {
        auto* view = static_cast<QTreeWidget*>(b.widget.data());
        auto& tree = static_cast<ui::TTreeView&>(*c);
        connect(view, &QTreeWidget::currentItemChanged, context, [this, c, &tree, refresh](QTreeWidgetItem* item) {
            if (applying_ > 0) return;
            ui::TTreeNode* node = LiveNode(tree, KeyOf(item));
            if (node == nullptr) return;
            if (Deliver(*c, [&] { driver_.SelectNode(tree, node); })) refresh(&Mirror::ApplyTreeSelection);
        });
        const auto expand = [this, c, &tree](QTreeWidgetItem* item, bool open) {
            if (applying_ > 0) return;
            if (ui::TTreeNode* node = LiveNode(tree, KeyOf(item)))
                Deliver(*c, [&] { app_.Guard(c, [&] { node->SetExpanded(open); }); });
        };
        connect(view, &QTreeWidget::itemExpanded, context, [expand](QTreeWidgetItem* i) { expand(i, true); });
        connect(view, &QTreeWidget::itemCollapsed, context, [expand](QTreeWidgetItem* i) { expand(i, false); });
        connect(view, &QTreeWidget::itemDoubleClicked, context, [this, c] {
            if (applying_ == 0) Deliver(*c, [&] { driver_.DblClick(*c); });
        });
        break;
    }
    case Kind::ListView:
        connect(static_cast<QTreeWidget*>(b.widget.data()), &QTreeWidget::currentItemChanged, context,
                [this, c](QTreeWidgetItem* item) {
                    if (applying_ > 0 || item == nullptr) return;
                    auto* view = static_cast<QTreeWidget*>(item->treeWidget());
                    const int row = view->indexOfTopLevelItem(item);
                    auto& list = static_cast<ui::TListView&>(*c);
                    Deliver(*c, [&] {
                        if (app_.Guard(c, [&] { list.SetItemIndex(row); })) driver_.Click(list);
                    });
                });
        break;
    case Kind::Edit:
    {
        // The caret and selection the user made with the mouse or the arrow keys go back to the model.
        const auto caret = [this, c] {
            if (applying_ > 0) return;
            Binding* again = Find(*c);
            if (again == nullptr || !again->widget) return;
            auto* line = static_cast<QLineEdit*>(again->widget.data());
            auto& edit = static_cast<ui::TCustomEdit&>(*c);
            const QString text = line->text();
            const int qtStart = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
            const int qtEnd = line->hasSelectedText() ? line->selectionEnd() : qtStart;
            const int start = QtToModelIndex(text, qtStart);
            const int length = QtToModelIndex(text, qtEnd) - start;
            Counter guard(applying_);
            app_.Guard(c, [&] {
                edit.SetSelStart(start);
                edit.SetSelLength(length);
            });
        };
        auto* line = static_cast<QLineEdit*>(b.widget.data());
        connect(line, &QLineEdit::cursorPositionChanged, context, caret);
        connect(line, &QLineEdit::selectionChanged, context, caret);
        break;
    }
    case Kind::Memo:
        connect(static_cast<QPlainTextEdit*>(b.widget.data()), &QPlainTextEdit::cursorPositionChanged, context,
                [this, c] {
                    if (applying_ > 0) return;
                    Binding* again = Find(*c);
                    if (again == nullptr || !again->widget) return;
                    auto* memo = static_cast<QPlainTextEdit*>(again->widget.data());
                    auto& edit = static_cast<ui::TCustomEdit&>(*c);
                    const QTextCursor cursor = memo->textCursor();
                    const QString shown = memo->toPlainText();
                    const std::u32string model = platform::DecodeUtf8(edit.Text());
                    const int start = MemoWidgetToModel(model, QtToModelIndex(shown, cursor.selectionStart()));
                    const int end = MemoWidgetToModel(model, QtToModelIndex(shown, cursor.selectionEnd()));
                    Counter guard(applying_);
                    app_.Guard(c, [&] {
                        edit.SetSelStart(start);
                        edit.SetSelLength(end - start);
                    });
                });
        break;
    default: break;
    }
}

void Mirror::FocusArrived(Binding& b)
{
    if (applying_ > 0) return;
    auto* win = ui::As<ui::TWinControl>(b.control);
    if (win == nullptr || b.kind == Kind::Window || app_.FocusedControl() == win || !win->CanFocus()) return;
    Deliver(*win, [&] { driver_.Focus(*win); });
}

bool Mirror::eventFilter(QObject* watched, QEvent* event)
{
    const auto it = byWidget_.find(watched);
    if (it == byWidget_.end()) return false;
    Binding& b = *it->second;
    if (!b.widget) return false;
    ui::TControl& c = *b.control;
    switch (event->type()) {
    case QEvent::KeyPress: return RouteKey(b, *static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease:
        if (auto* win = ui::As<ui::TWinControl>(&c); win != nullptr && b.kind == Kind::Painted) {
            std::uint16_t key = VirtualKey(static_cast<QKeyEvent*>(event)->key());
            const ui::TShiftState shift = ShiftState(static_cast<QKeyEvent*>(event)->modifiers());
            if (key != 0 && c.Showing() && c.EffectivelyEnabled() && app_.AcceptsInput(c))
                Deliver(c, [&] { app_.Guard(win, [&] { win->KeyUp(key, shift); }); });
            return true;
        }
        return false;
    case QEvent::FocusIn: FocusArrived(b); return false;
    case QEvent::Enter:
        Deliver(c, [&] { driver_.MouseEnter(c); });
        return false;
    case QEvent::Leave:
        Deliver(c, [&] { driver_.MouseLeave(c); });
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        if (b.kind == Kind::Window && watched != b.client.data()) return false;
        return RouteMouse(b, *event);
    case QEvent::Wheel:
        if (auto* grid = ui::As<ui::TStringGrid>(&c)) {
            const int steps = static_cast<QWheelEvent*>(event)->angleDelta().y() / 40;
            Deliver(c, [&] { app_.Guard(grid, [&] { grid->SetTopRow(std::max(grid->FixedRows(), grid->TopRow() - steps)); }); });
            return true;
        }
        return false;
    case QEvent::ContextMenu: {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        if (c.PopupMenu() == nullptr || liveMenus_.count(c.PopupMenu()) == 0) return false;
        ShowPopup(b, menuEvent->pos(), menuEvent->globalPos());
        return true;
    }
    case QEvent::Close:
        if (b.kind != Kind::Window || watched != b.widget.data()) return false;
        event->ignore();
        Deliver(c, [&] { driver_.CloseForm(static_cast<ui::TForm&>(c)); });
        return true;
    case QEvent::WindowActivate:
        if (b.kind == Kind::Window && watched == b.widget.data() && app_.ActiveForm() != &c && applying_ == 0)
            Deliver(c, [&] { driver_.Activate(static_cast<ui::TForm&>(c)); });
        return false;
    case QEvent::Resize:
        if (b.kind == Kind::Window && watched == b.widget.data() && applying_ == 0) {
            const int menuHeight = b.menuBar && !b.menuBar->isHidden() ? b.menuBar->sizeHint().height() : 0;
            const QSize size = static_cast<QResizeEvent*>(event)->size();
            if (b.menuBar) b.menuBar->setGeometry(0, 0, size.width(), menuHeight);
            b.client->setGeometry(0, menuHeight, size.width(), size.height() - menuHeight);
            Deliver(c, [&] {
                app_.Guard(&c, [&] { c.SetBounds(c.Left(), c.Top(), size.width(), size.height() - menuHeight); });
            });
        }
        return false;
    default: return false;
    }
}

bool Mirror::RouteMouse(Binding& b, QEvent& event)
{
    switch (b.kind) {
    case Kind::Window:
    case Kind::Surface:
    case Kind::Painted:
    case Kind::StatusBar:
    case Kind::Label:
    case Kind::Image: break;
    default: return false;
    }
    ui::TControl& c = *b.control;
    const auto& mouse = static_cast<QMouseEvent&>(event);
    const QPoint at = mouse.position().toPoint();
    ui::TShiftState shift = ShiftState(mouse.modifiers(), mouse.buttons());
    const auto button = MouseButton(mouse.button());
    switch (event.type()) {
    case QEvent::MouseMove: Deliver(c, [&] { driver_.MouseMove(c, shift, at.x(), at.y()); }); return true;
    case QEvent::MouseButtonDblClick:
        shift.Include(ui::ssDouble);
        if (button)
            if (!Deliver(c, [&] { driver_.MouseDown(c, *button, shift, at.x(), at.y()); })) return true;
        Deliver(c, [&] { driver_.DblClick(c); });
        return true;
    case QEvent::MouseButtonPress:
        if (!button) return true;
        if (Deliver(c, [&] { driver_.MouseDown(c, *button, shift, at.x(), at.y()); })) b.pressed = true;
        if (auto* grid = ui::As<ui::TStringGrid>(&c); grid != nullptr && *button == ui::mbLeft) {
            for (int row = 0; row < grid->RowCount(); ++row)
                for (int col = 0; col < grid->ColCount(); ++col)
                    if (grid->CellRect(col, row).Contains({at.x(), at.y()})) {
                        Deliver(c, [&] { driver_.SelectCell(*grid, col, row); });
                        return true;
                    }
        }
        return true;
    case QEvent::MouseButtonRelease: {
        if (!button) return true;
        const bool pressed = std::exchange(b.pressed, false);
        if (!Deliver(c, [&] { driver_.MouseUp(c, *button, shift, at.x(), at.y()); })) return true;
        const bool inside = at.x() >= 0 && at.y() >= 0 && at.x() < c.Width() && at.y() < c.Height();
        if (pressed && inside && *button == ui::mbLeft && WindowSystemClicks(c) && !ui::Is<ui::TStringGrid>(&c))
            Deliver(c, [&] { driver_.Click(c); });
        return true;
    }
    default: return false;
    }
}

void Mirror::ShowPopup(Binding& b, QPoint local, QPoint global)
{
    ui::TPopupMenu* popup = b.control->PopupMenu();
    const std::weak_ptr<void> alive = popup->Liveness();
    Deliver(*b.control, [&] { app_.Guard(popup, [&] { popup->Popup(local.x(), local.y()); }); });
    if (alive.expired()) return;
    auto* menu = new QMenu(b.widget);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const std::function<void(QMenu*, ui::TMenuItem&)> fill = [&](QMenu* target, ui::TMenuItem& parent) {
        for (int i = 0; i < parent.Count(); ++i) {
            ui::TMenuItem* item = parent.Items(i);
            if (!item->Visible()) continue;
            if (item->IsSeparator()) {
                target->addSeparator();
            } else if (item->Count() > 0) {
                fill(target->addMenu(ToQt(item->Caption())), *item);
            } else {
                QAction* action = target->addAction(ToQt(item->Caption()));
                action->setEnabled(item->Enabled());
                action->setCheckable(item->Checked());
                action->setChecked(item->Checked());
                connect(action, &QAction::triggered, menu, [this, item, itemAlive = item->Liveness()] {
                    if (itemAlive.expired()) return;
                    Counter depth(inputDepth_);
                    driver_.Click(*item);
                });
            }
        }
    };
    fill(menu, popup->Items());
    menu->popup(global);
}

bool Mirror::RouteKey(Binding& b, QKeyEvent& event)
{
    auto* win = ui::As<ui::TWinControl>(b.control);
    if (win == nullptr) return false;
    const int key = event.key();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const bool command = (modifiers & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    const ui::TShiftState shift = ShiftState(modifiers);
    const Kind kind = b.kind;
    const bool button = kind == Kind::Button || kind == Kind::Check || kind == Kind::Radio;
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && (modifiers & Qt::ControlModifier) == 0) return false;

    if (!command) {
        if (key == Qt::Key_Space && button) {
            // The button clicks itself when the bar goes up; the form's key handlers see it first.
            const bool alive = Deliver(*win, [&] { driver_.PressKey(*win, ui::VK_SPACE, shift); });
            return !alive;
        }
        char32_t typed = 0;
        if (key == Qt::Key_Backspace) typed = U'\b';
        else if (key == Qt::Key_Return || key == Qt::Key_Enter) typed = U'\r';
        else if (key == Qt::Key_Escape) typed = U'\x1b';
        if (typed == U'\r' && kind == Kind::Button) {
            Deliver(*win, [&] { driver_.Click(*win); });
            return true;
        }
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
    const bool textual = kind == Kind::Edit || kind == Kind::Memo || kind == Kind::Combo;
    if (textual && ClipboardKey(b, event)) return true;
    const std::uint16_t vk = VirtualKey(key);
    if (vk == 0) return false;
    if (!Deliver(*win, [&] { driver_.PressKey(*win, vk, shift); })) return true;
    Binding* again = Find(*win);
    if (again == nullptr || !again->widget) return true;
    if (key == Qt::Key_Delete && !command && (kind == Kind::Edit || kind == Kind::Memo)) {
        DeleteForward(*again);
        return true;
    }
    if (ui::Is<ui::TStringGrid>(win)) return GridKey(*again, key);
    if (IsNavigationKey(key)) {
        if (ui::Is<ui::TSpinEdit>(win) && (key == Qt::Key_Up || key == Qt::Key_Down)) return true;
        return !(textual || kind == Kind::ListBox || kind == Kind::Tree || kind == Kind::ListView);
    }
    return true;
}

bool Mirror::ClipboardKey(Binding& b, QKeyEvent& event)
{
    enum class Op { None, Copy, Cut, Paste, SelectAll };
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    Op op = Op::None;
    const int key = event.key();
    if (modifiers == Qt::ControlModifier) {
        if (key == Qt::Key_C || key == Qt::Key_Insert) op = Op::Copy;
        else if (key == Qt::Key_X) op = Op::Cut;
        else if (key == Qt::Key_V) op = Op::Paste;
        else if (key == Qt::Key_A) op = Op::SelectAll;
    } else if (modifiers == Qt::ShiftModifier) {
        if (key == Qt::Key_Insert) op = Op::Paste;
        else if (key == Qt::Key_Delete) op = Op::Cut;
    }
    if (op == Op::None) return false;
    auto& win = static_cast<ui::TWinControl&>(*b.control);
    const std::uint16_t vk = VirtualKey(key);
    const ui::TShiftState shift = ShiftState(modifiers);
    // The model's key path comes first: a menu shortcut of the form takes the key there.
    if (ui::TForm* form = win.TopForm(); form != nullptr && form->Menu() != nullptr &&
                                          liveMenus_.count(form->Menu()) != 0 &&
                                          form->Menu()->FindShortCut(ui::ShortCut(vk, shift)) != nullptr) {
        Deliver(win, [&] { driver_.PressKey(win, vk, shift); });
        return true;
    }
    if (!Deliver(win, [&] { driver_.PressKey(win, vk, shift); })) return true;
    Binding* again = Find(win);
    if (again == nullptr || !again->widget) return true;
    auto* edit = ui::As<ui::TCustomEdit>(&win);
    if (edit == nullptr) {
        // An editable combo box keeps no selection in the model: the widget's own selection is copied.
        auto* combo = static_cast<QComboBox*>(again->widget.data());
        if (op == Op::Paste) {
            for (const char32_t ch : QGuiApplication::clipboard()->text().toUcs4())
                if (ch >= U' ' && !Deliver(win, [&] { driver_.TypeChar(win, ch); })) break;
        } else if (combo->lineEdit() != nullptr && op != Op::SelectAll) {
            combo->lineEdit()->copy();
        } else if (combo->lineEdit() != nullptr) {
            combo->lineEdit()->selectAll();
        }
        return true;
    }
    switch (op) {
    case Op::Copy:
    case Op::Cut:
        if (edit->SelLength() > 0 && edit->PasswordChar() == 0) app_.ClipboardText().SetText(edit->SelText());
        if (op == Op::Cut && edit->SelLength() > 0 && !edit->ReadOnly())
            Deliver(win, [&] { driver_.TypeChar(win, U'\b'); });
        break;
    case Op::Paste: {
        const bool multiLine = ui::Is<ui::TMemo>(edit);
        std::u32string text = platform::DecodeUtf8(app_.ClipboardText().Text());
        for (std::size_t i = 0; i < text.size(); ++i) {
            char32_t ch = text[i];
            if (ch == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') continue;
            if (ch == U'\n') ch = U'\r';
            if (ch == U'\r' && !multiLine) break;
            if (ch < U' ' && ch != U'\r' && ch != U'\t') continue;
            if (!Deliver(win, [&] { driver_.TypeChar(win, ch); })) break;
        }
        break;
    }
    case Op::SelectAll: Deliver(win, [&] { app_.Guard(edit, [&] { edit->SelectAll(); }); }); break;
    case Op::None: break;
    }
    return true;
}

void Mirror::DeleteForward(Binding& b)
{
    auto* edit = ui::As<ui::TCustomEdit>(b.control);
    if (edit == nullptr || edit->ReadOnly() || ui::Is<ui::TMaskEdit>(edit)) return;
    std::u32string text = platform::DecodeUtf8(edit->Text());
    const auto start = static_cast<std::size_t>(std::clamp(edit->SelStart(), 0, static_cast<int>(text.size())));
    std::size_t count = static_cast<std::size_t>(std::max(0, edit->SelLength()));
    if (count == 0) {
        if (start >= text.size()) return;
        count = text[start] == U'\r' && start + 1 < text.size() && text[start + 1] == U'\n' ? 2 : 1;
    }
    text.erase(start, std::min(count, text.size() - start));
    Deliver(*edit, [&] {
        app_.Guard(edit, [&] {
            edit->SetText(platform::EncodeUtf8(text));
            edit->SetSelStart(static_cast<int>(start));
            edit->SetSelLength(0);
        });
    });
}

bool Mirror::GridKey(Binding& b, int key)
{
    auto& grid = static_cast<ui::TStringGrid&>(*b.control);
    int col = grid.Col();
    int row = grid.Row();
    const int page = std::max(1, grid.VisibleRowCount());
    switch (key) {
    case Qt::Key_Left: --col; break;
    case Qt::Key_Right: ++col; break;
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_PageUp: row -= page; break;
    case Qt::Key_PageDown: row += page; break;
    case Qt::Key_Home: row = grid.FixedRows(); break;
    case Qt::Key_End: row = grid.RowCount() - 1; break;
    default: return true;
    }
    col = std::clamp(col, grid.FixedCols(), std::max(grid.FixedCols(), grid.ColCount() - 1));
    row = std::clamp(row, grid.FixedRows(), std::max(grid.FixedRows(), grid.RowCount() - 1));
    if (!Deliver(grid, [&] { driver_.SelectCell(grid, col, row); })) return true;
    Deliver(grid, [&] {
        app_.Guard(&grid, [&] {
            if (grid.Row() < grid.TopRow()) grid.SetTopRow(grid.Row());
            else if (grid.Row() >= grid.TopRow() + page) grid.SetTopRow(grid.Row() - page + 1);
        });
    });
    return true;
}

}  // namespace gui
