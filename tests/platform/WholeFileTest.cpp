// Files read and saved whole, on either system: a save holds the old content or the whole new one, reads
// stop at what a file of its kind can be, names in any script work, a file put aside never takes another's
// place, and what killed saves left behind is cleared away and nothing else.
#include "platform/WholeFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/PathText.h"
#include "tests/support/Processes.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using platform::FileError;
using platform::PathFromUtf8;
using platform::ReadWholeFile;
using platform::ReplaceFileContents;
using testing::HasSubstr;
using namespace std::string_literals;

class WholeFile : public testing::Test {
protected:
    std::set<std::string> Names() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.insert(platform::PathToUtf8(entry.path().filename()));
        return names;
    }
    std::string Leftover(const std::string& name, std::chrono::minutes age) const
    {
        const fs::path file = folder_ / PathFromUtf8(name);
        testsupport::WriteFile(file, "half a save");
        fs::last_write_time(file, fs::file_time_type::clock::now() - age);
        return name;
    }
    std::string Utf8(const fs::path& path) const { return platform::PathToUtf8(path); }

    const testsupport::TempFolder temp_;
    const fs::path folder_ = temp_.path;
    const fs::path file_ = folder_ / "current.ini";
};

TEST_F(WholeFile, AnInterruptedSaveLeavesTheOldContentWholeAndNoTemporaryBehind)
{
    testsupport::WriteFile(file_, "old");
    fs::path seen;
    EXPECT_THROW(ReplaceFileContents(file_, "new",
                                     [&](const fs::path& temporary) {
                                         seen = temporary;
                                         EXPECT_EQ(testsupport::ReadFile(temporary), "new");
                                         throw std::runtime_error("power cut");
                                     }),
                 std::runtime_error);
    EXPECT_TRUE(fs::equivalent(seen.parent_path(), folder_)) << "the temporary lies beside the file, on its disk";
    EXPECT_EQ(testsupport::ReadFile(file_), "old");
    EXPECT_EQ(Names(), std::set<std::string>{"current.ini"});
    ReplaceFileContents(file_, "new");
    EXPECT_EQ(ReadWholeFile(file_, 100), "new");
    EXPECT_EQ(Names(), std::set<std::string>{"current.ini"});
}

struct ReadCase {
    const char* name;
    std::string limitedTo;  // what the file holds; empty: the case makes its own
    std::uintmax_t limit;
    std::errc code;
    std::string says;
};

class WholeFileRead : public WholeFile, public testing::WithParamInterface<ReadCase> {};

TEST_P(WholeFileRead, StopsAtWhatAFileOfItsKindCanBe)
{
    const ReadCase& c = GetParam();
    fs::path file = file_;
    if (c.name == std::string("Folder")) fs::create_directory(file);
    else if (c.name != std::string("Missing")) testsupport::WriteFile(file, c.limitedTo);
    try {
        ReadWholeFile(file, c.limit);
        ADD_FAILURE() << "read";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Code(), c.code);
        EXPECT_THAT(e.what(), HasSubstr("Не удалось прочитать файл \"" + Utf8(file) + "\": " + c.says));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, WholeFileRead,
    testing::Values(ReadCase{"Missing", "", 10, std::errc::no_such_file_or_directory, ""},
                    ReadCase{"Folder", "", 10, std::errc::invalid_argument, "это папка, а не файл"},
                    ReadCase{"LargerThanItsKind", "12345678901", 10, std::errc::file_too_large,
                             "файл слишком большой (11 байт, а файл этого вида не бывает больше 10 байт)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WholeFile, AFileAtItsLimitIsReadWhole)
{
    testsupport::WriteFile(file_, std::string(10, 'x') + "\r\n\0z"s);
    EXPECT_EQ(ReadWholeFile(file_, 14), std::string(10, 'x') + "\r\n\0z"s);
}

// The program holds names as UTF-8 text: a folder and a file in Cyrillic are saved, read, named in the
// messages and put aside as they are called.
TEST_F(WholeFile, NamesInAnyScriptAreSavedReadAndNamedAsTheyAre)
{
    const std::string folder = Utf8(folder_) + "/Папка настроек №1";
    fs::create_directory(PathFromUtf8(folder));
    const std::string file = folder + "/текущий ж.ini";
    ReplaceFileContents(file, "значение");
    EXPECT_EQ(ReadWholeFile(file, 100), "значение");
    EXPECT_EQ(testsupport::ReadFile(PathFromUtf8(file)), "значение");

    EXPECT_THAT([&] { ReadWholeFile(folder + "/нет.ini", 100); },
                testing::ThrowsMessage<FileError>(HasSubstr("\"" + folder + "/нет.ini\": ")));
    testsupport::WriteFile(PathFromUtf8(file + ".unreadable"), "kept");
    const fs::path aside = platform::SetAside(file, "unreadable");
    EXPECT_EQ(Utf8(aside), file + ".unreadable-2");
    EXPECT_EQ(testsupport::ReadFile(aside), "значение");
    EXPECT_EQ(testsupport::ReadFile(PathFromUtf8(file + ".unreadable")), "kept") << "never over another file";
    EXPECT_FALSE(fs::exists(PathFromUtf8(file)));
}

TEST_F(WholeFile, LeftoversOfKilledSavesGoAndNothingElse)
{
    const std::string gone = testsupport::EndedProcessId();
    const std::string running = testsupport::OwnProcessId();
    Leftover(".current.ini.tmp" + gone + "-123", std::chrono::minutes(5));
    Leftover(".current.ini.tmp" + gone + "-4567890", std::chrono::hours(24 * 30));
    std::set<std::string> kept = {"current.ini", ".current.ini.tmp" + gone + "-2"};
    fs::create_directory(folder_ / (".current.ini.tmp" + gone + "-2"));
    std::error_code ignored;  // a folder's time cannot be set everywhere; a young one is kept all the same
    fs::last_write_time(folder_ / (".current.ini.tmp" + gone + "-2"), fs::file_time_type::clock::now() - std::chrono::hours(1), ignored);
    kept.insert(Leftover(".current.ini.tmp" + gone + "-9", std::chrono::minutes(0)));  // a save elsewhere may run
    for (const std::string& name : {".current.ini.tmp" + running + "-5", ".other.ini.tmp" + gone + "-1",
                                    ".current.ini.tmp" + gone + "-1x", ".current.ini.tmp-" + gone + "-1",
                                    "current.ini.tmp" + gone + "-1", std::string(".current.ini.tmp0-1")})
        kept.insert(Leftover(name, std::chrono::minutes(5)));
    testsupport::WriteFile(file_, "old");
    ReplaceFileContents(file_, "new");
    EXPECT_EQ(Names(), kept);
    EXPECT_EQ(testsupport::ReadFile(file_), "new");
}

}  // namespace
