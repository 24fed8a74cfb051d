#include "gui/FrontEnd.h"

#include <QApplication>
#include <QScreen>

#include "ui/Application.h"
#include "ui/Forms.h"

namespace gui {

FrontEnd::FrontEnd(ui::Application& app)
    : app_(app), services_(app), mirror_(app), pump_(app, [this] { mirror_.Flush(); })
{
    // Windows close when the model says so; the model ends the program, not the last window.
    QApplication::setQuitOnLastWindowClosed(false);
    app_.SetDialogs(&services_);
    app_.SetClipboard(&services_);
    WatchWorkArea();
}

void FrontEnd::WatchWorkArea()
{
    const auto tell = [this] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
        app_.Screen().SetWorkAreaRect(ui::Bounds(area.x(), area.y(), area.width(), area.height()));
    };
    const auto watch = [this, tell](QScreen* screen) {
        if (screen != nullptr) QObject::connect(screen, &QScreen::availableGeometryChanged, &screenWatch_, tell);
        tell();
    };
    QObject::connect(qApp, &QGuiApplication::primaryScreenChanged, &screenWatch_, watch);
    watch(QGuiApplication::primaryScreen());
}

FrontEnd::~FrontEnd()
{
    app_.SetDialogs(nullptr);
    app_.SetClipboard(nullptr);
}

int FrontEnd::Run()
{
    if (ui::TForm* main = app_.MainForm(); main != nullptr && !main->Visible()) main->Show();
    if (app_.Terminated()) return 0;
    return QApplication::exec();
}

}  // namespace gui
