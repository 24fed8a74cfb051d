#include "app/fDial.h"

#include <exception>
#include <functional>

#include "link/SmallRoutines.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

TFormDial* FormDial = nullptr;

namespace {

const char* const kConnectFailed = "Ошибка при подключении!";
const char* const kInitFailed = "Ошибка при инициализации модема!";
const char* const kBadNumber = "Недопустимый номер телефона!";

}  // namespace

TFormDial::TFormDial(ui::TComponent* owner) : ui::TForm(owner)
{
    SetName("FormDial");
    SetCaption("Дозвон");
    SetBorderStyle(ui::bsDialog);
    SetBorderIcons({ui::biSystemMenu});
    SetAlphaBlend(true);
    SetAlphaBlendValue(245);
    SetFormStyle(ui::fsStayOnTop);
    SetPosition(ui::poMainFormCenter);
    Font().SetName("Tahoma");

    Label1 = ui::Create<ui::TLabel>(this, "Label1", this);
    Label1->Font().SetStyle({ui::fsUnderline});
    Label1->Font().SetSize(10);
    Label1->SetCaption("Удаленное соединение с панелью");
    Image1 = ui::Create<ui::TImage>(this, "Image1", this);
    KitLEDDisplay1 = ui::Create<TKitLEDDisplay>(this, "KitLEDDisplay1", this);
    pStatus = ui::Create<ui::TPanel>(this, "pStatus", this);
    pStatus->SetBevelOuter(ui::bvLowered);
    pStatus->SetCaption("");
    bReDial = ui::Create<ui::TButton>(this, "bReDial", this);
    bReDial->SetCaption("Позвонить");
    bReDial->SetModalResult(ui::mrOk);
    btnStop = ui::Create<ui::TButton>(this, "btnStop", this);
    btnStop->SetCaption("Отмена");
    // No closing result of its own: its handler decides between stopping and closing.
    btnStop->SetModalResult(ui::mrNone);
    PlaceControls();

    bReDial->OnClick = [this](ui::TObject* s) { bReDialClick(s); };
    btnStop->OnClick = [this](ui::TObject* s) { btnStopClick(s); };
    OnClose = [this](ui::TObject* s, ui::TCloseAction& a) { FormClose(s, a); };
}

TFormDial::~TFormDial()
{
    // The worker outlives the dialog: it must not keep a probe into a dialog that is gone.
    if (Modem != nullptr) Modem->SetCancelProbe({});
    if (FormDial == this) FormDial = nullptr;
}

void TFormDial::PlaceControls()
{
    SetBounds(Left(), Top(), 311, 160);
    Label1->SetBounds(8, 10, Label1->Width(), Label1->Height());
    Image1->SetBounds(271, 6, 32, 32);
    KitLEDDisplay1->SetBounds(30, 43, 243, 30);
    pStatus->SetBounds(8, 82, 295, 25);
    bReDial->SetBounds(8, 120, 100, 25);
    btnStop->SetBounds(203, 120, 100, 25);
}

bool TFormDial::StopAsked() const { return Cancelled || ModalResult() != ui::mrNone; }

void TFormDial::LogLine(const std::string& Text) const
{
    if (Log != nullptr) Log->AddMessage(Text);
}

void TFormDial::SetStatus(const std::string& Text) { pStatus->SetCaption(Text); }

void TFormDial::ShowOnDisplay(const std::string& Text)
{
    KitLEDDisplay1->SetCaption(Text);
    // A number the panel holds stands in it whole from the first moment; only a longer one scrolls
    // through (and an empty display has nothing to scroll: its timer rests).
    const auto cells = static_cast<int>(KitLEDDisplay1->Codes().size());
    const bool fits = cells * 6 * KitLEDDisplay1->Pitch() <= KitLEDDisplay1->ClientWidth();
    KitLEDDisplay1->SetAlignment(ui::taCenter);
    KitLEDDisplay1->SetScrolling(!Text.empty() && !fits);
    if (!Text.empty()) numberShownAt_ = Modem->Clock().NowMs();
}

void TFormDial::KeepNumberShown()
{
    const std::uint64_t shown = Modem->Clock().NowMs() - numberShownAt_;
    if (shown < MinNumberShownMs) Pause(static_cast<std::uint32_t>(MinNumberShownMs - shown));
}

void TFormDial::ProcessMessages() const { ui::App().ProcessMessages(); }

void TFormDial::Pause(std::uint32_t Ms) const
{
    Delay(Ms, [] { ui::App().ProcessMessages(); }, Modem->Clock());
}

