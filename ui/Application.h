#pragma once
// The one application object: event queue and pump, timers, exception handler, main and active form,
// screen cursor, clock and services.
//
// Event pump: ProcessMessages runs the calls posted before it started (in order), then every timer
// that is due on the clock, then the pump hook (gui/ sets it to run Qt's events). Everything runs on
// the window thread; Post is the only call other threads may make (Synchronize posts and waits).
// Every handler the pump runs (posted call, timer) is guarded: an exception that escapes it goes to
// HandleException and the pump goes on.
//
// Timers fire only from the pump, when due on the application's clock; a timer whose handler is still
// running (a handler that lets events run) is skipped, and a timer that fell behind fires once, not
// once per missed interval.
//
// Tests make a fresh application with ApplicationScope: a ManualClock, ScriptedServices, and the
// previous application back when the scope ends.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "ui/Component.h"
#include "ui/Observer.h"
#include "ui/Services.h"
#include "ui/Types.h"

namespace ui {

class TControl;
class TForm;
class TTimer;

// The screen: the mouse cursor shown over every window (crHourGlass during long operations), and the
// desktop's work area (the screen less the panels the desktop keeps), which the front end tells as it
// changes; empty while no desktop said (tests set it).
class TScreen {
public:
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    TRect WorkAreaRect() const { return workArea_; }
    void SetWorkAreaRect(const TRect& area) { workArea_ = area; }

private:
    friend class Application;
    explicit TScreen(class Application& app) : app_(app) {}
    Application& app_;
    TCursor cursor_ = crDefault;
    TRect workArea_;
};

class Application : public TComponent {
public:
    // The clock must outlive the application. Services default to HeadlessServices.
    explicit Application(platform::Clock& clock = platform::SystemClock());
    ~Application() override;

    platform::Clock& Clock() const { return clock_; }

    // --- event pump ---
    void ProcessMessages();
    // One round of the pump; when it found nothing to do, a pause of up to 10 ms on the clock that ends
    // early when a call is posted. Modal loops and Run use it.
    void HandleMessage();
    // Shows the main form and pumps until Terminate.
    void Run();
    // Thread-safe: queues a call for the window thread.
    void Post(std::function<void()> call);
    // From a worker thread: runs the call on the window thread and waits for it; the call's exception
    // is rethrown in the worker. From the window thread it runs at once. Throws std::runtime_error when
    // the application ends before the call ran.
    void Synchronize(const std::function<void()>& call);
    bool InWindowThread() const { return std::this_thread::get_id() == windowThread_; }
    // Run by ProcessMessages after the queue and the timers (gui/ runs Qt's events here).
    void SetPumpHook(std::function<void()> hook) { pumpHook_ = std::move(hook); }
    // For a front end whose own loop sleeps between rounds of the pump: how long until the next timer is
    // due on the clock (0: one is due now; nullopt: none would fire), and a hook that Post runs on the
    // posting thread, so that the sleeping loop wakes for the call.
    std::optional<std::uint64_t> MsUntilNextTimer() const;
    void SetPostHook(std::function<void()> hook);

    // --- exceptions ---
    // Called with the exception that escaped a handler run for user input or by the pump.
    // Default (no OnException): an error box with the exception's message. Never throws.
    void HandleException(TObject* sender, std::exception_ptr error);
    void HandleException(std::exception_ptr error) { HandleException(nullptr, std::move(error)); }
    std::function<void(TObject* Sender, std::exception_ptr E)> OnException;
    // Runs fn; an exception that escapes it goes to HandleException. True when nothing escaped.
    bool Guard(TObject* sender, const std::function<void()>& fn);
    // Told by ui::Driver after a user's input changed the control's value (ui/Driver.h says which
    // inputs). Code that sets values is never reported.
    std::function<void(TControl& Control)> OnUserInput;

    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }

