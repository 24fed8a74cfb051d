// The bootloader exchange; the upload of a HEX file from the file window; the firmware update window: its
// gates, the upload on its thread, the countdown, the way out; wired to the main window; the image list.
#include "app/FirmwareUpload.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/DeviceController.h"
#include "app/FormAppMainController.h"
#include "app/UpdateListFormUnit.h"
#include "app/fMain.h"
#include "app/fUpdateIns.h"
#include "app/fUpdateInsertion.h"
#include "link/DevSorvel7QX1.h"
#include "link/MyExceptions.h"
#include "sim/Communicator.h"
#include "tests/app/FirmwareTestSupport.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/TempFolder.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using namespace firmwaretest;
using namespace std::chrono_literals;
using namespace std::string_literals;
using testsupport::LoopbackComm;

// A link guard whose release the test can watch.
std::shared_ptr<void> HeldLink(std::weak_ptr<int>& link)
{
    auto guard = std::make_shared<int>(0);
    link = guard;
    return guard;
}

class Recorder final : public TUploadObserver {
public:
    void Stage(TUploadStage s) override { stages.push_back(s); }
    void Step() override
    {
        if (++steps == stopAt) *stop = true;
    }
    void Sent() override { ++sent; }

    std::vector<TUploadStage> stages;
    int steps = 0;
    int sent = 0;
    int stopAt = -1;
    std::atomic<bool>* stop = nullptr;
};

class FirmwareUpload : public ::testing::Test {
protected:
    FirmwareUpload() { observer.stop = &stop; }
    TUploadResult Run(int rows) { return UploadFirmware(sender, BlocksFromImage(ImageLines(rows)).Blocks, observer, stop, options); }

