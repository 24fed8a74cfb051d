#include "app/fGPRS.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/PageExchange.h"

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

const std::string kPause = "Время между попытками установление GPRS-соединения";
const std::string kBadCharacter =
    ": в нём есть символ, который нельзя передать устройству (допустимы только символы кодировки Windows-1251)";

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
    {.name = "WritePauseNotSelected", .write = true, .given = [](TformGPRS& p) { p.cbZTime->SetItemIndex(-1); },
     .errors = {W(kPause) + ": пауза не выбрана"}, .stored = {{"timegpres", "003C"}}},
    {.name = "WritePasswordWithABlank", .write = true, .given = [](TformGPRS& p) { p.etSIM1SPSWD->SetText("Kora Plen"); },
     .errors = {W("Некорректный пароль для идентицикации через GPRS")}, .stored = {{"ps", "KoraPlen"}}},
    {.name = "WriteTextsTheDeviceCannotTake", .write = true,
     .given = [](TformGPRS& p) { p.etSIM2Addr->SetText("internet.日本"); p.etSIM1PORT2->SetText("30\t58"); },
     .errors = {W("Адрес APN") + kBadCharacter,
                W("Порт сервера 2") + ": в нём есть управляющий символ (перевод строки, возврат каретки и подобные)"},
     .stored = {{"GAPN1", "internet.beeline.ru"}, {"IP1port", "3058"}}},
};

PAGE_EXCHANGES(Gprs, kGprsExchanges);

}  // namespace
