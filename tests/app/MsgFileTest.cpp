#include "app/MsgFileU.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <span>
#include <stdexcept>
#include <string>

#include "app/fMasks.h"
#include "platform/Color.h"
#include "platform/Text.h"
#include "tests/support/TempFolder.h"

namespace {

TMsgFile Table(std::string_view bytes)
{
    TMsgFile table;
    table.LoadFromBytes(bytes);
    return table;
}

TEST(MsgFile, LooksUpTextColourAndNumberFromTheFirstRowThatHasThem)
{
    const TMsgFile table = Table("602|\xD2\xE5\xF1\xF2|$0000FF|5\r\n130|\xD2\xF0\xE5\xE2\xEE\xE3\xE0\r\n");
    EXPECT_EQ(table.TextOf("602") + table.TextOf("130"), "ТестТревога");
    EXPECT_EQ(std::pair(table.ColorOf("602"), table.NumberOf("602")), std::pair(255, 5));
    EXPECT_EQ(std::pair(table.ColorOf("130"), table.NumberOf("130")), std::pair(0xFFFFFF, 0));
    EXPECT_EQ(table.TextOf("999") + table.TextOf("602 "), "  ") << "no such code: codes compare exactly";
    EXPECT_EQ(Table("1|Тест\n").TextOf("1"), "Тест") << "a UTF-8 file is read as UTF-8";
    const TMsgFile repeated = Table("5|||\n5|second|$FF0000|\n5|third|$00FF00|7\n");
    EXPECT_EQ(repeated.TextOf("5"), "second");
    EXPECT_EQ(std::pair(repeated.ColorOf("5"), repeated.NumberOf("5")), std::pair(0xFF0000, 7));
}

TEST(MsgFile, CellsSplitAtEveryBarAndThoseThatAreNotIntegersGiveTheDefaults)
{
    const TMsgFile table = Table("a|b|\r\nno bar here\r\n\r\n| x |\r\nlast|line");
    EXPECT_EQ(table.Rows, (std::vector<std::vector<std::string>>{{"a", "b", ""}, {"", " x ", ""}, {"last", "line"}}));
    for (const auto& [row, col] : {std::pair{0, 3}, {3, 0}, {-1, 0}, {0, -1}}) EXPECT_EQ(table.Cell(row, col), "");
    const TMsgFile odd = Table("1|t|red|five\n3|t| 12 |0x10\n4|t|$FF000005|-3\n");
    EXPECT_EQ(std::pair(odd.ColorOf("1"), odd.NumberOf("1")), std::pair(0xFFFFFF, 0));
    EXPECT_EQ(std::pair(odd.ColorOf("3"), odd.NumberOf("3")), std::pair(12, 16));
    EXPECT_EQ(std::pair(static_cast<TColor>(odd.ColorOf("4")), odd.NumberOf("4")), std::pair(clWindow, -3));
}

TEST(MsgFile, AMissingFileIsAClearError)
{
    const testsupport::TempFolder folder;
    const std::string missing = (folder.path / "Messages.txt").string();
    TMsgFile table;
    EXPECT_THAT([&] { table.LoadFromFile(missing); }, testing::ThrowsMessage<std::runtime_error>(testing::HasSubstr(missing)));
    EXPECT_EQ(table.Count(), 0);
    EXPECT_THROW(table.LoadFromFile(folder.path.string()), std::runtime_error) << "a folder";
}

TEST(MessagesTable, IsWindows1251WithCrLfAndEveryRowIsWellFormedAndKeyed)
{
    const std::string file = std::string(SORVEL_SOURCE_DIR) + "/resources/Messages.txt";
    const std::string bytes = testsupport::ReadFile(file);
    ASSERT_FALSE(bytes.empty());
    EXPECT_FALSE(platform::IsValidUtf8(bytes));
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_FALSE(bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) << "a bare line feed at byte " << i;
    TMsgFile table;
    table.LoadFromFile(file);
    table.LoadFromFile(file);  // a second load replaces the rows
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
    EXPECT_EQ(table.Cell(38, 0) + table.Cell(39, 0), "13031301") << "rows 39 and 40: the loops page's factory events";
    EXPECT_EQ(table.TextOf("1301"), "Проникновение");
    EXPECT_EQ(table.TextOf("1303"), "Восстановление после проникновения");
    EXPECT_EQ(table.TextOf("1130"), " ") << "the device's own order (qualifier first) is not a key";
    EXPECT_EQ(static_cast<TColor>(table.ColorOf("1301")), clRed);
    for (const std::span<const TC2000Event> events : {std::span<const TC2000Event>(EventTable83), std::span<const TC2000Event>(EventTable51)})
        for (const TC2000Event& e : events) EXPECT_FALSE(MaskEventText(e.Code, table).ends_with(":  ")) << "masks: " << e.Code;
}

}  // namespace
