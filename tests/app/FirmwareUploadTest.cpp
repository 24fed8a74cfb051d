// The bootloader exchange, and the upload of a HEX file from the file window.
#include "app/FirmwareUpload.h"

#include <gtest/gtest.h>

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
using testsupport::LoopbackComm;

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

TEST_F(FirmwareUpload, WholeImageArrivesInOrderAndTheLanesAgree)
{
    ASSERT_EQ(Run(20), TUploadResult::Done);
    EXPECT_TRUE(device.FirmwareWritten()) << "the simulator refuses \"EE\" with wrong lanes";
    EXPECT_EQ(device.UploadedImage(), AsText(Bytes(20 * 16)));
    std::vector<std::string> heads;
    for (const auto& [cmd, logged] : sender.Log()) heads.push_back(cmd.substr(0, cmd.starts_with("W") ? 5 : 2) + (logged ? "+" : ""));
    EXPECT_EQ(heads, (std::vector<std::string>{"BL", "v", "BE", "W0000", "W0008", "W0010", "EE"})) << "in order, unlogged";
    using enum TUploadStage;
    EXPECT_EQ(observer.stages, (std::vector{EnteringBootloader, Erasing, Loading, Loading, Loading, Flashing}));
    EXPECT_EQ(observer.steps, 2 + 3 + 99) << "after \"BL\", after \"BE\", per block, every 150 ms of the wait";
    EXPECT_EQ(observer.sent, 7);
    EXPECT_GE(clock.NowMs() - start, 15'000u);
}

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
    EXPECT_TRUE(c.result != TUploadResult::Done || device.FirmwareWritten());
    EXPECT_EQ(clock.NowMs() - start >= 15'000u, c.result == TUploadResult::Done) << "the final wait follows \"EE\" only";
}

using R = TUploadResult;
INSTANTIATE_TEST_SUITE_P(
    Cases, FirmwareUploadCase,
    ::testing::Values(
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
                    auto guard = std::make_shared<int>(0);
                    link = guard;
                    events += "link ";
                    return std::shared_ptr<void>(guard);
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

TEST_F(FileUpdate, UploadsTheWholeFileFilledToAFullBlockThenDisconnects)
{
    int highest = 0;
    progress->OnChange = [&highest](ui::TObject*, int percent) { highest = std::max(highest, percent); };
    ASSERT_EQ(Run(folder.Write("new.hex", HexFileText(19 * 16))), TUploadResult::Done);
    EXPECT_EQ(device.UploadedImage(), AsText(Bytes(19 * 16, 4)) + std::string(5 * 16, '\xFF'));
    const std::vector<std::pair<std::string, bool>> sent = sender.Log();
    ASSERT_EQ(sent.size(), 3u + 3 + 1);
    EXPECT_EQ(sent[5].first.substr(0, 6) + sent[5].first.substr(6 + 96, 161), "W0010:" + std::string(160, 'F') + ":");
    for (const auto& [cmd, logged] : sent) EXPECT_TRUE(logged) << cmd;
    EXPECT_EQ(progress->TotalParts(), 3u + 103);
    EXPECT_EQ(highest, 100);
    EXPECT_EQ(progress->PartsComplete(), 0u) << "the bar is empty again once the upload has ended";
    EXPECT_TRUE(log.entries.empty()) << "success is not announced";
    EXPECT_EQ(events, "watchdog-off begin link watchdog-on end disconnect ");
    EXPECT_TRUE(link.expired());
}

TEST_F(FileUpdate, CancelOrHelpSendsNothingALostLinkPassesOnWithTheWatchdogBack)
{
    const std::string path = folder.Write("new.hex", HexFileText(40 * 16));
    EXPECT_FALSE(Run(path, ui::mrCancel));
    int helps = 0;
    TKitDialogButtons& bar = *window->KitDialogButtons1;
    bar.OnClickHelp = [&](ui::TObject*) { ++helps; };
    scope.Services().AnswerModal([&](ui::TForm&) {
        ui::App().Post([&] {
            ui::Driver user(scope.App());
            EXPECT_TRUE(user.Click(*bar.ButtonHelp()));
            EXPECT_EQ(window->ModalResult(), ui::mrNone) << "help keeps the window open";
            EXPECT_TRUE(user.Click(*bar.ButtonCancel()));
        });
    });
    EXPECT_FALSE(UpdateFirmwareFromFile(*window, host));
    EXPECT_EQ(helps, 1);
    EXPECT_TRUE(Errors().empty() && events.empty() && device.Requests().empty());
    comm.FailNext(LoopbackComm::Fault::Vanish);
    EXPECT_THROW(Run(path), ELinkFailure);
    EXPECT_EQ(events, "watchdog-off begin link watchdog-on end ");
    EXPECT_TRUE(link.expired());
}

TEST_F(FileUpdate, EveryRefusalAndFailureIsLoggedARefusalToStartIsShownTooAndTheLinkStays)
{
    std::string broken = HexFileText(64);
    broken[broken.find("\r\n") - 1] ^= 1;  // the first record's checksum
    std::string cut = HexFileText(64);
    cut.erase(cut.rfind(":"));  // the end record, as a copy that stopped at a line break leaves it
    const std::string good = HexFileText(40 * 16);
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
        {"", "", R(), "Нет подключения к панели."},  // the last: the connection stays away
    };
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
        EXPECT_EQ(Errors(), (std::vector{kNotUpdated + error}));
        std::vector<std::string> boxes;
        for (const auto& box : scope.Services().Boxes()) boxes.push_back(box.text);
        EXPECT_EQ(boxes, result ? std::vector<std::string>{} : std::vector{kNotUpdated + error}) << "a refusal to start is shown";
        EXPECT_EQ(events, result ? "watchdog-off begin link watchdog-on end " : "");
        EXPECT_EQ(sender.Count("") > sent, result.has_value());
        EXPECT_EQ(progress->PartsComplete(), 0u);
    }
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
    EXPECT_EQ(window->sgHex->Cells(1, 2), Hex({ByteAt(16, 4)}));
    EXPECT_EQ(window->sgHex->Cells(5, 21) + "|" + window->sgHex->Cells(6, 21), Hex({ByteAt(324, 4)}) + "|");
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
}

}  // namespace
