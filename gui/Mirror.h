#pragma once
// The mirror: every control of the window model shown as a Qt widget at the model's bounds and kept in
// step with it, and the user's input on those widgets delivered to the model as ui::Driver delivers it.
//
// The model stays the authority. A widget never keeps a state of its own: typing goes through the
// model's key path (its OnKeyPress filters decide what the text becomes) and the widget shows the
// result; a click on a check box asks the model to toggle and then shows what the model holds.
//
// Widgets by control class: top-level forms become windows (a menu bar above the client area),
// embedded forms surfaces that scroll what reaches beyond them, toolbars and other containers without
// paint plain surfaces, the standard controls their Qt counterparts, and every control that paints
// itself (the kit's widgets, panels, group boxes, the string grid) a surface showing the bitmap its Paint
// drew on a ui::Canvas. Painted controls from outside ui/ (the kit's) get the raw mouse (down, move, up,
// enter, leave) and click themselves; ui/'s own controls are clicked by the mirror when the button goes
// up over them, as the window system does. Each kind of control has its own file (gui/MirrorCore.h
// lists them).
//
// Every control is mirrored as soon as its window exists, with everything it holds, whether or not
// anyone asks for its widget.
//
// Lifetime: a widget is hidden the moment its control goes and deleted once no input handler is on the
// stack (Flush at the top of the event pump); children are tracked with QPointer, so a widget that Qt
// deleted with its parent is simply made again when its control shows up once more. Everything here
// runs on the window thread.
#include <cstdint>
#include <memory>

class QObject;
class QWidget;

namespace ui {
class Application;
class TControl;
}  // namespace ui

namespace gui {

namespace mirror {
class Core;
}

class Mirror {
public:
    // Observes the application (the previous observer is replaced; the default comes back at the end).
    explicit Mirror(ui::Application& app);
    ~Mirror();
    Mirror(const Mirror&) = delete;
    Mirror& operator=(const Mirror&) = delete;

    // The control's widget (a top-level form's window), made when missing; nullptr for a control that
    // is in no form yet.
    QWidget* Widget(const ui::TControl& control);
    // The control a widget shows; nullptr for widgets of no control.
    ui::TControl* Control(const QObject* widget) const;
    // Mirrors a control made before the mirror existed, with everything it holds.
    void Adopt(ui::TControl& control);
    // Applies the changes kept for later (trees to read whole, menus) and deletes the widgets of freed
    // controls when no input handler is running. The event pump calls it at every round. Rows appended
    // to a tree join it in batches while the program is busy (at once when Qt's loop is idle).
    void Flush();
    // Flush, and every row that waits for its batch joins its tree now.
    void FlushAll();
    // Tree items made, changed, scrolled to or removed so far, in every tree: what keeping the trees
    // in step cost, for tests and benchmarks to compare.
    std::uint64_t TreeItemsTouched() const;

private:
    std::unique_ptr<mirror::Core> core_;
};

}  // namespace gui
