// Contact ID messages as history records carry them: any text, valid or not, gives its fields and a
// check-digit verdict without harm.
#include "fuzz/FuzzSupport.h"
#include "link/ContactID.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text = fuzz::Bytes(data, size);
    (void)TContactID::IsValidText(text);
    const TContactID id = TContactID::Create(text);
    for (const std::string& field : {id.Account(), id.EventCode(), id.Group(), id.Zone()})
        FUZZ_CHECK(text.find(field) != std::string::npos);
    // A sound message has sixteen characters, its check digit never "0".
    if (id.ChecksumOk()) FUZZ_CHECK(text.size() >= 16 && text[15] != '0');
    return 0;
}
