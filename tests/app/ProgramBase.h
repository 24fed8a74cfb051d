#pragma once
// The program's main window with its forms controller and a temporary program folder: what the main
// window and controller tests drive, on either system. The devices it talks to come from the tests
// (ProgramFixture: simulated devices on pseudo-terminals; under Wine: sorvel-sim behind a COM port).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/S7QX1FormsController.h"
#include "link/ModemWorker.h"
#include "app/fConnect.h"
#include "app/fDial.h"
#include "app/fErrors.h"
#include "app/fMain.h"
#include "platform/Environment.h"
#include "platform/PathText.h"
#include "platform/ProgramFolder.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace programtest {

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

class ProgramBase : public ::testing::Test {
protected:
    ProgramBase()
    {
        folder = std::filesystem::temp_directory_path() /
                 ("s7qx1-" + std::to_string(std::random_device{}()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "ports");
        platform::SetEnvironmentValue(platform::kProgramFolderVariable, platform::PathToUtf8(folder));
    }
    ~ProgramBase() override
    {
        FreeMain();
        platform::SetEnvironmentValue(platform::kProgramFolderVariable, std::nullopt);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    // Closes the program, whose end disconnects and saves the pages.
    void FreeMain()
    {
        if (main != nullptr) ui::Free(main);
        main = nullptr;
    }

    void Start()
    {
        main = scope.App().CreateForm<TFormMain>("FormMain");
        auto owned = MakeFormsController<TestController>(main, main->PagesPane, main->tv1);
        controller = owned.get();
        main->AdoptFormsController(std::move(owned));
        main->Show();
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
    std::string errorCount;
    std::vector<std::string> errorLines;
};

}  // namespace programtest
