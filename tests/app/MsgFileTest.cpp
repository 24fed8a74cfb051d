#include "app/MsgFileU.h"

#include "platform/Color.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>

namespace fs = std::filesystem;

namespace {

class MsgFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "msgfile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    TMsgFile Load(const std::string& bytes)
    {
        const fs::path file = folder_ / "Messages.txt";
        std::ofstream(file, std::ios::binary) << bytes;
        TMsgFile table;
        table.LoadFromFile(file.string());
        return table;
    }

    fs::path folder_;
};

const std::string kRealTable = std::string(SORVEL_SOURCE_DIR) + "/resources/Messages.txt";

}  // namespace

TEST_F(MsgFileTest, LooksUpTextColourAndNumber)
{
    const TMsgFile table = Load("602|\xD2\xE5\xF1\xF2|$0000FF|5\r\n130|\xD2\xF0\xE5\xE2\xEE\xE3\xE0\r\n");
    EXPECT_EQ(table.TextOf("602"), "Тест");
    EXPECT_EQ(table.ColorOf("602"), 255);
    EXPECT_EQ(table.NumberOf("602"), 5);
    EXPECT_EQ(table.TextOf("130"), "Тревога");
    EXPECT_EQ(table.ColorOf("130"), 0xFFFFFF);
    EXPECT_EQ(table.TextOf("999"), " ");
    EXPECT_EQ(table.NumberOf("999"), 0);
    EXPECT_EQ(table.TextOf("602 "), " ");  // codes compare exactly
}

