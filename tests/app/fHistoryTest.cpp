#include "app/fHistory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "app/DeviceController.h"
#include "app/S7QX1FormsController.h"
#include "app/HistoryReader.h"
#include "app/fMain.h"
#include "app/MsgFileU.h"
#include "app/fWaiting.h"
#include "app/fWays.h"
#include "sim/Communicator.h"
#include "platform/ProgramFolder.h"
#include "tests/support/FakeExchangeSteps.h"
#include "tests/support/SimDevice.h"
#include "ui/Application.h"
#include "ui/Canvas.h"
#include "ui/Driver.h"

namespace fs = std::filesystem;

namespace {

class HistoryPage : public testing::Test {
protected:
    HistoryPage()
    {
        FormHistory = page;
        page->SetBounds(0, 0, 1400, 700);
        page->Show();
        std::string pattern = (fs::temp_directory_path() / "fhist-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) folder = pattern;
    }
    ~HistoryPage() override
    {
        FormHistory = nullptr;
        fs::remove_all(folder);
    }

    ui::ApplicationScope scope;
    TFormHistory* page = scope.App().CreateForm<TFormHistory>("FormHistory");
    ui::Driver user{scope.App()};
    fs::path folder;
};

TEST_F(HistoryPage, StartsWithTitlesAndDeviceButtonsOff)
{
    EXPECT_EQ(page->StringGrid1->Cells(15, 0), "КС записи");
    EXPECT_FALSE(page->btnBackward->Enabled());
    EXPECT_FALSE(page->btnClear->Enabled());
    EXPECT_FALSE(page->btnStart->Visible());
    page->SetDeviceButtonsEnabled(true);
    EXPECT_TRUE(page->btnClear->Enabled());
}

TEST_F(HistoryPage, TypedNumberTakesHexDigitsOnly)
{
    page->Edit1->Show();
    user.TypeText(*page->Edit1, "1g2f9");
    EXPECT_EQ(page->Edit1->Text(), "12F9");
}

class HistoryErase : public HistoryPage {
protected:
    HistoryErase()
    {
        page->Store.Insert(0, {7, "rec", "", ""});
        page->StringGrid1->SetCell(0, 1, "7");
        page->SetDeviceButtonsEnabled(true);
        page->Actions.ClearDeviceHistory = [this] {
            ++erases;
            waitingShown = page->ComponentCount() > 0 &&
                           ui::Is<TFormWaiting>(page->Components(page->ComponentCount() - 1));
            return answer;
        };
        page->Actions.SetMainControlsEnabled = [this](bool on) { mainEnabled.push_back(on); };
    }
    int erases = 0;
    bool answer = true;
    bool waitingShown = false;
    std::vector<bool> mainEnabled;
};

TEST_F(HistoryErase, EveryOneOfThreeConfirmationsMustBeYes)
{
    for (int refused = 0; refused < 3; ++refused) {
        for (int i = 0; i < refused; ++i) scope.Services().AnswerBox(ui::mrYes);
        scope.Services().AnswerBox(ui::mrNo);
        user.Click(*page->btnClear);
    }
    EXPECT_EQ(erases, 0);
    EXPECT_EQ(page->Store.Count(), 1);
    const auto& boxes = scope.Services().Boxes();
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(boxes[0].text, "Вы уверены, что хотите стереть историю?\n\r* при очистке истории прекращается обмен между панелями");
    EXPECT_EQ(boxes[2].text, "Её невозможно будет восстановить!");
    EXPECT_EQ(boxes[2].type, ui::mtWarning);
    EXPECT_EQ(boxes[5].text, "Точно?");
}

TEST_F(HistoryErase, ConfirmedEraseEmptiesGridAndStore)
{
    user.Click(*page->btnClear);
    EXPECT_EQ(erases, 1);
    EXPECT_TRUE(waitingShown);
    EXPECT_EQ(mainEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(page->StringGrid1->Cells(0, 1), "");
    EXPECT_FALSE(ui::Is<TFormWaiting>(page->Components(page->ComponentCount() - 1))) << "waiting window freed";
    EXPECT_EQ(scope.App().Screen().Cursor(), ui::crDefault);
}

TEST_F(HistoryErase, FailedEraseIsReportedAndKeepsEverything)
{
    answer = false;
    user.Click(*page->btnClear);
    EXPECT_EQ(page->StringGrid1->Cells(0, 1), "7");
    ASSERT_EQ(scope.Services().Boxes().size(), 4u);
    EXPECT_EQ(scope.Services().Boxes()[3].text, "Ошибка при удалении истории!");
    EXPECT_EQ(mainEnabled, (std::vector<bool>{false, true}));
}

// ---------------------------------------------------------------- reading, drawing, exports

class HistoryPageOnDevice : public HistoryPage {
protected:
    HistoryPageOnDevice()
    {
        formWays = ways;
        page->Messages = &messages;
        messages.Rows = {{"1301", "Проникновение", "$00FFFF", "$FF0000"}, {"1303", "Восстановление зоны", "$00FF00", "0"}};
        page->Actions.Backward = [this] { reader.Backward(); };
        page->Actions.Forward = [this] { reader.Forward(); };
    }
    ~HistoryPageOnDevice() override { formWays = nullptr; }

    // The first grid row whose event code and kind are those given.
    int RowOf(const std::string& code, const std::string& kind)
    {
        for (int r = 1; r <= 32; ++r)
            if (page->StringGrid1->Cells(hcCode, r) == code && page->StringGrid1->Cells(hcKind, r) == kind) return r;
        return -1;
    }

    sim::Communicator device{sim::DeviceProfile{}, scope.Clock(), 1'715'953'510};
    testsupport::FakeExchangeSteps steps{device, scope.Clock()};
    TformWays* ways = scope.App().CreateForm<TformWays>("formWays");
    THistoryReader reader{steps, *page};
    TMsgFile messages;
};

TEST_F(HistoryPageOnDevice, RowsAreColouredFromTheMessageTableAndNamed)
{
    reader.ReadLatest();
    const int alarm = RowOf("130", "Тревога");
    ASSERT_GT(alarm, 0);
    ui::Canvas canvas(page->StringGrid1->Width(), page->StringGrid1->Height());
    page->StringGrid1->PaintTo(canvas);
    EXPECT_EQ(page->StringGrid1->Cells(hcEvent, alarm), "Проникновение") << "named once drawn";
    const ui::TRect cell = page->StringGrid1->CellRect(hcZone, alarm);
    ASSERT_FALSE(cell.IsEmpty());
    EXPECT_EQ(canvas.pixel(cell.Right - 2, cell.Bottom - 2), 0x00FFFFu) << "background from the table";
}

TEST_F(HistoryPageOnDevice, ChannelMarksAreDrawnGreenAndRedInShadesThatStandOutFromTheRow)
{
    reader.ReadLatest();
    int row = -1;
    for (int r = 1; r <= 32 && row < 0; ++r) {
        const THistoryEntry* e = page->Store.Find(std::atoi(page->StringGrid1->Cells(0, r).c_str()));
        if (e != nullptr && e->GroupMarks.find('i') != std::string::npos && e->OwnMarks.size() > 2) row = r;
    }
    ASSERT_GT(row, 0);
    EXPECT_EQ(page->StringGrid1->Cells(hcPhones, row), "") << "the marks are drawn, not written";
    // Which mark colours the cell shows, on the row's own colour and on a red one (where red is halved).
    constexpr TColor kDarkRed = 0x00007F;
    const auto inks = [&] {
        ui::Canvas canvas(page->StringGrid1->Width(), page->StringGrid1->Height());
        page->StringGrid1->PaintTo(canvas);
        const ui::TRect cell = page->StringGrid1->CellRect(hcPhones, row);
        std::set<TColor> found;
        for (int y = cell.Top; y < cell.Bottom; ++y)
            for (int x = cell.Left; x < cell.Right; ++x)
                if (const TColor c = canvas.pixel(x, y); c == clGreen || c == clRed || c == kDarkRed) found.insert(c);
        return found;
    };
    EXPECT_EQ(inks(), (std::set<TColor>{clGreen, clRed}));
    THistoryRow cells;
    for (int c = 0; c < HistoryColumnCount; ++c) cells[static_cast<std::size_t>(c)] = page->StringGrid1->Cells(c, row);
    messages.Rows.insert(messages.Rows.begin(), {HistoryEventKey(cells), "Пожар", "$0000FF", "$FFFFFF"});
    EXPECT_TRUE(inks().contains(kDarkRed)) << "a red digit on a red row is drawn dark red";
}

TEST_F(HistoryPageOnDevice, StoreExportAfterThreePagesBackHoldsNinetySixRows)
{
    page->FirstRecord = 999 + 1;
    for (int i = 0; i < 3; ++i) user.Click(*page->btnBackward);  // disabled until connected
    page->SetDeviceButtonsEnabled(true);
    for (int i = 0; i < 3; ++i) user.Click(*page->btnBackward);
    EXPECT_EQ(page->Store.Count(), 96);
    const fs::path file = folder / "store.xls";
    scope.Services().AnswerFileDialog(file.string());
    user.Click(*page->Button3);
    EXPECT_EQ(page->StringGrid2->RowCount(), 97);
    EXPECT_EQ(page->StringGrid2->Cells(0, 1), "999") << "newest first";
    EXPECT_EQ(page->StringGrid2->Cells(0, 96), "904");
    EXPECT_TRUE(fs::exists(file));
}

TEST_F(HistoryPageOnDevice, CancelledSaveDialogWritesNothing)
{
    reader.ReadLatest();
    user.Click(*page->Button1);
    EXPECT_TRUE(fs::is_empty(folder));
    const fs::path file = folder / "page.xls";
    scope.Services().AnswerFileDialog(file.string());
    user.Click(*page->Button1);
    EXPECT_TRUE(fs::exists(file));
}

// ---------------------------------------------------------------- the loop through the ring

class ReadAllLoop : public HistoryPage {
protected:
    ReadAllLoop()
    {
        page->Actions.Backward = [this] {
            ++pages;
            if (pages == failFrom) return;
            page->FirstRecord = HistoryPageBefore(page->FirstRecord);
            if (pages == escAt) user.PressKey(*page->Edit1, 27);
        };
        page->Edit1->Show();
    }
    int pages = 0;
    int escAt = 0;
    int failFrom = 0;
};

TEST_F(ReadAllLoop, OneTurnOfTheRing)
{
    struct Case { int from, pages, last; };
    for (const Case& c : {Case{0x100, 767, 0x100 + 20}, Case{0x5FE0, 768, 0x5FE0 - 12}}) {
        SCOPED_TRACE(c.from);
        pages = 0;
        page->FirstRecord = c.from;
        page->ReadAll();
        EXPECT_EQ(pages, c.pages);
        EXPECT_EQ(page->FirstRecord, c.last);
    }
}

TEST_F(ReadAllLoop, EscStopsAfterThePageInProgress)
{
    escAt = 3;
    page->FirstRecord = 0x1000;
    page->ReadAll();
    EXPECT_EQ(pages, 3);
    EXPECT_TRUE(page->Stopped);
}

TEST_F(ReadAllLoop, APageThatDoesNotMoveEndsTheLoop)
{
    failFrom = 5;
    page->FirstRecord = 0x1000;
    page->ReadAll();
    EXPECT_EQ(pages, 5);
}

// ---------------------------------------------------------------- in the program

class ProgramController final : public TS7QX1FormsController {
public:
    using TS7QX1FormsController::TS7QX1FormsController;
    bool DoConnect() override
    {
        auto controller = std::make_unique<TDeviceController>(sim->worker, Log.get());
        controller->Device().SetTimeoutFloor(testsupport::SimDevice::kTimeoutMs);
        if (!controller->ReadVersion()) return false;
        SetDeviceController(std::move(controller));
        return true;
    }
    testsupport::SimDevice* sim = nullptr;
};

class HistoryInProgram : public testing::Test {
protected:
    HistoryInProgram()
    {
        std::string pattern = (fs::temp_directory_path() / "hprog-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) folder = pattern;
        ::setenv(platform::kProgramFolderVariable, folder.c_str(), 1);
        previousDir = fs::current_path();
        fs::current_path(folder);
        main->Show();
        controller = MakeFormsController<ProgramController>(main, main->PagesPane, main->tv1);
        main->FormsController = controller.get();
        sim::DeviceProfile profile = testsupport::Profile(120);
        profile.historyRecords = 100;
        sim = std::make_unique<testsupport::SimDevice>(profile, scope.Clock());
        controller->sim = sim.get();
    }
    ~HistoryInProgram() override
    {
        main->FormsController = nullptr;
        controller.reset();
        sim.reset();
        fs::current_path(previousDir);
        ::unsetenv(platform::kProgramFolderVariable);
        fs::remove_all(folder);
    }
    void Show(TformIncl* page)
    {
        const std::vector<TformIncl*> pages = controller->Pages();
        controller->SelectPage(static_cast<int>(std::find(pages.begin(), pages.end(), page) - pages.begin()));
        ASSERT_EQ(controller->CurrentPage, page);
    }

    ui::ApplicationScope scope;
    ui::Driver user{scope.App()};
    fs::path folder;
    fs::path previousDir;
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    std::unique_ptr<ProgramController> controller;
    std::unique_ptr<testsupport::SimDevice> sim;
};

TEST_F(HistoryInProgram, ButtonsNeedAConnectionAndPageThroughTheDevice)
{
    EXPECT_FALSE(FormHistory->btnBackward->Enabled());
    ASSERT_TRUE(controller->Connect());
    EXPECT_TRUE(FormHistory->btnBackward->Enabled());
    Show(FormHistory);
    controller->ReadCurrent();
    EXPECT_EQ(FormHistory->StringGrid1->Cells(hcNumber, 1), "99");
    user.Click(*FormHistory->btnBackward);
    EXPECT_EQ(FormHistory->FirstRecord, 36);
    EXPECT_EQ(FormHistory->Store.Count(), 64);
    EXPECT_TRUE(main->tv1->Enabled()) << "the bracket closed";
    user.Click(*FormHistory->Button2);
    EXPECT_EQ(FormHistory->FirstRecord, 68);
    controller->Disconnect();
    EXPECT_FALSE(FormHistory->btnBackward->Enabled());
}

TEST_F(HistoryInProgram, TextDownloadWritesInTheWorkingDirectory)
{
    ASSERT_TRUE(controller->Connect());
    FormHistory->btnStart->Show();
    Show(FormHistory);
    user.Click(*FormHistory->btnStart);
    std::ifstream in(folder / "История.txt", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 200) << "two lines for each of 100 records";
    EXPECT_EQ(text.substr(0, 3), "99 ");
}

TEST_F(HistoryInProgram, EraseButtonErasesTheDevice)
{
    ASSERT_TRUE(controller->Connect());
    Show(FormHistory);
    controller->ReadCurrent();
    user.Click(*FormHistory->btnClear);
    EXPECT_EQ(sim->device.HistoryPointer(), 0);
    EXPECT_EQ(FormHistory->Store.Count(), 0);
    EXPECT_TRUE(main->tv1->Enabled());
}

TEST_F(HistoryInProgram, ConnectingRefillsTheWayTypesForTheFirmware)
{
    ASSERT_TRUE(formWays->FindTypeItem(*formWays->cb[0], 13));
    ASSERT_TRUE(formWays->FindTypeItem(*formWays->cb[1], 3));
    sim::DeviceProfile old = testsupport::Profile(100);
    sim = std::make_unique<testsupport::SimDevice>(old, scope.Clock());
    controller->sim = sim.get();
    ASSERT_TRUE(controller->Connect());
    EXPECT_EQ(formWays->cb[0]->Items().Count(), 11) << "build 100 offers eleven types";
    EXPECT_EQ(formWays->ChannelType(0), 0) << "v.110 is not among them";
    EXPECT_EQ(formWays->ChannelType(1), 3) << "a type the list still offers is kept";
}

}  // namespace