    platform::ManualClock clock;
    sim::Communicator device{{}, clock};
    LoopbackComm comm{device, clock};
    TDevSorvel7QX1 dev{comm, nullptr};
    TDeviceBootSender real{dev};
    ScriptedSender sender{real};
    std::atomic<bool> stop{false};
    Recorder observer;
    TUploadOptions options{.LogIt = false, .FinalWaitMs = 15'000, .FinalTickMs = 150, .Clock = &clock};
    const std::uint64_t start = clock.NowMs();
};

struct UploadCase {
    const char* name;
    const char* prefix;  // the command the script answers; nullptr: the device answers everything
    int times;           // how many of its sends the script answers; 0: every one
    bool ok;
    const char* reply;
    int stopAt;  // the progress step at which the user stops; -1: never, 0: before it starts
    TUploadResult result;
    std::vector<std::pair<std::string, int>> sent;  // commands sent, by prefix
};

class FirmwareUploadCase : public FirmwareUpload, public ::testing::WithParamInterface<UploadCase> {};

TEST_P(FirmwareUploadCase, EndsAsTheBootloaderAndTheUserSay)
{
    const UploadCase& c = GetParam();
    int answered = 0;
    sender.Script = [&](const std::string& cmd) -> ScriptedSender::Answer {
        if (c.prefix == nullptr || !cmd.starts_with(c.prefix) || (c.times > 0 && answered == c.times)) return std::nullopt;
        ++answered;
        return std::pair{c.ok, std::string(c.reply)};
    };
    observer.stopAt = c.stopAt;
    stop = c.stopAt == 0;
    EXPECT_EQ(Run(24), c.result);
    for (const auto& [prefix, count] : c.sent) EXPECT_EQ(sender.Count(prefix), count) << prefix;
    EXPECT_TRUE(c.stopAt < 0 || observer.steps == c.stopAt) << observer.steps;
    EXPECT_TRUE(c.result != TUploadResult::Done || device.UploadedImage() == AsText(Bytes(24 * 16)));
    EXPECT_EQ(clock.NowMs() - start >= 15'000u, c.result == TUploadResult::Done) << "the final wait follows \"EE\" only";
}

using R = TUploadResult;
INSTANTIATE_TEST_SUITE_P(
    Cases, FirmwareUploadCase,
    ::testing::Values(
        UploadCase{"WholeImage", nullptr, 0, false, "", -1, R::Done, {{"BL", 1}, {"v", 1}, {"BE", 1}, {"W", 3}, {"EE", 1}}},
        UploadCase{"BlockEchoedWithAnotherNumberIsSentAgain", "W0008", 1, true, "0010\r\nOK\r\n", -1, R::Done, {{"W0008", 2}, {"W0000", 1}}},
        UploadCase{"BlockFailingThreeTimesEndsIt", "W0008", 0, false, "", -1, R::BlockFailed, {{"W0008", 3}, {"W0010", 0}, {"EE", 0}}},
        UploadCase{"AnswerWithoutTheBootloadersName", "v", 0, true, "REV 11.005.120\r\nOK\r\n", -1, R::NoBootloader, {{"v", 3}, {"BE", 0}}},
        UploadCase{"TheBootloadersNameWithoutOk", "v", 0, false, "BootLdr v1.0\r\n", -1, R::Done, {{"v", 1}, {"BE", 1}}},
        UploadCase{"BootloaderAnsweringOnTheThirdTry", "v", 2, false, "", -1, R::Done, {{"v", 3}}},
        UploadCase{"FailedEraseWritesNothing", "BE", 0, false, "", -1, R::NoBootloader, {{"BE", 1}, {"W", 0}}},
        UploadCase{"FlashingFailingThreeTimes", "EE", 0, false, "", -1, R::FinishFailed, {{"EE", 3}}},
        UploadCase{"StoppedBeforeItStarts", nullptr, 0, false, "", 0, R::Stopped, {{"", 0}}},
        UploadCase{"StoppedAfterTheFirstBlock", nullptr, 0, false, "", 3, R::Stopped, {{"W", 1}, {"W0000", 1}, {"", 4}}},
        UploadCase{"StoppedInTheFinalWait", nullptr, 0, false, "", 10, R::Stopped, {{"EE", 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirmwareUpload, NothingToSendTouchesNothingASilentBlockIsSentAgain)
{
    EXPECT_EQ(UploadFirmware(sender, {}, observer, stop, options), TUploadResult::BadImage);
    EXPECT_TRUE(comm.Written().empty() && !device.InBootloader());
    int blocks = 0;
    sender.Script = [&](const std::string& cmd) -> ScriptedSender::Answer {
        if (cmd.starts_with("W") && ++blocks == 2) comm.FailNext(LoopbackComm::Fault::Silence, 2);
        return std::nullopt;
    };
    EXPECT_EQ(Run(24), TUploadResult::Done);
    EXPECT_EQ(sender.Count("W0008"), 3);
    EXPECT_TRUE(device.FirmwareWritten());
}

// ---------------------------------------------------------------- a HEX file from the file window

const std::string kNotUpdated = "ОШИБКА! Прошивка не обновлена! ";

class FileUpdate : public ::testing::Test {
protected:
    FileUpdate()
    {
        const auto note = [this](const char* event) { return [this, event] { events += event; }; };
        host = {.Sender = {std::shared_ptr<void>(), &sender}, .Log = &log, .Progress = progress,  // the sender not owned
                .AcquireLink = [this] {
                    events += "link ";
                    return HeldLink(link);
                },
                .SetWatchdog = [this](bool on) { events += on ? "watchdog-on " : "watchdog-off "; },
                .BeginOperation = note("begin "), .EndOperation = note("end "), .Disconnect = note("disconnect "),
                .Options = {.LogIt = true, .FinalWaitMs = 15'000, .Clock = &scope.Clock()}};
    }
    // The user picks the file and presses the bar's OK (or Cancel).
    std::optional<TUploadResult> Run(const std::string& path, ui::TModalResult result = ui::mrOk)
    {
        scope.Services().AnswerModal([this, path, result](ui::TForm&) {
            window->etPath->SetText(path);
            TKitDialogButtons& bar = *window->KitDialogButtons1;
            TKitBitBtn* button = result == ui::mrOk ? bar.ButtonOk() : bar.ButtonCancel();
            ui::App().Post([this, button] { EXPECT_TRUE(ui::Driver(scope.App()).Click(*button)); });
        });
        return UpdateFirmwareFromFile(*window, host);
    }
    std::vector<std::string> Errors() const { return log.Texts(testsupport::RecordingLog::Kind::Error); }

    ui::ApplicationScope scope;
    sim::Communicator device{{}, scope.Clock()};
    LoopbackComm comm{device, scope.Clock()};
    TDevSorvel7QX1 dev{comm, nullptr};
    TDeviceBootSender real{dev};
    ScriptedSender sender{real};
    testsupport::RecordingLog log;
    ui::TForm* mainForm = scope.App().CreateForm<ui::TForm>("FormMain");
    TKitProgressBar* progress = ui::Create<TKitProgressBar>(mainForm, "KitProgressBar1", mainForm);
    TformUpdateInsertion* window = scope.App().CreateForm<TformUpdateInsertion>("formUpdateInsertion");
    TFileUpdateHost host;
    std::string events;
    std::weak_ptr<int> link;
    testsupport::TempFolder folder;
};

TEST_F(FileUpdate, CancelSendsNothingALostLinePassesOnWithTheWatchdogBack)
{
    const std::string path = folder.Write("new.hex", HexFileText(40 * 16));
    EXPECT_FALSE(Run(path, ui::mrCancel));
    EXPECT_TRUE(Errors().empty() && events.empty() && device.Requests().empty());
    comm.FailNext(LoopbackComm::Fault::Vanish);
    EXPECT_THROW(Run(path), ELinkFailure);
    EXPECT_EQ(events, "watchdog-off begin link watchdog-on end ");
    EXPECT_TRUE(link.expired());
}

TEST_F(FileUpdate, EveryRefusalAndFailureIsLoggedARefusalToStartIsShownTooOnlySuccessDisconnects)
{
    std::string broken = HexFileText(64);
    broken[broken.find("\r\n") - 1] ^= 1;  // the first record's checksum
    std::string cut = HexFileText(64);
    cut.erase(cut.rfind(":"));  // the end record, as a copy that stopped at a line break leaves it
    // The maker's form: a version line, no end record.
    const std::string whole = HexFileText(40 * 16), good = "REV 11.005.130\r\n" + whole.substr(0, whole.rfind(":"));
    const std::string notRead = "Файл прошивки не прочитан: ";
    const std::string noBootloader = "Не удалось активировать загрузчик.";
    using R = std::optional<TUploadResult>;
    const std::tuple<std::string, std::string, R, std::string> cases[] = {// file (none: no connection), refused command
        {broken, "", R(), notRead + "строка 1: неверная контрольная сумма записи."},
        {cut, "", R(), notRead + "строка 5: нет записи конца файла: файл оборван."},
        {Record(0, {}, 1) + "\r\n", "", R(), notRead + "в файле нет данных прошивки."},
        {"  ", "", R(), "Файл прошивки не выбран."},
        {good, "v", TUploadResult::NoBootloader, noBootloader},
        {good, "BE", TUploadResult::NoBootloader, noBootloader},
        {good, "W0008", TUploadResult::BlockFailed, "Не удалось записать строку из файла прошивки."},
        {good, "EE", TUploadResult::FinishFailed, "Не удалось стереть содержимое флэш."},
        {good, "", TUploadResult::Done, ""},  // no error, and the bar stays full
        {"", "", R(), "Нет подключения к панели."},  // the last: the connection stays away
    };
    int highest = 0;
    progress->OnChange = [&highest](ui::TObject*, int percent) { highest = std::max(highest, percent); };
    for (const auto& [text, refused, result, error] : cases) {
        SCOPED_TRACE(error);
        log.entries.clear();
        events.clear();
        scope.Services().ClearRecords();
        sender.Script = nullptr;
        if (!refused.empty()) sender.Refuse(refused);
        if (text.empty()) host.Sender = nullptr;
        const int sent = sender.Count("");
        EXPECT_EQ(Run(text == "  " ? text : folder.Write("new.hex", text.empty() ? good : text)), result);
        const bool done = result == TUploadResult::Done;
        EXPECT_EQ(Errors(), done ? std::vector<std::string>{} : std::vector{kNotUpdated + error});
        std::vector<std::string> boxes;
        for (const auto& box : scope.Services().Boxes()) boxes.push_back(box.text);
        EXPECT_EQ(boxes, result ? std::vector<std::string>{} : std::vector{kNotUpdated + error}) << "a refusal to start is shown";
        EXPECT_EQ(events, result ? "watchdog-off begin link watchdog-on end "s + (done ? "disconnect " : "") : "");
        EXPECT_EQ(sender.Count("") > sent, result.has_value());
        EXPECT_EQ(progress->PartsComplete(), done ? progress->TotalParts() : 0u) << "only a success leaves the bar full";
        EXPECT_TRUE(!done || (device.UploadedImage() == AsText(Bytes(40 * 16, 4)) && highest == 100));
    }
    for (const auto& [cmd, logged] : sender.Log()) EXPECT_TRUE(logged) << cmd;
    EXPECT_TRUE(link.expired());
}

TEST_F(FileUpdate, ChosenFileFillsTheGridSixteenBytesToARow)
{
    const std::string path = folder.Write("new.hex", HexFileText(20 * 16 + 5));
    scope.Services().AnswerFileDialog(path);
    window->Show();
    ASSERT_TRUE(ui::Driver(scope.App()).Click(*window->KitBitBtn1));
    EXPECT_EQ(window->etPath->Text(), path);
    ASSERT_EQ(window->sgHex->RowCount(), 22);
    EXPECT_EQ(window->sgHex->Cells(16, 0) + " " + window->sgHex->Cells(0, 1) + " " + window->sgHex->Cells(0, 21), "0F 0000 0014");
    const std::vector<std::uint8_t> bytes = Bytes(20 * 16 + 5, 4);
    EXPECT_EQ(window->sgHex->Cells(1, 2) + window->sgHex->Cells(5, 21) + "|" + window->sgHex->Cells(6, 21), Hex({bytes[16], bytes[324]}) + "|");
    EXPECT_TRUE(scope.Services().Boxes().empty());

    // A shorter, broken file: the rows before the fault stay, the rest goes, and the user is told.
    std::string broken = HexFileText(4 * 16);
    broken.insert(broken.find(Record(0, {}, 1)), Record(0x80, Bytes(16)) + "\r\n");
    scope.Services().AnswerFileDialog(folder.Write("broken.hex", broken));
    ASSERT_TRUE(ui::Driver(scope.App()).Click(*window->KitBitBtn1));
    EXPECT_EQ(window->sgHex->RowCount(), TformUpdateInsertion::InitialRows);
    EXPECT_EQ(window->sgHex->Cells(0, 4) + "|" + window->sgHex->Cells(0, 5) + "|" + window->sgHex->Cells(1, 5), "0003||");
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].text, "Файл прошивки прочитан не полностью: строка 5: пропуск адресов перед записью.");
    EXPECT_FALSE(window->File().Usable());
    // An image of the device maker, as the program carries them.
    scope.Services().AnswerFileDialog(SORVEL_SOURCE_DIR "/resources/firmware/1.hex");
    ASSERT_TRUE(ui::Driver(scope.App()).Click(*window->KitBitBtn1));
    EXPECT_EQ(window->sgHex->RowCount(), 65);
    EXPECT_TRUE(window->File().Usable() && scope.Services().Boxes().size() == 1u) << window->File().Error;
}

// ---------------------------------------------------------------- the update window

const std::string kDeviceVersion = "REV 11.005.120";
const std::string kImageVersion = "REV 11.005.121";
const std::string kFailed = "В процессе перепрошивки возникли ошибки!";
constexpr int kRows = 24;

// Runs the window thread's queue until the upload has ended (real time bounded).
void PumpUntilEnded(const TformUpdateIns& form, const std::function<void()>& pump = [] { ui::App().HandleMessage(); })
{
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (form.Uploading() && std::chrono::steady_clock::now() < limit) pump();
    ASSERT_FALSE(form.Uploading());
    ui::App().ProcessMessages();
}

class UpdateWindow : public ::testing::Test {
protected:
    UpdateWindow()
    {
        form->Images().SetImage(1, ImageLines(kRows, kImageVersion));
        form->SetUploadOptions({.FinalWaitMs = 15'000, .Clock = &threadClock});
        const auto note = [this](const char* event) { return [this, event] { events += event; }; };
        const auto onOff = [this](const char* what) { return [this, what](bool on) { events += what + (on ? "-on "s : "-off "s); }; };
        form->SetHost({.Sender = [this]() -> std::shared_ptr<TBootSender> {
                           return connected ? std::shared_ptr<TBootSender>(std::shared_ptr<void>(), &sender) : nullptr;
                       },
                       .AcquireLink = [this] { return HeldLink(link); },
                       .BeginOperation = note("begin "), .EndOperation = note("end "), .SetMainEnabled = onOff("main"),
                       .SetWatchdog = onOff("watchdog"), .DeviceVersionText = [] { return kDeviceVersion; },
                       .SetDeviceVersionText = {}, .Disconnect = note("disconnect ")});
    }
    void Start()
    {
        ASSERT_TRUE(form->FirmwareUpdateAvailable(0, 0, 0, 5, 120));
        form->Show();
        ASSERT_TRUE(driver.Click(*form->btnUpdateVer));
    }
    // The next send of a command that starts with `prefix` waits until released.
    void HoldAt(const std::string& prefix)
    {
        sender.Script = [this, prefix](const std::string& cmd) -> ScriptedSender::Answer {
            held = held || cmd.starts_with(prefix);
            while (held && !released) std::this_thread::sleep_for(1ms);
            return std::nullopt;
        };
        Start();
        const auto limit = std::chrono::steady_clock::now() + 10s;
        while (!held && std::chrono::steady_clock::now() < limit) std::this_thread::sleep_for(1ms);
        ASSERT_TRUE(held);
    }

    ui::ApplicationScope scope;
    ui::Driver driver{scope.App()};
    platform::ManualClock threadClock;
    sim::Communicator device{{}, threadClock};
    testsupport::LoopbackComm comm{device, threadClock};
    TDevSorvel7QX1 dev{comm, nullptr};
    TDeviceBootSender real{dev};
    ScriptedSender sender{real};
    TformUpdateIns* form = scope.App().CreateForm<TformUpdateIns>("formUpdateIns");
    bool connected = true;
    std::string events;
    std::weak_ptr<int> link;
    std::atomic<bool> held{false};
    std::atomic<bool> released{false};
};

TEST_F(UpdateWindow, ShowsBothVersionsTakesTheMainWindowOffersOnlyAFittingImageAndEstimatesTheTimeLeft)
{
    EXPECT_FALSE(form->FirmwareUpdateAvailable(2, 0, 0, 5, 0));
    form->Show();
    EXPECT_FALSE(form->btnUpdateVer->Enabled()) << "no image fits a Paradox panel";
    EXPECT_EQ(form->lbNewName->Caption(), "");
    form->Close();
    events.clear();
    ASSERT_TRUE(form->FirmwareUpdateAvailable(0, 0, 0, 5, 120));
    form->Show();
    EXPECT_EQ(form->lbNewName->Caption() + " " + form->lbOldName->Caption(), kImageVersion + " " + kDeviceVersion);
    EXPECT_TRUE(form->btnUpdateVer->Enabled());
    EXPECT_EQ(form->btnExit->Caption(), "Выйти без перепрошивки");
    EXPECT_FALSE(form->lbTimeLost->Visible());
    EXPECT_EQ(events, "begin main-off ");
    ASSERT_TRUE(driver.Click(*form->btnExit));
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(events, "begin main-off end main-on ") << "no disconnect while idle";
    EXPECT_EQ(sender.Count(""), 0);
    form->SetProgressTotal(10);
    form->ShowRemaining(30);
    EXPECT_EQ(form->lbTimeLost->Caption(), "") << "nothing done yet: no estimate";
    form->StepProgressBar();
    form->StepProgressBar();
    form->ShowRemaining(30);
    EXPECT_EQ(form->lbTimeLost->Caption(), "2 мин 0 сек ") << "30 s for the first fifth";
}

TEST_F(UpdateWindow, FailedUploadCountsDownTwentySecondsThenDisconnects)
{
    // Not connected; a "v" answered without the bootloader's name; "EE" refused three times.
    for (const auto& [refused, ok] : {std::pair{"", false}, {"v", true}, {"EE", false}}) {
        SCOPED_TRACE(refused);
        connected = *refused != '\0';
        sender.Refuse(refused, ok, "OK\r\n");
        events.clear();
        Start();
        PumpUntilEnded(*form);
        EXPECT_TRUE(connected || sender.Count("") == 0);
        EXPECT_EQ(form->State(), TformUpdateIns::StateFailed);
        EXPECT_EQ(form->lbError->Caption(), kFailed);
        EXPECT_EQ(form->lbError->Font().Color(), clRed);
        EXPECT_TRUE(form->btnExit->Enabled() && !form->btnUpdateVer->Enabled());
        const std::uint64_t start = scope.Clock().NowMs();
        ASSERT_TRUE(driver.Click(*form->btnExit));
        EXPECT_GE(scope.Clock().NowMs() - start, TformUpdateIns::ExitCountdownMs);
        EXPECT_EQ(form->lbError->Caption(), "До выхода осталось 1 сек...");
        EXPECT_FALSE(form->Visible());
        EXPECT_TRUE(events.ends_with("disconnect "));
    }
    EXPECT_EQ(sender.Count("BE"), 1) << "once the bootloader named itself; never after \"v\" without its name";
}

TEST_F(UpdateWindow, ExitDuringUploadStopsAndWaitsForTheThread)
{
    HoldAt("W0008");
    EXPECT_TRUE(!link.expired() && form->lbTimeLost->Visible());
    form->Close();
    EXPECT_TRUE(form->Visible()) << "no closing under a running upload";
    scope.App().Post([this] { released = true; });
    ASSERT_TRUE(driver.Click(*form->btnExit));
    EXPECT_TRUE(!form->Uploading() && form->State() == TformUpdateIns::StateFailed);
    EXPECT_EQ(form->lbError->Caption(), kFailed);
    EXPECT_TRUE(form->btnExit->Enabled() && form->Visible());
    EXPECT_EQ(events.find("disconnect"), std::string::npos);
    EXPECT_TRUE(link.expired());
    EXPECT_EQ(sender.Count("W0010") + sender.Count("EE"), 0);
}

TEST_F(UpdateWindow, WindowFreedDuringUploadWaitsForItsThread)
{
    HoldAt("W0000");
    std::thread releaser([this] {
        std::this_thread::sleep_for(20ms);
        released = true;
    });
    formUpdateIns = form;
    ui::Free(form);
    releaser.join();
    scope.App().ProcessMessages();  // calls the thread posted for the window do nothing now
    EXPECT_EQ(formUpdateIns, nullptr) << "the program's window is gone with it";
    EXPECT_TRUE(link.expired());
    EXPECT_EQ(sender.Count("W0008"), 0);
}

TEST(UpdateList, EveryImageWithItsVersion)
{
    ui::ApplicationScope scope;
    TFirmwareImages images;
    images.SetImage(1, {"REV 11.005.082"});
    auto* list = scope.App().CreateForm<TUpdateListForm>("UpdateListForm", &images);
    list->Show();
    ASSERT_EQ(list->ListBox1->Items().Count(), 6);
    EXPECT_EQ(list->ListBox1->Items()[0] + "|" + list->ListBox1->Items()[5],
              "PIC18F6722 AT45 Altonika ver: REV 11.005.082|PIC18F67K22 M45 Altonika ver: ");
    auto* builtIn = scope.App().CreateForm<TUpdateListForm>("BuiltInList");
    builtIn->Show();
    EXPECT_EQ(builtIn->ListBox1->Items()[5], "PIC18F67K22 M45 Altonika ver: REV 11.005.000");
}

// ---------------------------------------------------------------- wired to the main window

class TestFormsController : public TFormAppMainController {
public:
    using TFormAppMainController::TFormAppMainController;
    bool DoConnect() override { return false; }
};

TEST(MainWindowUpdate, UploadHoldsTheLinkAgainstTheWatchdogShowsTheNewVersionThenDisconnects)
{
    ui::ApplicationScope scope;
    ui::Driver user{scope.App()};
    platform::ManualClock threadClock;
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    TformUpdateIns* update = scope.App().CreateForm<TformUpdateIns>("formUpdateIns");
    testsupport::RecordingLog log;
    sim::Communicator device{{}, scope.Clock()};
    testsupport::LoopbackComm comm{device, scope.Clock()};
    TestFormsController forms(main, main->PagesPane, main->tv1);
    FormMain = main;
    main->FormsController = &forms;
    const std::unique_ptr<TFormMain, void (*)(TFormMain*)> unwire(main, [](TFormMain* m) { m->FormsController = nullptr, FormMain = nullptr; });
    EXPECT_EQ(MainWindowUpdateHost().Sender(), nullptr) << "without a connection the hosts have no sender";
    EXPECT_EQ(MainWindowUpdateHost().AcquireLink(), nullptr);
    EXPECT_EQ(MainWindowFileUpdateHost(nullptr).Sender, nullptr);
    forms.SetDeviceController(std::make_unique<TDeviceController>(comm, &log));
    main->SetStatusText(TFormMain::PanelVersion, kDeviceVersion);
    main->Show();
    update->Images().SetImage(1, ImageLines(32, kImageVersion));
    update->SetUploadOptions({.Clock = &threadClock});
    ASSERT_TRUE(update->FirmwareUpdateAvailable(0, 0, 0, 5, 120));
    update->Show();
    EXPECT_FALSE(main->Enabled());
    EXPECT_EQ(update->lbOldName->Caption(), kDeviceVersion);
    main->Timer1->SetEnabled(true);
    ASSERT_TRUE(user.Click(*update->btnUpdateVer));
    EXPECT_TRUE(forms.GetDeviceController()->Busy());
    main->Timer1Timer(main->Timer1);  // a watchdog tick in the middle of the upload
    PumpUntilEnded(*update, [&] { user.Advance(500); });
    EXPECT_FALSE(main->Timer1->Enabled()) << "no link check of a device that restarts";

    EXPECT_EQ(update->State(), TformUpdateIns::StateDone);
    EXPECT_EQ(update->lbError->Caption() + "|" + update->btnExit->Caption(), "Перепрошивка успешно завершена!|Завершить перепрошивку");
    EXPECT_EQ(update->lbError->Font().Color(), clGreen);
    EXPECT_TRUE(update->btnExit->Enabled() && !update->btnUpdateVer->Enabled() && !update->Label1->Visible());
    EXPECT_EQ(update->lbOldName->Caption() + " " + main->StatusText(TFormMain::PanelVersion), kImageVersion + " " + kImageVersion);
    EXPECT_EQ(update->KitProgressBar1->PartsComplete(), 32 / 8 + 104u);
    EXPECT_EQ(update->KitProgressBar1->TotalParts(), 32 / 8 + 104u);
    const std::vector<std::string> requests = device.Requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "+v"), 1) << "only the bootloader's own version request";
    EXPECT_EQ(device.UploadedImage(), AsText(Bytes(32 * 16)));
    EXPECT_FALSE(forms.GetDeviceController()->Busy());
    EXPECT_TRUE(log.entries.empty()) << "the upload thread never writes to the log";
    ASSERT_TRUE(user.Click(*update->btnExit));
    EXPECT_TRUE(main->Enabled() && !update->Visible());
    EXPECT_EQ(forms.GetDeviceController(), nullptr) << "disconnected";
}

}  // namespace
