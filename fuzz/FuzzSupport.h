#pragma once
// What the fuzz targets share: a check that aborts (so that libFuzzer keeps the input), a log that
// insists on displayable text, and a port worker whose replies come from the fuzz input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "link/ComPortWorker.h"
#include "link/LogWriter.h"
#include "platform/Text.h"

namespace fuzz {

inline std::string Bytes(const std::uint8_t* data, std::size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A broken property is a finding like a crash.
#define FUZZ_CHECK(condition)                                                                 \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (false)

// Splits at every `separator`: the targets that need several texts take them from one input.
inline std::vector<std::string> Split(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.emplace_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

// Every text the link logs is shown in the log tree, so it must be valid UTF-8.
class CheckingLog : public TLogWriter {
public:
    void AddMessage(const std::string& Msg) override { Check({Msg}); }
    void AddError(const std::string& Msg) override { Check({Msg}); }
    void AddInfo(const std::string& Msg) override { Check({Msg}); }
    void AddText(const std::string& Caption, const std::string& Text, TColor) override { Check({Caption, Text}); }
    void AddList(const std::string& Caption, const std::vector<std::string>& Lines, TColor) override
    {
        Check({Caption});
        Check(Lines);
    }

private:
    static void Check(const std::vector<std::string>& Texts)
    {
        for (const std::string& text : Texts) FUZZ_CHECK(platform::IsValidUtf8(text));
    }
};

// Answers each request (its frame without the closing CR) with the bytes Reply gives for it, at once:
// the wait applies the cable worker's terminator test and never sleeps. The cable worker, never opened,
// supplies the rest.
class ScriptedComm final : public TComPortWorker {
public:
    using ReplyFn = std::function<std::string(const std::string& request)>;
    explicit ScriptedComm(ReplyFn Reply) : TComPortWorker(false, false), reply_(std::move(Reply)) {}

    int GetTimeout() override { return 100; }
    bool Write(const std::string& S) override
    {
        std::string request = S;
        while (!request.empty() && (request.back() == '\r' || request.back() == '\n')) request.pop_back();
        pending_ = reply_(request);
        return true;
    }
    bool WaitFor(std::string& Answer, const std::string& Terminator, int) override
    {
        Answer = std::exchange(pending_, {});
        return HoldsTerminator(Answer, Terminator);
    }
private:
    ReplyFn reply_;
    std::string pending_;
};

}  // namespace fuzz
