#include "ui/Dialogs.h"

#include <gtest/gtest.h>

#include "tests/support/UiTest.h"

namespace {

using namespace ui;

class DialogsTest : public testsupport::UiTest {
protected:
    ScriptedServices& services = scope.Services();
};

// Message boxes, their types and texts, are held by the windows' tests that raise them.

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
