// Windows and what they carry: a top-level form is a window with its menu bar above the client area;
// a form placed in another control, a toolbar or any plain container is a surface; popup menus and the
// status bar.
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <qdrawutil.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "gui/Convert.h"
#include "gui/MirrorCore.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

namespace gui::mirror {

namespace {

// The menu-item action's look as the model has it.
void ShowItem(QAction& action, const ui::TMenuItem& item)
{
    // A separator is a line; its "-" caption is no text to show beside it.
    if (item.IsSeparator()) {
        action.setVisible(item.Visible());
        return;
    }
    QString text = ToQt(item.Caption());
    if (item.ShortCut() != 0) text += QLatin1Char('\t') + ToQt(ui::ShortCutToText(item.ShortCut()));
    action.setText(text);
    action.setEnabled(item.Enabled());
    action.setVisible(item.Visible());
    action.setCheckable(item.Checked() || item.AutoCheck() || item.RadioItem());
    action.setChecked(item.Checked());
}

int MenuHeight(const Binding& b) { return b.menuBar && !b.menuBar->isHidden() ? b.menuBar->sizeHint().height() : 0; }

constexpr Qt::WindowStates kSizedStates = Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen;

ui::TWindowState ModelState(Qt::WindowStates state)
{
    if (state & Qt::WindowMinimized) return ui::wsMinimized;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) return ui::wsMaximized;
    return ui::wsNormal;
}

Qt::WindowStates QtState(ui::TWindowState state)
{
    switch (state) {
    case ui::wsMinimized: return Qt::WindowMinimized;
    case ui::wsMaximized: return Qt::WindowMaximized;
    case ui::wsNormal: break;
    }
    return Qt::WindowNoState;
}

bool Framed(const QWidget& window) { return window.isVisible() && window.frameGeometry() != window.geometry(); }

// What the window system's frame adds around a window, once a window has been framed (every window has the
// same frame); nothing before.
std::optional<QMargins> KnownFrame(const QWidget& window)
{
    static std::optional<QMargins> known;
    if (Framed(window)) {
        const QRect frame = window.frameGeometry();
        const QRect client = window.geometry();
        known = QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                         frame.bottom() - client.bottom());
    }
    return known;
}

// A guess from the style's title bar, for a window system that never tells its frame.
QMargins GuessedFrame()
{
    constexpr int border = 4;
    return QMargins(border, QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight) + border, border, border);
}

class Window : public Kind {
public:
    QWidget* Make(Binding& b, QWidget*) const override
    {
        auto* w = new QWidget(nullptr, Qt::Window);
        b.client = new QWidget(w);
        b.client->setAutoFillBackground(true);
        b.client->setFocusPolicy(Qt::NoFocus);
        return w;
    }

    void Rebuild(Binding& b) const override { RebuildMenu(b); }

    void Bounds(Binding& b) const override
    {
        const auto& form = static_cast<const ui::TForm&>(*b.control);
        const int menuHeight = MenuHeight(b);
        const QSize size(form.Width(), form.Height() + menuHeight);
        // Maximised (or minimised) the window system sizes the window and the form follows it: a resize
        // from here would take the maximised state away.
        const bool sized = (b.widget->windowState() & kSizedStates) != 0;
        if (form.BorderStyle() == ui::bsSizeable || form.BorderStyle() == ui::bsSizeToolWin) {
            // The user resizes the window only as far as the form allows (0: no limit).
            const ui::TSizeConstraints& limits = form.Constraints();
            const auto limit = [](int size, int extra, int none) { return size > 0 ? size + extra : none; };
            b.widget->setMinimumSize(limit(limits.MinWidth(), 0, 0), limit(limits.MinHeight(), menuHeight, 0));
            b.widget->setMaximumSize(limit(limits.MaxWidth(), 0, QWIDGETSIZE_MAX),
                                     limit(limits.MaxHeight(), menuHeight, QWIDGETSIZE_MAX));
            if (!sized) b.widget->resize(size);
        } else {
            b.widget->setFixedSize(size);
        }
        if (b.menuBar) b.menuBar->setGeometry(0, 0, form.Width(), menuHeight);
        b.client->setGeometry(0, menuHeight, form.Width(), form.Height());
        if (form.Position() == ui::poDesigned && !sized) b.widget->move(form.Left(), form.Top());
    }

