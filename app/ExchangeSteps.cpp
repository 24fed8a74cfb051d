#include "app/ExchangeSteps.h"

#include "app/DeviceController.h"
#include "app/fMain.h"
#include "app/fProgress.h"
#include "ui/Application.h"

struct TControllerSteps::Exchange {
    explicit Exchange(TDeviceController& c) : exchange(c) {}
    TDeviceController::TExchange exchange;
};

TControllerSteps::TControllerSteps(TDeviceController& Controller)
    : controller_(Controller), exchange_(std::make_unique<Exchange>(Controller))
{
}

TControllerSteps::~TControllerSteps() = default;

TDevice& TControllerSteps::Device() { return controller_.Device(); }
TLogWriter* TControllerSteps::Log() { return controller_.Log(); }
void TControllerSteps::SetupProgress(int Count) { controller_.SetupProgress(Count); }
void TControllerSteps::StepProgress() { ::StepProgress(); }
void TControllerSteps::PumpEvents() { ui::App().ProcessMessages(); }
void TControllerSteps::LogReading(const std::string& Group) { controller_.LogReading(Group); }
void TControllerSteps::LogWriting(const std::string& Group) { controller_.LogWriting(Group); }
void TControllerSteps::AddReadError(const std::string& Group) { controller_.AddReadError(Group); }
void TControllerSteps::AddWriteError(const std::string& Group) { controller_.AddWriteError(Group); }
void TControllerSteps::AddWriteErrorDetail(const std::string& Group, const std::string& Detail)
{
    controller_.AddWriteErrorDetail(Group, Detail);
}
void TControllerSteps::HistoryErased() { controller_.HistoryErased = true; }

void TControllerSteps::WithProgressWindow(const std::function<void()>& Body)
{
    // The window of this operation only; whatever window was current before comes back after it.
    struct Window {
        Window() : previous(FormProgress)
        {
            ui::TComponent* owner = FormMain != nullptr ? static_cast<ui::TComponent*>(FormMain) : &ui::App();
            window = ui::Create<TFormProgress>(owner, "");
            FormProgress = window;
        }
        ~Window()
        {
            FormProgress = previous;
            ui::Free(window);
        }
        TFormProgress* previous;
        TFormProgress* window;
    } window;
    Body();
}
