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
    EXPECT_EQ(std::pair(innerResult, refused), std::pair(mrCancel, true));
    EXPECT_GE(ticks, 4);
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
    EXPECT_EQ(std::pair(attempts, closes), std::pair(4, 3));
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].text, "port");
}

TEST_F(FormsTest, ClosingTheMainFormTerminatesAndCaFreeReleasesAWindowFromTheQueue)
{
    auto* window = Create<TForm>(main, "FormWaiting");
    window->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    auto* other = Create<TForm>(main, "other");
    other->Show();
    window->Show();
    EXPECT_EQ(app.ActiveForm(), window) << "the last window shown takes over";
    window->Close();
    EXPECT_EQ(main->FindComponent("FormWaiting"), window);
    EXPECT_EQ(app.ActiveForm(), other);
    other->Hide();
    EXPECT_EQ(app.ActiveForm(), main);
    app.ProcessMessages();
    EXPECT_EQ(main->FindComponent("FormWaiting"), nullptr);
    EXPECT_FALSE(app.Terminated());
    user.CloseForm(*main);
    EXPECT_TRUE(app.Terminated());
}

}  // namespace
