#include "ui/ComCtrls.h"

#include <algorithm>
#include <stdexcept>

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
    owner_.view_.NodeChanged();
}

void TTreeNode::SetStateIndex(int v)
{
    if (v == stateIndex_) return;
    stateIndex_ = v;
    owner_.view_.NodeChanged();
}

void TTreeNode::SetSelectedIndex(int v)
{
    if (v == selectedIndex_) return;
    selectedIndex_ = v;
    owner_.view_.NodeChanged();
}

void TTreeNode::SetImageIndex(int v)
{
    if (v == imageIndex_) return;
    imageIndex_ = v;
    owner_.view_.NodeChanged();
}

TTreeNode* TTreeNode::Item(int index) const
{
    if (index < 0 || index >= Count()) throw std::out_of_range("Tree node index out of bounds");
    return children_[static_cast<std::size_t>(index)].get();
}

int TTreeNode::Index() const
{
    const auto& siblings = owner_.Siblings(parent_);
    for (std::size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == this) return static_cast<int>(i);
    return -1;
}

int TTreeNode::Level() const
{
    int level = 0;
    for (const TTreeNode* p = parent_; p != nullptr; p = p->parent_) ++level;
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
    const int i = Index();
    return i + 1 < static_cast<int>(siblings.size()) ? siblings[static_cast<std::size_t>(i + 1)].get() : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const
{
    const auto& siblings = owner_.Siblings(parent_);
    const int i = Index();
    return i > 0 ? siblings[static_cast<std::size_t>(i - 1)].get() : nullptr;
}

TTreeNode* TTreeNode::GetNext() const
{
    if (!children_.empty()) return children_.front().get();
    for (const TTreeNode* n = this; n != nullptr; n = n->parent_)
        if (TTreeNode* next = n->GetNextSibling()) return next;
    return nullptr;
}

void TTreeNode::SetExpanded(bool v)
{
    if (v == expanded_) return;
    expanded_ = v;
    owner_.view_.NodeChanged();
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
    for (const TTreeNode* p = parent_; p != nullptr; p = p->parent_)
        if (!p->expanded_) return false;
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

int TTreeNodes::Count() const
{
    int count = 0;
    for (TTreeNode* n = GetFirstNode(); n != nullptr; n = n->GetNext()) ++count;
    return count;
}

TTreeNode* TTreeNodes::Item(int absoluteIndex) const
{
    int index = 0;
    for (TTreeNode* n = GetFirstNode(); n != nullptr; n = n->GetNext(), ++index)
        if (index == absoluteIndex) return n;
    throw std::out_of_range("Tree node index out of bounds");
}

TTreeNode* TTreeNodes::InsertAt(TTreeNode* parent, std::size_t position, std::string text)
{
    auto node = std::unique_ptr<TTreeNode>(new TTreeNode(*this));
    node->parent_ = parent;
    node->text_ = std::move(text);
    TTreeNode* raw = node.get();
    auto& siblings = Siblings(parent);
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(std::min(position, siblings.size())),
                    std::move(node));
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
    return InsertAt(parent, Siblings(parent).size(), std::move(text));
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* parent, std::string text) { return InsertAt(parent, 0, std::move(text)); }

TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, std::string text)
{
    if (sibling == nullptr) return Add(nullptr, std::move(text));
    return InsertAt(sibling->parent_, static_cast<std::size_t>(sibling->Index()), std::move(text));
}

void TTreeNodes::Delete(TTreeNode* node)
{
    if (node == nullptr) return;
    node->DeleteChildren();
    view_.NodeRemoving(node);
    auto& siblings = Siblings(node->parent_);
    const auto it = std::find_if(siblings.begin(), siblings.end(), [node](const auto& n) { return n.get() == node; });
    if (it == siblings.end()) return;
    std::unique_ptr<TTreeNode> doomed = std::move(*it);
    siblings.erase(it);
    view_.NodeChanged();
}

void TTreeNodes::Clear()
{
    BeginUpdate();
    while (!roots_.empty()) Delete(roots_.back().get());
    EndUpdate();
}

void TTreeNodes::EndUpdate()
{
    if (updating_ > 0 && --updating_ == 0) view_.NodeChanged();
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

void TTreeView::NodeAdded(TTreeNode* node)
{
    NodeChanged();
    Fire(OnAddition, this, node);
}

void TTreeView::NodeRemoving(TTreeNode* node)
{
    Fire(OnDeletion, this, node);
    if (top_ == node) top_ = nullptr;
    if (selected_ == node) {
        selected_ = nullptr;
        Changed(ModelChange::Selection);
        Fire(OnChange, this, static_cast<TTreeNode*>(nullptr));
    }
}

void TTreeView::NodeChanged()
{
    if (items_.updating_ == 0) Changed(ModelChange::Items);
}

void TTreeView::SetSelected(TTreeNode* node)
{
    if (node == selected_) return;
    bool allow = true;
    Fire(OnChanging, this, node, allow);
    if (!allow) return;
    selected_ = node;
    if (node != nullptr && autoExpand_) node->Expand(false);
    Changed(ModelChange::Selection);
    Fire(OnChange, this, node);
}

std::vector<TTreeNode*> TTreeView::VisibleNodes() const
{
    std::vector<TTreeNode*> rows;
    for (TTreeNode* n = items_.GetFirstNode(); n != nullptr; n = n->GetNext())
        if (n->IsVisible()) rows.push_back(n);
    return rows;
}

int TTreeView::VisibleRowCount() const { return std::max(1, ClientHeight() / itemHeight_); }

TTreeNode* TTreeView::TopItem() const
{
    if (top_ != nullptr && top_->IsVisible()) return top_;
    const auto rows = VisibleNodes();
    return rows.empty() ? nullptr : rows.front();
}

void TTreeView::SetTopItem(TTreeNode* node)
{
    const auto rows = VisibleNodes();
    const auto it = std::find(rows.begin(), rows.end(), node);
    if (it == rows.end()) return;
    const int wanted = static_cast<int>(it - rows.begin());
    const int last = std::max(0, static_cast<int>(rows.size()) - VisibleRowCount());
    TTreeNode* top = rows[static_cast<std::size_t>(std::min(wanted, last))];
    if (top == top_) return;
    top_ = top;
    Changed(ModelChange::Selection);
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
