#pragma once
// A log writer for the line benchmarks: counts the bytes of every request and reply as they went over the
// wire (the log shows each request and each reply whole), and passes every line on to the program's own
// log when it is given one.
#include <cstddef>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "link/LogWriter.h"
#include "platform/Text.h"

namespace benchsupport {

constexpr double kBytesPerSecond = 19200.0 / 10;

class WireLog final : public TLogWriter {
public:
    explicit WireLog(std::unique_ptr<TLogWriter> next = nullptr) : next_(std::move(next)) {}

    void AddMessage(const std::string& Msg) override
    {
        if (next_) next_->AddMessage(Msg);
    }
    void AddError(const std::string& Msg) override
    {
        std::cerr << "error: " << Msg << "\n";
        if (next_) next_->AddError(Msg);
    }
    void AddInfo(const std::string& Msg) override
    {
        if (next_) next_->AddInfo(Msg);
    }
    void AddText(const std::string& Caption, const std::string& Text, TColor Color) override
    {
        (Caption.starts_with(">>>>") ? replyBytes : requestBytes) += platform::Utf8ToCp1251Lossy(Text).size();
        if (next_) next_->AddText(Caption, Text, Color);
    }
    void AddList(const std::string& Caption, const std::vector<std::string>& Lines, TColor Color) override
    {
        if (next_) next_->AddList(Caption, Lines, Color);
    }

    std::size_t Bytes() const { return requestBytes + replyBytes; }
    // The time the bytes counted so far take on the wire.
    double WireSeconds() const { return static_cast<double>(Bytes()) / kBytesPerSecond; }

    std::size_t requestBytes = 0;
    std::size_t replyBytes = 0;

private:
    std::unique_ptr<TLogWriter> next_;
};

}  // namespace benchsupport