    void Visible(Binding& b) const override
    {
        const auto& form = static_cast<const ui::TForm&>(*b.control);
        QWidget& window = *b.widget;
        if (!form.Visible()) {
            window.hide();
            return;
        }
        if (!window.isVisible()) {
            window.setWindowModality(form.Modal() ? Qt::ApplicationModal : Qt::NonModal);
            const bool first = !b.placed;
            if (first && form.Position() != ui::poDesigned) Centre(b, form);
            b.placed = true;
            // Fitted before it shows where the frame is known; the first window once it has its frame.
            const std::optional<QMargins> frame = KnownFrame(window);
            if (first && frame) FitToScreen(b, *frame);
            window.setWindowState(QtState(form.WindowState()));
            window.show();
            if (first) {
                // The form learns where the window opened (centred, or moved onto the screen).
                Moved(b);
                b.fitPending = !frame;
                FitOnceFramed(b);
                if (b.fitPending)
                    QTimer::singleShot(kFrameWaitMs, b.context.get(), [&b] { FitOnceFramed(b, true); });
            }
        }
        // Platforms without a window stack (offscreen) have nothing to raise.
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
            window.raise();
            window.activateWindow();
        }
    }

    void Text(Binding& b) const override { b.widget->setWindowTitle(ToQt(b.control->Caption())); }

    void State(Binding& b) const override
    {
        const Qt::WindowStates wanted = QtState(static_cast<const ui::TForm&>(*b.control).WindowState());
        if ((b.widget->windowState() & kSizedStates) != wanted) b.widget->setWindowState(wanted);
    }

    void Color(Binding& b) const override
    {
        QPalette palette = b.client->palette();
        palette.setColor(QPalette::Window, ToQColor(b.control->Color()));
        b.client->setPalette(palette);
    }

    void Style(Binding& b) const override
    {
        const auto& form = static_cast<const ui::TForm&>(*b.control);
        QWidget& window = *b.widget;
        Qt::WindowFlags flags = Qt::Window;
        switch (form.BorderStyle()) {
        case ui::bsNone: flags |= Qt::FramelessWindowHint; break;
        case ui::bsDialog: flags = Qt::Dialog; break;
        case ui::bsToolWindow:
        case ui::bsSizeToolWin: flags = Qt::Tool; break;
        default: break;
        }
        if (form.FormStyle() == ui::fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
        if (window.windowFlags() != flags) {
            const bool shown = window.isVisible();
            window.setWindowFlags(flags);
            if (shown) window.show();
        }
        window.setWindowOpacity(form.AlphaBlend() ? std::clamp(form.AlphaBlendValue(), 0, 255) / 255.0 : 1.0);
        Bounds(b);
    }

    QWidget* Face(Binding& b) const override { return b.client; }

    bool Mouse(Binding& b, QObject* watched, QMouseEvent& event) const override
    {
        return watched == b.client.data() && b.core.RouteMouse(b, event, true);
    }

    bool Event(Binding& b, QObject* watched, QEvent& event) const override
    {
        if (watched != b.widget.data()) return false;
        auto& form = static_cast<ui::TForm&>(*b.control);
        Core& core = b.core;
        switch (event.type()) {
        case QEvent::Close:
            event.ignore();
            core.Deliver(form, [&] { core.User().CloseForm(form); });
            return true;
        case QEvent::WindowActivate:
            if (core.App().ActiveForm() != &form && !core.Applying())
                core.Deliver(form, [&] { core.User().Activate(form); });
            return false;
        case QEvent::Resize:
            if (!core.Applying()) Resized(b, static_cast<QResizeEvent&>(event).size());
            if (b.fitPending) FitOnceFramed(b);
            return false;
        case QEvent::Move:
            if (!core.Applying()) Moved(b);
            if (b.fitPending) FitOnceFramed(b);
            return false;
        case QEvent::WindowStateChange:
            if (!core.Applying()) StateChanged(b);
            return false;
        default: return false;
        }
    }

private:
    // How long a window waits for its frame before it is fitted with the guessed one for good.
    static constexpr int kFrameWaitMs = 500;

    // A window is never larger than the desktop's work area and opens inside it: a size the form asks
    // for that does not fit (a main window made for a larger screen) shrinks to the work area, never
    // below the form's least size, and the form hears the size as it hears the user's resizing.
    static void FitToScreen(Binding& b, const QMargins& frame)
    {
        QWidget& window = *b.widget;
        const QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
        if (screen == nullptr || (window.windowState() & kSizedStates)) return;
        const QRect area = screen->availableGeometry();
        const QSize room(area.width() - frame.left() - frame.right(), area.height() - frame.top() - frame.bottom());
        const QSize size = window.size().boundedTo(room).expandedTo(window.minimumSize());
        if (size != window.size()) {
            window.resize(size);
            Resized(b, size);
        }
        const QSize outer = size.grownBy(frame);
        const QPoint at(std::clamp(window.pos().x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())),
                        std::clamp(window.pos().y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
        if (at != window.pos()) {
            window.move(at);
            Moved(b);
        }
    }

    // The fit with the frame the window system has drawn, once it has (or has not after a while).
    static void FitOnceFramed(Binding& b, bool waitedEnough = false)
    {
        if (!b.fitPending || !b.widget || (!Framed(*b.widget) && !waitedEnough)) return;
        b.fitPending = false;
        Counter guard(b.core.ApplyingCount());
        FitToScreen(b, KnownFrame(*b.widget).value_or(GuessedFrame()));
    }

    // The user moved the window: the form takes its frame's new place.
    static void Moved(Binding& b)
    {
        ui::TControl& c = *b.control;
        const QPoint at = b.widget->pos();
        b.core.Deliver(c, [&] { b.core.App().Guard(&c, [&] { c.SetBounds(at.x(), at.y(), c.Width(), c.Height()); }); });
    }

    // Maximised, minimised or restored by the user: the form takes the state and where it stands when
    // restored.
    static void StateChanged(Binding& b)
    {
        auto& form = static_cast<ui::TForm&>(*b.control);
        const QWidget& window = *b.widget;
        const QRect normal = window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
        const QPoint border = window.geometry().topLeft() - window.pos();
        const ui::TRect restored = ui::Bounds(normal.left() - border.x(), normal.top() - border.y(), normal.width(),
                                              normal.height() - MenuHeight(b));
        const ui::TWindowState state = ModelState(window.windowState());
        b.core.Deliver(form, [&] {
            b.core.App().Guard(&form, [&] {
                form.SetWindowState(state);
                if (state != ui::wsNormal) form.SetRestoredBounds(restored);
            });
        });
    }

    static void Centre(Binding& b, const ui::TForm& form)
    {
        QRect area = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                      : QRect(0, 0, 1024, 768);
        const bool overMain = form.Position() == ui::poMainFormCenter || form.Position() == ui::poOwnerFormCenter;
        if (ui::TForm* main = b.core.App().MainForm(); overMain && main != nullptr && main != &form)
            if (Binding* mb = b.core.Find(*main); mb != nullptr && mb->widget && mb->widget->isVisible())
                area = mb->widget->frameGeometry();
        const QRect frame(QPoint(0, 0), b.widget->size());
        b.widget->move(area.center() - frame.center());
    }

    // The user resized the window: the model's form takes the new client size.
    static void Resized(Binding& b, QSize size)
    {
        ui::TControl& c = *b.control;
        const int menuHeight = MenuHeight(b);
        if (b.menuBar) b.menuBar->setGeometry(0, 0, size.width(), menuHeight);
        b.client->setGeometry(0, menuHeight, size.width(), size.height() - menuHeight);
        b.core.Deliver(c, [&] {
            b.core.App().Guard(&c, [&] { c.SetBounds(c.Left(), c.Top(), size.width(), size.height() - menuHeight); });
        });
    }
};

// Embedded forms, toolbars and plain containers.
class Surface : public Kind {
public:
    QWidget* Make(Binding&, QWidget* parent) const override
    {
        auto* w = new QWidget(parent);
        w->setAutoFillBackground(true);
        return w;
    }

    void Color(Binding& b) const override
    {
        QPalette palette = b.widget->palette();
        palette.setColor(QPalette::Window, ToQColor(b.control->Color()));
        b.widget->setPalette(palette);
    }

    bool Mouse(Binding& b, QObject*, QMouseEvent& event) const override { return b.core.RouteMouse(b, event, true); }
};

// A form placed in another control (a page in the main window's page pane): what lies beyond the part of
// it that its parent shows scrolls into view, as a form scrolls its controls. The scroll area takes
// the part of the form inside its parent; its content is as large as the form or its visible children,
// whichever reach further.
class EmbeddedForm : public Kind {
public:
    QWidget* Make(Binding& b, QWidget* parent) const override
    {
        auto* area = new QScrollArea(parent);
        area->setFrameShape(QFrame::NoFrame);
        area->setWidgetResizable(false);
        area->viewport()->setAutoFillBackground(true);
        auto* content = new QWidget();
        content->setAutoFillBackground(true);
        area->setWidget(content);
        b.client = content;
        return area;
    }

    void Bounds(Binding& b) const override
    {
        const ui::TControl& form = *b.control;
        QRect shown(form.Left(), form.Top(), form.Width(), form.Height());
        if (const ui::TWinControl* parent = form.Parent())
            shown &= QRect(0, 0, parent->Width(), parent->Height());
        b.widget->setGeometry(shown.isEmpty() ? QRect(form.Left(), form.Top(), 0, 0) : shown);
        ChildChanged(b);
    }

    void ParentResized(Binding& b) const override { Bounds(b); }

    void ChildChanged(Binding& b) const override
    {
        const auto& form = static_cast<const ui::TWinControl&>(*b.control);
        QRect extent(0, 0, form.Width(), form.Height());
        for (int i = 0; i < form.ControlCount(); ++i)
            if (const ui::TControl* c = form.Controls(i); c->Visible())
                extent |= QRect(c->Left(), c->Top(), c->Width(), c->Height());
        b.client->resize(extent.right() + 1, extent.bottom() + 1);
    }

    void Color(Binding& b) const override
    {
        for (QWidget* w : {static_cast<QScrollArea*>(b.widget.data())->viewport(), b.client.data()}) {
            QPalette palette = w->palette();
            palette.setColor(QPalette::Window, ToQColor(b.control->Color()));
            w->setPalette(palette);
        }
    }

    QWidget* Face(Binding& b) const override { return b.client; }

    bool Mouse(Binding& b, QObject* watched, QMouseEvent& event) const override
    {
        return watched == b.client.data() && b.core.RouteMouse(b, event, true);
    }
};

class StatusBar : public Kind {
public:
    QWidget* Make(Binding& b, QWidget* parent) const override
    {
        QWidget* w = MakePaintedWidget(b.core, parent);
        w->setMouseTracking(true);
        return w;
    }

    void Changed(Binding& b) const override { b.widget->update(); }

    bool Mouse(Binding& b, QObject*, QMouseEvent& event) const override { return b.core.RouteMouse(b, event, true); }

    void Paint(Binding& b, QPainter& painter) const override
    {
        const auto& bar = static_cast<const ui::TStatusBar&>(*b.control);
        const QRect all = b.widget->rect();
        painter.fillRect(all, ToQColor(bar.Color()));
        painter.setFont(ToQFont(bar.Font()));
        painter.setPen(ToQColor(bar.Font().Color()));
        const QPalette palette = b.widget->palette();
        const auto panel = [&](QRect rect, const std::string& text, ui::TAlignment alignment) {
            qDrawShadePanel(&painter, rect.adjusted(0, 1, -1, 0), palette, true, 1);
            const Qt::Alignment align = alignment == ui::taCenter         ? Qt::AlignHCenter
                                        : alignment == ui::taRightJustify ? Qt::AlignRight
                                                                          : Qt::AlignLeft;
            const QRect inner = rect.adjusted(4, 1, -4, 0);
            painter.drawText(inner, static_cast<int>(align | Qt::AlignVCenter),
                             painter.fontMetrics().elidedText(ToQt(text), Qt::ElideRight, inner.width()));
        };
        if (bar.SimplePanel() || bar.Panels().Count() == 0) {
            panel(all, bar.SimpleText(), ui::taLeftJustify);
            return;
        }
        for (int i = 0; i < bar.Panels().Count(); ++i) {
            const ui::TRect r = bar.PanelRect(i);
            const ui::TStatusPanel* p = bar.Panels()[i];
            panel(QRect(r.Left, r.Top, r.Width(), r.Height()), p->Text(), p->Alignment());
        }
    }
};

}  // namespace

