#include "ui/Forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/Application.h"
#include "ui/Driver.h"
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

// A page whose handler uses its own members, to show that tearing the page down runs no handler.
class TPage : public TForm {
public:
    explicit TPage(TComponent* owner) : TForm(owner)
    {
        auto* outer = Create<TPanel>(this, "outer", this);
        auto* grid = Create<TPanel>(this, "grid", outer);
        grid->SetAlign(alClient);
        grid->OnResize = [this](TObject*) { resizes.push_back(1); };
        auto* top = Create<TPanel>(this, "top", outer);
        top->SetAlign(alTop);
    }
    std::vector<int> resizes{0};
};

class FormsTest : public ::testing::Test {
protected:
    ApplicationScope scope;
    Application& app = scope.App();
    Driver user{app};
    TForm* main = app.CreateForm<TForm>("FormMain");
};

TEST_F(FormsTest, CreateRunsOnCreateOnceTheFormIsComplete)
{
    auto* dialog = Create<TDialog>(main, "FormConnect");
    EXPECT_TRUE(dialog->created);
}

TEST_F(FormsTest, ShowModalEndsWithAResultPostedBeforeIt)
{
    auto* dialog = Create<TDialog>(main, "D");
    scope.Services().AnswerModal([](TForm&) {});
    app.Post([dialog] { dialog->SetModalResult(mrYes); });
    EXPECT_EQ(dialog->ShowModal(), mrYes);
    EXPECT_FALSE(dialog->Visible());
}

TEST_F(FormsTest, AScriptedUserAnswersTheModalFormWithItsButton)
{
    auto* dialog = Create<TDialog>(main, "FormConnect");
    main->Show();
    scope.Services().AnswerModal([this](TForm& form) { user.Click(*static_cast<TDialog&>(form).Ok); });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(scope.Services().ModalForms(), (std::vector<std::string>{"FormConnect"}));
}

TEST_F(FormsTest, AnUnansweredModalFormIsCancelledInsteadOfHanging)
{
    auto* dialog = Create<TDialog>(main, "FormErrors");
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
}

TEST_F(FormsTest, ModalLoopsNestAndTimersRunInside)
{
    main->Show();
    auto* outer = Create<TDialog>(main, "Outer");
    auto* inner = Create<TDialog>(main, "Inner");
    auto* timer = Create<TTimer>(main, "Timer1");
    timer->SetInterval(100);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) { ++ticks; };
    TModalResult innerResult = mrNone;
    // The outer dialog opens the inner one; the inner one is ended by a timer after some time.
    scope.Services().AnswerModal([&](TForm&) { app.Post([&] { innerResult = inner->ShowModal(); outer->SetModalResult(mrRetry); }); });
    scope.Services().AnswerModal([&](TForm&) {
        auto* closer = Create<TTimer>(inner, "closer");
        closer->SetInterval(500);
        closer->OnTimer = [&](TObject*) { user.Click(*inner->Ok); };
    });
    EXPECT_EQ(outer->ShowModal(), mrRetry);
    EXPECT_EQ(innerResult, mrOk);
    EXPECT_GE(ticks, 4);
}

TEST_F(FormsTest, AModalFormBlocksInputToTheWindowsBehindIt)
{
    main->Show();
    auto* behind = Create<TButton>(main, "tbConnect", main);
    int clicks = 0;
    behind->OnClick = [&](TObject*) { ++clicks; };
    auto* dialog = Create<TDialog>(main, "D");
    bool refused = false;
    scope.Services().AnswerModal([&](TForm&) {
        refused = !user.Click(*behind);
        user.PressKey(*dialog->Ok, VK_ESCAPE);
    });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(user.Click(*behind));
    EXPECT_EQ(clicks, 1);
}

TEST_F(FormsTest, CloseQueryAndCaNoneKeepAModalFormOpen)
{
    auto* dialog = Create<TDialog>(main, "FormDial");
    int attempts = 0;
    dialog->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++attempts > 1; };
    std::vector<TModalResult> closes;
    dialog->OnClose = [&](TObject*, TCloseAction& action) {
        closes.push_back(dialog->ModalResult());
        if (closes.size() == 1) action = caNone;
    };
    scope.Services().AnswerModal([&](TForm&) {
        auto* timer = Create<TTimer>(dialog, "again");
        timer->SetInterval(10);
        timer->OnTimer = [&](TObject*) { dialog->Close(); };
        dialog->Close();
    });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_EQ(attempts, 3);
    EXPECT_EQ(closes.size(), 2u);
}

TEST_F(FormsTest, AnExceptionInOnCloseReachesTheHandlerAndTheFormStaysOpen)
{
    auto* dialog = Create<TDialog>(main, "D");
    int closes = 0;
    dialog->OnClose = [&](TObject*, TCloseAction&) {
        if (++closes == 1) throw std::runtime_error("port");
    };
    scope.Services().AnswerModal([&](TForm&) {
        dialog->SetModalResult(mrOk);
        app.Post([&] { dialog->SetModalResult(mrOk); });
    });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].text, "port");
}

TEST_F(FormsTest, FreeingAFormRealignsNothingOnTheWay)
{
    auto* page = Create<TPage>(main, "FormCommon");
    const std::size_t before = page->resizes.size();
    EXPECT_GT(before, 1u);  // the panel did realign while the page lived
    Free(page);
    EXPECT_EQ(main->FindComponent("FormCommon"), nullptr);
}

TEST_F(FormsTest, ShowModalOfAVisibleFormIsRefused)
{
    auto* dialog = Create<TDialog>(main, "D");
    dialog->Show();
    EXPECT_THROW(dialog->ShowModal(), std::logic_error);
}

TEST_F(FormsTest, ClosingTheMainFormTerminatesTheApplication)
{
    bool closed = false;
    main->OnClose = [&](TObject*, TCloseAction&) { closed = true; };
    main->Show();
    user.CloseForm(*main);
    EXPECT_TRUE(closed && app.Terminated());
}

TEST_F(FormsTest, CaFreeReleasesTheFormFromTheQueue)
{
    auto* window = Create<TForm>(main, "FormWaiting");
    window->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    window->Show();
    window->Close();
    EXPECT_EQ(main->FindComponent("FormWaiting"), window);
    app.ProcessMessages();
    EXPECT_EQ(main->FindComponent("FormWaiting"), nullptr);
}

TEST_F(FormsTest, ShowAndHideFireTheirEventsAndActivationMoves)
{
    std::vector<std::string> events;
    auto* page = Create<TForm>(main, "formBolid");
    page->OnShow = [&](TObject*) { events.push_back("show"); };
    page->OnHide = [&](TObject*) { events.push_back("hide"); };
    page->Show();
    page->Show();
    page->Hide();
    EXPECT_EQ(events, (std::vector<std::string>{"show", "hide"}));

    std::vector<std::string> activations;
    main->OnActivate = [&](TObject*) { activations.push_back("main"); };
    auto* other = Create<TForm>(main, "other");
    other->OnActivate = [&](TObject*) { activations.push_back("other"); };
    main->Show();
    other->Show();
    other->Hide();
    EXPECT_EQ(activations, (std::vector<std::string>{"main", "other", "main"}));
}

TEST_F(FormsTest, FocusMovesWithExitAndEnter)
{
    main->Show();
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
