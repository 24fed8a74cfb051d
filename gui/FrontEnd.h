#pragma once
// Everything the model needs to run in real windows, installed on one application for the front end's
// lifetime: the Qt services (message boxes, file dialogs, clipboard), the mirror of every control, the
// event pump and the desktop's work area (ui::TScreen). Needs a QApplication.
//
//     QApplication qt(argc, argv);
//     gui::FrontEnd front(ui::App());
//     ... create the forms ...
//     return front.Run();
#include <QObject>

#include "gui/Desktop.h"
#include "gui/EventPump.h"
#include "gui/Mirror.h"
#include "gui/QtServices.h"

namespace ui {
class Application;
}

namespace gui {

class FrontEnd {
public:
    explicit FrontEnd(ui::Application& app);
    ~FrontEnd();
    FrontEnd(const FrontEnd&) = delete;
    FrontEnd& operator=(const FrontEnd&) = delete;

    Mirror& Windows() { return mirror_; }
    QtServices& Services() { return services_; }
    EventPump& Pump() { return pump_; }

    // Shows the main form and runs Qt's loop until the application terminates; the exit code.
    int Run();

private:
    // Tells the model the desktop's work area, now and whenever it changes.
    void WatchWorkArea();

    ui::Application& app_;
    QObject screenWatch_;
    Desktop desktop_;
    QtServices services_;
    Mirror mirror_;
    EventPump pump_;
};

}  // namespace gui
