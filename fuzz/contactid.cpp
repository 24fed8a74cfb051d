// Contact ID messages as history records carry them: any text, valid or not, gives its fields and a
// check-digit verdict without harm.
#include "fuzz/FuzzSupport.h"
#include "link/ContactID.h"

namespace {

int Weight(char c)
{
    if (c == '0') return 10;
    if (c >= '1' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text = fuzz::Bytes(data, size);
    const bool valid = TContactID::IsValidText(text);
    if (valid) FUZZ_CHECK(text.find_first_not_of("+,/0123456789:>ABCDEF") == std::string::npos);

    const TContactID id = TContactID::Create(text);
    FUZZ_CHECK(id.GetText() == text && id.AsString() == text);
    const std::string fields[] = {id.Account(), id.EventCode(), id.Group(), id.Zone()};
    const std::size_t widths[] = {4, 3, 2, 3};
    for (std::size_t i = 0; i < 4; ++i) {
        FUZZ_CHECK(text.find(fields[i]) != std::string::npos);
        if (platform::IsValidUtf8(text)) FUZZ_CHECK(platform::Utf8Length(fields[i]) <= widths[i]);
    }

    // A sound message: sixteen digits whose weights add up to a multiple of 15, the check not "0".
    if (id.ChecksumOk()) {
        FUZZ_CHECK(text.size() >= 16 && text[15] != '0');
        int sum = 0;
        for (std::size_t i = 0; i < 16; ++i) {
            FUZZ_CHECK(Weight(text[i]) > 0);
            sum += Weight(text[i]);
        }
        FUZZ_CHECK(sum % 15 == 0);
    }
    return 0;
}
