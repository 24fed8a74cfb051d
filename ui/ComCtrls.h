#pragma once
// The common controls: tree view, list view, status bar, progress bar, toolbar, the extended combo
// box with pictures, and image lists.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/StdCtrls.h"
#include "ui/Strings.h"

namespace ui {

class TTreeNodes;
class TTreeView;

// Pictures by resource name; controls refer to them by index.
class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* owner) : TComponent(owner) {}
    int Add(std::string resourceName);
    int Count() const { return static_cast<int>(names_.size()); }
    const std::string& Name(int index) const { return names_.at(static_cast<std::size_t>(index)); }
    int Width() const { return width_; }
    void SetWidth(int v) { width_ = v; }
    int Height() const { return height_; }
    void SetHeight(int v) { height_ = v; }

private:
    std::vector<std::string> names_;
    int width_ = 16;
    int height_ = 16;
};

// ---------------------------------------------------------------- tree view

// One node: a text, two free integers (StateIndex, SelectedIndex; the log keeps its colours there),
// an image index, a data value and child nodes. Nodes belong to their tree; pointers stay valid until
// the node is deleted.
//
// Cost: a node knows its place among its siblings, so sibling steps, Index and adding at the end are
// constant work; Level, IsVisible and GetNext walk up through the ancestors only. AbsoluteIndex and
// TTreeNodes::Item walk the tree from its first node.
class TTreeNode : public TObject {
public:
    const std::string& Text() const { return text_; }
    void SetText(std::string text);
    int StateIndex() const { return stateIndex_; }
    void SetStateIndex(int v);
    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int v);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int v);
    std::intptr_t Data() const { return data_; }
    void SetData(std::intptr_t v) { data_ = v; }

    TTreeNode* Parent() const { return parent_; }
    int Count() const { return static_cast<int>(children_.size()); }
    bool HasChildren() const { return !children_.empty(); }
    // Throws std::out_of_range.
    TTreeNode* Item(int index) const;
    // Position among its siblings.
    int Index() const { return index_; }
    // 0 for a root node.
    int Level() const;
    // Position in the whole tree in tree order (a node, then its children).
    int AbsoluteIndex() const;
    TTreeNode* GetFirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
    TTreeNode* GetLastChild() const { return children_.empty() ? nullptr : children_.back().get(); }
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    // The next node in tree order, nullptr after the last.
    TTreeNode* GetNext() const;

    bool Expanded() const { return expanded_; }
    void SetExpanded(bool v);
    void Expand(bool recursive);
    void Collapse(bool recursive);
    bool Selected() const;
    // True when every ancestor is expanded (the node has a row).
    bool IsVisible() const;
    TTreeView* TreeView() const;
    // Removes the node and its children from the tree.
    void Delete();
    void DeleteChildren();

private:
    friend class TTreeNodes;
    friend class TTreeView;
    explicit TTreeNode(TTreeNodes& owner) : owner_(owner) {}
    // Rows, for a node that has one: the row below it and the row above it (nullptr past either end),
    // and the last row of its subtree (itself unless it is expanded).
    TTreeNode* NextRow() const;
    TTreeNode* PrevRow() const;
    TTreeNode* LastRow();

    TTreeNodes& owner_;
    TTreeNode* parent_ = nullptr;
    std::vector<std::unique_ptr<TTreeNode>> children_;
    int index_ = 0;
    std::string text_;
    int stateIndex_ = -1;
    int selectedIndex_ = 0;
    int imageIndex_ = -1;
    std::intptr_t data_ = 0;
    bool expanded_ = false;
};

class TTreeNodes {
public:
    explicit TTreeNodes(TTreeView& view) : view_(view) {}
    ~TTreeNodes();
    TTreeNodes(const TTreeNodes&) = delete;
    TTreeNodes& operator=(const TTreeNodes&) = delete;

