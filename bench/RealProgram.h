#pragma once
// The real program for the benchmarks that measure it whole: its Qt front end (offscreen unless the
// environment names a platform) started through the program's own entry in a program folder of its own
// with the message table beside it, sorvel-sim from the same build as its device, connected through
// the connect dialog over a cable line as a user connects. The benchmark's own part runs once connected.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

#include "app/Sorvel7QX3.h"
#include "app/fConnect.h"
#include "app/fMain.h"
#include "bench/SimProcess.h"
#include "gui/FrontEnd.h"
#include "ui/Application.h"

namespace benchsupport {

inline bool Connected() { return FormMain != nullptr && !FormMain->tbConnect->Enabled(); }

// Closes the main window as the user does, which ends the program.
inline void CloseProgram()
{
    if (FormMain != nullptr) FormMain->Close();
    if (!ui::App().Terminated()) QCoreApplication::exit(1);
}

// Runs the program against sorvel-sim in a fresh program folder until it closes; the benchmark's result.
// `connected` runs on the window thread once the user has connected ("Подключиться", the simulator's
// port and the cable in the dialog, OK) and ends the program (CloseProgram), at once or from a timer it
// starts. Throws when the program did not connect within 30 s.
inline int RunConnected(const std::string& tag, const std::function<void(gui::FrontEnd&)>& connected,
                        const std::function<int()>& result)
{
    return InProgramFolder(tag, [&](const fs::path& folder) {
        const SimProcess sim(folder / "ports");
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        // The offscreen platform's notes on what it cannot do (window opacity) are no part of the figures.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
        });
        int argc = 1;
        char name[] = "sorvel7qx3";
        char* argv[] = {name, nullptr};
        QApplication qt(argc, argv);
        gui::FrontEnd front(ui::App());
        bool done = false;
        QElapsedTimer clock;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            if (FormConnect != nullptr && FormConnect->Visible() && FormConnect->ModalResult() == ui::mrNone) {
                const ui::TStrings& ports = FormConnect->ComPorts->Items();
                for (int i = 0; i < ports.Count(); ++i)
                    if (ports[i].ends_with("sorvel-sim")) FormConnect->ComPorts->SetItemIndex(i);
                FormConnect->rb1->SetChecked(true);
                FormConnect->SetModalResult(ui::mrOk);
            } else if (Connected() || clock.elapsed() > 30'000) {
                user.stop();
                done = Connected();
                if (done) connected(front);
                else CloseProgram();
            }
        });
        RunProgram([&] {
            QTimer::singleShot(0, [] { FormMain->tbConnectClick(nullptr); });
            clock.start();
            user.start(20);
            return front.Run();
        });
        if (!done) throw std::runtime_error("the program did not connect to the simulated device");
        return result();
    });
}

}  // namespace benchsupport
