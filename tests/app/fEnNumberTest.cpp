#include "app/fEnNumber.h"

#include <gtest/gtest.h>

#include <filesystem>
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

class EnNumberPage : public ::testing::Test {
protected:
    ApplicationScope scope;
    TFormEnNumber& page = *Create<TFormEnNumber>(&scope.App(), "FormEnNumber");
};

TEST_F(EnNumberPage, TheFlagEnablesTheNumbers)
{
    for (const bool on : {false, true}) {
        page.CheckBox1->SetChecked(on);
        for (int k = 1; k <= 5; ++k) {
            EXPECT_EQ(page.NumberEdit(k)->Enabled(), on) << k;
            EXPECT_EQ(page.NumberEdit(k)->Color(), on ? clWindow : clBtnFace) << k;
        }
    }
}

TEST_F(EnNumberPage, AHiddenFlagLeavesTheNumbersAlone)
{
    page.CheckBox1->SetChecked(true);
    page.CheckBox1->SetVisible(false);
    page.CheckBox1->SetChecked(false);
    EXPECT_TRUE(page.etN1->Enabled());
}

TEST_F(EnNumberPage, APlusIsTypedOnlyWhileTheFlagIsShown)
{
    page.CheckBox1->SetChecked(true);
    page.Show();
    Driver user(scope.App());
    ASSERT_TRUE(user.TypeText(*page.etN1, "+7916"));
    EXPECT_EQ(page.etN1->Text(), "+7916");

    page.CheckBox1->SetVisible(false);
    ASSERT_TRUE(user.TypeText(*page.etN2, "+7a916"));
    EXPECT_EQ(page.etN2->Text(), "7916");
}

TEST_F(EnNumberPage, LoadingTheIniFollowsTheFlag)
{
    TMemIniFile ini(std::filesystem::temp_directory_path() / "sorvel-ennumber-never-written.ini");
    ini.WriteString("FormEnNumber", "CheckBox1", "1");
    ini.WriteString("FormEnNumber", "etN4", "+79990001122");
    page.LoadFromIni(ini);
    EXPECT_TRUE(page.CheckBox1->Checked());
    EXPECT_TRUE(page.etN4->Enabled());
    EXPECT_EQ(page.etN4->Text(), "+79990001122");
}

TEST_F(EnNumberPage, DefaultsEmptyTheNumbersAndClearTheFlag)
{
    page.CheckBox1->SetChecked(true);
    page.etN2->SetText("123");
    page.LoadDefaults();
    EXPECT_FALSE(page.CheckBox1->Checked());
    EXPECT_TRUE(page.AllNumbersEmpty());
}

TEST_F(EnNumberPage, ClearingBeforeAReadKeepsTheFlag)
{
    page.CheckBox1->SetChecked(true);
    page.etN1->SetText("123");
    page.Clear();
    EXPECT_TRUE(page.CheckBox1->Checked());
    EXPECT_TRUE(page.etN1->Enabled());
    EXPECT_EQ(page.etN1->Text(), "");
}

class EnNumberExchange : public testsupport::PageExchange<TFormEnNumber> {
protected:
    EnNumberExchange()
        : PageExchange("FormEnNumber")
    {
        FormEnNumber = page;
        Connect(120);
    }
};

TEST_F(EnNumberExchange, ReadsTheFlagAndFiveNumbersOfEveryPanel)
{
    for (const auto panel : {sim::PanelKind::Altonika, sim::PanelKind::Bolid, sim::PanelKind::Paradox}) {
        Connect(120, panel);
        page->Clear();
        EXPECT_EQ(Read(), (std::vector<std::string>{"+enaing", "+phing0", "+phing1", "+phing2", "+phing3", "+phing4"}));
        EXPECT_TRUE(Errors().empty());
        EXPECT_TRUE(page->CheckBox1->Checked());
        EXPECT_EQ(page->etN1->Text(), "+79161234567");
        EXPECT_EQ(page->etN2->Text(), "+79031112233");
        EXPECT_EQ(page->etN3->Text(), "");
    }
    EXPECT_EQ(log.Texts(testsupport::RecordingLog::Kind::Info).front(), "Читаю \"Флаг включения инженерных номеров\"");
}

