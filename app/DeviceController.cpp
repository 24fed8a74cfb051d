#include "app/DeviceController.h"

#include <array>
#include <cctype>
#include <span>

#include "app/fATests.h"
#include "app/fBolid.h"
#include "app/fCommon.h"
#include "app/fEnNumber.h"
#include "app/fGPRS.h"
#include "app/fHistory.h"
#include "app/fIn.h"
#include "app/fLoops.h"
#include "app/fMasks.h"
#include "app/fMain.h"
#include "app/fProgress.h"
#include "app/fWays.h"
#include "link/DevCommands.h"
#include "link/MyExceptions.h"
#include "link/SmallRoutines.h"
#include "platform/CalendarTime.h"
#include "platform/Text.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

namespace {

// ------------------------------------------------------------------ the pages' exchange routines

using TPageRoutine = void (*)(TDeviceController&);

struct TPageExchange {
    bool (*Matches)(const TformIncl& Page);
    TPageRoutine Read;
    TPageRoutine Write;  // nullptr: the page is never written
};

template <class Page>
bool IsPage(const TformIncl& page)
{
    return ui::Is<Page>(&page);
}

// One line per page, tested in this order; the first match runs.
const TPageExchange kPageExchanges[] = {
    {IsPage<TFormCommon>, [](TDeviceController& d) { d.ReadCommon(); }, [](TDeviceController& d) { d.WriteCommon(); }},
    {IsPage<TformATests>, [](TDeviceController& d) { d.ReadATests(); }, [](TDeviceController& d) { d.WriteATests(); }},
    {IsPage<TformGPRS>, [](TDeviceController& d) { d.ReadGPRS(); }, [](TDeviceController& d) { d.WriteGPRS(); }},
    {IsPage<TFormMasks>, [](TDeviceController& d) { d.ReadMasks(); }, [](TDeviceController& d) { d.WriteMasks(); }},
    {IsPage<TformWays>, [](TDeviceController& d) { d.ReadWays(true); }, [](TDeviceController& d) { d.WriteWays(); }},
    {IsPage<TFormLoops>, [](TDeviceController& d) { d.ReadLoops(); }, [](TDeviceController& d) { d.WriteLoops(); }},
    {IsPage<TFormEnNumber>, [](TDeviceController& d) { d.ReadEnNumber(); }, [](TDeviceController& d) { d.WriteEnNumber(); }},
    {IsPage<TFormHistory>, [](TDeviceController& d) { d.ReadHistory(); }, nullptr},
    {IsPage<TformBolid>, [](TDeviceController& d) { d.ReadBolid(); }, nullptr},
};

const TPageExchange* FindPageExchange(const TformIncl& page)
{
    for (const TPageExchange& entry : kPageExchanges)
        if (entry.Matches(page)) return &entry;
    return nullptr;
}

// The progress window of one page exchange, freed however the exchange ends.
class TProgressWindow {
public:
    TProgressWindow() : previous_(FormProgress)
    {
        ui::TComponent* owner = FormMain != nullptr ? static_cast<ui::TComponent*>(FormMain) : &ui::App();
        window_ = ui::Create<TFormProgress>(owner, "");
        FormProgress = window_;
    }
    ~TProgressWindow()
    {
        FormProgress = previous_;
        ui::Free(window_);
    }
    TProgressWindow(const TProgressWindow&) = delete;
    TProgressWindow& operator=(const TProgressWindow&) = delete;

private:
    TFormProgress* previous_;
    TFormProgress* window_;
};

// ------------------------------------------------------------------ main window parts

ui::TTimer* Watchdog() { return FormMain != nullptr ? FormMain->Timer1 : nullptr; }

void SetStatus(int panel, std::string text)
{
    if (FormMain != nullptr) FormMain->SetStatusText(panel, std::move(text));
}

void ShowParadoxBox(bool visible)
{
    if (FormCommon != nullptr) FormCommon->ParadoxBox->SetVisible(visible);
}

std::optional<int> HexNumber(const std::string& text)
{
    const std::string trimmed = platform::Trim(text);
    if (trimmed.empty() || trimmed.size() > 8) return std::nullopt;
    unsigned value = 0;
    for (const char c : trimmed) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                                                                                               : std::toupper(c) - 'A' + 10);
    }
    return static_cast<int>(value);
}

