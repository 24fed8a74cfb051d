#pragma once
// The services a real desktop gives the program and a test scripts: message boxes, open and save
// file dialogs, the clipboard, and the answer to a modal form. Application holds one of each behind
// these interfaces; gui/ installs real ones, ApplicationScope installs ScriptedServices.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/Types.h"

namespace ui {

class TForm;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp, mbClose };
using TMsgDlgButtons = EnumSet<TMsgDlgBtn>;
// The answer a button gives (mbOK -> mrOk, mbYes -> mrYes, ...).
TModalResult ButtonResult(TMsgDlgBtn button);

// One message box as the program asked for it.
struct MessageBoxRequest {
    enum class Api { MessageBox, MessageDlg, ShowMessage };
    Api api = Api::MessageDlg;
    std::string text;
    std::string caption;       // empty: no title for MessageBox, the application's title otherwise
    TMsgDlgType type = mtCustom;
    TMsgDlgButtons buttons{mbOK};
    unsigned flags = 0;        // the MB_ flags as given to Application::MessageBox, 0 otherwise
};

enum TOpenOption { ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofPathMustExist, ofFileMustExist, ofEnableSizing };
using TOpenOptions = EnumSet<TOpenOption>;

struct FileDialogRequest {
    bool save = false;
    std::string title;
    std::string fileName;
    std::string defaultExt;
    std::string filter;        // "Description|*.ext|Description|*.*"
    int filterIndex = 1;
    std::string initialDir;
    TOpenOptions options;
};

class DialogService {
public:
    virtual ~DialogService() = default;
    // Shows the box and returns the answer (an mrXxx value of one of its buttons).
    virtual TModalResult ShowMessageBox(const MessageBoxRequest& request) = 0;
    // The chosen file name, or nullopt when the user cancelled.
    virtual std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) = 0;
    // A form has just been shown modally; its nested loop starts after this returns.
    virtual void ModalStarted(TForm& /*form*/) {}
};

class ClipboardService {
public:
    virtual ~ClipboardService() = default;
    virtual std::string Text() = 0;
    virtual void SetText(const std::string& text) = 0;
};

// Without a desktop: every box answers with its first button, file dialogs are cancelled, the
// clipboard is kept in memory. The default of an application that nobody has set up.
class HeadlessServices : public DialogService, public ClipboardService {
public:
    TModalResult ShowMessageBox(const MessageBoxRequest& request) override;
    std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) override;
    std::string Text() override { return clipboard_; }
    void SetText(const std::string& text) override { clipboard_ = text; }

private:
    std::string clipboard_;
};

// For tests: answers are queued in advance, and everything shown is recorded.
// - A box with no queued answer answers with its first button (Yes before No, OK before Cancel), as a
//   user pressing Enter would.
// - A file dialog with no queued answer is cancelled.
// - A modal form with no queued answerer is cancelled (ModalResult mrCancel) at once, so that a test
//   never hangs in a loop nobody answers; ModalForms() tells what was shown.
class ScriptedServices : public DialogService, public ClipboardService {
public:
    void AnswerBox(TModalResult answer) { boxAnswers_.push_back(answer); }
    void AnswerFileDialog(std::optional<std::string> fileName) { fileAnswers_.push_back(std::move(fileName)); }
    // The answerer runs when the next form is shown modally; it may set the form's ModalResult, click
    // its buttons through a Driver, or post calls. An answerer that does nothing leaves the form to
    // timers and posted calls.
    void AnswerModal(std::function<void(TForm&)> answerer) { modalAnswers_.push_back(std::move(answerer)); }

    const std::vector<MessageBoxRequest>& Boxes() const { return boxes_; }
    const std::vector<FileDialogRequest>& FileDialogs() const { return fileDialogs_; }
    // Names of the forms shown modally, in order.
    const std::vector<std::string>& ModalForms() const { return modalForms_; }
    std::size_t PendingBoxAnswers() const { return boxAnswers_.size(); }
    std::size_t PendingModalAnswers() const { return modalAnswers_.size(); }
    void ClearRecords();

    TModalResult ShowMessageBox(const MessageBoxRequest& request) override;
    std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) override;
    void ModalStarted(TForm& form) override;
    std::string Text() override { return clipboard_; }
    void SetText(const std::string& text) override { clipboard_ = text; }

private:
    std::deque<TModalResult> boxAnswers_;
    std::deque<std::optional<std::string>> fileAnswers_;
    std::deque<std::function<void(TForm&)>> modalAnswers_;
    std::vector<MessageBoxRequest> boxes_;
    std::vector<FileDialogRequest> fileDialogs_;
    std::vector<std::string> modalForms_;
    std::string clipboard_;
};

}  // namespace ui
