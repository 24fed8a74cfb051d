#include "ui/Forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/UiTest.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

namespace {

using namespace ui;

// A dialog in the program's style: controls made in the constructor, handlers bound there.
class TDialog : public TForm {
public:
    explicit TDialog(TComponent* owner) : TForm(owner)
    {
        Ok = Create<TButton>(this, "Ok", this);
        Ok->SetModalResult(mrOk);
        Ok->SetDefault(true);
        Cancel = Create<TButton>(this, "Cancel", this);
        Cancel->SetModalResult(mrCancel);
        Cancel->SetCancel(true);
        OnCreate = [this](TObject*) { created = true; };
    }
    TButton* Ok;
    TButton* Cancel;
    bool created = false;
};

class FormsTest : public testsupport::UiTest {
protected:
    TForm* main = form;
};

TEST_F(FormsTest, ShowModalEndsWithTheUsersButtonAPostedResultOrCancel)
{
    auto* dialog = Create<TDialog>(main, "FormConnect");
    EXPECT_TRUE(dialog->created);
    scope.Services().AnswerModal([this](TForm& form) { user.Click(*static_cast<TDialog&>(form).Ok); });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_FALSE(dialog->Visible());
    scope.Services().AnswerModal([](TForm&) {});
    app.Post([dialog] { dialog->SetModalResult(mrYes); });
    EXPECT_EQ(dialog->ShowModal(), mrYes);
    EXPECT_EQ(dialog->ShowModal(), mrCancel) << "unanswered: cancelled instead of hanging";
    EXPECT_EQ(scope.Services().ModalForms(), (std::vector<std::string>{"FormConnect", "FormConnect", "FormConnect"}));
    dialog->Show();
    EXPECT_THROW(dialog->ShowModal(), std::logic_error) << "already shown";
    Free(dialog);
    EXPECT_EQ(main->FindComponent("FormConnect"), nullptr);
}

TEST_F(FormsTest, ModalLoopsNestBlockTheWindowsBehindAndRunTimersInside)
{
    auto* behind = Create<TButton>(main, "tbConnect", main);
    auto* outer = Create<TDialog>(main, "Outer");
    auto* inner = Create<TDialog>(main, "Inner");
    auto* timer = Create<TTimer>(main, "Timer1");
    timer->SetInterval(100);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) { ++ticks; };
    TModalResult innerResult = mrNone;
    bool refused = false;
    // The outer dialog opens the inner one; the inner one is ended by a timer after some time.
    scope.Services().AnswerModal([&](TForm&) {
        refused = !user.Click(*behind);
        app.Post([&] {
            innerResult = inner->ShowModal();
            outer->SetModalResult(mrRetry);
        });
    });
    scope.Services().AnswerModal([&](TForm&) {
        auto* closer = Create<TTimer>(inner, "closer");
        closer->SetInterval(500);
        closer->OnTimer = [&](TObject*) { user.PressKey(*inner->Ok, VK_ESCAPE); };
    });
    EXPECT_EQ(outer->ShowModal(), mrRetry);
    EXPECT_EQ(innerResult, mrCancel);
    EXPECT_GE(ticks, 4);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(user.Click(*behind));
}

TEST_F(FormsTest, CloseQueryCaNoneAndAFailingOnCloseKeepAModalFormOpen)
{
    auto* dialog = Create<TDialog>(main, "FormDial");
    int attempts = 0;
    dialog->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++attempts > 1; };
    int closes = 0;
    dialog->OnClose = [&](TObject*, TCloseAction& action) {
        if (++closes == 1) throw std::runtime_error("port");
        if (closes == 2) action = caNone;
    };
    scope.Services().AnswerModal([&](TForm&) {
        auto* timer = Create<TTimer>(dialog, "again");
        timer->SetInterval(10);
        timer->OnTimer = [&](TObject*) { dialog->Close(); };
    });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_EQ(attempts, 4);
    EXPECT_EQ(closes, 3);
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].text, "port");
}

TEST_F(FormsTest, ClosingTheMainFormTerminatesAndCaFreeReleasesAWindowFromTheQueue)
{
    auto* window = Create<TForm>(main, "FormWaiting");
    window->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    window->Show();
    window->Close();
    EXPECT_EQ(main->FindComponent("FormWaiting"), window);
    app.ProcessMessages();
    EXPECT_EQ(main->FindComponent("FormWaiting"), nullptr);
    EXPECT_FALSE(app.Terminated());
    user.CloseForm(*main);
    EXPECT_TRUE(app.Terminated());
}

TEST_F(FormsTest, ShowHideAndActivationFireOnceAndTheLastWindowShownTakesOver)
{
    std::vector<std::string> shown;
    std::vector<std::string> active;
    auto* other = Create<TForm>(main, "other");
    auto* third = Create<TForm>(main, "third");
    for (TForm* f : {main, other, third}) {
        f->OnShow = [&shown, f](TObject*) { shown.push_back(f->Name() + " show"); };
        f->OnHide = [&shown, f](TObject*) { shown.push_back(f->Name() + " hide"); };
        f->OnActivate = [&active, f](TObject*) { active.push_back(f->Name()); };
    }
    other->Show();
    other->Show();
    third->Show();
    third->Hide();
    other->Hide();
    EXPECT_EQ(shown, (std::vector<std::string>{"other show", "third show", "third hide", "other hide"}));
    EXPECT_EQ(active, (std::vector<std::string>{"other", "third", "other", "FormMain"}));
}

TEST_F(FormsTest, FocusMovesWithExitAndEnter)
{
    auto* a = Create<TEdit>(main, "etO", main);
    auto* b = Create<TEdit>(main, "MKEdit", main);
    std::vector<std::string> events;
    a->OnExit = [&](TObject*) { events.push_back("exit a"); };
    b->OnEnter = [&](TObject*) { events.push_back("enter b"); };
    a->SetFocus();
    b->SetFocus();
    EXPECT_EQ(events, (std::vector<std::string>{"exit a", "enter b"}));
    Free(b);
    EXPECT_EQ(main->ActiveControl(), nullptr);
    auto* hidden = Create<TEdit>(main, "hidden", main);
    hidden->Hide();
    hidden->SetFocus();  // refused quietly
    EXPECT_EQ(main->ActiveControl(), nullptr);
}

}  // namespace
