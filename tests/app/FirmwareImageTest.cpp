#include "app/FirmwareImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/UpdateThread.h"
#include "tests/app/FirmwareTestSupport.h"

namespace {

using namespace firmwaretest;

std::string Join(const std::vector<std::string>& lines, const std::string& eol = "\r\n")
{
    std::string text;
    for (const std::string& l : lines) text += l + eol;
    return text;
}

// The records of `count` bytes from address 0, `perRecord` to a line, and the end record.
std::vector<std::string> Records(std::size_t count, std::size_t perRecord, int seed = 3)
{
    const std::vector<std::uint8_t> bytes = Bytes(count, seed);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < count; at += perRecord) {
        const std::size_t n = std::min(perRecord, count - at);
        lines.push_back(Record(static_cast<unsigned>(at), {bytes.begin() + at, bytes.begin() + at + n}));
    }
    lines.push_back(Record(0, {}, 1));
    return lines;
}

// Bytes from address 0 as GNU objcopy writes them: 16-byte records, an address record at each 64 KiB
// (type 2, a segment, while the address fits 1 MiB; type 4, the upper linear bits), a start address
// record (3 or 5), the end record.
std::string ObjcopyText(const std::vector<std::uint8_t>& bytes, int addressType)
{
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        if (at % 0x10000 == 0 && at != 0) {
            const std::size_t base = addressType == 2 ? at >> 4 : at >> 16;
            const std::vector<std::uint8_t> value{static_cast<std::uint8_t>(base >> 8), static_cast<std::uint8_t>(base)};
            text += Record(0, value, addressType) + "\n";
        }
        const std::size_t n = std::min<std::size_t>(16, bytes.size() - at);
        text += Record(static_cast<unsigned>(at & 0xFFFF), {bytes.begin() + at, bytes.begin() + at + n}) + "\n";
    }
    return text + Record(0, {0x00, 0x00, 0x01, 0x00}, addressType + 1) + "\n" + Record(0, {}, 1) + "\n";
}

}  // namespace