void TFormDial::bReDialClick(ui::TObject* /*Sender*/)
{
    // The button has set the closing result to OK; only a call that stands may keep it, so that
    // nothing on the way (an exception, a close box) can report a failed call as connected.
    SetModalResult(ui::mrNone);
    if (Modem == nullptr) {
        SetStatus(kConnectFailed);
        return;
    }
    if (!TModemWorker::DialString(Phone)) {
        SetStatus(kBadNumber);
        ui::MessageDlg("Недопустимый номер телефона: \"" + Phone +
                           "\". Номер может содержать цифры, \"+\", \"*\", \"#\", \"W\" и запятую (пробелы, скобки "
                           "и дефисы не учитываются).",
                       ui::mtError, {ui::mbOK});
        return;
    }

    bReDial->SetEnabled(false);
    btnStop->SetEnabled(true);
    SetStatus("");
    ShowOnDisplay("");
    Dialling_ = true;
    Modem->SetEventPump([] { ui::App().ProcessMessages(); });
    Modem->SetCancelProbe([this] { return StopAsked(); });
    struct Restore {
        TFormDial& Dialog;
        ~Restore()
        {
            Dialog.Modem->SetCancelProbe({});
            Dialog.Dialling_ = false;
            Dialog.bReDial->SetEnabled(true);
            Dialog.ShowOnDisplay("");
        }
    } const restore{*this};

    bool connected = Dial();
    // Cancelled or closed as the call came up: the user does not want it.
    if (connected && StopAsked()) {
        connected = false;
        SetStatus(kConnectFailed);
    }
    if (!connected) TakeCallDown();
    if (connected) {
        SetModalResult(ui::mrOk);
    } else if (ModalResult() != ui::mrCancel) {
        // Stays open for another try, unless the close box asked to close meanwhile.
        SetModalResult(ui::mrNone);
    }
}

void TFormDial::TakeCallDown()
{
    const auto attempt = [this](const std::string& Command, const std::function<void()>& Step) {
        LogLine(Command);
        try {
            Step();
        } catch (const std::exception& e) {
            if (Log != nullptr) Log->AddError(e.what());
        }
    };
    attempt("+++", [this] { Modem->EscapeToCommandMode(); });
    attempt("ATH", [this] { Modem->HangUp(); });
}

void TFormDial::btnStopClick(ui::TObject* /*Sender*/)
{
    if (!Dialling_) {
        Close();
        return;
    }
    Cancelled = true;
}

void TFormDial::FormClose(ui::TObject* /*Sender*/, ui::TCloseAction& /*Action*/)
{
    if (Modem == nullptr || Modem->Online()) return;
    try {
        if (Modem->IsOpen()) Modem->Close();
    } catch (const std::exception&) {
        // Closing is all there is left to do; a port that fails on the way is closed all the same.
    }
    Modem->SetOnline(false);
}

bool TFormDial::SendReset() { return Modem->ResetModem(); }

bool TFormDial::SendCheck() { return Modem->CheckModem(); }

bool TFormDial::SendBearer() { return Modem->SetBearer(BearerValue()); }

bool TFormDial::RunInitStep(const std::string& Status, const std::string& Command, bool (TFormDial::*Send)())
{
    SetStatus(Status);
    ProcessMessages();
    LogLine(Command);
    if ((this->*Send)()) {
        LogLine("OK");
        return !StopAsked();
    }
    if (StopAsked()) return false;
    Pause(50);
    LogLine(kInitFailed);
    return false;
}

bool TFormDial::WaitForRegistration()
{
    SetStatus("Ожидание регистрации в сети: AT+CREG");
    LogLine("AT+CREG?");
    ProcessMessages();
    // No limit of its own: only the user's cancel ends the wait for a modem that never registers.
    while (!Modem->CheckRegistration()) {
        if (StopAsked()) return false;
        Pause(50);
    }
    LogLine("OK");
    return true;
}

bool TFormDial::Dial()
{
    Modem->SetOnline(false);
    Cancelled = false;
    try {
        Modem->PulseRts();
        // The number as the modem dials it (no blanks, brackets or dashes): what the display shows.
        ShowOnDisplay(TModemWorker::DialString(Phone).value_or(Phone));
        if (!RunInitStep("Инициализация модема: ATZ", "ATZ", &TFormDial::SendReset)) return false;
        if (!RunInitStep("Инициализация модема: AT", "AT", &TFormDial::SendCheck)) return false;
        if (!RunInitStep("Инициализация модема: ATCBST", "AT+CBST=" + BearerValue() + ",0,1", &TFormDial::SendBearer))
            return false;
        if (!WaitForRegistration()) return false;
        SetStatus("Набор номера: " + Phone);
        ProcessMessages();
        LogLine("ATD " + Phone);
        const bool result = Modem->Dial(Phone);
        if (result) {
            LogLine("Connect");
            Modem->SetOnline(true);
            // A quick modem must not close the dialog before the number could be read.
            KeepNumberShown();
        } else {
            SetStatus(kConnectFailed);
        }
        ProcessMessages();
        return result;
    } catch (const std::exception&) {
        SetStatus(kConnectFailed);
        return false;
    }
}
