// Tree views: a QTreeWidget whose items follow the model's nodes one change at a time. The tree is read
// whole only when it is first shown, or when the model reports a change of its nodes without saying
// which (then at the next flush of the event pump); a selection, an expansion or a double click of the
// user's goes to the model.
//
// Rows appended at the end of the top level (every line of the log) wait off the widget for a batch:
// the widget lays out all its top-level rows again for each insertion among them, which would make a
// line's cost grow with the log. A batch joins when Qt's loop is about to wait (so an idle program shows
// a line at once) or, while the program is busy, once it has waited long enough for that layout to stay
// a small share of the time. Whatever needs the rows on the widget (a selection, another insertion or
// removal at the top level) lets them join first.
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <utility>
#include <vector>

#include "gui/Convert.h"
#include "gui/MirrorCore.h"
#include "ui/ComCtrls.h"

namespace gui::mirror {

TreeState::TreeState() = default;
TreeState::~TreeState() = default;

namespace {

// A batch waits this long at least, and longer in a long tree: laying out a top-level row takes some
// 0.1 to 0.2 us, so a batch per 10 us a row keeps the layouts near 1 % of a busy window thread.
constexpr std::chrono::milliseconds kBatchWait{100};
constexpr std::chrono::microseconds kBatchWaitPerRow{10};

ui::TTreeView& TreeOf(const Binding& b) { return static_cast<ui::TTreeView&>(*b.control); }
QTreeWidget* ViewOf(const Binding& b) { return static_cast<QTreeWidget*>(b.widget.data()); }

QTreeWidgetItem* ItemOf(const Binding& b, const ui::TTreeNode* node)
{
    const auto it = b.tree.items.find(node);
    return it == b.tree.items.end() ? nullptr : it->second;
}

// The node an item shows, when both are still there: the item keeps its node as a key that is only
// trusted once the node's own entry leads back to the item.
ui::TTreeNode* NodeOf(const Binding& b, const QTreeWidgetItem* item)
{
    if (item == nullptr) return nullptr;
    auto* key = reinterpret_cast<ui::TTreeNode*>(item->data(0, Qt::UserRole).value<quintptr>());
    return ItemOf(b, key) == item ? key : nullptr;
}

// Model -> widget without the widget's signals taken for the user's input.
class Applying {
public:
    explicit Applying(Binding& b) : guard_(b.core.ApplyingCount()), block_(ViewOf(b)) {}

private:
    Counter guard_;
    QSignalBlocker block_;
};

void ApplyColors(Binding& b, QTreeWidgetItem& item, ui::TTreeNode* node)
{
    ui::TTreeView& tree = TreeOf(b);
    ui::TItemColors colors;
    try {
        colors = tree.ItemColors(node);
    } catch (...) {
        colors = ui::TItemColors{tree.Color(), tree.Font().Color()};
    }
    item.setBackground(0, ToQColor(colors.Background));
    item.setForeground(0, ToQColor(colors.Text));
}

// The node's item with the items of its children, not yet in the widget.
std::unique_ptr<QTreeWidgetItem> MakeItem(Binding& b, ui::TTreeNode& node)
{
    auto item = std::make_unique<QTreeWidgetItem>();
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
    item->setText(0, ToQt(node.Text()));
    ApplyColors(b, *item, &node);
    b.tree.items[&node] = item.get();
    ++b.core.TreeItemsTouched();
    for (int i = 0; i < node.Count(); ++i) item->addChild(MakeItem(b, *node.Item(i)).release());
    return item;
}

// Items open only once they stand in the widget.
void ApplyExpanded(const Binding& b, ui::TTreeNode& node)
{
    if (!node.Expanded()) return;
    ItemOf(b, &node)->setExpanded(true);
    for (int i = 0; i < node.Count(); ++i) ApplyExpanded(b, *node.Item(i));
}

// Indices from the root down to the node.
std::vector<int> PathOf(const ui::TTreeNode* node)
{
    std::vector<int> path;
    for (; node != nullptr; node = node->Parent()) path.insert(path.begin(), node->Index());
    return path;
}

// Whether the children of `parent` have rows.
bool RowsOf(const ui::TTreeNode* parent) { return parent == nullptr || (parent->Expanded() && parent->IsVisible()); }

// Whether rows that came or went from child number `index` of `parent` on stood above the first row:
// the widget keeps its scroll offset, so its first row moved.
bool AboveTop(const ui::TTreeNode* parent, int index, const ui::TTreeNode* top)
{
    if (top == nullptr) return false;
    std::vector<int> at = PathOf(parent);
    at.push_back(index);
    return at <= PathOf(top);
}

void ScrollToTop(Binding& b, const ui::TTreeNode* top)
{
    b.tree.appliedTop = top;
    b.tree.scrollWaiting = !b.tree.waiting.empty();
    if (b.tree.scrollWaiting) return;
    ++b.core.TreeItemsTouched();
    if (QTreeWidgetItem* item = ItemOf(b, top)) ViewOf(b)->scrollToItem(item, QAbstractItemView::PositionAtTop);
}

// The model's first row is the widget's, also where the model moved it without saying so (its top node
// went or lost its row) and where rows came or went above it.
void FollowTop(Binding& b, bool rowsMovedAboveTop = false)
{
    const ui::TTreeNode* top = TreeOf(b).TopItem();
    if (top != b.tree.appliedTop || rowsMovedAboveTop) ScrollToTop(b, top);
}

void JoinNow(Binding& b) { JoinWaitingRows(b, Core::WaitingRows::Now); }

void ApplySelected(Binding& b, ui::TTreeNode* selected)
{
    JoinNow(b);
    QTreeWidget* view = ViewOf(b);
    // A row's colours depend on whether it is selected.
    if (QTreeWidgetItem* old = ItemOf(b, b.tree.appliedSelected)) ApplyColors(b, *old, b.tree.appliedSelected);
    b.tree.appliedSelected = selected;
    // Selecting from code scrolls nothing: the first row is the model's to say.
    const bool autoScroll = view->hasAutoScroll();
    view->setAutoScroll(false);
    if (QTreeWidgetItem* item = ItemOf(b, selected)) {
        ApplyColors(b, *item, selected);
        view->setCurrentItem(item);
    } else {
        view->setCurrentItem(nullptr);
        view->clearSelection();
    }
    view->setAutoScroll(autoScroll);
    b.core.TreeItemsTouched() += 2;
}

void ApplyTreeSelection(Binding& b)
{
    Applying applying(b);
    ApplySelected(b, TreeOf(b).Selected());
    FollowTop(b);
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
        auto* view = ViewOf(b);
        Core& core = b.core;
        ui::TControl* c = b.control;
        auto& tree = TreeOf(b);
        QObject* context = b.context.get();
        QObject::connect(view, &QTreeWidget::currentItemChanged, context, [&core, c, &tree](QTreeWidgetItem* item) {
            if (core.Applying()) return;
            Binding* b = core.Find(*c);
            ui::TTreeNode* node = b != nullptr ? NodeOf(*b, item) : nullptr;
            if (node == nullptr) return;
            if (!core.Deliver(*c, [&] { core.User().SelectNode(tree, node); })) return;
            // The model may have refused the change.
            if (Binding* again = core.Find(*c); again != nullptr && again->widget && !again->tree.dirty)
                ApplyTreeSelection(*again);
        });
        const auto expand = [&core, c](QTreeWidgetItem* item, bool open) {
            if (core.Applying()) return;
            Binding* b = core.Find(*c);
            if (ui::TTreeNode* node = b != nullptr ? NodeOf(*b, item) : nullptr)
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

    // The coarse report that follows every change: already applied when the node-by-node one came.
    void Items(Binding& b) const override
    {
        if (!std::exchange(b.tree.heardItems, false)) b.core.MarkTreeDirty(b);
    }

    void Selection(Binding& b) const override
    {
        if (!std::exchange(b.tree.heardSelection, false) && !b.tree.dirty) ApplyTreeSelection(b);
    }

    void Style(Binding& b) const override
    {
        const auto& tree = TreeOf(b);
        auto* view = ViewOf(b);
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
    ui::TTreeView& tree = TreeOf(b);
    QTreeWidget* view = ViewOf(b);
    Applying applying(b);
    TreeState& state = b.tree;
    state.dirty = false;
    state.heardItems = state.heardSelection = state.scrollWaiting = false;
    state.items.clear();
    state.waiting.clear();
    state.appliedTop = nullptr;
    state.appliedSelected = nullptr;
    view->clear();
    QList<QTreeWidgetItem*> roots;
    for (int i = 0; i < tree.Items().RootCount(); ++i) roots.append(MakeItem(b, *tree.Items().Root(i)).release());
    view->addTopLevelItems(roots);
    for (int i = 0; i < tree.Items().RootCount(); ++i) ApplyExpanded(b, *tree.Items().Root(i));
    ApplySelected(b, tree.Selected());
    FollowTop(b);
}

bool JoinWaitingRows(Binding& b, Core::WaitingRows when)
{
    TreeState& state = b.tree;
    if (state.waiting.empty()) return true;
    QTreeWidget* view = ViewOf(b);
    const auto waited = std::chrono::steady_clock::now() - state.waitingSince;
    if (when == Core::WaitingRows::WhenDue && waited < std::max<std::chrono::steady_clock::duration>(
                                                            kBatchWait, kBatchWaitPerRow * view->topLevelItemCount()))
        return false;
    Applying applying(b);
    QList<QTreeWidgetItem*> rows;
    for (std::unique_ptr<QTreeWidgetItem>& row : state.waiting) rows.append(row.release());
    state.waiting.clear();
    view->addTopLevelItems(rows);
    for (QTreeWidgetItem* row : rows)
        if (ui::TTreeNode* node = NodeOf(b, row)) ApplyExpanded(b, *node);
    if (std::exchange(state.scrollWaiting, false)) ScrollToTop(b, state.appliedTop);
    return true;
}

void InsertTreeItem(Binding& b, ui::TTreeNode* parent, int index, ui::TTreeNode& node)
{
    TreeState& state = b.tree;
    QTreeWidget* view = ViewOf(b);
    if (parent == nullptr && index == view->topLevelItemCount() + static_cast<int>(state.waiting.size())) {
        state.heardItems = true;
        if (state.waiting.empty()) {
            state.waitingSince = std::chrono::steady_clock::now();
            b.core.MarkTreeWaiting(b);
        }
        state.waiting.push_back(MakeItem(b, node));
        FollowTop(b);
        return;
    }
    if (parent == nullptr) JoinNow(b);
    QTreeWidgetItem* parentItem = parent != nullptr ? ItemOf(b, parent) : view->invisibleRootItem();
    if (parentItem == nullptr || index > parentItem->childCount()) {
        b.core.MarkTreeDirty(b);
        return;
    }
    state.heardItems = true;
    Applying applying(b);
    parentItem->insertChild(index, MakeItem(b, node).release());
    FollowTop(b, RowsOf(parent) && AboveTop(parent, index, state.appliedTop));
}

void RemoveTreeItem(Binding& b, const ui::TTreeNode* parent, int index, const ui::TTreeNode* node)
{
    TreeState& state = b.tree;
    if (parent == nullptr) JoinNow(b);
    QTreeWidgetItem* parentItem = parent != nullptr ? ItemOf(b, parent) : ViewOf(b)->invisibleRootItem();
    QTreeWidgetItem* item = ItemOf(b, node);
    // Its children went before it, each with a report of its own.
    if (parentItem == nullptr || item == nullptr || parentItem->child(index) != item || item->childCount() != 0) {
        b.core.MarkTreeDirty(b);
        return;
    }
    state.heardItems = true;
    Applying applying(b);
    state.items.erase(node);
    if (state.appliedSelected == node) state.appliedSelected = nullptr;
    if (state.appliedTop == node) state.appliedTop = nullptr;
    delete parentItem->takeChild(index);
    ++b.core.TreeItemsTouched();
    FollowTop(b, RowsOf(parent) && AboveTop(parent, index, state.appliedTop));
}

void ChangeTreeItem(Binding& b, ui::TTreeNode& node, ui::TreeNodeChange what)
{
    QTreeWidgetItem* item = ItemOf(b, &node);
    if (item == nullptr) {
        b.core.MarkTreeDirty(b);
        return;
    }
    b.tree.heardItems = true;
    Applying applying(b);
    ++b.core.TreeItemsTouched();
    switch (what) {
    case ui::TreeNodeChange::Text: item->setText(0, ToQt(node.Text())); break;
    case ui::TreeNodeChange::Colors: ApplyColors(b, *item, &node); break;
    case ui::TreeNodeChange::Expanded:
        // A row that waits opens when it joins.
        item->setExpanded(node.Expanded());
        FollowTop(b, node.HasChildren() && node.IsVisible() && AboveTop(&node, 0, b.tree.appliedTop));
        break;
    }
}

void ClearTreeItems(Binding& b)
{
    TreeState& state = b.tree;
    state.heardItems = true;
    Applying applying(b);
    b.core.TreeItemsTouched() += state.items.size();
    state.items.clear();
    state.waiting.clear();
    state.appliedTop = nullptr;
    state.appliedSelected = nullptr;
    state.scrollWaiting = false;
    ViewOf(b)->clear();
}

void SelectTreeItem(Binding& b, ui::TTreeNode* selected)
{
    b.tree.heardSelection = true;
    Applying applying(b);
    ApplySelected(b, selected);
}

void ScrollTree(Binding& b, ui::TTreeNode* top)
{
    b.tree.heardSelection = true;
    Applying applying(b);
    ScrollToTop(b, top);
}

const Kind& TreeKind()
{
    static const Tree kind;
    return kind;
}

}  // namespace gui::mirror
