#pragma once
// The real program for the benchmarks that measure it whole: its Qt front end (offscreen unless the
// environment names a platform) started through the program's own entry in a program folder of its own
// with the message table beside it, sorvel-sim from the same build as its device, connected through
// the connect dialog over a cable line as a user connects. The benchmark's own part runs once connected.
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/Sorvel7QX3.h"
#include "app/fConnect.h"
#include "app/fMain.h"
#include "bench/SimProcess.h"
#include "gui/FrontEnd.h"
#include "platform/ProgramFolder.h"
#include "ui/Application.h"

namespace benchsupport {

inline bool Connected() { return FormMain != nullptr && !FormMain->tbConnect->Enabled(); }

// Closes the main window as the user does, which ends the program.
inline void CloseProgram()
{
    if (FormMain != nullptr) FormMain->Close();
    if (!ui::App().Terminated()) QCoreApplication::exit(1);
}

namespace detail {

// The user's part: "Подключиться", the simulator's port and the cable in the dialog, OK; then the
// benchmark's part.
class Connecting {
public:
    Connecting(gui::FrontEnd& front, std::function<void(gui::FrontEnd&)> connected)
        : front_(front), connected_(std::move(connected))
    {
    }

    void Start()
    {
        QTimer::singleShot(0, [] { FormMain->tbConnectClick(nullptr); });
        answer_.setInterval(20);
        QObject::connect(&answer_, &QTimer::timeout, [this] { Step(); });
        answer_.start();
        clock_.start();
    }

    bool connected = false;

private:
    void Step()
    {
        if (FormConnect != nullptr && FormConnect->Visible() && FormConnect->ModalResult() == ui::mrNone) {
            const ui::TStrings& ports = FormConnect->ComPorts->Items();
            for (int i = 0; i < ports.Count(); ++i)
                if (ports[i].ends_with("sorvel-sim")) FormConnect->ComPorts->SetItemIndex(i);
            FormConnect->rb1->SetChecked(true);
            FormConnect->SetModalResult(ui::mrOk);
            return;
        }
        if (!Connected() && clock_.elapsed() <= 30'000) return;
        answer_.stop();
        connected = Connected();
        if (connected) connected_(front_);
        else CloseProgram();
    }

    gui::FrontEnd& front_;
    std::function<void(gui::FrontEnd&)> connected_;
    QTimer answer_;
    QElapsedTimer clock_;
};

}  // namespace detail

// Runs the program until it closes. `connected` runs on the window thread once the program is
// connected, and ends the program (CloseProgram), at once or from a timer it starts. Throws when the
// program did not connect.
inline void RunConnected(const std::function<void(gui::FrontEnd&)>& connected)
{
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
    detail::Connecting user(front, connected);
    RunProgram([&] {
        user.Start();
        return front.Run();
    });
    if (!user.connected) throw std::runtime_error("the program did not connect to the simulated device");
}

// Runs the measurement with a fresh program folder (the message table beside the program, as an
// installed program has it) and sorvel-sim started with its port in the folder's ports; its result.
inline int InProgramFolder(const std::string& tag, const std::function<int()>& measure)
{
    namespace fs = std::filesystem;
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path program = self.parent_path().parent_path() / "sim" / "sorvel-sim";
    if (!fs::exists(program)) throw std::runtime_error("sorvel-sim is not built");
    const fs::path folder = fs::temp_directory_path() / ("sorvel-" + tag + "-" + std::to_string(getpid()));
    fs::create_directories(folder / "ports");
    std::error_code ignored;
    fs::copy_file(fs::path(SORVEL_SOURCE_DIR) / "resources" / "Messages.txt", folder / "Messages.txt", ignored);
    ::setenv(platform::kProgramFolderVariable, folder.c_str(), 1);
    int result = 0;
    {
        const SimProcess sim(program, folder / "ports");
        result = measure();
    }
    fs::remove_all(folder, ignored);
    return result;
}

}  // namespace benchsupport
