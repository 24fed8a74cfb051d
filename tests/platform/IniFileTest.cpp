#include "platform/IniFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

using platform::IniFile;
using testing::ElementsAre;
namespace fs = std::filesystem;

namespace {

class IniFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "inifile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        file_ = folder_ / "current.ini";
    }
    void TearDown() override { fs::remove_all(folder_); }

    void Put(const std::string& bytes) const { std::ofstream(file_, std::ios::binary) << bytes; }
    static std::string Bytes(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string Bytes() const { return Bytes(file_); }
    auto FilesInFolder() const { return std::distance(fs::directory_iterator(folder_), {}); }

    fs::path folder_;
    fs::path file_;
};

}  // namespace

TEST_F(IniFileTest, MissingFileGivesAnEmptyIni)
{
    const IniFile ini(file_);
    EXPECT_EQ(ini.FileName(), file_.string());
    EXPECT_TRUE(ini.ReadSections().empty());
    EXPECT_EQ(ini.ReadString("FormCommon", "etObject", "dflt"), "dflt");
}

TEST_F(IniFileTest, SavedValuesLoadBackUnchanged)
{
    IniFile ini(file_);
    ini.WriteString("FormCommon", "etObject", "Объект №1");
    ini.WriteString("FormCommon", "etBlank", "");
    ini.WriteString("FormCommon", "etSpaced", "  two  blanks  ");
    ini.WriteString("FormCommon", "etEquals", "a=b;c");
    ini.WriteInteger("FormCommon", "cbType", -12);
    ini.WriteBool("FormCommon", "cbOn", true);
    ini.WriteBool("formWays", "rb2", false);
    ini.UpdateFile();

    const IniFile back(file_);
    EXPECT_EQ(back.ReadString("FormCommon", "etObject", ""), "Объект №1");
    EXPECT_EQ(back.ReadString("FormCommon", "etBlank", "x"), "");
    EXPECT_EQ(back.ReadString("FormCommon", "etSpaced", ""), "  two  blanks  ");
    EXPECT_EQ(back.ReadString("FormCommon", "etEquals", ""), "a=b;c");
    EXPECT_EQ(back.ReadInteger("FormCommon", "cbType", 0), -12);
    EXPECT_TRUE(back.ReadBool("FormCommon", "cbOn", false));
    EXPECT_FALSE(back.ReadBool("formWays", "rb2", true));
    EXPECT_THAT(back.ReadSections(), ElementsAre("FormCommon", "formWays"));
}

TEST_F(IniFileTest, WritesWindows1251WithCrLf)
{
    IniFile ini(file_);
    ini.WriteString("S", "k", "Тест");
    ini.WriteBool("S", "b", true);
    ini.WriteString("T", "k", "1");
    ini.UpdateFile();
    EXPECT_EQ(Bytes(), "[S]\r\nk=\xD2\xE5\xF1\xF2\r\nb=1\r\n\r\n[T]\r\nk=1\r\n");
}

TEST_F(IniFileTest, ReadsWindows1251OrUtf8)
{
    Put("[FormCommon]\r\netName=\xCF\xF0\xE8\xE2\xE5\xF2\r\n");
    EXPECT_EQ(IniFile(file_).ReadString("FormCommon", "etName", ""), "Привет");
    Put("[FormCommon]\netName=Привет\n");
    EXPECT_EQ(IniFile(file_).ReadString("FormCommon", "etName", ""), "Привет");
    Put("\xEF\xBB\xBF[FormCommon]\r\netName=Привет\r\n");
    EXPECT_EQ(IniFile(file_).ReadString("FormCommon", "etName", ""), "Привет");
}

TEST_F(IniFileTest, FallsBackToUtf8RatherThanLoseText)
{
    IniFile ini(file_);
    ini.WriteString("S", "jp", "日本");
    ini.WriteString("S", "ru", "Тест");
    ini.UpdateFile();
    EXPECT_EQ(Bytes(), "[S]\r\njp=日本\r\nru=Тест\r\n");
    EXPECT_EQ(IniFile(file_).ReadString("S", "jp", ""), "日本");

    // "Рў" in Windows-1251 is D0 A2, which would read back as the UTF-8 of "Т".
    IniFile ambiguous(file_);
    ambiguous.Clear();
    ambiguous.WriteString("S", "k", "Рў");
    ambiguous.UpdateFile();
    EXPECT_EQ(IniFile(file_).ReadString("S", "k", ""), "Рў");
}

