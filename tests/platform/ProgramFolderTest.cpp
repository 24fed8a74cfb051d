#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// Puts the override back as it was after each test.
class ProgramFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        const char* old = std::getenv(platform::kProgramFolderVariable);
        hadOld_ = old != nullptr;
        if (old) old_ = old;
    }
    void TearDown() override
    {
        if (hadOld_) ::setenv(platform::kProgramFolderVariable, old_.c_str(), 1);
        else ::unsetenv(platform::kProgramFolderVariable);
    }
    static void Override(const char* value) { ::setenv(platform::kProgramFolderVariable, value, 1); }

    bool hadOld_ = false;
    std::string old_;
};

}  // namespace

TEST_F(ProgramFolderTest, IsTheExecutablesFolder)
{
    ::unsetenv(platform::kProgramFolderVariable);
    const fs::path folder = platform::ProgramFolder();
    EXPECT_TRUE(folder.is_absolute());
    EXPECT_TRUE(fs::exists(folder / "test_platform"));
    Override("");
    EXPECT_EQ(platform::ProgramFolder(), folder);
}

TEST_F(ProgramFolderTest, OverrideWinsWithoutATrailingSeparator)
{
    Override("/srv/sorvel/");
    EXPECT_EQ(platform::ProgramFolder(), fs::path("/srv/sorvel"));
    Override("/srv/./sorvel");
    EXPECT_EQ(platform::ProgramFolder(), fs::path("/srv/sorvel"));
    Override("conf");
    EXPECT_EQ(platform::ProgramFolder(), (fs::current_path() / "conf").lexically_normal());
}
