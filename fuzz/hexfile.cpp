// Intel HEX files of the user's choice and the built-in images' lines: whatever the text, the reader
// gives bytes or a reason, the blocks made from them carry sound checks, and bytes written out as HEX
// records read back the same.
#include <algorithm>

#include "app/FirmwareImage.h"
#include "fuzz/FuzzSupport.h"
#include "tests/app/FirmwareTestSupport.h"

namespace {

// The bytes as a HEX file: 16-byte data records, an extended address record at each 64 KiB.
std::string HexText(const std::vector<std::uint8_t>& bytes)
{
    using firmwaretest::Record;
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        if (at % 0x10000 == 0 && at != 0)
            text += Record(0, {static_cast<std::uint8_t>(at >> 24), static_cast<std::uint8_t>(at >> 16)}, 4) + "\r\n";
        const auto row = bytes.begin() + static_cast<std::ptrdiff_t>(at);
        const auto count = static_cast<std::ptrdiff_t>(std::min<std::size_t>(16, bytes.size() - at));
        text += Record(at & 0xFFFF, {row, row + count}) + "\r\n";
    }
    return text + Record(0, {}, 1) + "\r\n";
}

void CheckBlocks(const std::vector<TFirmwareBlock>& blocks)
{
    int expected = 0;
    for (const TFirmwareBlock& block : blocks) {
        FUZZ_CHECK(block.Number == expected);
        FUZZ_CHECK(XorOfHexBytes(block.Data) == block.Check);
        const std::string command = BlockCommand(block);
        FUZZ_CHECK(command.size() == block.Data.size() + 9 && command[5] == ':');
        expected += FirmwareBlockRows;
    }
}

void CheckHexFile(const std::string& text)
{
    const THexFile file = ParseHexText(text);
    FUZZ_CHECK(platform::IsValidUtf8(file.Error));
    FUZZ_CHECK(file.Bytes.size() <= static_cast<std::size_t>(FirmwareMaxRows) * FirmwareRowBytes);
    if (!file.Usable()) return;
    for (int row = 0; row < file.RowCount(); ++row) FUZZ_CHECK(file.RowCells(row).size() <= static_cast<std::size_t>(FirmwareRowBytes));
    const auto blocks = file.Blocks();
    FUZZ_CHECK(blocks.size() == (file.Bytes.size() + FirmwareBlockBytes - 1) / FirmwareBlockBytes);
    for (const TFirmwareBlock& block : blocks) FUZZ_CHECK(block.Data.size() == FirmwareBlockBytes * 2);
    CheckBlocks(blocks);

    const THexFile again = ParseHexText(HexText(file.Bytes));
    FUZZ_CHECK(again.Error.empty() && again.Bytes == file.Bytes);
}

void CheckImage(const std::string& text)
{
    const std::vector<std::string> lines = SplitImageText(text);
    for (const std::string& line : lines) FUZZ_CHECK(line.find('\n') == std::string::npos);
    if (!lines.empty()) (void)IsNewerFirmware(VersionOfLine(lines.front()), 5, 120);
    const TFirmwareBlocks blocks = BlocksFromImage(lines);
    FUZZ_CHECK(platform::IsValidUtf8(blocks.Error));
    if (blocks.Error.empty()) CheckBlocks(blocks.Blocks);
    else FUZZ_CHECK(blocks.Blocks.empty());
    TLaneChecks lanes;
    for (const TFirmwareBlock& block : blocks.Blocks) lanes.Add(block.Check);
    FUZZ_CHECK(lanes.Command().size() == 10);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text = fuzz::Bytes(data, size);
    CheckHexFile(text);
    CheckImage(text);
    return 0;
}
