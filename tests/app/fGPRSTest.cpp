#include "app/fGPRS.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/support/PageExchange.h"
#include "ui/Driver.h"

namespace {

using namespace testsupport;

class Gprs : public PageExchange<TformGPRS> {
protected:
    Gprs() : PageExchange(formGPRS, "formGPRS")
    {
        page->LoadDefaults();
        clearBeforeRead = true;
    }
    void Connected(int build, sim::PanelKind) override { page->SetupForDevice(5, build); }
};

TEST_F(Gprs, BindingCaptionsAndKeyFilters)
{
    page->CheckBox1->SetChecked(true);
    EXPECT_EQ(page->GroupBox4->Caption(), "IP адрес и порт для SIM 1");
    EXPECT_EQ(page->GroupBox6->Caption(), "IP адрес и порт для SIM 2");
    page->LoadDefaults();
    EXPECT_TRUE(page->CheckBox1->Checked()) << "the binding has no factory default";  // the other defaults: kWrite114
    page->CheckBox1->SetChecked(false);
    EXPECT_EQ(page->GroupBox4->Caption(), "Основные IP адрес и порт сервера");
    EXPECT_EQ(page->GroupBox6->Caption(), "Резервные IP адрес и порт сервера");

    main->Show();
    page->Show();
    ui::Driver user(scope.App());
    for (const auto& [edit, typed, shown] : {std::tuple{page->etSIM2Addr, "inтеrnet", "inrnet"}, {page->etSIM1Port, "30a58", "3058"},
                                             {page->etSIM1SPSWD, "Ko ra_1", "Kora1"}, {page->etSIM1IP, "1.2.3.4", "1.2.3.4"}}) {
        edit->SetText("");
        ASSERT_TRUE(user.TypeText(*edit, typed));
        EXPECT_EQ(edit->Text(), shown) << edit->Name();
    }
}

const std::string kPause = "Время между попытками установление GPRS-соединения";
const std::string kBinding = "Привязка адреса к SIM карте";
const std::string kBadCharacter =
    ": в нём есть символ, который нельзя передать устройству (допустимы только символы кодировки Windows-1251)";
const Lines kWrite114 = {"+timegpres003C", "+gphon0*99#", "+GAPN0internet.mts.ru", "+gprsname0mts", "+gprspswd0zuh",
                         "+gphon1*99#", "+GAPN1internet.beeline.ru", "+gprsname1beeline", "+gprspswd1zuh",
                         "+IPadr91.210.56.12", "+IPport3058", "+psKoraPlen", "+IP1adr91.210.56.13", "+IP1port3058"};
std::function<void(TformGPRS&)> Password(const std::string& text)
{
    return [text](TformGPRS& p) { p.etSIM1SPSWD->SetText(text); };
}

const Gprs::Row kGprsExchanges[] = {
    {.name = "ReadEveryGroupAndTheBindingFrom116", .build = 116, .device = {{"ipeqsim", "00"}},
     .wire = Lines{"+timegpres", "+IPadr", "+IPport", "+IP1adr", "+IP1port", "+ps", "+GAPN0", "+gprsname0", "+gprspswd0",
                   "+gphon0", "+ipeqsim", "+GAPN1", "+gprsname1", "+gprspswd1", "+gphon1", "+ipeqsim"},
     .logged = Logged("Читаю", {kPause, "Адрес сервера", "Порт сервера", "Адрес сервера 2", "Порт сервера 2",
                                "Пароль для подключения к серверу", "Адрес APN SIM 1", "Логин для APN SIM 1",
                                "Пароль для APN SIM 1", "Номер для выхода в GPRS SIM 1", "Адрес APN SIM 2",
                                "Логин для APN SIM 2", "Пароль для APN SIM 2", "Номер для выхода в GPRS SIM 2"}),
     .shown = {{"cbZTime", "0 1"}, {"etSIM1IP", "91.210.56.12"}, {"etSIM1Port", "3058"}, {"etSIM1IP2", "91.210.56.13"},
               {"etSIM1PORT2", "3058"}, {"etSIM1SPSWD", "KoraPlen"}, {"etSIM1ADDR", "internet.mts.ru"},
               {"etSIM1LOGIN", "mts"}, {"etSIM1PSWD", "mts"}, {"etSIM1Phone", "*99#"}, {"etSIM2Addr", "internet.beeline.ru"},
               {"etSIM2Login", "beeline"}, {"etSIM2Pswd", "beeline"}, {"etSIM2Phone", "*99#"}, {"CheckBox1", "1"}},
     .then = [](TformGPRS& p) {
         EXPECT_TRUE(p.CheckBox1->Enabled());
         EXPECT_EQ(p.GroupBox4->Caption(), "IP адрес и порт для SIM 1");
     }},
    {.name = "ReadBelow116WithoutTheBinding", .build = 115, .panel = sim::PanelKind::Bolid,
     .wire = Lines{"+timegpres", "+IPadr", "+IPport", "+IP1adr", "+IP1port", "+ps", "+GAPN0", "+gprsname0", "+gprspswd0",
                   "+gphon0", "+GAPN1", "+gprsname1", "+gprspswd1", "+gphon1"},
     .shown = {{"CheckBox1", "0"}}, .then = [](TformGPRS& p) { EXPECT_FALSE(p.CheckBox1->Enabled()); }},
    {.name = "ReadPause240Minutes", .device = {{"timegpres", "00F0"}}, .shown = {{"cbZTime", "3 4"}}},
    {.name = "ReadPause600Minutes", .device = {{"timegpres", "0258"}}, .shown = {{"cbZTime", "9 10"}}},
    {.name = "ReadPauseBelowAnHourSelectsNothing", .device = {{"timegpres", "001E"}}, .shown = {{"cbZTime", "-1 "}}},
    {.name = "ReadBindingRefusedStays", .refused = {"ipeqsim"}, .given = [](TformGPRS& p) { p.CheckBox1->SetChecked(true); },
     .errors = {R(kBinding), R(kBinding)}, .shown = {{"CheckBox1", "1"}}},
    {.name = "ReadFailuresNameTheSimWithoutABlankOnlyForTheAccessPoint", .refused = {"GAPN1", "gprsname1", "gphon0", "IP1adr"},
     .errors = {R("Адрес сервера 2"), R("Номер для выхода в GPRS SIM 1"), R("Адрес APN SIM2"), R("Логин для APN SIM 2")}},

    {.name = "WriteEveryGroup", .write = true, .build = 116,
     .given = [](TformGPRS& p) {
         p.cbZTime->SetItemIndex(3);
         p.etSIM2Addr->SetText("internet.tele2.ru");
         p.etSIM1Phone->SetText("*99***1#");
         p.etSIM1IP2->SetText("10.1.1.2");
         p.CheckBox1->SetChecked(true);
     },
     .wire = Lines{"+timegpres00F0", "+gphon0*99***1#", "+GAPN0internet.mts.ru", "+gprsname0mts", "+gprspswd0zuh",
                   "+gphon1*99#", "+GAPN1internet.tele2.ru", "+gprsname1beeline", "+gprspswd1zuh", "+IPadr91.210.56.12",
                   "+IPport3058", "+psKoraPlen", "+IP1adr10.1.1.2", "+IP1port3058", "+ipeqsim00"},
     .logged = Logged("Пишу", {kPause, "Номер для выхода в GPRS", "Адрес APN", "Логин для APN", "Пароль для APN",
                               "Номер для выхода в GPRS", "Адрес APN", "Логин для APN", "Пароль для APN", "Адрес сервера",
                               "Порт сервера", "Пароль для подключения к серверу", "Адрес сервера 2", "Порт сервера 2"})},
    {.name = "WriteBelow116WithoutTheBinding", .write = true, .build = 115, .panel = sim::PanelKind::Paradox, .wire = kWrite114,
     .shown = {{"CheckBox1", "0"}}},
    {.name = "WriteBindingOff", .write = true, .build = 116, .stored = {{"ipeqsim", "FF"}}},
    {.name = "WriteBindingRefused", .write = true, .build = 116, .refused = {"ipeqsim"}, .errors = {W(kBinding)}},
    {.name = "WritePauseNotSelected", .write = true, .given = [](TformGPRS& p) { p.cbZTime->SetItemIndex(-1); },
     .errors = {W(kPause) + ": пауза не выбрана"}, .stored = {{"timegpres", "003C"}}},
    {.name = "WriteReserveServerFollowsTheMain", .write = true,
     .given = [](TformGPRS& p) { p.etSIM1IP->SetText("10.0.0.7"); p.etSIM1IP2->SetText(""); p.etSIM1PORT2->SetText(""); },
     .shown = {{"etSIM1IP2", "10.0.0.7"}, {"etSIM1PORT2", "3058"}}, .stored = {{"IP1adr", "10.0.0.7"}, {"IP1port", "3058"}}},
    {.name = "WriteServersFallBackToTheirHints", .write = true,
     .given = [](TformGPRS& p) { p.etSIM1IP->SetText(""); p.etSIM1IP2->SetText(""); p.etSIM1Port->SetText(""); },
     .shown = {{"etSIM1IP", ""}, {"etSIM1IP2", "91.210.56.13"}},
     .stored = {{"IPadr", "91.210.56.12"}, {"IPport", "3058"}, {"IP1adr", "91.210.56.13"}}},
    {.name = "WritePasswordWithABlank", .write = true, .given = Password("Kora Plen"),
     .errors = {W("Некорректный пароль для идентицикации через GPRS")}, .stored = {{"ps", "KoraPlen"}}},
    {.name = "WritePasswordCyrillic", .write = true, .given = Password("Кора"), .errors = {W("Некорректный пароль для идентицикации через GPRS")}},
    {.name = "WritePasswordEmptyIsSentEmpty", .write = true, .given = Password(""), .wire = [] {
         Lines w = kWrite114;
         w[11] = "+ps";
         w.push_back("+ipeqsimFF");
         return w;
     }()},
    {.name = "WriteTextsTheDeviceCannotTake", .write = true,
     .given = [](TformGPRS& p) { p.etSIM2Addr->SetText("internet.日本"); p.etSIM1PORT2->SetText("30\t58"); },
     .errors = {W("Адрес APN") + kBadCharacter,
                W("Порт сервера 2") + ": в нём есть управляющий символ (перевод строки, возврат каретки и подобные)"},
     .stored = {{"GAPN1", "internet.beeline.ru"}, {"IP1port", "3058"}}},
    {.name = "WriteFailuresAreListed", .write = true, .refused = {"timegpres", "gprsname1", "IPport", "ps", "IP1adr"},
     .errors = {W(kPause), W("Логин для APN"), W("Порт сервера"), W("Пароль для подключения к серверу"), W("Адрес сервера 2")}},
};

PAGE_EXCHANGES(Gprs, kGprsExchanges);

}  // namespace
