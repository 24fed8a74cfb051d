#include "app/fCommon.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/DeviceController.h"
#include "app/fMain.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/SimDevice.h"
#include "ui/Application.h"
#include "ui/Canvas.h"
#include "ui/Driver.h"
#include "ui/Layout.h"

namespace {

using testsupport::Profile;
using testsupport::SimDevice;

// ------------------------------------------------------------------ value routines

TEST(DeviceDateToText, SwapsYearAndDayAndKeepsTheRest)
{
    std::string s = "26/12/05,10:20:30";
    DeviceDateToText(s);
    EXPECT_EQ(s, "05/12/26,10:20:30");
    s = "2";  // a short clock reply must not throw
    EXPECT_NO_THROW(DeviceDateToText(s));
}

TEST(HexAndBinary, ConvertBothWays)
{
    std::string s = "00001010";
    BinStrToHex(s);
    EXPECT_EQ(s, "0A");
    s = "111111111";
    BinStrToHex(s);
    EXPECT_EQ(s, "1FF");

    s = " a5 ";
    EXPECT_TRUE(HexToBinStr(s));
    EXPECT_EQ(s, "10100101");
    s = "g1";
    EXPECT_FALSE(HexToBinStr(s));
    EXPECT_EQ(s, "G1");
    s = "1";
    EXPECT_FALSE(HexToBinStr(s));

    EXPECT_EQ(HexTextValue("8001"), 0x8001);
    EXPECT_EQ(HexTextValue("GG"), 0);
}

// ------------------------------------------------------------------ the page and its exchange

class CommonPageTest : public ::testing::Test {
protected:
    CommonPageTest()
    {
        main->Show();
        page->Show();
    }

    void Connect(int build, sim::PanelKind panel = sim::PanelKind::Altonika)
    {
        dc.reset();
        sim = std::make_unique<SimDevice>(Profile(build, panel), scope.Clock());
        dc = std::make_unique<TDeviceController>(sim->worker, &log);
        dc->Device().SetTimeoutFloor(SimDevice::kTimeoutMs);
        dc->Major = 5;
        dc->Build = build;
        dc->Now = [] { return SimDevice::kWallStart + 60; };
    }
    // What the page exchange asked of the device, and the lines of its error list.
    std::vector<std::string> Read()
    {
        sim->line.ClearReceived();
        dc->ClearErrors();
        dc->ReadForm(*page);
        return sim->line.Requests();
    }
    std::vector<std::string> Write()
    {
        sim->line.ClearReceived();
        dc->ClearErrors();
        dc->WriteForm(*page);
        return sim->line.Requests();
    }
    std::vector<std::string> Errors() const { return dc->GetErrors().Lines(); }
    // A press and release of the left button over the glyph, as the user clicks.
    void ClickWithMouse(TKitRadioButton& r)
    {
        const ui::TPoint at = r.GlyphPosition();
        ASSERT_TRUE(user.MouseDown(r, ui::mbLeft, {}, at.X + 5, at.Y + 5));
        ASSERT_TRUE(user.MouseUp(r, ui::mbLeft, {}, at.X + 5, at.Y + 5));
    }
    void Fail(const std::string& prefix) { sim->line.AddFault(prefix, {sim::FaultKind::Nok}, 3); }

