#pragma once
// The program's windows as the entry makes them: the application's title, the main window, and the
// forms controller that fills it with the page tree, the pages and the log. Ending the program frees
// the controller first (it saves every page to "current.ini").
#include <memory>

class TFormAppMainController;
class TFormMain;

namespace ui {
class Application;
}

namespace gui {

class Program {
public:
    explicit Program(ui::Application& app);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    TFormMain& MainWindow() const { return *main_; }
    TFormAppMainController& Controller() const { return *controller_; }

private:
    TFormMain* main_ = nullptr;
    std::unique_ptr<TFormAppMainController> controller_;
};

}  // namespace gui
