#include "app/fWays.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "app/WayTypes.h"
#include "app/fHistory.h"
#include "sim/Communicator.h"
#include "tests/support/FakeExchangeSteps.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

// ---------------------------------------------------------------- channel codes and type lists

TEST(WayTypes, CodesBothWays)
{
    for (int t = 1; t < WayTypeCount; ++t) {
        const std::string code = WayIndexToCode(t);
        EXPECT_EQ(WayCodeToIndex("11" + code + "=123"), t) << code;
    }
    for (const int outside : {0, 15, -1}) EXPECT_EQ(WayIndexToCode(outside), "0000") << outside;
    EXPECT_EQ(WayIndexToCode(13), "0007");
    EXPECT_EQ(WayCodeToIndex("110107="), 14);
    EXPECT_EQ(WayCodeToIndex("119999="), 0);
    EXPECT_EQ(WayCodeToIndex("11010"), 0) << "shorter than six characters";
    EXPECT_EQ(WayTypeNames[5].Name, "Contact ID по проводной линии импульсный набор");
    EXPECT_TRUE(IsWiredWayType(6));
    EXPECT_FALSE(IsWiredWayType(7));
}

TEST(WayTypes, ListsByBuildAndPanel)
{
    const std::tuple<int, bool, int> gates[] = {{84, true, 11},   {85, true, 13},   {115, true, 13},
                                                {116, true, 15},  {117, false, 11}, {118, false, 15}};
    for (const auto& [build, flag, count] : gates) EXPECT_EQ(OfferedWayTypeCount(build, flag), count) << build;
    EXPECT_EQ(OfferedWayTypes(120, false, true, false),
              (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 8, 10, 11, 12, 13, 14}));
    EXPECT_EQ(OfferedWayTypes(100, false, false, true), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 9}));
    EXPECT_EQ(OfferedWayTypes(100, false, true, true), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

// ---------------------------------------------------------------- the page

class WaysPage : public testing::Test {
protected:
    WaysPage()
    {
        formWays = page;
        page->Show();
    }
    ~WaysPage() override { formWays = nullptr; }

    std::vector<int> Types(int channel) const
    {
        std::vector<int> t;
        const auto& items = page->cb[static_cast<std::size_t>(channel)]->Items();
        for (int i = 0; i < items.Count(); ++i) t.push_back(static_cast<int>(items.Data(i)));
        return t;
    }
    void Choose(int channel, int type, const std::string& phone = "")
    {
        const auto k = static_cast<std::size_t>(channel);
        ASSERT_TRUE(page->FindTypeItem(*page->cb[k], type)) << type;
        page->etP[k]->SetText(phone);
    }

    ui::ApplicationScope scope;
    TformWays* page = scope.App().CreateForm<TformWays>("formWays");
    ui::Driver user{scope.App()};
};

TEST_F(WaysPage, StartsWithEveryTypeAndOrLinks)
{
    EXPECT_EQ(page->Caption(), "Каналы связи");
    EXPECT_EQ(page->FindComponent("rb14"), page->OrLink[6]);
    EXPECT_EQ(Types(0).size(), 15u) << "every type until a device says otherwise";
    EXPECT_TRUE(page->IsOrLink(0));
    EXPECT_TRUE(page->rdo2->Checked());
}

TEST_F(WaysPage, TickingOnlineGprsRemovesThatSimsOfflineTypes)
{
    Choose(0, 3, "111");
    Choose(1, 7, "222");  // GPRS-offline SIM1 IP1
    Choose(2, 1, "333");
    user.Click(*page->cb11);
    EXPECT_EQ(Types(0), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 8, 10, 11, 12, 13, 14}));
    EXPECT_EQ(page->ChannelType(0), 3);
    EXPECT_EQ(page->ChannelType(1), 1) << "channel 3 moved up over the emptied channel 2";
    EXPECT_EQ(page->etP[1]->Text(), "333");
    user.Click(*page->cb11);
    EXPECT_EQ(Types(0).size(), 15u);
}

TEST_F(WaysPage, ConnectingKeepsEveryTypeTheNewListOffers)
{
    Choose(0, 13, "111");  // v.110, only from build 118 on
    Choose(1, 3, "222");
    page->FillTypeLists(120, false);
    EXPECT_EQ(page->ChannelType(0), 13);
    page->FillTypeLists(100, false);
    EXPECT_EQ(Types(0).size(), 11u);
    EXPECT_EQ(page->ChannelType(0), 0) << "not offered by this firmware";
    EXPECT_EQ(page->ChannelType(1), 3);
    page->FillTypeLists(1000, false);
    EXPECT_EQ(Types(0).size(), 11u) << "a build of 1000 or more leaves the lists";
}

