#pragma once
// What the front end's tests share: one QApplication for the whole test program (offscreen on a
// 1366 x 768 screen unless the environment names another platform), a fresh model application with the front end installed for each
// test, small helpers to feed Qt input to widgets, and the screen as a person meets it (namespace
// screen): the visible windows, the widgets on them found by what they show or where they are, and
// clicks and keys that go through the window system as a mouse and a keyboard send them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "gui/FrontEnd.h"
#include "ui/Application.h"

namespace guitest {

// The offscreen screen the windows meet: a laptop's 1366 x 768, window frames drawn around them.
inline QByteArray OffscreenPlatform()
{
    // Written beside and renamed over: the test programs that run side by side read it whole.
    const std::filesystem::path config = std::filesystem::temp_directory_path() / "sorvel-test-screen.json";
    const std::filesystem::path fresh = config.string() + "." + std::to_string(QCoreApplication::applicationPid());
    if (FILE* f = std::fopen(fresh.c_str(), "w")) {
        std::fputs(R"({"synchronousWindowSystemEvents": false, "windowFrameMargins": true, "screens": [)"
                   R"({"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768, "logicalDpi": 96,)"
                   R"( "logicalBaseDpi": 96, "dpr": 1}]})",
                   f);
        std::fclose(f);
        std::error_code ignored;
        std::filesystem::rename(fresh, config, ignored);
    }
    return QByteArray("offscreen:configfile=") + config.c_str();
}

inline QApplication& QtApp()
{
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") qputenv("QT_QPA_PLATFORM", OffscreenPlatform());
    // Never destroyed: Qt's own teardown at exit would outlive the fonts and plugins it uses.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Types the text into the widget a character at a time, as key events carrying only the text.
inline void Type(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(0), QString(ch), Qt::NoModifier);
}

namespace screen {

// The visible top-level window whose title starts with the text (the newest first); nullptr if none.
inline QWidget* Window(const QString& title)
{
    const QWidgetList all = QApplication::topLevelWidgets();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if ((*it)->isVisible() && (*it)->windowTitle().startsWith(title)) return *it;
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

// Clicks into the edit, selects all it holds with Ctrl+A and types the text over it.
inline void Retype(QLineEdit* edit, const QString& text)
{
    ASSERT_TRUE(Click(edit));
    Key(edit->window(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
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

class GuiTest : public ::testing::Test {
protected:
    QApplication& qt = QtApp();
    ui::ApplicationScope scope;
    gui::FrontEnd front{scope.App()};

    template <class T>
    T* WidgetOf(const ui::TControl& control)
    {
        return dynamic_cast<T*>(front.Windows().Widget(control));
    }
};

}  // namespace guitest