    // --- forms ---
    // The main form: the first form made with CreateForm, or the one set here.
    TForm* MainForm() const { return mainForm_; }
    void SetMainForm(TForm* form) { mainForm_ = form; }
    // Creates a form owned by the application; the first one becomes the main form.
    template <class T, class... A>
    T* CreateForm(std::string name, A&&... args);
    TForm* ActiveForm() const { return activeForm_; }
    void ActivateForm(TForm* form);
    // Every form alive, in creation order.
    const std::vector<TForm*>& Forms() const { return forms_; }
    // The modal form on top, nullptr when none runs.
    TForm* ModalForm() const { return modalStack_.empty() ? nullptr : modalStack_.back().form; }
    // False while a modal form runs and the control is not in it (or in a modal form above it).
    bool AcceptsInput(const TControl& control) const;
    // The focused control: the active form's ActiveControl.
    class TWinControl* FocusedControl() const;

    TScreen& Screen() { return screen_; }

    // --- message boxes (MB_ flags and ID results in ui/Dialogs.h) ---
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags);

    // --- services and observer ---
    DialogService& Dialogs() const { return *dialogs_; }
    ClipboardService& ClipboardText() const { return *clipboard_; }
    // The services must outlive the application (or be replaced before they go); nullptr restores
    // the headless default.
    void SetDialogs(DialogService* service);
    void SetClipboard(ClipboardService* service);
    ModelObserver& Observer() const { return *observer_; }
    void SetObserver(ModelObserver* observer);

    // --- internal registrations (forms and timers call these) ---
    void RegisterTimer(TTimer* timer);
    void UnregisterTimer(TTimer* timer);
    void RegisterForm(TForm* form);
    void UnregisterForm(TForm* form);
    void PushModal(TForm* form);
    void PopModal(TForm* form);
    void FormVisibilityChanged(TForm* form);
    void ForgetControl(const TControl* control);

private:
    bool RunPosted();
    bool RunDueTimers();

    platform::Clock& clock_;
    std::thread::id windowThread_;
    std::mutex queueMutex_;
    std::condition_variable queueSignal_;
    std::deque<std::function<void()>> queue_;
    std::function<void()> pumpHook_;
    std::function<void()> postHook_;  // guarded by queueMutex_
    std::vector<TTimer*> timers_;
    std::vector<TForm*> forms_;
    struct ModalEntry {
        TForm* form;
        std::vector<TForm*> blocked;  // the forms shown when it started; they take no input meanwhile
    };
    std::vector<ModalEntry> modalStack_;
    TForm* mainForm_ = nullptr;
    TForm* activeForm_ = nullptr;
    bool terminated_ = false;
    bool handlingException_ = false;
    std::string title_;
    TScreen screen_{*this};
    HeadlessServices headless_;
    ModelObserver noObserver_;
    DialogService* dialogs_ = &headless_;
    ClipboardService* clipboard_ = &headless_;
    ModelObserver* observer_ = &noObserver_;
    Application* previous_ = nullptr;
};

// The message of an exception (what() of a std::exception), "Unknown exception" otherwise.
std::string ExceptionMessage(std::exception_ptr error);

// The current application; made on first use (system clock, headless services) when none exists.
Application& App();
// The current application, or nullptr when none was made yet (for destructors).
Application* CurrentApplication();

// Installs a fresh application for a test: a ManualClock, ScriptedServices; restores the previous
// application when it ends. Everything made inside belongs to it: free what you made before the scope
// ends (forms owned by the application are freed with it).
class ApplicationScope {
public:
    explicit ApplicationScope(std::uint64_t startMs = 1'000'000);
    ~ApplicationScope();
    ApplicationScope(const ApplicationScope&) = delete;
    ApplicationScope& operator=(const ApplicationScope&) = delete;

    Application& App() { return *app_; }
    platform::ManualClock& Clock() { return clock_; }
    ScriptedServices& Services() { return services_; }

private:
    platform::ManualClock clock_;
    ScriptedServices services_;
    std::unique_ptr<Application> app_;
};

// Creates the form through ui::Create (owner: the application).
template <class T, class... A>
T* Application::CreateForm(std::string name, A&&... args)
{
    T* form = Create<T>(this, std::move(name), nullptr, std::forward<A>(args)...);
    if (mainForm_ == nullptr) mainForm_ = form;
    return form;
}

}  // namespace ui
