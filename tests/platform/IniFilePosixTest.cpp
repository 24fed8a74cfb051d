// What a save of the ini keeps on a POSIX system, and what stands in the file's place there.
#include "platform/IniFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/TempFolder.h"

using platform::IniFile;
using testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

class IniFilePosix : public testing::Test {
protected:
    auto FilesInFolder() const { return std::distance(fs::directory_iterator(folder_), {}); }

    const testsupport::TempFolder temp_;
    const fs::path folder_ = temp_.path;
    const fs::path file_ = folder_ / "current.ini";
};

}  // namespace

TEST_F(IniFilePosix, ASaveKeepsPermissionsAndLinks)
{
    const fs::path real = folder_ / "real.ini";
    std::ofstream(real) << "[S]\r\nk=old\r\n";
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real, file_);
    IniFile ini(file_);
    ini.WriteString("S", "k", "new");
    ini.UpdateFile();
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_EQ(testsupport::ReadFile(real), "[S]\r\nk=new\r\n");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(FilesInFolder(), 2);
}

TEST_F(IniFilePosix, APipeInTheFilesPlaceIsNeitherReadNorReplaced)
{
    // "Загрузить" may name one: a read would block.
    IniFile kept(file_);
    kept.WriteString("S", "k", "new");
    ::mkfifo(file_.c_str(), 0644);
    const auto throwsNotAFile = testing::ThrowsMessage<platform::FileError>(HasSubstr(file_.string() + "\": это не обычный файл"));
    EXPECT_THAT([&] { IniFile{file_}; }, throwsNotAFile);
    EXPECT_THAT([&] { kept.UpdateFile(); }, throwsNotAFile);
    EXPECT_TRUE(fs::is_fifo(file_));
}
