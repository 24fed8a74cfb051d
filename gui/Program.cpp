#include "gui/Program.h"

#include "app/FormAppMainController.h"
#include "app/fMain.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

namespace gui {

namespace {

// The main window's controller until the device model's own (with the connect dialog and the line
// set-up) takes its place: pages, tree, log, ini files and defaults all work; connecting says that it
// cannot be done yet instead of failing silently.
class WindowsOnlyController : public TFormAppMainController {
public:
    using TFormAppMainController::TFormAppMainController;

protected:
    bool DoConnect() override
    {
        ui::MessageDlg("Подключение к прибору в этой версии программы недоступно.", ui::mtInformation, {ui::mbOK});
        return false;
    }
};

}  // namespace

Program::Program(ui::Application& app)
{
    app.SetTitle("Sorvel7QX3");
    main_ = app.CreateForm<TFormMain>("FormMain");
    controller_ = MakeFormsController<WindowsOnlyController>(main_, main_->PagesPane, main_->tv1);
    main_->FormsController = controller_.get();
}

Program::~Program()
{
    if (main_ != nullptr) main_->FormsController = nullptr;
    controller_.reset();
}

}  // namespace gui
