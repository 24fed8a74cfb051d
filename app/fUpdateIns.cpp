#include "app/fUpdateIns.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "app/DeviceController.h"
#include "app/FormAppMainController.h"
#include "app/fMain.h"
#include "link/SmallRoutines.h"
#include "platform/PathText.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"
#include "ui/Application.h"

TformUpdateIns* formUpdateIns = nullptr;

namespace {

const char* const kExitIdle = "Выйти без перепрошивки";
const char* const kExitDone = "Завершить перепрошивку";
const char* const kFailed = "В процессе перепрошивки возникли ошибки!";
const char* const kDone = "Перепрошивка успешно завершена!";

struct StageText {
    TUploadStage stage;
    const char* text;
};
constexpr StageText kStageTexts[] = {
    {TUploadStage::EnteringBootloader, "Идет переход в режим перепрошивки..."},
    {TUploadStage::Erasing, "Идет очистка памяти..."},
    {TUploadStage::Loading, "Идет загрузка новой версии прошивки..."},
    {TUploadStage::Flashing, "Идет перепрошивка..."},
};

template <class F>
void Call(const F& f, auto&&... args)
{
    if (f) f(std::forward<decltype(args)>(args)...);
}

std::string Duration(std::uint64_t seconds)
{
    return DurationToText(static_cast<std::uint32_t>(std::min<std::uint64_t>(seconds, UINT32_MAX)));
}

}  // namespace

TformUpdateIns::TformUpdateIns(ui::TComponent* Owner) : ui::TForm(Owner)
{
    SetCaption("Перепрошивка панели");
    SetBorderStyle(ui::bsDialog);
    SetBorderIcons({});
    SetPosition(ui::poMainFormCenter);
    SetBounds(0, 0, 430, 250);
    CreateControls();
    host_ = MainWindowUpdateHost();
    OnCreate = [this](ui::TObject*) { LoadFirmwareImages(); };
    OnShow = [this](ui::TObject* s) { FormShow(s); };
    // No close while an upload runs: the window owns its thread.
    OnCloseQuery = [this](ui::TObject*, bool& CanClose) { CanClose = thread_ == nullptr; };
}

TformUpdateIns::~TformUpdateIns()
{
    thread_.reset();
    if (formUpdateIns == this) formUpdateIns = nullptr;
}

void TformUpdateIns::CreateControls()
{
    const auto label = [this](const char* name, int left, int top, const char* text) {
        auto* l = ui::Create<ui::TLabel>(this, name, this);
        l->SetBounds(left, top, 200, 16);
        l->SetCaption(text);
        return l;
    };
    Label1 = label("Label1", 12, 10, "Доступна следующая версия для перепрошивки:");
    lbNewName = label("lbNewName", 12, 28, "");
    Label2 = label("Label2", 12, 52, "Текущая версия прошивки панели:");
    lbOldName = label("lbOldName", 12, 70, "");
    KitProgressBar1 = ui::Create<TKitProgressBar>(this, "KitProgressBar1", this);
    KitProgressBar1->SetBounds(12, 96, 400, 20);
    lbTimeAfterHead = label("lbTimeAfterHead", 12, 124, "Времени прошло:");
    lbTimeAfter = label("lbTimeAfter", 130, 124, "");
    lbTimeLostHead = label("lbTimeLostHead", 12, 142, "Времени осталось:");
    lbTimeLost = label("lbTimeLost", 130, 142, "");
    lbError = label("lbError", 12, 166, "");
    btnUpdateVer = ui::Create<ui::TButton>(this, "btnUpdateVer", this);
    btnUpdateVer->SetBounds(12, 200, 190, 28);
    btnUpdateVer->SetCaption("Перепрошить панель");
    btnUpdateVer->OnClick = [this](ui::TObject* s) { btnUpdateVerClick(s); };
    btnExit = ui::Create<ui::TButton>(this, "btnExit", this);
    btnExit->SetBounds(222, 200, 190, 28);
    btnExit->SetCaption(kExitIdle);
    btnExit->OnClick = [this](ui::TObject* s) { btnExitClick(s); };
    ui::TMemo** memos[] = {&memResA_AT, &memResA_M, &memResB_AT, &memResB_M};
    const char* names[] = {"memResA_AT", "memResA_M", "memResB_AT", "memResB_M"};
    for (std::size_t i = 0; i < 4; ++i) {
        *memos[i] = ui::Create<ui::TMemo>(this, names[i], this);
        (*memos[i])->SetVisible(false);
    }
    ShowTimeLabels(false);
}

void TformUpdateIns::LoadFirmwareImages()
{
    images_ = TFirmwareImages::BuiltIn();
}

int TformUpdateIns::SelectFirmwareImage(int PanelType, int Cpu, int FlashType, int /*Major*/, int /*Build*/)
{
    return SelectFirmwareImageFor(PanelType, Cpu, FlashType);
}