    ui::ApplicationScope scope;
    ui::Driver user{scope.App()};
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    TFormCommon* page = ui::Create<TFormCommon>(main->PagesPane, "FormCommon", main->PagesPane);
    testsupport::RecordingLog log;
    std::unique_ptr<SimDevice> sim;
    std::unique_ptr<TDeviceController> dc;
};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<std::string> kParadoxReads = {"+pxobj0", "+pxobj1", "+pxobj2", "+pxobj3",
                                                "+pxobj4", "+pxobj5", "+pxobj6", "+pxobj7"};

TEST_F(CommonPageTest, ObjectNumberRules)
{
    EXPECT_FALSE(page->etO->OnKeyPress) << "the hexadecimal filter comes with the edit's first change";
    EXPECT_FALSE(page->ParED[3]->OnKeyPress);
    page->ParED[3]->SetText("1");
    EXPECT_TRUE(page->ParED[3]->OnKeyPress);
    page->KitGroupBox1->Show();
    page->KitRadioButton3->SetChecked(true);
    page->etO->SetText("");
    user.TypeText(*page->etO, "9000");
    EXPECT_EQ(page->etO->Text(), "8000");

    page->etO->SetText("");
    user.TypeText(*page->etO, "0000");
    EXPECT_EQ(page->etO->Text(), "0050");

    page->etO->SetText("");
    user.TypeText(*page->etO, "z1a");
    EXPECT_EQ(page->etO->Text(), "1A") << "hexadecimal digits only, typed upper-case";

    page->etO->SetText("GG");
    user.Focus(*page->MKEdit);
    EXPECT_EQ(page->etO->Text(), "0050") << "leaving a number below 1 gives the factory number";

    page->KitRadioButton1->SetChecked(true);
    page->etO->SetText("9000");
    EXPECT_EQ(page->etO->Text(), "9000");
    ClickWithMouse(*page->KitRadioButton3);
    EXPECT_TRUE(page->KitRadioButton3->Checked());
    EXPECT_FALSE(page->KitRadioButton1->Checked());
    EXPECT_EQ(page->etO->Text(), "8000");
}

TEST_F(CommonPageTest, NumberRadiosAreTheKitsOneChoiceOfThree)
{
    page->KitGroupBox1->Show();
    TKitRadioButton* const radios[] = {page->KitRadioButton1, page->KitRadioButton2, page->KitRadioButton3};
    EXPECT_TRUE(radios[0]->Checked()) << "the designed choice";
    for (int i : {1, 2, 0}) {
        ClickWithMouse(*radios[i]);
        for (int j = 0; j < 3; ++j) EXPECT_EQ(radios[j]->Checked(), i == j) << i << " " << j;
    }

    // The generic routines pass the kit's radio buttons by.
    ClickWithMouse(*radios[2]);
    page->LoadDefaults();
    EXPECT_TRUE(radios[2]->Checked());
    TMemIniFile ini("/nonexistent/none.ini");
    page->SaveToIni(ini);
    for (TKitRadioButton* r : radios) EXPECT_FALSE(ini.ValueExists("FormCommon", r->Name())) << r->Name();
    ClickWithMouse(*radios[1]);
    page->LoadFromIni(ini);
    EXPECT_TRUE(radios[1]->Checked());
}

TEST_F(CommonPageTest, SectionListIsUsableOnlyWhenTheSectionIsUsed)
{
    page->cbIARazd->SetChecked(true);
    EXPECT_FALSE(page->lbARazd->Enabled());
    page->cbIARazd->SetChecked(false);
    EXPECT_TRUE(page->cbARazd->Enabled());
}

TEST_F(CommonPageTest, SignalLevels)
{
    Connect(120);
    sim->device.SetValue("U", "1F03");
    Read();
    EXPECT_EQ(page->etSignal->Text(), "31");
    EXPECT_EQ(page->PSignal->PartsComplete(), 31u);
    EXPECT_EQ(page->etError->Text(), "3");
    EXPECT_EQ(page->PEr->PartsComplete(), 3u);

    sim->device.SetValue("U", "6363");
    Read();
    EXPECT_EQ(page->etSignal->Text(), "99");
    EXPECT_EQ(page->PSignal->PartsComplete(), 0u);

    // A start shows the levels kept in the ini file in the fields and the bars alike.
    TMemIniFile ini("/nonexistent/none.ini");
    for (const auto& [signal, errors, signalParts, errorParts] :
         {std::tuple{"26", "4", 26u, 4u}, std::tuple{"99", "", 0u, 0u}, std::tuple{"x", "7", 0u, 7u}}) {
        ini.WriteString("FormCommon", "etSignal", signal);
        ini.WriteString("FormCommon", "etError", errors);
        page->LoadFromIni(ini);
        EXPECT_EQ(page->PSignal->PartsComplete(), signalParts) << signal;
        EXPECT_EQ(page->PEr->PartsComplete(), errorParts) << errors;
    }

    for (const char* bad : {"", "ZZ03", "1F"}) {
        sim->device.SetValue("U", bad);
        page->etSignal->SetText("kept");
        Read();
        EXPECT_EQ(Errors(), std::vector<std::string>{"Ошибка при чтении параметра \"Сигнал\""}) << bad;
        EXPECT_EQ(page->etSignal->Text(), "kept") << bad;
    }
}

TEST_F(CommonPageTest, ModernFirmwareReadsItsGroupsInOrder)
{
    Connect(120);
    const std::vector<std::string> base = {"+o", "+AH", "+U", "+slowcid"};
    const std::vector<std::string> tail = {"+masterkey", "+P2", "+IMEI"};
    EXPECT_EQ(Read(), Join(base, tail));

    page->KitGroupBox1->Show();
    page->ParadoxBox->Show();
    EXPECT_EQ(Read(), Join(Join(Join(base, {"+altsect"}), kParadoxReads), tail));
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(page->etTime->Text(), "17/05/24,13:45:10");
    EXPECT_EQ(page->ImeiLabel->Caption(), "356938035643809");
}

TEST_F(CommonPageTest, FirmwareGatesOfTheRead)
{
    struct Case {
        int build;
        bool sectionBox;
        bool numberBox;
        std::vector<std::string> requests;
    };
    const std::vector<Case> cases = {
        {47, false, false, {"+o", "+AH", "+U", "+typepan", "+slowcid", "+altsect"}},
        {49, false, false, {"+o", "+AH", "+U", "+slowcid"}},
        {49, true, false, {"+o", "+AH", "+U", "+slowcid", "+altsect"}},
        {69, true, true, {"+o", "+AH", "+U", "+slowcid", "+altsect"}},
        {70, true, false, {"+o", "+AH", "+U", "+slowcid"}},
        {70, false, true, {"+o", "+AH", "+U", "+slowcid", "+altsect"}},
        {95, false, false, {"+o", "+AH", "+U", "+slowcid"}},
        {96, false, false, {"+o", "+AH", "+U", "+slowcid", "+masterkey"}},
    };
    for (const Case& c : cases) {
        Connect(c.build);
        page->GroupBox6->SetVisible(c.sectionBox);
        page->KitGroupBox1->SetVisible(c.numberBox);
        EXPECT_EQ(Read(), c.requests) << c.build << " " << c.sectionBox << c.numberBox;
        EXPECT_TRUE(Errors().empty()) << c.build;
    }
}

TEST_F(CommonPageTest, OldFirmwareValues)
{
    Connect(47);
    sim->device.SetValue("typepan", "FE");
    sim->device.SetValue("altsect", "0A");
    Read();
    EXPECT_TRUE(page->rbPar->Checked());
    EXPECT_FALSE(page->cbIARazd->Checked());
    EXPECT_EQ(page->cbARazd->ItemIndex(), 9);

    sim->device.SetValue("typepan", "00");
    sim->device.SetValue("altsect", "00");
    Read();
    EXPECT_TRUE(page->rbAlt->Checked());
    EXPECT_TRUE(page->cbIARazd->Checked()) << "no section: \"Не использовать\"";

    sim->device.SetValue("typepan", "05");
    sim->device.SetValue("altsect", "ZZ");
    Read();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Ошибка при чтении параметра \"Тип передающей панели\"",
                                                  "Ошибка при чтении параметра \"Номер раздела для сообщений панели Altonika \""}));
}

