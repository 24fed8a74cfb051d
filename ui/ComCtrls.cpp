#include "ui/ComCtrls.h"

#include <algorithm>
#include <stdexcept>

#include "ui/Application.h"

namespace ui {

int TImageList::Add(std::string resourceName)
{
    names_.push_back(std::move(resourceName));
    return Count() - 1;
}

// ---------------------------------------------------------------- TTreeNode

void TTreeNode::SetText(std::string text)
{
    if (text == text_) return;
    text_ = std::move(text);
    owner_.view_.NodeChanged(*this, TreeNodeChange::Text);
}

void TTreeNode::SetStateIndex(int v)
{
    if (v == stateIndex_) return;
    stateIndex_ = v;
    owner_.view_.NodeChanged(*this, TreeNodeChange::Colors);
}

void TTreeNode::SetSelectedIndex(int v)
{
    if (v == selectedIndex_) return;
    selectedIndex_ = v;
    owner_.view_.NodeChanged(*this, TreeNodeChange::Colors);
}

void TTreeNode::SetImageIndex(int v)
{
    if (v == imageIndex_) return;
    imageIndex_ = v;
    owner_.view_.NodeChanged(*this, TreeNodeChange::Colors);
}

TTreeNode* TTreeNode::Item(int index) const
{
    if (index < 0 || index >= Count()) throw std::out_of_range("Tree node index out of bounds");
    return children_[static_cast<std::size_t>(index)].get();
}

int TTreeNode::Level() const
{
    int level = 0;
    for (const TTreeNode* p = parent_; p != nullptr; p = p->parent_) {
        owner_.Step();
        ++level;
    }
    return level;
}

int TTreeNode::AbsoluteIndex() const
{
    int index = 0;
    for (TTreeNode* n = owner_.GetFirstNode(); n != nullptr; n = n->GetNext(), ++index)
        if (n == this) return index;
    return -1;
}

TTreeNode* TTreeNode::GetNextSibling() const
{
    const auto& siblings = owner_.Siblings(parent_);
    const auto next = static_cast<std::size_t>(index_) + 1;
    return next < siblings.size() ? siblings[next].get() : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const
{
    return index_ > 0 ? owner_.Siblings(parent_)[static_cast<std::size_t>(index_ - 1)].get() : nullptr;
}

TTreeNode* TTreeNode::GetNext() const
{
    owner_.Step();
    if (!children_.empty()) return children_.front().get();
    for (const TTreeNode* n = this; n != nullptr; n = n->parent_) {
        if (TTreeNode* next = n->GetNextSibling()) return next;
        owner_.Step();
    }
    return nullptr;
}

TTreeNode* TTreeNode::NextRow() const
{
    owner_.Step();
    if (expanded_ && !children_.empty()) return children_.front().get();
    for (const TTreeNode* n = this; n != nullptr; n = n->parent_) {
        if (TTreeNode* next = n->GetNextSibling()) return next;
        owner_.Step();
    }
    return nullptr;
}

TTreeNode* TTreeNode::PrevRow() const
{
    owner_.Step();
    if (TTreeNode* prev = GetPrevSibling()) return prev->LastRow();
    return parent_;
}

TTreeNode* TTreeNode::LastRow()
{
    TTreeNode* n = this;
    while (n->expanded_ && !n->children_.empty()) {
        owner_.Step();
        n = n->children_.back().get();
    }
    return n;
}

void TTreeNode::SetExpanded(bool v)
{
    if (v == expanded_) return;
    expanded_ = v;
    owner_.view_.NodeChanged(*this, TreeNodeChange::Expanded);
    if (v) {
        Fire(owner_.view_.OnExpanded, &owner_.view_, this);
    } else {
        Fire(owner_.view_.OnCollapsed, &owner_.view_, this);
    }
}

void TTreeNode::Expand(bool recursive)
{
    SetExpanded(true);
    if (recursive)
        for (auto& child : children_) child->Expand(true);
}

void TTreeNode::Collapse(bool recursive)
{
    SetExpanded(false);
    if (recursive)
        for (auto& child : children_) child->Collapse(true);
}

bool TTreeNode::Selected() const { return owner_.view_.Selected() == this; }

bool TTreeNode::IsVisible() const
{
    for (const TTreeNode* p = parent_; p != nullptr; p = p->parent_) {
        owner_.Step();
        if (!p->expanded_) return false;
    }
    return true;
}

TTreeView* TTreeNode::TreeView() const { return &owner_.view_; }

void TTreeNode::Delete() { owner_.Delete(this); }

void TTreeNode::DeleteChildren()
{
    while (!children_.empty()) owner_.Delete(children_.back().get());
}

// ---------------------------------------------------------------- TTreeNodes

TTreeNodes::~TTreeNodes() = default;

std::vector<std::unique_ptr<TTreeNode>>& TTreeNodes::Siblings(TTreeNode* parent)
{
    return parent ? parent->children_ : roots_;
}

const std::vector<std::unique_ptr<TTreeNode>>& TTreeNodes::Siblings(const TTreeNode* parent) const
{
    return parent ? parent->children_ : roots_;
}

TTreeNode* TTreeNodes::Item(int absoluteIndex) const
{
    int index = 0;
    for (TTreeNode* n = GetFirstNode(); n != nullptr; n = n->GetNext(), ++index)
        if (index == absoluteIndex) return n;
    throw std::out_of_range("Tree node index out of bounds");
}

void TTreeNodes::Renumber(std::vector<std::unique_ptr<TTreeNode>>& siblings, std::size_t from)
{
    for (std::size_t i = from; i < siblings.size(); ++i) {
        Step();
        siblings[i]->index_ = static_cast<int>(i);
    }
}

int TTreeNodes::SubtreeSize(const TTreeNode& node) const
{
    int size = 1;
    for (const auto& child : node.children_) size += SubtreeSize(*child);
    return size;
}

TTreeNode* TTreeNodes::InsertAt(TTreeNode* parent, std::size_t position, std::string text)
{
    if (parent != nullptr && &parent->owner_ != this) throw std::invalid_argument("The parent node belongs to another tree");
    auto& siblings = Siblings(parent);
    position = std::min(position, siblings.size());
    auto node = std::unique_ptr<TTreeNode>(new TTreeNode(*this));
    node->parent_ = parent;
    node->text_ = std::move(text);
    TTreeNode* raw = node.get();
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(position), std::move(node));
    Renumber(siblings, position);
    ++count_;
    view_.NodeAdded(raw);
    return raw;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, std::string text)
{
    TTreeNode* parent = sibling ? sibling->parent_ : nullptr;
    return InsertAt(parent, Siblings(parent).size(), std::move(text));
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* sibling, std::string text)
{
    return InsertAt(sibling ? sibling->parent_ : nullptr, 0, std::move(text));
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, std::string text)
{
    return InsertAt(parent, parent ? parent->children_.size() : roots_.size(), std::move(text));
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* parent, std::string text) { return InsertAt(parent, 0, std::move(text)); }

TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, std::string text)
{
    if (sibling == nullptr) return Add(nullptr, std::move(text));
    return InsertAt(sibling->parent_, static_cast<std::size_t>(sibling->index_), std::move(text));
}

