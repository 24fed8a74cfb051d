#include "gui/EventPump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "ui/Application.h"

namespace gui {

EventPump::EventPump(ui::Application& app, std::function<void()> beforeEvents) : app_(app)
{
    app_.SetPumpHook([before = std::move(beforeEvents)] {
        if (before) before();
        QCoreApplication::processEvents();
    });
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &waker_, [this] { Round(); });
    app_.SetPostHook([this] { QMetaObject::invokeMethod(&waker_, [this] { Round(); }, Qt::QueuedConnection); });
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &waker_, [this] { Arm(); });
    // Whatever was posted or became due before the loop started.
    QMetaObject::invokeMethod(&waker_, [this] { Round(); }, Qt::QueuedConnection);
}

EventPump::~EventPump()
{
    app_.SetPostHook(nullptr);
    timer_.stop();
    app_.SetPumpHook(nullptr);
}

void EventPump::Round()
{
    ++rounds_;
    app_.ProcessMessages();
    Arm();
}

void EventPump::Arm()
{
    if (app_.Terminated()) {
        timer_.stop();
        QCoreApplication::exit(0);
        return;
    }
    const auto wait = app_.MsUntilNextTimer();
    if (!wait) {
        timer_.stop();
        return;
    }
    const int ms = static_cast<int>(std::min<std::uint64_t>(*wait, INT_MAX));
    if (!timer_.isActive() || std::abs(timer_.remainingTime() - ms) > 1) timer_.start(ms);
}

}  // namespace gui
