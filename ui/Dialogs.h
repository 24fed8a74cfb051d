#pragma once
// Message boxes and the common file dialogs, as the program calls them. All of them go through the
// application's DialogService (ui/Services.h), which gui/ shows for real and tests script.
//
//   if (ui::MessageDlg("Точно?", ui::mtConfirmation, {ui::mbYes, ui::mbNo}) != ui::mrYes) return;
//   ui::App().MessageBox("Обновлние не требуется.", "", ui::MB_OK | ui::MB_ICONINFORMATION);
#include <string>

#include "ui/Component.h"
#include "ui/Services.h"
#include "ui/Types.h"

namespace ui {

// Flags of Application::MessageBox: buttons, icon and default button.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONHAND = 0x10;
constexpr unsigned MB_ICONSTOP = MB_ICONHAND;
constexpr unsigned MB_ICONERROR = MB_ICONHAND;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr unsigned MB_ICONASTERISK = 0x40;
constexpr unsigned MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr unsigned MB_DEFBUTTON1 = 0x000;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;

// Answers of Application::MessageBox (the same numbers as the modal results).
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The request Application::MessageBox makes of its flags.
MessageBoxRequest MessageBoxFromFlags(const std::string& text, const std::string& caption, unsigned flags);

// A box with an icon of its type and the given buttons; the caption is the type's word ("Ошибка",
// "Предупреждение", "Информация", "Подтверждение") or the application's title for mtCustom.
TModalResult MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext = 0);
// An information box with one OK button, captioned with the application's title.
void ShowMessage(const std::string& message);

// The open and save dialogs as components a form holds. Execute asks the DialogService; on a choice it
// stores the name in FileName (adding DefaultExt when the name has no extension) and returns true.
class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
    bool Execute();

    const std::string& FileName() const { return request_.fileName; }
    void SetFileName(std::string v) { request_.fileName = std::move(v); }
    const std::string& Title() const { return request_.title; }
    void SetTitle(std::string v) { request_.title = std::move(v); }
    const std::string& DefaultExt() const { return request_.defaultExt; }
    void SetDefaultExt(std::string v) { request_.defaultExt = std::move(v); }
    const std::string& Filter() const { return request_.filter; }
    void SetFilter(std::string v) { request_.filter = std::move(v); }
    int FilterIndex() const { return request_.filterIndex; }
    void SetFilterIndex(int v) { request_.filterIndex = v; }
    const std::string& InitialDir() const { return request_.initialDir; }
    void SetInitialDir(std::string v) { request_.initialDir = std::move(v); }
    TOpenOptions Options() const { return request_.options; }
    void SetOptions(TOpenOptions v) { request_.options = v; }

protected:
    explicit TOpenDialog(TComponent* owner, bool save) : TComponent(owner) { request_.save = save; }

private:
    FileDialogRequest request_;
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner, true) {}
};

}  // namespace ui
