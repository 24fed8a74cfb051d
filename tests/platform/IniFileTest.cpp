#include "platform/IniFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "platform/PathText.h"
#include "tests/support/TempFolder.h"

using platform::IniFile;
using testing::ElementsAre;
using testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

auto ThrowsFileError(const std::string& part) { return testing::ThrowsMessage<platform::FileError>(HasSubstr(part)); }

class IniFileTest : public testing::Test {
protected:
    void Put(const std::string& bytes) const { testsupport::WriteFile(file_, bytes); }
    std::string Bytes() const { return testsupport::ReadFile(file_); }
    auto FilesInFolder() const { return std::distance(fs::directory_iterator(folder_), {}); }

    const testsupport::TempFolder temp_;
    const fs::path folder_ = temp_.path;
    const fs::path file_ = folder_ / "current.ini";
};

IniFile Parsed(std::string_view bytes) { return IniFile::FromBytes("current.ini", bytes); }

}  // namespace

TEST_F(IniFileTest, SavedValuesLoadBackUnchangedFromWindows1251WithCrLf)
{
    IniFile ini(file_);
    EXPECT_TRUE(ini.ReadSections().empty()) << "a missing file is an empty ini";
    ini.WriteString("FormCommon", "etObject", "Объект №1");
    ini.WriteString("FormCommon", "etBlank", "");
    ini.WriteString("FormCommon", "etSpaced", "  two  blanks  ");
    ini.WriteString("FormCommon", "etEquals", "a=b;c");
    ini.WriteInteger("FormCommon", "cbType", -12);
    ini.WriteBool("formWays", "rb2", true);
    ini.UpdateFile();
    EXPECT_EQ(Bytes(), "[FormCommon]\r\netObject=\xCE\xE1\xFA\xE5\xEA\xF2 \xB9\x31\r\netBlank=\r\netSpaced=  two  blanks  \r\n"
                       "etEquals=a=b;c\r\ncbType=-12\r\n\r\n[formWays]\r\nrb2=1\r\n");
    const IniFile back(file_);
    const auto read = [&back](const char* key) { return back.ReadString("FormCommon", key, "x"); };
    EXPECT_EQ((std::array{read("etObject"), read("etBlank"), read("etSpaced"), read("etEquals")}),
              (std::array<std::string, 4>{"Объект №1", "", "  two  blanks  ", "a=b;c"}));
    EXPECT_EQ(std::pair(back.ReadInteger("FormCommon", "cbType", 0), back.ReadBool("formWays", "rb2", false)), std::pair(-12, true));
}

TEST_F(IniFileTest, ReadsWindows1251OrUtf8AndWritesUtf8RatherThanLoseText)
{
    for (const std::string file : {"[S]\r\nk=\xCF\xF0\xE8\xE2\xE5\xF2\r\n", "[S]\nk=Привет\n", "\xEF\xBB\xBF[S]\r\nk=Привет\r\n"})
        EXPECT_EQ(Parsed(file).ReadString("S", "k", ""), "Привет") << file;
    IniFile ini = Parsed("");
    ini.WriteString("S", "jp", "日本");
    ini.WriteString("S", "ru", "Тест");
    EXPECT_EQ(ini.FileBytes(), "[S]\r\njp=日本\r\nru=Тест\r\n");
    // "Рў" in Windows-1251 is D0 A2, which would read back as the UTF-8 of "Т".
    IniFile ambiguous = Parsed("");
    ambiguous.WriteString("S", "k", "Рў");
    EXPECT_EQ(Parsed(ambiguous.FileBytes()).ReadString("S", "k", ""), "Рў");
    // "п»ї" is EF BB BF in Windows-1251, and U+FEFF is the same in UTF-8: a reader takes either for a
    // mark and drops it, unless the file carries a mark of its own in front.
    for (const std::string first : {"п»ї примечание", "\uFEFF; заметка"}) {
        const std::string saved = Parsed("\xEF\xBB\xBF" + first + "\r\n[S]\r\nk=Тест\r\n").FileBytes();
        EXPECT_EQ(saved, "\xEF\xBB\xBF" + first + "\r\n\r\n[S]\r\nk=Тест\r\n");
        EXPECT_EQ(Parsed(saved).FileBytes(), saved) << "the second save loses nothing either";
    }
}

