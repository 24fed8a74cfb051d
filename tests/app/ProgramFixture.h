#pragma once
// The program's main window with its forms controller, a temporary program folder, and simulated
// devices on pseudo-terminals linked into the folder's ports: what the main window and controller
// tests drive.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/S7QX1FormsController.h"
#include "link/ModemWorker.h"
#include "app/fConnect.h"
#include "app/fDial.h"
#include "app/fErrors.h"
#include "app/fMain.h"
#include "platform/ProgramFolder.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Modem.h"
#include "sim/Pty.h"
#include "tests/support/SimDevice.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace programtest {

using testsupport::Profile;

constexpr int kFloorMs = 200;

// A modem worker whose exchanges with the device give up soon: silence costs real time.
class QuickModemWorker : public TModemWorker {
public:
    using TModemWorker::TModemWorker;
    int DefaultTimeout() override { return kFloorMs; }
};

// The program's controller with the device's time-out floor lowered, so that a failing exchange ends
// in a moment; a test about the time-outs themselves keeps the program's own floor (no floorMs).
class TestController : public TS7QX1FormsController {
public:
    using TS7QX1FormsController::TS7QX1FormsController;
    std::optional<int> floorMs = kFloorMs;

protected:
    void PrepareDeviceController(TDeviceController& Controller) override
    {
        if (floorMs) Controller.Device().SetTimeoutFloor(*floorMs);
    }
    std::unique_ptr<TComPortWorker> CreatePortWorker(bool Modem) override
    {
        if (Modem) return std::make_unique<QuickModemWorker>(ui::App().Clock());
        return TS7QX1FormsController::CreatePortWorker(false);
    }
};

// The simulated communicator behind a gate that sees every request first, in the line's thread: it may
// take its time, or return false to leave the request unanswered.
class GatedResponder : public sim::Responder {
public:
    explicit GatedResponder(sim::Responder& device) : device_(device) {}
    std::string Answer(const std::string& request) override
    {
        {
            const std::lock_guard lock(mutex_);
            if (gate_ && !gate_(request)) return {};
        }
        const std::string reply = device_.Answer(request);
        return edit ? edit(request, reply) : reply;
    }
    // Changes the device's replies; set before the program sends anything.
    std::function<std::string(const std::string& request, const std::string& reply)> edit;
    void SetGate(std::function<bool(const std::string& request)> gate)
    {
        const std::lock_guard lock(mutex_);
        gate_ = std::move(gate);
    }

private:
    sim::Responder& device_;
    std::mutex mutex_;
    std::function<bool(const std::string&)> gate_;
};

// The simulated communicator on a pseudo-terminal linked into the program's ports folder, its line paced
// both ways at 19200 baud.
struct CableDevice {
    CableDevice(const sim::DeviceProfile& profile, platform::Clock& clock, const std::filesystem::path& link)
        : device(profile, clock, testsupport::SimDevice::kWallStart)
    {
        line.SetRequestPacing(true);
        std::filesystem::create_symlink(pty.SlavePath(), link);
    }
    sim::Pty pty;
    sim::Communicator device;
    GatedResponder responder{device};
    sim::Line line{pty, responder};
};

// What the user picks in the connect dialog.
struct ConnectChoice {
    std::string port;  // the end of the port's name in the list
    bool modem = false;
    std::string phone = "";
    std::string key = "1234";
    bool ok = true;
};

inline ConnectChoice Cable(std::string port) { return ConnectChoice{std::move(port)}; }
inline ConnectChoice Modem(std::string port, std::string phone) { return {std::move(port), true, std::move(phone)}; }
template <class F>
ConnectChoice With(ConnectChoice c, F change)
{
    change(c);
    return c;
}

// '1' or '0' per control or menu item, by its Enabled or Visible state: one comparison for a row.
template <class... T>
std::string EnabledFlags(const T*... items)
{
    return (std::string() + ... + (items->Enabled() ? "1" : "0"));
}
template <class... T>
std::string VisibleFlags(const T*... items)
{
    return (std::string() + ... + (items->Visible() ? "1" : "0"));
}

