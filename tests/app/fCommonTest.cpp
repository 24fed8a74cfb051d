#include "app/fCommon.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/PageExchange.h"
#include "ui/Driver.h"

namespace {

using namespace testsupport;

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

const Common::Row kCommonExchanges[] = {
    {.name = "ModernReadsItsGroupsInOrder", .wire = Cat({kBase, kModern}),
     .logged = Lines{"Читаю \"№ объекта\"", "Читаю \"Время\"", "Читаю \"Сигнал\"", "Читаю \"Параметры голосового Contact ID\""},
     .shown = {{"etTime", "17/05/24,13:45:10"}, {"etSignal", "26"}},
     .then = [](TFormCommon& p) { EXPECT_EQ(p.ImeiLabel->Caption(), "356938035643809"); }},
    {.name = "Build49SectionBox", .build = 49, .device = {{"altsect", "00"}}, .given = Boxes(true, false),
     .wire = Cat({kBase, {"+altsect"}}), .shown = {{"cbAltsect", "1"}}},
    {.name = "Build69BothBoxes", .build = 69, .given = Boxes(true, true), .wire = Cat({kBase, {"+altsect"}})},
    {.name = "Build70SectionBox", .build = 70, .given = Boxes(true, false), .wire = kBase},
    {.name = "Signal99IsNone", .device = {{"U", "6363"}}, .shown = {{"etSignal", "99"}, {"etError", "7"}},
     .then = [](TFormCommon& p) { EXPECT_EQ(std::pair(p.PSignal->PartsComplete(), p.PEr->PartsComplete()), std::pair(0u, 7u)); }},
    {.name = "SignalShortAndClockShort", .device = {{"U", "1F"}, {"AH", "2"}}, .errors = {R("Сигнал")}},
    {.name = "OldParadoxAndSection", .build = 47, .device = {{"typepan", "FE"}, {"altsect", "0A"}},
     .wire = Lines{"+o", "+AH", "+U", "+typepan", "+slowcid", "+altsect"}, .shown = {{"rbPar", "1"}, {"cbIARazd", "0"}, {"cbARazd", "9 10"}}},
    {.name = "OldUnknownPanelAndSection", .build = 47, .device = {{"typepan", "05"}, {"altsect", "ZZ"}},
     .errors = {R("Тип передающей панели"), R("Номер раздела для сообщений панели Altonika ")}},
    {.name = "NumberChangeNotHex", .build = 69, .device = {{"altsect", "XY"}}, .given = Boxes(true, false),
     .errors = {R("Изменение номеров для панели Altonika")}},
    {.name = "NumberSum", .build = 70, .device = {{"altsect", "01"}}, .given = NumberBoxWith(0), .then = Chosen(2)},
    {.name = "NumberToNumber", .build = 70, .device = {{"altsect", "FF"}}, .given = NumberBoxWith(2), .then = Chosen(0)},
    {.name = "NumberUnknownIsAnError", .build = 70, .device = {{"altsect", "05"}}, .given = NumberBoxWith(0),
     .errors = {R("Изменение номеров для панели Altonika")}, .then = Chosen(0)},
    {.name = "FailedReadsKeepTheirControls", .refused = {"o", "AH", "slowcid", "masterkey", "pxobj5", "P2", "IMEI"},
     .given = [](TFormCommon& p) {
         p.etO->SetText("1234");
         p.MKEdit->SetText("7777");
         p.ImeiIdentCh->SetChecked(true);
         p.ParadoxBox->Show();
         p.ParED[5]->SetText("0555");
     },
     .errors = {R("№ объекта"), R("Время"), R("Параметры голосового Contact ID"), R("Номера подсистем"), R("Местер-ключ"),
                R("Протокол IMEI ident")},
     // A failed read is not the protocol switched off.
     .shown = {{"etO", "1234"}, {"MKEdit", "7777"}, {"ParED5", "0555"}, {"ImeiIdentCh", "1"}},
     .then = [](TFormCommon& p) { EXPECT_EQ(p.ImeiLabel->Caption(), "ошибка чтения"); }},

    {.name = "ModernWrite", .write = true,
     .given = [](TFormCommon& p) { p.etO->SetText("5A"); p.MKEdit->SetText("4321"); p.ImeiIdentCh->SetChecked(true); p.rbSlowCID1->SetChecked(true); },
     .wire = Lines{"+o005A", kClock, "+slowcidFF", "+masterkey4321", "+P200"},
     .logged = Lines{"Пишу \"№ объекта\"", "Пишу \"Время\"", "Пишу \"Параметры голосового ContactID\""},
     .shown = {{"etO", "005A"}}, .stored = {{"slowcid", "FF"}, {"P2", "00"}}},
    {.name = "WriteNumberChoiceParadoxAndSlowedCid", .write = true,
     .given = [](TFormCommon& p) {
         NumberBoxWith(2)(p);
         p.ParadoxBox->Show();
         p.ParED[2]->SetText("0333");
         p.rbSlowCID2->SetChecked(true);
     },
     // The empty numbers go out as reads: the device answers with its value and nothing is written.
     .errors = {W("Номера подсистем")},
     .stored = {{"altsect", "01"}, {"pxobj2", "0333"}, {"slowcid", "00"}, {"P2", "FF"}}},
    {.name = "NumberTooLongAndMasterKeyTooShortAreNotSent", .write = true,
     .given = [](TFormCommon& p) { p.etO->SetText("12345"); p.MKEdit->SetText("123"); },
     .wire = Lines{kClock, "+slowcid00", "+P2FF"},
     .errors = {W("№ объекта") + ": Длина номера больше 4-х символов!",
                W("Мастер-ключ") + ": Мастер-ключ должен состоять из 4-х цифр!"}},
};

PAGE_EXCHANGES(Common, kCommonExchanges);

// The boxes a firmware shows have their room from the start: the gates of a connect (the section box in
// its numbered form, then the object-number box in its place, a Paradox panel's box) move no box beside.
TEST_F(Common, ShowingTheBoxesOfAFirmwareMovesNoOtherBox)
{
    const auto places = [this] { return std::vector<int>{page->GroupBox4->Left(), page->MKBox->Left(), page->ImeiIdent->Left()}; };
    const std::vector<int> before = places();
    for (ui::TControl* c : std::initializer_list<ui::TControl*>{page->cbIARazd, page->lbARazd, page->cbARazd}) c->Hide();
    for (const auto& show : {Boxes(true, false), Boxes(false, true), Boxes(false, false, true)}) {
        show(*page);
        EXPECT_EQ(places(), before);
    }
}

}  // namespace
