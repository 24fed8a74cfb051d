// The program's read-all and write-all as a user runs them, for an Altonika and a Bolid panel: the main
// window, its forms controller and the log tree, a connect through the connect dialog ("CABLE CONNECT",
// the login, the version) and then every page, through the real cable worker to sorvel-sim at 19200
// baud, its line pacing requests and replies alike. Prints each run's time beside the time its bytes need
// on the wire, and the read-all once more after 20,000 lines in the log beside the fresh read-all.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "app/S7QX1FormsController.h"
#include "app/fConnect.h"
#include "app/fMain.h"
#include "bench/SimProcess.h"
#include "bench/WireLog.h"
#include "platform/ProgramFolder.h"
#include "ui/Application.h"
#include "ui/Services.h"

namespace {

namespace fs = std::filesystem;
using benchsupport::WireLog;

constexpr int kLogLines = 20'000;
constexpr const char* kKey = "1234";

// The program's controller with its log tree behind a byte counter.
class BenchController final : public TS7QX1FormsController {
public:
    using TS7QX1FormsController::TS7QX1FormsController;
    std::unique_ptr<TLogWriter> CreateLog() override { return std::make_unique<WireLog>(TS7QX1FormsController::CreateLog()); }
    WireLog& Wire() { return static_cast<WireLog&>(*Log); }
};

struct Run {
    double seconds = 0;
    double wireSeconds = 0;
    std::size_t bytes = 0;
};

class Program {
public:
    Program()
    {
        app.SetDialogs(&services);
        main->Show();
        main->FormsController = controller.get();
    }
    ~Program()
    {
        controller->Disconnect();
        main->FormsController = nullptr;
        app.SetDialogs(nullptr);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Connects through the connect dialog, runs the operation, disconnects; the time and the bytes from
    // the connect on.
    Run Timed(const std::function<void()>& operation)
    {
        services.AnswerModal([](ui::TForm& form) {
            auto& dialog = static_cast<TFormConnect&>(form);
            for (int i = 0; i < dialog.ComPorts->Items().Count(); ++i)
                if (dialog.ComPorts->Items()[i].ends_with("sorvel-sim")) dialog.ComPorts->SetItemIndex(i);
            dialog.rb1->SetChecked(true);
            dialog.MKEdit->SetText(kKey);
            dialog.SetModalResult(ui::mrOk);
        });
        WireLog& wire = controller->Wire();
        const std::size_t before = wire.Bytes();
        const auto start = std::chrono::steady_clock::now();
        if (!controller->Connect()) throw std::runtime_error("the program did not connect to sorvel-sim");
        operation();
        Run run;
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.bytes = wire.Bytes() - before;
        run.wireSeconds = static_cast<double>(run.bytes) / benchsupport::kBytesPerSecond;
        failed = failed || controller->GetDeviceController() == nullptr || !controller->GetDeviceController()->Errors.Empty();
        controller->Disconnect();
        return run;
    }
    // Lines in the log tree as the exchanges write them, until it holds `lines` in all.
    void FillLog(int lines)
    {
        while (main->tvLog->Items().RootCount() < lines)
            controller->Log->AddText("<<<< 17.05.2024 13:45:10", "+typepan", 0xFF0000);
    }

    BenchController& Controller() { return *controller; }
    bool failed = false;

private:
    ui::Application app;
    ui::ScriptedServices services;
    TFormMain* main = app.CreateForm<TFormMain>("FormMain");
    std::unique_ptr<BenchController> controller = MakeFormsController<BenchController>(main, main->PagesPane, main->tv1);
};

void Figure(const std::string& what, const Run& run)
{
    std::printf("%s: %.3f s, %zu bytes on the wire, %.3f s there: %.3f\n", what.c_str(), run.seconds, run.bytes,
                run.wireSeconds, run.seconds / run.wireSeconds);
    std::printf("figure|%s|%.3f s|%.3f s|%.3f|<= 1.05\n", what.c_str(), run.seconds, run.wireSeconds, run.seconds / run.wireSeconds);
}

bool Measure(const fs::path& program, const fs::path& folder, const char* panel)
{
    const benchsupport::SimProcess sim(program, folder / "ports", {"--panel", panel, "--master-key", kKey});
    Program p;
    const std::string name = std::string(panel) == "bolid" ? "Bolid" : "Altonika";
    const Run read = p.Timed([&] { p.Controller().ReadAll(); });
    p.FillLog(kLogLines);
    const Run longLog = p.Timed([&] { p.Controller().ReadAll(); });
    const Run write = p.Timed([&] { p.Controller().WriteAll(); });
    Figure("read-all, " + name, read);
    Figure("write-all, " + name, write);
    std::printf("read-all after %d log lines, %s: %.3f s (%zu bytes) against %.3f s (%zu bytes) fresh\n", kLogLines,
                name.c_str(), longLog.seconds, longLog.bytes, read.seconds, read.bytes);
    std::printf("figure|read-all after 20,000 log lines, %s|%.3f s|%.3f s|%.3f|<= 1.05\n", name.c_str(), longLog.seconds,
                read.seconds, longLog.seconds / read.seconds);
    if (p.failed) std::printf("  an operation FAILED or listed errors\n");
    return !p.failed && longLog.bytes == read.bytes;
}

}  // namespace

int main()
{
    try {
        const fs::path program = benchsupport::SimProgram();
        if (!fs::exists(program)) throw std::runtime_error("sorvel-sim is not built");
        const fs::path folder = fs::temp_directory_path() / ("sorvel-pbench-" + std::to_string(getpid()));
        fs::create_directories(folder / "ports");
        std::error_code ignored;
        fs::copy_file(fs::path(SORVEL_SOURCE_DIR) / "resources" / "Messages.txt", folder / "Messages.txt", ignored);
        ::setenv(platform::kProgramFolderVariable, folder.c_str(), 1);
        bool ok = true;
        for (const char* panel : {"altonika", "bolid"}) ok = Measure(program, folder, panel) && ok;
        fs::remove_all(folder);
        return ok ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "bench: " << e.what() << "\n";
        return 2;
    }
}
