#include "app/fHistory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/DeviceController.h"
#include "app/S7QX1FormsController.h"
#include "app/fMain.h"
#include "app/fWaiting.h"
#include "app/fWays.h"
#include "platform/ProgramFolder.h"
#include "sim/Communicator.h"
#include "tests/support/SimDevice.h"
#include "tests/support/TempFolder.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

class HistoryPage : public testing::Test {
protected:
    HistoryPage()
    {
        FormHistory = page;
        page->SetBounds(0, 0, 1400, 700);
        page->Show();
    }
    ~HistoryPage() override { FormHistory = nullptr; }

    ui::ApplicationScope scope;
    TFormHistory* page = scope.App().CreateForm<TFormHistory>("FormHistory");
    ui::Driver user{scope.App()};
    testsupport::TempFolder folder;
};

TEST_F(HistoryPage, EraseNeedsThreeYesesShowsItsWaitAndKeepsEverythingWhenItFails)
{
    page->Store.Insert(0, {7, "rec", "", ""});
    page->StringGrid1->SetCell(0, 1, "7");
    page->SetDeviceButtonsEnabled(true);
    int erases = 0;
    bool answer = false;
    std::vector<bool> mainEnabled;
    page->Actions.ClearDeviceHistory = [&] {
        ++erases;
        EXPECT_TRUE(ui::Is<TFormWaiting>(page->Components(page->ComponentCount() - 1))) << "the waiting window";
        return answer;
    };
    page->Actions.SetMainControlsEnabled = [&](bool on) { mainEnabled.push_back(on); };
    for (int refused = 0; refused < 3; ++refused) {
        for (int i = 0; i < refused; ++i) scope.Services().AnswerBox(ui::mrYes);
        scope.Services().AnswerBox(ui::mrNo);
        user.Click(*page->btnClear);
    }
    EXPECT_EQ(erases, 0);
    const auto& boxes = scope.Services().Boxes();
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(boxes[0].text, "Вы уверены, что хотите стереть историю?\n\r* при очистке истории прекращается обмен между панелями");
    EXPECT_EQ(boxes[2].text + boxes[5].text, "Её невозможно будет восстановить!Точно?");
    EXPECT_EQ(boxes[2].type, ui::mtWarning);

    for (const bool erased : {false, true}) {
        SCOPED_TRACE(erased);
        answer = erased;
        mainEnabled.clear();
        scope.Services().ClearRecords();
        user.Click(*page->btnClear);
        EXPECT_EQ(mainEnabled, (std::vector<bool>{false, true}));
        EXPECT_EQ(page->StringGrid1->Cells(0, 1), erased ? "" : "7");
        EXPECT_EQ(page->Store.Count(), erased ? 0 : 1);
        ASSERT_EQ(boxes.size(), erased ? 3u : 4u);
        EXPECT_EQ(boxes.back().text, erased ? "Точно?" : "Ошибка при удалении истории!");
    }
    EXPECT_FALSE(ui::Is<TFormWaiting>(page->Components(page->ComponentCount() - 1))) << "waiting window freed";
    EXPECT_EQ(scope.App().Screen().Cursor(), ui::crDefault);
}

