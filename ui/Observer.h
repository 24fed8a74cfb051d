#pragma once
// The one application-level observer of the model: gui/ implements it to mirror every control into a
// real widget. The model calls it after the change has happened; the default does nothing.
#include "ui/Types.h"

namespace ui {

class TComponent;
class TControl;
class TForm;
class TMenuItem;
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

class ModelObserver {
public:
    virtual ~ModelObserver() = default;
    // After a component was made through ui::Create (owner, name and parent set, OnCreate run).
    virtual void ComponentCreated(TComponent&) {}
    // Just before the component goes; use the reference for its identity only (the derived parts of
    // a component freed by its destructor are already gone).
    virtual void ComponentDestroying(TComponent&) {}
    virtual void ControlChanged(TControl&, ModelChange) {}
    virtual void MenuItemChanged(TMenuItem&) {}
    virtual void ModalStarted(TForm&) {}
    virtual void ModalEnded(TForm&) {}
    virtual void FocusChanged(TWinControl* /*focused, may be nullptr*/) {}
    virtual void ScreenCursorChanged(TCursor) {}
};

}  // namespace ui