TEST_F(WaysPage, CompactionMovesChannelsInUseUpWithTheirLinks)
{
    Choose(2, 3, "333");
    Choose(3, 1, "444");
    page->SetLink(2, false);  // channel 3 AND channel 4
    page->CompactChannels();
    EXPECT_EQ(page->ChannelType(0), 3);
    EXPECT_EQ(page->etP[0]->Text(), "333");
    EXPECT_FALSE(page->IsOrLink(0)) << "channel 3's link came with it";
    EXPECT_EQ(page->etP[1]->Text(), "444");
    EXPECT_EQ(page->ChannelType(2), 0);
    EXPECT_TRUE(page->IsOrLink(2));
}

TEST_F(WaysPage, WiredTypeRefusesAPlusNumber)
{
    page->etP[0]->SetText("+7495");
    ASSERT_TRUE(user.Select(*page->cb[0], 5));
    EXPECT_EQ(page->etP[0]->Text(), "");
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].text, "Неправильно введен номер!");
}

TEST_F(WaysPage, PhoneKeyFilterFollowsTheType)
{
    Choose(0, 5);
    user.TypeText(*page->etP[0], "12+w");
    EXPECT_EQ(page->etP[0]->Text(), "12w");
    Choose(1, 1);
    user.TypeText(*page->etP[1], "+7W");
    EXPECT_EQ(page->etP[1]->Text(), "+7w") << "typed in lower case";
}

TEST_F(WaysPage, CommasBecomePausesWhenShown)
{
    Choose(0, 1, "8495,,1");
    page->Hide();
    page->Show();
    EXPECT_EQ(page->etP[0]->Text(), "8495ww1");
}

TEST_F(WaysPage, DirectionColours)
{
    page->SetLink(0, false);
    page->SetLink(1, true);
    EXPECT_EQ(page->etP[0]->Color(), TformWays::FirstChannelColor);
    EXPECT_EQ(page->etP[1]->Color(), TformWays::LinkColors[0]);
    EXPECT_EQ(page->etP[2]->Color(), TformWays::LinkColors[0]) << "an OR link keeps the direction's colour";
}

TEST_F(WaysPage, ClearEmptiesTypesAndLinks)
{
    Choose(0, 3, "1");
    page->SetLink(0, false);
    page->Clear();
    EXPECT_EQ(page->ChannelType(0), 0);
    EXPECT_TRUE(page->IsOrLink(0));
}

TEST_F(WaysPage, PositionOutsideTheListSelectsUnused)
{
    TMemIniFile ini("/nonexistent/ways.ini");
    ini.WriteInteger("formWays", "cb1", 40);
    ini.WriteInteger("formWays", "cb2", 12);
    page->LoadFromIni(ini);
    EXPECT_EQ(page->ChannelType(0), 0);
    EXPECT_EQ(page->ChannelType(1), 12) << "an SMS type stays valid in the full list";
    EXPECT_FALSE(page->IsOrLink(3)) << "a link without keys counts as AND";
}

// ---------------------------------------------------------------- against the simulated device

class WaysExchange : public WaysPage {
protected:
    WaysExchange() { FormHistory = history; }
    ~WaysExchange() override { FormHistory = nullptr; }

