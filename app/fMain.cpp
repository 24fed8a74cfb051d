#include "app/fMain.h"

#include <utility>

#include "app/DeviceController.h"
#include "app/FormAppMainController.h"
#include "link/MyExceptions.h"
#include "platform/Text.h"

TFormMain* FormMain = nullptr;

namespace {

ui::TMenuItem* AddItem(ui::TForm& form, ui::TMenuItem& parent, const char* name, const char* caption,
                       ui::TShortCut shortCut = 0)
{
    auto* item = ui::Create<ui::TMenuItem>(&form, name);
    item->SetCaption(caption);
    item->SetShortCut(shortCut);
    parent.Add(item);
    return item;
}

void AddSeparator(ui::TForm& form, ui::TMenuItem& parent) { AddItem(form, parent, "", "-"); }

constexpr ui::TShortCut Ctrl(char key) { return ui::ShortCut(static_cast<std::uint16_t>(key), {ui::ssCtrl}); }
constexpr ui::TShortCut CtrlShift(char key)
{
    return ui::ShortCut(static_cast<std::uint16_t>(key), {ui::ssCtrl, ui::ssShift});
}

}  // namespace

TFormMain::TFormMain(ui::TComponent* owner) : ui::TForm(owner)
{
    SetCaption("Программа настройки");
    SetClientWidth(1085);
    SetClientHeight(749);
    SetPosition(ui::poScreenCenter);
    SetKeyPreview(true);
    Font().SetName("Tahoma");
    CreateMenu();
    CreateToolBar();
    CreatePanes();

    Timer1 = ui::Create<ui::TTimer>(this, "Timer1");
    Timer1->SetEnabled(false);
    Timer1->SetInterval(WatchdogIntervalMs);
    Timer1->OnTimer = [this](ui::TObject* Sender) { Timer1Timer(Sender); };
    if (FormMain == nullptr) FormMain = this;
}

TFormMain::~TFormMain()
{
    if (FormMain == this) FormMain = nullptr;
}

void TFormMain::CreateMenu()
{
    MainMenu1 = ui::Create<ui::TMainMenu>(this, "MainMenu1");
    ui::TMenuItem& root = MainMenu1->Items();
    N1 = AddItem(*this, root, "N1", "Файл");
    N2 = AddItem(*this, *N1, "N2", "Выход", Ctrl('X'));
    N3 = AddItem(*this, root, "N3", "Соединение");
    mnuConnect = AddItem(*this, *N3, "mnuConnect", "Подключиться", Ctrl('C'));
    mnuDisconnect = AddItem(*this, *N3, "mnuDisconnect", "Отключиться", Ctrl('D'));
    N4 = AddItem(*this, root, "N4", "Панель");
    mnuRead = AddItem(*this, *N4, "mnuRead", "Прочитать настройки с данной страницы", Ctrl('R'));
    mnuWrite = AddItem(*this, *N4, "mnuWrite", "Записать настройки с данной страницы", Ctrl('W'));
    AddSeparator(*this, *N4);
    mnuReadAll = AddItem(*this, *N4, "mnuReadAll", "Прочитать все настройки", CtrlShift('R'));
    mnuWriteAll = AddItem(*this, *N4, "mnuWriteAll", "Записать все настройки", CtrlShift('W'));
    AddSeparator(*this, *N4);
    mnuReload = AddItem(*this, *N4, "mnuReload", "Перезагрузить");
    AddSeparator(*this, *N4);
    UpdateFirmware = AddItem(*this, *N4, "UpdateFirmware", "Обновление версии прошивки");
    mnuUpdate = AddItem(*this, *N4, "mnuUpdate", "Обновление версии прошивки из файла");
    N5 = AddItem(*this, root, "N5", "Настройки");
    mnuSave = AddItem(*this, *N5, "mnuSave", "Сохранить", Ctrl('S'));
    mnuLoad = AddItem(*this, *N5, "mnuLoad", "Загрузить", Ctrl('L'));
    AddSeparator(*this, *N5);
    N21 = AddItem(*this, *N5, "N21", "Настройки по умолчанию на данной странице");
    N22 = AddItem(*this, *N5, "N22", "Все настройки по умолчанию");
    N6 = AddItem(*this, root, "N6", "Отладка");
    N16 = AddItem(*this, *N6, "N16", "Выводить информацию в окно");
    N16->SetChecked(true);
    N17 = AddItem(*this, *N6, "N17", "Выводить информацию в лог");
    N7 = AddItem(*this, root, "N7", "Помощь");
    N8 = AddItem(*this, *N7, "N8", "О программе", ui::ShortCut(ui::VK_F1, {}));

    for (ui::TMenuItem* item : {mnuDisconnect, mnuReload, UpdateFirmware, N21, N22}) item->SetEnabled(false);
    for (ui::TMenuItem* item : {mnuRead, mnuWrite, mnuReadAll, mnuWriteAll}) item->SetEnabled(false);
    mnuUpdate->SetVisible(false);
    N6->SetVisible(false);

    mnuConnect->OnClick = [this](ui::TObject* s) { tbConnectClick(s); };
    mnuDisconnect->OnClick = [this](ui::TObject* s) { tbDisconnectClick(s); };
    mnuRead->OnClick = [this](ui::TObject* s) { tbReadClick(s); };
    mnuWrite->OnClick = [this](ui::TObject* s) { tbWriteClick(s); };
    mnuReadAll->OnClick = [this](ui::TObject* s) { tbReadAllClick(s); };
    mnuWriteAll->OnClick = [this](ui::TObject* s) { tbWriteAllClick(s); };
    N21->OnClick = [this](ui::TObject* s) { tbDefaultClick(s); };
    N22->OnClick = [this](ui::TObject* s) { tbDefaultAllClick(s); };
}

