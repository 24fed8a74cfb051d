#include "app/FirmwareImage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/UpdateThread.h"
#include "tests/app/FirmwareTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace firmwaretest;

// The lines, each ended by CR LF, and the end record unless told otherwise.
std::string Join(const std::vector<std::string>& lines, bool end = true, const std::string& eol = "\r\n")
{
    std::string text;
    for (const std::string& l : lines) text += l + eol;
    return end ? text + Record(0, {}, 1) + eol : text;
}

// Bytes from address 0 as GNU objcopy writes them: 16-byte records, an address record at each 64 KiB
// (type 2, a segment; type 4, the upper linear bits), a start address record (3 or 5), the end record.
std::string ObjcopyText(const std::vector<std::uint8_t>& bytes, int addressType)
{
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        if (at % 0x10000 == 0 && at != 0) {
            const std::size_t base = addressType == 2 ? at >> 4 : at >> 16;
            text += Record(0, {static_cast<std::uint8_t>(base >> 8), static_cast<std::uint8_t>(base)}, addressType) + "\n";
        }
        text += Record(static_cast<unsigned>(at & 0xFFFF), {bytes.begin() + at, bytes.begin() + std::min(at + 16, bytes.size())}) + "\n";
    }
    return text + Record(0, {0x00, 0x00, 0x01, 0x00}, addressType + 1) + "\n" + Record(0, {}, 1) + "\n";
}

TEST(FirmwareImages, ChoiceByProcessorPanelAndFlashOnlyWhenNewer)
{
    const int cases[][4] = {// cpu, panel, flash: image
                            {0, 0, 0, 1}, {0, 0, 1, 2}, {0, 1, 0, 3}, {0, 1, 1, 4}, {1, 1, 1, 5}, {1, 0, 1, 6},
                            {1, 0, 0, 0}, {1, 1, 0, 0},  // PIC18F67K22 with AT45DB161D
                            {0, 2, 0, 0}, {0, 2, 1, 0}, {1, 2, 1, 0}, {2, 0, 0, 0}, {0, 0, 2, 0}};
    for (const auto& c : cases) EXPECT_EQ(SelectFirmwareImageFor(c[1], c[0], c[2]), c[3]) << c[0] << c[1] << c[2];
    TFirmwareImages images;
    images.SetImage(1, {"REV 11.005.121"});
    images.SetImage(2, {"REV 11.005.1x1"});
    EXPECT_TRUE(images.UpdateAvailable(0, 0, 0, 5, 120));
    EXPECT_FALSE(images.UpdateAvailable(0, 0, 0, 5, 121)) << "equal";
    EXPECT_TRUE(images.UpdateAvailable(0, 0, 0, 4, 999));
    EXPECT_FALSE(images.UpdateAvailable(0, 0, 0, 6, 10)) << "device Major 6 > 5";
    EXPECT_FALSE(images.UpdateAvailable(2, 0, 0, 0, 0)) << "Paradox: no image";
    EXPECT_FALSE(images.UpdateAvailable(0, 0, 1, 0, 0)) << "a build that is not numeric never counts as newer";
    EXPECT_FALSE(images.UpdateAvailable(0, 1, 1, 0, 0)) << "an empty image";
    const std::tuple<const char*, int, int> versions[] = {{"REV 11.005.128", 5, 128}, {"REV 11.0x5.128", -1, 128},
                                                          {"REV 11.005.12", 5, -1},   {"REV 11.005. 12", 5, -1},
                                                          {"REV 11.-05.128", -1, 128}, {"", -1, -1}};
    for (const auto& [line, major, build] : versions)
        EXPECT_EQ(std::pair(VersionOfLine(line).Major, VersionOfLine(line).Build), std::pair(major, build)) << line;
    EXPECT_FALSE(IsNewerFirmware({6, -1}, 5, 100));
}

