// What a save keeps of a file on a POSIX system: the links that lead to it (dangling ones too), its owner
// and its mode; and names up to the limit in bytes, with the leftovers of their killed saves.
#include "platform/WholeFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>

#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using platform::ReplaceFileContents;
using testing::HasSubstr;

class WholeFilePosix : public testing::Test {
protected:
    std::set<std::string> Names() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.insert(entry.path().filename().string());
        return names;
    }
    static struct stat Status(const fs::path& file)
    {
        struct stat status {};
        ::stat(file.c_str(), &status);
        return status;
    }
    // The id of a process that has ended.
    static pid_t GonePid()
    {
        const pid_t child = ::fork();
        if (child == 0) ::_exit(0);
        ::waitpid(child, nullptr, 0);
        return child;
    }
    std::string Leftover(const std::string& name, std::chrono::minutes age) const
    {
        testsupport::WriteFile(folder_ / name, "half a save");
        fs::last_write_time(folder_ / name, fs::file_time_type::clock::now() - age);
        return name;
    }

    const testsupport::TempFolder temp_;
    const fs::path folder_ = temp_.path;
    const fs::path file_ = folder_ / "current.ini";
};

TEST_F(WholeFilePosix, ASaveThroughADanglingLinkMakesTheFileItNamesAndKeepsTheLink)
{
    fs::create_directory(folder_ / "real");
    fs::create_symlink("real/../real/settings.ini", file_);
    fs::create_symlink("current.ini", folder_ / "chain.ini");
    ReplaceFileContents(folder_ / "chain.ini", "new");
    EXPECT_TRUE(fs::is_symlink(file_) && fs::is_symlink(folder_ / "chain.ini"));
    EXPECT_EQ(testsupport::ReadFile(folder_ / "real" / "settings.ini"), "new");

    // A link into a folder that is not there: refused, naming where it leads.
    const fs::path nowhere = folder_ / "gone" / "settings.ini";
    fs::create_symlink(nowhere, folder_ / "lost.ini");
    EXPECT_THAT([&] { ReplaceFileContents(folder_ / "lost.ini", "new"); },
                testing::ThrowsMessage<platform::FileError>(HasSubstr("lost.ini\" (ссылка на \"" + nowhere.string() + "\")")));
    EXPECT_TRUE(fs::is_symlink(folder_ / "lost.ini"));
    fs::create_symlink("loop.ini", folder_ / "loop.ini");
    EXPECT_THROW(ReplaceFileContents(folder_ / "loop.ini", "new"), platform::FileError);
    EXPECT_TRUE(fs::is_symlink(folder_ / "loop.ini"));
}

TEST_F(WholeFilePosix, ASaveKeepsTheFilesModeAndOwner)
{
    testsupport::WriteFile(file_, "old");
    fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(file_.c_str(), 12345, 23456), 0);
    }
    ReplaceFileContents(file_, "new");
    const struct stat saved = Status(file_);
    EXPECT_EQ(saved.st_mode & 07777, 0640u);
    EXPECT_EQ(testsupport::ReadFile(file_), "new");
    if (!root) GTEST_SKIP() << "the owner's part needs root, to give the file to another user";
    EXPECT_EQ(saved.st_uid, 12345u);
    EXPECT_EQ(saved.st_gid, 23456u);
}

TEST_F(WholeFilePosix, AFileWhoseOwnerCannotBeKeptIsNotReplaced)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to save as one user a file that another owns";
    testsupport::WriteFile(file_, "old");
    ASSERT_EQ(::chown(file_.c_str(), 23456, 23456), 0);
    fs::permissions(folder_, fs::perms::all);
    fs::permissions(file_, fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec & ~fs::perms::others_exec);
    const pid_t child = ::fork();
    if (child == 0) {
        int result = 1;
        if (::setgid(12345) == 0 && ::setuid(12345) == 0) {
            try {
                ReplaceFileContents(file_, "new");
            } catch (const platform::FileError& e) {
                result = std::string(e.what()).find("не сменив владельца") != std::string::npos ? 0 : 2;
            }
        }
        ::_exit(result);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save was refused with its reason";
    EXPECT_EQ(testsupport::ReadFile(file_), "old");
    EXPECT_EQ(Status(file_).st_uid, 23456u);
    EXPECT_EQ(Names(), std::set<std::string>{"current.ini"});
}

TEST_F(WholeFilePosix, NamesUpToTheLimitAreSavedAndTheirLeftoversFound)
{
    const pid_t gone = GonePid();
    const auto repeat = [](const std::string& piece, int times) {
        std::string text;
        for (int i = 0; i < times; ++i) text += piece;
        return text;
    };
    // Each name, and the start of it that the temporary names keep: cut to fit, at a character's start.
    const std::pair<std::string, std::string> names[] = {
        {std::string(231, 'n'), std::string(229, 'n')},
        {std::string(251, 'n') + ".ini", std::string(229, 'n')},
        {"xy" + repeat("ж", 120) + "ab.ini", "xy" + repeat("ж", 113)},
    };
    for (const auto& [name, kept] : names) {
        SCOPED_TRACE(name.size());
        Leftover("." + kept + ".tmp" + std::to_string(gone) + "-1", std::chrono::minutes(5));
        ReplaceFileContents(folder_ / name, "saved");
        EXPECT_EQ(testsupport::ReadFile(folder_ / name), "saved");
        EXPECT_EQ(Names(), std::set<std::string>{name});
        fs::remove(folder_ / name);
    }
}

}  // namespace
