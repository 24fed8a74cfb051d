// The modem's replies and the number handed to it: the failure words and the dial string made of what
// a user typed (where a modem reply ends: fuzz/reply.cpp). The input is split into replies at each
// line feed.
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "link/ModemWorker.h"

namespace {

void CheckFailureWords(const std::string& reply)
{
    try {
        TModemWorker::CheckFailureReply(reply);
    } catch (const TModemException& e) {
        FUZZ_CHECK(platform::IsValidUtf8(e.what()));
        return;
    }
    for (const std::string_view word : {"busy", "no carrier", "no dialtone", "disconnect", "no answer"})
        FUZZ_CHECK(!platform::ContainsIgnoreAsciiCase(reply, word));
}

void CheckDialString(const std::string& number)
{
    const auto dial = TModemWorker::DialString(number);
    if (!dial) return;
    // Only what a modem takes after "ATD", at least one digit, in the order typed.
    FUZZ_CHECK(dial->find_first_not_of("0123456789+*#Ww,") == std::string::npos);
    FUZZ_CHECK(dial->find_first_of("0123456789") != std::string::npos);
    std::string kept;
    for (const char c : number)
        if (std::string_view(" -().").find(c) == std::string_view::npos) kept.push_back(c);
    FUZZ_CHECK(kept == *dial);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input = fuzz::Bytes(data, size);
    for (const std::string& reply : fuzz::Split(input, '\n')) {
        CheckFailureWords(reply);
        CheckDialString(reply);
    }
    return 0;
}
