#include "app/fBolid.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Text.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using namespace ui;

// ------------------------------------------------------------------ text mends

TEST(BolidText, EveryMangledWordIsMended)
{
    EXPECT_EQ(MendBolidText("Да\"а 17.05.24 В ем/ 13:45 Соб+\"ие: Взятие"), "Дата 17.05.24 Время 13:45 Событие: Взятие");
    EXPECT_EQ(MendBolidText("П ибо 12 Пол,зова\"ел, 3"), "Прибор12 Пользователь 3");
    EXPECT_EQ(MendBolidText("Раздел (< и название)"), "Раздел (№ и название)");
    EXPECT_EQ(MendBolidText("Соб+\"ие и Соб+\"ие"), "Событие и Событие");
    EXPECT_EQ(MendBolidText("Дата Время"), "Дата Время");
}

class BolidPage : public ::testing::Test {
protected:
    ApplicationScope scope;
    TformBolid& page = *Create<TformBolid>(&scope.App(), "formBolid");
};

TEST_F(BolidPage, ThePollRunsOnlyWhileThePageIsShown)
{
    EXPECT_FALSE(page.Timer->Enabled());
    EXPECT_EQ(page.Timer->Interval(), 400u);
    page.Show();
    EXPECT_TRUE(page.Timer->Enabled());
    page.Hide();
    EXPECT_FALSE(page.Timer->Enabled());
}

TEST_F(BolidPage, ReceivedTextsAreMendedAndEmptyOnesAddNothing)
{
    page.AddReceived("Соб+\"ие: Тревога");
    page.AddReceived("");
    ASSERT_EQ(page.BolidChat->Lines().Count(), 1);
    EXPECT_EQ(page.BolidChat->Lines()[0], "Событие: Тревога");
    EXPECT_TRUE(page.BolidChat->ReadOnly());
    Driver user(scope.App());
    page.Show();
    user.Click(*page.Button1);
    EXPECT_EQ(page.BolidChat->Lines().Count(), 0);
}

TEST_F(BolidPage, SavingPausesThePollAndWritesTheLines)
{
    const auto path = std::filesystem::temp_directory_path() / "sorvel-bolid-save-test.txt";
    page.AddReceived("Дата 17.05.24");
    page.AddReceived("Шлейф 4");
    page.Show();
    bool pollWhileAsked = true;
    // A file dialog that notes whether the poll ran while it was open.
    struct Watching : ScriptedServices {
        TformBolid* page = nullptr;
        bool* seen = nullptr;
        std::optional<std::string> ShowFileDialog(const FileDialogRequest& r) override
        {
            *seen = page->Timer->Enabled();
            return ScriptedServices::ShowFileDialog(r);
        }
    } watching;
    watching.page = &page;
    watching.seen = &pollWhileAsked;
    watching.AnswerFileDialog(path.string());
    scope.App().SetDialogs(&watching);
    page.Button2Click(nullptr);
    scope.App().SetDialogs(&scope.Services());
    EXPECT_FALSE(pollWhileAsked);
    EXPECT_TRUE(page.Timer->Enabled());
    ASSERT_EQ(watching.FileDialogs().size(), 1u);
    EXPECT_EQ(watching.FileDialogs()[0].defaultExt, "txt");
    EXPECT_EQ(watching.FileDialogs()[0].filter, "Текстовые файлы|*.txt|Все файлы|*.*");
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(platform::Cp1251ToUtf8(content.str()), "Дата 17.05.24\r\nШлейф 4\r\n");
    std::filesystem::remove(path);

    page.Hide();
    page.Button2Click(nullptr);
    EXPECT_FALSE(page.Timer->Enabled()) << "a poll that was off stays off";
}

}  // namespace
