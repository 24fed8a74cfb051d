#pragma once
// A log writer that keeps every entry, for tests that check what the link reported. A test can act in the
// middle of an exchange, where the real log lets window events run: every info line goes to onInfo, every
// request sent (a text under the "<<<<" caption) to onRequest.
#include <functional>
#include <string>
#include <vector>

#include "link/LogWriter.h"

namespace testsupport {

class RecordingLog : public TLogWriter {
public:
    enum class Kind { Message, Error, Info, Text, List };
    struct Entry {
        Kind kind;
        std::string caption;  // Text and List only
        std::string text;     // the message, the text, or the lines joined by "\n"
        TColor color = 0;
    };

    void AddMessage(const std::string& Msg) override { entries.push_back({Kind::Message, {}, Msg, 0}); }
    void AddError(const std::string& Msg) override { entries.push_back({Kind::Error, {}, Msg, 0}); }
    void AddInfo(const std::string& Msg) override
    {
        entries.push_back({Kind::Info, {}, Msg, 0});
        if (onInfo) onInfo(Msg);
    }
    void AddText(const std::string& Caption, const std::string& Text, TColor Color) override
    {
        entries.push_back({Kind::Text, Caption, Text, Color});
        if (onRequest && Caption.starts_with("<<<<")) onRequest(Text);
    }
    void AddList(const std::string& Caption, const std::vector<std::string>& Lines, TColor Color) override
    {
        std::string joined;
        for (const auto& line : Lines) joined += (joined.empty() ? "" : "\n") + line;
        entries.push_back({Kind::List, Caption, joined, Color});
    }

    // The texts of the entries of one kind, in order.
    std::vector<std::string> Texts(Kind kind) const
    {
        std::vector<std::string> out;
        for (const auto& e : entries)
            if (e.kind == kind) out.push_back(e.text);
        return out;
    }

    std::vector<Entry> entries;
    std::function<void(const std::string&)> onInfo;
    std::function<void(const std::string&)> onRequest;
};

}  // namespace testsupport