void TTreeNodes::Delete(TTreeNode* node)
{
    if (node == nullptr || &node->owner_ != this) return;
    node->DeleteChildren();
    view_.NodeRemoving(node);
    // The handlers ran: the node must still be where it was.
    auto& siblings = Siblings(node->parent_);
    const auto index = static_cast<std::size_t>(node->index_);
    if (index >= siblings.size() || siblings[index].get() != node) return;
    TTreeNode* parent = node->parent_;
    const std::unique_ptr<TTreeNode> gone = std::move(siblings[index]);
    siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(index));
    Renumber(siblings, index);
    count_ -= SubtreeSize(*gone);
    Step();
    view_.NodeRemoved(parent, static_cast<int>(index), gone.get());
}

void TTreeNodes::Clear()
{
    BeginUpdate();
    // Announcing each node takes one by one what otherwise goes at once.
    if (view_.OnDeletion) {
        while (!roots_.empty()) Delete(roots_.back().get());
    }
    Step(static_cast<std::uint64_t>(count_));
    std::vector<std::unique_ptr<TTreeNode>> gone;
    gone.swap(roots_);
    count_ = 0;
    // The nodes live until the handlers have heard of the clear: the selection still points at one.
    view_.NodesCleared();
    gone.clear();
    EndUpdate();
}

