#include "app/fUpdateInsertion.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>

#include "link/DevSorvel7QX1.h"
#include "link/MyExceptions.h"
#include "sim/Communicator.h"
#include "tests/app/FirmwareTestSupport.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/RecordingLog.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using namespace firmwaretest;
using Kind = testsupport::RecordingLog::Kind;
namespace fs = std::filesystem;

const std::string kNotUpdated = "ОШИБКА! Прошивка не обновлена! ";

std::string HexText(std::size_t bytes, int seed = 4)
{
    const std::vector<std::uint8_t> data = Bytes(bytes, seed);
    std::string text;
    for (std::size_t at = 0; at < bytes; at += 16) {
        const std::size_t n = std::min<std::size_t>(16, bytes - at);
        text += Record(static_cast<unsigned>(at), {data.begin() + at, data.begin() + at + n}) + "\r\n";
    }
    return text + Record(0, {}, 1) + "\r\n";
}

class FileUpdateTest : public ::testing::Test {
protected:
    FileUpdateTest()
    {
        mainForm = scope.App().CreateForm<ui::TForm>("FormMain");
        progress = ui::Create<TKitProgressBar>(mainForm, "KitProgressBar1", mainForm);
        window = scope.App().CreateForm<TformUpdateInsertion>("formUpdateInsertion");
        host.Sender = {std::shared_ptr<void>(), &sender};  // not owned
        host.Log = &log;
        host.Progress = progress;
        host.AcquireLink = [this] {
            auto guard = std::make_shared<int>(0);
            link = guard;
            events.push_back("link");
            return std::shared_ptr<void>(guard);
        };
        host.SetWatchdog = [this](bool on) { events.push_back(on ? "watchdog on" : "watchdog off"); };
        host.BeginOperation = [this] { events.push_back("begin"); };
        host.EndOperation = [this] { events.push_back("end"); };
        host.Disconnect = [this] { events.push_back("disconnect"); };
        host.Options = {.LogIt = true, .FinalWaitMs = 15'000, .Clock = &scope.Clock()};
        std::string pattern = (fs::temp_directory_path() / "firmware-file-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) folder = pattern;
    }
    ~FileUpdateTest() override { fs::remove_all(folder); }

    std::string Write(const std::string& text)
    {
        const fs::path path = folder / "new.hex";
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    // The user picks the file and presses the bar's OK (or Cancel).
    void Answer(const std::string& path, ui::TModalResult result = ui::mrOk)
    {
        scope.Services().AnswerModal([this, path, result](ui::TForm&) {
            window->etPath->SetText(path);
            TKitDialogButtons& bar = *window->KitDialogButtons1;
            TKitBitBtn* button = result == ui::mrOk ? bar.ButtonOk() : bar.ButtonCancel();
            ui::App().Post([this, button] { EXPECT_TRUE(ui::Driver(scope.App()).Click(*button)); });
        });
    }

    std::optional<TUploadResult> Run() { return UpdateFirmwareFromFile(*window, host); }

    std::vector<std::string> Errors() const { return log.Texts(Kind::Error); }

    ui::ApplicationScope scope;
    sim::Communicator device{{}, scope.Clock()};
    testsupport::LoopbackComm comm{device, scope.Clock()};
    TDevSorvel7QX1 dev{comm, nullptr};
    TDeviceBootSender real{dev};
    ScriptedSender sender{&real};
    testsupport::RecordingLog log;
    ui::TForm* mainForm = nullptr;
    TKitProgressBar* progress = nullptr;
    TformUpdateInsertion* window = nullptr;
    TFileUpdateHost host;
    std::vector<std::string> events;
    std::weak_ptr<int> link;
    fs::path folder;
};

}  // namespace

TEST_F(FileUpdateTest, UploadsTheWholeFileFilledToAFullBlockThenDisconnects)
{
    int highest = 0;
    progress->OnChange = [&highest](ui::TObject*, int percent) { highest = std::max(highest, percent); };
    Answer(Write(HexText(19 * 16)));
    ASSERT_EQ(Run(), TUploadResult::Done);

    std::string expected = AsText(Bytes(19 * 16, 4));
    expected += std::string(5 * 16, '\xFF');
    EXPECT_EQ(device.UploadedImage(), expected);
    EXPECT_TRUE(device.FirmwareWritten());
    const std::vector<std::string> sent = sender.Sent();
    ASSERT_EQ(sent.size(), 3u + 3 + 1);
    EXPECT_TRUE(sent[5].starts_with("W0010:"));
    EXPECT_TRUE(sent[5].ends_with(std::string(160, 'F') + ":" + sent[5].substr(sent[5].size() - 2)));
    for (const bool logged : sender.LogFlags()) EXPECT_TRUE(logged);
    EXPECT_EQ(progress->TotalParts(), 3u + 103);
    EXPECT_EQ(highest, 100);
    EXPECT_EQ(progress->PartsComplete(), 0u) << "the bar is empty again once the upload has ended";
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(log.Texts(Kind::Info).empty()) << "success is not announced";
    EXPECT_EQ(events, (std::vector<std::string>{"watchdog off", "begin", "link", "watchdog on", "end", "disconnect"}));
    EXPECT_TRUE(link.expired());
}

TEST_F(FileUpdateTest, BrokenOrCutFileNeverReachesTheDevice)
{
    std::string broken = HexText(64);
    broken[broken.find("\r\n") - 1] ^= 1;  // the first record's checksum
    std::string cut = HexText(64);
    cut.erase(cut.rfind(":"));  // the end record, as a copy that stopped at a line break leaves it
    const std::pair<std::string, const char*> cases[] = {{broken, "строка 1: "}, {cut, "строка 5: "}};
    for (const auto& [text, line] : cases) {
        log.entries.clear();
        scope.Services().ClearRecords();
        Answer(Write(text));
        EXPECT_FALSE(Run());
        EXPECT_TRUE(sender.Sent().empty());
        EXPECT_TRUE(device.Requests().empty());
        ASSERT_EQ(Errors().size(), 1u);
        EXPECT_TRUE(Errors()[0].starts_with(kNotUpdated + "Файл прошивки не прочитан: " + line)) << Errors()[0];
        ASSERT_EQ(scope.Services().Boxes().size(), 1u);
        EXPECT_EQ(scope.Services().Boxes()[0].text, Errors()[0]);
    }
    EXPECT_TRUE(events.empty());
}

TEST_F(FileUpdateTest, FileWithoutDataNeverReachesTheDevice)
{
    Answer(Write(Record(0, {}, 1) + "\r\n"));
    EXPECT_FALSE(Run());
    EXPECT_TRUE(sender.Sent().empty());
    ASSERT_EQ(Errors().size(), 1u);
}

TEST_F(FileUpdateTest, CancelOrNothingToUseSendsNothing)
{
    Answer(Write(HexText(64)), ui::mrCancel);
    EXPECT_FALSE(Run());
    EXPECT_TRUE(Errors().empty());

    Answer("  ");
    EXPECT_FALSE(Run());
    host.Sender = nullptr;
    Answer(Write(HexText(64)));
    EXPECT_FALSE(Run());
    EXPECT_EQ(Errors(), (std::vector<std::string>{kNotUpdated + "Файл прошивки не выбран.",
                                                  kNotUpdated + "Нет подключения к панели."}));
    EXPECT_TRUE(sender.Sent().empty());
    EXPECT_TRUE(events.empty());
}

TEST_F(FileUpdateTest, EachFailureIsLoggedAndTheLinkStays)
{
    struct Case {
        const char* refused;
        TUploadResult result;
        const char* message;
    };
    const Case cases[] = {
        {"v", TUploadResult::NoBootloader, "Не удалось активировать загрузчик."},
        {"BE", TUploadResult::NoBootloader, "Не удалось активировать загрузчик."},
        {"W0008", TUploadResult::BlockFailed, "Не удалось записать строку из файла прошивки."},
        {"EE", TUploadResult::FinishFailed, "Не удалось стереть содержимое флэш."},
    };
    const std::string path = Write(HexText(40 * 16));
    for (const Case& c : cases) {
        sender.Script = [prefix = std::string(c.refused)](const std::string& cmd) -> ScriptedSender::Answer {
            if (cmd.starts_with(prefix)) return std::pair{false, std::string()};
            return std::nullopt;
        };
        log.entries.clear();
        events.clear();
        Answer(path);
        EXPECT_EQ(Run(), c.result) << c.refused;
        EXPECT_EQ(Errors(), (std::vector<std::string>{kNotUpdated + c.message})) << c.refused;
        EXPECT_EQ(events, (std::vector<std::string>{"watchdog off", "begin", "link", "watchdog on", "end"}))
            << c.refused;
        EXPECT_EQ(progress->PartsComplete(), 0u) << c.refused;
    }
}

TEST_F(FileUpdateTest, LostLinkRestoresTheWatchdogAndPassesOn)
{
    Answer(Write(HexText(64)));
    comm.FailNext(testsupport::LoopbackComm::Fault::Vanish);
    EXPECT_THROW(Run(), ELinkFailure);
    EXPECT_EQ(events, (std::vector<std::string>{"watchdog off", "begin", "link", "watchdog on", "end"}));
    EXPECT_TRUE(link.expired());
}

TEST_F(FileUpdateTest, ButtonBarHasOkCancelAndAHelpThatClosesNothing)
{
    TKitDialogButtons& bar = *window->KitDialogButtons1;
    EXPECT_EQ(bar.Align(), ui::alBottom);
    EXPECT_EQ(bar.Width(), window->ClientWidth());
    EXPECT_EQ(bar.Top() + bar.Height(), window->ClientHeight());
    EXPECT_GE(bar.Top(), window->KitGroupBox1->Top() + window->KitGroupBox1->Height());
    EXPECT_EQ(bar.CaptionHelp(), "&Help");
    EXPECT_EQ(bar.ModalResultOk(), ui::mrOk);
    EXPECT_EQ(bar.ModalResultCancel(), ui::mrCancel);
    EXPECT_EQ(bar.ModalResultHelp(), ui::mrNone);
    EXPECT_EQ(bar.ButtonOk()->Left(), bar.Width() - 249);
    EXPECT_EQ(bar.ButtonCancel()->Left(), bar.Width() - 166);
    EXPECT_EQ(bar.ButtonHelp()->Left(), bar.Width() - 83);

    int helps = 0;
    bar.OnClickHelp = [&](ui::TObject*) { ++helps; };
    scope.Services().AnswerModal([&](ui::TForm&) {
        ui::App().Post([&] {
            ui::Driver user(scope.App());
            EXPECT_TRUE(user.Click(*bar.ButtonHelp()));
            EXPECT_EQ(window->ModalResult(), ui::mrNone) << "help keeps the window open";
            EXPECT_TRUE(user.Click(*bar.ButtonCancel()));
        });
    });
    EXPECT_FALSE(Run());
    EXPECT_EQ(helps, 1);
    EXPECT_TRUE(sender.Sent().empty());
}

TEST_F(FileUpdateTest, ChosenFileFillsTheGridSixteenBytesToARow)
{
    const std::string path = Write(HexText(20 * 16 + 5));
    scope.Services().AnswerFileDialog(path);
    window->Show();
    ASSERT_TRUE(ui::Driver(scope.App()).Click(*window->KitBitBtn1));
    EXPECT_EQ(window->etPath->Text(), path);
    EXPECT_EQ(window->sgHex->Cells(1, 0), "00");
    EXPECT_EQ(window->sgHex->Cells(16, 0), "0F");
    ASSERT_EQ(window->sgHex->RowCount(), 22);
    EXPECT_EQ(window->sgHex->Cells(0, 1), "0000");
    EXPECT_EQ(window->sgHex->Cells(0, 21), "0014");
    EXPECT_EQ(window->sgHex->Cells(1, 2), Hex({ByteAt(16, 4)}));
    EXPECT_EQ(window->sgHex->Cells(5, 21), Hex({ByteAt(324, 4)}));
    EXPECT_EQ(window->sgHex->Cells(6, 21), "");
    EXPECT_TRUE(scope.Services().Boxes().empty());

    // A shorter, broken file: the rows before the fault stay, the rest goes, and the user is told.
    std::string broken = HexText(4 * 16);
    broken.insert(broken.find(Record(0, {}, 1)), Record(0x80, Bytes(16)) + "\r\n");
    scope.Services().AnswerFileDialog(Write(broken));
    ASSERT_TRUE(ui::Driver(scope.App()).Click(*window->KitBitBtn1));
    EXPECT_EQ(window->sgHex->RowCount(), TformUpdateInsertion::InitialRows);
    EXPECT_EQ(window->sgHex->Cells(0, 4), "0003");
    EXPECT_EQ(window->sgHex->Cells(0, 5), "");
    EXPECT_EQ(window->sgHex->Cells(1, 5), "");
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_NE(scope.Services().Boxes()[0].text.find("строка 5"), std::string::npos);
    EXPECT_FALSE(window->File().Usable());
}