TEST_F(CommonPageTest, AltonikaNumberOptions)
{
    Connect(69);
    page->GroupBox6->Show();
    sim->device.SetValue("altsect", "00");
    Read();
    EXPECT_TRUE(page->cbAltsect->Checked());
    sim->device.SetValue("altsect", "FF");
    Read();
    EXPECT_FALSE(page->cbAltsect->Checked());
    sim->device.SetValue("altsect", "XY");
    Read();
    EXPECT_EQ(Errors(), std::vector<std::string>{"Ошибка при чтении параметра \"Изменение номеров для панели Altonika\""});

    Connect(70);
    page->GroupBox6->Hide();
    page->KitGroupBox1->Show();
    const std::pair<const char*, TKitRadioButton*> codes[] = {
        {"00", page->KitRadioButton2}, {"01", page->KitRadioButton3}, {"FF", page->KitRadioButton1}};
    for (const auto& [code, radio] : codes) {
        sim->device.SetValue("altsect", code);
        Read();
        EXPECT_TRUE(radio->Checked()) << code;
    }
    sim->device.SetValue("altsect", "05");
    Read();
    EXPECT_TRUE(page->KitRadioButton1->Checked()) << "an unknown value changes nothing";
    EXPECT_EQ(Errors(), std::vector<std::string>{"Ошибка при чтении параметра \"Изменение номеров для панели Altonika\""})
        << "but the page cannot show what the device holds";
}