TEST(FirmwareChoice, TableOfProcessorPanelAndFlash)
{
    struct Case {
        int cpu, panel, flash, image;
    };
    const Case cases[] = {
        {0, 0, 0, 1}, {0, 0, 1, 2}, {0, 1, 0, 3}, {0, 1, 1, 4}, {1, 1, 1, 5}, {1, 0, 1, 6},
        {1, 0, 0, 0},  // PIC18F67K22 with AT45DB161D
        {1, 1, 0, 0}, {0, 2, 0, 0}, {0, 2, 1, 0}, {1, 2, 1, 0},  // Paradox panels
        {2, 0, 0, 0}, {0, 0, 2, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SelectFirmwareImageFor(c.panel, c.cpu, c.flash), c.image)
            << "cpu " << c.cpu << " panel " << c.panel << " flash " << c.flash;
    for (int i = 1; i <= FirmwareImageCount; ++i) {
        const TFirmwareVariant& v = FirmwareVariantNames[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(SelectFirmwareImageFor(v.PanelType, v.Cpu, v.FlashType), i) << v.Name;
    }
}

TEST(FirmwareVersion, NumbersAtTheirPlacesOrMinusOne)
{
    EXPECT_EQ(VersionOfLine("REV 11.005.128").Major, 5);
    EXPECT_EQ(VersionOfLine("REV 11.005.128").Build, 128);
    EXPECT_EQ(VersionOfLine("REV 11.0x5.128").Major, -1);
    EXPECT_EQ(VersionOfLine("REV 11.0x5.128").Build, 128);
    EXPECT_EQ(VersionOfLine("REV 11.005.12").Build, -1);
    EXPECT_EQ(VersionOfLine("REV 11.005. 12").Build, -1);
    EXPECT_EQ(VersionOfLine("REV 11.-05.128").Major, -1);
    EXPECT_EQ(VersionOfLine("").Major, -1);
    EXPECT_EQ(VersionOfLine("").Build, -1);
}

TEST(FirmwareVersion, OfferedOnlyWhenNewerAndFitting)
{
    TFirmwareImages images;
    images.SetImage(1, {"REV 11.005.121"});
    images.SetImage(3, {"REV 11.005.200"});
    images.SetImage(2, {"REV 11.005.1x1"});
    EXPECT_TRUE(images.UpdateAvailable(0, 0, 0, 5, 120));
    EXPECT_FALSE(images.UpdateAvailable(0, 0, 0, 5, 121));  // equal
    EXPECT_FALSE(images.UpdateAvailable(0, 0, 0, 5, 122));
    EXPECT_TRUE(images.UpdateAvailable(0, 0, 0, 4, 999));
    EXPECT_FALSE(images.UpdateAvailable(1, 0, 0, 6, 10));  // Major 6 > 5
    EXPECT_FALSE(images.UpdateAvailable(2, 0, 0, 0, 0));   // Paradox: no image
    EXPECT_FALSE(images.UpdateAvailable(0, 1, 0, 0, 0));   // PIC18F67K22 with AT45: no image
    EXPECT_FALSE(images.UpdateAvailable(0, 0, 1, 0, 0));   // not numeric never counts as newer
    EXPECT_FALSE(images.UpdateAvailable(0, 1, 1, 0, 0));   // an empty image
    EXPECT_FALSE(IsNewerFirmware({6, -1}, 5, 100));
}

TEST(FirmwareImages, ListNamesEveryVariantWithItsVersionLine)
{
    TFirmwareImages images;
    images.SetImage(1, {"REV 11.005.082", ":00"});
    const std::vector<std::string> lines = images.ListLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "PIC18F6722 AT45 Altonika ver: REV 11.005.082");
    EXPECT_EQ(lines[5], "PIC18F67K22 M45 Altonika ver: ");
    EXPECT_THROW(images.Image(0), std::out_of_range);
    EXPECT_THROW(images.SetImage(7, {}), std::out_of_range);
}

TEST(FirmwareImages, BuiltInPlaceholdersAreWholeAndNeverNewer)
{
    const TFirmwareImages images = TFirmwareImages::BuiltIn();
    for (int i = 1; i <= FirmwareImageCount; ++i) {
        const auto& lines = images.Image(i);
        ASSERT_GT(lines.size(), 1u) << i;
        EXPECT_EQ(lines.front().size(), 14u);
        EXPECT_EQ((lines.size() - 1) % 8, 0u);
        for (std::size_t l = 1; l < lines.size(); ++l) EXPECT_EQ(lines[l].size(), 43u) << i << ":" << l;
        EXPECT_TRUE(BlocksFromImage(lines).Usable()) << i;
        EXPECT_TRUE(ParseHexText(Join(lines) + Record(0, {}, 1)).Usable()) << i;  // real records: checksums hold
        const TImageVersion v = images.ImageVersion(i);
        EXPECT_FALSE(IsNewerFirmware(v, 5, 0)) << i;
    }
    EXPECT_TRUE(BuiltInFirmwareText(0).empty());
    EXPECT_TRUE(BuiltInFirmwareText(7).empty());
}

TEST(FirmwareImages, TextSplitsAtCrLfAndLf)
{
    EXPECT_EQ(SplitImageText("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(SplitImageText("a\r\n"), (std::vector<std::string>{"a"}));
    EXPECT_TRUE(SplitImageText("").empty());
}

TEST(FirmwareBlock, FrameHoldsNumberDataAndXor)
{
    std::string data(256, '0');
    data[41] = '1';   // byte 20 = 01
    data[201] = '3';  // byte 100 = 03
    const TFirmwareBlock block = MakeBlock(8, data);
    EXPECT_EQ(block.Check, 0x02);
    EXPECT_EQ(BlockCommand(block), "W0008:" + data + ":02");
    EXPECT_EQ(BlockCommand(MakeBlock(0xC90, "ff0F")), "W0C90:ff0F:F0");
    EXPECT_EQ(BlockNumberText(0xABCD), "ABCD");
    EXPECT_FALSE(XorOfHexBytes("0"));
    EXPECT_FALSE(XorOfHexBytes("0G"));
    EXPECT_THROW(MakeBlock(0, "123"), std::invalid_argument);
}

TEST(FirmwareBlock, LanesTakeTheChecksInTurn)
{
    TLaneChecks lanes;
    EXPECT_EQ(lanes.Command(), "EE00000000");
    for (const std::uint8_t c : {0x11, 0x22, 0x33, 0x44, 0x55}) lanes.Add(c);
    EXPECT_EQ(lanes.Command(), "EE44223344");
    for (const std::uint8_t c : {0x01, 0x02, 0x03, 0x04}) lanes.Add(c);
    EXPECT_EQ(lanes.Command(), "EE40233147");  // block 6 goes to lane 2, block 9 to lane 1
}

TEST(FirmwareBlock, ImageCutsEightLinesToABlock)
{
    const std::vector<std::string> lines = ImageLines(3224);
    const TFirmwareBlocks blocks = BlocksFromImage(lines);
    ASSERT_TRUE(blocks.Usable()) << blocks.Error;
    ASSERT_EQ(blocks.Blocks.size(), 403u);
    EXPECT_EQ(blocks.Blocks.front().Number, 0);
    EXPECT_EQ(blocks.Blocks[1].Number, 8);
    EXPECT_EQ(BlockNumberText(blocks.Blocks.back().Number), "0C90");
    EXPECT_EQ(TUpdateThread::ProgressTotal(blocks.Blocks.size()), 507);
    std::string first;
    for (int l = 1; l <= 8; ++l) first += lines[static_cast<std::size_t>(l)].substr(9, 32);
    EXPECT_EQ(blocks.Blocks.front().Data, first);
    EXPECT_EQ(blocks.Blocks.front().Check, *XorOfHexBytes(first));
}

TEST(FirmwareBlock, ShortLastBlockOfAnImageIsSentShort)
{
    const TFirmwareBlocks blocks = BlocksFromImage(ImageLines(11));
    ASSERT_EQ(blocks.Blocks.size(), 2u);
    EXPECT_EQ(blocks.Blocks[1].Data.size(), 3u * 32);
}

TEST(FirmwareBlock, ImageWithABrokenLineGivesNoBlocks)
{
    std::vector<std::string> lines = ImageLines(16);
    lines[10] = ":10ZZ";
    const TFirmwareBlocks broken = BlocksFromImage(lines);
    EXPECT_FALSE(broken.Usable());
    EXPECT_TRUE(broken.Blocks.empty());
    EXPECT_NE(broken.Error.find("строка 11"), std::string::npos) << broken.Error;
    EXPECT_FALSE(BlocksFromImage({"REV 11.005.100"}).Usable());
    EXPECT_FALSE(BlocksFromImage({}).Usable());
}

TEST(HexReader, ReadsRecordsOfAnyLengthIntoOneImage)
{
    std::vector<std::string> lines{Record(0, {0, 0}, 4)};
    for (const std::string& r : Records(300, 8)) lines.push_back(r);
    const THexFile file = ParseHexText(Join(lines, "\n"));
    ASSERT_TRUE(file.Usable()) << file.Error;
    EXPECT_EQ(file.Bytes, Bytes(300, 3));
    EXPECT_EQ(file.RowCount(), 19);
    EXPECT_EQ(file.RowCells(18).size(), 12u);
    EXPECT_EQ(file.RowCells(0).front(), Hex({ByteAt(0, 3)}));
}

TEST(HexReader, SkipsTheVersionLineAndBlankLinesButNeedsTheEndRecord)
{
    std::vector<std::string> lines = ImageLines(16);
    lines.insert(lines.begin() + 5, "   ");
    const THexFile cut = ParseHexText(Join(lines) + "\r\n");
    EXPECT_FALSE(cut.Usable()) << "a file cut short at a line break";
    EXPECT_EQ(cut.Error, "строка 19: нет записи конца файла: файл оборван");
    EXPECT_EQ(cut.Bytes, Bytes(256)) << "the rows read stay on show";

    lines.push_back(Record(0, {}, 1));
    const THexFile file = ParseHexText(Join(lines));
    ASSERT_TRUE(file.Usable()) << file.Error;
    EXPECT_EQ(file.Bytes, Bytes(256));
}

TEST(HexReader, ObjcopyImagesReadWholeUpToTheFlashsSize)
{
    const std::vector<std::uint8_t> bytes = Bytes(0x20000, 5);
    for (const int type : {2, 4}) {
        const THexFile file = ParseHexText(ObjcopyText(bytes, type));
        ASSERT_TRUE(file.Usable()) << type << ": " << file.Error;
        EXPECT_EQ(file.Bytes, bytes);
        EXPECT_EQ(file.Blocks().back().Number, 0x1FF8);
    }
    std::vector<std::uint8_t> over = bytes;
    over.push_back(0);
    const THexFile refused = ParseHexText(ObjcopyText(over, 2));
    EXPECT_FALSE(refused.Usable());
    EXPECT_EQ(refused.Error.find("строка 8195: "), 0u) << refused.Error;
}

TEST(HexReader, LastBlockIsFilledWithErasedBytes)
{
    const THexFile file = ParseHexText(Join(Records(19 * 16, 16)));
    const std::vector<TFirmwareBlock> blocks = file.Blocks();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[2].Number, 16);
    EXPECT_EQ(blocks[2].Data.size(), 256u);
    EXPECT_EQ(blocks[2].Data.substr(96), std::string(160, 'F'));
    EXPECT_EQ(blocks[2].Data.substr(0, 96), Hex({file.Bytes.begin() + 256, file.Bytes.end()}));
}

TEST(HexReader, RefusesEveryKindOfBrokenFile)
{
    const std::vector<std::string> good = Records(64, 16);
    const auto with = [&](std::size_t at, const std::string& line) {
        std::vector<std::string> lines = good;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), line);
        return Join(lines);
    };
    const auto replaced = [&](std::size_t at, const std::string& line) {
        std::vector<std::string> lines = good;
        lines[at] = line;
        return Join(lines);
    };
    std::string badSum = good[2];
    badSum.back() = badSum.back() == '0' ? '1' : '0';
    std::string badCount = good[2];
    badCount[2] = 'F';  // 1F bytes announced, 16 given
    struct Case {
        const char* name;
        std::string text;
        const char* line;  // the line named in the error, or nullptr
        std::size_t kept;  // bytes read before the fault
    };
    const Case cases[] = {
        {"checksum", replaced(2, badSum), "строка 3", 32},
        {"byte count", replaced(2, badCount), "строка 3", 32},
        {"no colon", replaced(1, good[1].substr(1)), "строка 2", 16},
        {"not hex", replaced(1, good[1].substr(0, 20) + "G" + good[1].substr(21)), "строка 2", 16},
        {"odd digits", replaced(1, good[1] + "0"), "строка 2", 16},
        {"too short", replaced(1, ":0000"), "строка 2", 16},
        {"type 06", with(2, Record(0, {0, 0, 0, 0}, 6)), "строка 3", 32},
        {"cut short", Join({good.begin(), good.end() - 1}), "строка 5", 64},
        {"gap", replaced(2, Record(0x30, Bytes(16))), "строка 3", 32},
        {"overlap", replaced(2, Record(0x18, Bytes(16))), "строка 3", 32},
        {"backward", with(3, Record(0x00, Bytes(16))), "строка 4", 48},
        {"not from 0", Join({Record(0x80, Bytes(16))}), "строка 1", 0},
        {"after end", with(2, Record(0, {}, 1)), "строка 4", 32},
        {"end with data", with(2, Record(0, {1}, 1)), "строка 3", 32},
        {"extended length", with(2, Record(0, {1}, 4)), "строка 3", 32},
        {"segment length", with(2, Record(0, {1}, 2)), "строка 3", 32},
        {"extended jump", with(2, Record(0, {0, 1}, 4)), "строка 4", 32},
        {"empty", "", nullptr, 0},
        {"only the end", Join({Record(0, {}, 1)}), nullptr, 0},
        {"only a version", "REV 11.005.100\r\n", nullptr, 0},
        {"version not first", Join({good[0], "REV 11.005.100"}), "строка 2", 16},
    };
    for (const Case& c : cases) {
        const THexFile file = ParseHexText(c.text);
        EXPECT_FALSE(file.Usable()) << c.name;
        EXPECT_FALSE(file.Error.empty()) << c.name;
        if (c.line != nullptr) {
            EXPECT_NE(file.Error.find(c.line), std::string::npos) << c.name << ": " << file.Error;
        }
        EXPECT_EQ(file.Bytes.size(), c.kept) << c.name;
    }
}

TEST(HexReader, AnAddressJumpAfterRow20SendsNothing)
{
    std::vector<std::string> lines = Records(40 * 16, 16);
    lines[20] = Record(0x200, Bytes(16));
    const THexFile file = ParseHexText(Join(lines));
    EXPECT_FALSE(file.Usable());
    EXPECT_EQ(file.RowCount(), 20);
}

TEST(HexReader, FileThatCannotBeOpenedSaysSo)
{
    const THexFile file = ReadHexFile("/nonexistent/firmware.hex");
    EXPECT_FALSE(file.Usable());
    EXPECT_NE(file.Error.find("/nonexistent/firmware.hex"), std::string::npos);
}

TEST(HexReader, ReadsAFileFromDisk)
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "firmware-image-test.hex";
    std::ofstream(path, std::ios::binary) << Join(Records(100, 16));
    const THexFile file = ReadHexFile(path.string());
    std::filesystem::remove(path);
    ASSERT_TRUE(file.Usable()) << file.Error;
    EXPECT_EQ(file.Bytes, Bytes(100, 3));
}