    sim::Communicator device{sim::DeviceProfile{}, scope.Clock(), 1'715'953'510};
    testsupport::FakeExchangeSteps steps{device, scope.Clock()};
    TFormHistory* history = scope.App().CreateForm<TFormHistory>("FormHistory");
};

TEST_F(WaysExchange, ReadFillsTheChannelsAndLinks)
{
    ReadWaysPage(steps, *page, true);
    EXPECT_TRUE(steps.errors.empty());
    EXPECT_TRUE(page->cb11->Checked());
    EXPECT_EQ(page->etP[0]->Text(), "84951234567");
    EXPECT_EQ(page->ChannelType(1), 3);
    EXPECT_TRUE(page->IsOrLink(0)) << "channels 1 and 2 share direction 1";
    EXPECT_EQ(page->ChannelType(2), 8);
    EXPECT_FALSE(page->IsOrLink(1));
    EXPECT_EQ(steps.setups, std::vector<int>{11});
    EXPECT_TRUE(steps.watchdog);
}

TEST_F(WaysExchange, ReadWithoutTheSwitchLeavesItAndTheWatchdog)
{
    page->rdo1->SetChecked(true);
    ReadWaysPage(steps, *page, false);
    EXPECT_TRUE(page->rdo1->Checked());
    EXPECT_EQ(steps.steps, 10);
    EXPECT_FALSE(steps.watchdog);
}

TEST_F(WaysExchange, TypeTheListLacksOrNoTypeHasIsUnusedWithAReadError)
{
    device.SetValue("alphon1", "110005=123");  // SMS on a firmware whose list lacks it
    device.SetValue("alphon3", "319999=4");    // a code no type has
    page->FillTypeLists(100, false);
    Choose(1, 3, "old");
    Choose(3, 3, "old");
    page->SetLink(2, true);
    ReadWaysPage(steps, *page, true);
    EXPECT_EQ(page->ChannelType(1), 0);
    EXPECT_EQ(page->ChannelType(3), 0) << "no old type left for a later write to send back";
    EXPECT_EQ(page->etP[3]->Text(), "4");
    EXPECT_FALSE(page->IsOrLink(2)) << "the link follows the direction read";
    EXPECT_EQ(steps.errors, (std::vector<std::string>{"read Параметры направления 2", "read Параметры направления 4"}));
}

TEST_F(WaysExchange, UnusableDirectionValueKeepsTheChannel)
{
    device.SetValue("alphon0", "X10002=1");
    Choose(0, 3, "kept");
    ReadWaysPage(steps, *page, true);
    EXPECT_EQ(page->etP[0]->Text(), "kept");
    EXPECT_EQ(page->ChannelType(0), 3);
    EXPECT_EQ(steps.errors, std::vector<std::string>{"read Параметры направления 1"});
}

TEST_F(WaysExchange, WriteErasesTheHistoryAndSendsDirectionsAndPositions)
{
    history->Store.Insert(0, {5, "x", "", ""});
    Choose(0, 1, "111");
    Choose(1, 3, "222");
    Choose(2, 13, "333");
    page->SetLink(0, true);
    page->SetLink(1, false);
    page->lan->SetChecked(true);
    page->rdo1->SetChecked(true);
    WriteWaysPage(steps, *page);
    EXPECT_TRUE(steps.errors.empty());
    EXPECT_EQ(device.HistoryPointer(), 0) << "the history went first";
    EXPECT_EQ(history->Store.Count(), 0) << "and the page forgot it";
    EXPECT_EQ(device.Value("alphon0"), "110002=111");
    EXPECT_EQ(device.Value("alphon1"), "120001=222");
    EXPECT_EQ(device.Value("alphon2"), "210007=333");
    EXPECT_EQ(device.Value("alphon7"), "260000=");
    EXPECT_EQ(device.Value("lanena"), "00");
    EXPECT_EQ(device.Value("JDIR"), "FF");
    EXPECT_EQ(steps.steps, 12);
    const auto requests = device.Requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "+erase"), 1);
}

TEST_F(WaysExchange, AllOrLinksGiveOneDirection)
{
    for (int i = 0; i < 8; ++i) Choose(i, 1, std::to_string(i));
    WriteWaysPage(steps, *page);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(device.Value("alphon" + std::to_string(i))->substr(0, 2), "1" + std::to_string(i + 1));
}

TEST_F(WaysExchange, LanFlagWrittenOnlyWhenItDiffers)
{
    WriteWaysPage(steps, *page);
    const auto requests = device.Requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "+lanenaFF"), 0);
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "+lanena"), 1);
}

TEST_F(WaysExchange, FailedEraseIsReportedAndTheHistoryKept)
{
    history->Store.Insert(0, {5, "x", "", ""});
    steps.comm.FailNext(testsupport::LoopbackComm::Fault::Silence, 3);
    WriteWaysPage(steps, *page);
    EXPECT_EQ(steps.errors, std::vector<std::string>{"write Удаление истории"});
    EXPECT_EQ(history->Store.Count(), 1);
    EXPECT_EQ(device.Value("alphon0"), "110000=") << "the rest of the write went on";
}

}  // namespace
