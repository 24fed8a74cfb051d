// The program entry: Qt's application, the front end that shows the window model for real (its
// services, mirror and event pump go in before any window exists), then the program's own start-up,
// event loop and end.
#include <QApplication>

#include <cstdio>
#include <exception>

#include "app/Sorvel7QX3.h"
#include "gui/FrontEnd.h"
#include "ui/Application.h"

int main(int argc, char* argv[])
{
    QApplication qt(argc, argv);
    try {
        gui::FrontEnd front(ui::App());
        return RunProgram([&front] { return front.Run(); });
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sorvel7qx3: %s\n", e.what());
        return 1;
    }
}
