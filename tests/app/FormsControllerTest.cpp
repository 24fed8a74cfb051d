#include "app/FormsController.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/FormAppMainController.h"
#include "app/fCommon.h"
#include "app/fErrors.h"
#include "app/fHistory.h"
#include "app/fIn.h"
#include "app/fMain.h"
#include "app/fProgress.h"
#include "platform/ProgramFolder.h"
#include "tests/support/InfoHookLog.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/SimDevice.h"
#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/Grids.h"

namespace {

using testsupport::Profile;
using testsupport::SimDevice;
using Journal = std::vector<std::string>;

// A page that is not built yet: it records what the controller does to it.
class StandInPage : public TformIncl {
public:
    StandInPage(ui::TComponent* owner, Journal* journal) : TformIncl(owner), journal_(journal) {}
    void Clear() override { Note("clear"); }
    void ResetMarks() override { Note("marks"); }
    void LoadDefaults() override { Note("defaults"); }

private:
    void Note(const char* what) { journal_->push_back(std::string(what) + " " + Name()); }
    Journal* journal_;
};

// The device model's part, as the tests need it: the stand-in pages after the registered ones, and a
// connection to the simulated device.
class TestController : public TFormAppMainController {
public:
    TestController(TFormMain* main, Journal& journal) : TFormAppMainController(main, main->PagesPane, main->tv1), journal(journal) {}

    void CreatePages() override
    {
        TFormAppMainController::CreatePages();
        const std::pair<const char*, const char*> pages[] = {
            {"formATests", "Системные события"}, {"FormMasks", "Маски Болид"},     {"formGPRS", "GPRS"},
            {"formWays", "Каналы связи"},        {"FormLoops", "Шлейфы"},          {"FormEnNumber", "Номера инженеров"},
            {"FormHistory", "История"},          {"formBolid", "Сообщения Болид"}};
        // A page that is built already keeps its place in the page order.
        for (const auto& [name, caption] : pages) {
            if (ui::TComponent* built = PagesContainer->FindComponent(name)) {
                PagesContainer->InsertComponent(PagesContainer->RemoveComponent(built));
                continue;
            }
            auto* page = ui::Create<StandInPage>(PagesContainer, name, PagesContainer, &journal);
            page->SetCaption(caption);
        }
        FormHistory->StringGrid1->SetCell(1, 1, "1301");
    }
    std::unique_ptr<TLogWriter> CreateLog() override { return std::make_unique<testsupport::InfoHookLog>(); }
    bool DoConnect() override
    {
        if (sim == nullptr) return false;
        auto controller = std::make_unique<TDeviceController>(sim->worker, Log.get());
        controller->Device().SetTimeoutFloor(SimDevice::kTimeoutMs);
        if (!controller->ReadVersion()) return false;
        SetDeviceController(std::move(controller));
        MainForm->Timer1->SetEnabled(true);
        return true;
    }
    void ReadPage() override
    {
        Note("read");
        if (throwInRead) throw std::runtime_error("boom");
        TFormAppMainController::ReadPage();
    }
    void WritePage() override
    {
        Note("write");
        if (onWrite) onWrite();
        TFormAppMainController::WritePage();
    }
    testsupport::InfoHookLog& Hooks() { return static_cast<testsupport::InfoHookLog&>(*Log); }

