#include "app/fGPRS.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/DeviceController.h"
#include "app/fMain.h"
#include "sim/Communicator.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/PageExchange.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/SimDevice.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using namespace ui;

class GprsPage : public ::testing::Test {
protected:
    ApplicationScope scope;
    TformGPRS& page = *Create<TformGPRS>(&scope.App(), "formGPRS");
};

// ------------------------------------------------------------------ handlers

TEST_F(GprsPage, SimEditsAreFoundByNameWhateverTheirLetterCase)
{
    EXPECT_EQ(page.SimEdit(1, "Addr"), page.etSIM1ADDR);
    EXPECT_EQ(page.SimEdit(1, "Login"), page.etSIM1LOGIN);
    EXPECT_EQ(page.SimEdit(1, "Pswd"), page.etSIM1PSWD);
    EXPECT_EQ(page.SimEdit(2, "Addr"), page.etSIM2Addr);
    EXPECT_EQ(page.SimEdit(2, "Phone"), page.etSIM2Phone);
    EXPECT_EQ(page.SimEdit(3, "Phone"), nullptr);
}

TEST_F(GprsPage, BindingRenamesTheServerBoxes)
{
    page.CheckBox1->SetChecked(true);
    EXPECT_EQ(page.GroupBox4->Caption(), "IP адрес и порт для SIM 1");
    EXPECT_EQ(page.GroupBox6->Caption(), "IP адрес и порт для SIM 2");
    page.CheckBox1->SetChecked(false);
    EXPECT_EQ(page.GroupBox4->Caption(), "Основные IP адрес и порт сервера");
    EXPECT_EQ(page.GroupBox6->Caption(), "Резервные IP адрес и порт сервера");
}

TEST_F(GprsPage, KeyFiltersOfTheEdits)
{
    page.Show();
    Driver user(scope.App());
    ASSERT_TRUE(user.TypeText(*page.etSIM2Addr, "inтеrnet"));
    EXPECT_EQ(page.etSIM2Addr->Text(), "inrnet");
    ASSERT_TRUE(user.TypeText(*page.etSIM1Port, "30a58"));
    EXPECT_EQ(page.etSIM1Port->Text(), "3058");
    ASSERT_TRUE(user.TypeText(*page.etSIM1SPSWD, "Ko ra_1"));
    EXPECT_EQ(page.etSIM1SPSWD->Text(), "Kora1");
    ASSERT_TRUE(user.TypeText(*page.etSIM1IP, "1.2.3.4"));
    EXPECT_EQ(page.etSIM1IP->Text(), "1.2.3.4");
}

TEST_F(GprsPage, DefaultsLeaveTheBindingAlone)
{
    page.CheckBox1->SetChecked(true);
    page.LoadDefaults();
    EXPECT_TRUE(page.CheckBox1->Checked()) << "the box has no factory default";
    EXPECT_EQ(page.etSIM1Phone->Text(), "*99#");
    EXPECT_EQ(page.etSIM2Pswd->Text(), "zuh");
    EXPECT_EQ(page.etSIM1SPSWD->Text(), "KoraPlen");
    EXPECT_EQ(page.etSIM1PORT2->Text(), "3058");
    EXPECT_FALSE(page.etSIM1IP->Text().empty());
    EXPECT_EQ(page.cbZTime->ItemIndex(), 0);
    EXPECT_EQ(page.cbZTime->Text(), "1");
}

TEST_F(GprsPage, ClearingBeforeAReadKeepsTheBinding)
{
    page.CheckBox1->SetChecked(true);
    page.etSIM1IP->SetText("10.0.0.1");
    page.Clear();
    EXPECT_TRUE(page.CheckBox1->Checked());
    EXPECT_EQ(page.etSIM1IP->Text(), "");
}

// ------------------------------------------------------------------ value helpers

TEST(GprsValues, RetryPauseItems)
{
    EXPECT_EQ(RetryPauseItem(4, 0), 3) << "240 minutes select \"4\"";
    EXPECT_EQ(RetryPauseItem(1, 0), 0);
    EXPECT_EQ(RetryPauseItem(10, 0), 9);
    EXPECT_EQ(RetryPauseItem(0, 30), -1) << "below an hour nothing fits";
    EXPECT_EQ(RetryPauseItem(11, 0), -1);
    EXPECT_EQ(RetryPauseMinutes(3, 10), 240);
    EXPECT_EQ(RetryPauseMinutes(-1, 10), std::nullopt);
    EXPECT_EQ(RetryPauseMinutes(10, 10), std::nullopt);
}

TEST(GprsValues, ServerPasswordTakesLatinLettersAndDigits)
{
    EXPECT_TRUE(IsServerPasswordValid(""));
    EXPECT_TRUE(IsServerPasswordValid("KoraPlen9"));
    EXPECT_FALSE(IsServerPasswordValid("Kora Plen"));
    EXPECT_FALSE(IsServerPasswordValid("Кora"));
    EXPECT_FALSE(IsServerPasswordValid("a_b"));
}

}  // namespace