void TTreeNodes::EndUpdate()
{
    if (updating_ > 0 && --updating_ == 0) view_.ItemsChanged();
}

// ---------------------------------------------------------------- TTreeView

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner)
{
    SetDefaultSize(121, 97);
    SetColor(clWindow);
    SetTabStop(true);
}

TTreeView::~TTreeView()
{
    // The nodes go without events: handlers may belong to a form that is already gone.
    OnChange = nullptr;
    OnChanging = nullptr;
    OnDeletion = nullptr;
    selected_ = nullptr;
}

template <class Tell>
void TTreeView::TellObserver(Tell tell)
{
    if (Application* app = CurrentApplication()) tell(app->Observer());
}

void TTreeView::ItemsChanged()
{
    if (items_.updating_ == 0) Changed(ModelChange::Items);
}

void TTreeView::SelectionChanged()
{
    TellObserver([&](ModelObserver& o) { o.TreeSelectionChanged(*this, selected_); });
    Changed(ModelChange::Selection);
}

void TTreeView::TopChanged()
{
    TellObserver([&](ModelObserver& o) { o.TreeTopItemChanged(*this, TopItem()); });
    Changed(ModelChange::Selection);
}

void TTreeView::NodeAdded(TTreeNode* node)
{
    TellObserver([&](ModelObserver& o) { o.TreeNodeInserted(*this, node->parent_, node->index_, *node); });
    ItemsChanged();
    Fire(OnAddition, this, node);
}

void TTreeView::NodeRemoving(TTreeNode* node)
{
    Fire(OnDeletion, this, node);
    if (top_ == node) top_ = nullptr;
    if (selected_ == node) {
        selected_ = nullptr;
        SelectionChanged();
        Fire(OnChange, this, static_cast<TTreeNode*>(nullptr));
    }
}

void TTreeView::NodeRemoved(TTreeNode* parent, int index, const TTreeNode* node)
{
    TellObserver([&](ModelObserver& o) { o.TreeNodeRemoved(*this, parent, index, node); });
    ItemsChanged();
}

void TTreeView::NodeChanged(TTreeNode& node, TreeNodeChange what)
{
    TellObserver([&](ModelObserver& o) { o.TreeNodeChanged(*this, node, what); });
    ItemsChanged();
}

void TTreeView::NodesCleared()
{
    top_ = nullptr;
    TellObserver([&](ModelObserver& o) { o.TreeCleared(*this); });
    if (selected_ != nullptr) {
        selected_ = nullptr;
        SelectionChanged();
        Fire(OnChange, this, static_cast<TTreeNode*>(nullptr));
    }
}

void TTreeView::SetSelected(TTreeNode* node)
{
    if (node == selected_) return;
    if (node != nullptr && &node->owner_ != &items_) return;
    bool allow = true;
    Fire(OnChanging, this, node, allow);
    if (!allow) return;
    selected_ = node;
    if (node != nullptr && autoExpand_) node->Expand(false);
    SelectionChanged();
    Fire(OnChange, this, node);
}

std::vector<TTreeNode*> TTreeView::VisibleNodes() const
{
    std::vector<TTreeNode*> rows;
    for (TTreeNode* n = items_.GetFirstNode(); n != nullptr; n = n->NextRow()) rows.push_back(n);
    return rows;
}

int TTreeView::VisibleRowCount() const { return std::max(1, ClientHeight() / itemHeight_); }

TTreeNode* TTreeView::TopItem() const
{
    if (top_ != nullptr && top_->IsVisible()) return top_;
    return items_.GetFirstNode();
}

void TTreeView::SetTopItem(TTreeNode* node)
{
    if (node == nullptr || &node->owner_ != &items_ || !node->IsVisible()) return;
    // Fewer rows below the node than the view shows: the last rows fill it.
    const int shown = VisibleRowCount();
    int below = 0;
    for (const TTreeNode* n = node->NextRow(); n != nullptr && below < shown - 1; n = n->NextRow()) ++below;
    TTreeNode* top = node;
    for (int up = shown - 1 - below; up > 0; --up) {
        TTreeNode* above = top->PrevRow();
        if (above == nullptr) break;
        top = above;
    }
    if (top == top_) return;
    top_ = top;
    TopChanged();
}

