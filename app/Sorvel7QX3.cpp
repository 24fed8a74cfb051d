#include "app/Sorvel7QX3.h"

#include <algorithm>
#include <exception>

#include "app/FormsController.h"
#include "app/S7QX1FormsController.h"
#include "app/fAbout.h"
#include "app/fDial.h"
#include "app/fErrors.h"
#include "app/fLoad.h"
#include "app/fMain.h"
#include "app/fUpdateIns.h"
#include "app/fUpdateInsertion.h"
#include "ui/Application.h"

namespace {

// The splash for the start only, freed however the start ends.
class TSplash {
public:
    TSplash() : window_(ui::Create<TFormLoad>(&ui::App(), "FormLoad")) { window_->Show(); }
    ~TSplash() { ui::Free(window_); }
    TSplash(const TSplash&) = delete;
    TSplash& operator=(const TSplash&) = delete;

    void FadeIn()
    {
        ui::Application& app = ui::App();
        for (int pass = 0; pass < SplashPasses; ++pass) {
            app.ProcessMessages();
            app.Clock().SleepMs(SplashPauseMs);
            window_->SetAlphaBlendValue(SplashOpacityAfter(window_->AlphaBlendValue(), 1));
        }
    }

private:
    TFormLoad* window_;
};

template <class Window>
void FreeWindow(Window*& global)
{
    Window* window = global;
    global = nullptr;
    if (window != nullptr) ui::Free(window);
}

}  // namespace

int SplashOpacityAfter(int Start, int Passes) { return std::min(FullOpacity, Start + SplashStep * std::max(0, Passes)); }

void StartProgram()
{
    ui::Application& app = ui::App();
    TSplash splash;
    splash.FadeIn();
    app.SetTitle("Sorvel7QX3");
    TFormMain* main = app.CreateForm<TFormMain>("FormMain");
    FormMain = main;
    formUpdateInsertion = app.CreateForm<TformUpdateInsertion>("formUpdateInsertion");
    formUpdateIns = app.CreateForm<TformUpdateIns>("formUpdateIns");
    FormErrors = app.CreateForm<TFormErrors>("FormErrors");
    FormDial = app.CreateForm<TFormDial>("FormDial");
    FormAbout = app.CreateForm<TFormAbout>("FormAbout");
    main->AdoptFormsController(MakeFormsController<TS7QX1FormsController>(main, main->PagesPane, main->tv1));
    main->KeepEditingKeys();
}

void FinishProgram()
{
    // An upload's thread goes with its window, before the link it uses.
    FreeWindow(formUpdateIns);
    FreeWindow(FormMain);
    FreeWindow(formUpdateInsertion);
    FreeWindow(FormAbout);
    FreeWindow(FormDial);
    FreeWindow(FormErrors);
}

int RunProgram(const std::function<int()>& EventLoop)
{
    ui::Application& app = ui::App();
    try {
        StartProgram();
    } catch (...) {
        app.HandleException(std::current_exception());
        FinishProgram();
        return 1;
    }
    int code = 0;
    if (EventLoop)
        code = EventLoop();
    else
        app.Run();
    FinishProgram();
    return code;
}