TEST(FirmwareImages, BuiltInPlaceholdersAreWholeAndNeverNewer)
{
    const TFirmwareImages builtIn = TFirmwareImages::BuiltIn();
    EXPECT_THROW(TFirmwareImages().SetImage(7, {}), std::out_of_range);
    EXPECT_THROW(builtIn.Image(0), std::out_of_range);
    for (int i = 1; i <= FirmwareImageCount; ++i) {
        const auto& image = builtIn.Image(i);
        EXPECT_EQ((image.size() - 1) % 8, 0u) << i;
        EXPECT_TRUE(BlocksFromImage(image).Usable()) << i;
        EXPECT_TRUE(ParseHexText(BuiltInFirmwareText(i)).Usable()) << i << ": real records, checksums hold, no end record";
        EXPECT_FALSE(IsNewerFirmware(builtIn.ImageVersion(i), 5, 0)) << i;
    }
    EXPECT_TRUE(BuiltInFirmwareText(0).empty() && BuiltInFirmwareText(7).empty());
    EXPECT_EQ(SplitImageText("a\r\nb\nc\r\n"), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(FirmwareImages, BlocksHoldNumberDataAndXorTheLanesTakeTheChecksInTurnAndAnImageIsCutEightLinesToABlock)
{
    std::string data(256, '0');
    data[41] = '1';   // byte 20 = 01
    data[201] = '3';  // byte 100 = 03
    EXPECT_EQ(BlockCommand(MakeBlock(8, data)), "W0008:" + data + ":02");
    EXPECT_EQ(BlockCommand(MakeBlock(0xC90, "ff0F")), "W0C90:ff0F:F0");
    EXPECT_FALSE(XorOfHexBytes("0") || XorOfHexBytes("0G"));
    EXPECT_THROW(MakeBlock(0, "123"), std::invalid_argument);
    TLaneChecks lanes;
    EXPECT_EQ(lanes.Command(), "EE00000000");
    for (const std::uint8_t c : {0x11, 0x22, 0x33, 0x44, 0x55}) lanes.Add(c);
    EXPECT_EQ(lanes.Command(), "EE44223344");
    for (const std::uint8_t c : {0x01, 0x02, 0x03, 0x04}) lanes.Add(c);
    EXPECT_EQ(lanes.Command(), "EE40233147") << "block 6 goes to lane 2, block 9 to lane 1";
    // An image is cut eight lines to a block and sent short or not at all.
    const std::vector<std::string> lines = ImageLines(3224);
    const TFirmwareBlocks blocks = BlocksFromImage(lines);
    ASSERT_EQ(blocks.Blocks.size(), 403u) << blocks.Error;
    EXPECT_EQ(blocks.Blocks[1].Number + blocks.Blocks.back().Number, 8 + 0xC90);
    EXPECT_EQ(TUpdateThread::ProgressTotal(blocks.Blocks.size()), 507);
    std::string first;
    for (int l = 1; l <= 8; ++l) first += lines[static_cast<std::size_t>(l)].substr(9, 32);
    EXPECT_EQ(blocks.Blocks.front(), MakeBlock(0, first));
    EXPECT_EQ(BlocksFromImage(ImageLines(11)).Blocks.at(1).Data.size(), 3u * 32) << "a short last block is sent short";
    for (const std::string& line : {std::string(":10ZZ"), "0" + lines[10].substr(1)}) {
        std::vector<std::string> broken = ImageLines(16);
        broken[10] = line;
        const TFirmwareBlocks refused = BlocksFromImage(broken);
        EXPECT_TRUE(refused.Blocks.empty()) << line;
        EXPECT_EQ(refused.Error, "строка 11: не является записью формата Intel HEX") << line;
    }
    EXPECT_FALSE(BlocksFromImage({"REV 11.005.100"}).Usable());
    EXPECT_EQ(BlocksFromImage(ImageLines(FirmwareMaxRows + 8)).Error, "образ прошивки больше, чем принимает загрузчик");
}

TEST(HexReader, ReadsRecordsOfAnyLengthAndObjcopyImagesUpToTheFlashsSize)
{
    std::vector<std::string> lines{"REV 11.005.100", Record(0, {0, 0}, 4), "   "};
    for (const std::string& r : Records(300, 8)) lines.push_back(r);
    const THexFile file = ParseHexText(Join(lines, true, "\n"));
    ASSERT_TRUE(file.Usable()) << file.Error;
    EXPECT_EQ(file.Bytes, Bytes(300));
    const std::vector<TFirmwareBlock> blocks = file.Blocks();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[2], MakeBlock(16, Hex({file.Bytes.begin() + 256, file.Bytes.end()}) + std::string(256 - 88, 'F')))
        << "the last block is filled with erased bytes";

    const std::vector<std::uint8_t> bytes = Bytes(0x20000, 5);
    for (const int type : {2, 4}) {
        const THexFile objcopy = ParseHexText(ObjcopyText(bytes, type));
        ASSERT_TRUE(objcopy.Usable()) << type << ": " << objcopy.Error;
        EXPECT_EQ(objcopy.Bytes, bytes);
        EXPECT_EQ(objcopy.Blocks().back().Number, 0x1FF8);
    }
    std::vector<std::uint8_t> over = bytes;
    over.push_back(0);
    EXPECT_EQ(ParseHexText(ObjcopyText(over, 2)).Error, "строка 8195: прошивка больше, чем принимает загрузчик (128 КБ)");
}

TEST(HexReader, RefusesEveryKindOfBrokenFileNamingTheLine)
{
    const std::vector<std::string> good = Records(64);
    const auto with = [&](std::size_t at, const std::string& line, bool replace = false) {
        std::vector<std::string> lines = good;
        if (replace) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), line);
        return Join(lines);
    };
    std::string badSum = good[2];
    badSum.back() = badSum.back() == '0' ? '1' : '0';
    const std::string notHex = "в записи есть знаки, не являющиеся шестнадцатеричными цифрами";
    const std::string gap = "пропуск адресов перед записью";
    const std::string back = "адрес записи повторяет уже прочитанные данные или идёт назад";
    const std::string twoBytes = "запись расширенного адреса должна содержать два байта";
    const std::string noData = "в файле нет данных прошивки";
    const std::tuple<std::string, std::string, std::size_t> cases[] = {// file, error, bytes read before it
        {with(2, badSum, true), "строка 3: неверная контрольная сумма записи", 32},
        {with(2, ":1F" + good[2].substr(3), true), "строка 3: длина записи не совпадает с её счётчиком байтов", 32},
        {with(1, good[1].substr(1), true), "строка 2: запись не начинается с двоеточия", 16},
        {with(1, good[1].substr(0, 20) + "G" + good[1].substr(21), true), "строка 2: " + notHex, 16},
        {with(1, good[1] + "0", true), "строка 2: длина записи не совпадает с её счётчиком байтов", 16},
        {with(1, good[1].substr(0, 30), true), "строка 2: запись обрезана: в ней нечётное число шестнадцатеричных цифр", 16},
        {with(1, ":0000", true), "строка 2: запись слишком короткая", 16},
        {with(2, Record(0, {0, 0, 0, 0}, 6)), "строка 3: тип записи 06 не поддерживается", 32},
        {Join(good, false), "строка 5: нет записи конца файла: файл оборван", 64},
        {with(2, Record(0x30, Bytes(16)), true), "строка 3: " + gap, 32},
        {with(2, Record(0x18, Bytes(16)), true), "строка 3: " + back, 32},
        {with(3, Record(0x00, Bytes(16))), "строка 4: " + back, 48},
        {Join({Record(0x80, Bytes(16))}), "строка 1: " + gap, 0},
        {with(2, Record(0, {}, 1)), "строка 4: данные после записи конца файла", 32},
        {with(2, Record(0, {1}, 1)), "строка 3: запись конца файла содержит данные", 32},
        {with(2, Record(0, {1}, 4)), "строка 3: " + twoBytes, 32},
        {with(2, Record(0, {1}, 2)), "строка 3: " + twoBytes, 32},
        {with(2, Record(0, {0, 1}, 4)), "строка 4: " + gap, 32},
        {Join({good[0], "REV 11.005.100"}), "строка 2: запись не начинается с двоеточия", 16},
        // The maker's form (a version line first) needs no end record, but every record whole.
        {Join({"REV 11.005.100", good[0], good[1].substr(0, 31)}, false), "строка 3: длина записи не совпадает с её счётчиком байтов", 16},
        {Join({"REV 11.005.100", good[0], badSum}, false), "строка 3: неверная контрольная сумма записи", 16},
        {"", noData, 0},
        {Join({}), noData, 0},
        {"REV 11.005.100\r\n", noData, 0},
    };
    for (const auto& [text, error, kept] : cases) {
        const THexFile file = ParseHexText(text);
        EXPECT_FALSE(file.Usable()) << error;
        EXPECT_EQ(file.Error, error);
        EXPECT_EQ(file.Bytes.size(), kept) << error;
    }
    const testsupport::TempFolder folder;
    EXPECT_EQ(ReadHexFile(folder.Write("new.hex", Join(good))).Bytes, Bytes(64));
    // Far larger than any firmware: refused by its size, not read (it takes no disk, nor memory).
    std::filesystem::resize_file(folder.Write("huge.hex", ""), std::uintmax_t{1} << 30);
    EXPECT_THAT(ReadHexFile((folder.path / "huge.hex").string()).Error, testing::HasSubstr("huge.hex\": файл слишком большой (1073741824 байт"));
}

}  // namespace
