#pragma once
// A log writer for the line benchmarks: counts the bytes of every request and reply as they went over the
// wire (the log shows each request and each reply whole), and passes every line on to the program's own
// log when it is given one. Beside it, the figures every benchmark prints for scripts/bench's table.
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
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

    void AddMessage(const std::string& Msg) override { if (next_) next_->AddMessage(Msg); }
    void AddInfo(const std::string& Msg) override { if (next_) next_->AddInfo(Msg); }
    void AddError(const std::string& Msg) override
    {
        std::cerr << "error: " << Msg << "\n";
        if (next_) next_->AddError(Msg);
    }
    void AddText(const std::string& Caption, const std::string& Text, TColor Color) override
    {
        bytes += platform::Utf8ToCp1251Lossy(Text).size();
        if (next_) next_->AddText(Caption, Text, Color);
    }
    void AddList(const std::string& Caption, const std::vector<std::string>& Lines, TColor Color) override
    {
        if (next_) next_->AddList(Caption, Lines, Color);
    }

    std::size_t bytes = 0;

private:
    std::unique_ptr<TLogWriter> next_;
};

// One row of scripts/bench's table: what, the figure, its limit, their ratio and the ratio's target.
inline void Figure(const std::string& what, double measured, double limit, const char* unit, const char* target,
                   int digits = 3)
{
    std::printf("figure|%s|%.*f%s|%.*f%s|%.3f|%s\n", what.c_str(), digits, measured, unit, digits, limit, unit,
                measured / limit, target);
}

// The time of a run and the bytes it put on the wire.
struct Lap {
    double seconds = 0;
    std::size_t bytes = 0;
    double WireSeconds() const { return static_cast<double>(bytes) / kBytesPerSecond; }
};

inline Lap Timed(const WireLog& wire, const std::function<void()>& body)
{
    const std::size_t before = wire.bytes;
    const auto start = std::chrono::steady_clock::now();
    body();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), wire.bytes - before};
}

// The run against the time its bytes need on the wire at 1920 bytes a second: how much the program adds
// to the line's own pace.
inline void LineFigure(const std::string& what, const Lap& lap)
{
    std::printf("%s: %.3f s, %zu bytes on the wire, %.3f s there\n", what.c_str(), lap.seconds, lap.bytes,
                lap.WireSeconds());
    Figure(what, lap.seconds, lap.WireSeconds(), " s", "<= 1.05");
}

}  // namespace benchsupport