void RebuildMenu(Binding& b)
{
    auto& form = static_cast<ui::TForm&>(*b.control);
    ui::TMenu* menu = form.Menu();
    Core& core = b.core;
    b.actions.clear();
    delete b.menuBar.data();
    const bool live = menu != nullptr && core.LiveMenu(menu) && menu->Items().Count() > 0;
    if (live) {
        auto* bar = new QMenuBar(b.widget);
        b.menuBar = bar;
        const std::function<void(QWidget*, ui::TMenuItem&)> fill = [&](QWidget* target, ui::TMenuItem& parent) {
            for (int i = 0; i < parent.Count(); ++i) {
                ui::TMenuItem* item = parent.Items(i);
                QAction* action = nullptr;
                if (item->IsSeparator()) {
                    action = new QAction(target);
                    action->setSeparator(true);
                } else if (item->Count() > 0) {
                    auto* sub = new QMenu(ToQt(item->Caption()), target);
                    fill(sub, *item);
                    action = sub->menuAction();
                } else {
                    action = new QAction(target);
                    QObject::connect(action, &QAction::triggered, b.context.get(),
                                     [&core, item, alive = item->Liveness()] {
                                         if (alive.expired()) return;
                                         Counter depth(core.InputDepth());
                                         core.User().Click(*item);
                                     });
                }
                target->addAction(action);
                b.actions[item] = {action, item->Count()};
                ApplyMenuItem(b, *item);
            }
        };
        fill(bar, menu->Items());
        b.actions[&menu->Items()] = {nullptr, menu->Items().Count()};
        bar->show();
    }
    b.kind->Bounds(b);
}

