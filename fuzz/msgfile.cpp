// The event message table (Messages.txt) from any file content: every row and lookup answers, and
// the texts the pages show are valid UTF-8.
#include "app/MsgFileU.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMsgFile table;
    table.LoadFromBytes(fuzz::Bytes(data, size));
    for (int row = -1; row <= table.Count(); ++row) {
        const std::string code = table.Cell(row, 0);
        FUZZ_CHECK(platform::IsValidUtf8(table.TextOf(code)));
        (void)table.ColorOf(code);
        (void)table.NumberOf(code);
        for (int col = -1; col <= 4; ++col) FUZZ_CHECK(platform::IsValidUtf8(table.Cell(row, col)));
    }
    return 0;
}
