#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/fAbout.h"
#include "app/fErrors.h"
#include "app/fLoad.h"
#include "app/fProgress.h"
#include "app/fWaiting.h"
#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/ExtCtrls.h"
#include "ui/Layout.h"

namespace {

using namespace ui;

// Every visible control lies inside its window's client area.
void ExpectInside(const TForm& form)
{
    EXPECT_FALSE(Layout::HasOverlap(form)) << form.Name();
    for (int i = 0; i < form.ControlCount(); ++i) {
        const TControl& c = *form.Controls(i);
        if (!c.Visible()) continue;
        EXPECT_GE(c.Left(), 0) << c.Name();
        EXPECT_GE(c.Top(), 0) << c.Name();
        EXPECT_LE(c.Left() + c.Width(), form.ClientWidth()) << c.Name();
        EXPECT_LE(c.Top() + c.Height(), form.ClientHeight()) << c.Name();
    }
}

class SmallWindows : public ::testing::Test {
protected:
    ApplicationScope scope;
    Driver user{scope.App()};
    // Stands in for the main window: its link watchdog is what the progress window must leave alone.
    TForm* main = scope.App().CreateForm<TForm>("FormMain");
    TTimer* Timer1 = Create<TTimer>(main, "Timer1");

    void SetUp() override
    {
        Timer1->SetEnabled(false);
        Timer1->SetInterval(20000);
    }
};

// ------------------------------------------------------------------ progress window

TEST_F(SmallWindows, ProgressWindowLooksAsDesigned)
{
    auto* form = Create<TFormProgress>(main, "FormProgress");
    EXPECT_EQ(form->Caption(), "Прогресс");
    EXPECT_EQ(form->ClientWidth(), 168);
    EXPECT_EQ(form->ClientHeight(), 56);
    EXPECT_EQ(form->pb->Width(), 150);
    EXPECT_EQ(form->Button1->Caption(), "Отмена");
    ExpectInside(*form);
}

TEST_F(SmallWindows, CancelHidesTheWindowAtOnceAndLeavesTheWatchdogOff)
{
    auto* form = Create<TFormProgress>(main, "FormProgress");
    EXPECT_FALSE(form->Cancelled());
    form->Show();
    ASSERT_TRUE(user.Click(*form->Button1));
    EXPECT_TRUE(form->Cancelled());
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(Timer1->Enabled()) << "the cancelled exchange may still be running";
}

TEST_F(SmallWindows, CancelPressedWhileTheExchangeLetsEventsRunIsSeenAtTheNextStep)
{
    auto* form = Create<TFormProgress>(main, "FormProgress");
    form->pb->SetMax(3);
    form->pb->SetStep(1);
    form->Show();
    // The user's click waits in the queue until the exchange lets window events run.
    scope.App().Post([&] { user.Click(*form->Button1); });
    int steps = 0;
    for (; steps < 3; ++steps) {
        scope.App().ProcessMessages();
        if (form->Cancelled()) break;
        form->pb->StepIt();
    }
    EXPECT_EQ(steps, 0);
    EXPECT_EQ(form->pb->Position(), 0);
}

TEST_F(SmallWindows, CancelSurvivesANewSetUpOfTheBarUntilANewOperationStarts)
{
    auto* form = Create<TFormProgress>(main, "FormProgress");
    form->Show();
    user.Click(*form->Button1);
    // A routine that learns the firmware's group count only after its version test sets the bar up
    // again; the user's cancel in between must still stop it.
    form->pb->SetPosition(0);
    form->pb->SetMin(0);
    form->pb->SetMax(11);
    form->pb->SetStep(1);
    EXPECT_TRUE(form->Cancelled());
    form->Restart();
    EXPECT_FALSE(form->Cancelled());
}

TEST_F(SmallWindows, AHiddenProgressWindowTakesNoCancel)
{
    auto* form = Create<TFormProgress>(main, "FormProgress");
    EXPECT_FALSE(user.Click(*form->Button1));
    EXPECT_FALSE(form->Cancelled());
}

// ------------------------------------------------------------------ error window

TEST_F(SmallWindows, ErrorWindowLooksAsDesigned)
{
    auto* form = Create<TFormErrors>(main, "FormErrors");
    EXPECT_EQ(form->Caption(), "Ошибки");
    EXPECT_EQ(form->ClientWidth(), 426);
    EXPECT_EQ(form->ClientHeight(), 193);
    EXPECT_EQ(form->Label1->Caption(), "Количество ошибок");
    ASSERT_EQ(form->lErrors->ColumnCount(), 1);
    EXPECT_EQ(form->lErrors->Column(0).Width, 500);
    ExpectInside(*form);
}

TEST_F(SmallWindows, ErrorListShowsTheCountAndOneRowPerLine)
{
    auto* form = Create<TFormErrors>(main, "FormErrors");
    form->ShowList({"Ошибка при чтении параметра \"Номер объекта\""});
    EXPECT_EQ(form->pErrCount->Caption(), "1");
    ASSERT_EQ(form->lErrors->ItemCount(), 1);
    EXPECT_EQ(form->lErrors->Item(0)->Caption, "Ошибка при чтении параметра \"Номер объекта\"");

    form->ShowList({"a", "b", "c"});
    EXPECT_EQ(form->pErrCount->Caption(), "3");
    ASSERT_EQ(form->lErrors->ItemCount(), 3);
    EXPECT_EQ(form->lErrors->Item(2)->Caption, "c");
}

// ------------------------------------------------------------------ splash, waiting and About

TEST_F(SmallWindows, SplashWindowLooksAsDesigned)
{
    auto* form = Create<TFormLoad>(main, "FormLoad");
    EXPECT_EQ(form->Caption(), "Зугрузка");
    // As designed, or wider where the font needs it to show the whole line.
    EXPECT_EQ(form->ClientWidth(), std::max(388, form->Label1->Width() + 16));
    EXPECT_EQ(form->ClientHeight(), 47);
    EXPECT_EQ(form->Label1->Caption(), "Программа настройки SorvelGSM-7-QX3");
    ExpectInside(*form);
}

TEST_F(SmallWindows, WaitingWindowIsShownWhenMadeAndGoesWhenFreed)
{
    int shown = 0;
    auto* form = Create<TFormWaiting>(main, "FormWaiting");
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(form->Caption(), "FormWaiting");
    EXPECT_EQ(form->ClientWidth(), std::max(301, form->Label1->Width() + 16));
    EXPECT_EQ(form->ClientHeight(), 50);
    EXPECT_EQ(form->Label1->Caption(), "Пожалуйста, подождите. Идет удаление истории...");
    ExpectInside(*form);
    form->OnShow = [&](TObject*) { ++shown; };
    Free(form);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(main->FindComponent("FormWaiting"), nullptr);
}

TEST_F(SmallWindows, AboutWindowNamesTheMakerAndItsAddress)
{
    auto* form = Create<TFormAbout>(main, "FormAbout");
    EXPECT_EQ(form->Caption(), "О программе");
    EXPECT_EQ(form->KitURLLabel1->Caption(), TFormAbout::MakerAddress);
    EXPECT_EQ(form->KitURLLabel1->URL(), TFormAbout::MakerAddress);
    EXPECT_TRUE(form->KitURLLabel1->WordWrap());
    EXPECT_EQ(form->KitURLLabel1->Alignment(), taCenter);
    EXPECT_EQ(form->KitLabel2->Caption(), TFormAbout::MakerName);
    EXPECT_EQ(form->KitLabel2->Alignment(), taCenter);
    for (const TKitLabel* label : {static_cast<const TKitLabel*>(form->KitURLLabel1), static_cast<const TKitLabel*>(form->KitLabel2)})
        EXPECT_GE(label->Width(), TextWidthEstimate(label->Caption(), label->Font())) << label->Name();
    EXPECT_EQ(form->Button1->Caption(), "OK");
    EXPECT_NE(form->FindComponent("Image1"), nullptr);
    ExpectInside(*form);
}

// Remembers what it was asked to open; starts nothing.
struct FakeOpener : platform::DesktopOpener {
    bool Open(const std::string& target) override
    {
        opened.push_back(target);
        return true;
    }
    bool OpenWith(const std::string&) override { return false; }
    std::vector<std::string> opened;
};

TEST_F(SmallWindows, AboutWindowOpensTheMakersAddressWhenItIsClicked)
{
    auto* form = Create<TFormAbout>(main, "FormAbout");
    FakeOpener opener;
    form->KitURLLabel1->SetOpener(&opener);
    form->Show();
    EXPECT_FALSE(form->KitURLLabel1->Visited());
    ASSERT_TRUE(user.Click(*form->KitURLLabel1));
    EXPECT_EQ(opener.opened, std::vector<std::string>{TFormAbout::MakerAddress});
    EXPECT_TRUE(form->KitURLLabel1->Visited());
    EXPECT_TRUE(form->Visible()) << "the window stays";
}

TEST_F(SmallWindows, AboutWindowClosesWithItsButton)
{
    auto* form = Create<TFormAbout>(main, "FormAbout");
    scope.Services().AnswerModal([&](TForm& shown) { user.Click(*static_cast<TFormAbout&>(shown).Button1); });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_FALSE(form->Visible());

    form->Show();
    form->Button1Click(form->Button1);
    EXPECT_FALSE(form->Visible()) << "shown without a modal loop it just closes";
}

}  // namespace
