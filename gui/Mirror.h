#pragma once
// The mirror: every control of the window model shown as a Qt widget at the model's bounds and kept in
// step with it, and the user's input on those widgets delivered to the model as ui::Driver delivers it.
//
// The model stays the authority. A widget never keeps a state of its own: typing goes through the
// model's key path (its OnKeyPress filters decide what the text becomes) and the widget shows the
// result; a click on a check box asks the model to toggle and then shows what the model holds.
//
// Widgets by control class: top-level forms become windows (a menu bar above the client area),
// embedded forms, panels without paint and toolbars plain surfaces, the standard controls their Qt
// counterparts, and every control that paints itself (the kit's widgets, panels, group boxes, the string
// grid) a surface showing the bitmap its Paint drew on a ui::Canvas. Painted controls from outside ui/
// (the kit's) get the raw mouse (down, move, up, enter, leave) and click themselves; ui/'s own controls
// are clicked by the mirror when the button goes up over them, as the window system does.
//
// Lifetime: a widget is hidden the moment its control goes and deleted once no input handler is on the
// stack (Flush at the top of the event pump); children are tracked with QPointer, so a widget that Qt
// deleted with its parent is simply made again when its control shows up once more. Everything here
// runs on the window thread.
#include <QObject>
#include <QPointer>

#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ui/Driver.h"
#include "ui/Observer.h"

class QKeyEvent;
class QMouseEvent;
class QPainter;
class QWidget;

namespace ui {
class Application;
class TMenu;
}  // namespace ui

namespace gui {

class Mirror : public QObject, public ui::ModelObserver {
public:
    // Observes the application (the previous observer is replaced; the default comes back at the end).
    explicit Mirror(ui::Application& app);
    ~Mirror() override;
    Mirror(const Mirror&) = delete;
    Mirror& operator=(const Mirror&) = delete;

    // The control's widget (a top-level form's window), made when missing; nullptr for a control that
    // is in no form yet.
    QWidget* Widget(const ui::TControl& control);
    // The control a widget shows; nullptr for widgets of no control.
    ui::TControl* Control(const QObject* widget) const;
    // Mirrors a control made before the mirror existed, with everything it holds.
    void Adopt(ui::TControl& control);
    // Applies the changes kept for later (tree nodes, menus) and deletes the widgets of freed controls
    // when no input handler is running. The event pump calls it at every round.
    void Flush();

    // --- ui::ModelObserver ---
    void ComponentCreated(ui::TComponent& component) override;
    void ComponentDestroying(ui::TComponent& component) override;
    void ControlChanged(ui::TControl& control, ui::ModelChange what) override;
    void MenuItemChanged(ui::TMenuItem& item) override;
    void ModalStarted(ui::TForm& form) override;
    void ModalEnded(ui::TForm& form) override;
    void FocusChanged(ui::TWinControl* focused) override;
    void ScreenCursorChanged(ui::TCursor cursor) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Kind {
        Window, Surface, Painted, Label, Image, Edit, Memo, Button, Check, Radio, Combo, ListBox, Tree,
        ListView, StatusBar, Progress, ToolButton,
    };
    struct Binding;

    Binding* Find(const ui::TControl& control) const;
    // The binding with a live widget, made (or made again) when needed; nullptr for a control in no form.
    Binding* Ensure(ui::TControl& control);
    Binding* Create(ui::TControl& control);
    void Register(Binding& b, QWidget* widget);
    void Unbind(const ui::TControl& control);
    void Retire(QWidget* widget);

    // Model -> widget.
    void FullSync(Binding& b);
    void Apply(Binding& b, ui::ModelChange what);
    void ApplyParent(Binding& b);
    void ApplyBounds(Binding& b);
    void ApplyVisible(Binding& b);
    void ApplyText(Binding& b);
    void ApplyFont(Binding& b);
    void ApplyColor(Binding& b);
    void ApplyItems(Binding& b);
    void ApplySelection(Binding& b);
    void ApplyState(Binding& b);
    void ApplyOther(Binding& b);
    void ApplyWindowStyle(Binding& b);
    void ApplyToolButton(Binding& b);
    void ApplyEditSelection(Binding& b);
    void ApplyTreeSelection(Binding& b);
    void Restack(const ui::TWinControl& parent);
    void SyncTree(Binding& b);
    void SyncListView(Binding& b);
    void RebuildMenu(Binding& b);
    void MarkTreeDirty(Binding& b);
    void ScheduleFlush();
    void Paint(Binding& b, QPainter& painter);
    void PaintStatusBar(Binding& b, QPainter& painter);

    // Widget -> model.
    void Connect(Binding& b);
    bool RouteKey(Binding& b, QKeyEvent& event);
    bool ClipboardKey(Binding& b, QKeyEvent& event);
    void DeleteForward(Binding& b);
    bool GridKey(Binding& b, int key);
    bool RouteMouse(Binding& b, QEvent& event);
    void ShowPopup(Binding& b, QPoint local, QPoint global);
    void FocusArrived(Binding& b);
    // Runs a delivery of user input with the handler depth counted; false when the control went.
    template <class F> bool Deliver(const ui::TControl& control, F&& action);

    ui::Application& app_;
    ui::Driver driver_;
    std::unordered_map<const ui::TControl*, std::unique_ptr<Binding>> bindings_;
    std::unordered_map<const QObject*, Binding*> byWidget_;
    std::unordered_set<const ui::TMenu*> liveMenus_;
    std::vector<const ui::TControl*> dirtyTrees_;
    std::unordered_set<const ui::TControl*> dirtyMenus_;
    std::vector<QPointer<QWidget>> retired_;
    int applying_ = 0;
    int inputDepth_ = 0;
    bool flushScheduled_ = false;
    bool overrideCursor_ = false;
};

}  // namespace gui
