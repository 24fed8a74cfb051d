#include "app/fLoops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/DeviceController.h"
#include "app/fProgress.h"
#include "link/ComPortWorker.h"
#include "link/MyExceptions.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/OverridingDevice.h"
#include "tests/support/RecordingLog.h"
#include "ui/Application.h"

namespace {

using namespace ui;

TMsgFile SmallTable()
{
    TMsgFile table;
    table.Rows = {{"1303", "Восстановление после проникновения"}, {"1301", "Проникновение"}, {"1101", "Пожар"}};
    return table;
}

TMsgFile ProgramTable()
{
    TMsgFile table;
    table.LoadFromFile(std::string(SORVEL_SOURCE_DIR) + "/resources/Messages.txt");
    return table;
}

class LoopsPage : public ::testing::Test {
protected:
    TFormLoops& NewPage(const TMsgFile& table) { return *Create<TFormLoops>(&scope.App(), "FormLoops", nullptr, &table); }

    ApplicationScope scope;
};

bool EventEnabled(const TFormLoops& page, int k)
{
    const TLoopEventControls e = page.Event(k);
    return e.Code->Enabled() && e.Partition->Enabled() && e.Loop->Enabled();
}

bool EventDisabled(const TFormLoops& page, int k)
{
    const TLoopEventControls e = page.Event(k);
    return !e.Code->Enabled() && !e.Partition->Enabled() && !e.Loop->Enabled();
}

TEST_F(LoopsPage, EventListsHoldEveryTableRowInFileOrderWithTheFirstSelected)
{
    const TMsgFile table = SmallTable();
    TFormLoops& page = NewPage(table);
    for (int k = 0; k < TFormLoops::EventCount; ++k) {
        const TEventComboBox& list = *page.Event(k).Code;
        ASSERT_EQ(list.Items().Count(), 3);
        EXPECT_EQ(list.Items()[2], "1101: Пожар");
        EXPECT_EQ(list.ItemIndex(), 0);
    }
}

TEST_F(LoopsPage, DefaultsAreRows40And39OfTheProgramTableAndEveryEventOff)
{
    const TMsgFile table = ProgramTable();
    TFormLoops& page = NewPage(table);
    page.cbResponce2->SetChecked(true);
    page.etLoopRes2->SetText("12");
    page.LoadDefaults();
    for (int k = 0; k < TFormLoops::EventCount; ++k) {
        const TLoopEventControls e = page.Event(k);
        EXPECT_TRUE(EventDisabled(page, k));
        EXPECT_EQ(e.Loop->Text(), "0");
        EXPECT_EQ(e.Code->Text(), k % 2 == 0 ? "1301: Проникновение" : "1303: Восстановление после проникновения");
    }
    EXPECT_FALSE(page.cbTamper->Checked());
}

TEST_F(LoopsPage, ATableOfFewerThan40RowsLeavesTheOpenEventListsWithoutAFactorySelection)
{
    const TMsgFile table = SmallTable();
    TFormLoops& page = NewPage(table);
    page.LoadDefaults();
    EXPECT_EQ(page.cbRes1->ItemIndex(), -1);
    EXPECT_EQ(page.cbRec3->ItemIndex(), -1);
}

TEST_F(LoopsPage, EachBoxEnablesAndDisablesOnlyItsOwnEventControls)
{
    const TMsgFile table = SmallTable();
    TFormLoops& page = NewPage(table);
    for (int k = 0; k < TFormLoops::EventCount; ++k) ASSERT_TRUE(EventDisabled(page, k));
    for (int k = 0; k < TFormLoops::EventCount; ++k) {
        page.Event(k).Box->SetChecked(true);
        for (int j = 0; j < TFormLoops::EventCount; ++j)
            EXPECT_EQ(EventEnabled(page, j), j <= k) << "box " << k << ", event " << j;
    }
    page.cbRecovery2->SetChecked(false);
    EXPECT_TRUE(EventDisabled(page, 3));
    EXPECT_TRUE(EventEnabled(page, 2));
}

TEST(LoopsValues, InputFlagsDecodeBitsZeroToFiveAndIgnoreTheTopTwo)
{
    EXPECT_EQ(DecodeInputFlags("C0"), (TInputFlags{}));
    EXPECT_EQ(DecodeInputFlags(" a5 "), (TInputFlags{true, false, true, false, false, true}));
    for (const char* bad : {"g1", "3", ""}) EXPECT_FALSE(DecodeInputFlags(bad)) << bad;
}

TEST(LoopsValues, EventValueSplitsIntoCodePartitionAndLoopWithoutLeadingZerosOrIsRefused)
{
    struct Case { const char* value; const char* code; const char* partition; const char* loop; };
    for (const Case& c : {Case{"113001005", "1130", "1", "5"}, Case{"313000000", "3130", "0", "0"},
                          Case{"313010999", "3130", "10", "999"}, Case{"1130", "1130", "", ""},
                          Case{"11300X005", "1130", "X", "5"}}) {
        const auto v = DecodeEventValue(c.value);
        ASSERT_TRUE(v) << c.value;
        EXPECT_EQ(std::tie(v->Code, v->Partition, v->Loop), std::tie(c.code, c.partition, c.loop)) << c.value;
    }
    for (const char* bad : {"", "113", "1A3001005", " 13001005"}) EXPECT_FALSE(DecodeEventValue(bad)) << bad;
}

TEST_F(LoopsPage, AnItemWiderThanTheDroppedListShowsItsHintOnlyWhileDroppedDown)
{
    TMsgFile table;
    table.Rows = {{"1301", "Проникновение"},
                  {"1303", "Восстановление после проникновения через охраняемый периметр объекта"}};
    TFormLoops& page = NewPage(table);
    TEventComboBox& list = *page.cbRes1;
    // Out of the loop box, whose columns make it as wide as its longest item.
    list.SetParent(&page);
    list.SetWidth(160);
    list.ListMouseMove(5, TEventComboBox::ItemHeight + 2);
    EXPECT_FALSE(list.HintWindow());

    list.SetDroppedDown(true);
    list.ListMouseMove(5, 2);
    EXPECT_FALSE(list.HintWindow()) << "a narrow item needs no hint";
    list.ListMouseMove(5, TEventComboBox::ItemHeight + 2);
    ASSERT_TRUE(list.HintWindow());
    EXPECT_EQ(list.HintWindow()->Text, table.Rows[1][0] + ": " + table.Rows[1][1]);
    EXPECT_EQ(list.HintWindow()->Bounds.Top, TEventComboBox::ItemHeight);
    list.ListMouseMove(5, 10 * TEventComboBox::ItemHeight);
    EXPECT_FALSE(list.HintWindow());
    list.ListMouseMove(5, TEventComboBox::ItemHeight + 2);
    list.SetDroppedDown(false);
    EXPECT_FALSE(list.HintWindow());
}

sim::DeviceProfile Profile(sim::PanelKind panel, const std::string& version)
{
    sim::DeviceProfile profile;
    profile.panel = panel;
    profile.version = version;
    return profile;
}

class LoopsDevice : public ::testing::Test {
protected:
    explicit LoopsDevice(sim::DeviceProfile profile = Profile(sim::PanelKind::Altonika, "REV 11.005.120"))
        : device(profile, scope.Clock()), table(ProgramTable())
    {
        page = Create<TFormLoops>(&scope.App(), "FormLoops", nullptr, &table);
        controller.Major = 5;
        controller.Build = std::stoi(profile.version.substr(11));
    }

