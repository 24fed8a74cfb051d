#include "ui/Dialogs.h"

#include <gtest/gtest.h>

#include "ui/Application.h"
#include "ui/Clipboard.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

namespace {

using namespace ui;

class DialogsTest : public ::testing::Test {
protected:
    ApplicationScope scope;
    ScriptedServices& services = scope.Services();
};

TEST_F(DialogsTest, MessageBoxFlagsBecomeTypeAndButtonsAndTheAnswerComesBack)
{
    services.AnswerBox(mrNo);
    EXPECT_EQ(scope.App().MessageBox("Точно?", "", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(scope.App().MessageBox("Обновлние не требуется.", "", MB_OK | MB_ICONINFORMATION), IDOK);
    ASSERT_EQ(services.Boxes().size(), 2u);
    const MessageBoxRequest& first = services.Boxes()[0];
    EXPECT_EQ(first.api, MessageBoxRequest::Api::MessageBox);
    EXPECT_EQ(first.type, mtConfirmation);
    EXPECT_EQ(first.buttons, (TMsgDlgButtons{mbYes, mbNo}));
    EXPECT_EQ(services.Boxes()[1].type, mtInformation);
}

TEST_F(DialogsTest, MessageDlgRecordsItsTypeAndUnscriptedBoxesTakeTheFirstButton)
{
    EXPECT_EQ(MessageDlg("Неправильно введен номер!", mtError, {mbOK}), mrOk);
    EXPECT_EQ(MessageDlg("Вы уверены?", mtConfirmation, {mbYes, mbNo}), mrYes);
    ASSERT_EQ(services.Boxes().size(), 2u);
    EXPECT_EQ(services.Boxes()[0].api, MessageBoxRequest::Api::MessageDlg);
    EXPECT_EQ(services.Boxes()[0].type, mtError);
    EXPECT_EQ(services.Boxes()[0].text, "Неправильно введен номер!");
}

TEST_F(DialogsTest, FileDialogsAddTheDefaultExtensionAndCancelLeavesTheName)
{
    TForm* form = Create<TForm>(&scope.App(), "F");
    auto* save = Create<TSaveDialog>(form, "SFD");
    save->SetDefaultExt("txt");
    save->SetFilter("Text Files|*.txt");
    save->SetOptions({ofOverwritePrompt});
    services.AnswerFileDialog("/tmp/log");
    services.AnswerFileDialog("/tmp/dir.d/log.csv");
    services.AnswerFileDialog(std::nullopt);
    ASSERT_TRUE(save->Execute());
    EXPECT_EQ(save->FileName(), "/tmp/log.txt");
    ASSERT_TRUE(save->Execute());
    EXPECT_EQ(save->FileName(), "/tmp/dir.d/log.csv");
    EXPECT_FALSE(save->Execute());
    EXPECT_EQ(save->FileName(), "/tmp/dir.d/log.csv");
    ASSERT_EQ(services.FileDialogs().size(), 3u);
    EXPECT_TRUE(services.FileDialogs()[0].save);
    EXPECT_TRUE(services.FileDialogs()[0].options.Contains(ofOverwritePrompt));
    auto* open = Create<TOpenDialog>(form, "OFD");
    EXPECT_FALSE(open->Execute());
    EXPECT_FALSE(services.FileDialogs()[3].save);
}

TEST_F(DialogsTest, ClipboardGoesThroughTheService)
{
    Clipboard().SetAsText("356938035643809");
    EXPECT_EQ(services.Text(), "356938035643809");
    EXPECT_EQ(Clipboard().AsText(), "356938035643809");
}

TEST(MenusTest, ShortcutTextAndItemsLeaveTheirParentWhenFreed)
{
    EXPECT_EQ(ShortCutToText(ShortCut('R', {ssCtrl, ssShift})), "Ctrl+Shift+R");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_F1, {})), "F1");
    EXPECT_EQ(ShortCutToText(0), "");
    ApplicationScope scope;
    TForm* form = Create<TForm>(&scope.App(), "F");
    auto* menu = Create<TMainMenu>(form, "MainMenu1");
    auto* file = Create<TMenuItem>(form, "N1");
    auto* exit = Create<TMenuItem>(form, "N2");
    menu->Items().Add(file);
    file->Add(exit);
    EXPECT_EQ(exit->GetParentMenu(), menu);
    Free(exit);
    EXPECT_EQ(file->Count(), 0);
    auto* checked = Create<TMenuItem>(form, "N16");
    checked->SetAutoCheck(true);
    checked->Click();
    EXPECT_TRUE(checked->Checked());
}

}  // namespace
