#include "app/Sorvel7QX3.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <algorithm>
#include <string>
#include <vector>

#include "app/S7QX1FormsController.h"
#include "app/fAbout.h"
#include "app/fCommon.h"
#include "app/fDial.h"
#include "app/fErrors.h"
#include "app/fLoad.h"
#include "app/fMain.h"
#include "app/fUpdateIns.h"
#include "app/fUpdateInsertion.h"
#include "platform/ProgramFolder.h"
#include "ui/Application.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    StartupTest()
    {
        folder = std::filesystem::temp_directory_path() /
                 ("startup-" + std::to_string(::getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        ::setenv(platform::kProgramFolderVariable, folder.c_str(), 1);
    }
    ~StartupTest() override
    {
        FinishProgram();
        ::unsetenv(platform::kProgramFolderVariable);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    // Watches the splash at every pass of the event pump while it lives.
    void WatchSplash()
    {
        scope.App().Post([this] {
            for (ui::TForm* form : scope.App().Forms()) {
                if (auto* splash = ui::As<TFormLoad>(form)) {
                    opacities.push_back(splash->AlphaBlendValue());
                    WatchSplash();
                    return;
                }
            }
        });
    }

    ui::ApplicationScope scope;
    std::filesystem::path folder;
    std::vector<int> opacities;
};

// Runs the action from the event loop once the program has started.
void WhenStarted(std::function<void()> action)
{
    ui::App().Post([action] {
        if (FormMain != nullptr && FormMain->Controller() != nullptr)
            action();
        else
            WhenStarted(action);
    });
}

TEST_F(StartupTest, TheSplashFadesInThenTheWindowsComeInTheirOrderWithTheController)
{
    const std::uint64_t start = scope.Clock().NowMs();
    WatchSplash();
    StartProgram();
    ASSERT_GE(opacities.size(), static_cast<std::size_t>(SplashPasses));
    EXPECT_EQ(opacities.front(), 200);
    EXPECT_TRUE(std::is_sorted(opacities.begin(), opacities.end()));
    EXPECT_EQ(opacities.back(), FullOpacity) << "the fade ends at full opacity, not wrapped round";
    EXPECT_GE(scope.Clock().NowMs() - start, static_cast<std::uint64_t>(SplashPasses * SplashPauseMs));

    EXPECT_EQ(scope.App().Title(), "Sorvel7QX3");
    std::vector<std::string> names;
    for (ui::TForm* form : scope.App().Forms())
        if (form->Parent() == nullptr) names.push_back(form->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"FormMain", "formUpdateInsertion", "formUpdateIns", "FormErrors", "FormDial",
                                               "FormAbout"}))
        << "the splash is gone; the pages are windows inside the main one";
    EXPECT_EQ(scope.App().MainForm(), FormMain);

    ASSERT_NE(FormMain->Controller(), nullptr);
    TS7QX1FormsController& controller = *FormMain->Controller();
    EXPECT_EQ(controller.CurrentPage, FormCommon);
    EXPECT_EQ(FormMain->tv1->Items().RootCount(), static_cast<int>(controller.Pages().size()));
    EXPECT_FALSE(FormMain->tbRead->Enabled());
    EXPECT_TRUE(FormMain->tbConnect->Enabled());
}

TEST_F(StartupTest, AFolderNamedCurrentIniStartsWithTheDefaultsAndSaysWhy)
{
    std::filesystem::create_directory(folder / "current.ini");
    WhenStarted([] { FormMain->Close(); });
    EXPECT_EQ(RunProgram(), 0);
    const auto& boxes = scope.Services().Boxes();
    ASSERT_EQ(boxes.size(), 1u) << "told at the start; the save at the end leaves the folder alone";
    EXPECT_NE(boxes[0].text.find((folder / "current.ini").string()), std::string::npos) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find("настройками по умолчанию"), std::string::npos) << boxes[0].text;
    EXPECT_TRUE(std::filesystem::is_directory(folder / "current.ini"));
}

}  // namespace
