// The event message table (Messages.txt) from any file content: every row and lookup answers, and
// the texts the pages show are valid UTF-8.
#include "app/MsgFileU.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes = fuzz::Bytes(data, size);
    TMsgFile table;
    table.LoadFromBytes(bytes);
    std::size_t bars = 0;
    for (const char c : bytes) bars += c == '|' ? 1 : 0;
    std::size_t cells = 0;
    for (int row = 0; row < table.Count(); ++row) {
        const auto& cellsOfRow = table.Rows[static_cast<std::size_t>(row)];
        FUZZ_CHECK(cellsOfRow.size() >= 2);
        cells += cellsOfRow.size() - 1;
        const std::string code = table.Cell(row, 0);
        FUZZ_CHECK(platform::IsValidUtf8(code));
        FUZZ_CHECK(platform::IsValidUtf8(table.TextOf(code)));
        (void)table.ColorOf(code);
        (void)table.NumberOf(code);
        for (int col = -1; col <= static_cast<int>(cellsOfRow.size()); ++col)
            FUZZ_CHECK(platform::IsValidUtf8(table.Cell(row, col)));
    }
    // Every "|" splits two cells of one row; none is lost or made up.
    FUZZ_CHECK(cells == bars);
    FUZZ_CHECK(table.Cell(table.Count(), 0).empty() && table.Cell(-1, 0).empty());
    // A code no row carries gives the defaults.
    const std::string absent = "\n";
    FUZZ_CHECK(table.TextOf(absent) == " " && table.ColorOf(absent) == 0xFFFFFF && table.NumberOf(absent) == 0);
    return 0;
}
