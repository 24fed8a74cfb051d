// Lists and grids: combo boxes, list boxes and list views as Qt's own item views, the string grid as a
// painted surface whose cells the model draws. A selection the user makes goes to the model as the
// user's selection; the widget then shows the model's.
#include <QAbstractItemView>
#include <QComboBox>
#include <QGuiApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>
#include <QWheelEvent>

#include <algorithm>
#include <functional>

#include "gui/Convert.h"
#include "gui/MirrorCore.h"
#include "kit/KitCommon.h"
#include "ui/Canvas.h"
#include "ui/ComCtrls.h"
#include "ui/Grids.h"
#include "ui/StdCtrls.h"
#include "ui/SystemColors.h"

namespace gui::mirror {

namespace {

// A combo box that tells when its list opens and closes (the model's OnDropDown may fill the list).
// A wheel turned over a page scrolls the page: the box takes the wheel, and with it the focus, only
// when it has the focus already, so that a value never changes under a passing wheel.
class ComboWidget : public QComboBox {
public:
    ComboWidget(QWidget* parent, std::function<void(ComboWidget&, bool)> dropped)
        : QComboBox(parent), dropped_(std::move(dropped))
    {
        setFocusPolicy(Qt::StrongFocus);
    }
    void wheelEvent(QWheelEvent* event) override
    {
        if (hasFocus()) QComboBox::wheelEvent(event);
        else event->ignore();
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

// A long item (a port's device path) is shown whole: the list that drops down is as wide as its widest
// item, up to the screen's width, and the field shows where the chosen text begins.
void FitListToItems(QComboBox& combo)
{
    QAbstractItemView& view = *combo.view();
    int widest = 0;
    for (int i = 0; i < combo.count(); ++i) widest = std::max(widest, view.fontMetrics().horizontalAdvance(combo.itemText(i)));
    const int chrome = 2 * view.frameWidth() + view.style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 16;
    const QScreen* screen = combo.screen();
    const int limit = screen != nullptr ? screen->availableGeometry().width() : QWIDGETSIZE_MAX;
    view.setMinimumWidth(std::min(widest + chrome, limit));
    view.setTextElideMode(Qt::ElideRight);
}

void ShowTextStart(QComboBox& combo)
{
    if (QLineEdit* line = combo.lineEdit()) line->setCursorPosition(0);
}

void SetBase(Binding& b)
{
    QPalette palette = b.widget->palette();
    palette.setColor(QPalette::Base, ToQColor(b.control->Color()));
    b.widget->setPalette(palette);
}

// Item views keep the arrow keys: they move their own current item, which comes back as a selection.
class ItemView : public Kind {
public:
    void Color(Binding& b) const override { SetBase(b); }
    bool AfterKey(Binding&, int key, bool) const override { return !IsNavigationKey(key); }
};

class Combo : public ItemView {
public:
    QWidget* Make(Binding& b, QWidget* parent) const override
    {
        Core& core = b.core;
        return new ComboWidget(parent, [&core](ComboWidget& combo, bool open) {
            Binding* found = core.FindWidget(&combo);
            if (found == nullptr || core.Applying()) return;
            ui::TControl& c = *found->control;
            core.Deliver(c, [&] { core.User().DropDown(static_cast<ui::TCustomCombo&>(c), open); });
        });
    }

    void Connect(Binding& b) const override
    {
        Core& core = b.core;
        ui::TControl* c = b.control;
        QObject::connect(static_cast<QComboBox*>(b.widget.data()), &QComboBox::activated, b.context.get(),
                         [&core, c](int index) {
                             if (core.Applying()) return;
                             auto& combo = static_cast<ui::TCustomCombo&>(*c);
                             if (!core.Deliver(combo, [&] { core.User().Select(combo, index); })) return;
                             core.Refresh(combo, &Kind::Selection);
                             if (Binding* again = core.Find(combo); again != nullptr && again->widget)
                                 ShowTextStart(*static_cast<QComboBox*>(again->widget.data()));
                         });
    }

    void Text(Binding& b) const override
    {
        auto* combo = static_cast<QComboBox*>(b.widget.data());
        const QString text = ToQt(b.control->Text());
        if (combo->isEditable() && combo->currentText() != text) combo->setEditText(text);
    }

    void Items(Binding& b) const override
    {
        auto* combo = static_cast<QComboBox*>(b.widget.data());
        const ui::TStrings& items = static_cast<const ui::TCustomCombo&>(*b.control).Items();
        QSignalBlocker block(combo);
        const QString text = combo->currentText();
        combo->clear();
        for (int i = 0; i < items.Count(); ++i) combo->addItem(ToQt(items[i]));
        FitListToItems(*combo);
        if (combo->isEditable()) combo->setEditText(text);
        Selection(b);
        ShowTextStart(*combo);
    }

    void Selection(Binding& b) const override
    {
        auto* combo = static_cast<QComboBox*>(b.widget.data());
        QSignalBlocker block(combo);
        combo->setCurrentIndex(static_cast<const ui::TCustomCombo&>(*b.control).ItemIndex());
        if (combo->isEditable()) combo->setEditText(ToQt(b.control->Text()));
        // Typing keeps its caret; a choice made elsewhere shows where its text begins.
        if (!combo->hasFocus()) ShowTextStart(*combo);
    }

    void Style(Binding& b) const override
    {
        auto* combo = static_cast<QComboBox*>(b.widget.data());
        const ui::TComboBoxStyle style = static_cast<const ui::TCustomCombo&>(*b.control).Style();
        const bool editable = style == ui::csDropDown || style == ui::csSimple;
        if (combo->isEditable() == editable) return;
        QSignalBlocker block(combo);
        combo->setEditable(editable);
        if (QLineEdit* line = combo->lineEdit()) b.core.Register(b, line);
        Selection(b);
    }

    // An editable combo box keeps no selection in the model: the widget's own selection is copied.
    bool CommandKey(Binding& b, QKeyEvent& event) const override
    {
        const ClipboardOp op = ClipboardOpOf(event);
        if (op == ClipboardOp::None) return false;
        Binding* again = PressClipboardKey(b, event);
        if (again == nullptr) return true;
        auto& win = static_cast<ui::TWinControl&>(*again->control);
        auto* combo = static_cast<QComboBox*>(again->widget.data());
        Core& core = b.core;
        if (op == ClipboardOp::Paste) {
            for (const char32_t ch : QGuiApplication::clipboard()->text().toUcs4())
                if (ch >= U' ' && !core.Deliver(win, [&] { core.User().TypeChar(win, ch); })) break;
        } else if (combo->lineEdit() != nullptr && op != ClipboardOp::SelectAll) {
            combo->lineEdit()->copy();
        } else if (combo->lineEdit() != nullptr) {
            combo->lineEdit()->selectAll();
        }
        return true;
    }
};

class ListBox : public ItemView {
public:
    QWidget* Make(Binding&, QWidget* parent) const override { return new QListWidget(parent); }

    void Connect(Binding& b) const override
    {
        Core& core = b.core;
        ui::TControl* c = b.control;
        QObject::connect(static_cast<QListWidget*>(b.widget.data()), &QListWidget::currentRowChanged,
                         b.context.get(), [&core, c](int row) {
                             if (core.Applying() || row < 0) return;
                             if (core.Deliver(*c, [&] { core.User().Select(static_cast<ui::TListBox&>(*c), row); }))
                                 core.Refresh(*c, &Kind::Selection);
                         });
    }

    void Items(Binding& b) const override
    {
        auto* list = static_cast<QListWidget*>(b.widget.data());
        const ui::TStrings& items = static_cast<const ui::TListBox&>(*b.control).Items();
        QSignalBlocker block(list);
        list->clear();
        for (int i = 0; i < items.Count(); ++i) list->addItem(ToQt(items[i]));
        Selection(b);
    }

    void Selection(Binding& b) const override
    {
        auto* list = static_cast<QListWidget*>(b.widget.data());
        QSignalBlocker block(list);
        const int index = static_cast<const ui::TListBox&>(*b.control).ItemIndex();
        list->setCurrentRow(index);
        if (index < 0) list->clearSelection();
    }
};

class ListView : public ItemView {
public:
    QWidget* Make(Binding&, QWidget* parent) const override
    {
        auto* view = new QTreeWidget(parent);
        view->setColumnCount(1);
        // A text longer than its column wraps onto more lines of its row rather than hide its end.
        view->setWordWrap(true);
        view->setTextElideMode(Qt::ElideNone);
        view->setUniformRowHeights(false);
        return view;
    }

    void Connect(Binding& b) const override
    {
        Core& core = b.core;
        ui::TControl* c = b.control;
        QObject::connect(static_cast<QTreeWidget*>(b.widget.data()), &QTreeWidget::currentItemChanged,
                         b.context.get(), [&core, c](QTreeWidgetItem* item) {
                             if (core.Applying() || item == nullptr) return;
                             auto* view = static_cast<QTreeWidget*>(item->treeWidget());
                             const int row = view->indexOfTopLevelItem(item);
                             auto& list = static_cast<ui::TListView&>(*c);
                             core.Deliver(*c, [&] {
                                 if (core.App().Guard(c, [&] { list.SetItemIndex(row); })) core.User().Click(list);
                             });
                         });
    }

    void Items(Binding& b) const override { Sync(b); }
    void Style(Binding& b) const override { Sync(b); }

    void Selection(Binding& b) const override
    {
        auto* view = static_cast<QTreeWidget*>(b.widget.data());
        QSignalBlocker block(view);
        view->setCurrentItem(view->topLevelItem(static_cast<const ui::TListView&>(*b.control).ItemIndex()));
    }

private:
    static void Sync(Binding& b)
    {
        const auto& list = static_cast<const ui::TListView&>(*b.control);
        auto* view = static_cast<QTreeWidget*>(b.widget.data());
        Counter guard(b.core.ApplyingCount());
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
};

// The string grid: the model draws it whole (its look, the OnDrawCell handlers over it, its scroll
// bars) and takes the wheel, the keys and presses on its bars; a press on a cell selects it.
class Grid : public PaintedBase {
public:
    bool Mouse(Binding& b, QObject*, QMouseEvent& event) const override
    {
        auto& grid = static_cast<ui::TStringGrid&>(*b.control);
        const std::weak_ptr<void> alive = grid.Liveness();
        b.core.RouteMouse(b, event, false);
        if (event.type() != QEvent::MouseButtonPress || event.button() != Qt::LeftButton || alive.expired())
            return true;
        const QPoint at = event.position().toPoint();
        for (int row = 0; row < grid.RowCount(); ++row)
            for (int col = 0; col < grid.ColCount(); ++col)
                if (grid.CellRect(col, row).Contains({at.x(), at.y()})) {
                    b.core.Deliver(grid, [&] { b.core.User().SelectCell(grid, col, row); });
                    return true;
                }
        return true;
    }

    bool Event(Binding& b, QObject* watched, QEvent& event) const override
    {
        if (event.type() != QEvent::Wheel) return PaintedBase::Event(b, watched, event);
        auto& grid = static_cast<ui::TStringGrid&>(*b.control);
        const auto& wheel = static_cast<QWheelEvent&>(event);
        const QPoint at = wheel.position().toPoint();
        // A sideways turn scrolls the columns, as the wheel with Shift does.
        const QPoint delta = wheel.angleDelta();
        if (delta.y() != 0) b.core.Deliver(grid, [&] { b.core.User().MouseWheel(grid, delta.y(), {}, at.x(), at.y()); });
        if (delta.x() != 0)
            b.core.Deliver(grid, [&] { b.core.User().MouseWheel(grid, delta.x(), {ui::ssShift}, at.x(), at.y()); });
        return true;
    }
};

}  // namespace

const Kind& ComboKind()
{
    static const Combo kind;
    return kind;
}

const Kind& ListBoxKind()
{
    static const ListBox kind;
    return kind;
}

const Kind& ListViewKind()
{
    static const ListView kind;
    return kind;
}

const Kind& GridKind()
{
    static const Grid kind;
    return kind;
}

}  // namespace gui::mirror
