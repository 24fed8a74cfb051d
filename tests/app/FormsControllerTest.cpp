// What the forms controller does with the pages and the connected device: the start and the end with
// current.ini, reads and writes of one page or all, the error window, the operation bracket, the rules
// that keep one exchange at a time, and the page's device buttons.
#include "app/FormsController.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/fCommon.h"
#include "app/fHistory.h"
#include "app/fProgress.h"
#include "tests/app/ProgramFixture.h"
#include "ui/Grids.h"

namespace {

using namespace programtest;

class FormsControllerTest : public ProgramFixture {
protected:
    void StartConnected()
    {
        Start();
        ASSERT_TRUE(ConnectByCable(120));
        cable->line.ClearReceived();
        scope.Services().ClearRecords();
    }
    // Acts at the log line `text` of the exchange under way.
    void AtLogLine(const std::string& text, std::function<void()> action)
    {
        main->tvLog->OnAddition = [text, action](ui::TObject*, ui::TTreeNode* node) {
            if (node->Text() == text) action();
        };
    }
    std::string HistoryCell() const { return FormHistory->StringGrid1->Cells(1, 1); }
    std::string Outcome() const { return main->StatusText(TFormMain::PanelOutcome); }
};

// ------------------------------------------------------------------ start and end

TEST_F(FormsControllerTest, StartShowsTheFirstPageAndLoadsTheMessageTableAndTheEndSavesThePagesBesideTheRest)
{
    WriteIni("[Connect]\r\nPort=/dev/ttyUSB0\r\n");
    std::ofstream(folder / "Messages.txt") << "1301|Пожар|255|0\r\n";
    Start();
    EXPECT_EQ(MsgFile->TextOf("1301"), "Пожар");
    ASSERT_EQ(RootTexts(*main->tv1).size(), 9u);
    EXPECT_EQ(RootTexts(*main->tv1)[0], "Общие настройки");
    EXPECT_EQ(main->tv1->Selected(), main->tv1->Items().Root(0)) << "the page shown is the one marked";
    controller->SelectPage(99);
    EXPECT_EQ(controller->CurrentPage, FormCommon);
    ASSERT_TRUE(user.SelectNode(*main->tv1, main->tv1->Items().Root(3)));
    EXPECT_EQ(controller->CurrentPage->Name(), "formGPRS");
    EXPECT_FALSE(FormCommon->Visible());
    // Device actions without a connection do nothing.
    controller->ReadAll();
    controller->WriteAll();
    controller->SyncDeviceTime();
    FormCommon->ImeiLabel->Click();
    EXPECT_TRUE(scope.Services().Boxes().empty());
    EXPECT_TRUE(scope.Services().ModalForms().empty());
    EXPECT_FALSE(Logged("IMEI скопирован в буфер обмена."));

    FormCommon->etO->SetText("4321");
    ui::Free(main);
    main = nullptr;
    EXPECT_EQ(FormCommon, nullptr) << "the page is freed and forgets its global";
    const std::string saved = ReadIni();
    EXPECT_NE(saved.find("etO=4321"), std::string::npos);
    EXPECT_NE(saved.find("Port=/dev/ttyUSB0"), std::string::npos) << "the other sections stay";
}

// ------------------------------------------------------------------ reading and writing

// A cancelled read-all stops at the group under way and still shows the failures before it.
TEST_F(FormsControllerTest, TheErrorWindowListsFailedGroupsAndUnexpectedErrorsAndACancelStopsAReadAll)
{
    StartConnected();
    controller->ReadCurrent();
    EXPECT_TRUE(scope.Services().ModalForms().empty());
    EXPECT_EQ(Outcome(), "Страница \"Общие настройки\" прочитана, ошибок нет");

    CatchErrorWindow();
    cable->line.AddFault("+o", {sim::FaultKind::Nok}, 3);
    std::string timeAtFirstGroup = "unset";
    AtLogLine("Читаю \"№ объекта\"", [&] { timeAtFirstGroup = FormCommon->etTime->Text(); });
    controller->ReadCurrent();
    EXPECT_EQ(timeAtFirstGroup, "") << "the page is cleared first";
    EXPECT_EQ(errorCount, "1");
    EXPECT_EQ(errorLines, std::vector<std::string>{"Ошибка при чтении параметра \"№ объекта\""});
    EXPECT_EQ(Outcome(), "Страница \"Общие настройки\" прочитана, 1 ошибка");

    errorLines.clear();
    CatchErrorWindow();
    AtLogLine("Читаю \"Время\"", [] { throw std::runtime_error("boom"); });
    controller->ReadCurrent();
    EXPECT_EQ(errorLines, std::vector<std::string>{"Возникла непредвиденная ошибка: \"boom\""});
    EXPECT_TRUE(Connected());
    EXPECT_EQ(EnabledFlags(main->tv1, main->tbRead, main->tbConnect), "110");

    errorLines.clear();
    CatchErrorWindow();
    cable->line.ClearReceived();
    cable->line.AddFault("+o", {sim::FaultKind::Nok}, 3);
    AtLogLine("Читаю \"Время\"", [] { ui::Driver().PressKey(*FormCommon->etO, ui::VK_ESCAPE); });
    controller->ReadAll();
    EXPECT_EQ(errorLines, std::vector<std::string>{"Ошибка при чтении параметра \"№ объекта\""});
    EXPECT_EQ(controller->CurrentPage, FormCommon) << "no further page";
    EXPECT_EQ(cable->line.Requests(), (std::vector<std::string>{"+o", "+o", "+o", "+AH"})) << "the group under way ends, no further one starts";
    EXPECT_TRUE(main->Timer1->Enabled());
    EXPECT_EQ(Outcome(), "Чтение прервано: прочитано 0 страниц из 7");
    main->SetStatusText(TFormMain::PanelPort, "/home/operator/sorvel/ports/sorvel-sim");
    EXPECT_GE(main->StatusBar1->PanelRect(TFormMain::PanelOutcome).Width(), ui::TextExtent(Outcome(), main->StatusBar1->Font()).cx)
        << "the word can be read whole beside a port's path";
}

// Every operation ends with a word in the status bar on how it went, and a disconnect keeps it.
TEST_F(FormsControllerTest, OperationsEndWithTheirOutcomeInTheStatusBar)
{
    StartConnected();
    controller->ReadAll();
    EXPECT_EQ(Outcome(), "Прочитано 7 страниц, ошибок нет");
    EXPECT_EQ(controller->CurrentPage, FormHistory) << "the loop ends where it always did";
    scope.Services().AnswerBox(ui::mrYes);
    controller->WriteAll();
    EXPECT_EQ(Outcome(), "Записано 6 страниц, ошибок нет") << "the history page is never written";
    controller->SelectPage(0);
    for (const auto& [button, outcome] : {std::pair{FormCommon->btnOnOuts, "Оба выхода включены"},
                                          {FormCommon->btnOffOuts, "Оба выхода отключены"},
                                          {FormCommon->btnSync, "Время панели синхронизировано"},
                                          {FormCommon->Button1, "Панель перезагружается"}}) {
        user.Click(*button);
        EXPECT_EQ(Outcome(), outcome);
    }
    cable->line.AddFault("+OUTS03", {sim::FaultKind::Nok}, 3);
    user.Click(*FormCommon->btnOnOuts);
    EXPECT_EQ(Outcome(), "Не удалось включить выходы");
    controller->Disconnect();
    EXPECT_EQ(Outcome(), "Не удалось включить выходы");
}

// Writing the reporting ways erases the device's history: the user is asked first, and the history page
// empties itself once the device has erased.
TEST_F(FormsControllerTest, WritingTheWaysAsksFirstAndTheHistoryPageEmptiesOnceErased)
{
    StartConnected();
    const std::string warning = "При записи каналов связи будет очищена история панели.\n\rВы уверены, что хотите "
                                "продолжить?\n\r* при очистке истории прекращается обмен между панелями";
    FormHistory->StringGrid1->SetCell(1, 1, "1301");
    for (const int page : {-1, 4}) {
        if (page >= 0) controller->SelectPage(page);
        scope.Services().AnswerBox(ui::mrNo);
        page < 0 ? controller->WriteAll() : controller->WriteCurrent();
        ASSERT_EQ(Boxes().size(), page < 0 ? 1u : 2u);
        EXPECT_EQ(Boxes().back(), warning);
        EXPECT_TRUE(cable->line.Requests().empty()) << "a No writes nothing";
        EXPECT_EQ(HistoryCell(), "1301");
    }
    std::string cellDuringWrite = "unset";
    main->tvLog->OnAddition = [&](ui::TObject*, ui::TTreeNode*) {
        if (cellDuringWrite == "unset") cellDuringWrite = HistoryCell();
    };
    scope.Services().AnswerBox(ui::mrYes);
    controller->WriteCurrent();
    EXPECT_EQ(cellDuringWrite, "1301") << "a failed erase would leave the page as it was";
    EXPECT_EQ(HistoryCell(), "");
    EXPECT_EQ(cable->device.HistoryPointer(), 0);

    controller->SelectPage(0);
    controller->WriteCurrent();
    EXPECT_EQ(Boxes().size(), 3u) << "only the ways page asks";
}

// ------------------------------------------------------------------ the bracket and one exchange at a time

TEST_F(FormsControllerTest, TheBracketNestsItsOutermostEndRestoresAndADisconnectInsideIsShownAtTheEnd)
{
    StartConnected();
    main->KitProgressBar1->SetPartsComplete(7);
    controller->BeginOperation();
    controller->BeginOperation();
    EXPECT_EQ(EnabledFlags(main->ToolBar1, main->tv1, FormCommon->btnSync) + std::to_string(main->KitProgressBar1->PartsComplete()), "0000");
    controller->EndOperation();
    controller->ReadCurrent();
    EXPECT_EQ(EnabledFlags(main->ToolBar1, main->tv1, main->tbRead), "000") << "the inner end and an operation keep it";
    controller->EndOperation();
    EXPECT_EQ(EnabledFlags(main->ToolBar1, main->tv1, main->tbRead, main->tbConnect, FormCommon->btnSync), "11101");
    controller->EndOperation();
    EXPECT_EQ(controller->OperationDepth(), 0);

    controller->BeginOperation();
    controller->Disconnect();
    controller->EndOperation();
    EXPECT_FALSE(Connected());
    EXPECT_EQ(EnabledFlags(main->tbConnect, main->tbRead, FormCommon->btnOnOuts), "100");
}

// A disconnect from elsewhere waits for the running exchange, which stops at its next step.
TEST_F(FormsControllerTest, SecondExchangesAreRefusedAndADisconnectWaitsForTheRunningOne)
{
    StartConnected();
    bool connectedMeanwhile = false;
    AtLogLine("Читаю \"Время\"", [&] {
        controller->ReadCurrent();
        main->Timer1Timer(nullptr);
        FormCommon->btnSync->Click();
        controller->Disconnect();
        connectedMeanwhile = Connected();
    });
    EXPECT_THROW(controller->GetDeviceController()->ReadForm(*FormCommon), TStopException);
    EXPECT_TRUE(connectedMeanwhile) << "the device controller in use is not freed";
    EXPECT_EQ(cable->line.Requests(), (std::vector<std::string>{"+o", "+AH"}))
        << "no second read, no watchdog poll, no clock; the read stops at its next step";
    user.Pump();
    EXPECT_FALSE(Connected());
}

TEST_F(FormsControllerTest, ThePagesDeviceButtonsReachTheDeviceAndALostPortDisconnectsAndSaysSo)
{
    StartConnected();
    user.Click(*FormCommon->btnOnOuts);
    EXPECT_TRUE(cable->device.OutputsOn());
    EXPECT_TRUE(main->tbRead->Enabled()) << "the bracket is closed again";
    user.Click(*FormCommon->btnOffOuts);
    EXPECT_FALSE(cable->device.OutputsOn());
    user.Click(*FormCommon->btnSync);
    EXPECT_NE(FormCommon->etTime->Text(), "");
    FormCommon->ImeiLabel->SetCaption("356938035643809");
    FormCommon->ImeiLabel->Click();
    EXPECT_TRUE(Logged("IMEI скопирован в буфер обмена."));

    // A port that vanishes during a read (a lost line during an action is the modem test's).
    cable->line.AddFault("+U", {sim::FaultKind::Vanish, 3});
    CatchErrorWindow();
    controller->ReadCurrent();
    EXPECT_FALSE(Connected());
    EXPECT_EQ(errorLines, std::vector<std::string>{"Связь с устройством потеряна. Не прочитана страница: \"Общие настройки\""});
    EXPECT_TRUE(Logged("Связь с устройством потеряна: ")) << "the log says why";
    EXPECT_EQ(Outcome(), "Связь с устройством потеряна: страница \"Общие настройки\" не прочитана");
    EXPECT_EQ(FormProgress, nullptr);
    EXPECT_EQ(EnabledFlags(main->tbConnect, main->tbRead, main->tv1), "101");
    for (const int panel : {TFormMain::PanelVersion, TFormMain::PanelType, TFormMain::PanelFlash, TFormMain::PanelImei})
        EXPECT_EQ(main->StatusText(panel), "") << panel;
}

}  // namespace
