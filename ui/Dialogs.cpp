#include "ui/Dialogs.h"

#include "ui/Application.h"

namespace ui {

MessageBoxRequest MessageBoxFromFlags(const std::string& text, const std::string& caption, unsigned flags)
{
    MessageBoxRequest r;
    r.api = MessageBoxRequest::Api::MessageBox;
    r.text = text;
    r.caption = caption;
    r.flags = flags;
    switch (flags & 0x0F) {
    case MB_OKCANCEL: r.buttons = {mbOK, mbCancel}; break;
    case MB_ABORTRETRYIGNORE: r.buttons = {mbAbort, mbRetry, mbIgnore}; break;
    case MB_YESNOCANCEL: r.buttons = {mbYes, mbNo, mbCancel}; break;
    case MB_YESNO: r.buttons = {mbYes, mbNo}; break;
    case MB_RETRYCANCEL: r.buttons = {mbRetry, mbCancel}; break;
    default: r.buttons = {mbOK}; break;
    }
    switch (flags & 0xF0) {
    case MB_ICONERROR: r.type = mtError; break;
    case MB_ICONQUESTION: r.type = mtConfirmation; break;
    case MB_ICONWARNING: r.type = mtWarning; break;
    case MB_ICONINFORMATION: r.type = mtInformation; break;
    default: r.type = mtCustom; break;
    }
    return r;
}

namespace {

std::string TypeCaption(TMsgDlgType type)
{
    switch (type) {
    case mtWarning: return "Предупреждение";
    case mtError: return "Ошибка";
    case mtInformation: return "Информация";
    case mtConfirmation: return "Подтверждение";
    case mtCustom: break;
    }
    return App().Title();
}

}  // namespace

TModalResult MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons, int /*helpContext*/)
{
    MessageBoxRequest r;
    r.api = MessageBoxRequest::Api::MessageDlg;
    r.text = message;
    r.caption = TypeCaption(type);
    r.type = type;
    r.buttons = buttons.Empty() ? TMsgDlgButtons{mbOK} : buttons;
    return App().Dialogs().ShowMessageBox(r);
}

void ShowMessage(const std::string& message)
{
    MessageBoxRequest r;
    r.api = MessageBoxRequest::Api::ShowMessage;
    r.text = message;
    r.caption = App().Title();
    r.type = mtCustom;
    r.buttons = {mbOK};
    App().Dialogs().ShowMessageBox(r);
}

bool TOpenDialog::Execute()
{
    std::optional<std::string> chosen = App().Dialogs().ShowFileDialog(request_);
    if (!chosen || chosen->empty()) return false;
    std::string name = std::move(*chosen);
    const std::size_t slash = name.find_last_of('/');
    const std::size_t dot = name.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    if (!hasExtension && !request_.defaultExt.empty()) name += "." + request_.defaultExt;
    request_.fileName = std::move(name);
    return true;
}

}  // namespace ui
