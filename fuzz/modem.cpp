// The modem's replies and the number handed to it: the failure words and the dial string made of what
// a user typed (where a modem reply ends: fuzz/reply.cpp). The input is split into replies at each
// line feed.
#include "fuzz/FuzzSupport.h"
#include "link/ModemWorker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (const std::string& reply : fuzz::Split(fuzz::Bytes(data, size), '\n')) {
        try {
            TModemWorker::CheckFailureReply(reply);
        } catch (const TModemException& e) {
            FUZZ_CHECK(platform::IsValidUtf8(e.what()));
        }
        // Only what a modem takes after "ATD": never a second command or a voice call.
        if (const auto dial = TModemWorker::DialString(reply))
            FUZZ_CHECK(dial->find_first_not_of("0123456789+*#Ww,") == std::string::npos);
    }
    return 0;
}
