// The text helpers every parser relies on: the Windows-1251 edges, UTF-8 decoding, and the clamping
// slice that all device text goes through.
#include "fuzz/FuzzSupport.h"
#include "platform/Text.h"

namespace {

using namespace platform;

void CheckSlices(const std::string& text, long long index, long long count)
{
    const std::string slice = Copy(text, index, count);
    FUZZ_CHECK(text.find(slice) != std::string::npos);
    if (IsValidUtf8(text)) FUZZ_CHECK(IsValidUtf8(slice));
    (void)Pos(slice, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes = fuzz::Bytes(data, size);
    // Windows-1251 is total: every byte string decodes, and encodes back unchanged.
    const std::string utf8 = Cp1251ToUtf8(bytes);
    FUZZ_CHECK(IsValidUtf8(utf8) && Utf8ToCp1251(utf8) == bytes && Utf8ToCp1251Lossy(utf8) == bytes);
    // The same bytes taken as UTF-8.
    const std::string reencoded = EncodeUtf8(DecodeUtf8(bytes));
    FUZZ_CHECK(IsValidUtf8(reencoded));
    if (IsValidUtf8(bytes)) FUZZ_CHECK(reencoded == bytes);
    else FUZZ_CHECK(!Utf8ToCp1251(bytes));
    (void)Utf8ToCp1251Lossy(bytes);
    // The first bytes choose the slice; the text is taken both as it is and through Windows-1251.
    const long long index = size >= 2 ? static_cast<signed char>(data[0]) : 0;
    const long long count = size >= 2 ? static_cast<signed char>(data[1]) : 0;
    CheckSlices(bytes, index, count);
    CheckSlices(utf8, index, count);
    CheckSlices(bytes, index, 1LL << 40);
    CheckSlices(bytes, -(1LL << 62), 1LL << 62);
    return 0;
}