void TformUpdateIns::GetImageVersion(int Index, int& Major, int& Build) const
{
    const TImageVersion v = images_.ImageVersion(Index);
    Major = v.Major;
    Build = v.Build;
}

bool TformUpdateIns::FirmwareUpdateAvailable(int PanelType, int Cpu, int FlashType, int Major, int Build)
{
    selected_ = SelectFirmwareImage(PanelType, Cpu, FlashType, Major, Build);
    return images_.UpdateAvailable(PanelType, Cpu, FlashType, Major, Build);
}

void TformUpdateIns::FillFirmwareList(ui::TStrings& Items) const
{
    Items.Clear();
    for (std::string& line : images_.ListLines()) Items.Add(std::move(line));
}

void TformUpdateIns::ShowTimeLabels(bool Visible)
{
    for (ui::TLabel* l : {lbTimeAfterHead, lbTimeAfter, lbTimeLostHead, lbTimeLost}) l->SetVisible(Visible);
}

void TformUpdateIns::ShowStatus(const std::string& Text, TColor Color)
{
    lbError->Font().SetColor(Color);
    lbError->SetCaption(Text);
}

void TformUpdateIns::FormShow(ui::TObject*)
{
    state_ = StateIdle;
    Call(host_.BeginOperation);
    Call(host_.SetMainEnabled, false);
    // Only an image that fits the device may be written to it.
    btnUpdateVer->SetEnabled(selected_ != 0);
    if (selected_ != 0) SetActiveControl(btnUpdateVer);
    btnExit->SetEnabled(true);
    btnExit->SetCaption(kExitIdle);
    ShowTimeLabels(false);
    KitProgressBar1->SetPartsComplete(0);
    Label1->Show();
    lbNewName->Show();
    ShowStatus("", clBlack);
    lbOldName->SetCaption(host_.DeviceVersionText ? host_.DeviceVersionText() : std::string());
    lbNewName->SetCaption(selected_ != 0 ? images_.VersionLine(selected_) : std::string());
}

void TformUpdateIns::btnUpdateVerClick(ui::TObject*)
{
    if (thread_ || selected_ == 0) return;
    state_ = StateRunning;
    Call(host_.SetWatchdog, false);
    btnUpdateVer->SetEnabled(false);
    btnExit->SetEnabled(true);
    btnExit->SetCaption(kExitIdle);
    ShowStatus("", clBlack);
    ShowTimeLabels(true);
    try {
        auto thread = std::make_unique<TUpdateThread>(*this, ui::App());
        thread->SetImage(images_.Image(selected_));
        thread->SetDeviceController(host_.Sender ? host_.Sender() : nullptr);
        thread->SetOptions(options_);
        thread->SetStartTime(options_.Clock->NowMs());
        if (host_.AcquireLink) thread->SetLinkGuard(host_.AcquireLink());
        thread_ = std::move(thread);
        thread_->Start();
    } catch (const std::exception& e) {
        thread_.reset();
        btnUpdateVer->SetEnabled(false);
        btnExit->SetEnabled(true);
        state_ = StateDone;
        ShowStatus(e.what(), clRed);
    }
}

void TformUpdateIns::StopUpload()
{
    if (!thread_) return;
    thread_->Stop();
    btnExit->SetEnabled(false);
    ui::Application& app = ui::App();
    const std::weak_ptr<void> alive = Liveness();
    // The thread posts its last window updates meanwhile; they run here.
    while (thread_ && !thread_->Ended()) {
        app.HandleMessage();
        if (alive.expired()) return;
    }
    UploadFinished();
}

void TformUpdateIns::btnExitClick(ui::TObject*)
{
    switch (state_) {
    case StateRunning:
        StopUpload();
        return;
    case StateIdle:
        Leave(false);
        return;
    case StateDone:
        Leave(true);
        return;
    case StateFailed:
        btnExit->SetEnabled(false);
        CountDownToExit();
        return;
    default:
        return;
    }
}

void TformUpdateIns::CountDownToExit()
{
    ui::Application& app = ui::App();
    platform::Clock& clock = app.Clock();
    const std::weak_ptr<void> alive = Liveness();
    const std::uint64_t start = clock.NowMs();
    std::uint64_t shown = UINT64_MAX;
    for (std::uint64_t elapsed = 0; elapsed < ExitCountdownMs; elapsed = clock.ElapsedSince(start)) {
        const std::uint64_t left = (ExitCountdownMs - elapsed + 999) / 1000;
        if (left != shown) {
            shown = left;
            ShowStatus("До выхода осталось " + platform::Trim(Duration(left)) + "...", clBlack);
        }
        app.ProcessMessages();
        if (alive.expired()) return;
        clock.Pause(1);
    }
    Leave(true);
}