void TTreeView::FullExpand()
{
    for (int i = 0; i < items_.RootCount(); ++i) items_.Root(i)->Expand(true);
}

void TTreeView::FullCollapse()
{
    for (int i = 0; i < items_.RootCount(); ++i) items_.Root(i)->Collapse(true);
}

TItemColors TTreeView::ItemColors(TTreeNode* node)
{
    TItemColors colors{Color(), Font().Color()};
    TCustomDrawState state;
    if (node != nullptr && node == selected_) state.Include(cdsSelected);
    bool defaultDraw = true;
    Fire(OnCustomDrawItem, this, node, state, colors, defaultDraw);
    return colors;
}

// ---------------------------------------------------------------- TListView

TListView::TListView(TComponent* owner) : TWinControl(owner)
{
    SetDefaultSize(250, 150);
    SetColor(clWindow);
    SetTabStop(true);
}

TListColumn& TListView::AddColumn(std::string caption, int width)
{
    columns_.push_back(TListColumn{std::move(caption), width});
    Changed(ModelChange::Items);
    return columns_.back();
}

TListItem* TListView::AddItem(std::string caption)
{
    auto item = std::make_unique<TListItem>();
    item->Caption = std::move(caption);
    items_.push_back(std::move(item));
    Changed(ModelChange::Items);
    return items_.back().get();
}

TListItem* TListView::Item(int index) const
{
    if (index < 0 || index >= ItemCount()) throw std::out_of_range("List item index out of bounds");
    return items_[static_cast<std::size_t>(index)].get();
}

void TListView::DeleteItem(int index)
{
    Item(index);
    items_.erase(items_.begin() + index);
    if (itemIndex_ == index) itemIndex_ = -1;
    else if (itemIndex_ > index) --itemIndex_;
    Changed(ModelChange::Items);
}

void TListView::ClearItems()
{
    items_.clear();
    itemIndex_ = -1;
    Changed(ModelChange::Items);
}

void TListView::SetItemIndex(int index)
{
    if (index < 0 || index >= ItemCount()) index = -1;
    if (index == itemIndex_) return;
    itemIndex_ = index;
    Changed(ModelChange::Selection);
}

// ---------------------------------------------------------------- status bar

void TStatusPanel::SetText(std::string text)
{
    if (text == text_) return;
    text_ = std::move(text);
    bar_.Changed(ModelChange::Items);
}

void TStatusPanel::SetWidth(int width)
{
    if (width == width_) return;
    width_ = width;
    bar_.Changed(ModelChange::Items);
}

void TStatusPanel::SetAlignment(TAlignment v)
{
    alignment_ = v;
    bar_.Changed(ModelChange::Items);
}

int TStatusPanel::Index() const
{
    const TStatusPanels& panels = bar_.Panels();
    for (int i = 0; i < panels.Count(); ++i)
        if (panels.Items(i) == this) return i;
    return -1;
}

TStatusPanel* TStatusPanels::Add()
{
    panels_.push_back(std::unique_ptr<TStatusPanel>(new TStatusPanel(bar_)));
    bar_.Changed(ModelChange::Items);
    return panels_.back().get();
}

TStatusPanel* TStatusPanels::Items(int index) const
{
    if (index < 0 || index >= Count()) throw std::out_of_range("Status panel index out of bounds");
    return panels_[static_cast<std::size_t>(index)].get();
}

void TStatusPanels::Delete(int index)
{
    Items(index);
    panels_.erase(panels_.begin() + index);
    bar_.Changed(ModelChange::Items);
}

void TStatusPanels::Clear()
{
    panels_.clear();
    bar_.Changed(ModelChange::Items);
}

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner)
{
    SetDefaultSize(200, 19);
    SetAlign(alBottom);
}

