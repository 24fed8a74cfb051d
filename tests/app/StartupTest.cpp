#include "app/Sorvel7QX3.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <algorithm>
#include <string>
#include <vector>

#include "app/fCommon.h"
#include "app/fLoad.h"
#include "app/fMain.h"
#include "tests/app/ProgramFixture.h"
#include "tests/support/TempFolder.h"

namespace {

using testing::AllOf;
using testing::HasSubstr;

// The program folder of the main window's tests; the program makes its own windows.
class StartupTest : public programtest::ProgramFixture {
protected:
    ~StartupTest() override { FinishProgram(); }
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

// A current.ini the program cannot read, what the box says of it, and where it is kept (keptAs empty:
// left as it is, and the save at the end leaves it alone).
struct BadIni {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    const char* reason;
    const char* keptAs;
};

class UnreadableCurrentIni : public StartupTest, public ::testing::WithParamInterface<BadIni> {};

TEST_P(UnreadableCurrentIni, StartsWithTheDefaultsSaysWhyAndNeverWritesOverIt)
{
    namespace fs = std::filesystem;
    const fs::path ini = folder / "current.ini", keptAs = *GetParam().keptAs ? folder / GetParam().keptAs : ini;
    testsupport::WriteFile(folder / "current.ini.unreadable", "earlier");
    GetParam().make(ini);
    // A pipe is never opened here either: that would block.
    const auto bytes = [](const fs::path& f) { return fs::is_regular_file(f) ? testsupport::ReadFile(f) : ""; };
    const auto before = std::pair(fs::status(ini).type(), bytes(ini));
    WhenStarted([] { FormMain->Close(); });
    EXPECT_EQ(RunProgram(), 0);
    ASSERT_EQ(Boxes().size(), 1u) << "told once, at the start";
    EXPECT_THAT(Boxes()[0], AllOf(HasSubstr("\"" + ini.string() + "\": "), HasSubstr(GetParam().reason),
                                  HasSubstr("\"" + keptAs.string() + "\""), HasSubstr("настройками по умолчанию")));
    EXPECT_EQ(std::pair(fs::status(keptAs).type(), bytes(keptAs)), before) << "kept untouched";
    EXPECT_THAT(bytes(ini), HasSubstr(keptAs == ini ? "" : "[FormCommon]")) << "a fresh one at the end";
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadableCurrentIni,
    ::testing::Values(
        BadIni{"Folder", [](const auto& f) { std::filesystem::create_directory(f); }, "это папка, а не файл", ""},
        BadIni{"Fifo", [](const auto& f) { ::mkfifo(f.c_str(), 0644); }, "это не обычный файл", ""},
        BadIni{"FarTooLarge", [](const auto& f) { std::filesystem::resize_file(testsupport::WriteFile(f, "[S]"), (16u << 20) + 1); },
               "файл слишком большой", ""},
        BadIni{"Utf16", [](const auto& f) { testsupport::WriteFile(f, {"\xFF\xFE[\0F\0]\0\r\0\n\0k\0=\0\x3E\x04", 18}); },
               "в нём не текст настроек", "current.ini.unreadable-2"},
        BadIni{"Binary", [](const auto& f) { testsupport::WriteFile(f, {"\x7F" "ELF\2\1\1\0\0\0", 10}); },
               "в нём не текст настроек", "current.ini.unreadable-2"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