    Journal& journal;
    SimDevice* sim = nullptr;
    bool throwInRead = false;
    std::function<void()> onWrite;

private:
    void Note(const char* what)
    {
        ui::TTreeNode* node = MainForm->tv1->Selected();
        journal.push_back(std::string(what) + " " + CurrentPage->Name() + " " + std::to_string(node ? node->Index() : -1));
    }
};

class FormsControllerTest : public ::testing::Test {
protected:
    // Only the stand-ins note their page operations.
    Journal StandInsOnly(Journal expected) const
    {
        std::erase_if(expected, [this](const std::string& entry) {
            const auto blank = entry.find(' ');
            const std::string what = entry.substr(0, blank);
            if (what != "clear" && what != "marks" && what != "defaults") return false;
            return !ui::Is<StandInPage>(main->PagesPane->FindComponent(entry.substr(blank + 1)));
        });
        return expected;
    }
    FormsControllerTest()
    {
        folder = std::filesystem::temp_directory_path() /
                 ("forms-controller-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        ::setenv(platform::kProgramFolderVariable, folder.c_str(), 1);
        main->Show();
    }
    ~FormsControllerTest() override
    {
        controller.reset();
        sim.reset();
        ::unsetenv(platform::kProgramFolderVariable);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void Start()
    {
        controller = MakeFormsController<TestController>(main, journal);
        main->FormsController = controller.get();
    }
    void ConnectTo(int build, sim::PanelKind panel = sim::PanelKind::Altonika)
    {
        sim = std::make_unique<SimDevice>(Profile(build, panel), scope.Clock());
        controller->sim = sim.get();
        ASSERT_TRUE(controller->Connect());
        journal.clear();
    }
    void StartConnected(sim::PanelKind panel = sim::PanelKind::Altonika)
    {
        Start();
        ConnectTo(120, panel);
    }
    void WriteFile(const std::string& name, const std::string& text) { std::ofstream(folder / name) << text; }
    std::string ReadFile(const std::string& name)
    {
        std::ifstream in(folder / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The error window's lines, read while it is shown; empty when none was shown.
    std::vector<std::string>* CatchErrorWindow()
    {
        scope.Services().AnswerModal([this](ui::TForm& form) {
            auto& window = static_cast<TFormErrors&>(form);
            errorCount = window.pErrCount->Caption();
            for (int i = 0; i < window.lErrors->ItemCount(); ++i) errorLines.push_back(window.lErrors->Item(i)->Caption);
            form.SetModalResult(ui::mrOk);
        });
        return &errorLines;
    }
    ui::TStringGrid& HistoryGrid()
    {
        return *ui::As<ui::TStringGrid>(main->PagesPane->FindComponent("FormHistory")->FindComponent("StringGrid1"));
    }
    bool Connected() const { return controller->GetDeviceController() != nullptr; }
    std::vector<std::string> Requests() const { return sim->line.Requests(); }

    ui::ApplicationScope scope;
    ui::Driver user{scope.App()};
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    std::filesystem::path folder;
    Journal journal;
    std::string errorCount;
    std::vector<std::string> errorLines;
    std::unique_ptr<SimDevice> sim;
    std::unique_ptr<TestController> controller;
};

// ------------------------------------------------------------------ pages, tree, ini

TEST_F(FormsControllerTest, StartPlacesThePagesBuildsTheTreeAndLoadsCurrentIni)
{
    WriteFile("current.ini", "[FormCommon]\r\netO=1234\r\n[Connect]\r\nPort=/dev/ttyUSB0\r\n");
    Start();
    ASSERT_EQ(controller->Pages().size(), 9u);
    EXPECT_EQ(controller->CurrentPage, FormCommon);
    EXPECT_FALSE(controller->PageAt(1)->Visible());
    ASSERT_EQ(main->tv1->Items().RootCount(), 9);
    EXPECT_EQ(main->tv1->Items().Root(0)->Text(), "Общие настройки");
    EXPECT_EQ(main->tv1->Selected(), main->tv1->Items().Root(0)) << "the page shown is the one marked";
    EXPECT_EQ(FormCommon->etO->Text(), "1234");

    FormCommon->etO->SetText("4321");
    controller.reset();
    main->FormsController = nullptr;
    EXPECT_EQ(FormCommon, nullptr) << "the page is freed and forgets its global";
    const std::string saved = ReadFile("current.ini");
    EXPECT_NE(saved.find("etO=4321"), std::string::npos);
    EXPECT_NE(saved.find("Port=/dev/ttyUSB0"), std::string::npos) << "the other sections stay";
}

TEST_F(FormsControllerTest, MissingMessageTableIsLoggedAndTheProgramGoesOn)
{
    Start();
    ASSERT_NE(MsgFile, nullptr);
    const auto errors = controller->Hooks().Texts(testsupport::RecordingLog::Kind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Таблица сообщений не загружена.", 0), 0u) << errors[0];
    EXPECT_TRUE(errors[0].ends_with("\": нет такого файла или устройства")) << "the reason in Russian too";
}

TEST_F(FormsControllerTest, MessageTableIsLoadedFromTheProgramFolder)
{
    WriteFile("Messages.txt", "1301|Пожар|255|0\r\n");
    Start();
    EXPECT_EQ(MsgFile->TextOf("1301"), "Пожар");
}

TEST_F(FormsControllerTest, TreeVariantsAndPageSelection)
{
    Start();
    controller->BuildTreeNoBolid(*main->tv1);
    EXPECT_EQ(main->tv1->Items().RootCount(), 8);
    controller->BuildTreeBasic(*main->tv1);
    std::vector<int> indexes;
    for (int i = 0; i < main->tv1->Items().RootCount(); ++i) indexes.push_back(main->tv1->Items().Root(i)->StateIndex());
    EXPECT_EQ(indexes, (std::vector<int>{0, 1, 3, 4, 5, 6, 7}));

    controller->SelectPage(-1);
    controller->SelectPage(99);
    EXPECT_EQ(controller->CurrentPage, FormCommon);
    user.SelectNode(*main->tv1, main->tv1->Items().Root(2));
    EXPECT_EQ(controller->CurrentPage->Name(), "formGPRS");
    EXPECT_FALSE(FormCommon->Visible());
}

TEST_F(FormsControllerTest, DefaultsForOnePageOrAll)
{
    Start();
    FormCommon->etO->SetText("1234");
    FormCommon->PSignal->SetPartsComplete(20);
    controller->SetDefaultsAll();
    EXPECT_EQ(FormCommon->etO->Text(), "0050");
    EXPECT_EQ(FormCommon->PSignal->PartsComplete(), 0u) << "the kit's bar takes its hint too";
    EXPECT_EQ(journal, StandInsOnly({"defaults formATests", "defaults FormMasks", "defaults formGPRS", "defaults formWays",
                                     "defaults FormLoops", "defaults FormEnNumber", "defaults FormHistory",
                                     "defaults formBolid"}));
    journal.clear();
    controller->SelectPage(5);
    controller->SetDefaultsCurrent();
    EXPECT_EQ(journal, StandInsOnly({"defaults FormLoops"}));
}

TEST_F(FormsControllerTest, SavedConfigurationLoadsBack)
{
    Start();
    FormCommon->etO->SetText("00AB");
    FormCommon->cbIARazd->SetChecked(true);
    const std::string file = (folder / "saved.ini").string();
    controller->SavePagesToIni(file);
    FormCommon->etO->SetText("0050");
    FormCommon->cbIARazd->SetChecked(false);
    controller->LoadPagesFromIni(file);
    EXPECT_EQ(FormCommon->etO->Text(), "00AB");
    EXPECT_FALSE(FormCommon->cbARazd->Enabled()) << "the loaded box's click handler ran";
}

// ------------------------------------------------------------------ reading and writing

TEST_F(FormsControllerTest, ReadCurrentShowsTheErrorWindowOnlyForFailures)
{
    StartConnected();
    controller->ReadCurrent();
    EXPECT_TRUE(scope.Services().ModalForms().empty());

    CatchErrorWindow();
    sim->line.AddFault("+o", {sim::FaultKind::Nok}, 3);
    controller->ReadCurrent();
    EXPECT_EQ(errorCount, "1");
    EXPECT_EQ(errorLines, std::vector<std::string>{"Ошибка при чтении параметра \"№ объекта\""});
    EXPECT_EQ(FormCommon->etO->Text(), "") << "the page was cleared before the read";
    EXPECT_TRUE(main->tv1->Enabled());
}

TEST_F(FormsControllerTest, AnUnexpectedFailureIsListedInTheErrorWindow)
{
    StartConnected();
    CatchErrorWindow();
    controller->throwInRead = true;
    controller->ReadCurrent();
    EXPECT_EQ(errorLines, std::vector<std::string>{"Возникла непредвиденная ошибка: \"boom\""});
    EXPECT_TRUE(Connected());
}

TEST_F(FormsControllerTest, VanishedPortDisconnectsWithoutTheErrorWindow)
{
    StartConnected();
    sim->line.AddFault("+U", {sim::FaultKind::Vanish, 3});
    controller->ReadCurrent();
    EXPECT_FALSE(Connected());
    EXPECT_TRUE(scope.Services().ModalForms().empty());
    EXPECT_TRUE(main->tbConnect->Enabled());
    EXPECT_FALSE(main->tbRead->Enabled());
    EXPECT_TRUE(main->tv1->Enabled());
    for (const int panel : {TFormMain::PanelVersion, TFormMain::PanelType, TFormMain::PanelFlash, TFormMain::PanelImei})
        EXPECT_EQ(main->StatusText(panel), "") << panel;
}

TEST_F(FormsControllerTest, ReadAllOrderAndTreeNodesForAnAltonikaPanel)
{
    StartConnected();
    controller->BuildTreeBasic(*main->tv1);
    controller->ReadAll();
    EXPECT_EQ(journal, StandInsOnly({"read FormCommon 0", "clear formATests", "read formATests 1", "clear formGPRS",
                                     "read formGPRS 2", "clear formWays", "read formWays 3", "clear FormLoops",
                                     "read FormLoops 4", "clear FormEnNumber", "read FormEnNumber 5", "clear FormHistory",
                                     "read FormHistory 6"}));
}

TEST_F(FormsControllerTest, ReadAllForABolidPanelIncludesTheMasks)
{
    StartConnected(sim::PanelKind::Bolid);
    controller->ReadAll();
    Journal reads;
    for (const std::string& line : journal)
        if (line.rfind("read", 0) == 0) reads.push_back(line);
    EXPECT_EQ(reads, (Journal{"read FormCommon 0", "read formATests 1", "read FormMasks 2", "read formGPRS 3",
                              "read formWays 4", "read FormLoops 5", "read FormEnNumber 6", "read FormHistory 7"}));
}

TEST_F(FormsControllerTest, CancelDuringReadAllStopsThereAndShowsEarlierFailures)
{
    StartConnected();
    CatchErrorWindow();
    sim->line.AddFault("+o", {sim::FaultKind::Nok}, 3);
    controller->Hooks().onInfo = [](const std::string& text) {
        if (text == "Читаю \"Время\"") FormProgress->Button1->Click();
    };
    controller->ReadAll();
    EXPECT_EQ(journal, Journal{"read FormCommon 0"});
    EXPECT_EQ(errorLines, std::vector<std::string>{"Ошибка при чтении параметра \"№ объекта\""});
    EXPECT_TRUE(main->Timer1->Enabled());
}

TEST_F(FormsControllerTest, WriteAllAnsweredNoDoesNothing)
{
    StartConnected();
    sim->line.ClearReceived();
    scope.Services().AnswerBox(ui::mrNo);
    controller->WriteAll();
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].text,
              "При записи каналов связи будет очищена история панели.\n\rВы уверены, что хотите продолжить?\n\r"
              "* при очистке истории прекращается обмен между панелями");
    EXPECT_TRUE(journal.empty());
    EXPECT_TRUE(Requests().empty());
}

TEST_F(FormsControllerTest, WriteAllAnsweredYesWritesThePagesAndEmptiesTheHistoryGrid)
{
    StartConnected();
    scope.Services().AnswerBox(ui::mrYes);
    controller->WriteAll();
    EXPECT_EQ(HistoryGrid().Cells(1, 1), "") << "the device erased its history";
    Journal writes;
    for (const std::string& line : journal)
        if (line.rfind("write", 0) == 0) writes.push_back(line.substr(0, line.rfind(' ')));
    EXPECT_EQ(writes, (Journal{"write FormCommon", "write formATests", "write formGPRS", "write formWays", "write FormLoops",
                               "write FormEnNumber", "write FormHistory"}));
}

TEST_F(FormsControllerTest, WritingTheWaysPageAsksFirstAndEmptiesTheGridOnceTheHistoryIsErased)
{
    StartConnected();
    controller->SelectPage(4);
    sim->line.ClearReceived();
    scope.Services().AnswerBox(ui::mrNo);
    controller->WriteCurrent();
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(HistoryGrid().Cells(1, 1), "1301");

    std::string gridDuringWrite = "unset";
    controller->onWrite = [&] { gridDuringWrite = HistoryGrid().Cells(1, 1); };
    scope.Services().AnswerBox(ui::mrYes);
    journal.clear();
    controller->WriteCurrent();
    EXPECT_EQ(gridDuringWrite, "1301") << "a failed erase would leave the grid as it was";
    EXPECT_EQ(HistoryGrid().Cells(1, 1), "");
    EXPECT_EQ(sim->device.HistoryPointer(), 0);

    controller->SelectPage(0);
    controller->WriteCurrent();
    EXPECT_EQ(scope.Services().Boxes().size(), 2u) << "only the ways page asks";
}

// ------------------------------------------------------------------ the bracket and the connection

TEST_F(FormsControllerTest, BracketNestsAndItsOutermostEndRestores)
{
    StartConnected();
    controller->BeginOperation();
    controller->BeginOperation();
    EXPECT_FALSE(main->ToolBar1->Enabled());
    EXPECT_FALSE(FormCommon->btnSync->Enabled());
    controller->EndOperation();
    EXPECT_FALSE(main->tv1->Enabled()) << "the inner end leaves the bracket closed";
    controller->ReadCurrent();
    EXPECT_FALSE(main->tbRead->Enabled()) << "an operation inside the bracket leaves it closed too";
    controller->EndOperation();
    EXPECT_TRUE(main->tbRead->Enabled());
    EXPECT_FALSE(main->tbConnect->Enabled());
    EXPECT_TRUE(FormCommon->btnSync->Enabled());
    controller->EndOperation();
    EXPECT_EQ(controller->OperationDepth(), 0);
    EXPECT_TRUE(main->tbRead->Enabled());
}

TEST_F(FormsControllerTest, DisconnectInsideTheBracketLeavesTheDisconnectedState)
{
    StartConnected();
    controller->BeginOperation();
    controller->Disconnect();
    controller->EndOperation();
    EXPECT_FALSE(Connected());
    EXPECT_TRUE(main->tbConnect->Enabled());
    EXPECT_FALSE(main->tbRead->Enabled());
    EXPECT_FALSE(FormCommon->btnOnOuts->Enabled());
}

TEST_F(FormsControllerTest, DeviceActionsWithoutAConnectionDoNothing)
{
    Start();
    controller->ReadCurrent();
    controller->WriteCurrent();
    controller->ReadAll();
    controller->WriteAll();
    controller->OutputsOn();
    controller->OutputsOff();
    controller->SyncDeviceTime();
    controller->ResetDevice();
    EXPECT_TRUE(scope.Services().Boxes().empty());
    EXPECT_TRUE(journal.empty());
}

TEST_F(FormsControllerTest, SecondExchangesAreRefusedAndADisconnectWaitsForTheRunningOne)
{
    StartConnected();
    bool connectedMeanwhile = false;
    controller->Hooks().onInfo = [&](const std::string& text) {
        if (text != "Читаю \"Время\"") return;
        controller->ReadCurrent();
        main->Timer1Timer(nullptr);
        FormCommon->btnSync->Click();
        controller->Disconnect();
        connectedMeanwhile = Connected();
    };
    controller->ReadCurrent();
    EXPECT_TRUE(connectedMeanwhile) << "the device controller in use is not freed";
    EXPECT_EQ(Requests(), (std::vector<std::string>{"+v", "+typepan", "+typepan1", "+IMEI", "+o", "+AH"}))
        << "no second read, no watchdog poll, no clock; the read stops at its next step";
    EXPECT_FALSE(Connected());
}

TEST_F(FormsControllerTest, DisconnectDuringAnExchangeFromElsewhereIsCarriedOutAfterIt)
{
    StartConnected();
    TDeviceController* device = controller->GetDeviceController();
    controller->Hooks().onInfo = [&](const std::string& text) {
        if (text == "Читаю \"Время\"") controller->Disconnect();
    };
    EXPECT_THROW(device->ReadForm(*FormCommon), TStopException);
    EXPECT_TRUE(Connected());
    user.Pump();
    EXPECT_FALSE(Connected());
}

TEST_F(FormsControllerTest, OutputsRunInsideTheBracketAndALostLineDisconnects)
{
    StartConnected();
    controller->OutputsOn();
    EXPECT_TRUE(main->tbRead->Enabled());
    user.Click(*FormCommon->btnOffOuts);
    EXPECT_FALSE(sim->device.OutputsOn());

    sim->line.AddFault("+OUTS03", {sim::FaultKind::Vanish, 0});
    controller->OutputsOn();
    EXPECT_FALSE(Connected());
}

TEST_F(FormsControllerTest, ClockSyncAndResetFromThePage)
{
    StartConnected();
    user.Click(*FormCommon->btnSync);
    EXPECT_NE(FormCommon->etTime->Text(), "");
    user.Click(*FormCommon->Button1);
    EXPECT_EQ(sim->device.Resets(), 1);
}

TEST_F(FormsControllerTest, ImeiCopyIsLoggedWhileConnected)
{
    Start();
    FormCommon->ImeiLabel->Click();
    EXPECT_TRUE(controller->Hooks().Texts(testsupport::RecordingLog::Kind::Info).empty());
    ConnectTo(120);
    FormCommon->ImeiLabel->SetCaption("356938035643809");
    FormCommon->ImeiLabel->Click();
    EXPECT_EQ(controller->Hooks().Texts(testsupport::RecordingLog::Kind::Info).back(), "IMEI скопирован в буфер обмена.");
}

TEST_F(FormsControllerTest, WatchdogDisconnectsAVanishedPort)
{
    StartConnected();
    main->Timer1Timer(nullptr);
    EXPECT_TRUE(Connected());
    sim->line.AddFault("+v", {sim::FaultKind::Vanish, 0});
    main->Timer1Timer(nullptr);
    EXPECT_FALSE(Connected());
}

}  // namespace
