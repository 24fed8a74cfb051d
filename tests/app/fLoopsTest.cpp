#include "app/fLoops.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

// ------------------------------------------------------------------ event lists and defaults

TEST_F(LoopsPage, EventListsHoldEveryTableRowInFileOrderWithTheFirstSelected)
{
    const TMsgFile table = SmallTable();
    TFormLoops& page = NewPage(table);
    for (int k = 0; k < TFormLoops::EventCount; ++k) {
        const TEventComboBox& list = *page.Event(k).Code;
        ASSERT_EQ(list.Items().Count(), 3);
        EXPECT_EQ(list.Items()[0], "1303: Восстановление после проникновения");
        EXPECT_EQ(list.Items()[2], "1101: Пожар");
        EXPECT_EQ(list.ItemIndex(), 0);
    }
    EXPECT_EQ(FormLoops, &page);
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
        EXPECT_FALSE(e.Box->Checked());
        EXPECT_TRUE(EventDisabled(page, k));
        EXPECT_EQ(e.Partition->Text(), "0");
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

// ------------------------------------------------------------------ click cascades and ini

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

TEST_F(LoopsPage, IniRoundTripRestoresValuesAndTheEnableStateOfEveryEvent)
{
    const TMsgFile table = SmallTable();
    const auto path = std::filesystem::temp_directory_path() /
                      ("sorvel-loops-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".ini");
    {
        TFormLoops& page = NewPage(table);
        page.cbResponce1->SetChecked(true);
        page.cbRes1->SetItemIndex(2);
        page.etPartRes1->SetText("7");
        page.etLoopRes1->SetText("123");
        page.cbRecovery3->SetChecked(true);
        page.cbTamper->SetChecked(true);
        TMemIniFile ini(path);
        page.SaveToIni(ini);
        ini.UpdateFile();
        Free(&page);
    }
    TFormLoops& page = NewPage(table);
    page.LoadFromIni(TMemIniFile(path));
    std::filesystem::remove(path);
    EXPECT_TRUE(page.cbResponce1->Checked());
    EXPECT_EQ(page.cbRes1->ItemIndex(), 2);
    EXPECT_EQ(page.etPartRes1->Text(), "7");
    EXPECT_EQ(page.etLoopRes1->Text(), "123");
    EXPECT_TRUE(page.cbTamper->Checked());
    for (int k = 0; k < TFormLoops::EventCount; ++k) EXPECT_EQ(EventEnabled(page, k), k == 0 || k == 5) << k;
}

// ------------------------------------------------------------------ device values

TEST(LoopsValues, InputFlagsDecodeBitsZeroToFiveAndIgnoreTheTopTwo)
{
    EXPECT_EQ(DecodeInputFlags("3F"), (TInputFlags{true, true, true, true, true, true}));
    EXPECT_EQ(DecodeInputFlags("C0"), (TInputFlags{}));
    EXPECT_EQ(DecodeInputFlags(" 21 "), (TInputFlags{true, false, false, false, false, true}));
    EXPECT_EQ(DecodeInputFlags("a5"), (TInputFlags{true, false, true, false, false, true}));
    EXPECT_FALSE(DecodeInputFlags("g1"));
    EXPECT_FALSE(DecodeInputFlags("3"));
    EXPECT_FALSE(DecodeInputFlags(""));
}

TEST(LoopsValues, InputFlagsEncodeWithBit7SetAndBit6Clear)
{
    EXPECT_EQ(EncodeInputFlags({true, true, true, true, true, true}), "BF");
    EXPECT_EQ(EncodeInputFlags({}), "80");
    EXPECT_EQ(EncodeInputFlags({false, true, false, false, true, false}), "92");
}

TEST(LoopsValues, EventValueSplitsIntoCodePartitionAndLoopWithoutLeadingZeros)
{
    const auto v = DecodeEventValue("113001005");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->Code, "1130");
    EXPECT_EQ(v->Partition, "1");
    EXPECT_EQ(v->Loop, "5");
    const auto zeros = DecodeEventValue("313000000");
    ASSERT_TRUE(zeros);
    EXPECT_EQ(zeros->Partition, "0");
    EXPECT_EQ(zeros->Loop, "0");
    EXPECT_EQ(DecodeEventValue("313099050")->Loop, "50");
    EXPECT_EQ(DecodeEventValue("313010999")->Partition, "10");
}

TEST(LoopsValues, EventValuesTooShortOrNotDecimalAreRefused)
{
    EXPECT_FALSE(DecodeEventValue(""));
    EXPECT_FALSE(DecodeEventValue("1130"));
    EXPECT_FALSE(DecodeEventValue("11300100"));
    EXPECT_FALSE(DecodeEventValue("1A3001005"));
    EXPECT_FALSE(DecodeEventValue("11300X005"));
}

TEST(LoopsValues, ItemTextPutsTheQualifierAfterTheEventCode)
{
    const TMsgFile table = SmallTable();
    EXPECT_EQ(EventItemText("1130", table), "1301: Проникновение");
    EXPECT_EQ(EventItemText("1999", table), "9991:  ");
}

TEST(LoopsValues, WrittenValuePadsPartitionAndLoopToTheirWidths)
{
    EXPECT_EQ(BuildEventValue("1301: Проникновение", 7, 12), "113007012");
    EXPECT_EQ(BuildEventValue("1303: Восстановление", 0, 0), "313000000");
    EXPECT_EQ(BuildEventValue("1101: Пожар", 99, 999), "111099999");
    EXPECT_EQ(BuildEventValue("1101: Пожар", 150, -3), "111099000");
}

TEST(LoopsValues, NoCodeSelectedBuildsNoValue)
{
    EXPECT_FALSE(BuildEventValue("", 1, 2));
    EXPECT_FALSE(BuildEventValue("13: x", 1, 2));
    EXPECT_FALSE(BuildEventValue("abcd: x", 1, 2));
}

TEST_F(LoopsPage, ACodeMissingFromTheTableIsKeptAndWrittenBackUnchanged)
{
    const TMsgFile table = SmallTable();
    TFormLoops& page = NewPage(table);
    page.SelectEventCode(2, "1602");
    ASSERT_GE(page.cbRes2->ItemIndex(), 0);
    EXPECT_EQ(page.cbRes2->Items().Count(), 4);
    EXPECT_EQ(BuildEventValue(page.cbRes2->Text(), 3, 4), "160203004");
    page.SelectEventCode(2, "1602");
    EXPECT_EQ(page.cbRes2->Items().Count(), 4);
    page.SelectEventCode(2, "1130");
    EXPECT_EQ(page.cbRes2->ItemIndex(), 1);
}

// ------------------------------------------------------------------ item hints of the dropped list

TEST_F(LoopsPage, AnItemWiderThanTheDroppedListShowsItsHintOnlyWhileDroppedDown)
{
    TMsgFile table;
    table.Rows = {{"1301", "Проникновение"},
                  {"1303", "Восстановление после проникновения через охраняемый периметр объекта"}};
    TFormLoops& page = NewPage(table);
    TEventComboBox& list = *page.cbRes1;
    list.SetWidth(120);
    list.ListMouseMove(5, TEventComboBox::ItemHeight + 2);
    EXPECT_FALSE(list.HintWindow());

    list.SetDroppedDown(true);
    list.ListMouseMove(5, 2);
    EXPECT_EQ(list.HintIndex(), 0);
    EXPECT_FALSE(list.HintWindow());
    list.ListMouseMove(5, TEventComboBox::ItemHeight + 2);
    EXPECT_EQ(list.HintIndex(), 1);
    ASSERT_TRUE(list.HintWindow());
    EXPECT_EQ(list.HintWindow()->Text, table.Rows[1][0] + ": " + table.Rows[1][1]);
    EXPECT_EQ(list.HintWindow()->Bounds.Top, TEventComboBox::ItemHeight);
    list.ListMouseMove(5, 10 * TEventComboBox::ItemHeight);
    EXPECT_EQ(list.HintIndex(), -1);
    EXPECT_FALSE(list.HintWindow());
    list.ListMouseMove(5, TEventComboBox::ItemHeight + 2);
    list.SetDroppedDown(false);
    EXPECT_FALSE(list.HintWindow());
}

}  // namespace
