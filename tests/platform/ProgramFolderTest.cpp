#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Environment.h"
#include "platform/PathText.h"

#if !defined(_WIN32)
#include <unistd.h>

#include "tests/support/TempFolder.h"
#endif

namespace fs = std::filesystem;

namespace {

// Sets environment variables for the scope and gives back what they were.
class EnvironmentScope {
public:
    void Set(const std::string& name, const std::optional<std::string>& value)
    {
        kept_.emplace_back(name, platform::EnvironmentValue(name));
        platform::SetEnvironmentValue(name, value);
    }
    ~EnvironmentScope()
    {
        for (auto it = kept_.rbegin(); it != kept_.rend(); ++it) platform::SetEnvironmentValue(it->first, it->second);
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> kept_;
};

}  // namespace

TEST(ProgramFolder, IsTheExecutablesFolderUnlessOverridden)
{
    EnvironmentScope environment;
    const auto override = [&](const std::optional<std::string>& value) {
        environment.Set(platform::kProgramFolderVariable, value);
    };
    override(std::nullopt);
    const fs::path folder = platform::ProgramFolder();
    EXPECT_EQ(platform::ProgramFile().stem(), "test_platform");
    EXPECT_EQ(folder, platform::ProgramFile().parent_path());
    override("");
    EXPECT_EQ(platform::ProgramFolder(), folder);
    // Made absolute and normal, without the trailing separator; a Cyrillic name as it stands.
    const fs::path elsewhere = fs::temp_directory_path() / platform::PathFromUtf8("сорвел");
    override(platform::PathToUtf8(elsewhere / "." / ""));
    EXPECT_EQ(platform::ProgramFolder(), elsewhere.lexically_normal());
}

TEST(ProgramFolder, TheRunningProgramsFileCarriesItsVersion)
{
    EXPECT_EQ(platform::FileVersion(platform::ProgramFile()), SORVEL_PROGRAM_VERSION);
    EXPECT_EQ(platform::FileVersion(fs::path()), "");
    EXPECT_EQ(platform::FileVersion(fs::temp_directory_path() / "sorvel-no-such-program"), "");
}

#if !defined(_WIN32)
TEST(ProgramFolder, AWritableFolderIsToldByTryingAndKeptAsItWas)
{
    const testsupport::TempFolder folder;
    EXPECT_TRUE(platform::FolderIsWritable(folder.path));
    EXPECT_TRUE(fs::is_empty(folder.path));
    EXPECT_FALSE(platform::FolderIsWritable(folder.path / "missing"));
}

struct UserFolderCase {
    const char* name;
    std::optional<std::string> config;
    std::optional<std::string> home;
    std::optional<std::string> expected;
};

void PrintTo(const UserFolderCase& c, std::ostream* os)
{
    *os << c.name;
}

class UserSettingsFolder : public ::testing::TestWithParam<UserFolderCase> {};

TEST_P(UserSettingsFolder, FollowsTheBaseDirectoryRules)
{
    EnvironmentScope environment;
    environment.Set("XDG_CONFIG_HOME", GetParam().config);
    environment.Set("HOME", GetParam().home);
    const std::optional<fs::path> folder = platform::UserSettingsFolder();
    EXPECT_EQ(folder ? std::optional<std::string>(folder->string()) : std::nullopt, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Environment, UserSettingsFolder,
    ::testing::Values(
        UserFolderCase{"ConfigHome", "/cfg", "/home/ivan", "/cfg/sorvel7qx3"},
        UserFolderCase{"HomeWithoutConfigHome", std::nullopt, "/home/ivan", "/home/ivan/.config/sorvel7qx3"},
        UserFolderCase{"EmptyConfigHome", "", "/home/ivan", "/home/ivan/.config/sorvel7qx3"},
        UserFolderCase{"RelativeConfigHomeIgnored", "cfg", "/home/ivan", "/home/ivan/.config/sorvel7qx3"},
        UserFolderCase{"NeitherKnown", std::nullopt, std::nullopt, std::nullopt}),
    [](const ::testing::TestParamInfo<UserFolderCase>& info) { return std::string(info.param.name); });

// As a user who may not write beside the program (the test program's folder belongs to root), in a
// child that has given up root: the settings go to the user's folder, made for them, and a message
// table is looked for there first.
static int InUsersFolderWhenTheProgramsIsReadOnly(const fs::path& config)
{
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 2;
    platform::SetEnvironmentValue(platform::kProgramFolderVariable, std::nullopt);
    platform::SetEnvironmentValue("XDG_CONFIG_HOME", config.string());
    const fs::path user = config / "sorvel7qx3";
    if (platform::FolderIsWritable(platform::ProgramFile().parent_path())) return 3;
    if (platform::ProgramFolder() != user || !fs::is_directory(user)) return 4;
    if (platform::ProgramDataFile("Messages.txt") != user / "Messages.txt") return 5;
    testsupport::WriteFile(user / "Messages.txt", "1|Тест|0|1\r\n");
    return platform::ProgramDataFile("Messages.txt") == user / "Messages.txt" ? 0 : 6;
}

TEST(ProgramFolder, IsTheUsersOwnWhereTheProgramsCannotBeWritten)
{
    if (::geteuid() != 0 || fs::status(platform::ProgramFile().parent_path()).permissions() != fs::perms(0755))
        GTEST_SKIP() << "needs root and a program folder only its owner may write to";
    const testsupport::TempFolder config;
    fs::permissions(config.path, fs::perms::all);
    EXPECT_EXIT(std::exit(InUsersFolderWhenTheProgramsIsReadOnly(config.path)), ::testing::ExitedWithCode(0), "");
}
#endif
