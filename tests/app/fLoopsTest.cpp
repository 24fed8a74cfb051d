#include "app/fLoops.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/PageExchange.h"

namespace {

using namespace testsupport;

// The events whose list and numbers are enabled (all three alike).
std::vector<int> EnabledEvents(const TFormLoops& page)
{
    std::vector<int> events;
    for (int k = 0; k < TFormLoops::EventCount; ++k) {
        const TLoopEventControls e = page.Event(k);
        EXPECT_TRUE(e.Code->Enabled() == e.Partition->Enabled() && e.Code->Enabled() == e.Loop->Enabled()) << k;
        if (e.Code->Enabled()) events.push_back(k);
    }
    return events;
}

class Loops : public PageExchange<TFormLoops> {
protected:
    Loops() : PageExchange(FormLoops, "FormLoops", &EventTable()) {}
};

TEST_F(Loops, EventListsAndTheirBoxes)
{
    for (int k = 0; k < TFormLoops::EventCount; ++k) {
        const TEventComboBox& list = *page->Event(k).Code;
        ASSERT_EQ(list.Items().Count(), 3);
        EXPECT_EQ(list.Items()[2], "1101: Пожар") << "every table row in file order";
        EXPECT_EQ(list.ItemIndex(), 0);
    }
    EXPECT_EQ(EnabledEvents(*page), std::vector<int>{});
    for (int k = 0; k < TFormLoops::EventCount; ++k) {
        page->Event(k).Box->SetChecked(true);
        EXPECT_EQ(EnabledEvents(*page).size(), static_cast<std::size_t>(k + 1)) << "box " << k;
    }
    page->cbRecovery2->SetChecked(false);
    EXPECT_EQ(EnabledEvents(*page), (std::vector<int>{0, 1, 2, 4, 5}));

    page->LoadDefaults();
    EXPECT_EQ(page->cbRes1->ItemIndex(), -1) << "a table of fewer than 40 rows has no factory event";
    EXPECT_EQ(page->cbRec3->ItemIndex(), -1);

    TMsgFile program;
    program.LoadFromFile(std::string(SORVEL_SOURCE_DIR) + "/resources/Messages.txt");
    TFormLoops& factory = *ui::Create<TFormLoops>(&scope.App(), "Factory", nullptr, &program);
    factory.cbResponce2->SetChecked(true);
    factory.etLoopRes2->SetText("12");
    factory.LoadDefaults();
    EXPECT_EQ(EnabledEvents(factory), std::vector<int>{});
    for (int k = 0; k < TFormLoops::EventCount; ++k) {
        EXPECT_EQ(factory.Event(k).Loop->Text(), "0");
        EXPECT_EQ(factory.Event(k).Code->Text(), k % 2 == 0 ? "1301: Проникновение" : "1303: Восстановление после проникновения");
    }
}

TEST_F(Loops, AnItemWiderThanTheDroppedListShowsItsHintOnlyWhileDroppedDown)
{
    TMsgFile table;
    table.Rows = {{"1301", "Проникновение"}, {"1303", "Восстановление после проникновения через охраняемый периметр объекта"}};
    TFormLoops& wide = *ui::Create<TFormLoops>(&scope.App(), "Wide", nullptr, &table);
    TEventComboBox& list = *wide.cbRes1;
    list.SetParent(&wide);  // out of the loop box, whose columns make it as wide as its longest item
    list.SetWidth(160);
    const int second = TEventComboBox::ItemHeight + 2;
    list.ListMouseMove(5, second);
    EXPECT_FALSE(list.HintWindow()) << "closed";
    list.SetDroppedDown(true);
    list.ListMouseMove(5, 2);
    EXPECT_FALSE(list.HintWindow()) << "a narrow item needs no hint";
    list.ListMouseMove(5, second);
    ASSERT_TRUE(list.HintWindow());
    EXPECT_EQ(list.HintWindow()->Text, table.Rows[1][0] + ": " + table.Rows[1][1]);
    EXPECT_EQ(list.HintWindow()->Bounds.Top, TEventComboBox::ItemHeight);
    list.ListMouseMove(5, 10 * TEventComboBox::ItemHeight);
    EXPECT_FALSE(list.HintWindow());
    list.ListMouseMove(5, second);
    list.SetDroppedDown(false);
    EXPECT_FALSE(list.HintWindow());
}

std::function<void(TFormLoops&)> Enabled(std::vector<int> events)
{
    return [events](TFormLoops& p) { EXPECT_EQ(EnabledEvents(p), events); };
}
const std::string kFire = "2 1101: Пожар";
const Lines kReadTitles = {"Параметры реакции на дискретные входы", "Параметры при срабытывании входа 1",
                           "Параметры при восстановлении входа 1", "Параметры при срабытывании входа 2",
                           "Параметры при восстановлении входа 2", "Параметры при срабытывании входа 3",
                           "Параметры при восстановлении входа 3", "Флаг включения события тампера"};
const Lines kWriteTitles = {"Параметры реакции на дискретные входы", "Параметры при срабатывании входа 1",
                            "Параметры при восстановлении входа 1", "Параметры при срабатывании входа 2",
                            "Параметры при восстановлении входа 2", "Параметры при срабатывании входа 3",
                            "Параметры при восстановлении входа 3", "Флаг включения события тампера"};

const Loops::Row kLoopsExchanges[] = {
    {.name = "ReadFlagsEventsAndTamper", .device = {{"X", "C5"}, {"n04", "313012345"}, {"tamper", "00"}},
     .wire = Lines{"+X", "+n00", "+n01", "+n02", "+n03", "+n04", "+n05", "+tamper"},
     .logged = Logged("Читаю", kReadTitles),
     .shown = {{"cbResponce1", "1"}, {"cbRecovery1", "0"}, {"cbResponce2", "1"}, {"cbRecovery3", "0"},
               {"cbRec1", "0 1303: Восстановление после проникновения"}, {"cbRes1", "1 1301: Проникновение"},
               {"etPartRes1", "1"}, {"etLoopRes1", "1"}, {"cbRes3", "0 1303: Восстановление после проникновения"},
               {"etPartRes3", "12"}, {"etLoopRes3", "345"}, {"cbTamper", "1"}},
     .then = Enabled({0, 2})},
    {.name = "ReadAllSixOnAndWideNumbers", .panel = sim::PanelKind::Bolid,
     .device = {{"X", "3F"}, {"n01", "313010999"}, {"n02", "111000000"}}, .given = [](TFormLoops& p) { p.cbTamper->SetChecked(true); },
     .shown = {{"etPartRec1", "10"}, {"etLoopRec1", "999"}, {"cbRes2", kFire}, {"etPartRes2", "0"}, {"etLoopRes2", "0"},
               {"cbTamper", "0"}},
     .then = Enabled({0, 1, 2, 3, 4, 5})},
    {.name = "ReadUnusableValuesChangeNothing", .panel = sim::PanelKind::Paradox,
     .device = {{"X", "ZZ"}, {"n01", "3X3001005"}}, .refused = {"tamper"},
     .given = [](TFormLoops& p) { p.cbResponce2->SetChecked(true); p.cbTamper->SetChecked(true); p.etLoopRec1->SetText("77"); },
     .errors = {R(kReadTitles[2]), R(kReadTitles[7])},  // a flag byte that is not hexadecimal is no error
     .shown = {{"cbResponce2", "1"}, {"cbTamper", "1"}, {"etLoopRec1", "77"}}, .then = Enabled({2})},
    {.name = "ReadCodeMissingFromTheTable", .device = {{"n03", "199903004"}}, .shown = {{"cbRec2", "3 9991:  "}}},  // kept for the next write

    {.name = "WriteEveryGroup", .write = true,
     .given = [](TFormLoops& p) {
         for (int k = 0; k < TFormLoops::EventCount; ++k) p.Event(k).Box->SetChecked(true);
         p.cbRes1->SetText("1101: Пожар");
         p.etPartRes1->SetText("7"); p.etLoopRes1->SetText("12"); p.etPartRec3->SetText("99"); p.etLoopRec3->SetText("999");
         p.cbTamper->SetChecked(true);
     },
     .wire = Lines{"+XBF", "+n001110070120", "+n013130000000", "+n023130000000", "+n033130000000", "+n043130000000",
                   "+n053130999990", "+tamper00"},
     .logged = Logged("Пишу", kWriteTitles),
     .stored = {{"X", "BF"}, {"n00", "111007012"}, {"n05", "313099999"}}},
    {.name = "WriteAllOff", .write = true, .panel = sim::PanelKind::Bolid, .stored = {{"X", "80"}, {"tamper", "FF"}}},
    {.name = "WriteEmptyNumbersAtFullWidth", .write = true,
     .given = [](TFormLoops& p) { p.etPartRes2->SetText(""); p.etLoopRes2->SetText(""); p.cbRes2->SetItemIndex(1); },
     .stored = {{"n02", "113000000"}}},
    {.name = "WriteCodeMissingFromTheTable", .write = true, .given = [](TFormLoops& p) { p.SelectEventCode(3, "1999"); },
     .stored = {{"n03", "199900000"}}},
    {.name = "WriteEventWithoutCodeIsNotSent", .write = true, .given = [](TFormLoops& p) { p.cbRec2->SetItemIndex(-1); },
     .wire = Lines{"+X80", "+n003130000000", "+n013130000000", "+n023130000000", "+n043130000000", "+n053130000000",
                   "+tamperFF"},
     .errors = {W(kWriteTitles[4]) + ": не выбран код события"}},
    {.name = "WriteFailuresAreListedAndTheRestGoesOut", .write = true, .refused = {"X80", "n02", "tamper"},
     .errors = {W(kWriteTitles[0]), W(kWriteTitles[3]), W(kWriteTitles[7])}},
};

PAGE_EXCHANGES(Loops, kLoopsExchanges);

}  // namespace
