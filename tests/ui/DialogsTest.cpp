#include "ui/Dialogs.h"

#include <gtest/gtest.h>

#include "tests/support/UiTest.h"

namespace {

using namespace ui;

class DialogsTest : public testsupport::UiTest {
protected:
    ScriptedServices& services = scope.Services();
};

TEST_F(DialogsTest, BoxesGoThroughTheServiceWithTheirTypeAndButtons)
{
    services.AnswerBox(mrNo);
    EXPECT_EQ(app.MessageBox("Точно?", "", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageDlg("Неправильно введен номер!", mtError, {mbOK}), mrOk);
    EXPECT_EQ(MessageDlg("Вы уверены?", mtConfirmation, {mbYes, mbNo}), mrYes) << "unscripted: the first button";
    ASSERT_EQ(services.Boxes().size(), 3u);
    const MessageBoxRequest& first = services.Boxes()[0];
    const MessageBoxRequest& second = services.Boxes()[1];
    EXPECT_EQ(std::tuple(first.api, first.type, first.buttons),
              std::tuple(MessageBoxRequest::Api::MessageBox, mtConfirmation, TMsgDlgButtons{mbYes, mbNo}));
    EXPECT_EQ(std::tuple(second.api, second.type, second.text),
              std::tuple(MessageBoxRequest::Api::MessageDlg, mtError, std::string("Неправильно введен номер!")));
}

TEST_F(DialogsTest, FileDialogsAddTheDefaultExtensionAndCancelLeavesTheName)
{
    auto* save = Create<TSaveDialog>(form, "SFD");
    save->SetDefaultExt("txt");
    save->SetOptions({ofOverwritePrompt});
    const std::pair<const char*, const char*> cases[] = {
        {"/tmp/log", "/tmp/log.txt"}, {"/tmp/dir.d/log", "/tmp/dir.d/log.txt"}, {"log.csv", "log.csv"}};
    for (const auto& [chosen, expected] : cases) {
        services.AnswerFileDialog(chosen);
        ASSERT_TRUE(save->Execute());
        EXPECT_EQ(save->FileName(), expected);
    }
    services.AnswerFileDialog(std::nullopt);
    EXPECT_FALSE(save->Execute());
    EXPECT_EQ(save->FileName(), "log.csv");
    EXPECT_TRUE(services.FileDialogs()[0].save && services.FileDialogs()[0].options.Contains(ofOverwritePrompt));
    EXPECT_FALSE(Create<TOpenDialog>(form, "OFD")->Execute());
    EXPECT_FALSE(services.FileDialogs().back().save);
}

}  // namespace