TEST_F(IniFileTest, AFirstLineThatBeginsLikeAByteOrderMarkSurvivesSaving)
{
    // "п»ї" is EF BB BF in Windows-1251, and U+FEFF is the same in UTF-8: a reader takes either for a
    // mark and drops it, unless the file carries a mark of its own in front.
    for (const std::string first : {"п»ї примечание", "\uFEFF; заметка"}) {
        Put("\xEF\xBB\xBF" + first + "\r\n[S]\r\nk=Тест\r\n");
        IniFile(file_).UpdateFile();
        const std::string saved = Bytes();
        EXPECT_EQ(saved, "\xEF\xBB\xBF" + first + "\r\n\r\n[S]\r\nk=Тест\r\n");
        IniFile again(file_);
        EXPECT_EQ(again.ReadString("S", "k", ""), "Тест");
        again.UpdateFile();
        EXPECT_EQ(Bytes(), saved) << "the second save loses nothing either";
    }
}

TEST_F(IniFileTest, NamesMatchIgnoringAsciiCaseOnly)
{
    Put("[FormCommon]\r\netObject=1234\r\n");
    IniFile ini(file_);
    EXPECT_EQ(ini.ReadString("formcommon", "ETOBJECT", ""), "1234");
    EXPECT_TRUE(ini.ValueExists("FORMCOMMON", "etobject"));
    ini.WriteString("FORMCOMMON", "ETOBJECT", "5678");
    EXPECT_THAT(ini.ReadSections(), ElementsAre("FormCommon"));
    EXPECT_THAT(ini.ReadSection("FormCommon"), ElementsAre("etObject"));
    EXPECT_EQ(ini.ReadString("FormCommon", "etObject", ""), "5678");

    ini.WriteString("Раздел", "Ключ", "1");
    EXPECT_FALSE(ini.ValueExists("раздел", "Ключ"));
}

TEST_F(IniFileTest, SavingKeepsTheFilesOtherSectionsAndComments)
{
    Put("; made by hand\r\n[Connect]\r\nPort=/dev/ttyUSB0\r\n; keep me\r\nnoequals\r\n\r\n[FormCommon]\r\netObject=1\r\n");
    IniFile ini(file_);
    ini.WriteString("FormCommon", "etObject", "2");
    ini.UpdateFile();
    EXPECT_EQ(Bytes(), "; made by hand\r\n\r\n[Connect]\r\nPort=/dev/ttyUSB0\r\n; keep me\r\nnoequals\r\n\r\n"
                       "[FormCommon]\r\netObject=2\r\n");
    EXPECT_THAT(IniFile(file_).ReadSection("Connect"), ElementsAre("Port"));
}

TEST_F(IniFileTest, HandWrittenFilesAreRead)
{
    Put("  [ FormCommon ]  \n  etObject = 12\nk=first\nK=second\n[formcommon]\nlast=end");
    IniFile ini(file_);
    EXPECT_EQ(ini.ReadString("FormCommon", "etObject", ""), " 12");
    EXPECT_EQ(ini.ReadInteger("FormCommon", "etObject", 0), 12);
    EXPECT_EQ(ini.ReadString("FormCommon", "k", ""), "first");
    EXPECT_EQ(ini.ReadString("FormCommon", "last", ""), "end");
    ini.DeleteKey("FormCommon", "k");
    EXPECT_FALSE(ini.ValueExists("FormCommon", "k"));
}

TEST_F(IniFileTest, IntegersAreDecimalOrHexadecimalAfter0x)
{
    Put("[S]\r\ndec=42\r\nneg=-7\r\nhex=0x3\r\nupper=0X1f\r\nbig=0xFFFFFFFF\r\nmin=-2147483648\r\nblank= 7 \r\n"
        "abc=abc\r\nempty=\r\nhalf=0x\r\nover=2147483648\r\nexp=1e3\r\ndollar=$10\r\n");
    const IniFile ini(file_);
    EXPECT_EQ(ini.ReadInteger("S", "dec", -1), 42);
    EXPECT_EQ(ini.ReadInteger("S", "neg", -1), -7);
    EXPECT_EQ(ini.ReadInteger("S", "hex", -1), 3);
    EXPECT_EQ(ini.ReadInteger("S", "upper", -1), 31);
    EXPECT_EQ(ini.ReadInteger("S", "big", 0), -1);
    EXPECT_EQ(ini.ReadInteger("S", "min", 0), -2147483647 - 1);
    EXPECT_EQ(ini.ReadInteger("S", "blank", 0), 7);
    for (const char* key : {"abc", "empty", "half", "over", "exp", "dollar", "missing"})
        EXPECT_EQ(ini.ReadInteger("S", key, 99), 99) << key;
}

