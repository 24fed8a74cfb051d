#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/Environment.h"
#include "platform/PathText.h"

namespace fs = std::filesystem;

TEST(ProgramFolder, IsTheExecutablesFolderUnlessOverridden)
{
    const std::optional<std::string> kept = platform::EnvironmentValue(platform::kProgramFolderVariable);
    const auto override = [](const std::optional<std::string>& value) {
        platform::SetEnvironmentValue(platform::kProgramFolderVariable, value);
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
    override(kept);
}

TEST(ProgramFolder, TheRunningProgramsFileCarriesItsVersion)
{
    EXPECT_EQ(platform::FileVersion(platform::ProgramFile()), SORVEL_PROGRAM_VERSION);
    EXPECT_EQ(platform::FileVersion(fs::path()), "");
    EXPECT_EQ(platform::FileVersion(fs::temp_directory_path() / "sorvel-no-such-program"), "");
}
