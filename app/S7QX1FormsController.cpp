#include "app/S7QX1FormsController.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "app/IniFiles.h"
#include "app/fCommon.h"
#include "app/fConnect.h"
#include "app/fDial.h"
#include "app/fHistory.h"
#include "app/fUpdateIns.h"
#include "app/fUpdateInsertion.h"
#include "app/fIn.h"
#include "app/fMain.h"
#include "kit/KitPanel.h"
#include "link/COMUtils.h"
#include "link/MyExceptions.h"
#include "link/ModemWorker.h"
#include "platform/KernelPort.h"
#include "platform/Text.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

namespace {

ui::TComponent* WindowOwner(TFormMain* main)
{
    return main != nullptr ? static_cast<ui::TComponent*>(main) : static_cast<ui::TComponent*>(&ui::App());
}

// A dialog made for one step and kept in its global variable meanwhile; the global gets back what it
// held (the window made at start-up) and the dialog is freed however the step ends.
template <class Dialog>
class TScopedDialog {
public:
    TScopedDialog(ui::TComponent* owner, const char* name, Dialog*& global)
        : global_(global), previous_(global), dialog_(ui::Create<Dialog>(owner, name))
    {
        global_ = dialog_;
    }
    ~TScopedDialog()
    {
        global_ = previous_;
        ui::Free(dialog_);
    }
    TScopedDialog(const TScopedDialog&) = delete;
    TScopedDialog& operator=(const TScopedDialog&) = delete;
    Dialog& operator*() const { return *dialog_; }
    Dialog* operator->() const { return dialog_; }

private:
    Dialog*& global_;
    Dialog* previous_;
    Dialog* dialog_;
};

// Why the port did not open, in the words the user reads: the system's reason that the driver carries,
// or the driver's own message when it carries none.
std::string OpenFailureText(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::nested_exception& carried) {
        try {
            carried.rethrow_nested();
        } catch (const platform::SerialPortError& reason) {
            return reason.what();
        } catch (...) {
        }
    } catch (...) {
    }
    return ui::ExceptionMessage(failure);
}

// The sign that a connect is working: the wait cursor, and a message across the main window's status
// bar, for as long as it lives.
class TConnectingDisplay {
public:
    explicit TConnectingDisplay(TFormMain* main) : main_(main)
    {
        if (main_ != nullptr) main_->ShowStatusMessage(TS7QX1FormsController::ConnectingText);
    }
    ~TConnectingDisplay()
    {
        if (main_ != nullptr) main_->ShowStatusMessage("");
    }
    TConnectingDisplay(const TConnectingDisplay&) = delete;
    TConnectingDisplay& operator=(const TConnectingDisplay&) = delete;

private:
    TBusyCursor cursor_;
    TFormMain* main_;
};

void Show(ui::TControl* control, bool visible)
{
    if (control != nullptr) control->SetVisible(visible);
}

}  // namespace

TS7QX1FormsController::TS7QX1FormsController(TFormMain* MainForm, ui::TWinControl* PagesContainer, ui::TTreeView* Tree)
    : TFormAppMainController(MainForm, PagesContainer, Tree)
{
}

TS7QX1FormsController::~TS7QX1FormsController()
{
    RestoreUnsavedPage();
    // The device controller talks through the port worker: it goes first.
    DeviceController.reset();
    ClosePort();
}

void TS7QX1FormsController::CreatePages() { TFormAppMainController::CreatePages(); }

// ------------------------------------------------------------------ connect settings

void TS7QX1FormsController::FillComPortList(ui::TStrings& Items)
{
    Items.Clear();
    std::vector<std::string> ports;
    EnumSerialPorts(ports, false);
    std::stable_sort(ports.begin(), ports.end(),
                     [](const std::string& a, const std::string& b) { return platform::AsciiLower(a) < platform::AsciiLower(b); });
    for (std::string& port : ports) Items.Add(std::move(port));
}

void TS7QX1FormsController::KeepPhoneList(ui::TComboBox& Phones)
{
    const std::string text = Phones.Text();
    ui::TStrings& items = Phones.Items();
    if (text.empty() || items.IndexOfExact(text) >= 0) return;
    if (items.Count() >= MaxStoredPhones) items.Delete(items.Count() - 1);
    items.Insert(0, text);
}