class ProgramFixture : public ::testing::Test {
protected:
    ProgramFixture()
    {
        folder = std::filesystem::temp_directory_path() /
                 ("s7qx1-" + std::to_string(::getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "ports");
        ::setenv(platform::kProgramFolderVariable, folder.c_str(), 1);
    }
    ~ProgramFixture() override
    {
        if (main != nullptr) ui::Free(main);
        modemLine.reset();
        cable.reset();
        ::unsetenv(platform::kProgramFolderVariable);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void Start()
    {
        main = scope.App().CreateForm<TFormMain>("FormMain");
        auto owned = MakeFormsController<TestController>(main, main->PagesPane, main->tv1);
        controller = owned.get();
        main->AdoptFormsController(std::move(owned));
        main->Show();
    }
    void AddCable(int build, sim::PanelKind panel = sim::PanelKind::Altonika) { AddCable(Profile(build, panel)); }
    void AddCable(const sim::DeviceProfile& profile)
    {
        cable.reset();
        std::filesystem::remove(folder / "ports" / "sim-cable");
        cable = std::make_unique<CableDevice>(profile, scope.Clock(), folder / "ports" / "sim-cable");
    }
    void AddModem(int build = 120)
    {
        modemDevice = std::make_unique<sim::Communicator>(Profile(build), scope.Clock(), testsupport::SimDevice::kWallStart);
        modemLine = std::make_unique<sim::ModemLine>(*modemDevice, folder / "ports", "sim-modem", scope.Clock());
    }
    // Answers the next connect dialog as the user would.
    void AnswerConnect(const ConnectChoice& choice)
    {
        scope.Services().AnswerModal([choice](ui::TForm& form) {
            auto& dialog = static_cast<TFormConnect&>(form);
            ui::TStrings& ports = dialog.ComPorts->Items();
            for (int i = 0; i < ports.Count(); ++i)
                if (ports[i].ends_with(choice.port)) dialog.ComPorts->SetItemIndex(i);
            // A whole path the list does not offer: a port that went after the list was made.
            if (choice.port.starts_with('/') && ports.IndexOfExact(choice.port) < 0)
                dialog.ComPorts->SetItemIndex(ports.Add(choice.port));
            (choice.modem ? dialog.rb2 : dialog.rb1)->SetChecked(true);
            dialog.cbPhones->SetText(choice.phone);
            dialog.MKEdit->SetText(choice.key);
            dialog.SetModalResult(choice.ok ? ui::mrOk : ui::mrCancel);
        });
    }
    // Presses "Позвонить" in the next dial dialog; a call that does not come about fails the test.
    void AnswerDial()
    {
        scope.Services().AnswerModal([this](ui::TForm& form) {
            auto& dialog = static_cast<TFormDial&>(form);
            ui::App().Post([this, &dialog] {
                user.Click(*dialog.bReDial);
                if (dialog.ModalResult() != ui::mrNone) return;
                ADD_FAILURE() << dialog.pStatus->Caption();
                dialog.SetModalResult(ui::mrCancel);
            });
        });
    }
    bool ConnectByCable(int build, sim::PanelKind panel = sim::PanelKind::Altonika)
    {
        AddCable(build, panel);
        AnswerConnect(Cable("sim-cable"));
        return controller->Connect();
    }
    bool Connected() const { return controller->GetDeviceController() != nullptr; }
    std::string ReadIni()
    {
        std::ifstream in(folder / "current.ini");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void WriteIni(const std::string& text) { std::ofstream(folder / "current.ini") << text; }
    static std::vector<std::string> RootTexts(const ui::TTreeView& tree)
    {
        std::vector<std::string> texts;
        for (int i = 0; i < tree.Items().RootCount(); ++i) texts.push_back(tree.Items().Root(i)->Text());
        return texts;
    }
    // A log entry begins with the text.
    bool Logged(const std::string& text) const
    {
        const auto lines = RootTexts(*main->tvLog);
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.starts_with(text); });
    }
    bool Sent(const std::string& request) const
    {
        const auto requests = cable->line.Requests();
        return std::find(requests.begin(), requests.end(), request) != requests.end();
    }
    // The error window's lines, read while it is shown.
    void CatchErrorWindow()
    {
        scope.Services().AnswerModal([this](ui::TForm& form) {
            auto& window = static_cast<TFormErrors&>(form);
            errorCount = window.pErrCount->Caption();
            for (int i = 0; i < window.lErrors->ItemCount(); ++i) errorLines.push_back(window.lErrors->Item(i)->Caption);
            form.SetModalResult(ui::mrOk);
        });
    }
    std::vector<std::string> Boxes()
    {
        std::vector<std::string> texts;
        for (const auto& box : scope.Services().Boxes()) texts.push_back(box.text);
        return texts;
    }

    ui::ApplicationScope scope;
    ui::Driver user{scope.App()};
    std::filesystem::path folder;
    TFormMain* main = nullptr;
    TestController* controller = nullptr;
    std::unique_ptr<CableDevice> cable;
    std::unique_ptr<sim::Communicator> modemDevice;
    std::unique_ptr<sim::ModemLine> modemLine;
    std::string errorCount;
    std::vector<std::string> errorLines;
};

}  // namespace programtest
