#include "app/fBolid.h"

#include <string_view>

#include "app/DeviceController.h"
#include "app/FormAppMainController.h"
#include "app/fMain.h"
#include "link/DevCommands.h"
#include "link/MyExceptions.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "platform/WholeFile.h"
#include "ui/Application.h"

TformBolid* formBolid = nullptr;

namespace {

struct Mend {
    std::string_view received;
    std::string_view shown;
};

constexpr Mend kMends[] = {
    {"Да\"а", "Дата"},
    {"В ем/", "Время"},
    {"Соб+\"ие", "Событие"},
    {"П ибо ", "Прибор"},
    {"Пол,зова\"ел,", "Пользователь"},
    {"(< и название)", "(№ и название)"},
};

void ReplaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

std::string MendBolidText(std::string Text)
{
    for (const Mend& m : kMends) ReplaceAll(Text, m.received, m.shown);
    return Text;
}

TformBolid::TformBolid(ui::TComponent* owner) : TformIncl(owner)
{
    using namespace ui;
    SetCaption("Bolid-online");
    Panel1 = Create<TPanel>(this, "Panel1", this);
    Panel1->SetAlign(alTop);
    Panel1->SetHeight(33);
    Panel1->SetBevelOuter(bvNone);
    Button1 = Create<TButton>(this, "Button1", Panel1);
    Button1->SetCaption("Очистить");
    Button1->SetBounds(8, 4, 90, 25);
    Button2 = Create<TButton>(this, "Button2", Panel1);
    Button2->SetCaption("Сохранить");
    Button2->SetBounds(106, 4, 90, 25);
    BolidChat = Create<TMemo>(this, "BolidChat", this);
    BolidChat->SetAlign(alClient);
    BolidChat->SetReadOnly(true);
    BolidChat->SetScrollBars(ssVertical);
    Timer = Create<TTimer>(this, "Timer");
    Timer->SetEnabled(false);
    Timer->SetInterval(PollIntervalMs);
    SaveDialog = Create<TSaveDialog>(this, "SaveDialog");
    SaveDialog->SetDefaultExt("txt");
    SaveDialog->SetFilter("Текстовые файлы|*.txt|Все файлы|*.*");

    Button1->OnClick = [this](TObject* s) { Button1Click(s); };
    Button2->OnClick = [this](TObject* s) { Button2Click(s); };
    Timer->OnTimer = [this](TObject* s) { TimerTimer(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnHide = [this](TObject* s) { FormHide(s); };
}

TformBolid::~TformBolid()
{
    if (formBolid == this) formBolid = nullptr;
}

void TformBolid::FormShow(ui::TObject*) { Timer->SetEnabled(true); }

void TformBolid::FormHide(ui::TObject*) { Timer->SetEnabled(false); }

void TformBolid::Button1Click(ui::TObject*) { BolidChat->Lines().Clear(); }

void TformBolid::Button2Click(ui::TObject*)
{
    const bool polling = Timer->Enabled();
    Timer->SetEnabled(false);
    if (SaveDialog->Execute()) {
        try {
            platform::ReplaceFileContents(SaveDialog->FileName(), platform::Utf8ToCp1251Lossy(BolidChat->Lines().Text()));
        } catch (const platform::FileError& e) {
            ui::MessageDlg(e.what(), ui::mtError, {ui::mbOK});
        }
    }
    if (polling) Timer->SetEnabled(true);
}

void TformBolid::AddReceived(const std::string& Text)
{
    if (Text.empty()) return;
    BolidChat->Lines().Add(MendBolidText(Text));
}

namespace {

// The device controller a poll may use now: none while not connected, while another exchange or
// operation holds the link, while the firmware upload runs (it brackets the windows and disables the
// main window for its whole run), or while the link check's turn has come (it goes first).
TDeviceController* PollTarget()
{
    TDeviceController* device = CurrentDeviceController();
    if (device == nullptr || device->Busy()) return nullptr;
    if (FormMain != nullptr) {
        if (!FormMain->Enabled() || FormMain->LinkCheckDue()) return nullptr;
        if (const TFormAppMainController* forms = FormMain->FormsController;
            forms != nullptr && forms->OperationDepth() > 0)
            return nullptr;
        if (FormMain->FormsController != nullptr && !FormMain->FormsController->MayStart()) return nullptr;
    }
    return device;
}

// A poll that waited at least this long without an answer had every attempt run out its wait.
std::uint64_t FullWaitMs(TDeviceController& device)
{
    return static_cast<std::uint64_t>(TDevice::DefaultAttempts) * static_cast<std::uint64_t>(device.Device().GetTimeoutFloor());
}

}  // namespace

void TformBolid::TimerTimer(ui::TObject*)
{
    Timer->SetEnabled(false);
    try {
        if (TDeviceController* device = PollTarget()) Poll(*device);
    } catch (const ELinkFailure& e) {
        // A port gone under the poll ends the link as it does under any exchange.
        if (FormMain != nullptr && FormMain->FormsController != nullptr) FormMain->FormsController->LinkLost(e.what());
        return;
    }
    // The exchange let window events run: a page left meanwhile stays without its poll.
    Timer->SetEnabled(Visible());
}

// The poll shares the line with the main window's link check and leaves its beat alone.
void TformBolid::Poll(TDeviceController& Device)
{
    const platform::Clock& clock = ui::App().Clock();
    const std::uint64_t start = clock.NowMs();
    const std::uint64_t fullWait = FullWaitMs(Device);
    read_ = false;
    {
        const TDeviceController::TExchange line(Device, TDeviceController::TExchange::LeaveWatchdog);
        Device.ReadForm(*this);
    }
    if (!read_ && clock.ElapsedSince(start) >= fullWait && FormMain != nullptr) FormMain->LinkUnanswered();
}

void TDeviceController::ReadBolid()
{
    if (formBolid == nullptr) return;
    std::string value;
    formBolid->PollRead(ReadBolidText(Device(), value));
    formBolid->AddReceived(value);
}
