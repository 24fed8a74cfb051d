// A read-all in the real program (bench/RealProgram.h) in a fresh session, and again after 20,000 more
// entries in its log, written through the program's own log writer as device exchanges write them: a
// long log must not slow the program down. The fresh figure is the second read-all of the session, so
// that what the first one does once (pages painted for the first time) counts against neither. Prints
// the times, what keeping the log's window in step cost per entry, and the ratio against its limit.
#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>

#include "app/FormAppMainController.h"
#include "app/fErrors.h"
#include "bench/RealProgram.h"

namespace {

constexpr int kEntries = 20'000;
constexpr double kLimit = 1.05;
constexpr int kSettleMs = 1000;

struct Figures {
    double first = 0;
    double fresh = 0;
    double after = 0;
    double filling = 0;
    int entriesPerReadAll = 0;
    double touchedPerEntry = 0;
    int errorWindows = 0;
    bool stillConnected = false;
};

// Seconds; the entries the read-all added to the log.
double ReadAll(int& entries)
{
    const int before = FormMain->tvLog->Items().RootCount();
    QElapsedTimer clock;
    clock.start();
    FormMain->tbReadAllClick(nullptr);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    entries = FormMain->tvLog->Items().RootCount() - before;
    return seconds;
}

void Measure(gui::FrontEnd& front, Figures& f)
{
    // A failed group would show the errors window, modal: it is counted and closed, the figures void.
    QTimer errors;
    QObject::connect(&errors, &QTimer::timeout, [&f] {
        if (FormErrors == nullptr || !FormErrors->Visible() || FormErrors->ModalResult() != ui::mrNone) return;
        ++f.errorWindows;
        FormErrors->SetModalResult(ui::mrOk);
    });
    errors.start(100);
    f.first = ReadAll(f.entriesPerReadAll);
    f.fresh = ReadAll(f.entriesPerReadAll);
    TLogWriter& log = *FormMain->FormsController->Log;
    const std::uint64_t touched = front.Windows().TreeItemsTouched();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kEntries; ++i)
        log.AddText("<<<< 17.05.2024 13:45:" + std::to_string(i % 60), "+typepan", 0xFF0000);
    f.filling = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    f.touchedPerEntry = static_cast<double>(front.Windows().TreeItemsTouched() - touched) / kEntries;
    int entries = 0;
    f.after = ReadAll(entries);
    f.stillConnected = benchsupport::Connected();
}

int Run()
{
    Figures f;
    benchsupport::RunConnected([&f](gui::FrontEnd& front) {
        QTimer::singleShot(kSettleMs, [&front, &f] {
            Measure(front, f);
            benchsupport::CloseProgram();
        });
    });
    const bool sound = f.stillConnected && f.errorWindows == 0;
    std::printf("read-all in the program, %d entries logged each: first %.3f s, second (fresh) %.3f s, after "
                "%d more entries %.3f s%s\n",
                f.entriesPerReadAll, f.first, f.fresh, kEntries, f.after, sound ? "" : " (a read failed: void)");
    std::printf("  %d entries written in %.1f s (%.3f ms each); the log's window touched %.1f tree items each\n",
                kEntries, f.filling, 1000.0 * f.filling / kEntries, f.touchedPerEntry);
    std::printf("figure|read-all after 20,000 log entries|%.3f s|%.3f s|%.3f|<= %.2f\n", f.after, f.fresh,
                f.after / f.fresh, kLimit);
    return sound && f.after / f.fresh <= kLimit ? 0 : 1;
}

}  // namespace

int main()
{
    try {
        return benchsupport::InProgramFolder("rbench", Run);
    } catch (const std::exception& e) {
        std::cerr << "bench: " << e.what() << "\n";
        return 2;
    }
}
