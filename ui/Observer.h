#pragma once
// The one application-level observer of the model: gui/ implements it to mirror every control into a
// real widget. The model calls it after the change has happened; the default does nothing.
#include "ui/Types.h"

namespace ui {

class TComponent;
class TControl;
class TForm;
class TMenuItem;
class TTreeNode;
class TTreeView;
class TWinControl;

enum class ModelChange {
    Bounds,     // position or size
    Visible,
    Enabled,
    Text,       // caption or text
    Font,
    Color,
    Items,      // list items, tree nodes, grid cells, status panels, memo lines
    Selection,  // item index, selected node, grid cell, caret
    State,      // checked, pressed, position of a progress bar, read-only and the like
    Parent,
    ZOrder,
    Paint,      // a painted control asked to be repainted
    Other,
};

// What changed on one tree node.
enum class TreeNodeChange {
    Text,
    Colors,    // StateIndex, SelectedIndex or ImageIndex: ask TTreeView::ItemColors again
    Expanded,  // its children gained or lost their rows
};

class ModelObserver {
public:
    virtual ~ModelObserver() = default;
    // After a component was made through ui::Create (owner, name and parent set, OnCreate run).
    virtual void ComponentCreated(TComponent&) {}
    // Just before the component goes; use the reference for its identity only (the derived parts of
    // a component freed by its destructor are already gone).
    virtual void ComponentDestroying(TComponent&) {}
    virtual void ControlChanged(TControl&, ModelChange) {}

    // A tree view's changes one at a time, for a view that follows the tree item by item instead of
    // reading it whole after ControlChanged(Items). Each comes right after the change, before the
    // coarse ControlChanged (which still comes for every change outside BeginUpdate / EndUpdate).
    //
    // `node` is now child number `index` of `parent` (nullptr: a root). A node comes without children;
    // children added later come with calls of their own.
    virtual void TreeNodeInserted(TTreeView&, TTreeNode* /*parent*/, int /*index*/, TTreeNode& /*node*/) {}
    // The node that was child number `index` of `parent` is out of the tree and about to be freed:
    // use the pointer for its identity only. Its children were removed before it, each with a call.
    virtual void TreeNodeRemoved(TTreeView&, TTreeNode* /*parent*/, int /*index*/, const TTreeNode* /*node*/) {}
    virtual void TreeNodeChanged(TTreeView&, TTreeNode&, TreeNodeChange) {}
    // Every node is gone (without a TreeNodeRemoved for each).
    virtual void TreeCleared(TTreeView&) {}
    // The selected node changed (nullptr: none).
    virtual void TreeSelectionChanged(TTreeView&, TTreeNode* /*selected*/) {}
    // SetTopItem scrolled the tree: `top` is now its first row. (When the node at the top goes, the
    // first row becomes the top without a call.)
    virtual void TreeTopItemChanged(TTreeView&, TTreeNode* /*top*/) {}
    virtual void MenuItemChanged(TMenuItem&) {}
    virtual void ModalStarted(TForm&) {}
    virtual void ModalEnded(TForm&) {}
    virtual void FocusChanged(TWinControl* /*focused, may be nullptr*/) {}
    virtual void ScreenCursorChanged(TCursor) {}
};

}  // namespace ui
