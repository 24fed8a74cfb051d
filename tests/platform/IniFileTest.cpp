#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

using platform::IniFile;
using platform::IniFileError;
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
    std::string Bytes() const
    {
        std::ifstream in(file_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::size_t FilesInFolder() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder_), {})); }

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
    EXPECT_FALSE(fs::exists(file_));
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

TEST_F(IniFileTest, ReadsWindows1251FilesOfEarlierInstalls)
{
    Put("[FormCommon]\r\netName=\xCF\xF0\xE8\xE2\xE5\xF2\r\n");
    EXPECT_EQ(IniFile(file_).ReadString("FormCommon", "etName", ""), "Привет");
}

TEST_F(IniFileTest, ReadsUtf8FilesWithOrWithoutMark)
{
    Put("[FormCommon]\netName=Привет\n");
    EXPECT_EQ(IniFile(file_).ReadString("FormCommon", "etName", ""), "Привет");
    Put("\xEF\xBB\xBF[FormCommon]\r\netName=Привет\r\n");
    EXPECT_EQ(IniFile(file_).ReadString("FormCommon", "etName", ""), "Привет");
}

TEST_F(IniFileTest, TextWindows1251CannotCarryIsSavedAsUtf8)
{
    IniFile ini(file_);
    ini.WriteString("S", "ru", "Тест");
    ini.WriteString("S", "jp", "日本");
    ini.UpdateFile();
    EXPECT_EQ(Bytes(), "[S]\r\nru=Тест\r\njp=日本\r\n");
    const IniFile back(file_);
    EXPECT_EQ(back.ReadString("S", "ru", ""), "Тест");
    EXPECT_EQ(back.ReadString("S", "jp", ""), "日本");
}

TEST_F(IniFileTest, Windows1251BytesThatWouldReadAsUtf8AreSavedAsUtf8)
{
    // "Рў" in Windows-1251 is D0 A2, which is also the UTF-8 of "Т".
    IniFile ini(file_);
    ini.WriteString("S", "k", "Рў");
    ini.UpdateFile();
    EXPECT_EQ(IniFile(file_).ReadString("S", "k", ""), "Рў");
}

TEST_F(IniFileTest, NamesMatchIgnoringAsciiCase)
{
    Put("[FormCommon]\r\netObject=1234\r\n");
    IniFile ini(file_);
    EXPECT_EQ(ini.ReadString("formcommon", "ETOBJECT", ""), "1234");
    EXPECT_TRUE(ini.SectionExists("FORMCOMMON"));
    EXPECT_TRUE(ini.ValueExists("formCommon", "etobject"));
    ini.WriteString("FORMCOMMON", "ETOBJECT", "5678");
    EXPECT_THAT(ini.ReadSections(), ElementsAre("FormCommon"));
    EXPECT_THAT(ini.ReadSection("FormCommon"), ElementsAre("etObject"));
    EXPECT_EQ(ini.ReadString("FormCommon", "etObject", ""), "5678");
}

TEST_F(IniFileTest, CyrillicNamesAreComparedAsTheyAre)
{
    IniFile ini(file_);
    ini.WriteString("Раздел", "Ключ", "1");
    EXPECT_TRUE(ini.ValueExists("Раздел", "Ключ"));
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
    Put("  [ FormCommon ]  \n  etObject = 12\nlast=end");
    const IniFile ini(file_);
    EXPECT_EQ(ini.ReadString("FormCommon", "etObject", ""), " 12");
    EXPECT_EQ(ini.ReadInteger("FormCommon", "etObject", 0), 12);
    EXPECT_EQ(ini.ReadString("FormCommon", "last", ""), "end");
}

TEST_F(IniFileTest, TheFirstOfTwoEqualKeysWins)
{
    Put("[S]\r\nk=first\r\nK=second\r\n[s]\r\nother=3\r\n");
    IniFile ini(file_);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "first");
    EXPECT_EQ(ini.ReadString("S", "other", ""), "3");
    ini.DeleteKey("S", "k");
    EXPECT_FALSE(ini.ValueExists("S", "k"));
}

TEST_F(IniFileTest, IntegersAreDecimalOrHexadecimalAfter0x)
{
    Put("[S]\r\ndec=42\r\nneg=-7\r\nhex=0x3\r\nupper=0X1f\r\nbig=0xFFFFFFFF\r\nabc=abc\r\nempty=\r\n"
        "half=0x\r\nover=2147483648\r\nmin=-2147483648\r\nexp=1e3\r\ndollar=$10\r\nblank= 7 \r\n");
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
    ini.DeleteKey("C", "x");
    EXPECT_THAT(ini.ReadSection("A"), ElementsAre("y"));
    ini.EraseSection("a");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_THAT(ini.ReadSections(), ElementsAre("B"));
    ini.Clear();
    EXPECT_TRUE(ini.ReadSections().empty());
    ini.UpdateFile();
    EXPECT_EQ(Bytes(), "");
}

TEST_F(IniFileTest, RefusesWhatTheFileCouldNotCarryBack)
{
    IniFile ini(file_);
    EXPECT_THROW(ini.WriteString("S", "k", "two\nlines"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S", "k", "cr\r"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S", "k", "\xC0"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S", "a=b", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S", " k", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S", ";k", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S", "[k]", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S", "", "1"), std::invalid_argument);
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
        std::ifstream in(temporary, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[S]\r\nk=new\r\n");
        throw std::runtime_error("power cut");
    });
    EXPECT_THROW(ini.UpdateFile(), std::runtime_error);
    EXPECT_EQ(Bytes(), "[S]\r\nk=old\r\n");
    EXPECT_EQ(FilesInFolder(), 1u);

    ini.SetBeforeReplaceHook({});
    ini.UpdateFile();
    EXPECT_EQ(Bytes(), "[S]\r\nk=new\r\n");
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(IniFileTest, SavingKeepsTheFilesPermissions)
{
    Put("[S]\r\n");
    fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write);
    IniFile ini(file_);
    ini.WriteString("S", "k", "1");
    ini.UpdateFile();
    EXPECT_EQ(fs::status(file_).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(IniFileTest, SavingThroughALinkReplacesTheLinkedFile)
{
    const fs::path real = folder_ / "real.ini";
    std::ofstream(real) << "[S]\r\nk=old\r\n";
    fs::create_symlink(real, file_);
    IniFile ini(file_);
    ini.WriteString("S", "k", "new");
    ini.UpdateFile();
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_EQ(IniFile(real).ReadString("S", "k", ""), "new");
}

TEST_F(IniFileTest, AFailedSaveNamesTheFileAndTheReason)
{
    const fs::path nowhere = folder_ / "missing" / "current.ini";
    IniFile ini(nowhere);
    ini.WriteString("S", "k", "1");
    try {
        ini.UpdateFile();
        FAIL() << "the save should have failed";
    } catch (const IniFileError& e) {
        EXPECT_THAT(e.what(), testing::HasSubstr(nowhere.string()));
        EXPECT_THAT(e.what(), testing::HasSubstr(std::make_error_code(std::errc::no_such_file_or_directory).message()));
        EXPECT_EQ(e.Code(), std::errc::no_such_file_or_directory);
    }
}

TEST_F(IniFileTest, AFileThatCannotBeReadIsReported)
{
    fs::create_directory(file_);
    EXPECT_THROW(IniFile{file_}, IniFileError);
}