TEST_F(IniFileTest, BooleansAreIntegers)
{
    Put("[S]\r\ntwo=2\r\nzero=0\r\nyes=yes\r\ntrue=true\r\nhex=0x0\r\n");
    const IniFile ini(file_);
    EXPECT_TRUE(ini.ReadBool("S", "two", false));
    EXPECT_FALSE(ini.ReadBool("S", "zero", true));
    EXPECT_FALSE(ini.ReadBool("S", "hex", true));
    EXPECT_FALSE(ini.ReadBool("S", "yes", false));
    EXPECT_TRUE(ini.ReadBool("S", "yes", true));
    EXPECT_FALSE(ini.ReadBool("S", "true", false));
    EXPECT_TRUE(ini.ReadBool("S", "missing", true));
}

TEST_F(IniFileTest, SectionsAndKeysCanBeListedAndRemoved)
{
    IniFile ini(file_);
    ini.WriteString("A", "x", "1");
    ini.WriteString("A", "y", "2");
    ini.WriteString("B", "z", "3");
    EXPECT_THAT(ini.ReadSection("A"), ElementsAre("x", "y"));
    EXPECT_TRUE(ini.ReadSection("C").empty());
    ini.DeleteKey("A", "x");
    EXPECT_THAT(ini.ReadSection("A"), ElementsAre("y"));
    ini.EraseSection("a");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_TRUE(ini.SectionExists("b"));
    ini.Clear();
    EXPECT_TRUE(ini.ReadSections().empty());
    ini.UpdateFile();
    EXPECT_EQ(Bytes(), "");
}

TEST_F(IniFileTest, RefusesWhatTheFileCouldNotCarryBack)
{
    IniFile ini(file_);
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
        EXPECT_EQ(temporary.parent_path(), folder_);
        EXPECT_EQ(Bytes(temporary), "[S]\r\nk=new\r\n");
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

TEST_F(IniFileTest, SavingKeepsPermissionsAndLinks)
{
    const fs::path real = folder_ / "real.ini";
    std::ofstream(real) << "[S]\r\n";
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real, file_);
    IniFile ini(file_);
    ini.WriteString("S", "k", "new");
    ini.UpdateFile();
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_EQ(Bytes(real), "[S]\r\nk=new\r\n");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(IniFileTest, FailuresNameTheFileAndTheReason)
{
    const fs::path nowhere = folder_ / "missing" / "current.ini";
    IniFile ini(nowhere);
    ini.WriteString("S", "k", "1");
    try {
        ini.UpdateFile();
        FAIL() << "the save should have failed";
    } catch (const platform::IniFileError& e) {
        EXPECT_THAT(e.what(), testing::HasSubstr(nowhere.string()));
        EXPECT_THAT(e.what(), testing::HasSubstr("нет такого файла или устройства"));
        EXPECT_EQ(e.Code(), std::errc::no_such_file_or_directory);
    }

    // A read-only file is kept, although its folder would let a new one take its place.
    Put("[S]\r\nk=old\r\n");
    fs::permissions(file_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    IniFile kept(file_);
    kept.WriteString("S", "k", "new");
    try {
        kept.UpdateFile();
        FAIL() << "a read-only file was replaced";
    } catch (const platform::IniFileError& e) {
        EXPECT_THAT(e.what(), testing::HasSubstr(file_.string() + "\": файл только для чтения"));
        EXPECT_EQ(e.Code(), std::errc::permission_denied);
    }
    EXPECT_EQ(Bytes(), "[S]\r\nk=old\r\n");
    EXPECT_EQ(FilesInFolder(), 1);

    fs::remove(file_);
    fs::create_directory(file_);
    EXPECT_THROW(IniFile{file_}, platform::IniFileError);
    std::string why;
    EXPECT_TRUE(IniFile::ReadOrEmpty(file_, &why).ReadSections().empty());
    EXPECT_THAT(why, testing::HasSubstr(file_.string()));
}
