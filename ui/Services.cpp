#include "ui/Services.h"

#include "ui/Forms.h"

namespace ui {

TModalResult ButtonResult(TMsgDlgBtn button)
{
    switch (button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbNoToAll: return mrNoToAll;
    case mbYesToAll: return mrYesToAll;
    case mbHelp: return mrNone;
    case mbClose: return mrClose;
    }
    return mrNone;
}

namespace {

// The button a user pressing Enter gets: the first of the box in the order the boxes show them.
TModalResult FirstButton(TMsgDlgButtons buttons)
{
    for (TMsgDlgBtn b : {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbClose})
        if (buttons.Contains(b)) return ButtonResult(b);
    return mrOk;
}

}  // namespace

TModalResult HeadlessServices::ShowMessageBox(const MessageBoxRequest& request) { return FirstButton(request.buttons); }

std::optional<std::string> HeadlessServices::ShowFileDialog(const FileDialogRequest&) { return std::nullopt; }

void ScriptedServices::ClearRecords()
{
    boxes_.clear();
    fileDialogs_.clear();
    modalForms_.clear();
}

TModalResult ScriptedServices::ShowMessageBox(const MessageBoxRequest& request)
{
    boxes_.push_back(request);
    if (boxAnswers_.empty()) return FirstButton(request.buttons);
    const TModalResult answer = boxAnswers_.front();
    boxAnswers_.pop_front();
    return answer;
}

std::optional<std::string> ScriptedServices::ShowFileDialog(const FileDialogRequest& request)
{
    fileDialogs_.push_back(request);
    if (fileAnswers_.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
    return answer;
}

void ScriptedServices::ModalStarted(TForm& form)
{
    modalForms_.push_back(form.Name());
    if (modalAnswers_.empty()) {
        form.SetModalResult(mrCancel);
        return;
    }
    auto answerer = std::move(modalAnswers_.front());
    modalAnswers_.pop_front();
    answerer(form);
}

}  // namespace ui