namespace {

// ------------------------------------------------------------------ exchange with the device

class GprsExchange : public testsupport::PageExchange<TformGPRS> {
protected:
    GprsExchange()
        : PageExchange("formGPRS", ReadInto::ClearedPage)
    {
        formGPRS = page;
        page->LoadDefaults();
        Connect(116);
    }
    void Connected(int build) override { page->SetupForDevice(5, build); }
};

TEST_F(GprsExchange, ReadsBothSimCardsAtIndexesZeroAndOneAndTheBindingFromBuild116)
{
    device->device.SetValue("ipeqsim", "00");
    EXPECT_EQ(Read(), (std::vector<std::string>{"+timegpres", "+IPadr", "+IPport", "+IP1adr", "+IP1port", "+ps", "+GAPN0",
                                                "+gprsname0", "+gprspswd0", "+gphon0", "+ipeqsim", "+GAPN1", "+gprsname1",
                                                "+gprspswd1", "+gphon1", "+ipeqsim"}));
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(page->cbZTime->Text(), "1");
    EXPECT_EQ(page->etSIM1IP->Text(), "91.210.56.12");
    EXPECT_EQ(page->etSIM1PORT2->Text(), "3058");
    EXPECT_EQ(page->etSIM1SPSWD->Text(), "KoraPlen");
    EXPECT_EQ(page->etSIM1ADDR->Text(), "internet.mts.ru");
    EXPECT_EQ(page->etSIM2Login->Text(), "beeline");
    EXPECT_EQ(page->etSIM2Phone->Text(), "*99#");
    EXPECT_TRUE(page->CheckBox1->Checked());
    EXPECT_EQ(page->GroupBox4->Caption(), "IP адрес и порт для SIM 1");
}

TEST_F(GprsExchange, BelowBuild116TheBindingIsNeitherReadNorWritten)
{
    for (const auto panel : {sim::PanelKind::Altonika, sim::PanelKind::Bolid, sim::PanelKind::Paradox}) {
        page->CheckBox1->SetChecked(true);
        Connect(115, panel);
        EXPECT_FALSE(page->CheckBox1->Checked());
        EXPECT_FALSE(page->CheckBox1->Enabled());
        EXPECT_EQ(Read().size(), 14u);
        EXPECT_FALSE(Sent("+ipeqsim"));
        Write();
        EXPECT_FALSE(Sent("+ipeqsim"));
        EXPECT_TRUE(Errors().empty());
    }
}

TEST_F(GprsExchange, WritesEveryGroupAndReadsItBack)
{
    page->cbZTime->SetItemIndex(3);
    page->etSIM2Addr->SetText("internet.tele2.ru");
    page->etSIM1Phone->SetText("*99***1#");
    page->etSIM1IP2->SetText("10.1.1.2");
    page->CheckBox1->SetChecked(true);
    Write();
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(device->requests.front(), "+timegpres00F0");
    EXPECT_EQ(device->requests[1], "+gphon0*99***1#");
    EXPECT_EQ(device->requests.back(), "+ipeqsim00");
    EXPECT_EQ(Stored("GAPN1"), "internet.tele2.ru");
    EXPECT_EQ(Stored("IP1adr"), "10.1.1.2");

    page->LoadDefaults();
    page->CheckBox1->SetChecked(false);
    Read();
    EXPECT_EQ(page->cbZTime->Text(), "4") << "240 minutes";
    EXPECT_EQ(page->etSIM2Addr->Text(), "internet.tele2.ru");
    EXPECT_EQ(page->etSIM1Phone->Text(), "*99***1#");
    EXPECT_TRUE(page->CheckBox1->Checked());
}

TEST_F(GprsExchange, APauseBelowAnHourShowsNoItemAndIsNotWrittenAsZero)
{
    device->device.SetValue("timegpres", "001E");
    Read();
    EXPECT_EQ(page->cbZTime->ItemIndex(), -1);
    EXPECT_TRUE(Errors().empty());
    Write();
    EXPECT_FALSE(Sent("+timegpres"));
    EXPECT_EQ(Errors().at(0), "Ошибка при записи параметра \"Время между попытками установление GPRS-соединения\": "
                              "пауза не выбрана");
    EXPECT_EQ(Stored("timegpres"), "001E");
}

TEST_F(GprsExchange, TheReserveServerFollowsTheMainOne)
{
    page->etSIM1IP->SetText("10.0.0.7");
    page->etSIM1IP2->SetText("");
    page->etSIM1PORT2->SetText("");
    Write();
    EXPECT_EQ(page->etSIM1IP2->Text(), "10.0.0.7");
    EXPECT_EQ(Stored("IP1adr"), "10.0.0.7");
    EXPECT_EQ(Stored("IP1port"), "3058");

    page->etSIM1IP->SetText("");
    page->etSIM1IP2->SetText("");
    Write();
    EXPECT_EQ(Stored("IPadr"), page->etSIM1IP->Hint()) << "the main address falls back to its hint";
    EXPECT_EQ(page->etSIM1IP->Text(), "") << "and the edit stays empty";
    EXPECT_EQ(page->etSIM1IP2->Text(), page->etSIM1IP2->Hint());
    EXPECT_EQ(Stored("IP1adr"), page->etSIM1IP2->Hint());
}

TEST_F(GprsExchange, TheIdentificationPasswordTakesLatinLettersAndDigitsOnly)
{
    for (const char* bad : {"Kora Plen", "Кора"}) {
        page->etSIM1SPSWD->SetText(bad);
        Write();
        EXPECT_FALSE(Sent("+ps")) << bad;
        EXPECT_EQ(Errors(), std::vector<std::string>{
                                "Ошибка при записи параметра \"Некорректный пароль для идентицикации через GPRS\""});
    }
    page->etSIM1SPSWD->SetText("");
    Write();
    EXPECT_EQ(device->requests[11], "+ps") << "an empty password is sent empty";
    EXPECT_TRUE(Errors().empty());
}

TEST_F(GprsExchange, TextsTheDeviceCouldNotTakeAreErrorsWithTheirReasonAndAreNotSent)
{
    page->etSIM2Addr->SetText("internet.日本");
    page->etSIM1PORT2->SetText("30\t58");
    Write();
    ASSERT_EQ(Errors().size(), 2u);
    EXPECT_EQ(Errors()[0].rfind("Ошибка при записи параметра \"Адрес APN\": ", 0), 0u) << Errors()[0];
    EXPECT_EQ(Errors()[1].rfind("Ошибка при записи параметра \"Порт сервера 2\": ", 0), 0u) << Errors()[1];
    EXPECT_FALSE(Sent("+GAPN1"));
    EXPECT_FALSE(Sent("+IP1port"));
    EXPECT_EQ(Stored("GAPN1"), "internet.beeline.ru");
}

TEST_F(GprsExchange, ABindingThatCannotBeReadIsAnErrorAndStaysForTheNextWrite)
{
    page->CheckBox1->SetChecked(true);
    device->refused = {"ipeqsim"};
    Read();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Ошибка при чтении параметра \"Привязка адреса к SIM карте\"",
                                                  "Ошибка при чтении параметра \"Привязка адреса к SIM карте\""}));
    EXPECT_TRUE(page->CheckBox1->Checked());
    device->refused.clear();
    Write();
    EXPECT_EQ(device->requests.back(), "+ipeqsim00");

    device->refused = {"ipeqsim"};
    Write();
    EXPECT_EQ(Errors(), std::vector<std::string>{"Ошибка при записи параметра \"Привязка адреса к SIM карте\""})
        << "a binding the device did not take is no silent success";
}

