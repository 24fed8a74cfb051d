// The small windows: their titles and texts, the progress window's cancel, the error list, the waiting
// window and the About window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/fAbout.h"
#include "app/fErrors.h"
#include "app/fLoad.h"
#include "app/fProgress.h"
#include "app/fUpdateIns.h"
#include "app/fWaiting.h"
#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/ExtCtrls.h"

namespace {

using namespace ui;

class SmallWindows : public ::testing::Test {
protected:
    ApplicationScope scope;
    Driver user{scope.App()};
    // Stands in for the main window: its link watchdog is what the progress window must leave alone.
    TForm* main = scope.App().CreateForm<TForm>("FormMain");
    TTimer* Timer1 = Create<TTimer>(main, "Timer1");
};

// The waiting window shows when made; the About window closes with its button.
TEST_F(SmallWindows, CarryTheirTitlesAndTextsAndShowAndClose)
{
    auto* progress = Create<TFormProgress>(main, "FormProgress");
    auto* errors = Create<TFormErrors>(main, "FormErrors");
    auto* splash = Create<TFormLoad>(main, "FormLoad");
    auto* waiting = Create<TFormWaiting>(main, "FormWaiting");
    auto* about = Create<TFormAbout>(main, "FormAbout");
    EXPECT_EQ(progress->Caption() + "|" + progress->Button1->Caption() + "|" + errors->Caption() + "|" + errors->Label1->Caption() +
                  "|" + splash->Caption() + "|" + splash->Label1->Caption() + "|" + waiting->Label1->Caption() + "|" +
                  about->Caption(),
              "Прогресс|Отмена|Ошибки|Количество ошибок|Зугрузка|Программа настройки SorvelGSM-7-QX3|Пожалуйста, подождите. "
              "Идет удаление истории...|О программе");
    EXPECT_EQ(splash->ClientWidth(), std::max(388, splash->Label1->Width() + 16)) << "wider where the font needs it";
    ASSERT_FALSE(ProgramFileVersion().empty());
    EXPECT_EQ(about->KitLabel2->Caption(), "Программа настройки \"Sorvel GSM-7-QX3\"\nВерсия " + ProgramFileVersion());
    EXPECT_FALSE(about->KitURLLabel1->Visible()) << "no web address is known: nothing to click";
    EXPECT_TRUE(waiting->Visible()) << "shown when made";
    about->Show();
    about->Button1Click(about->Button1);
    EXPECT_FALSE(about->Visible()) << "closed by its button without a modal loop";
}

// The cancel hides the window at once and leaves the watchdog to the exchange that may still run; a click
// that waits in the queue is seen at the exchange's next step; the cancel survives a new set-up of the bar
// until a new operation starts; a hidden window takes none.
TEST_F(SmallWindows, TheProgressWindowsCancel)
{
    auto* form = Create<TFormProgress>(main, "FormProgress");
    Timer1->SetEnabled(false);
    EXPECT_FALSE(user.Click(*form->Button1));
    EXPECT_FALSE(form->Cancelled());
    form->pb->SetMax(3);
    form->pb->SetStep(1);
    form->Show();
    scope.App().Post([&] { user.Click(*form->Button1); });
    for (int step = 0; step < 3; ++step) {
        scope.App().ProcessMessages();
        if (form->Cancelled()) break;
        form->pb->StepIt();
    }
    EXPECT_EQ(form->pb->Position(), 0);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(Timer1->Enabled());
    form->pb->SetMax(11);
    EXPECT_TRUE(form->Cancelled());
    form->Restart();
    EXPECT_FALSE(form->Cancelled());
}

// The error window shows each line whole, widening for the longest as far as the desktop allows (a line
// longer than that wraps in its row); Esc and Enter close it, Esc closes the About window and cancels a
// running operation's progress window.
TEST_F(SmallWindows, EachErrorLineShowsWholeAndEscOrEnterCloseTheSmallWindows)
{
    scope.App().Screen().SetWorkAreaRect(Bounds(0, 0, 1366, 768));
    auto* errors = Create<TFormErrors>(main, "FormErrors");
    const std::string lost = "Связь с устройством потеряна. Не прочитаны страницы: \"Общие настройки\", "
                             "\"Системные события и автотесты\", \"Каналы связи\"";
    errors->ShowList({"Неверный мастер-ключ", lost});
    EXPECT_GE(errors->lErrors->Column(0).Width, TextExtent(lost, errors->lErrors->Font()).cx);
    EXPECT_LE(errors->lErrors->Column(0).Width, errors->lErrors->Width()) << "no sideways scrolling";
    errors->ShowList({std::string(600, 'W')});
    EXPECT_LE(errors->Width(), 1366);

    const auto closesOn = [&](TForm& window, TWinControl& focused, std::uint16_t key) {
        scope.Services().AnswerModal([&, key](TForm& form) {
            user.PressKey(focused, key);
            if (form.ModalResult() == mrNone) form.SetModalResult(mrAbort);
        });
        return window.ShowModal() != mrAbort;
    };
    EXPECT_TRUE(closesOn(*errors, *errors->lErrors, VK_ESCAPE));
    EXPECT_TRUE(closesOn(*errors, *errors->lErrors, VK_RETURN));
    auto* about = Create<TFormAbout>(main, "FormAbout");
    EXPECT_TRUE(closesOn(*about, *about->Button1, VK_ESCAPE));

    auto* progress = Create<TFormProgress>(main, "FormProgress");
    progress->Show();
    user.PressKey(*progress->Button1, VK_ESCAPE);
    EXPECT_TRUE(progress->Cancelled());
    EXPECT_FALSE(progress->Visible());
}

}  // namespace
