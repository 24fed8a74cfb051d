#include "app/fUpdateInsertion.h"

#include <algorithm>

#include "app/DeviceController.h"
#include "app/FormAppMainController.h"
#include "app/fMain.h"
#include "link/LogWriter.h"
#include "platform/Text.h"
#include "ui/Application.h"

TformUpdateInsertion* formUpdateInsertion = nullptr;

namespace {

const std::string kNotUpdated = "ОШИБКА! Прошивка не обновлена! ";

struct ResultText {
    TUploadResult result;
    const char* text;
};
constexpr ResultText kFailures[] = {
    {TUploadResult::NoBootloader, "Не удалось активировать загрузчик."},
    {TUploadResult::BlockFailed, "Не удалось записать строку из файла прошивки."},
    {TUploadResult::FinishFailed, "Не удалось стереть содержимое флэш."},
    {TUploadResult::Stopped, "Загрузка остановлена."},
};

// Steps the main window's progress bar and lets the windows live during the final wait.
class FileProgress final : public TUploadObserver {
public:
    explicit FileProgress(TKitProgressBar* bar) : bar_(bar) {}
    void Step() override
    {
        if (bar_ != nullptr) bar_->SetPartsComplete(bar_->PartsComplete() + 1);
    }
    void Idle() override { ui::App().ProcessMessages(); }

private:
    TKitProgressBar* bar_;
};

// Restores the watchdog and closes the operation bracket however the upload ends.
class Bracket {
public:
    explicit Bracket(const TFileUpdateHost& host) : host_(host)
    {
        if (host_.SetWatchdog) host_.SetWatchdog(false);
        if (host_.BeginOperation) host_.BeginOperation();
        if (host_.AcquireLink) guard_ = host_.AcquireLink();
    }
    ~Bracket()
    {
        guard_.reset();
        ui::App().Guard(nullptr, [this] {
            if (host_.SetWatchdog) host_.SetWatchdog(true);
            if (host_.EndOperation) host_.EndOperation();
        });
    }
    Bracket(const Bracket&) = delete;
    Bracket& operator=(const Bracket&) = delete;

private:
    const TFileUpdateHost& host_;
    std::shared_ptr<void> guard_;
};

// The bar counts one upload: a success leaves it full until the next upload starts; an upload that
// failed, however it ended, leaves it empty.
class ProgressReset {
public:
    explicit ProgressReset(TKitProgressBar* bar) : bar_(bar) {}
    ~ProgressReset()
    {
        if (bar_ != nullptr) bar_->SetPartsComplete(0);
    }
    void Fill()
    {
        if (bar_ != nullptr) bar_->SetPartsComplete(bar_->TotalParts());
        bar_ = nullptr;
    }
    ProgressReset(const ProgressReset&) = delete;
    ProgressReset& operator=(const ProgressReset&) = delete;

private:
    TKitProgressBar* bar_;
};

void Refuse(const TFileUpdateHost& host, const std::string& reason)
{
    if (host.Log != nullptr) host.Log->AddError(kNotUpdated + reason);
    ui::MessageDlg(kNotUpdated + reason, ui::mtWarning, {ui::mbOK});
}

// A success says why the link is about to close: the device restarts into the new firmware.
void Report(const TFileUpdateHost& host, TUploadResult result)
{
    if (host.Log == nullptr) return;
    if (result == TUploadResult::Done)
        host.Log->AddInfo("Прошивка обновлена. Панель перезапускается с новой прошивкой, поэтому связь с ней "
                          "закрыта; чтобы продолжить, подключитесь снова.");
    for (const ResultText& f : kFailures)
        if (f.result == result) host.Log->AddError(kNotUpdated + f.text);
}

}  // namespace

TformUpdateInsertion::TformUpdateInsertion(ui::TComponent* Owner) : ui::TForm(Owner)
{
    SetCaption("Обновление версии прошивки");
    SetBorderStyle(ui::bsDialog);
    SetPosition(ui::poScreenCenter);
    SetBounds(0, 0, 640, 330);
    CreateControls();
}

void TformUpdateInsertion::CreateControls()
{
    sgHex = ui::Create<ui::TStringGrid>(this, "sgHex", this);
    sgHex->SetBounds(8, 8, 624, 190);
    sgHex->SetColCount(17);
    sgHex->SetRowCount(InitialRows);
    sgHex->SetDefaultColWidth(35);
    sgHex->SetDefaultRowHeight(17);
    sgHex->SetOptions(sgHex->Options() | ui::TGridOptions{ui::goRowSelect});
    for (int col = 1; col <= FirmwareRowBytes; ++col) sgHex->SetCell(col, 0, BlockNumberText(col - 1).substr(2));

    KitGroupBox1 = ui::Create<TKitGroupBox>(this, "KitGroupBox1", this);
    KitGroupBox1->SetBounds(8, 204, 624, 60);
    KitGroupBox1->SetCaption("Выберите файл с прошивкой");
    Label1 = ui::Create<ui::TLabel>(this, "Label1", KitGroupBox1);
    Label1->SetBounds(8, 24, 90, 16);
    Label1->SetCaption("Путь к файлу:");
    etPath = ui::Create<ui::TEdit>(this, "etPath", KitGroupBox1);
    etPath->SetBounds(100, 20, 480, 22);
    KitBitBtn1 = ui::Create<TKitBitBtn>(this, "KitBitBtn1", KitGroupBox1);
    KitBitBtn1->SetCaption("...");
    KitBitBtn1->SetHint("Выбрать файл");
    KitBitBtn1->SetShowHint(true);
    KitBitBtn1->SetBounds(586, 20, 28, 22);
    KitBitBtn1->OnClick = [this](ui::TObject* s) { KitBitBtn1Click(s); };

    openHex = ui::Create<ui::TOpenDialog>(this, "openHex");
    openHex->SetTitle("Открыть");
    openHex->SetFileName("*.hex");
    openHex->SetFilter("HEX FILES (*.hex)|*.hex");
    openHex->SetOptions({ui::ofFileMustExist});

    KitDialogButtons1 = ui::Create<TKitDialogButtons>(this, "KitDialogButtons1", this);
    KitDialogButtons1->SetCaptionOk("OK");
    KitDialogButtons1->SetCaptionCancel("Cancel");
    KitDialogButtons1->SetCaptionHelp("&Help");
    KitDialogButtons1->SetModalResultOk(ui::mrOk);
    KitDialogButtons1->SetModalResultCancel(ui::mrCancel);
    // No help to give: its button stays hidden rather than do nothing.
    KitDialogButtons1->SetModalResultHelp(ui::mrNone);
}