void ApplyMenuItem(Binding& b, ui::TMenuItem& item)
{
    const auto it = b.actions.find(&item);
    if (it == b.actions.end() || !it->second.first || it->second.second != item.Count()) {
        b.core.MarkMenuDirty(*b.control);
        return;
    }
    ShowItem(*it->second.first, item);
}

void ShowPopup(Binding& b, QPoint local, QPoint global)
{
    ui::TPopupMenu* popup = b.control->PopupMenu();
    Core& core = b.core;
    const std::weak_ptr<void> alive = popup->Liveness();
    core.Deliver(*b.control, [&] { core.App().Guard(popup, [&] { popup->Popup(local.x(), local.y()); }); });
    if (alive.expired()) return;
    auto* menu = new QMenu(b.widget);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const std::function<void(QMenu*, ui::TMenuItem&)> fill = [&](QMenu* target, ui::TMenuItem& parent) {
        for (int i = 0; i < parent.Count(); ++i) {
            ui::TMenuItem* item = parent.Items(i);
            if (!item->Visible()) continue;
            if (item->IsSeparator()) {
                target->addSeparator();
            } else if (item->Count() > 0) {
                fill(target->addMenu(ToQt(item->Caption())), *item);
            } else {
                QAction* action = target->addAction(ToQt(item->Caption()));
                action->setEnabled(item->Enabled());
                action->setCheckable(item->Checked());
                action->setChecked(item->Checked());
                QObject::connect(action, &QAction::triggered, menu, [&core, item, itemAlive = item->Liveness()] {
                    if (itemAlive.expired()) return;
                    Counter depth(core.InputDepth());
                    core.User().Click(*item);
                });
            }
        }
    };
    fill(menu, popup->Items());
    menu->popup(global);
}

const Kind& WindowKind()
{
    static const Window kind;
    return kind;
}

const Kind& SurfaceKind()
{
    static const Surface kind;
    return kind;
}

const Kind& EmbeddedFormKind()
{
    static const EmbeddedForm kind;
    return kind;
}

const Kind& StatusBarKind()
{
    static const StatusBar kind;
    return kind;
}

}  // namespace gui::mirror
