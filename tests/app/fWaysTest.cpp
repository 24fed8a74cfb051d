#include "app/fWays.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "app/WayTypes.h"
#include "app/fHistory.h"
#include "tests/support/PageExchange.h"
#include "ui/Driver.h"

namespace {

using namespace testsupport;

TEST(WayTypes, CodesAndListsByBuildAndPanel)
{
    for (int t = 1; t < WayTypeCount; ++t) EXPECT_EQ(WayCodeToIndex("11" + WayIndexToCode(t) + "=123"), t) << t;
    for (const int outside : {0, 15, -1}) EXPECT_EQ(WayIndexToCode(outside), "0000") << outside;
    EXPECT_EQ(WayCodeToIndex("110107="), 14);
    EXPECT_EQ(WayCodeToIndex("119999="), 0);
    EXPECT_EQ(WayCodeToIndex("11010"), 0) << "shorter than six characters";
    const std::tuple<int, bool, int> gates[] = {{84, true, 11},  {85, true, 13},   {115, true, 13},
                                                {116, true, 15}, {117, false, 11}, {118, false, 15}};
    for (const auto& [build, bolid, count] : gates) EXPECT_EQ(OfferedWayTypeCount(build, bolid), count) << build;
    EXPECT_EQ(OfferedWayTypes(100, false, true, true), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

// A channel of this type (index of the channel types) and number.
void Choose(TformWays& page, int channel, int type, const std::string& phone = "")
{
    const auto k = static_cast<std::size_t>(channel);
    ASSERT_TRUE(page.FindTypeItem(*page.cb[k], type)) << type;
    page.etP[k]->SetText(phone);
}

std::function<void(TformWays&)> TypesAre(std::vector<int> types)
{
    return [types](TformWays& p) {
        for (int i = 0; i < 8; ++i) EXPECT_EQ(p.ChannelType(i), types[static_cast<std::size_t>(i)]) << "channel " << i + 1;
    };
}

class Ways : public PageExchange<TformWays> {
protected:
    Ways() : PageExchange(formWays, "formWays")
    {
        FormHistory = history;
        main->Show();
        page->Show();
    }
    ~Ways() override { FormHistory = nullptr; }
    void Connected(int build, sim::PanelKind panel) override { page->FillTypeLists(build, panel == sim::PanelKind::Bolid); }
    std::vector<int> Types(int channel) const
    {
        std::vector<int> t;
        const auto& items = page->cb[static_cast<std::size_t>(channel)]->Items();
        for (int i = 0; i < items.Count(); ++i) t.push_back(static_cast<int>(items.Data(i)));
        return t;
    }
    TFormHistory* history = scope.App().CreateForm<TFormHistory>("FormHistory");
    ui::Driver user{scope.App()};
};

TEST_F(Ways, TypeListsFollowTheOnlineGprsBoxesAndTheFirmware)
{
    EXPECT_EQ(Types(0).size(), 15u) << "every type until a device says otherwise";
    Choose(*page, 0, 3, "111");
    Choose(*page, 1, 7, "222");  // GPRS-offline SIM1 IP1
    Choose(*page, 2, 1, "333");
    user.Click(*page->cb11);
    EXPECT_EQ(Types(0), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 8, 10, 11, 12, 13, 14}));
    EXPECT_EQ(page->ChannelType(1), 1) << "channel 3 moved up over the emptied channel 2";
    EXPECT_EQ(page->etP[1]->Text(), "333");
    user.Click(*page->cb11);
    EXPECT_EQ(Types(0).size(), 15u);

    Choose(*page, 0, 13, "111");  // v.110, only from build 118 on
    page->FillTypeLists(120, false);
    EXPECT_EQ(page->ChannelType(0), 13);
    page->FillTypeLists(100, false);
    EXPECT_EQ(Types(0).size(), 11u);
    EXPECT_EQ(page->ChannelType(0), 0) << "not offered by this firmware";
    EXPECT_EQ(page->ChannelType(1), 1);
    page->FillTypeLists(1000, false);
    EXPECT_EQ(Types(0).size(), 11u) << "a build of 1000 or more leaves the lists";
}

TEST_F(Ways, ChannelsLinksAndNumbers)
{
    Choose(*page, 2, 3, "333");
    Choose(*page, 3, 1, "444");
    page->SetLink(2, false);  // channel 3 AND channel 4
    page->CompactChannels();
    TypesAre({3, 1, 0, 0, 0, 0, 0, 0})(*page);
    EXPECT_EQ(page->etP[0]->Text() + page->etP[1]->Text(), "333444");
    EXPECT_FALSE(page->IsOrLink(0)) << "channel 3's link came with it";
    EXPECT_TRUE(page->IsOrLink(2));
    page->SetLink(1, true);
    EXPECT_EQ(page->etP[1]->Color(), TformWays::LinkColors[0]);
    EXPECT_EQ(page->etP[2]->Color(), TformWays::LinkColors[0]) << "an OR link keeps the direction's colour";
    page->Clear();
    TypesAre({0, 0, 0, 0, 0, 0, 0, 0})(*page);
    EXPECT_TRUE(page->IsOrLink(0));

    Choose(*page, 0, 5);
    user.TypeText(*page->etP[0], "12+w");
    EXPECT_EQ(page->etP[0]->Text(), "12w") << "a wired type takes no plus";
    Choose(*page, 1, 1);
    user.TypeText(*page->etP[1], "7+W");
    EXPECT_EQ(page->etP[1]->Text(), "7+w") << "typed in lower case";
    page->etP[1]->SetText("+7495");
    ASSERT_TRUE(user.Select(*page->cb[1], 5));
    EXPECT_EQ(page->etP[1]->Text(), "");
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].text, "Неправильно введен номер!");

    Choose(*page, 0, 1, "8495,,1");
    page->Hide();
    page->Show();
    EXPECT_EQ(page->etP[0]->Text(), "8495ww1") << "commas become pauses when shown";

    TMemIniFile ini("/nonexistent/ways.ini");
    ini.WriteInteger("formWays", "cb1", 40);
    ini.WriteInteger("formWays", "cb2", 12);
    ini.WriteInteger("formWays", "cb3", -1);
    page->LoadFromIni(ini);
    EXPECT_EQ(page->cb[0]->ItemIndex() + page->cb[2]->ItemIndex(), 0) << "positions outside the list";
    EXPECT_EQ(page->ChannelType(1), 12) << "an SMS type stays valid in the full list";
    EXPECT_FALSE(page->IsOrLink(3)) << "a link without keys counts as AND";
}