std::optional<int> DecimalNumber(const std::string& text)
{
    if (text.empty()) return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Panel codes by bits 6 to 8 of the "typepan" byte.
struct TPanelCode {
    const char* Bits;
    const char* Name;
    int Type;
};
constexpr std::array<TPanelCode, 3> kPanelCodes{{
    {"000", "Altonika", TDeviceController::PanelAltonika},
    {"110", "Paradox", TDeviceController::PanelParadox},
    {"001", "Bolid", TDeviceController::PanelBolid},
}};

std::string PcClockText(std::time_t now)
{
    const std::tm local = platform::LocalTime(now);
    char text[32];
    std::strftime(text, sizeof text, "%y/%m/%d,%H:%M:%S", &local);
    return text;
}

void Pump() { ui::App().ProcessMessages(); }

}  // namespace

// ------------------------------------------------------------------ version text

std::string CutVersionText(const std::string& Reply)
{
    const std::size_t at = platform::Pos("REV", Reply);
    return platform::Trim(platform::Copy(Reply, at == 0 ? 1 : static_cast<long long>(at), 14));
}

std::optional<TFirmwareVersion> ParseVersionNumbers(const std::string& VersionText)
{
    const auto length = static_cast<long long>(platform::Utf8Length(VersionText));
    if (length < 7) return std::nullopt;
    const auto build = DecimalNumber(platform::Copy(VersionText, length - 2, 3));
    const auto major = DecimalNumber(platform::Copy(VersionText, length - 6, 3));
    if (!build || !major) return std::nullopt;
    return TFirmwareVersion{*major, *build};
}

// ------------------------------------------------------------------ lifetime and guards

TDeviceController::TDeviceController(TCommunication& PortWorker, TLogWriter* Log)
    : Device_(std::make_unique<TDevSorvel7QX1>(PortWorker, Log)), PortWorker_(PortWorker), Log_(Log)
{
}

TDeviceController::~TDeviceController() = default;

TDeviceController::TExchange::TExchange(TDeviceController& Controller, TWatchdogUse Use) : Controller(Controller)
{
    if (Controller.Exchanges++ > 0) return;
    Controller.WatchdogPaused = Use == PauseWatchdog;
    if (!Controller.WatchdogPaused) return;
    ui::TTimer* watchdog = Watchdog();
    Controller.WatchdogWasOn = watchdog != nullptr && watchdog->Enabled();
    if (watchdog != nullptr) watchdog->SetEnabled(false);
}

TDeviceController::TExchange::~TExchange()
{
    if (--Controller.Exchanges > 0) return;
    if (ui::TTimer* watchdog = Watchdog(); watchdog != nullptr && Controller.WatchdogPaused)
        watchdog->SetEnabled(Controller.WatchdogWasOn);
    // The handler is copied: it may replace itself.
    if (const auto ended = Controller.OnExchangesEnded) ended();
}

TBusyCursor::TBusyCursor() : Previous(ui::App().Screen().Cursor()) { ui::App().Screen().SetCursor(ui::crHourGlass); }

TBusyCursor::~TBusyCursor() { ui::App().Screen().SetCursor(Previous); }

// ------------------------------------------------------------------ link and identity

bool TDeviceController::CableConnect() { return SendCableConnect(Device()); }

void TDeviceController::CableDisconnect() { SendCableDisconnect(Device()); }

bool TDeviceController::SendBootCommand(const std::string& Cmd, std::string& Answer, bool LogIt)
{
    return Device_->SendShort(Cmd, Answer, LogIt);
}

bool TDeviceController::SendBootCommandLong(const std::string& Cmd, std::string& Answer, bool LogIt)
{
    return Device_->SendLong(Cmd, Answer, LogIt);
}

