#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

// Sets or clears the override for one test and puts the old state back.
class ProgramFolderVariable {
public:
    explicit ProgramFolderVariable(const char* value)
    {
        if (const char* old = std::getenv(platform::kProgramFolderVariable)) old_ = old;
        if (value) ::setenv(platform::kProgramFolderVariable, value, 1);
        else ::unsetenv(platform::kProgramFolderVariable);
    }
    ~ProgramFolderVariable()
    {
        if (old_) ::setenv(platform::kProgramFolderVariable, old_->c_str(), 1);
        else ::unsetenv(platform::kProgramFolderVariable);
    }

private:
    std::optional<std::string> old_;
};

}  // namespace

TEST(ProgramFolder, IsTheExecutablesFolder)
{
    const ProgramFolderVariable none(nullptr);
    const auto folder = platform::ProgramFolder();
    EXPECT_TRUE(folder.is_absolute());
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(std::filesystem::exists(folder / "test_platform"));
}

TEST(ProgramFolder, EmptyOverrideIsIgnored)
{
    const ProgramFolderVariable empty("");
    EXPECT_TRUE(std::filesystem::exists(platform::ProgramFolder() / "test_platform"));
}

TEST(ProgramFolder, OverrideWinsAndLosesItsTrailingSeparator)
{
    {
        const ProgramFolderVariable folder("/srv/sorvel/");
        EXPECT_EQ(platform::ProgramFolder(), std::filesystem::path("/srv/sorvel"));
    }
    {
        const ProgramFolderVariable folder("/srv/./sorvel");
        EXPECT_EQ(platform::ProgramFolder(), std::filesystem::path("/srv/sorvel"));
    }
}

TEST(ProgramFolder, RelativeOverrideBecomesAbsolute)
{
    const ProgramFolderVariable folder("conf");
    EXPECT_EQ(platform::ProgramFolder(), (std::filesystem::current_path() / "conf").lexically_normal());
}
