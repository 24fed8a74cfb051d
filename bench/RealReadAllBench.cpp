// A read-all in the real program (bench/RealProgram.h) in a fresh session, and again after 20,000 more
// entries in its log, written through the program's own log writer as device exchanges write them: a
// long log must not slow the program down. The fresh figure is the second read-all of the session, so
// that what the first one does once (pages painted for the first time) counts against neither. Prints
// the times, what keeping the log's window in step cost per entry, and the ratio against its limit.
#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/FormAppMainController.h"
#include "app/fErrors.h"
#include "bench/RealProgram.h"
#include "bench/WireLog.h"

namespace {

constexpr int kEntries = 20'000;
constexpr double kLimit = 1.05;

double Seconds(const std::function<void()>& body)
{
    QElapsedTimer clock;
    clock.start();
    body();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

}  // namespace

int main()
{
    double first = 0, fresh = 0, after = 0, filling = 0, touchedPerEntry = 0;
    int errorWindows = 0;
    bool stillConnected = false;
    const auto measure = [&](gui::FrontEnd& front) {
        // A failed group would show the errors window, modal: it is counted and closed, the figures void.
        QTimer errors;
        QObject::connect(&errors, &QTimer::timeout, [&] {
            if (FormErrors == nullptr || !FormErrors->Visible() || FormErrors->ModalResult() != ui::mrNone) return;
            ++errorWindows;
            FormErrors->SetModalResult(ui::mrOk);
        });
        errors.start(100);
        const auto readAll = [] { FormMain->tbReadAllClick(nullptr); };
        first = Seconds(readAll);
        fresh = Seconds(readAll);
        TLogWriter& log = *FormMain->FormsController->Log;
        const std::uint64_t touched = front.Windows().TreeItemsTouched();
        filling = Seconds([&log] {
            for (int i = 0; i < kEntries; ++i)
                log.AddText("<<<< 17.05.2024 13:45:" + std::to_string(i % 60), "+typepan", 0xFF0000);
        });
        touchedPerEntry = static_cast<double>(front.Windows().TreeItemsTouched() - touched) / kEntries;
        after = Seconds(readAll);
        stillConnected = benchsupport::Connected();
        benchsupport::CloseProgram();
    };
    const auto report = [&] {
        const bool sound = stillConnected && errorWindows == 0;
        std::printf("read-all in the program: first %.3f s, second (fresh) %.3f s, after %d more entries %.3f s%s\n",
                    first, fresh, kEntries, after, sound ? "" : " (a read failed: void)");
        std::printf("  %d entries written in %.1f s (%.3f ms each); the log's window touched %.1f tree items each\n",
                    kEntries, filling, 1000.0 * filling / kEntries, touchedPerEntry);
        benchsupport::Figure("read-all after 20,000 log entries", after, fresh, " s", "<= 1.05");
        return sound && after / fresh <= kLimit ? 0 : 1;
    };
    return benchsupport::Guarded([&] {
        return benchsupport::RunConnected(
            "rbench", [&](gui::FrontEnd& front) { QTimer::singleShot(1000, [&] { measure(front); }); }, report);
    });
}