void TFormMain::CreateToolBar()
{
    ToolBar1 = ui::Create<ui::TToolBar>(this, "ToolBar1", this);
    int separators = 0;
    const auto button = [this](const char* name, const char* hint) {
        auto* b = ui::Create<ui::TToolButton>(this, name, ToolBar1);
        b->SetHint(hint);
        b->SetShowHint(true);
        b->SetEnabled(false);
        return b;
    };
    const auto separator = [this, &separators] {
        auto* s = ui::Create<ui::TToolButton>(this, "ToolButton" + std::to_string(++separators), ToolBar1);
        s->SetStyle(ui::tbsSeparator);
    };
    tbConnect = button("tbConnect", "Подключиться");
    tbConnect->SetEnabled(true);
    tbDisconnect = button("tbDisconnect", "Отключиться");
    separator();
    tbRead = button("tbRead", "Прочитать настройки с данной страницы");
    tbReadAll = button("tbReadAll", "Прочитать все настройки");
    separator();
    tbWrite = button("tbWrite", "Записать настройки с данной страницы");
    tbWriteAll = button("tbWriteAll", "Записать все настройки");
    separator();
    tbDefault = button("tbDefault", "Настройки по умолчанию на данной странице");
    tbDefaultAll = button("tbDefaultAll", "Все настройки по умолчанию");
    separator();

    tbConnect->OnClick = [this](ui::TObject* s) { tbConnectClick(s); };
    tbDisconnect->OnClick = [this](ui::TObject* s) { tbDisconnectClick(s); };
    tbRead->OnClick = [this](ui::TObject* s) { tbReadClick(s); };
    tbReadAll->OnClick = [this](ui::TObject* s) { tbReadAllClick(s); };
    tbWrite->OnClick = [this](ui::TObject* s) { tbWriteClick(s); };
    tbWriteAll->OnClick = [this](ui::TObject* s) { tbWriteAllClick(s); };
    tbDefault->OnClick = [this](ui::TObject* s) { tbDefaultClick(s); };
    tbDefaultAll->OnClick = [this](ui::TObject* s) { tbDefaultAllClick(s); };
}

