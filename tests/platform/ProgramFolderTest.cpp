#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace fs = std::filesystem;

TEST(ProgramFolder, IsTheExecutablesFolderUnlessOverridden)
{
    const char* old = std::getenv(platform::kProgramFolderVariable);
    const std::optional<std::string> kept = old ? std::optional<std::string>(old) : std::nullopt;
    const auto override = [](const char* value) { ::setenv(platform::kProgramFolderVariable, value, 1); };
    ::unsetenv(platform::kProgramFolderVariable);
    const fs::path folder = platform::ProgramFolder();
    EXPECT_TRUE(fs::exists(folder / "test_platform"));
    override("");
    EXPECT_EQ(platform::ProgramFolder(), folder);
    override("/srv/./sorvel/");
    EXPECT_EQ(platform::ProgramFolder(), fs::path("/srv/sorvel"));
    if (kept) override(kept->c_str());
    else ::unsetenv(platform::kProgramFolderVariable);
}
