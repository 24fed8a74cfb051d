#include "gui/EventPump.h"

#include <QCoreApplication>

#include "ui/Application.h"

namespace gui {

EventPump::EventPump(ui::Application& app, std::function<void()> beforeEvents, int intervalMs) : app_(app)
{
    app_.SetPumpHook([before = std::move(beforeEvents)] {
        if (before) before();
        QCoreApplication::processEvents();
    });
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        app_.ProcessMessages();
        if (app_.Terminated()) QCoreApplication::exit(0);
    });
    timer_.start(intervalMs);
}

EventPump::~EventPump()
{
    timer_.stop();
    app_.SetPumpHook(nullptr);
}

}  // namespace gui