    // Every node of the tree.
    int Count() const { return count_; }
    // By absolute index (tree order); throws std::out_of_range.
    TTreeNode* Item(int absoluteIndex) const;
    TTreeNode* operator[](int absoluteIndex) const { return Item(absoluteIndex); }
    TTreeNode* GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }
    int RootCount() const { return static_cast<int>(roots_.size()); }
    TTreeNode* Root(int index) const { return roots_.at(static_cast<std::size_t>(index)).get(); }

    // A new last sibling of `sibling` (a new last root node when sibling is nullptr).
    TTreeNode* Add(TTreeNode* sibling, std::string text);
    // A new first sibling of `sibling` (first root node when nullptr).
    TTreeNode* AddFirst(TTreeNode* sibling, std::string text);
    // A new last child of parent (a root node when parent is nullptr).
    TTreeNode* AddChild(TTreeNode* parent, std::string text);
    TTreeNode* AddChildFirst(TTreeNode* parent, std::string text);
    // A new node just before sibling (appended as a root node when sibling is nullptr).
    TTreeNode* Insert(TTreeNode* sibling, std::string text);
    // Children first, each announced (OnDeletion, the observer) before it goes.
    void Delete(TTreeNode* node);
    // Every node at once: OnDeletion still runs for each when it is set; the observer hears one
    // TreeCleared.
    void Clear();
    // Holds back the coarse Items notification until the outermost EndUpdate; the fine-grained tree
    // notifications of ModelObserver are never held back.
    void BeginUpdate() { ++updating_; }
    void EndUpdate();

    TTreeView& Owner() const { return view_; }

    // How many node steps the tree's own walks have taken (to the next or previous node or row, up to
    // a parent, renumbering siblings, freeing a node) since it was made: what an operation cost, for
    // tests and benchmarks to compare before and after.
    std::uint64_t Steps() const { return steps_; }

private:
    friend class TTreeNode;
    friend class TTreeView;
    std::vector<std::unique_ptr<TTreeNode>>& Siblings(TTreeNode* parent);
    const std::vector<std::unique_ptr<TTreeNode>>& Siblings(const TTreeNode* parent) const;
    TTreeNode* InsertAt(TTreeNode* parent, std::size_t position, std::string text);
    void Renumber(std::vector<std::unique_ptr<TTreeNode>>& siblings, std::size_t from);
    void Step(std::uint64_t n = 1) const { steps_ += n; }
    int SubtreeSize(const TTreeNode& node) const;

    TTreeView& view_;
    std::vector<std::unique_ptr<TTreeNode>> roots_;
    int count_ = 0;
    int updating_ = 0;
    mutable std::uint64_t steps_ = 0;
};

enum TCustomDrawFlag { cdsSelected, cdsGrayed, cdsDisabled, cdsChecked, cdsFocused, cdsDefault, cdsHot };
using TCustomDrawState = EnumSet<TCustomDrawFlag>;

// The colours a tree row is drawn with; a custom-draw handler may change them.
struct TItemColors {
    TColor Background = clWindow;
    TColor Text = clWindowText;
};

// Selecting a node (from code or by the user) fires OnChange with it when the selection changes;
// deleting the selected node (or clearing the tree) selects nothing and fires OnChange with nullptr.
// OnAddition fires for every node added. TopItem is the first row shown; setting it scrolls as far as
// the rows below allow (ClientHeight / ItemHeight rows are shown).
//
// Every change is told to the application's ModelObserver twice: node by node (TreeNodeInserted,
// TreeNodeRemoved, TreeNodeChanged, TreeCleared, TreeSelectionChanged, TreeTopItemChanged) and, as
// before, as ControlChanged(Items) or ControlChanged(Selection), in that order.
//
// Cost: adding a node at the end of its siblings, selecting a node and scrolling to it take work that
// does not grow with the tree (scrolling walks at most the rows a page shows); clearing frees each node
// once. Only VisibleNodes, FullExpand, FullCollapse and the walks of TTreeNodes named there visit the
// whole tree.
class TTreeView : public TWinControl {
public:
    explicit TTreeView(TComponent* owner);
    ~TTreeView() override;

    TTreeNodes& Items() { return items_; }
    const TTreeNodes& Items() const { return items_; }
    TTreeNode* Selected() const { return selected_; }
    // OnChanging may refuse; OnChange runs when the selection changed. With AutoExpand the node opens.
    void SetSelected(TTreeNode* node);
    TTreeNode* TopItem() const;
    // A node of another tree, or one without a row, changes nothing.
    void SetTopItem(TTreeNode* node);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int v) { itemHeight_ = v > 0 ? v : 1; }
    // Rows that fit in the client area (at least 1).
    int VisibleRowCount() const;
    // The nodes that have a row, in tree order.
    std::vector<TTreeNode*> VisibleNodes() const;
    void FullExpand();
    void FullCollapse();

    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v) { readOnly_ = v; }
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool v) { rowSelect_ = v; Changed(ModelChange::Other); }
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool v) { hideSelection_ = v; Changed(ModelChange::Other); }
    bool ShowLines() const { return showLines_; }
    void SetShowLines(bool v) { showLines_ = v; Changed(ModelChange::Other); }
    bool ShowRoot() const { return showRoot_; }
    void SetShowRoot(bool v) { showRoot_ = v; Changed(ModelChange::Other); }
    bool ShowButtons() const { return showButtons_; }
    void SetShowButtons(bool v) { showButtons_ = v; Changed(ModelChange::Other); }
    bool AutoExpand() const { return autoExpand_; }
    void SetAutoExpand(bool v) { autoExpand_ = v; }
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* v) { images_ = v; }

    // The colours of a row as drawn: the background and font colours of the tree, then
    // OnCustomDrawItem. gui/ asks this for every row it draws.
    TItemColors ItemColors(TTreeNode* node);

    std::function<void(TObject* Sender, TTreeNode* Node)> OnChange;
    std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)> OnChanging;
    std::function<void(TObject* Sender, TTreeNode* Node)> OnAddition;
    std::function<void(TObject* Sender, TTreeNode* Node)> OnDeletion;
    std::function<void(TObject* Sender, TTreeNode* Node)> OnExpanded;
    std::function<void(TObject* Sender, TTreeNode* Node)> OnCollapsed;
    std::function<void(TObject* Sender, TTreeNode* Node, TCustomDrawState State, TItemColors& Colors, bool& DefaultDraw)>
        OnCustomDrawItem;