TEST_F(MsgFileTest, CellsSplitAtEveryBar)
{
    const TMsgFile table = Load("a|b|\r\nno bar here\r\n\r\n| x |\r\nlast|line");
    ASSERT_EQ(table.Count(), 3);
    EXPECT_EQ(table.Rows[0], (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(table.Rows[1], (std::vector<std::string>{"", " x ", ""}));
    EXPECT_EQ(table.Rows[2], (std::vector<std::string>{"last", "line"}));
}

TEST_F(MsgFileTest, CellIsBoundsChecked)
{
    const TMsgFile table = Load("a|b\nc|d|e\n");
    EXPECT_EQ(table.Cell(1, 2), "e");
    for (const auto& [row, col] : {std::pair{0, 2}, {2, 0}, {-1, 0}, {0, -1}}) EXPECT_EQ(table.Cell(row, col), "");
}

TEST_F(MsgFileTest, FirstRowWithAFilledCellAnswers)
{
    const TMsgFile table = Load("5|||\n5|second|$FF0000|\n5|third|$00FF00|7\n");
    EXPECT_EQ(table.TextOf("5"), "second");
    EXPECT_EQ(table.ColorOf("5"), 0xFF0000);
    EXPECT_EQ(table.NumberOf("5"), 7);
}

TEST_F(MsgFileTest, CellsThatAreNotIntegersGiveTheDefaults)
{
    const TMsgFile table = Load("1|t|red|five\n2|t|$|\n3|t| 12 |0x10\n4|t|$FF000005|-3\n5|t|99999999999|$\n");
    for (const char* code : {"1", "2", "5"}) EXPECT_EQ(table.ColorOf(code), 0xFFFFFF) << code;
    EXPECT_EQ(table.NumberOf("1"), 0);
    EXPECT_EQ(table.ColorOf("3"), 12);
    EXPECT_EQ(table.NumberOf("3"), 16);
    EXPECT_EQ(static_cast<TColor>(table.ColorOf("4")), clWindow);
    EXPECT_EQ(table.NumberOf("4"), -3);
}

TEST_F(MsgFileTest, ReadsUtf8WhenTheFileIsUtf8)
{
    EXPECT_EQ(Load("1|Тест\n").TextOf("1"), "Тест");
    EXPECT_EQ(Load("\xEF\xBB\xBF" "1|Тест\n").TextOf("1"), "Тест");
}

TEST_F(MsgFileTest, AMissingFileIsAClearError)
{
    TMsgFile table;
    const std::string missing = (folder_ / "Messages.txt").string();
    try {
        table.LoadFromFile(missing);
        FAIL() << "a missing file must raise";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
    EXPECT_EQ(table.Count(), 0);
    EXPECT_THROW(table.LoadFromFile(folder_.string()), std::runtime_error);
}

TEST(MessagesTable, IsWindows1251WithCrLf)
{
    std::ifstream in(kRealTable, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(bytes.empty());
    EXPECT_FALSE(platform::IsValidUtf8(bytes));
    EXPECT_TRUE(platform::Utf8ToCp1251(platform::Cp1251ToUtf8(bytes)).has_value());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool bareLineFeed = bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r');
        ASSERT_FALSE(bareLineFeed) << "at byte " << i;
    }
}

TEST(MessagesTable, KeysAnEventByCodeThenQualifier)
{
    TMsgFile table;
    table.LoadFromFile(kRealTable);
    table.LoadFromFile(kRealTable);  // a second load replaces the rows
    EXPECT_EQ(table.Cell(38, 0), "1303");  // rows 39 and 40: the loops page's factory events
    EXPECT_EQ(table.Cell(39, 0), "1301");
    EXPECT_EQ(table.TextOf("1301"), "Проникновение");
    EXPECT_EQ(table.TextOf("1303"), "Восстановление после проникновения");
    EXPECT_EQ(table.TextOf("3013"), "Восстановление сети 220 В");
    EXPECT_EQ(table.TextOf("6021"), "Периодический тест");
    EXPECT_EQ(table.TextOf("1130"), " ");  // the device's own order (qualifier first) is not a key
}

TEST(MessagesTable, ColoursSetTheKindsApart)
{
    TMsgFile table;
    table.LoadFromFile(kRealTable);
    EXPECT_EQ(static_cast<TColor>(table.ColorOf("1301")), clRed);
    EXPECT_EQ(static_cast<TColor>(table.NumberOf("1301")), clWhite);
    EXPECT_EQ(static_cast<TColor>(table.ColorOf("3011")), clYellow);
    EXPECT_EQ(static_cast<TColor>(table.NumberOf("3011")), clBlack);
    EXPECT_EQ(table.ColorOf("4011"), 0xFFC080);  // opening: light blue
    EXPECT_EQ(table.ColorOf("4013"), 0x80FF80);  // closing: light green
    EXPECT_EQ(static_cast<TColor>(table.ColorOf("6021")), clSilver);
    EXPECT_EQ(table.ColorOf("2051"), 0x0080FF);  // supervisory: orange
}

TEST(MessagesTable, EveryRowIsWellFormedAndCodesAreUnique)
{
    TMsgFile table;
    table.LoadFromFile(kRealTable);
    ASSERT_GT(table.Count(), 200);
    std::set<std::string> codes;
    for (int r = 0; r < table.Count(); ++r) {
        ASSERT_EQ(table.Rows[static_cast<std::size_t>(r)].size(), 4u) << "row " << r;
        const std::string code = table.Cell(r, 0);
        EXPECT_EQ(code.size(), 4u) << code;
        EXPECT_TRUE(code.back() == '1' || code.back() == '3') << code;
        EXPECT_TRUE(codes.insert(code).second) << "twice: " << code;
        EXPECT_FALSE(table.Cell(r, 1).empty()) << code;
        EXPECT_NE(table.ColorOf(code), 0xFFFFFF) << code;
        EXPECT_TRUE(table.Cell(r, 2).starts_with("$") && table.Cell(r, 3).starts_with("$")) << code;
    }
}

TEST(MessagesTable, HoldsEveryEventOfTheBolidMasks)
{
    // The events a Bolid C2000 panel's messages are reported as, keyed as the masks page looks them up.
    const char* const events[] = {
        "1101", "1181", "1301", "1221", "1341", "3711", "3721", "3801", "3803", "3821", "3823", "3741",
        "4063", "4003", "4001", "3411", "3413", "3933", "1581", "1591", "1583", "3371", "3373", "3381",
        "3383", "3011", "3013", "3393", "3331", "3333", "3311", "3313", "3321", "3323", "1501", "1503",
        "4023", "4021", "4623", "4621", "4011", "3201", "5603", "5601", "5611", "5613", "1193", "1191",
        "3081", "4581", "4613", "4213", "4211", "4261", "4263", "6271", "3511", "6231", "6241", "6011",
        "4061", "3053", "3363", "3361", "6251", "6071", "6073", "6111", "2051", "2053", "3021", "3091",
        "3121", "3123", "3513", "3431", "1133", "4043", "6061", "6063", "2033", "2031", "2041", "2043",
        "3093", "6051", "6053",
    };
    TMsgFile table;
    table.LoadFromFile(kRealTable);
    for (const char* key : events) EXPECT_NE(table.TextOf(key), " ") << key;
}
