// What a save keeps of a file on Windows and what it will not touch there: the attributes of the file it
// replaces, devices by their reserved names, paths beyond MAX_PATH, names up to
// the limit in UTF-16 units with the leftovers of their killed saves, and the file a link leads to.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>

#include "platform/PathText.h"
#include "platform/WholeFile.h"
#include "tests/support/Processes.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using platform::FileError;
using platform::ReadWholeFile;
using platform::ReplaceFileContents;
using testing::HasSubstr;

class WholeFileWin32 : public testing::Test {
protected:
    std::set<std::wstring> Names() const
    {
        std::set<std::wstring> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.insert(entry.path().filename().native());
        return names;
    }
    static DWORD Attributes(const fs::path& file) { return ::GetFileAttributesW(file.c_str()); }

    const testsupport::TempFolder temp_;
    const fs::path folder_ = temp_.path;
    const fs::path file_ = folder_ / "current.ini";
};

TEST_F(WholeFileWin32, ASaveKeepsTheAttributesOfTheFileItReplaces)
{
    testsupport::WriteFile(file_, "old");
    ::SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    ReplaceFileContents(file_, "new");
    EXPECT_EQ(testsupport::ReadFile(file_), "new");
    EXPECT_EQ(Attributes(file_) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE), DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE});
    ReplaceFileContents(folder_ / "new.ini", "made");
    EXPECT_EQ(Attributes(folder_ / "new.ini") & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(Names(), (std::set<std::wstring>{L"current.ini", L"new.ini"}));
}

// "COM1" or "NUL" in any folder names a device: neither read (which would open the port) nor replaced.
TEST_F(WholeFileWin32, ReservedDeviceNamesAreNeitherReadNorReplaced)
{
    for (const char* device : {"COM1", "NUL", "nul.ini", "CON"}) {
        const fs::path file = folder_ / device;
        EXPECT_THAT([&] { ReadWholeFile(file, 100); },
                    testing::ThrowsMessage<FileError>(HasSubstr(": это не обычный файл, а канал или устройство")))
            << device;
        EXPECT_THROW(ReplaceFileContents(file, "x"), FileError) << device;
    }
    EXPECT_TRUE(Names().empty());
}

TEST_F(WholeFileWin32, PathsLongerThanMaxPathAreSavedAndRead)
{
    fs::path deep = folder_;
    while (deep.native().size() < MAX_PATH + 40) deep /= std::wstring(60, L'п');
    // Made through the long form: the folders themselves are beyond what a plain path reaches.
    fs::path made = L"\\\\?\\" + folder_.native();
    for (auto part = std::next(deep.begin(), std::distance(folder_.begin(), folder_.end())); part != deep.end(); ++part) {
        made /= *part;
        ASSERT_TRUE(::CreateDirectoryW(made.c_str(), nullptr)) << ::GetLastError();
    }
    const fs::path file = deep / "current.ini";
    ReplaceFileContents(file, "deep");
    EXPECT_EQ(ReadWholeFile(file, 100), "deep");
    ReplaceFileContents(file, "deeper");
    EXPECT_EQ(ReadWholeFile(file, 100), "deeper");
}

TEST_F(WholeFileWin32, NamesUpToTheLimitAreSavedAndTheirLeftoversFound)
{
    const std::wstring gone = platform::PathFromUtf8(testsupport::EndedProcessId()).native();
    // Each name, and the start of it that the temporary names keep: 229 UTF-16 units, never half a
    // character. (The names stay within 255 bytes of UTF-8 too, which a Linux disk under Wine holds.)
    const std::pair<std::wstring, std::wstring> names[] = {
        {std::wstring(231, L'n'), std::wstring(229, L'n')},
        {std::wstring(228, L'n') + L"\U0001F600" + std::wstring(19, L'n') + L".ini", std::wstring(228, L'n')},
    };
    for (const auto& [name, kept] : names) {
        SCOPED_TRACE(name.size());
        const fs::path leftover = folder_ / (L"." + kept + L".tmp" + gone + L"-1");
        testsupport::WriteFile(leftover, "half a save");
        fs::last_write_time(leftover, fs::file_time_type::clock::now() - std::chrono::minutes(5));
        ReplaceFileContents(folder_ / name, "saved");
        EXPECT_EQ(testsupport::ReadFile(folder_ / name), "saved");
        EXPECT_EQ(Names(), std::set<std::wstring>{name});
        fs::remove(folder_ / name);
    }
}

TEST_F(WholeFileWin32, ASaveThroughALinkReplacesTheFileItLeadsTo)
{
    const fs::path real = folder_ / "real.ini";
    testsupport::WriteFile(real, "old");
    if (!::CreateSymbolicLinkW(file_.c_str(), real.c_str(), 0) || !fs::is_symlink(file_))
        GTEST_SKIP() << "this system makes no symbolic links for this user";
    ReplaceFileContents(file_, "new");
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_EQ(testsupport::ReadFile(real), "new");
    fs::remove(real);
    EXPECT_THAT([&] { ReplaceFileContents(file_, "new"); },
                testing::ThrowsMessage<FileError>(HasSubstr("ссылка не ведёт ни к какому файлу")));
}

}  // namespace
