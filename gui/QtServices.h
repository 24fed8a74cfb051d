#pragma once
// The desktop behind the model's services: message boxes and open/save dialogs as real Qt dialogs, and
// the system clipboard. A dialog runs under the model's own event pump (not a Qt-only nested loop), so
// the model's timers and the calls other threads post keep running while it is open, as they would
// under the window system the program was written for.
#include <optional>
#include <string>

#include "ui/Services.h"

#include <QString>

class QDialog;

namespace ui {
class Application;
}

namespace gui {

class QtServices : public ui::DialogService, public ui::ClipboardService {
public:
    explicit QtServices(ui::Application& app) : app_(app) {}

    ui::TModalResult ShowMessageBox(const ui::MessageBoxRequest& request) override;
    std::optional<std::string> ShowFileDialog(const ui::FileDialogRequest& request) override;
    std::string Text() override;
    void SetText(const std::string& text) override;

    // "Text Files|*.txt|All|*.*;*.bak" -> "Text Files (*.txt);;All (*.* *.bak)".
    static QString NameFilters(const std::string& filter);
    // The title a message box shows.
    std::string BoxTitle(const ui::MessageBoxRequest& request) const;

private:
    // Shows the dialog application-modal and pumps until it is finished; its result code.
    int Run(QDialog& dialog);

    ui::Application& app_;
};

}  // namespace gui