void TS7QX1FormsController::LoadConnectSettings()
{
    if (FormConnect == nullptr) return;
    FormConnect->LoadSettings(ReadCurrentIni());
    // A file that names neither line (edited by hand, or from another program) means the cable: the
    // dialog shows what the connect will do.
    if (!FormConnect->rb1->Checked() && !FormConnect->rb2->Checked()) FormConnect->rb1->SetChecked(true);
}

void TS7QX1FormsController::SaveConnectSettings()
{
    if (FormConnect == nullptr) return;
    SaveCurrentIni([](TMemIniFile& ini) { FormConnect->SaveSettings(ini); });
}

// ------------------------------------------------------------------ the port

bool TS7QX1FormsController::OpenPort(const std::string& PortName)
{
    try {
        PortWorker->Open(PortName, br19200);
        if (MainForm != nullptr) MainForm->SetStatusText(TFormMain::PanelPort, PortName);
        return true;
    } catch (...) {
        const std::string message = OpenFailureText(std::current_exception());
        PortWorker.reset();
        ui::MessageDlg("Ошибка подключения: " + message, ui::mtError, {ui::mbOK});
        return false;
    }
}

TModemWorker* TS7QX1FormsController::Modem() const { return dynamic_cast<TModemWorker*>(PortWorker.get()); }

void TS7QX1FormsController::ClosePort()
{
    // The worker leaves the connection first: the hang-up lets window events run for seconds, and
    // nothing they start may reach or free it meanwhile.
    const std::unique_ptr<TComPortWorker> worker = std::move(PortWorker);
    if (!worker) return;
    if (auto* modem = dynamic_cast<TModemWorker*>(worker.get()); modem != nullptr && modem->IsOpen()) {
        try {
            if (Log) Log->AddInfo("+++");
            if (Log) Log->AddInfo("ATH");
            modem->HangUpAndClose();
        } catch (...) {
            // The call may be gone with the line; the port is closed below whatever happened.
        }
    }
    try {
        worker->Close();
    } catch (...) {
    }
}

bool TS7QX1FormsController::DialModem(const std::string& Phone, int Proto)
{
    TModemWorker* modem = Modem();
    if (modem == nullptr) return false;
    const TScopedDialog<TFormDial> dialog(WindowOwner(MainForm), "FormDial", FormDial);
    dialog->Phone = Phone;
    dialog->Proto = Proto;
    dialog->Modem = modem;
    dialog->Log = Log.get();
    return dialog->ShowModal() == ui::mrOk;
}

// ------------------------------------------------------------------ connect and disconnect

bool TS7QX1FormsController::ReconnectAfterUpdate() const
{
    return formUpdateIns != nullptr && formUpdateIns->State() == TformUpdateIns::StateDone;
}

void TS7QX1FormsController::PrepareDeviceController(TDeviceController&) {}

std::unique_ptr<TComPortWorker> TS7QX1FormsController::CreatePortWorker(bool Modem)
{
    if (Modem) return std::make_unique<TModemWorker>(ui::App().Clock());
    return std::make_unique<TComPortWorker>(true, true, ui::App().Clock());
}

bool TS7QX1FormsController::DoConnect()
{
    const TScopedDialog<TFormConnect> dialog(WindowOwner(MainForm), "FormConnect", FormConnect);
    try {
        for (bool again = false;; again = true) {
            const TConnectEnd end = RunConnectSequence(again);
            if (end == TConnectEnd::Connected) return true;
            DisconnectNow();
            if (end != TConnectEnd::WrongMasterKey) return false;
            OfferMasterKeyAgain();
        }
    } catch (...) {
        DisconnectNow();
        throw;
    }
}

void TS7QX1FormsController::OfferMasterKeyAgain()
{
    ui::MessageDlg(WrongMasterKeyText, ui::mtError, {ui::mbOK});
    TFormConnect& dialog = *FormConnect;
    dialog.MKEdit->SetSelStart(0);
    dialog.MKEdit->SetSelLength(static_cast<int>(platform::Utf8Length(dialog.MKEdit->Text())));
    dialog.SetActiveControl(dialog.MKEdit);
}

