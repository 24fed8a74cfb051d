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

// Closing the main window ends the program: held by the main window's tests.

}  // namespace