TEST_F(CommonPageTest, ReadsWithoutProgressStepsAreListedWhenTheyFail)
{
    Connect(120);
    page->ImeiIdentCh->SetChecked(true);
    page->ParadoxBox->Show();
    page->ParED[5]->SetText("0555");
    Fail("+pxobj5");
    Fail("+P2");
    Read();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Ошибка при чтении параметра \"Номера подсистем\"",
                                                  "Ошибка при чтении параметра \"Протокол IMEI ident\""}));
    EXPECT_EQ(page->ParED[5]->Text(), "0555");
    EXPECT_TRUE(page->ImeiIdentCh->Checked()) << "a failed read is not the protocol switched off";
    EXPECT_EQ(log.Texts(testsupport::RecordingLog::Kind::Info),
              (std::vector<std::string>{"Читаю \"№ объекта\"", "Читаю \"Время\"", "Читаю \"Сигнал\"",
                                        "Читаю \"Параметры голосового Contact ID\""}))
        << "the groups without a title have no line in the log";

    sim->device.SetValue("P2", "FF");
    Read();
    EXPECT_FALSE(page->ImeiIdentCh->Checked());

    Connect(70);
    page->GroupBox6->Hide();
    page->KitGroupBox1->Show();
    page->KitRadioButton3->SetChecked(true);
    Fail("+altsect");
    Read();
    EXPECT_EQ(Errors(), std::vector<std::string>{"Ошибка при чтении параметра \"Изменение номеров для панели Altonika\""});
    EXPECT_TRUE(page->KitRadioButton3->Checked());
}

TEST_F(CommonPageTest, FailedReadGroupsAreListedAndKeepTheirControls)
{
    Connect(120);
    page->etO->SetText("1234");
    page->MKEdit->SetText("7777");
    Fail("+o");
    Fail("+AH");
    Fail("+slowcid");
    Fail("+masterkey");
    Read();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Ошибка при чтении параметра \"№ объекта\"",
                                                  "Ошибка при чтении параметра \"Время\"",
                                                  "Ошибка при чтении параметра \"Параметры голосового Contact ID\"",
                                                  "Ошибка при чтении параметра \"Местер-ключ\""}));
    EXPECT_EQ(page->etO->Text(), "1234");
    EXPECT_EQ(page->MKEdit->Text(), "7777");

    sim->device.SetValue("slowcid", "77");
    Read();
    EXPECT_EQ(Errors(), std::vector<std::string>{"Ошибка при чтении параметра \"Параметры голосового Contact ID\""});

    Fail("+IMEI");
    Read();
    EXPECT_EQ(page->ImeiLabel->Caption(), "ошибка чтения");
}

TEST_F(CommonPageTest, ModernFirmwareWritesItsGroups)
{
    Connect(120);
    page->etO->SetText("5A");
    page->MKEdit->SetText("4321");
    page->ImeiIdentCh->SetChecked(true);
    page->rbSlowCID1->SetChecked(true);
    EXPECT_EQ(Write(), (std::vector<std::string>{"+o005A", "+AS\"24/05/17,13:46:10+00\"", "+slowcidFF", "+masterkey4321",
                                                 "+P200"}))
        << "the clock is the PC's (fixed here)";
    EXPECT_EQ(page->etO->Text(), "005A");

    page->KitGroupBox1->Show();
    page->KitRadioButton3->SetChecked(true);
    page->ParadoxBox->Show();
    page->ParED[2]->SetText("0333");
    const auto sent = Write();
    EXPECT_EQ(sim->device.Value("altsect"), "01");
    EXPECT_EQ(sim->device.Value("pxobj2"), "0333");
    EXPECT_EQ(sent.size(), 5u + 1u + 8u);
}