bool TDeviceController::SendBootRecord(const std::string& Cmd, std::string& Answer, bool LogIt)
{
    return Device_->SendRecord(Cmd, Answer, LogIt);
}

bool TDeviceController::MasterKeySupported()
{
    const TExchange exchange(*this);
    if (Log_ != nullptr) Log_->AddInfo("Проверка версии для мастер-ключа");
    std::string reply;
    if (!ReadVersionText(Device(), reply)) return false;
    const std::string text = CutVersionText(reply);
    if (platform::Pos("11.005.", text) == 0) return false;
    // Digits that do not parse mean a firmware this program does not know: no login, and the version
    // read that follows says why.
    const auto version = ParseVersionNumbers(text);
    if (!version) return false;
    Major = version->Major;
    Build = version->Build;
    return MajorAndBuildAtLeast(96);
}

bool TDeviceController::SendMasterKey(const std::string& Key)
{
    const TExchange exchange(*this);
    return SendLogin(Device(), Key);
}

bool TDeviceController::ReadVersion()
{
    const TExchange exchange(*this);
    FlashType = FlashAt45;
    Cpu = 0;
    ShowParadoxBox(false);
    // Nothing of a previous device may stay on show.
    for (const int panel : {TFormMain::PanelVersion, TFormMain::PanelType, TFormMain::PanelFlash, TFormMain::PanelImei})
        SetStatus(panel, "");
    if (Log_ != nullptr) Log_->AddInfo("Читаем версию");

    std::string reply;
    const bool read = ReadVersionText(Device(), reply);
    const std::string text = CutVersionText(reply);
    const auto fail = [this](const char* why) {
        if (Log_ != nullptr) Log_->AddError(why);
        return false;
    };
    if (!read) return fail("Не смогли прочесть версию");
    if (!Device_->IsSupportedVersion(text)) return fail("Неверная версия прошивки");

    const auto version = ParseVersionNumbers(text);
    if (!version) return fail("Неверная версия прошивки");
    Build = BuildCopy = version->Build;
    Major = MajorCopy = version->Major;
    SetStatus(TFormMain::PanelVersion, text);
    if (Log_ != nullptr) Log_->AddText("Прочли версию", text, clBlack);
    if (platform::Pos("11.005.", text) == 0) return fail("Неверная версия прошивки");

    if (!AtLeast(49)) return true;
    if (!ReadPanelKind()) return fail("Не удалось прочитать тип передающей панели");
    if (!AtLeast(65)) return true;
    const bool hardware = ReadHardware();
    if (!hardware && Log_ != nullptr) Log_->AddError("Не удалось прочитать тип флешки");
    if (Build >= 120) ReadImeiToStatus();
    return hardware;
}

bool TDeviceController::ReadPanelKind()
{
    std::string value;
    if (!ReadPanelType(Device(), value)) return false;
    const auto code = HexNumber(value);
    if (!code) return false;
    const std::string bits = platform::Copy(ByteToBitString(*code), 6, 3);
    for (const TPanelCode& panel : kPanelCodes) {
        if (bits != panel.Bits) continue;
        SetStatus(TFormMain::PanelType, panel.Name);
        PanelType = panel.Type;
        if (panel.Type == PanelParadox) ShowParadoxBox(true);
        return true;
    }
    return false;
}

bool TDeviceController::ReadHardware()
{
    std::string value;
    if (!ReadHardwareType(Device(), value)) return false;
    const auto code = HexNumber(value);
    if (!code) return false;
    const std::string bits = ByteToBitString(*code);
    const bool at45 = platform::Copy(bits, 3, 3) == "111";
    SetStatus(TFormMain::PanelFlash, at45 ? "AT45DB161D" : "M45PE16");
    FlashType = at45 ? FlashAt45 : FlashM45;
    Cpu = platform::Copy(bits, 1, 2) == "01" && Build >= 95 ? 1 : 0;
    return true;
}

void TDeviceController::ReadImeiToStatus()
{
    std::string imei;
    SetStatus(TFormMain::PanelImei, ReadImei(Device(), imei) ? imei : "error");
}