TEST_F(EnNumberExchange, AnyFlagButZeroZeroIsOff)
{
    for (const char* value : {"FF", "01"}) {
        device->device.SetValue("enaing", value);
        page->CheckBox1->SetChecked(true);
        Read();
        EXPECT_FALSE(page->CheckBox1->Checked()) << value;
    }
}

TEST_F(EnNumberExchange, WritesNumbersAndTheFlagThatRoundTrip)
{
    Read();
    page->etN3->SetText("+74950001122");
    page->etN1->SetText("");
    EXPECT_EQ(Write(), (std::vector<std::string>{"+enaing00", "+phing0 ", "+phing1+79031112233", "+phing2+74950001122",
                                                 "+phing3 ", "+phing4 "}));
    EXPECT_TRUE(Errors().empty());
    page->Clear();
    Read();
    EXPECT_EQ(page->etN1->Text(), "") << "the blank comes back as no number";
    EXPECT_EQ(page->etN3->Text(), "+74950001122");
}

TEST_F(EnNumberExchange, NoNumbersSwitchTheFlagOff)
{
    page->CheckBox1->SetChecked(true);
    const auto sent = Write();
    EXPECT_FALSE(page->CheckBox1->Checked());
    EXPECT_EQ(sent.front(), "+enaingFF");
    EXPECT_EQ(Stored("phing4"), " ");
}

TEST_F(EnNumberExchange, AFlagThatCannotBeReadIsAnErrorAndStaysOnForTheNextWrite)
{
    page->CheckBox1->SetChecked(true);
    page->Clear();
    device->refused = {"enaing"};
    Read();
    EXPECT_EQ(Errors(), std::vector<std::string>{"Ошибка при чтении параметра \"Флаг включения инженерных номеров\""});
    EXPECT_TRUE(page->CheckBox1->Checked());
    device->refused.clear();
    EXPECT_EQ(Write().front(), "+enaing00");
}

TEST_F(EnNumberExchange, FailedGroupsAreNamedAndTheRestGoesOn)
{
    device->refused = {"phing2", "enaing"};
    page->etN2->SetText("123");
    page->etN3->SetText("456");
    const auto sent = Write();
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Ошибка при записи параметра \"Флаг включения инженерных номеров\"",
                                                  "Ошибка при записи параметра \"Инженерный номер 3\""}));
    EXPECT_EQ(Stored("phing1"), "123");
    EXPECT_EQ(sent.size(), 4u + 2 * 3) << "three attempts for each refused word";
}

TEST_F(EnNumberExchange, ANumberTheDeviceCouldNotTakeIsNotSent)
{
    page->etN2->SetText("+7\t123");
    const auto sent = Write();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0].rfind("Ошибка при записи параметра \"Инженерный номер 2\": ", 0), 0u) << Errors()[0];
    for (const std::string& r : sent) EXPECT_NE(r.rfind("+phing1", 0), 0u) << r;
    EXPECT_EQ(Stored("phing1"), "+79031112233");
}

// The real serial code against the simulated device on a pseudo-terminal.
TEST(EnNumberOverPty, ReadAndWriteTheWholePage)
{
    ApplicationScope scope;
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    FormEnNumber = Create<TFormEnNumber>(main->PagesPane, "FormEnNumber", main->PagesPane);
    testsupport::SimDevice sim(testsupport::Profile(121, sim::PanelKind::Bolid), scope.Clock());
    testsupport::RecordingLog log;
    TDeviceController dc(sim.worker, &log);
    dc.Device().SetTimeoutFloor(testsupport::SimDevice::kTimeoutMs);
    dc.Major = 5;
    dc.Build = 121;
    dc.ReadForm(*FormEnNumber);
    EXPECT_TRUE(dc.GetErrors().Lines().empty());
    EXPECT_EQ(FormEnNumber->etN2->Text(), "+79031112233");
    FormEnNumber->etN5->SetText("+79260000005");
    FormEnNumber->CheckBox1->SetChecked(false);
    dc.WriteForm(*FormEnNumber);
    EXPECT_TRUE(dc.GetErrors().Lines().empty());
    EXPECT_EQ(sim.device.Value("phing4"), "+79260000005");
    EXPECT_EQ(sim.device.Value("enaing"), "FF");
}

}  // namespace
