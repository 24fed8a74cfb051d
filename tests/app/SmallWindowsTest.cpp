#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/fAbout.h"
#include "app/fErrors.h"
#include "app/fLoad.h"
#include "app/fProgress.h"
#include "app/fUpdateIns.h"
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

TEST_F(SmallWindows, WindowsCarryTheirTitlesAndTextsAndFitTheirControls)
{
    auto* progress = Create<TFormProgress>(main, "FormProgress");
    EXPECT_EQ(progress->Caption(), "Прогресс");
    EXPECT_EQ(progress->Button1->Caption(), "Отмена");
    auto* errors = Create<TFormErrors>(main, "FormErrors");
    EXPECT_EQ(errors->Caption(), "Ошибки");
    EXPECT_EQ(errors->Label1->Caption(), "Количество ошибок");
    auto* splash = Create<TFormLoad>(main, "FormLoad");
    EXPECT_EQ(splash->Caption(), "Зугрузка");
    EXPECT_EQ(splash->Label1->Caption(), "Программа настройки SorvelGSM-7-QX3");
    EXPECT_EQ(splash->ClientWidth(), std::max(388, splash->Label1->Width() + 16)) << "wider where the font needs it";
    auto* about = Create<TFormAbout>(main, "FormAbout");
    EXPECT_EQ(about->Caption(), "О программе");
    ASSERT_FALSE(ProgramFileVersion().empty());
    EXPECT_EQ(about->KitLabel2->Caption(), "Программа настройки \"Sorvel GSM-7-QX3\"\nВерсия " + ProgramFileVersion());
    EXPECT_GE(about->KitLabel2->Width(), TextWidthEstimate(TFormAbout::ProgramName, about->KitLabel2->Font()));
    EXPECT_FALSE(about->KitURLLabel1->Visible()) << "no web address is known: nothing to click";
    const Bitmap& banner = about->Image1->PictureBitmap();
    ASSERT_EQ(banner.width(), about->ClientWidth()) << "a picture across the top";
    EXPECT_EQ(banner.height(), about->Image1->Height());
    EXPECT_NE(banner.pixel(0, 0), banner.pixel(0, banner.height() - 1)) << "a gradient";
    for (const TForm* form : {static_cast<const TForm*>(progress), static_cast<const TForm*>(errors), static_cast<const TForm*>(splash),
                              static_cast<const TForm*>(about)})
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

TEST_F(SmallWindows, ErrorListShowsTheCountAndOneRowPerLine)
{
    auto* form = Create<TFormErrors>(main, "FormErrors");
    form->ShowList({"a", "b", "c"});
    EXPECT_EQ(form->pErrCount->Caption(), "3");
    ASSERT_EQ(form->lErrors->ItemCount(), 3);
    EXPECT_EQ(form->lErrors->Item(2)->Caption, "c");
}

TEST_F(SmallWindows, WaitingWindowIsShownWhenMadeAndGoesWhenFreed)
{
    int shown = 0;
    auto* form = Create<TFormWaiting>(main, "FormWaiting");
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(form->Label1->Caption(), "Пожалуйста, подождите. Идет удаление истории...");
    ExpectInside(*form);
    form->OnShow = [&](TObject*) { ++shown; };
    Free(form);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(main->FindComponent("FormWaiting"), nullptr);
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