bool TDeviceController::PollVersion(std::string& Reply)
{
    const TExchange exchange(*this);
    return ReadVersionText(Device(), Reply);
}

bool TDeviceController::ResetDevice()
{
    const TExchange exchange(*this);
    const TBusyCursor cursor;
    return SendReset(Device());
}

bool TDeviceController::ShowOutputsResult(bool Ok, const char* Failure)
{
    if (!Ok && Log_ != nullptr) Log_->AddError(Failure);
    return Ok;
}

bool TDeviceController::OutputsOn()
{
    const TExchange exchange(*this);
    return ShowOutputsResult(SendOutputsOn(Device()), "Не удалось включить выходы");
}

bool TDeviceController::OutputsOff()
{
    const TExchange exchange(*this);
    return ShowOutputsResult(SendOutputsOff(Device()), "Не удалось отключить выходы");
}

bool TDeviceController::SyncTime()
{
    const TExchange exchange(*this);
    const std::time_t now = Now();
    const std::tm local = platform::LocalTime(now);
    std::string answer;
    WriteClock(Device(), local, answer);
    if (platform::ContainsIgnoreAsciiCase(answer, "NOK") || !platform::ContainsIgnoreAsciiCase(answer, "OK")) {
        ui::MessageDlg("Не смогли \n\rсинхронизировать время!", ui::mtWarning, {ui::mbOK});
        return false;
    }
    std::string shown = PcClockText(now);
    DeviceDateToText(shown);
    if (FormCommon != nullptr) FormCommon->etTime->SetText(shown);
    return true;
}

// ------------------------------------------------------------------ errors and progress

void TDeviceController::AddReadError(const std::string& Group)
{
    Errors.Add("Ошибка при чтении параметра \"" + Group + "\"");
}

void TDeviceController::AddWriteError(const std::string& Group)
{
    Errors.Add("Ошибка при записи параметра \"" + Group + "\"");
}

void TDeviceController::AddWriteErrorDetail(const std::string& Group, const std::string& Detail)
{
    Errors.Add("Ошибка при записи параметра \"" + Group + "\": " + Detail);
}

void TDeviceController::SetupProgress(int Count)
{
    if (FormProgress == nullptr) return;
    ui::TProgressBar& bar = *FormProgress->pb;
    bar.SetMin(0);
    bar.SetMax(Count);
    bar.SetPosition(0);
    bar.SetStep(1);
}

void StepProgress()
{
    const auto cancelled = [] { return FormProgress != nullptr && FormProgress->Cancelled(); };
    if (!cancelled()) {
        Pump();
        if (FormProgress != nullptr && !cancelled()) {
            FormProgress->Show();
            FormProgress->BringToFront();
            FormProgress->pb->StepIt();
        }
        Pump();
        if (!cancelled()) return;
    }
    FormProgress->Hide();
    throw TStopException("Отмена");
}

void TDeviceController::LogReading(const std::string& Group)
{
    if (Log_ != nullptr) Log_->AddInfo("Читаю \"" + Group + "\"");
}

void TDeviceController::LogWriting(const std::string& Group)
{
    if (Log_ != nullptr) Log_->AddInfo("Пишу \"" + Group + "\"");
}

// ------------------------------------------------------------------ page exchange

void TDeviceController::ReadForm(TformIncl& Page)
{
    const TExchange exchange(*this);
    const TProgressWindow progress;
    const TPageExchange* entry = FindPageExchange(Page);
    if (entry == nullptr) return;
    Page.DeviceValues.BeginRead();
    try {
        entry->Read(*this);
    } catch (...) {
        Page.DeviceValues.ReadCutShort(Page);
        throw;
    }
}

void TDeviceController::WriteForm(TformIncl& Page)
{
    const TExchange exchange(*this);
    const TProgressWindow progress;
    const TPageExchange* entry = FindPageExchange(Page);
    if (entry != nullptr && entry->Write != nullptr) entry->Write(*this);
}
