// The text helpers every parser relies on: the Windows-1251 edges, UTF-8 decoding, and the clamping
// slice that all device text goes through.
#include <algorithm>

#include "fuzz/FuzzSupport.h"
#include "platform/Text.h"

namespace {

using namespace platform;

void CheckEncodings(const std::string& bytes)
{
    // Windows-1251 is total: every byte string decodes, and encodes back unchanged.
    const std::string utf8 = Cp1251ToUtf8(bytes);
    FUZZ_CHECK(IsValidUtf8(utf8));
    FUZZ_CHECK(Utf8Length(utf8) == bytes.size());
    const auto back = Utf8ToCp1251(utf8);
    FUZZ_CHECK(back && *back == bytes);
    FUZZ_CHECK(Utf8ToCp1251Lossy(utf8) == bytes);

    // The same bytes taken as UTF-8.
    const std::u32string chars = DecodeUtf8(bytes);
    const std::string reencoded = EncodeUtf8(chars);
    FUZZ_CHECK(IsValidUtf8(reencoded));
    if (IsValidUtf8(bytes)) {
        FUZZ_CHECK(reencoded == bytes);
        FUZZ_CHECK(Utf8Length(bytes) == chars.size());
        if (const auto cp = Utf8ToCp1251(bytes)) FUZZ_CHECK(Cp1251ToUtf8(*cp) == bytes);
        FUZZ_CHECK(Utf8ToCp1251Lossy(bytes).size() == chars.size());
    } else {
        FUZZ_CHECK(!Utf8ToCp1251(bytes));
    }
}

void CheckSlices(const std::string& text, long long index, long long count)
{
    const std::string slice = Copy(text, index, count);
    FUZZ_CHECK(text.find(slice) != std::string::npos);
    const bool valid = IsValidUtf8(text);
    if (valid) {
        FUZZ_CHECK(IsValidUtf8(slice));
        FUZZ_CHECK(static_cast<long long>(Utf8Length(slice)) <= std::max(count, 0LL));
        const long long length = static_cast<long long>(Utf8Length(text));
        // Whatever lies inside the text is taken whole.
        if (index >= 1 && count >= 0 && index <= length)
            FUZZ_CHECK(static_cast<long long>(Utf8Length(slice)) == std::min(count, length - index + 1));
    }
    const std::size_t at = Pos(slice, text);
    if (!slice.empty() && valid) FUZZ_CHECK(at >= 1 && Copy(text, static_cast<long long>(at), static_cast<long long>(Utf8Length(slice))) == slice);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes = fuzz::Bytes(data, size);
    CheckEncodings(bytes);
    // The first bytes choose the slice; the text is taken both as it is and through Windows-1251.
    long long index = 0;
    long long count = 0;
    if (size >= 2) {
        index = static_cast<signed char>(data[0]);
        count = static_cast<signed char>(data[1]);
    }
    CheckSlices(bytes, index, count);
    CheckSlices(Cp1251ToUtf8(bytes), index, count);
    CheckSlices(bytes, index, 1LL << 40);
    CheckSlices(bytes, -(1LL << 62), 1LL << 62);
    return 0;
}