TEST_F(CommonPageTest, ObjectNumberIsCheckedBeforeItIsSent)
{
    Connect(120);
    page->etO->SetText("");
    Write();
    EXPECT_EQ(sim->device.Value("o"), "0050") << "an empty number is the factory number";
    EXPECT_EQ(page->etO->Text(), "0050");

    page->etO->SetText("12345");
    auto sent = Write();
    EXPECT_EQ(sent.front(), "+AS\"24/05/17,13:46:10+00\"") << "nothing sent for the number";
    EXPECT_EQ(Errors(),
              std::vector<std::string>{"Ошибка при записи параметра \"№ объекта\": Длина номера больше 4-х символов!"});

    page->etO->SetText("0G1");
    Write();
    EXPECT_EQ(sim->device.Value("o"), "0050") << "a number that does not convert is below 1";
}

TEST_F(CommonPageTest, MasterKeyIsWrittenOnlyAsFourDigits)
{
    Connect(120);
    for (const char* bad : {"12a4", "123", "12345", ""}) {
        page->MKEdit->SetText(bad);
        const auto sent = Write();
        EXPECT_EQ(Errors(), std::vector<std::string>{
                                "Ошибка при записи параметра \"Мастер-ключ\": Мастер-ключ должен состоять из 4-х цифр!"})
            << bad;
        EXPECT_EQ(sim->device.Value("masterkey"), "1234") << bad;
    }
}

TEST_F(CommonPageTest, FailedWriteGroupsAreListed)
{
    Connect(120);
    page->MKEdit->SetText("1234");
    Fail("+o");
    Fail("+slowcid");
    Fail("+masterkey");
    Fail("+P2");
    Write();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Ошибка при записи параметра \"№ объекта\"",
                                                  "Ошибка при записи параметра \"Параметры голосового ContactID\"",
                                                  "Ошибка при записи параметра \"Мастер-ключ\"",
                                                  "Ошибка при записи параметра \"Протокол IMEI ident\""}));

    page->ParadoxBox->Show();
    page->KitGroupBox1->Show();
    Fail("+pxobj5");
    log.entries.clear();
    Write();
    EXPECT_EQ(Errors(), std::vector<std::string>{"Ошибка при записи параметра \"Номера подсистем\""});
    EXPECT_EQ(log.Texts(testsupport::RecordingLog::Kind::Info),
              (std::vector<std::string>{"Пишу \"№ объекта\"", "Пишу \"Время\"",
                                        "Пишу \"Параметры голосового ContactID\""}))
        << "the groups without a title have no line in the log";
}

TEST_F(CommonPageTest, OldFirmwareWrites)
{
    Connect(47);
    page->rbPar->SetChecked(true);
    page->cbIARazd->SetChecked(false);
    page->cbARazd->SetItemIndex(9);
    Write();
    EXPECT_EQ(sim->device.Value("typepan"), "FE");
    EXPECT_EQ(sim->device.Value("altsect"), "0A");
    page->cbIARazd->SetChecked(true);
    Write();
    EXPECT_EQ(sim->device.Value("altsect"), "00");

    Fail("+typepan");
    Fail("+altsect");
    Write();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Ошибка при записи параметра \"Тип передающей панели\"",
                                                  "Ошибка при записи параметра \"Номер раздела для сообщений панели Altonika\""}));

    Connect(69);
    page->GroupBox6->Show();
    page->cbAltsect->SetChecked(true);
    Write();
    EXPECT_EQ(sim->device.Value("altsect"), "00");
    Fail("+altsect");
    Write();
    EXPECT_EQ(Errors(), std::vector<std::string>{"Ошибка при записи параметра \"Изменение номеров для панели Altonika\""});
}

TEST_F(CommonPageTest, ImeiIsCopiedToTheClipboard)
{
    page->ImeiLabel->SetCaption("356938035643809");
    page->ImeiLabel->Click();
    EXPECT_EQ(scope.Services().Text(), "356938035643809");
}

}  // namespace
