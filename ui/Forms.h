#pragma once
// Forms: the program's windows, and the pages embedded in the main window (a form with a Parent).
//
// A form class of the program derives from TForm, creates its controls in its constructor (owned by
// itself) and keeps raw pointers to them as fields; it binds its handlers there too, and OnCreate runs
// once the form is complete (ui::Create calls it).
//
// Show/Hide fire OnShow/OnHide when the form's own Visible changes. A top-level form that is shown
// becomes the application's active form (OnDeactivate of the previous one, then OnActivate).
//
// ShowModal: the form is shown and a nested event loop runs (Application::HandleMessage: posted calls,
// due timers, the pump hook, a pause on the clock when idle) until ModalResult is not 0; then the form
// is closed as by Close (OnCloseQuery, OnClose; caNone keeps it open and the loop going), hidden, and
// the result returned. While it runs, input reaches only this form (and modal forms above it).
// Buttons with a ModalResult set the form's ModalResult when clicked; Close on a modal form sets
// mrCancel. Tests answer a modal form through the scripted services (ScriptedServices::AnswerModal)
// or by posting a call before ShowModal.
#include <functional>

#include "ui/Controls.h"

namespace ui {

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = EnumSet<TBorderIcon>;
enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

class Application;
class TMainMenu;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    // Throws std::logic_error when the form is visible already (the platform refuses it too).
    TModalResult ShowModal();
    bool Modal() const { return modal_; }
    // The user's or the program's close: see the file comment. Closing the main form ends the
    // application (Application::Terminate).
    void Close();
    // OnCloseQuery; true when the form may close.
    bool CloseQuery();
    // Frees the form from the event queue, so that its own handlers may call it.
    void Release();

    bool Active() const;
    // Makes this the application's active form (as a click on the window does).
    void Activate();

    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool v) { keyPreview_ = v; }
    TWinControl* ActiveControl() const { return activeControl_; }
    // Moves the focus: OnExit of the old control, then OnEnter of the new one (nullptr: no focus).
    void SetActiveControl(TWinControl* control);
    // Tells every control of the form which control has the focus (FocusAnnounced); done on every
    // focus change, and again when a control asks (a button that became the default one).
    void AnnounceActiveControl();

    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu) { menu_ = menu; }

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle v);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons v);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition v) { position_ = v; }
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle v);
    // Maximised or minimised by the program or by the user (the front end reports what the user did).
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState v);
    // Where the window stands when neither maximised nor minimised: its frame's top-left corner and its
    // size (the size the form's bounds have then). The front end keeps it while the window is
    // maximised; a form that is not follows its own bounds.
    TRect RestoredBounds() const;
    void SetRestoredBounds(const TRect& r) { restoredBounds_ = r; }

    bool AlphaBlend() const { return alphaBlend_; }
    void SetAlphaBlend(bool v);
    int AlphaBlendValue() const { return alphaBlendValue_; }
    void SetAlphaBlendValue(int v);

    std::function<void(TObject* Sender)> OnCreate;
    std::function<void(TObject* Sender)> OnDestroy;
    std::function<void(TObject* Sender)> OnShow;
    std::function<void(TObject* Sender)> OnHide;
    std::function<void(TObject* Sender)> OnActivate;
    std::function<void(TObject* Sender)> OnDeactivate;
    std::function<void(TObject* Sender, TCloseAction& Action)> OnClose;
    std::function<void(TObject* Sender, bool& CanClose)> OnCloseQuery;

    void AfterConstruction() override;
    void BeforeDestruction() override;

protected:
    void VisibleChanged() override;

private:
    friend class Application;
    friend class TControl;
    void CloseModal();
    void ForgetControl(const TControl* control);

    Application* app_;
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    bool keyPreview_ = false;
    TWinControl* activeControl_ = nullptr;
    TMainMenu* menu_ = nullptr;
    TBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TPosition position_ = poDesigned;
    TFormStyle formStyle_ = fsNormal;
    TWindowState windowState_ = wsNormal;
    TRect restoredBounds_;
    bool alphaBlend_ = false;
    int alphaBlendValue_ = 255;
};

// The form that holds the control at the top (see TControl::TopForm).
inline TForm* GetParentForm(const TControl* control) { return control ? control->TopForm() : nullptr; }

}  // namespace ui