private:
    friend class TTreeNodes;
    friend class TTreeNode;
    void NodeAdded(TTreeNode* node);
    void NodeRemoving(TTreeNode* node);
    void NodeRemoved(TTreeNode* parent, int index, const TTreeNode* node);
    void NodeChanged(TTreeNode& node, TreeNodeChange what);
    void NodesCleared();
    void ItemsChanged();
    void SelectionChanged();
    void TopChanged();
    template <class Tell>
    void TellObserver(Tell tell);

    TTreeNodes items_{*this};
    TTreeNode* selected_ = nullptr;
    TTreeNode* top_ = nullptr;
    int itemHeight_ = 16;
    bool readOnly_ = false;
    bool rowSelect_ = false;
    bool hideSelection_ = true;
    bool showLines_ = true;
    bool showRoot_ = true;
    bool showButtons_ = true;
    bool autoExpand_ = false;
    TImageList* images_ = nullptr;
};

// ---------------------------------------------------------------- list view

struct TListColumn {
    std::string Caption;
    int Width = 50;
};

class TListItem {
public:
    std::string Caption;
    TStringList SubItems;
    std::intptr_t Data = 0;
    int ImageIndex = -1;
};

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

// Rows of a caption and sub-items under columns. Changing an item's fields directly needs a
// Changed(ModelChange::Items) to show; Add/Delete/Clear notify themselves.
class TListView : public TWinControl {
public:
    explicit TListView(TComponent* owner);
    TListColumn& AddColumn(std::string caption, int width);
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    TListColumn& Column(int index) { return columns_.at(static_cast<std::size_t>(index)); }
    const TListColumn& Column(int index) const { return columns_.at(static_cast<std::size_t>(index)); }

    TListItem* AddItem(std::string caption);
    int ItemCount() const { return static_cast<int>(items_.size()); }
    // Throws std::out_of_range.
    TListItem* Item(int index) const;
    void DeleteItem(int index);
    void ClearItems();
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);

    TViewStyle ViewStyle() const { return viewStyle_; }
    void SetViewStyle(TViewStyle v) { viewStyle_ = v; Changed(ModelChange::Other); }
    bool GridLines() const { return gridLines_; }
    void SetGridLines(bool v) { gridLines_ = v; Changed(ModelChange::Other); }
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool v) { rowSelect_ = v; Changed(ModelChange::Other); }
    bool ShowColumnHeaders() const { return showColumnHeaders_; }
    void SetShowColumnHeaders(bool v) { showColumnHeaders_ = v; Changed(ModelChange::Other); }
    bool ColumnClick() const { return columnClick_; }
    void SetColumnClick(bool v) { columnClick_ = v; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v) { readOnly_ = v; }

private:
    std::vector<TListColumn> columns_;
    std::vector<std::unique_ptr<TListItem>> items_;
    int itemIndex_ = -1;
    TViewStyle viewStyle_ = vsIcon;
    bool gridLines_ = false;
    bool rowSelect_ = false;
    bool showColumnHeaders_ = true;
    bool columnClick_ = true;
    bool readOnly_ = false;
};

// ---------------------------------------------------------------- status bar

class TStatusBar;

class TStatusPanel {
public:
    const std::string& Text() const { return text_; }
    void SetText(std::string text);
    int Width() const { return width_; }
    void SetWidth(int width);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment v);
    int Index() const;