TEST_F(HistoryPage, ReadAllGoesOnceRoundTheRingUntilEscOrAPageThatDoesNotMoveFromATypedNumber)
{
    int pages = 0;
    int escAt = 0;
    int stuckAt = 0;
    page->Actions.Backward = [&] {
        if (++pages == stuckAt) return;
        page->FirstRecord = HistoryPageBefore(page->FirstRecord);
        if (pages == escAt) user.PressKey(*page->Edit1, 27);
    };
    page->Edit1->Show();
    user.TypeText(*page->Edit1, "1g2f9");
    EXPECT_EQ(page->Edit1->Text(), "12F9") << "the typed number takes hexadecimal digits only";
    const std::tuple<int, int, int, int, int> cases[] = {// from, Esc at, stuck at, pages read, where it ends
                                                         {0x100, 0, 0, 767, 0x100 + 20},
                                                         {0x5FE0, 0, 0, 768, 0x5FE0 - 12},
                                                         {0x1000, 3, 0, 3, 0x1000 - 3 * 32},
                                                         {0x1000, 0, 5, 5, 0x1000 - 4 * 32}};
    for (const auto& [from, esc, stuck, read, last] : cases) {
        pages = 0;
        escAt = esc;
        stuckAt = stuck;
        page->FirstRecord = from;
        page->ReadAll();
        EXPECT_EQ(pages, read) << from;
        EXPECT_EQ(page->FirstRecord, last) << from;
        EXPECT_EQ(page->Stopped, esc > 0) << from;
    }
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
        ::setenv(platform::kProgramFolderVariable, folder.path.c_str(), 1);
        std::filesystem::current_path(folder.path);
        main->Show();
        main->FormsController = controller.get();
        controller->sim = &sim;
    }
    ~HistoryInProgram() override
    {
        main->FormsController = nullptr;
        controller.reset();
        std::filesystem::current_path(previousDir);
        ::unsetenv(platform::kProgramFolderVariable);
    }
    static sim::DeviceProfile Profile()
    {
        sim::DeviceProfile profile = testsupport::Profile(100);
        profile.historyRecords = 100;
        return profile;
    }

    ui::ApplicationScope scope;
    ui::Driver user{scope.App()};
    testsupport::TempFolder folder;
    const std::filesystem::path previousDir = std::filesystem::current_path();
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    testsupport::SimDevice sim{Profile(), scope.Clock()};
    std::unique_ptr<ProgramController> controller = MakeFormsController<ProgramController>(main, main->PagesPane, main->tv1);
};

TEST_F(HistoryInProgram, ConnectingRefillsTheWayTypesThenThePagePagesExportsDownloadsAndErasesTheDevice)
{
    ASSERT_TRUE(formWays->FindTypeItem(*formWays->cb[0], 13));
    ASSERT_TRUE(formWays->FindTypeItem(*formWays->cb[1], 3));
    ASSERT_TRUE(controller->Connect());
    EXPECT_EQ(formWays->cb[0]->Items().Count(), 11) << "build 100 offers eleven types";
    EXPECT_EQ(formWays->ChannelType(0), 0) << "v.110 is not among them";
    EXPECT_EQ(formWays->ChannelType(1), 3) << "a type the list still offers is kept";
    const std::vector<TformIncl*> pages = controller->Pages();
    controller->SelectPage(static_cast<int>(std::find(pages.begin(), pages.end(), FormHistory) - pages.begin()));
    controller->ReadCurrent();
    EXPECT_EQ(FormHistory->StringGrid1->Cells(hcNumber, 1), "99");
    user.Click(*FormHistory->btnBackward);
    EXPECT_EQ(FormHistory->FirstRecord, 36);
    EXPECT_TRUE(main->tv1->Enabled()) << "the bracket closed";
    user.Click(*FormHistory->Button3);  // the save dialog cancelled: the store shown, nothing written
    EXPECT_EQ(FormHistory->StringGrid2->RowCount(), 65);
    EXPECT_EQ(FormHistory->StringGrid2->Cells(0, 1) + " " + FormHistory->StringGrid2->Cells(0, 64), "99 36") << "newest first";
    EXPECT_EQ(FormHistory->StringGrid2->Cells(hcRecordCheck, 1) + " " + main->StatusText(TFormMain::PanelFlash), "Да AT45DB161D");
    EXPECT_FALSE(std::filesystem::exists(folder.path / "store.xls"));
    for (ui::TControl* button : std::initializer_list<ui::TControl*>{FormHistory->Button3, FormHistory->Button1}) {
        scope.Services().AnswerFileDialog((folder.path / "store.xls").string());
        user.Click(*button);
        EXPECT_TRUE(std::filesystem::remove(folder.path / "store.xls")) << button->Name();
    }
    user.Click(*FormHistory->Button2);
    EXPECT_EQ(FormHistory->FirstRecord, 68);
    FormHistory->Button4->Show();
    FormHistory->Edit1->SetText("40");
    user.Click(*FormHistory->Button4);  // the page below the typed number
    EXPECT_EQ(FormHistory->FirstRecord, 32);
    FormHistory->btnStart->Show();
    user.Click(*FormHistory->btnStart);
    const std::string text = folder.Read("История.txt");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 200) << "two lines for each of 100 records";
    EXPECT_EQ(text.substr(0, 3), "99 ");
    user.Click(*FormHistory->btnClear);
    EXPECT_EQ(sim.device.HistoryPointer(), 0);
    EXPECT_EQ(FormHistory->Store.Count(), 0);
    EXPECT_TRUE(main->tv1->Enabled());
}

}  // namespace
