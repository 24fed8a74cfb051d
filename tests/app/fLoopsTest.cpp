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

TEST_F(Loops, AnItemWiderThanTheDroppedListShowsItsHintOnlyWhileDroppedDown)
{
    TMsgFile table;
    table.Rows = {{"1301", "Проникновение"}, {"1303", "Восстановление после проникновения через охраняемый периметр объекта"}};
    TFormLoops& wide = *ui::Create<TFormLoops>(&scope.App(), "Wide", nullptr, &table);
    TEventComboBox& list = *wide.cbRes1;
    list.SetParent(&wide);  // out of the loop box, whose columns make it as wide as its longest item
    list.SetWidth(160);
    const int second = TEventComboBox::ItemHeight + 2;
    list.SetDroppedDown(true);
    list.ListMouseMove(5, 2);
    EXPECT_FALSE(list.HintWindow()) << "a narrow item needs no hint";
    list.ListMouseMove(5, second);
    ASSERT_TRUE(list.HintWindow());
    EXPECT_EQ(list.HintWindow()->Text, table.Rows[1][0] + ": " + table.Rows[1][1]);
    EXPECT_EQ(list.HintWindow()->Bounds.Top, TEventComboBox::ItemHeight);
    list.SetDroppedDown(false);
    EXPECT_FALSE(list.HintWindow());
}

std::function<void(TFormLoops&)> Enabled(std::vector<int> events)
{
    return [events](TFormLoops& p) { EXPECT_EQ(EnabledEvents(p), events); };
}
const Lines kReadTitles = {"Параметры реакции на дискретные входы", "Параметры при срабытывании входа 1",
                           "Параметры при восстановлении входа 1", "Параметры при срабытывании входа 2",
                           "Параметры при восстановлении входа 2", "Параметры при срабытывании входа 3",
                           "Параметры при восстановлении входа 3", "Флаг включения события тампера"};
const Lines kWriteTitles = {"Параметры реакции на дискретные входы", "Параметры при срабатывании входа 1",
                            "Параметры при восстановлении входа 1", "Параметры при срабатывании входа 2",
                            "Параметры при восстановлении входа 2", "Параметры при срабатывании входа 3",
                            "Параметры при восстановлении входа 3", "Флаг включения события тампера"};

const Loops::Row kLoopsExchanges[] = {
    {.name = "ReadFlagsEventsAndTamper", .device = {{"X", "C5"}, {"n03", "199903004"}, {"n04", "313012345"}, {"tamper", "00"}},
     .wire = Lines{"+X", "+n00", "+n01", "+n02", "+n03", "+n04", "+n05", "+tamper"},
     .logged = Logged("Читаю", kReadTitles),
     .shown = {{"cbResponce1", "1"}, {"cbRecovery1", "0"}, {"cbResponce2", "1"}, {"cbRecovery3", "0"},
               {"cbRec1", "0 1303: Восстановление после проникновения"}, {"cbRes1", "1 1301: Проникновение"},
               {"etPartRes1", "1"}, {"etLoopRes1", "1"}, {"cbRes3", "0 1303: Восстановление после проникновения"},
               {"etPartRes3", "12"}, {"etLoopRes3", "345"}, {"cbTamper", "1"},
               {"cbRec2", "3 9991:  "}},  // a code missing from the table is kept for the next write
     .then = Enabled({0, 2})},
    {.name = "ReadUnusableValuesChangeNothing", .panel = sim::PanelKind::Paradox,
     .device = {{"X", "G5"}, {"n01", "3X3001005"}}, .refused = {"tamper"},
     .given = [](TFormLoops& p) { p.cbResponce2->SetChecked(true); p.cbTamper->SetChecked(true); p.etLoopRec1->SetText("77"); },
     // a flag byte that is not hexadecimal is no value: the flags are held as unread, never made up
     .errors = {R(kReadTitles[0]), R(kReadTitles[2]), R(kReadTitles[7])},
     .shown = {{"cbResponce2", "1"}, {"cbTamper", "1"}, {"etLoopRec1", "77"}}, .then = Enabled({2})},

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
    {.name = "WriteEmptyNumbersAtFullWidthAndACodeMissingFromTheTable", .write = true,
     .given = [](TFormLoops& p) {
         p.etPartRes2->SetText("");
         p.etLoopRes2->SetText("");
         p.cbRes2->SetItemIndex(1);
         p.SelectEventCode(3, "1999");
     },
     .stored = {{"n02", "113000000"}, {"n03", "199900000"}}},
    {.name = "WriteEventWithoutCodeIsNotSent", .write = true, .given = [](TFormLoops& p) { p.cbRec2->SetItemIndex(-1); },
     .wire = Lines{"+X80", "+n003130000000", "+n013130000000", "+n023130000000", "+n043130000000", "+n053130000000",
                   "+tamperFF"},
     .errors = {W(kWriteTitles[4]) + ": не выбран код события"}},
};

PAGE_EXCHANGES(Loops, kLoopsExchanges);

}  // namespace
