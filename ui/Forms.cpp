#include "ui/Forms.h"

#include <algorithm>
#include <stdexcept>

#include "ui/Application.h"

namespace ui {

TForm::TForm(TComponent* owner) : TWinControl(owner), app_(&App())
{
    SetDefaultSize(400, 300);
    SetInitialVisible(false);
    app_->RegisterForm(this);
}

TForm::~TForm()
{
    if (app_ != nullptr) app_->UnregisterForm(this);
}

void TForm::AfterConstruction()
{
    TWinControl::AfterConstruction();
    Fire(OnCreate, this);
}

void TForm::BeforeDestruction()
{
    Fire(OnDestroy, this);
    TWinControl::BeforeDestruction();
}

void TForm::VisibleChanged()
{
    TWinControl::VisibleChanged();
    App().FormVisibilityChanged(this);
    if (Visible()) {
        Fire(OnShow, this);
    } else {
        Fire(OnHide, this);
    }
}

bool TForm::Active() const { return App().ActiveForm() == this; }

void TForm::Activate() { App().ActivateForm(this); }

void TForm::SetActiveControl(TWinControl* control)
{
    if (control == activeControl_) return;
    if (activeControl_ != nullptr) {
        // OnExit first: a handler that raises keeps the focus where it was.
        TWinControl* old = activeControl_;
        old->DoExit();
        if (activeControl_ != old) return;  // the handler moved the focus itself
    }
    activeControl_ = control;
    App().Observer().FocusChanged(control);
    AnnounceActiveControl();
    if (control != nullptr) control->DoEnter();
}

namespace {

void Announce(TWinControl& container, TWinControl* focused)
{
    for (int i = 0; i < container.ControlCount(); ++i) {
        TControl* child = container.Controls(i);
        child->FocusAnnounced(focused);
        if (auto* inner = dynamic_cast<TWinControl*>(child)) Announce(*inner, focused);
    }
}

}  // namespace

void TForm::AnnounceActiveControl() { Announce(*this, activeControl_); }

void TForm::ForgetControl(const TControl* control)
{
    if (activeControl_ == nullptr) return;
    const auto* container = dynamic_cast<const TWinControl*>(control);
    if (activeControl_ == control || (container != nullptr && container->ContainsControl(activeControl_)))
        activeControl_ = nullptr;
}

bool TForm::CloseQuery()
{
    bool canClose = true;
    Fire(OnCloseQuery, this, canClose);
    return canClose;
}

void TForm::Close()
{
    if (modal_) {
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    Fire(OnClose, this, action);
    if (action == caNone) return;
    if (App().MainForm() == this) {
        App().Terminate();
        Hide();
        return;
    }
    if (action == caHide || action == caMinimize) {
        Hide();
    } else if (action == caFree) {
        Release();
    }
}

void TForm::Release()
{
    Hide();
    if (Owner() == nullptr) return;
    std::weak_ptr<void> alive = Liveness();
    App().Post([this, alive] {
        if (!alive.expired() && Owner() != nullptr) Owner()->FreeComponent(this);
    });
}

void TForm::CloseModal()
{
    try {
        TCloseAction action = caNone;
        if (CloseQuery()) {
            action = caHide;
            Fire(OnClose, this, action);
        }
        if (action == caNone) {
            modalResult_ = mrNone;
        } else if (action == caFree) {
            Release();
        }
    } catch (...) {
        modalResult_ = mrNone;
        App().HandleException(this, std::current_exception());
    }
}

TModalResult TForm::ShowModal()
{
    if (Visible() || modal_) throw std::logic_error("Cannot make a visible window modal");
    Application& app = App();
    std::weak_ptr<void> alive = Liveness();
    modalResult_ = mrNone;
    modal_ = true;
    app.PushModal(this);
    const auto leave = [&] {
        if (alive.expired()) return;
        modal_ = false;
        app.PopModal(this);
        Hide();
        app.Observer().ModalEnded(*this);
    };
    try {
        Show();
        app.Observer().ModalStarted(*this);
        app.Dialogs().ModalStarted(*this);
        while (!alive.expired()) {
            if (app.Terminated()) {
                modalResult_ = mrCancel;
            } else if (modalResult_ != mrNone) {
                CloseModal();
            }
            if (modalResult_ != mrNone) break;
            app.HandleMessage();
        }
    } catch (...) {
        leave();
        throw;
    }
    if (alive.expired()) {
        app.PopModal(this);
        return mrCancel;
    }
    const TModalResult result = modalResult_;
    leave();
    return result;
}

void TForm::SetBorderStyle(TBorderStyle v)
{
    if (v == borderStyle_) return;
    borderStyle_ = v;
    Changed(ModelChange::Other);
}

void TForm::SetBorderIcons(TBorderIcons v)
{
    if (v == borderIcons_) return;
    borderIcons_ = v;
    Changed(ModelChange::Other);
}

void TForm::SetFormStyle(TFormStyle v)
{
    if (v == formStyle_) return;
    formStyle_ = v;
    Changed(ModelChange::Other);
}

void TForm::SetWindowState(TWindowState v)
{
    if (v == windowState_) return;
    if (windowState_ == wsNormal) restoredBounds_ = BoundsRect();
    windowState_ = v;
    Changed(ModelChange::State);
}

TRect TForm::RestoredBounds() const { return windowState_ == wsNormal ? BoundsRect() : restoredBounds_; }

void TForm::SetAlphaBlend(bool v)
{
    if (v == alphaBlend_) return;
    alphaBlend_ = v;
    Changed(ModelChange::Other);
}

void TForm::SetAlphaBlendValue(int v)
{
    v = std::clamp(v, 0, 255);
    if (v == alphaBlendValue_) return;
    alphaBlendValue_ = v;
    Changed(ModelChange::Other);
}

}  // namespace ui