TRect TStatusBar::PanelRect(int index) const
{
    int left = 0;
    for (int i = 0; i < index; ++i) left += panels_.Items(i)->Width();
    const TStatusPanel* panel = panels_.Items(index);
    const int right = index == panels_.Count() - 1 ? std::max(left, Width()) : left + panel->Width();
    return Rect(left, 0, right, Height());
}

// ---------------------------------------------------------------- progress bar

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) { SetDefaultSize(150, 17); }

void TProgressBar::SetMin(int v)
{
    min_ = v;
    if (max_ < min_) max_ = min_;
    SetPosition(position_);
    Changed(ModelChange::State);
}

void TProgressBar::SetMax(int v)
{
    max_ = v;
    if (min_ > max_) min_ = max_;
    SetPosition(position_);
    Changed(ModelChange::State);
}

void TProgressBar::SetPosition(int v)
{
    v = std::clamp(v, min_, max_);
    if (v == position_) return;
    position_ = v;
    Changed(ModelChange::State);
}

// ---------------------------------------------------------------- toolbar

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) { SetDefaultSize(23, 22); }

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

void TToolButton::SetStyle(TToolButtonStyle v)
{
    if (v == style_) return;
    style_ = v;
    Changed(ModelChange::Other);
    if (TToolBar* bar = ToolBar()) bar->ArrangeButtons();
}

void TToolButton::SetDown(bool v)
{
    if (v == down_) return;
    down_ = v;
    Changed(ModelChange::State);
}

void TToolButton::VisibleChanged()
{
    if (TToolBar* bar = ToolBar()) bar->ArrangeButtons();
}

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner)
{
    SetDefaultSize(200, 29);
    SetAlign(alTop);
}

void TToolBar::SetButtonWidth(int v)
{
    buttonWidth_ = v;
    ArrangeButtons();
}

void TToolBar::SetButtonHeight(int v)
{
    buttonHeight_ = v;
    ArrangeButtons();
}

int TToolBar::ButtonCount() const
{
    int count = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (Is<TToolButton>(Controls(i))) ++count;
    return count;
}

TToolButton* TToolBar::Buttons(int index) const
{
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* button = dynamic_cast<TToolButton*>(Controls(i)); button && index-- == 0) return button;
    throw std::out_of_range("Tool button index out of bounds");
}

void TToolBar::ArrangeButtons()
{
    if (arranging_) return;
    arranging_ = true;
    int x = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        auto* button = dynamic_cast<TToolButton*>(Controls(i));
        if (button == nullptr || !button->Visible()) continue;
        const bool separator = button->Style() == tbsSeparator || button->Style() == tbsDivider;
        const int width = separator ? 8 : buttonWidth_;
        button->SetBounds(x, 2, width, buttonHeight_);
        x += width;
    }
    arranging_ = false;
}

// ---------------------------------------------------------------- TComboBoxEx

TComboBoxEx::TComboBoxEx(TComponent* owner) : TCustomCombo(owner) { SetStyle(csDropDownList); }

int TComboBoxEx::AddItem(std::string caption, int imageIndex, int selectedImageIndex, int overlayImageIndex,
                         int indent, std::intptr_t data)
{
    const int index = Items().Count();
    InsertItem(index, std::move(caption), imageIndex, selectedImageIndex, overlayImageIndex, indent, data);
    return index;
}

void TComboBoxEx::InsertItem(int index, std::string caption, int imageIndex, int selectedImageIndex,
                             int overlayImageIndex, int indent, std::intptr_t data)
{
    Items().Insert(index, std::move(caption));
    Items().SetData(index, data);
    images_[static_cast<std::size_t>(index)] = TComboExItemImages{imageIndex, selectedImageIndex, overlayImageIndex, indent};
}

void TComboBoxEx::ItemsChanged(TStrings::Change change, int index)
{
    switch (change) {
    case TStrings::Change::Inserted: images_.insert(images_.begin() + index, TComboExItemImages{}); break;
    case TStrings::Change::Deleted: images_.erase(images_.begin() + index); break;
    case TStrings::Change::Modified: break;
    case TStrings::Change::Cleared:
    case TStrings::Change::Reset: images_.assign(static_cast<std::size_t>(Items().Count()), TComboExItemImages{}); break;
    }
    TCustomCombo::ItemsChanged(change, index);
}

}  // namespace ui