// The encoding is decided once for the whole file and kept: bytes that read both ways stay the bytes
// they were, whatever is written beside them.
struct EncodingCase {
    const char* name;
    std::string file;
    std::string added;  // written as S/new, "" for none
    std::string saved;
};

class KeptEncoding : public testing::TestWithParam<EncodingCase> {};

TEST_P(KeptEncoding, ASaveWritesTheFileInTheEncodingItWasReadIn)
{
    IniFile ini = Parsed(GetParam().file);
    if (!GetParam().added.empty()) ini.WriteString("S", "new", GetParam().added);
    EXPECT_EQ(ini.FileBytes(), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(
    IniFile, KeptEncoding,
    testing::Values(
        // "Рё" in Windows-1251 is D0 B8, the UTF-8 of "и": the file reads as UTF-8 and stays so.
        EncodingCase{"Windows1251ThatReadsAsUtf8", "[S]\r\netSIM1LOGIN=\xD0\xB8\r\n", "", "[S]\r\netSIM1LOGIN=\xD0\xB8\r\n"},
        EncodingCase{"Utf8TakesNewTextAsUtf8", "[S]\r\nk=\xD0\xB8\r\n", "Тест", "[S]\r\nk=\xD0\xB8\r\nnew=Тест\r\n"},
        EncodingCase{"Utf8KeepsItsMark", "\xEF\xBB\xBF[S]\r\nk=Привет\r\n", "", "\xEF\xBB\xBF[S]\r\nk=Привет\r\n"},
        EncodingCase{"Windows1251StaysSo", "[S]\r\nk=\xCF\xF0\xE8\r\n", "Тест", "[S]\r\nk=\xCF\xF0\xE8\r\nnew=\xD2\xE5\xF1\xF2\r\n"},
        EncodingCase{"AsciiTakesWindows1251", "[S]\r\nk=1\r\n", "Тест", "[S]\r\nk=1\r\nnew=\xD2\xE5\xF1\xF2\r\n"}),
    [](const testing::TestParamInfo<EncodingCase>& info) { return std::string(info.param.name); });

TEST_F(IniFileTest, LinesEndAtCrCrLfAsAtCrLfLfOrALoneCr)
{
    IniFile ini = Parsed("[S]\r\r\na=1\r\r\nb=two\rc=3\n\r\n[T]\r\r\nd=4");
    for (const char* key : {"a", "b", "c"}) EXPECT_NO_THROW(ini.WriteString("S", key, ini.ReadString("S", key, "?"))) << key;
    EXPECT_EQ(ini.ReadString("T", "d", ""), "4");
    EXPECT_EQ(ini.FileBytes(), "[S]\r\na=1\r\nb=two\r\nc=3\r\n\r\n[T]\r\nd=4\r\n");
}

TEST_F(IniFileTest, HandWrittenFilesAreReadAndKeptWhereTheProgramDoesNotWrite)
{
    IniFile ini = Parsed("; made by hand\r\n  [ FormCommon ]  \n  etObject = 12\nk=[first]\nK=second\nnoequals\n"
                         "[Connect]\r\nPort=/dev/ttyUSB0\r\n[formcommon]\nlast=end");
    EXPECT_EQ(ini.ReadString("formcommon", "ETOBJECT", ""), " 12");
    EXPECT_EQ(ini.ReadString("FormCommon", "k", ""), "[first]") << "a value in brackets is no section";
    EXPECT_EQ(ini.ReadString("FormCommon", "last", ""), "end");
    ini.WriteString("FORMCOMMON", "ETOBJECT", "5678");
    ini.WriteString("Раздел", "Ключ", "1");
    EXPECT_FALSE(ini.ValueExists("раздел", "Ключ")) << "only ASCII letters match in either case";
    ini.DeleteKey("FormCommon", "k");  // both spellings
    EXPECT_THAT(ini.ReadSection("formcommon"), ElementsAre("etObject", "last"));
    ini.EraseSection("раздел");
    EXPECT_EQ(ini.FileBytes(), "; made by hand\r\n\r\n[FormCommon]\r\netObject=5678\r\nnoequals\r\nlast=end\r\n\r\n"
                               "[Connect]\r\nPort=/dev/ttyUSB0\r\n\r\n[\xD0\xE0\xE7\xE4\xE5\xEB]\r\n\xCA\xEB\xFE\xF7=1\r\n");
}

TEST_F(IniFileTest, IntegersAreDecimalOrHexadecimalAfter0xAndBooleansAreIntegers)
{
    const IniFile ini = Parsed("[S]\r\ndec=49\r\nneg=-7\r\nhex=0x3\r\nupper=0X1f\r\nbig=0xFFFFFFFF\r\n"
                               "min=-2147483648\r\nblank= 7 \r\nabc=abc\r\nempty=\r\nhalf=0x\r\nover=2147483648\r\n"
                               "exp=1e3\r\ndollar=$10\r\nhexzero=0x0\r\nyes=yes\r\n");
    const std::pair<const char*, int> numbers[] = {{"dec", 49},  {"neg", -7},  {"hex", 3}, {"upper", 31},
                                                   {"big", -1},  {"min", -2147483647 - 1}, {"blank", 7}};
    for (const auto& [key, value] : numbers) EXPECT_EQ(ini.ReadInteger("S", key, 99), value) << key;
    for (const char* key : {"abc", "empty", "half", "over", "exp", "dollar", "missing"})
        EXPECT_EQ(ini.ReadInteger("S", key, 99), 99) << key;
    EXPECT_TRUE(ini.ReadBool("S", "dec", false));
    EXPECT_FALSE(ini.ReadBool("S", "hexzero", true));
    EXPECT_TRUE(ini.ReadBool("S", "yes", true)) << "not a number: the default";
}

TEST_F(IniFileTest, RefusesWhatTheFileCouldNotCarryBack)
{
    IniFile ini = Parsed("");
    for (const char* value : {"two\nlines", "cr\r", "\xC0"})
        EXPECT_THROW(ini.WriteString("S", "k", value), std::invalid_argument) << value;
    for (const char* key : {"a=b", " k", ";k", "[k]", ""})
        EXPECT_THROW(ini.WriteString("S", key, "1"), std::invalid_argument) << key;
    EXPECT_THROW(ini.WriteString("S\n", "k", "1"), std::invalid_argument);
    EXPECT_TRUE(ini.ReadSections().empty());
}

TEST_F(IniFileTest, AnInterruptedSaveLeavesTheOldFileWhole)
{
    Put("[S]\r\nk=old\r\n");
    IniFile ini(file_);
    ini.WriteString("S", "k", "new");
    ini.SetBeforeReplaceHook([&](const fs::path& temporary) {
        EXPECT_TRUE(fs::equivalent(temporary.parent_path(), folder_));
        EXPECT_EQ(testsupport::ReadFile(temporary), "[S]\r\nk=new\r\n");
        throw std::runtime_error("power cut");
    });
    EXPECT_THROW(ini.UpdateFile(), std::runtime_error);
    EXPECT_EQ(Bytes(), "[S]\r\nk=old\r\n");
    EXPECT_EQ(FilesInFolder(), 1);
    ini.SetBeforeReplaceHook({});
    ini.UpdateFile();
    EXPECT_EQ(Bytes(), "[S]\r\nk=new\r\n");
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(IniFileTest, AReadOnlyFileIsKeptAndNamed)
{
    // A read-only file is kept, although its folder would let a new one take its place. (The texts of a
    // missing folder and a read-only file are held by the forms controllers' tests.)
    Put("[S]\r\nk=old\r\n");
    fs::permissions(file_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    IniFile kept(file_);
    kept.WriteString("S", "k", "new");
    EXPECT_THAT([&] { kept.UpdateFile(); }, ThrowsFileError(platform::PathToUtf8(file_)));
    EXPECT_EQ(Bytes(), "[S]\r\nk=old\r\n");
    EXPECT_EQ(FilesInFolder(), 1);
    fs::permissions(file_, fs::perms::owner_write, fs::perm_options::add);
}
