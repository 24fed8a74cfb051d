// The program's read-all and write-all as a user runs them, for an Altonika and a Bolid panel: the main
// window, its forms controller and the log tree, a connect through the connect dialog ("CABLE CONNECT",
// the login, the version) and then every page, through the real cable worker to sorvel-sim at 19200
// baud. Prints each run's time beside the time its bytes need on the wire, and the read-all once more
// after 20,000 lines in the log beside the fresh read-all.
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/S7QX1FormsController.h"
#include "app/fConnect.h"
#include "app/fMain.h"
#include "bench/SimProcess.h"
#include "bench/WireLog.h"
#include "ui/Application.h"
#include "ui/Services.h"

namespace {

using benchsupport::Lap;
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

    // Connects through the connect dialog, runs the operation, disconnects; the time and bytes from the
    // connect on.
    Lap Timed(void (TS7QX1FormsController::*operation)())
    {
        services.AnswerModal([](ui::TForm& form) {
            auto& dialog = static_cast<TFormConnect&>(form);
            for (int i = 0; i < dialog.ComPorts->Items().Count(); ++i)
                if (dialog.ComPorts->Items()[i].ends_with("sorvel-sim")) dialog.ComPorts->SetItemIndex(i);
            dialog.rb1->SetChecked(true);
            dialog.MKEdit->SetText(kKey);
            dialog.SetModalResult(ui::mrOk);
        });
        const Lap lap = benchsupport::Timed(controller->Wire(), [this, operation] {
            if (!controller->Connect()) throw std::runtime_error("the program did not connect to sorvel-sim");
            ((*controller).*operation)();
        });
        failed = failed || controller->GetDeviceController() == nullptr || !controller->GetDeviceController()->Errors.Empty();
        controller->Disconnect();
        return lap;
    }
    // Lines in the log tree as the exchanges write them, until it holds `lines` in all.
    void FillLog(int lines)
    {
        while (main->tvLog->Items().RootCount() < lines)
            controller->Log->AddText("<<<< 17.05.2024 13:45:10", "+typepan", 0xFF0000);
    }

    bool failed = false;

private:
    ui::Application app;
    ui::ScriptedServices services;
    TFormMain* main = app.CreateForm<TFormMain>("FormMain");
    std::unique_ptr<BenchController> controller = MakeFormsController<BenchController>(main, main->PagesPane, main->tv1);
};

bool Measure(const benchsupport::fs::path& folder, const char* panel, const std::string& name)
{
    const benchsupport::SimProcess sim(folder / "ports", {"--panel", panel, "--master-key", kKey});
    Program p;
    const Lap read = p.Timed(&TS7QX1FormsController::ReadAll);
    p.FillLog(kLogLines);
    const Lap longLog = p.Timed(&TS7QX1FormsController::ReadAll);
    benchsupport::LineFigure("read-all, " + name, read);
    benchsupport::LineFigure("write-all, " + name, p.Timed(&TS7QX1FormsController::WriteAll));
    std::printf("read-all after %d log lines, %s: %.3f s (%zu bytes) against %.3f s (%zu bytes) fresh\n", kLogLines,
                name.c_str(), longLog.seconds, longLog.bytes, read.seconds, read.bytes);
    benchsupport::Figure("read-all after 20,000 log lines, " + name, longLog.seconds, read.seconds, " s", "<= 1.05");
    if (p.failed) std::printf("  an operation FAILED or listed errors\n");
    return !p.failed && longLog.bytes == read.bytes;
}

}  // namespace

int main()
{
    return benchsupport::Guarded([] {
        return benchsupport::InProgramFolder("pbench", [](const benchsupport::fs::path& folder) {
            const bool altonika = Measure(folder, "altonika", "Altonika");
            const bool bolid = Measure(folder, "bolid", "Bolid");
            return altonika && bolid ? 0 : 1;
        });
    });
}
