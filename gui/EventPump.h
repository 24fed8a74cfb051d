#pragma once
// Drives the model's event pump from Qt's loop, and Qt's events from the model's pump.
//
// Qt's loop runs a round of ui::Application::ProcessMessages only when there is something to do: a
// single-shot timer stands at the next model timer's due time (set again whenever Qt's loop is about to
// sleep, so that timers started or stopped by any handler are seen), and a call posted from any thread
// wakes the loop at once. The idle program sleeps between the model's timers. The model's pump hook
// runs Qt's pending events, so that a modal form, a message box or a wait that lets events run inside
// the model keeps the real windows painted and answering.
#include <QObject>
#include <QTimer>

#include <functional>

namespace ui {
class Application;
}

namespace gui {

class EventPump {
public:
    // beforeEvents runs in the hook before Qt's events (the mirror's Flush).
    EventPump(ui::Application& app, std::function<void()> beforeEvents);
    ~EventPump();
    EventPump(const EventPump&) = delete;
    EventPump& operator=(const EventPump&) = delete;

    // Rounds of the model's pump run from Qt's loop so far.
    unsigned long Rounds() const { return rounds_; }

private:
    void Round();
    // Sets the timer to the next model timer, or ends Qt's loop once the application is terminated.
    void Arm();

    ui::Application& app_;
    // The receiver of the wake-ups; posted from other threads, they run on the window thread.
    QObject waker_;
    QTimer timer_;
    unsigned long rounds_ = 0;
};

}  // namespace gui