    std::vector<std::string> Errors() const { return controller.Errors.Lines(); }
    bool Sent(const std::string& request) const
    {
        return std::find(line.requests.begin(), line.requests.end(), request) != line.requests.end();
    }

    ApplicationScope scope;
    sim::Communicator device;
    testsupport::OverridingDevice line{device};
    testsupport::LoopbackComm comm{line, scope.Clock()};
    testsupport::RecordingLog log;
    TDeviceController controller{comm, &log};
    TMsgFile table;
    TFormLoops* page = nullptr;
};

TEST_F(LoopsDevice, ReadShowsTheDevicesFlagsEventsAndTamper)
{
    device.SetValue("X", "C5");
    device.SetValue("n04", "313012345");
    device.SetValue("tamper", "00");
    controller.ReadForm(*page);
    EXPECT_TRUE(Errors().empty());
    for (int k = 0; k < TFormLoops::EventCount; ++k) EXPECT_EQ(EventEnabled(page[0], k), k == 0 || k == 2) << k;
    EXPECT_EQ(page->cbRec1->Text(), "1303: Восстановление после проникновения");
    EXPECT_EQ(page->cbRes3->Text(), "1303: Восстановление после проникновения");
    EXPECT_EQ(page->etPartRes3->Text(), "12");
    EXPECT_EQ(page->etLoopRes3->Text(), "345");
    EXPECT_TRUE(page->cbTamper->Checked());
}

TEST_F(LoopsDevice, GroupsAreLoggedWithTheirTitlesReadMisspeltWrittenRight)
{
    controller.ReadForm(*page);
    controller.WriteForm(*page);
    const auto info = log.Texts(testsupport::RecordingLog::Kind::Info);
    for (const char* line : {"Читаю \"Параметры реакции на дискретные входы\"",
                             "Читаю \"Параметры при срабытывании входа 1\"",
                             "Читаю \"Параметры при восстановлении входа 3\"",
                             "Читаю \"Флаг включения события тампера\"",
                             "Пишу \"Параметры при срабатывании входа 2\"", "Пишу \"Флаг включения события тампера\""})
        EXPECT_NE(std::find(info.begin(), info.end(), line), info.end()) << line;
}

TEST_F(LoopsDevice, WrittenValuesReachTheDeviceAndReadBackTheSame)
{
    controller.ReadForm(*page);
    for (int k = 0; k < TFormLoops::EventCount; ++k) page->Event(k).Box->SetChecked(true);
    page->cbRes1->SetText("1101: Пожар");
    page->etPartRes1->SetText("7");
    page->etLoopRes1->SetText("12");
    page->etPartRec3->SetText("99");
    page->etLoopRec3->SetText("999");
    page->cbTamper->SetChecked(true);
    controller.WriteForm(*page);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(device.Value("X"), "BF");
    EXPECT_EQ(device.Value("n00"), "111007012");
    EXPECT_EQ(device.Value("n05"), "313099999");

    page->Clear();
    page->LoadDefaults();
    controller.ReadForm(*page);
    EXPECT_EQ(page->cbRes1->Text(), "1101: Пожар");
    EXPECT_EQ(page->etPartRes1->Text(), "7");
    EXPECT_EQ(page->etLoopRec3->Text(), "999");
    EXPECT_TRUE(page->cbTamper->Checked());
}

TEST_F(LoopsDevice, EmptyNumberFieldsAreWrittenAtTheirFullWidths)
{
    controller.ReadForm(*page);
    page->etPartRes2->SetText("");
    page->etLoopRes2->SetText("");
    controller.WriteForm(*page);
    EXPECT_EQ(device.Value("n02"), "113000000");
}

TEST_F(LoopsDevice, AnEventWithoutACodeIsAnErrorAndNothingIsSentForIt)
{
    controller.ReadForm(*page);
    page->cbRec2->SetItemIndex(-1);
    line.requests.clear();
    controller.WriteForm(*page);
    EXPECT_EQ(Errors(), (std::vector<std::string>{
                            "Ошибка при записи параметра \"Параметры при восстановлении входа 2\": не выбран код события"}));
    EXPECT_FALSE(std::any_of(line.requests.begin(), line.requests.end(),
                             [](const std::string& r) { return r.rfind("+n03", 0) == 0; }));
    EXPECT_TRUE(Sent("+n04113001003" "0"));
}

TEST_F(LoopsDevice, ACodeMissingFromTheTableIsKeptForTheNextWrite)
{
    device.SetValue("n03", "199903004");
    controller.ReadForm(*page);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(page->cbRec2->Text(), "9991:  ");
    device.SetValue("n03", "113001001");
    controller.WriteForm(*page);
    EXPECT_EQ(device.Value("n03"), "199903004");
}

TEST_F(LoopsDevice, UnusableValuesAreReadErrorsAndLeaveTheControlsAsTheyWere)
{
    page->cbResponce2->SetChecked(true);
    page->cbTamper->SetChecked(true);
    page->etLoopRec1->SetText("77");
    line.overrides = {{"+X", ">ZZ\r\nOK\r\n"}, {"+n01", ">3X3001005\r\nOK\r\n"}, {"+tamper", "NOK\r\n"}};
    controller.ReadForm(*page);
    EXPECT_EQ(Errors(), (std::vector<std::string>{
                            "Ошибка при чтении параметра \"Параметры при восстановлении входа 1\"",
                            "Ошибка при чтении параметра \"Флаг включения события тампера\""}))
        << "a flag byte that is not hexadecimal is no error";
    EXPECT_TRUE(page->cbResponce2->Checked()) << "and changes nothing";
    EXPECT_TRUE(page->cbRes2->Enabled());
    EXPECT_TRUE(page->cbTamper->Checked());
    EXPECT_EQ(page->etLoopRec1->Text(), "77");
}

TEST_F(LoopsDevice, FailedWritesAreFiledAndTheOtherGroupsStillGoOut)
{
    controller.ReadForm(*page);
    line.overrides = {{"+X83", "NOK\r\n"}};
    controller.WriteForm(*page);
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Ошибка при записи параметра \"Параметры реакции на дискретные входы\""}));
    EXPECT_TRUE(Sent("+tamperFF"));
}