private:
    friend class TStatusPanels;
    explicit TStatusPanel(TStatusBar& bar) : bar_(bar) {}
    TStatusBar& bar_;
    std::string text_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
};

class TStatusPanels {
public:
    explicit TStatusPanels(TStatusBar& bar) : bar_(bar) {}
    TStatusPanel* Add();
    int Count() const { return static_cast<int>(panels_.size()); }
    // Throws std::out_of_range.
    TStatusPanel* Items(int index) const;
    TStatusPanel* operator[](int index) const { return Items(index); }
    void Delete(int index);
    void Clear();

private:
    friend class TStatusPanel;
    TStatusBar& bar_;
    std::vector<std::unique_ptr<TStatusPanel>> panels_;
};

// Aligned to the bottom by default; panels from the left, each as wide as its Width.
class TStatusBar : public TWinControl {
public:
    explicit TStatusBar(TComponent* owner);
    TStatusPanels& Panels() { return panels_; }
    const TStatusPanels& Panels() const { return panels_; }
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool v) { simplePanel_ = v; Changed(ModelChange::Items); }
    const std::string& SimpleText() const { return simpleText_; }
    void SetSimpleText(std::string v) { simpleText_ = std::move(v); Changed(ModelChange::Items); }
    // The rectangle of a panel inside the bar (the last panel reaches the right edge).
    TRect PanelRect(int index) const;

private:
    TStatusPanels panels_{*this};
    bool simplePanel_ = false;
    std::string simpleText_;
};

// ---------------------------------------------------------------- progress bar

// Position is held to Min .. Max.
class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* owner);
    int Min() const { return min_; }
    void SetMin(int v);
    int Max() const { return max_; }
    void SetMax(int v);
    int Position() const { return position_; }
    void SetPosition(int v);
    int Step() const { return step_; }
    void SetStep(int v) { step_ = v; }
    void StepIt() { SetPosition(position_ + step_); }
    void StepBy(int delta) { SetPosition(position_ + delta); }

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
};

// ---------------------------------------------------------------- toolbar

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolBar;

class TToolButton : public TGraphicControl {
public:
    explicit TToolButton(TComponent* owner);
    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle v);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int v) { imageIndex_ = v; Changed(ModelChange::Other); }
    // The pressed state of a check button; the user's click toggles it.
    bool Down() const { return down_; }
    void SetDown(bool v);
    TToolBar* ToolBar() const;

protected:
    void VisibleChanged() override;

private:
    TToolButtonStyle style_ = tbsButton;
    int imageIndex_ = -1;
    bool down_ = false;
};

// Aligned to the top by default; its tool buttons are placed left to right in z-order.
class TToolBar : public TWinControl {
public:
    explicit TToolBar(TComponent* owner);
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int v);
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int v);
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* v) { images_ = v; }
    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool v) { showCaptions_ = v; Changed(ModelChange::Other); }
    bool Flat() const { return flat_; }
    void SetFlat(bool v) { flat_ = v; Changed(ModelChange::Other); }
    int ButtonCount() const;
    TToolButton* Buttons(int index) const;
    void ArrangeButtons();

protected:
    void ControlsChanged() override { ArrangeButtons(); }

private:
    int buttonWidth_ = 23;
    int buttonHeight_ = 22;
    TImageList* images_ = nullptr;
    bool showCaptions_ = false;
    bool flat_ = true;
    bool arranging_ = false;
};

// ---------------------------------------------------------------- combo box with pictures

struct TComboExItemImages {
    int ImageIndex = -1;
    int SelectedImageIndex = -1;
    int OverlayImageIndex = -1;
    int Indent = 0;
};

// Not a TComboBox (the generic routines tell them apart). Each item has a caption, pictures, an indent
// and data (Items().Data(i)).
class TComboBoxEx : public TCustomCombo {
public:
    explicit TComboBoxEx(TComponent* owner);
    // Appends an item; returns its index.
    int AddItem(std::string caption, int imageIndex, int selectedImageIndex, int overlayImageIndex, int indent,
                std::intptr_t data);
    // Inserts an item before index (0 .. count).
    void InsertItem(int index, std::string caption, int imageIndex, int selectedImageIndex, int overlayImageIndex,
                    int indent, std::intptr_t data);
    const TComboExItemImages& ItemImages(int index) const { return images_.at(static_cast<std::size_t>(index)); }
    TImageList* Images() const { return imageList_; }
    void SetImages(TImageList* v) { imageList_ = v; }

protected:
    void ItemsChanged(TStrings::Change change, int index) override;

private:
    std::vector<TComboExItemImages> images_;
    TImageList* imageList_ = nullptr;
};

}  // namespace ui