void TformUpdateInsertion::ClearGrid()
{
    for (int row = 1; row < sgHex->RowCount(); ++row) sgHex->ClearRow(row);
    sgHex->SetRowCount(InitialRows);
}

void TformUpdateInsertion::LoadFile(const std::string& FileName)
{
    fileName_ = FileName;
    etPath->SetText(FileName);
    ClearGrid();
    file_ = ReadHexFile(FileName);
    const int rows = file_.RowCount();
    sgHex->SetRowCount(std::max(InitialRows, rows + 1));
    for (int row = 0; row < rows; ++row) {
        sgHex->SetCell(0, row + 1, BlockNumberText(row));
        const std::vector<std::string> cells = file_.RowCells(row);
        for (std::size_t i = 0; i < cells.size(); ++i) sgHex->SetCell(static_cast<int>(i) + 1, row + 1, cells[i]);
    }
    if (!file_.Error.empty())
        ui::MessageDlg((rows > 0 ? "Файл прошивки прочитан не полностью: " : "Файл прошивки не прочитан: ") + file_.Error + ".",
                       ui::mtWarning, {ui::mbOK});
}

void TformUpdateInsertion::KitBitBtn1Click(ui::TObject*)
{
    if (!openHex->Execute()) return;
    LoadFile(openHex->FileName());
    // The picker's button took the focus with the click, and a focused button answers Enter: with a
    // file chosen, Enter is meant for OK, not for another pick.
    if (KitDialogButtons1->ButtonOk()->CanFocus()) KitDialogButtons1->ButtonOk()->SetFocus();
}

std::optional<TUploadResult> UpdateFirmwareFromFile(TformUpdateInsertion& Window, const TFileUpdateHost& Host)
{
    if (Window.ShowModal() != ui::mrOk) return std::nullopt;
    if (Host.Progress != nullptr) Host.Progress->SetPartsComplete(0);
    const std::string path = platform::Trim(Window.etPath->Text());
    if (Host.Sender == nullptr) {
        Refuse(Host, "Нет подключения к панели.");
        return std::nullopt;
    }
    if (path.empty()) {
        Refuse(Host, "Файл прошивки не выбран.");
        return std::nullopt;
    }
    // The file as it is now, whatever the grid showed: only a whole file may replace the firmware.
    const THexFile file = ReadHexFile(path);
    if (!file.Usable()) {
        Refuse(Host, "Файл прошивки не прочитан: " + file.Error + ".");
        return std::nullopt;
    }
    const std::vector<TFirmwareBlock> blocks = file.Blocks();

    TUploadResult result = TUploadResult::Stopped;
    {
        ProgressReset reset(Host.Progress);
        Bracket bracket(Host);
        ui::App().ProcessMessages();
        if (Host.Progress != nullptr) Host.Progress->SetTotalParts(static_cast<std::uint32_t>(blocks.size()) + 103);
        FileProgress progress(Host.Progress);
        const std::atomic<bool> never{false};
        result = UploadFirmware(*Host.Sender, blocks, progress, never, Host.Options);
        if (result == TUploadResult::Done) reset.Fill();
        Report(Host, result);
    }
    if (result == TUploadResult::Done && Host.Disconnect) Host.Disconnect();
    return result;
}

TFileUpdateHost MainWindowFileUpdateHost(TKitProgressBar* Progress)
{
    TFileUpdateHost h;
    TDeviceController* device = CurrentDeviceController();
    TFormAppMainController* forms = FormMain != nullptr ? FormMain->FormsController : nullptr;
    if (device != nullptr) h.Sender = std::make_shared<TBootSenderOf<TDeviceController>>(*device);
    h.Log = forms != nullptr ? forms->Log.get() : nullptr;
    h.Progress = Progress;
    // The final wait runs on the program's clock, as every other wait of the window thread does.
    h.Options.Clock = &ui::App().Clock();
    h.AcquireLink = []() -> std::shared_ptr<void> {
        TDeviceController* current = CurrentDeviceController();
        if (current == nullptr) return nullptr;
        return std::make_shared<TDeviceController::TExchange>(*current);
    };
    h.SetWatchdog = [](bool on) {
        if (FormMain != nullptr) FormMain->Timer1->SetEnabled(on);
    };
    h.BeginOperation = BeginControllerOperation;
    h.EndOperation = EndControllerOperation;
    h.Disconnect = [] {
        if (FormMain != nullptr && FormMain->FormsController != nullptr) FormMain->FormsController->Disconnect();
    };
    return h;
}