TS7QX1FormsController::TConnectEnd TS7QX1FormsController::RunConnectSequence(bool Again)
{
    TFormConnect& dialog = *FormConnect;
    // A second pass keeps what the dialog shows: the user's port, line and number.
    if (!Again) {
        FillComPortList(dialog.ComPorts->Items());
        LoadConnectSettings();
    }
    const bool answered = (!Again && ReconnectAfterUpdate()) || dialog.ShowModal() == ui::mrOk;
    KeepPhoneList(*dialog.cbPhones);
    SaveConnectSettings();
    if (!answered) return TConnectEnd::Failed;

    // Only a modem that was asked for dials: a file with neither choice connects by cable.
    const bool modem = dialog.rb2->Checked();
    PortWorker = CreatePortWorker(modem);
    if (TModemWorker* worker = Modem()) worker->SetEventPump([] { ui::App().ProcessMessages(); });
    if (!OpenPort(dialog.ComPorts->Text())) return TConnectEnd::Failed;
    const std::string phone = platform::Trim(dialog.cbPhones->Text());
    const int proto = MainForm != nullptr ? MainForm->Proto : 0;
    if (modem && !phone.empty() && !DialModem(dialog.cbPhones->Text(), proto)) return TConnectEnd::Failed;
    // The dial dialog closes a port whose call did not come about. A close of the main window meanwhile
    // ends the connect here.
    if (!PortWorker || !PortWorker->IsOpen() || DisconnectPending()) return TConnectEnd::Failed;

    // A silent line keeps the login busy for the attempts' whole time-outs.
    const TConnectingDisplay working(MainForm);
    auto controller = std::make_unique<TDeviceController>(*PortWorker, Log.get());
    PrepareDeviceController(*controller);
    SetDeviceController(std::move(controller));
    if (MainForm != nullptr) MainForm->Timer1->SetEnabled(false);
    const TConnectEnd end = LoginAndIdentify(!modem);
    if (end != TConnectEnd::Connected) return end;
    if (MainForm != nullptr) MainForm->Timer1->SetEnabled(true);
    return end;
}

TS7QX1FormsController::TConnectEnd TS7QX1FormsController::LoginAndIdentify(bool Cable)
{
    TDeviceController& device = *DeviceController;
    const auto fail = [this](const char* why, TConnectEnd end = TConnectEnd::Failed) {
        if (Log) Log->AddError(why);
        return end;
    };
    if (Cable && !device.CableConnect()) return fail("Не удалось подключиться");
    if (DisconnectPending()) return TConnectEnd::Failed;
    if (device.MasterKeySupported() && !device.SendMasterKey(FormConnect->MKEdit->Text()))
        return fail(WrongMasterKeyText, DisconnectPending() ? TConnectEnd::Failed : TConnectEnd::WrongMasterKey);
    return !DisconnectPending() && device.ReadVersion() ? TConnectEnd::Connected : TConnectEnd::Failed;
}

void TS7QX1FormsController::DoDisconnect()
{
    TFormAppMainController::DoDisconnect();
    ClosePort();
}

// ------------------------------------------------------------------ gates

bool TS7QX1FormsController::OldBolidConnected() const
{
    return DeviceController && DeviceController->PanelType == TDeviceController::PanelBolid &&
           DeviceController->Build < FirstBolidBuild;
}

void TS7QX1FormsController::ApplyConnectionState(bool Connected)
{
    TFormAppMainController::ApplyConnectionState(Connected);
    if (MainForm == nullptr) return;
    TFormMain& m = *MainForm;
    m.UpdateFirmware->SetEnabled(Connected);
    m.mnuReload->SetEnabled(Connected);
    // The tree is for browsing pages too: only an old Bolid firmware's connection takes it away.
    const bool usable = !(Connected && OldBolidConnected());
    m.tv1->SetEnabled(usable);
    if (FormHistory != nullptr) FormHistory->SetDeviceButtonsEnabled(Connected && usable);
    if (usable) return;
    for (ui::TControl* c : std::initializer_list<ui::TControl*>{m.tbRead, m.tbReadAll, m.tbWrite, m.tbWriteAll})
        c->SetEnabled(false);
    for (ui::TMenuItem* item : {m.mnuReload, m.mnuRead, m.mnuReadAll, m.mnuWrite, m.mnuWriteAll}) item->SetEnabled(false);
    if (FormCommon != nullptr)
        for (ui::TControl* c : std::initializer_list<ui::TControl*>{FormCommon->btnSync, FormCommon->Button1,
                                                                     FormCommon->btnOnOuts, FormCommon->btnOffOuts})
            c->SetEnabled(false);
}

