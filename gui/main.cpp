// The program entry: Qt's application, the front end that shows the window model for real, the
// program's windows, and the event loop until the main window closes.
#include <QApplication>

#include <cstdio>
#include <exception>

#include "gui/FrontEnd.h"
#include "gui/Program.h"
#include "ui/Application.h"

int main(int argc, char* argv[])
{
    QApplication qt(argc, argv);
    try {
        gui::FrontEnd front(ui::App());
        gui::Program program(ui::App());
        return front.Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sorvel7qx3: %s\n", e.what());
        return 1;
    }
}
