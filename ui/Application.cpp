#include "ui/Application.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <stdexcept>

#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"

namespace ui {

namespace {

Application* current = nullptr;

template <class T>
void Erase(std::vector<T*>& list, const T* item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

Application* CurrentApplication() { return current; }

Application& App()
{
    if (current == nullptr) {
        // The program's own application when nobody installed one; it lives until the process ends.
        static std::unique_ptr<Application> fallback;
        fallback = std::make_unique<Application>(platform::SystemClock());
    }
    return *current;
}

std::string ExceptionMessage(std::exception_ptr error)
{
    try {
        if (error) std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
    }
    return "Unknown exception";
}

void TScreen::SetCursor(TCursor cursor)
{
    if (cursor == cursor_) return;
    cursor_ = cursor;
    app_.Observer().ScreenCursorChanged(cursor);
}

Application::Application(platform::Clock& clock)
    : TComponent(nullptr), clock_(clock), windowThread_(std::this_thread::get_id()), previous_(current)
{
    current = this;
}

Application::~Application()
{
    {
        // Calls never run: a worker waiting in Synchronize learns that the application ended.
        std::lock_guard lock(queueMutex_);
        queue_.clear();
    }
    DestroyComponents();
    // What outlives the application (made unowned, or owned by something that lives on) forgets it.
    for (TForm* form : forms_) form->app_ = nullptr;
    forms_.clear();
    for (TTimer* timer : timers_) timer->app_ = nullptr;
    timers_.clear();
    current = previous_;
}

// ---------------------------------------------------------------- pump

void Application::Post(std::function<void()> call)
{
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(std::move(call));
        if (postHook_) postHook_();
    }
    queueSignal_.notify_all();
}

void Application::SetPostHook(std::function<void()> hook)
{
    std::lock_guard lock(queueMutex_);
    postHook_ = std::move(hook);
}

std::optional<std::uint64_t> Application::MsUntilNextTimer() const
{
    const std::uint64_t now = clock_.NowMs();
    std::optional<std::uint64_t> next;
    for (const TTimer* timer : timers_)
        if (const auto due = timer->DueAt()) {
            const std::uint64_t wait = *due > now ? *due - now : 0;
            if (!next || wait < *next) next = wait;
        }
    return next;
}

bool Application::RunPosted()
{
    std::size_t pending = 0;
    {
        std::lock_guard lock(queueMutex_);
        pending = queue_.size();
    }
    bool ran = false;
    for (; pending > 0; --pending) {
        std::function<void()> call;
        {
            std::lock_guard lock(queueMutex_);
            if (queue_.empty()) break;
            call = std::move(queue_.front());
            queue_.pop_front();
        }
        ran = true;
        Guard(nullptr, call);
    }
    return ran;
}

bool Application::RunDueTimers()
{
    bool ran = false;
    const std::vector<TTimer*> snapshot = timers_;
    for (TTimer* timer : snapshot) {
        // A handler may have freed timers of the snapshot.
        if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) continue;
        const std::uint64_t now = clock_.NowMs();
        if (!timer->Due(now)) continue;
        ran = true;
        timer->Tick(now);
    }
    return ran;
}

void Application::ProcessMessages()
{
    RunPosted();
    RunDueTimers();
    if (pumpHook_) Guard(nullptr, pumpHook_);
}

void Application::HandleMessage()
{
    const bool posted = RunPosted();
    const bool timers = RunDueTimers();
    if (pumpHook_) Guard(nullptr, pumpHook_);
    if (posted || timers) return;
    clock_.Pause(10, [this](std::uint32_t realMs) {
        std::unique_lock lock(queueMutex_);
        return queueSignal_.wait_for(lock, std::chrono::milliseconds(realMs), [this] { return !queue_.empty(); });
    });
}

void Application::Run()
{
    if (mainForm_ != nullptr && !mainForm_->Visible()) mainForm_->Show();
    while (!terminated_) HandleMessage();
}

void Application::Synchronize(const std::function<void()>& call)
{
    if (InWindowThread()) {
        call();
        return;
    }
    auto task = std::make_shared<std::packaged_task<void()>>(call);
    std::future<void> done = task->get_future();
    Post([task] { (*task)(); });
    try {
        done.get();
    } catch (const std::future_error&) {
        throw std::runtime_error("The application ended before a synchronised call ran");
    }
}

// ---------------------------------------------------------------- exceptions

void Application::HandleException(TObject* sender, std::exception_ptr error)
{
    if (handlingException_) return;  // a failing handler must not recurse
    handlingException_ = true;
    bool shown = false;
    if (OnException) {
        try {
            auto handler = OnException;
            handler(sender, error);
            shown = true;
        } catch (...) {
        }
    }
    if (!shown) {
        try {
            MessageBox(ExceptionMessage(error), title_, MB_OK | MB_ICONSTOP);
        } catch (...) {
        }
    }
    handlingException_ = false;
}

bool Application::Guard(TObject* sender, const std::function<void()>& fn)
{
    try {
        fn();
        return true;
    } catch (...) {
        HandleException(sender, std::current_exception());
        return false;
    }
}

int Application::MessageBox(const std::string& text, const std::string& caption, unsigned flags)
{
    return Dialogs().ShowMessageBox(MessageBoxFromFlags(text, caption, flags));
}

// ---------------------------------------------------------------- forms, focus, modal state

void Application::ActivateForm(TForm* form)
{
    if (form == activeForm_) return;
    TForm* old = activeForm_;
    activeForm_ = form;
    Observer().FocusChanged(FocusedControl());
    if (old != nullptr) Fire(old->OnDeactivate, old);
    if (form != nullptr && activeForm_ == form) Fire(form->OnActivate, form);
}

void Application::FormVisibilityChanged(TForm* form)
{
    if (form->Parent() != nullptr) return;
    if (form->Visible()) {
        ActivateForm(form);
        return;
    }
    if (activeForm_ != form) return;
    TForm* next = nullptr;
    for (auto it = modalStack_.rbegin(); it != modalStack_.rend() && next == nullptr; ++it)
        if (it->form != form && it->form->Visible()) next = it->form;
    for (auto it = forms_.rbegin(); it != forms_.rend() && next == nullptr; ++it)
        if (*it != form && (*it)->Parent() == nullptr && (*it)->Visible() && *it != mainForm_) next = *it;
    if (next == nullptr && mainForm_ != nullptr && mainForm_ != form && mainForm_->Visible()) next = mainForm_;
    ActivateForm(next);
}

TWinControl* Application::FocusedControl() const { return activeForm_ ? activeForm_->ActiveControl() : nullptr; }

bool Application::AcceptsInput(const TControl& control) const
{
    const TForm* form = control.TopForm();
    if (form == nullptr) return false;
    for (const ModalEntry& entry : modalStack_)
        if (std::find(entry.blocked.begin(), entry.blocked.end(), form) != entry.blocked.end()) return false;
    return true;
}

void Application::PushModal(TForm* form)
{
    ModalEntry entry{form, {}};
    for (TForm* f : forms_)
        if (f != form && f->Parent() == nullptr && f->Visible()) entry.blocked.push_back(f);
    modalStack_.push_back(std::move(entry));
}

void Application::PopModal(TForm* form)
{
    modalStack_.erase(std::remove_if(modalStack_.begin(), modalStack_.end(),
                                     [form](const ModalEntry& e) { return e.form == form; }),
                      modalStack_.end());
}

void Application::RegisterForm(TForm* form) { forms_.push_back(form); }

void Application::UnregisterForm(TForm* form)
{
    Erase(forms_, form);
    PopModal(form);
    for (ModalEntry& entry : modalStack_) Erase(entry.blocked, form);
    if (mainForm_ == form) mainForm_ = nullptr;
    if (activeForm_ == form) activeForm_ = nullptr;
}

void Application::ForgetControl(const TControl* control)
{
    for (TForm* form : forms_) form->ForgetControl(control);
}

void Application::RegisterTimer(TTimer* timer) { timers_.push_back(timer); }
void Application::UnregisterTimer(TTimer* timer) { Erase(timers_, timer); }

void Application::SetDialogs(DialogService* service) { dialogs_ = service ? service : &headless_; }
void Application::SetClipboard(ClipboardService* service) { clipboard_ = service ? service : &headless_; }
void Application::SetObserver(ModelObserver* observer) { observer_ = observer ? observer : &noObserver_; }

// ---------------------------------------------------------------- test scope

ApplicationScope::ApplicationScope(std::uint64_t startMs)
    : clock_(startMs), app_(std::make_unique<Application>(clock_))
{
    app_->SetDialogs(&services_);
    app_->SetClipboard(&services_);
}

ApplicationScope::~ApplicationScope() { app_.reset(); }

}  // namespace ui
