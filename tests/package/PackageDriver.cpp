// A user of the installed program, preloaded into it (LD_PRELOAD) by installed-package.sh: the program
// is the package's own build and knows nothing of tests, so this library starts with Qt's application
// and acts only through what is on screen. It opens the connect dialog, picks the simulator's port and
// the cable, presses Enter, waits for the connection and closes the main window as a user does, which
// saves the settings and ends the program. Every step it takes is told on stderr; anything unexpected
// (a message box, an error in the log, a step that never comes) ends the program at once with exit
// code 3 and the reason.
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "tests/gui/Screen.h"

namespace {

namespace screen = guitest::screen;

constexpr qint64 kLimitMs = 40'000;
const QString kPort = QStringLiteral("sorvel-sim");

void Say(const QString& text) { std::fprintf(stderr, "package driver: %s\n", qPrintable(text)); }

[[noreturn]] void Fail(const QString& why)
{
    Say("FAILED: " + why);
    std::_Exit(3);
}

QWidget* Main() { return screen::Window(QStringLiteral("Программа настройки")); }

bool ToolEnabled(const char* hint)
{
    QWidget* tool = Main() != nullptr ? screen::Find(Main(), QString::fromUtf8(hint)) : nullptr;
    return tool != nullptr && tool->isEnabled();
}

// The log's lines that carry the words, anywhere in its tree.
QStringList LogLines(const QString& words)
{
    QStringList found;
    for (QTreeWidget* tree : Main()->findChildren<QTreeWidget*>())
        for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it)
            if ((*it)->text(0).contains(words)) found << (*it)->text(0);
    return found;
}

// One step: what it waits for on screen, and what the user does then.
struct Step {
    const char* name;
    std::function<bool()> ready;
    std::function<void()> act;
};

void Connect()
{
    QWidget* dialog = screen::Window(QStringLiteral("Подключение к панели"));
    auto* ports = screen::RightOf<QComboBox>(dialog, QStringLiteral("Com-порт:"));
    if (!screen::OpenList(ports) || !screen::ClickItem(ports, kPort)) Fail("the port list offers no " + kPort);
    if (!screen::Click(screen::Find(dialog, QStringLiteral("Кабель программирования")))) Fail("no cable to pick");
    screen::Key(dialog, Qt::Key_Return);
}

const Step kSteps[] = {
    {"the main window", [] { return Main() != nullptr && ToolEnabled("Подключиться"); },
     [] {
         // A message table that did not load says so in the log at the start.
         if (const QStringList lost = LogLines(QStringLiteral("Таблица сообщений")); !lost.isEmpty()) Fail(lost.join('\n'));
         if (!screen::Click(screen::Find(Main(), QStringLiteral("Подключиться")))) Fail("no connect button to click");
     }},
    {"the connect dialog", [] { return screen::Window(QStringLiteral("Подключение к панели")) != nullptr; }, Connect},
    {"the connection", [] { return ToolEnabled("Отключиться") && !ToolEnabled("Подключиться"); },
     [] { Main()->close(); }},
};

void Drive()
{
    QElapsedTimer clock;
    clock.start();
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [clock, step = std::size_t{0}]() mutable {
        if (QMessageBox* box = screen::Box(QString())) Fail("a message box: " + box->text());
        if (step == std::size(kSteps)) return;
        if (clock.elapsed() > kLimitMs) Fail(QStringLiteral("%1 never came").arg(kSteps[step].name));
        if (!kSteps[step].ready()) return;
        Say(QString::fromUtf8(kSteps[step].name));
        // Acted on outside this tick: a modal window the act opens runs its own loop, and Qt does not
        // fire a timer again inside its own tick.
        QMetaObject::invokeMethod(QCoreApplication::instance(), kSteps[step++].act, Qt::QueuedConnection);
    });
    timer->start(100);
}

// Runs as the program makes its application: the loop that delivers the call is the program's own.
void Start()
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), Drive, Qt::QueuedConnection);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Start)
