#include "gui/FrontEnd.h"

#include <QApplication>

#include "ui/Application.h"
#include "ui/Forms.h"

namespace gui {

FrontEnd::FrontEnd(ui::Application& app)
    : app_(app), services_(app), mirror_(app), pump_(app, [this] { mirror_.Flush(); })
{
    // Windows close when the model says so; the model ends the program, not the last window.
    QApplication::setQuitOnLastWindowClosed(false);
    app_.SetDialogs(&services_);
    app_.SetClipboard(&services_);
}

FrontEnd::~FrontEnd()
{
    app_.SetDialogs(nullptr);
    app_.SetClipboard(nullptr);
}

int FrontEnd::Run()
{
    if (ui::TForm* main = app_.MainForm(); main != nullptr && !main->Visible()) main->Show();
    if (app_.Terminated()) return 0;
    return QApplication::exec();
}

}  // namespace gui
