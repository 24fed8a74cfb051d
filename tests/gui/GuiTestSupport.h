#pragma once
// What the front end's tests share: one QApplication for the whole test program (offscreen on a
// 1366 x 768 screen unless the environment names another platform), a fresh model application with the front end installed for each
// test, small helpers to feed Qt input to widgets, and the screen as a person meets it (namespace
// screen, tests/gui/Screen.h).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <string>

#include "gui/FrontEnd.h"
#include "tests/gui/Screen.h"
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

// Clicks into the edit, selects all it holds with Ctrl+A and types the text over it.
inline void Retype(QLineEdit* edit, const QString& text)
{
    ASSERT_TRUE(Click(edit));
    Key(edit->window(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
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
