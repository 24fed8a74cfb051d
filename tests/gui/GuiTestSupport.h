#pragma once
// What the front end's tests share: one QApplication for the whole test program (offscreen unless the
// environment names a platform), a fresh model application with the front end installed for each
// test, and small helpers to feed Qt input to widgets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <functional>
#include <string>

#include "gui/FrontEnd.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace guitest {

inline QApplication& QtApp()
{
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: Qt's own teardown at exit would outlive the fonts and plugins it uses.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Runs Qt's events (and through the pump's timer the model's) until the condition holds or two
// seconds passed.
inline bool SpinUntil(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

inline void Key(QWidget* widget, int key, const QString& text = {}, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &release);
}

inline void Type(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) Key(widget, 0, QString(ch));
}

inline void ClickAt(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), button, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

class GuiTest : public ::testing::Test {
protected:
    QApplication& qt = QtApp();
    ui::ApplicationScope scope;
    gui::FrontEnd front{scope.App()};
    ui::Driver user{scope.App()};

    template <class T>
    T* WidgetOf(const ui::TControl& control)
    {
        return dynamic_cast<T*>(front.Windows().Widget(control));
    }
};

}  // namespace guitest
