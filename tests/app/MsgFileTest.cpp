#include "app/MsgFileU.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <span>
#include <stdexcept>
#include <string>

#include "app/fMasks.h"
#include "platform/Color.h"
#include "platform/Text.h"

namespace {

const std::string kRealTable = std::string(SORVEL_SOURCE_DIR) + "/resources/Messages.txt";

TMsgFile Table(std::string_view bytes)
{
    TMsgFile table;
    table.LoadFromBytes(bytes);
    return table;
}

TMsgFile RealTable()
{
    TMsgFile table;
    table.LoadFromFile(kRealTable);
    return table;
}

TEST(MsgFile, LooksUpTextColourAndNumber)
{
    const TMsgFile table = Table("602|\xD2\xE5\xF1\xF2|$0000FF|5\r\n130|\xD2\xF0\xE5\xE2\xEE\xE3\xE0\r\n");
    EXPECT_EQ(table.TextOf("602"), "Тест");
    EXPECT_EQ(table.ColorOf("602"), 255);
    EXPECT_EQ(table.NumberOf("602"), 5);
    EXPECT_EQ(table.TextOf("130"), "Тревога");
    EXPECT_EQ(table.ColorOf("130"), 0xFFFFFF);
    EXPECT_EQ(table.TextOf("999"), " ");
    EXPECT_EQ(table.NumberOf("999"), 0);
    EXPECT_EQ(table.TextOf("602 "), " ") << "codes compare exactly";
    EXPECT_EQ(Table("1|Тест\n").TextOf("1"), "Тест") << "a UTF-8 file is read as UTF-8";
}

TEST(MsgFile, CellsSplitAtEveryBarAndFirstFilledRowAnswers)
{
    const TMsgFile table = Table("a|b|\r\nno bar here\r\n\r\n| x |\r\nlast|line");
    ASSERT_EQ(table.Count(), 3);
    EXPECT_EQ(table.Rows[0], (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(table.Rows[1], (std::vector<std::string>{"", " x ", ""}));
    EXPECT_EQ(table.Rows[2], (std::vector<std::string>{"last", "line"}));
    EXPECT_EQ(table.Cell(2, 1), "line");
    for (const auto& [row, col] : {std::pair{0, 3}, {3, 0}, {-1, 0}, {0, -1}}) EXPECT_EQ(table.Cell(row, col), "");

    const TMsgFile repeated = Table("5|||\n5|second|$FF0000|\n5|third|$00FF00|7\n");
    EXPECT_EQ(repeated.TextOf("5"), "second");
    EXPECT_EQ(repeated.ColorOf("5"), 0xFF0000);
    EXPECT_EQ(repeated.NumberOf("5"), 7);
}

TEST(MsgFile, CellsThatAreNotIntegersGiveTheDefaults)
{
    const TMsgFile table = Table("1|t|red|five\n2|t|$|\n3|t| 12 |0x10\n4|t|$FF000005|-3\n5|t|99999999999|$\n");
    for (const char* code : {"1", "2", "5"}) EXPECT_EQ(table.ColorOf(code), 0xFFFFFF) << code;
    EXPECT_EQ(table.NumberOf("1"), 0);
    EXPECT_EQ(table.ColorOf("3"), 12);
    EXPECT_EQ(table.NumberOf("3"), 16);
    EXPECT_EQ(static_cast<TColor>(table.ColorOf("4")), clWindow);
    EXPECT_EQ(table.NumberOf("4"), -3);
}

TEST(MsgFile, AMissingFileIsAClearError)
{
    const std::string missing = std::string(SORVEL_SOURCE_DIR) + "/no-such-folder/Messages.txt";
    TMsgFile table;
    try {
        table.LoadFromFile(missing);
        ADD_FAILURE() << "a missing file must raise";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
    EXPECT_EQ(table.Count(), 0);
    EXPECT_THROW(table.LoadFromFile(SORVEL_SOURCE_DIR), std::runtime_error) << "a folder";
}

TEST(MessagesTable, IsWindows1251WithCrLfAndEveryRowIsWellFormed)
{
    std::ifstream in(kRealTable, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(bytes.empty());
    EXPECT_FALSE(platform::IsValidUtf8(bytes));
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_FALSE(bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) << "a bare line feed at byte " << i;
    const TMsgFile table = RealTable();
    ASSERT_GT(table.Count(), 200);
    std::set<std::string> codes;
    for (int r = 0; r < table.Count(); ++r) {
        const std::string code = table.Cell(r, 0);
        ASSERT_EQ(table.Rows[static_cast<std::size_t>(r)].size(), 4u) << "row " << r;
        EXPECT_TRUE(code.size() == 4 && (code.back() == '1' || code.back() == '3')) << code;
        EXPECT_TRUE(codes.insert(code).second) << "twice: " << code;
        EXPECT_FALSE(table.Cell(r, 1).empty()) << code;
        EXPECT_TRUE(table.Cell(r, 2).starts_with("$") && table.Cell(r, 3).starts_with("$")) << code;
        EXPECT_NE(table.ColorOf(code), 0xFFFFFF) << code;
    }
}

TEST(MessagesTable, KeysEventsByCodeThenQualifierWithColoursByKind)
{
    TMsgFile table = RealTable();
    table.LoadFromFile(kRealTable);  // a second load replaces the rows
    EXPECT_EQ(table.Cell(38, 0), "1303");  // rows 39 and 40: the loops page's factory events
    EXPECT_EQ(table.Cell(39, 0), "1301");
    EXPECT_EQ(table.TextOf("1301"), "Проникновение");
    EXPECT_EQ(table.TextOf("1303"), "Восстановление после проникновения");
    EXPECT_EQ(table.TextOf("3013"), "Восстановление сети 220 В");
    EXPECT_EQ(table.TextOf("6021"), "Периодический тест");
    EXPECT_EQ(table.TextOf("1130"), " ") << "the device's own order (qualifier first) is not a key";
    const std::pair<const char*, int> colours[] = {
        {"1301", clRed}, {"3011", clYellow}, {"4011", 0xFFC080}, {"4013", 0x80FF80}, {"6021", clSilver}, {"2051", 0x0080FF}};
    for (const auto& [code, colour] : colours) EXPECT_EQ(table.ColorOf(code), colour) << code;
    EXPECT_EQ(static_cast<TColor>(table.NumberOf("1301")), clWhite);
    EXPECT_EQ(static_cast<TColor>(table.NumberOf("3011")), clBlack);
}

TEST(MessagesTable, HoldsEveryEventOfTheBolidMasks)
{
    const TMsgFile table = RealTable();
    for (const std::span<const TC2000Event> events : {std::span<const TC2000Event>(EventTable83), std::span<const TC2000Event>(EventTable51)})
        for (const TC2000Event& e : events) EXPECT_FALSE(MaskEventText(e.Code, table).ends_with(":  ")) << e.Code;
}

}  // namespace
