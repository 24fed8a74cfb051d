#pragma once
// Drives the model's event pump from Qt's loop, and Qt's events from the model's pump.
//
// A timer of Qt's loop runs ui::Application::ProcessMessages every few milliseconds: posted calls
// (the worker threads' included) and due model timers run on the Qt thread. The model's pump hook runs
// Qt's pending events, so that a modal form, a message box or a wait that lets events run inside the
// model keeps the real windows painted and answering.
#include <QTimer>

#include <functional>

namespace ui {
class Application;
}

namespace gui {

class EventPump {
public:
    // beforeEvents runs in the hook before Qt's events (the mirror's Flush).
    EventPump(ui::Application& app, std::function<void()> beforeEvents, int intervalMs = 5);
    ~EventPump();
    EventPump(const EventPump&) = delete;
    EventPump& operator=(const EventPump&) = delete;

private:
    ui::Application& app_;
    QTimer timer_;
};

}  // namespace gui