void TS7QX1FormsController::SetConnected(bool Connected)
{
    TFormAppMainController::SetConnected(Connected);
    // Such a firmware can only be updated or disconnected: nothing below is offered to it.
    if (Connected && OldBolidConnected()) return;
    if (FormCommon != nullptr) FormCommon->KitGroupBox1->SetVisible(false);
    if (!Connected && FormHistory != nullptr) FormHistory->Store.Clear();
    if (!DeviceController) return;
    ApplyCommonPageGates(*DeviceController);
    BuildTreeForDevice(*DeviceController);
}

void TS7QX1FormsController::ApplyCommonPageGates(const TDeviceController& Device)
{
    if (FormCommon == nullptr) return;
    TFormCommon& page = *FormCommon;
    const std::string panel = PanelTypeText();
    const bool altonika = panel == "Altonika";
    // Which form the Altonika section number takes, by firmware.
    const auto sectionForm = [&page](bool numbered) {
        page.GroupBox6->SetVisible(true);
        Show(page.cbIARazd, !numbered);
        Show(page.lbARazd, !numbered);
        Show(page.cbARazd, !numbered);
        Show(page.lbAltsect, numbered);
        Show(page.cbAltsect, numbered);
    };
    if (Device.AtLeast(46))
        sectionForm(false);
    else
        page.GroupBox6->SetVisible(false);
    const bool sections = Device.Major > 5 || (Device.Major == 5 && Device.Build >= 49 && Device.Build < 999);
    if (sections && altonika)
        sectionForm(true);
    else
        page.GroupBox6->SetVisible(false);
    if (Device.AtLeast(70) && altonika) {
        page.GroupBox6->SetVisible(false);
        page.KitGroupBox1->SetVisible(true);
    }
    page.MKBox->SetVisible(Device.MajorAndBuildAtLeast(96));
    page.ImeiIdent->SetVisible(Device.MajorAndBuildAtLeast(120));
}

void TS7QX1FormsController::BuildTreeForDevice(const TDeviceController& Device)
{
    if (Tree == nullptr) return;
    BuildTreeBasic(*Tree);
    const bool sections = Device.Major > 5 || (Device.Major == 5 && Device.Build >= 49 && Device.Build < 999);
    if (sections && platform::Pos("Bolid", PanelTypeText()) != 0) {
        if (Device.Build > 83)
            BuildTreeAll(*Tree);
        else
            BuildTreeNoBolid(*Tree);
    }
    SelectPage(0);
    SelectTreeNodeOf(0);
}

// ------------------------------------------------------------------ firmware

void TS7QX1FormsController::UpdateFirmwareFromFile()
{
    if (formUpdateInsertion == nullptr || !MayStart()) return;
    try {
        ::UpdateFirmwareFromFile(*formUpdateInsertion,
                                 MainWindowFileUpdateHost(MainForm != nullptr ? MainForm->KitProgressBar1 : nullptr));
    } catch (const ELinkFailure& e) {
        OperationLinkLost(e.what(), "Прошивка не загружена до конца");
    }
}

// ------------------------------------------------------------------ closing

void TS7QX1FormsController::ReadPage()
{
    struct Reading {
        TformIncl*& page;
        ~Reading() { page = nullptr; }
    } const reading{pageInRead_ = CurrentPage};
    TFormAppMainController::ReadPage();
}

void TS7QX1FormsController::CancelForClose()
{
    // The read under way has cleared its page and filled it only in part.
    if (pageInRead_ != nullptr) unsavedPage_ = pageInRead_;
    Disconnect();
}

void TS7QX1FormsController::RestoreUnsavedPage()
{
    if (unsavedPage_ == nullptr) return;
    TformIncl& page = *unsavedPage_;
    unsavedPage_ = nullptr;
    try {
        page.LoadDefaults();
        page.LoadFromIni(ReadCurrentIni());
    } catch (...) {
        if (ui::Application* app = ui::CurrentApplication()) app->HandleException(std::current_exception());
    }
}
