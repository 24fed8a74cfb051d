#pragma once
// The screen as a person meets it, in Qt's terms alone: the visible windows, the widgets on them found
// by what they show or where they are, and clicks and keys that go through the window system as a mouse
// and a keyboard send them. The front end's tests use it, and so does the driver preloaded into the
// installed program (tests/package), which knows nothing of the model behind the widgets.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>
#include <QWidget>
#include <QWindow>

#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace guitest {

namespace screen {

// The visible top-level window whose title starts with the text (the newest first); nullptr if none.
inline QWidget* Window(const QString& title)
{
    const QWidgetList all = QApplication::topLevelWidgets();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if ((*it)->isVisible() && (*it)->windowTitle().startsWith(title)) return *it;
    return nullptr;
}

// The box of the message-box kind on screen whose text starts with the words; nullptr if none.
inline QMessageBox* Box(const QString& words)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible() && box->text().startsWith(words))
            return box;
    return nullptr;
}

// The text a person reads on the widget: a button's or a label's text without its accelerator marks,
// an edit's text, else its tool tip or, for a painted widget, its accessible name.
inline QString ShownText(const QWidget& w)
{
    QString text;
    if (const auto* button = qobject_cast<const QAbstractButton*>(&w)) text = button->text();
    else if (const auto* label = qobject_cast<const QLabel*>(&w)) text = label->text();
    else if (const auto* edit = qobject_cast<const QLineEdit*>(&w)) text = edit->text();
    if (text.isEmpty()) text = w.accessibleName();
    if (text.isEmpty()) text = w.toolTip();
    return text.remove(QLatin1Char('&'));
}

// Whether a person can see the widget: it and its ancestors shown, and some of it inside its window.
inline bool OnScreen(const QWidget& w) { return w.isVisible() && !w.visibleRegion().isEmpty(); }

// The first widget of the window (in creation order) on screen that shows the text.
inline QWidget* Find(QWidget* window, const QString& text)
{
    if (window == nullptr) return nullptr;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (OnScreen(*w) && ShownText(*w) == text) return w;
    return nullptr;
}

// The first widget of type T on screen in the window whose rectangle lies right of the labelled widget
// on its row (an edit beside its label).
template <class T>
T* RightOf(QWidget* window, const QString& label)
{
    QWidget* tag = Find(window, label);
    if (tag == nullptr) return nullptr;
    const QRect at(tag->mapTo(window, QPoint(0, 0)), tag->size());
    for (T* w : window->findChildren<T*>()) {
        const QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
        if (OnScreen(*w) && r.left() >= at.right() && r.top() <= at.center().y() && r.bottom() >= at.center().y())
            return w;
    }
    return nullptr;
}

// A left click at the point of the widget (its middle by default), sent to its window where a mouse
// would press. False when something else lies there (the widget is covered or off its window).
inline bool Click(QWidget* w, std::optional<QPoint> local = std::nullopt, Qt::KeyboardModifiers mods = {})
{
    if (w == nullptr || !OnScreen(*w)) return false;
    QWidget* window = w->window();
    const QPoint at = w->mapTo(window, local.value_or(w->rect().center()));
    QWidget* hit = window->childAt(at);
    if (hit == nullptr) hit = window;
    if (hit != w && !w->isAncestorOf(hit)) return false;
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, mods, at);
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, mods, at);
    return true;
}

// Opens the combo box's list with a click on its arrow; false when the list did not open.
inline bool OpenList(QComboBox* combo)
{
    if (combo == nullptr || !Click(combo, QPoint(combo->width() - 8, combo->height() / 2))) return false;
    QCoreApplication::processEvents();
    return combo->view()->isVisible();
}

// Clicks the first item of the open list whose text ends with the words; false when none does.
inline bool ClickItem(QComboBox* combo, const QString& ending)
{
    QAbstractItemView* list = combo->view();
    for (int row = 0; list->isVisible() && row < list->model()->rowCount(); ++row)
        if (const QModelIndex index = list->model()->index(row, 0); index.data().toString().endsWith(ending)) {
            const QPoint at = list->viewport()->mapTo(list->window(), list->visualRect(index).center());
            QTest::mouseClick(list->window()->windowHandle(), Qt::LeftButton, {}, at);
            return true;
        }
    return false;
}

inline void Key(QWidget* window, Qt::Key key, Qt::KeyboardModifiers mods = {})
{
    QTest::keyClick(window->windowHandle(), key, mods);
}

// Notches of the wheel towards the user at the point of the window, as the window system turns it: to
// the widget there, and on to its parents while none takes it.
inline void Wheel(QWidget* window, QPoint at, int notches = 1)
{
    QWidget* const hit = window->childAt(at) != nullptr ? window->childAt(at) : window;
    QWheelEvent wheel(hit->mapFrom(window, at), window->mapToGlobal(at), {}, {0, -120 * notches}, {}, {}, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    QApplication::instance()->notify(hit, &wheel);
}

// Saves the window's picture as sorvel7qx3-<name>.png beside the test program (the build folder's tests),
// and tells whether it shows more than a few colours.
inline bool Shot(QWidget* window, const std::string& name)
{
    const QImage shot = window->grab().toImage();
    const std::filesystem::path png = std::filesystem::read_symlink("/proc/self/exe").parent_path() / ("sorvel7qx3-" + name + ".png");
    shot.save(QString::fromStdString(png.string()));
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 5)
        for (int x = 0; x < shot.width(); x += 5) colours.insert(shot.pixel(x, y));
    return colours.size() > 4;
}

}  // namespace screen

}  // namespace guitest
