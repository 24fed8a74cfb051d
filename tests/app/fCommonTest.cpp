#include "app/fCommon.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/support/PageExchange.h"
#include "ui/Driver.h"

namespace {

using namespace testsupport;

TEST(CommonValues, AShortClockReplyDoesNotThrow)
{
    std::string s = "2";
    EXPECT_NO_THROW(DeviceDateToText(s));
}

class Common : public PageExchange<TFormCommon> {
protected:
    Common() : PageExchange(FormCommon, "FormCommon")
    {
        main->Show();
        page->Show();
    }
};

TEST_F(Common, Handlers)
{
    ui::Driver user(scope.App());
    EXPECT_EQ(page->ParED[7]->MaxLength(), 4);
    page->KitGroupBox1->Show();
    page->KitRadioButton3->SetChecked(true);
    for (const auto& [typed, shown] : {std::pair{"9000", "8000"}, {"0000", "0050"}, {"z1a", "1A"}}) {
        page->etO->SetText("");
        user.TypeText(*page->etO, typed);
        EXPECT_EQ(page->etO->Text(), shown) << typed;
    }
    page->etO->SetText("GG");
    user.Focus(*page->MKEdit);
    EXPECT_EQ(page->etO->Text(), "0050") << "leaving a number below 1 gives the factory number";
    page->KitRadioButton1->SetChecked(true);
    page->etO->SetText("9000");
    page->KitRadioButton3->SetChecked(true);
    EXPECT_EQ(page->etO->Text(), "8000");

    page->cbIARazd->SetChecked(true);
    EXPECT_FALSE(page->lbARazd->Enabled());
    page->cbIARazd->SetChecked(false);
    EXPECT_TRUE(page->cbARazd->Enabled());
    EXPECT_TRUE(page->etSignal->ReadOnly());
    // A start shows the levels kept in the ini file in the fields and the bars alike.
    TMemIniFile ini("/nonexistent/none.ini");
    for (const auto& [signal, errors, signalParts, errorParts] : {std::tuple{"26", "4", 26u, 4u}, {"99", "", 0u, 0u}, {"x", "7", 0u, 7u}}) {
        ini.WriteString("FormCommon", "etSignal", signal);
        ini.WriteString("FormCommon", "etError", errors);
        page->LoadFromIni(ini);
        EXPECT_EQ(page->PSignal->PartsComplete(), signalParts) << signal;
        EXPECT_EQ(page->PEr->PartsComplete(), errorParts) << errors;
    }
    page->ImeiLabel->SetCaption("356938035643809");
    page->ImeiLabel->Click();
    EXPECT_EQ(scope.Services().Text(), "356938035643809");
}


// The group boxes the program shows for a firmware: Altonika section, object-number choice, Paradox.
std::function<void(TFormCommon&)> Boxes(bool section, bool number, bool paradox = false)
{
    return [=](TFormCommon& p) {
        p.GroupBox6->SetVisible(section);
        p.KitGroupBox1->SetVisible(number);
        p.ParadoxBox->SetVisible(paradox);
    };
}
const Lines kBase = {"+o", "+AH", "+U", "+slowcid"};
const Lines kModern = {"+masterkey", "+P2", "+IMEI"};
const std::string kClock = "+AS\"24/05/17,13:46:10+00\"";

TKitRadioButton* NumberChoice(TFormCommon& p, int i) { return std::array{p.KitRadioButton1, p.KitRadioButton2, p.KitRadioButton3}[i]; }
std::function<void(TFormCommon&)> Chosen(int i) { return [i](TFormCommon& p) { EXPECT_TRUE(NumberChoice(p, i)->Checked()) << i; }; }
std::function<void(TFormCommon&)> NumberBoxWith(int i)
{
    return [i](TFormCommon& p) { Boxes(false, true)(p); NumberChoice(p, i)->SetChecked(true); };
}
std::function<void(TFormCommon&)> Bars(unsigned signal, unsigned error)
{
    return [=](TFormCommon& p) { EXPECT_EQ(std::pair(p.PSignal->PartsComplete(), p.PEr->PartsComplete()), std::pair(signal, error)); };
}
Exchange<TFormCommon> BadSignal(const std::string& name, const std::string& value)
{
    return {.name = name, .device = {{"U", value}}, .given = [](TFormCommon& p) { p.etSignal->SetText("kept"); },
            .errors = {R("Сигнал")}, .shown = {{"etSignal", "kept"}}};
}

const Common::Row kCommonExchanges[] = {
    {.name = "ModernReadsItsGroupsInOrder", .wire = Cat({kBase, kModern}),
     .logged = Lines{"Читаю \"№ объекта\"", "Читаю \"Время\"", "Читаю \"Сигнал\"", "Читаю \"Параметры голосового Contact ID\""},
     .shown = {{"etTime", "17/05/24,13:45:10"}, {"etSignal", "26"}},
     .then = [](TFormCommon& p) { EXPECT_EQ(p.ImeiLabel->Caption(), "356938035643809"); }},
    {.name = "ModernReadsNumberChoiceAndParadox", .given = Boxes(false, true, true),
     .wire = Cat({kBase, {"+altsect", "+pxobj0", "+pxobj1", "+pxobj2", "+pxobj3", "+pxobj4", "+pxobj5", "+pxobj6", "+pxobj7"}, kModern}),
     .shown = {{"ParED7", "0008"}, {"MKEdit", "1234"}}},
    {.name = "Build47OldFirmware", .build = 47, .wire = Lines{"+o", "+AH", "+U", "+typepan", "+slowcid", "+altsect"}},
    {.name = "Build49", .build = 49, .wire = kBase},
    {.name = "Build49SectionBox", .build = 49, .given = Boxes(true, false), .wire = Cat({kBase, {"+altsect"}})},
    {.name = "Build69BothBoxes", .build = 69, .given = Boxes(true, true), .wire = Cat({kBase, {"+altsect"}})},
    {.name = "Build70SectionBox", .build = 70, .given = Boxes(true, false), .wire = kBase},
    {.name = "Build70NumberBox", .build = 70, .given = Boxes(false, true), .wire = Cat({kBase, {"+altsect"}})},
    {.name = "Build96MasterKey", .build = 96, .wire = Cat({kBase, {"+masterkey"}})},
    {.name = "SignalFullBar", .device = {{"U", "1F03"}}, .shown = {{"etSignal", "31"}, {"etError", "3"}}, .then = Bars(31, 3)},
    {.name = "Signal99IsNone", .device = {{"U", "6363"}}, .shown = {{"etSignal", "99"}, {"etError", "7"}}, .then = Bars(0, 7)},
    BadSignal("SignalNotHex", "ZZ03"),
    BadSignal("SignalShort", "1F"),
    {.name = "OldParadoxAndSection10", .build = 47, .device = {{"typepan", "FE"}, {"altsect", "0A"}},
     .shown = {{"rbPar", "1"}, {"cbIARazd", "0"}, {"cbARazd", "9 10"}}},
    {.name = "OldAltonikaNoSection", .build = 47, .device = {{"typepan", "00"}, {"altsect", "00"}},
     .shown = {{"rbAlt", "1"}, {"cbIARazd", "1"}}},
    {.name = "OldUnknownPanelAndSection", .build = 47, .device = {{"typepan", "05"}, {"altsect", "ZZ"}},
     .errors = {R("Тип передающей панели"), R("Номер раздела для сообщений панели Altonika ")}},
    {.name = "NumberChangeOn", .build = 69, .device = {{"altsect", "00"}}, .given = Boxes(true, false), .shown = {{"cbAltsect", "1"}}},
    {.name = "NumberChangeOff", .build = 69, .device = {{"altsect", "FF"}},
     .given = [](TFormCommon& p) { Boxes(true, false)(p); p.cbAltsect->SetChecked(true); }, .shown = {{"cbAltsect", "0"}}},
    {.name = "NumberChangeNotHex", .build = 69, .device = {{"altsect", "XY"}}, .given = Boxes(true, false),
     .errors = {R("Изменение номеров для панели Altonika")}},
    {.name = "NumberToSection", .build = 70, .device = {{"altsect", "00"}}, .given = NumberBoxWith(0), .then = Chosen(1)},
    {.name = "NumberSum", .build = 70, .device = {{"altsect", "01"}}, .given = NumberBoxWith(0), .then = Chosen(2)},
    {.name = "NumberToNumber", .build = 70, .device = {{"altsect", "FF"}}, .given = NumberBoxWith(2), .then = Chosen(0)},
    {.name = "NumberUnknownIsAnError", .build = 70, .device = {{"altsect", "05"}}, .given = NumberBoxWith(0),
     .errors = {R("Изменение номеров для панели Altonika")}, .then = Chosen(0)},
    {.name = "NumberRefusedKeepsTheChoice", .build = 70, .refused = {"altsect"}, .given = NumberBoxWith(2),
     .errors = {R("Изменение номеров для панели Altonika")}, .then = Chosen(2)},
    {.name = "UntitledGroupsFailNamed", .refused = {"pxobj5", "P2"},
     .given = [](TFormCommon& p) { p.ImeiIdentCh->SetChecked(true); p.ParadoxBox->Show(); p.ParED[5]->SetText("0555"); },
     .errors = {R("Номера подсистем"), R("Протокол IMEI ident")},
     .shown = {{"ParED5", "0555"}, {"ImeiIdentCh", "1"}}},  // a failed read is not the protocol switched off
    {.name = "ImeiIdentOff", .device = {{"P2", "FF"}}, .given = [](TFormCommon& p) { p.ImeiIdentCh->SetChecked(true); },
     .shown = {{"ImeiIdentCh", "0"}}},
    {.name = "FailedReadsKeepTheirControls", .refused = {"o", "AH", "slowcid", "masterkey"},
     .given = [](TFormCommon& p) { p.etO->SetText("1234"); p.MKEdit->SetText("7777"); },
     .errors = {R("№ объекта"), R("Время"), R("Параметры голосового Contact ID"), R("Местер-ключ")},
     .shown = {{"etO", "1234"}, {"MKEdit", "7777"}}},
    {.name = "SlowCidUnknown", .device = {{"slowcid", "77"}}, .errors = {R("Параметры голосового Contact ID")}},
    {.name = "ImeiUnread", .refused = {"IMEI"}, .then = [](TFormCommon& p) { EXPECT_EQ(p.ImeiLabel->Caption(), "ошибка чтения"); }},

    {.name = "ModernWrite", .write = true,
     .given = [](TFormCommon& p) { p.etO->SetText("5A"); p.MKEdit->SetText("4321"); p.ImeiIdentCh->SetChecked(true); p.rbSlowCID1->SetChecked(true); },
     .wire = Lines{"+o005A", kClock, "+slowcidFF", "+masterkey4321", "+P200"},
     .logged = Lines{"Пишу \"№ объекта\"", "Пишу \"Время\"", "Пишу \"Параметры голосового ContactID\""},
     .shown = {{"etO", "005A"}}, .stored = {{"slowcid", "FF"}, {"P2", "00"}}},
    {.name = "WriteSlowedCid", .write = true, .given = [](TFormCommon& p) { p.rbSlowCID2->SetChecked(true); },
     .stored = {{"slowcid", "00"}, {"P2", "FF"}}},
    {.name = "WriteNumberChoiceAndParadox", .write = true,
     .given = [](TFormCommon& p) { NumberBoxWith(2)(p); p.ParadoxBox->Show(); p.ParED[2]->SetText("0333"); },
     .stored = {{"altsect", "01"}, {"pxobj2", "0333"}}},
    {.name = "EmptyNumberIsTheFactoryNumber", .write = true, .given = [](TFormCommon& p) { p.etO->SetText(""); },
     .shown = {{"etO", "0050"}}, .stored = {{"o", "0050"}}},
    {.name = "NumberNotHexIsBelowOne", .write = true, .given = [](TFormCommon& p) { p.etO->SetText("0G1"); }, .stored = {{"o", "0050"}}},
    {.name = "NumberTooLongIsNotSent", .write = true, .given = [](TFormCommon& p) { p.etO->SetText("12345"); },
     .wire = Lines{kClock, "+slowcid00", "+masterkey5816", "+P2FF"},
     .errors = {W("№ объекта") + ": Длина номера больше 4-х символов!"}},
    {.name = "MasterKeyWithALetter", .write = true, .given = [](TFormCommon& p) { p.MKEdit->SetText("12a4"); },
     .errors = {W("Мастер-ключ") + ": Мастер-ключ должен состоять из 4-х цифр!"}, .stored = {{"masterkey", "1234"}}},
    {.name = "MasterKeyTooShort", .write = true, .given = [](TFormCommon& p) { p.MKEdit->SetText("123"); },
     .errors = {W("Мастер-ключ") + ": Мастер-ключ должен состоять из 4-х цифр!"}, .stored = {{"masterkey", "1234"}}},
    {.name = "WriteBuild96MasterKey", .write = true, .build = 96, .given = [](TFormCommon& p) { p.MKEdit->SetText("4321"); },
     .stored = {{"masterkey", "4321"}}},
    {.name = "FailedWritesAreListed", .write = true, .refused = {"o", "slowcid", "masterkey", "P2"},
     .errors = {W("№ объекта"), W("Параметры голосового ContactID"), W("Мастер-ключ"), W("Протокол IMEI ident")}},
    {.name = "FailedParadoxWrite", .write = true, .refused = {"pxobj5"}, .given = Boxes(false, true, true),
     .errors = {W("Номера подсистем")}},
    {.name = "OldWrite", .write = true, .build = 47,
     .given = [](TFormCommon& p) { p.rbPar->SetChecked(true); p.cbIARazd->SetChecked(false); p.cbARazd->SetItemIndex(9); },
     .stored = {{"typepan", "FE"}, {"altsect", "0A"}}},
    {.name = "OldWriteNoSection", .write = true, .build = 47,
     .given = [](TFormCommon& p) { p.rbAlt->SetChecked(true); p.cbIARazd->SetChecked(true); },
     .stored = {{"typepan", "00"}, {"altsect", "00"}}},
    {.name = "OldWriteRefused", .write = true, .build = 47, .refused = {"typepan", "altsect"},
     .errors = {W("Тип передающей панели"), W("Номер раздела для сообщений панели Altonika")}},
    {.name = "NumberChangeWrite", .write = true, .build = 69,
     .given = [](TFormCommon& p) { Boxes(true, false)(p); p.cbAltsect->SetChecked(true); }, .stored = {{"altsect", "00"}}},
    {.name = "NumberChangeWriteRefused", .write = true, .build = 69, .refused = {"altsect"}, .given = Boxes(true, false),
     .errors = {W("Изменение номеров для панели Altonika")}},
};

PAGE_EXCHANGES(Common, kCommonExchanges);

}  // namespace
