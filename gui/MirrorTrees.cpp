// Tree views: a QTreeWidget whose items follow the model's nodes. Node changes are gathered and synced at
// the next flush of the event pump; a selection, an expansion or a double click of the user's goes to
// the model.
#include <QSignalBlocker>
#include <QTreeWidget>

#include <functional>

#include "gui/Convert.h"
#include "gui/MirrorCore.h"
#include "ui/ComCtrls.h"

namespace gui::mirror {

namespace {

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

void ApplyTreeSelection(Binding& b)
{
    const auto& tree = static_cast<const ui::TTreeView&>(*b.control);
    auto* view = static_cast<QTreeWidget*>(b.widget.data());
    Counter guard(b.core.ApplyingCount());
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

class Tree : public Kind {
public:
    QWidget* Make(Binding&, QWidget* parent) const override
    {
        auto* tree = new QTreeWidget(parent);
        tree->setHeaderHidden(true);
        tree->setColumnCount(1);
        tree->setUniformRowHeights(true);
        return tree;
    }

    void Connect(Binding& b) const override
    {
        auto* view = static_cast<QTreeWidget*>(b.widget.data());
        Core& core = b.core;
        ui::TControl* c = b.control;
        auto& tree = static_cast<ui::TTreeView&>(*c);
        QObject* context = b.context.get();
        QObject::connect(view, &QTreeWidget::currentItemChanged, context, [&core, c, &tree](QTreeWidgetItem* item) {
            if (core.Applying()) return;
            ui::TTreeNode* node = LiveNode(tree, KeyOf(item));
            if (node == nullptr) return;
            if (!core.Deliver(*c, [&] { core.User().SelectNode(tree, node); })) return;
            if (Binding* again = core.Find(*c); again != nullptr && again->widget) ApplyTreeSelection(*again);
        });
        const auto expand = [&core, c, &tree](QTreeWidgetItem* item, bool open) {
            if (core.Applying()) return;
            if (ui::TTreeNode* node = LiveNode(tree, KeyOf(item)))
                core.Deliver(*c, [&] { core.App().Guard(c, [&] { node->SetExpanded(open); }); });
        };
        QObject::connect(view, &QTreeWidget::itemExpanded, context,
                         [expand](QTreeWidgetItem* item) { expand(item, true); });
        QObject::connect(view, &QTreeWidget::itemCollapsed, context,
                         [expand](QTreeWidgetItem* item) { expand(item, false); });
        QObject::connect(view, &QTreeWidget::itemDoubleClicked, context, [&core, c] {
            if (!core.Applying()) core.Deliver(*c, [&] { core.User().DblClick(*c); });
        });
    }

    void Color(Binding& b) const override
    {
        QPalette palette = b.widget->palette();
        palette.setColor(QPalette::Base, ToQColor(b.control->Color()));
        b.widget->setPalette(palette);
    }

    void Items(Binding& b) const override { b.core.MarkTreeDirty(b); }

    void Selection(Binding& b) const override
    {
        if (!b.treeDirty) ApplyTreeSelection(b);
    }

    void Style(Binding& b) const override
    {
        const auto& tree = static_cast<const ui::TTreeView&>(*b.control);
        auto* view = static_cast<QTreeWidget*>(b.widget.data());
        // Without root lines the top-level nodes have no buttons either (the log's entries).
        view->setRootIsDecorated(tree.ShowRoot());
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setAllColumnsShowFocus(tree.RowSelect());
    }

    bool AfterKey(Binding&, int key, bool) const override { return !IsNavigationKey(key); }
};

}  // namespace

void SyncTree(Binding& b)
{
    auto& tree = static_cast<ui::TTreeView&>(*b.control);
    auto* view = static_cast<QTreeWidget*>(b.widget.data());
    b.treeDirty = false;
    b.items.clear();
    Counter guard(b.core.ApplyingCount());
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

const Kind& TreeKind()
{
    static const Tree kind;
    return kind;
}

}  // namespace gui::mirror