const Lines kGroups = {"LAN-online", "Конфигурация активных каналов GPRS", "Параметры направления 1", "Параметры направления 2",
                       "Параметры направления 3", "Параметры направления 4", "Параметры направления 5", "Параметры направления 6",
                       "Параметры направления 7", "Параметры направления 8", "Флаг перехода по направлениям"};
void AddHistory() { FormHistory->Store.Insert(0, {.Number = 5, .Record = "x"}); }
// The channels (from 0) the device did not give.
void Unread(TformWays& page, std::initializer_list<int> channels)
{
    for (const int c : channels) page.DeviceValues.GroupRead(page.Direction(c), false);
}
std::string Held(int channel, const std::string& why)
{
    return W("Параметры направления " + std::to_string(channel)) + ": не записан, так как " + why;
}

const Ways::Row kWaysExchanges[] = {
    {.name = "ReadChannelsAndLinks", .wire = Lines{"+lanena", "+gprsena", "+alphon0", "+alphon1", "+alphon2", "+alphon3", "+alphon4",
                                                   "+alphon5", "+alphon6", "+alphon7", "+JDIR"},
     .logged = Logged("Читаю", kGroups),
     .shown = {{"lan", "0"}, {"cb11", "1"}, {"cb12", "0"}, {"etP1", "84951234567"}, {"etP2", "84951234568"}, {"rb2", "1"},
               {"rb1", "0"}, {"rb3", "1"}, {"rb4", "0"}, {"rdo2", "1"}},
     .then = TypesAre({1, 3, 8, 0, 0, 0, 0, 0})},
    {.name = "ReadTypesTheListLacksOrNoTypeHasAreUnused", .build = 100,
     .device = {{"alphon1", "110005=123"}, {"alphon3", "319999=4"}, {"lanena", "00"}, {"JDIR", "FF"}},
     .given = [](TformWays& p) { Choose(p, 1, 3, "old"); Choose(p, 3, 3, "old"); p.SetLink(2, true); },
     .errors = {R("Параметры направления 2"), R("Параметры направления 4")},
     .shown = {{"etP4", "4"}, {"rb6", "0"}, {"lan", "1"}, {"rdo1", "1"}}, .then = TypesAre({1, 0, 8, 0, 0, 0, 0, 0})},
    {.name = "ReadUnusableDirectionKeepsTheChannel", .device = {{"alphon0", "X10002=1"}},
     .given = [](TformWays& p) { Choose(p, 0, 3, "kept"); }, .errors = {R("Параметры направления 1")},
     .shown = {{"etP1", "kept"}}, .then = TypesAre({3, 3, 8, 0, 0, 0, 0, 0})},

    {.name = "WriteErasesTheHistoryThenSendsDirectionsAndPositions", .write = true,
     .given = [](TformWays& p) {
         AddHistory();
         Choose(p, 0, 1, "111");
         Choose(p, 1, 3, "222");
         Choose(p, 2, 13, "333");
         p.SetLink(1, false);
         p.lan->SetChecked(true);
         p.rdo1->SetChecked(true);
     },
     .wire = Lines{"+erase", "+lanena", "+lanena00", "+gprsenaFF", "+alphon0110002=111", "+alphon1120001=222", "+alphon2210007=333",
                   "+alphon3220000=", "+alphon4230000=", "+alphon5240000=", "+alphon6250000=", "+alphon7260000=", "+JDIRFF"},
     .logged = Cat({{"Удаление истории!"}, Logged("Пишу", kGroups)}),
     .then = [](TformWays&) { EXPECT_EQ(FormHistory->Store.Count(), 0) << "the page forgot the erased history"; }},
    // Channels 3 and 5 unread: those after them wait for them, and say which they wait for.
    {.name = "WriteNamesTheUnreadChannelsTheOthersWaitFor", .write = true,
     .given = [](TformWays& p) { Unread(p, {2, 4}); },
     .wire = Lines{"+erase", "+lanena", "+gprsenaFF", "+alphon0110000=", "+alphon1120000=", "+JDIR00"},
     .errors = {Held(3, "не был прочитан с устройства"), Held(4, "канал 3 не прочитан"), Held(5, "не был прочитан с устройства"),
                Held(6, "каналы 3, 5 не прочитаны"), Held(7, "каналы 3, 5 не прочитаны"), Held(8, "каналы 3, 5 не прочитаны")}},
    {.name = "WriteOfNoChannelKeepsTheHistory", .write = true,
     .given = [](TformWays& p) { AddHistory(); Unread(p, {0}); },
     .wire = Lines{"+lanena", "+gprsenaFF", "+JDIR00"},
     .errors = {Held(1, "не был прочитан с устройства"), Held(2, "канал 1 не прочитан"), Held(3, "канал 1 не прочитан"),
                Held(4, "канал 1 не прочитан"), Held(5, "канал 1 не прочитан"), Held(6, "канал 1 не прочитан"),
                Held(7, "канал 1 не прочитан"), Held(8, "канал 1 не прочитан")},
     .then = [](TformWays&) { EXPECT_EQ(FormHistory->Store.Count(), 1); }},
    {.name = "WriteFailedEraseKeepsTheHistoryAndGoesOn", .write = true, .refused = {"erase"}, .given = [](TformWays&) { AddHistory(); },
     .errors = {W("Удаление истории")}, .stored = {{"alphon0", "110000="}},
     .then = [](TformWays&) { EXPECT_EQ(FormHistory->Store.Count(), 1); }},
};

PAGE_EXCHANGES(Ways, kWaysExchanges);

}  // namespace