TEST_F(LoopsDevice, ProgressCountsSevenGroupsForAReadAndSixForAWriteAndACancelStopsAtTheFirstStep)
{
    TFormProgress* progress = Create<TFormProgress>(&scope.App(), "");
    FormProgress = progress;
    controller.ReadLoops();
    EXPECT_EQ(progress->pb->Max(), 7);
    controller.WriteLoops();
    EXPECT_EQ(progress->pb->Max(), 6);
    progress->Button1Click(nullptr);
    line.requests.clear();
    EXPECT_THROW(controller.ReadLoops(), TStopException);
    EXPECT_EQ(line.requests, (std::vector<std::string>{"+X"}));
    FormProgress = nullptr;
    Free(progress);
}

class LoopsOnEveryPanel : public LoopsDevice, public ::testing::WithParamInterface<sim::PanelKind> {
protected:
    LoopsOnEveryPanel() : LoopsDevice(Profile(GetParam(), "REV 11.005.049")) {}
};

TEST_P(LoopsOnEveryPanel, ThePageRoundTripsWhateverThePanel)
{
    page->cbRecovery2->SetChecked(true);
    page->cbRec2->SetText("1101: Пожар");
    page->etPartRec2->SetText("5");
    controller.WriteForm(*page);
    page->Clear();
    controller.ReadForm(*page);
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(page->cbRecovery2->Checked());
    EXPECT_EQ(page->cbRec2->Text(), "1101: Пожар");
    EXPECT_EQ(page->etPartRec2->Text(), "5");
}