void TFormMain::CreatePanes()
{
    StatusBar1 = ui::Create<ui::TStatusBar>(this, "StatusBar1", this);
    const std::pair<const char*, int> panels[] = {{"Com", 60}, {"Версия", 100}, {"Тип", 100},
                                                  {"", 100},    {"", 150},       {"", 200}};
    for (const auto& [text, width] : panels) {
        ui::TStatusPanel* panel = StatusBar1->Panels().Add();
        panel->SetText(text);
        panel->SetWidth(width);
    }

    Panel1 = ui::Create<ui::TPanel>(this, "Panel1", this);
    Panel1->SetAlign(ui::alBottom);
    Panel1->SetHeight(150);
    tvLog = ui::Create<ui::TTreeView>(this, "tvLog", Panel1);
    tvLog->SetAlign(ui::alClient);
    tvLog->SetColor(clInfoBk);
    tvLog->SetReadOnly(true);
    tvLog->SetRowSelect(true);
    tvLog->SetShowLines(false);
    tvLog->SetShowRoot(false);

    tv1 = ui::Create<ui::TTreeView>(this, "tv1", this);
    tv1->SetAlign(ui::alLeft);
    tv1->SetWidth(200);
    tv1->SetReadOnly(true);
    tv1->SetRowSelect(true);
    tv1->SetHideSelection(false);
    tv1->OnChange = [this](ui::TObject* s, ui::TTreeNode* node) { tv1Change(s, node); };

    PagesPane = ui::Create<ui::TPanel>(this, "PagesPane", this);
    PagesPane->SetAlign(ui::alClient);
    PagesPane->SetBevelOuter(ui::bvNone);
    PagesPane->SetCaption("");
}

std::string TFormMain::StatusText(int Panel) const
{
    if (Panel < 0 || Panel >= StatusBar1->Panels().Count()) return {};
    return StatusBar1->Panels()[Panel]->Text();
}

void TFormMain::SetStatusText(int Panel, std::string Text)
{
    if (Panel < 0 || Panel >= StatusBar1->Panels().Count()) return;
    StatusBar1->Panels()[Panel]->SetText(std::move(Text));
}

void TFormMain::tbConnectClick(ui::TObject*)
{
    if (FormsController == nullptr) return;
    SetStatusText(PanelVersion, "");
    FormsController->Connect();
}

void TFormMain::tbDisconnectClick(ui::TObject*)
{
    if (FormsController == nullptr) return;
    FormsController->ResetDevice();
    FormsController->Disconnect();
}

void TFormMain::tbReadClick(ui::TObject*)
{
    if (FormsController != nullptr) FormsController->ReadCurrent();
}

void TFormMain::tbWriteClick(ui::TObject*)
{
    if (FormsController != nullptr) FormsController->WriteCurrent();
}

void TFormMain::tbReadAllClick(ui::TObject*)
{
    if (FormsController != nullptr) FormsController->ReadAll();
}

void TFormMain::tbWriteAllClick(ui::TObject*)
{
    if (FormsController != nullptr) FormsController->WriteAll();
}

void TFormMain::tbDefaultClick(ui::TObject*)
{
    if (FormsController != nullptr) FormsController->SetDefaultsCurrent();
}

void TFormMain::tbDefaultAllClick(ui::TObject*)
{
    if (FormsController != nullptr) FormsController->SetDefaultsAll();
}

void TFormMain::tv1Change(ui::TObject*, ui::TTreeNode* Node)
{
    if (FormsController != nullptr && Node != nullptr) FormsController->SelectPage(Node->StateIndex());
}

// The watchdog polls only an idle connection: a tick that finds an exchange or an operation under way
// is skipped (the exchange switches the timer back on when it ends).
void TFormMain::Timer1Timer(ui::TObject*)
{
    TDeviceController* device = CurrentDeviceController();
    if (device != nullptr && (device->Busy() || !FormsController->MayStart())) return;
    Timer1->SetEnabled(false);
    if (device == nullptr) {
        Timer1->SetEnabled(true);
        return;
    }
    try {
        std::string reply;
        device->PollVersion(reply);
        if (platform::Pos("REV", reply) == 0) {
            FormsController->Disconnect();
            return;
        }
    } catch (const ELinkFailure&) {
        // A vanished port is no answer either.
        FormsController->Disconnect();
        return;
    } catch (...) {
    }
    Timer1->SetEnabled(true);
}

void BeginControllerOperation()
{
    if (FormMain != nullptr && FormMain->FormsController != nullptr) FormMain->FormsController->BeginOperation();
}

void EndControllerOperation()
{
    if (FormMain != nullptr && FormMain->FormsController != nullptr) FormMain->FormsController->EndOperation();
}

TDeviceController* CurrentDeviceController()
{
    if (FormMain == nullptr || FormMain->FormsController == nullptr) return nullptr;
    return FormMain->FormsController->GetDeviceController();
}