TEST_F(GprsExchange, OnlyTheAccessPointsReadErrorCarriesTheSimNumberWithoutABlank)
{
    device->refused = {"GAPN1", "gprsname1", "gphon0", "IP1adr"};
    Read();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Ошибка при чтении параметра \"Адрес сервера 2\"",
                                                  "Ошибка при чтении параметра \"Номер для выхода в GPRS SIM 1\"",
                                                  "Ошибка при чтении параметра \"Адрес APN SIM2\"",
                                                  "Ошибка при чтении параметра \"Логин для APN SIM 2\""}));
    const auto info = log.Texts(testsupport::RecordingLog::Kind::Info);
    EXPECT_NE(std::find(info.begin(), info.end(), "Читаю \"Адрес APN SIM 2\""), info.end());
    EXPECT_EQ(std::count(info.begin(), info.end(), "Читаю \"Привязка адреса к SIM карте\""), 0) << "no line in the log";
}

TEST(GprsOverPty, ReadAndWriteTheWholePage)
{
    ApplicationScope scope;
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    formGPRS = Create<TformGPRS>(main->PagesPane, "formGPRS", main->PagesPane);
    testsupport::SimDevice sim(testsupport::Profile(120, sim::PanelKind::Paradox), scope.Clock());
    testsupport::RecordingLog log;
    TDeviceController dc(sim.worker, &log);
    dc.Device().SetTimeoutFloor(testsupport::SimDevice::kTimeoutMs);
    dc.Major = 5;
    dc.Build = 120;
    dc.ReadForm(*formGPRS);
    EXPECT_TRUE(dc.GetErrors().Lines().empty());
    EXPECT_EQ(formGPRS->etSIM2Addr->Text(), "internet.beeline.ru");
    formGPRS->etSIM1LOGIN->SetText("Абонент");
    formGPRS->cbZTime->SetItemIndex(9);
    formGPRS->CheckBox1->SetChecked(true);
    dc.WriteForm(*formGPRS);
    EXPECT_TRUE(dc.GetErrors().Lines().empty());
    EXPECT_EQ(sim.device.Value("timegpres"), "0258");
    EXPECT_EQ(sim.device.Value("ipeqsim"), "00");
    formGPRS->Clear();
    dc.ReadForm(*formGPRS);
    EXPECT_EQ(formGPRS->etSIM1LOGIN->Text(), "Абонент");
}

}  // namespace