INSTANTIATE_TEST_SUITE_P(Panels, LoopsOnEveryPanel,
                         ::testing::Values(sim::PanelKind::Altonika, sim::PanelKind::Bolid, sim::PanelKind::Paradox));

TEST(LoopsOverASerialLine, ReadAndWriteThroughTheCableWorker)
{
    ApplicationScope scope;
    const TMsgFile table = ProgramTable();
    sim::Communicator device(Profile(sim::PanelKind::Bolid, "REV 11.005.120"), scope.Clock());
    sim::Pty pty;
    sim::Line simLine(pty, device);
    TComPortWorker worker(true, true, scope.Clock());
    worker.Open(pty.SlavePath(), br19200);
    TDeviceController controller(worker, nullptr);
    controller.Major = 5;
    controller.Build = 120;
    TFormLoops& page = *Create<TFormLoops>(&scope.App(), "FormLoops", nullptr, &table);

    controller.ReadForm(page);
    EXPECT_TRUE(controller.Errors.Empty());
    EXPECT_EQ(page.etLoopRec3->Text(), "3");

    page.cbResponce3->SetChecked(true);
    page.cbRes3->SetText("1101: Пожар");
    page.etPartRes3->SetText("42");
    controller.WriteForm(page);
    EXPECT_TRUE(controller.Errors.Empty());
    EXPECT_EQ(device.Value("X"), "93");
    EXPECT_EQ(device.Value("n04"), "111042003");
    worker.Close();
}

}  // namespace