void TformUpdateIns::Leave(bool Disconnect)
{
    Call(host_.EndOperation);
    Call(host_.SetMainEnabled, true);
    Close();
    if (Disconnect) Call(host_.Disconnect);
}

void TformUpdateIns::StopWatchdog()
{
    Call(host_.SetWatchdog, false);
}

void TformUpdateIns::SetProgressTotal(int Total)
{
    KitProgressBar1->SetTotalParts(static_cast<std::uint32_t>(std::max(Total, 0)));
}

void TformUpdateIns::StepProgressBar()
{
    KitProgressBar1->SetPartsComplete(KitProgressBar1->PartsComplete() + 1);
}

void TformUpdateIns::FillProgressBar()
{
    KitProgressBar1->SetPartsComplete(KitProgressBar1->TotalParts());
}

void TformUpdateIns::ShowElapsed(std::uint64_t Seconds)
{
    lbTimeAfter->SetCaption(Duration(Seconds));
}

void TformUpdateIns::ShowElapsedAsRemaining(std::uint64_t Seconds)
{
    lbTimeLost->SetCaption(Duration(Seconds));
}

void TformUpdateIns::ShowRemaining(std::uint64_t ElapsedSeconds)
{
    const std::uint32_t done = KitProgressBar1->PartsComplete();
    const std::uint32_t total = KitProgressBar1->TotalParts();
    if (done == 0) return;
    const double left = static_cast<double>(ElapsedSeconds) / done * (static_cast<double>(total) - done);
    lbTimeLost->SetCaption(Duration(static_cast<std::uint64_t>(std::llround(std::max(left, 0.0)))));
}

void TformUpdateIns::ShowStage(TUploadStage Stage)
{
    for (const StageText& s : kStageTexts)
        if (s.stage == Stage) ShowStatus(s.text, clBlack);
}

void TformUpdateIns::DisableExit()
{
    btnExit->SetEnabled(false);
}

void TformUpdateIns::UploadFinished()
{
    if (!thread_) return;
    thread_->WaitFor();
    const TUploadResult result = thread_->Result();
    thread_.reset();
    if (result == TUploadResult::Done) {
        ShowDone();
    } else {
        state_ = StateFailed;
        ShowFailed();
    }
}

void TformUpdateIns::ShowDone()
{
    state_ = StateDone;
    btnUpdateVer->SetEnabled(false);
    Call(host_.SetDeviceVersionText, lbNewName->Caption());
    lbOldName->SetCaption(lbNewName->Caption());
    Label1->Hide();
    lbNewName->Hide();
    btnExit->SetCaption(kExitDone);
    btnExit->SetEnabled(true);
    ShowStatus(kDone, clGreen);
}

void TformUpdateIns::ShowFailed()
{
    if (state_ != StateFailed) return;
    ShowStatus(kFailed, clRed);
    btnUpdateVer->SetEnabled(false);
    // The countdown behind this button is the only way out after a failure.
    btnExit->SetEnabled(true);
}

TUpdateHost MainWindowUpdateHost()
{
    TUpdateHost h;
    h.Sender = []() -> std::shared_ptr<TBootSender> {
        TDeviceController* device = CurrentDeviceController();
        if (device == nullptr) return nullptr;
        return std::make_shared<TBootSenderOf<TDeviceController>>(*device);
    };
    // While it is held the controller is busy: the watchdog, the Bolid poll and the page exchanges keep
    // off the link, and a disconnect waits for its end.
    h.AcquireLink = []() -> std::shared_ptr<void> {
        TDeviceController* device = CurrentDeviceController();
        if (device == nullptr) return nullptr;
        return std::make_shared<TDeviceController::TExchange>(*device);
    };
    h.BeginOperation = BeginControllerOperation;
    h.EndOperation = EndControllerOperation;
    h.SetMainEnabled = [](bool on) {
        if (FormMain != nullptr) FormMain->SetEnabled(on);
    };
    h.SetWatchdog = [](bool on) {
        if (FormMain != nullptr) FormMain->Timer1->SetEnabled(on);
    };
    h.DeviceVersionText = []() -> std::string {
        return FormMain != nullptr ? FormMain->StatusText(TFormMain::PanelVersion) : std::string();
    };
    h.SetDeviceVersionText = [](const std::string& text) {
        if (FormMain != nullptr) FormMain->SetStatusText(TFormMain::PanelVersion, text);
    };
    h.Disconnect = [] {
        if (FormMain != nullptr && FormMain->FormsController != nullptr) FormMain->FormsController->Disconnect();
    };
    return h;
}

void GetFileVersion(const std::string& FileName, std::string& Version)
{
    Version = platform::FileVersion(platform::PathFromUtf8(FileName));
}

std::string ProgramFileVersion()
{
    try {
        return platform::FileVersion(platform::ProgramFile());
    } catch (const std::runtime_error&) {
        return {};
    }
}
