#pragma once
// Images, HEX files and a scriptable bootloader sender for the firmware tests.
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/FirmwareUpload.h"

namespace firmwaretest {

inline std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const std::uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// One Intel HEX record with its checksum.
inline std::string Record(unsigned address, const std::vector<std::uint8_t>& data, int type = 0)
{
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(address >> 8),
                                    static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(type)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    std::uint8_t sum = 0;
    for (const std::uint8_t b : bytes) sum = static_cast<std::uint8_t>(sum + b);
    bytes.push_back(static_cast<std::uint8_t>(-sum));
    return ":" + Hex(bytes);
}

// A distinct byte for every position of every image.
inline std::uint8_t ByteAt(std::size_t at, int seed = 1)
{
    return static_cast<std::uint8_t>((at * 31 + at / 251 + static_cast<std::size_t>(seed) * 17) & 0xFF);
}

inline std::vector<std::uint8_t> Bytes(std::size_t count, int seed = 1)
{
    std::vector<std::uint8_t> out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = ByteAt(i, seed);
    return out;
}

// A built-in image: the version line, then `rows` records of 16 bytes.
inline std::vector<std::string> ImageLines(int rows, const std::string& version = "REV 11.005.121", int seed = 1)
{
    std::vector<std::string> lines{version};
    const std::vector<std::uint8_t> bytes = Bytes(static_cast<std::size_t>(rows) * 16, seed);
    for (int r = 0; r < rows; ++r)
        lines.push_back(Record(static_cast<unsigned>(r * 16) & 0xFFFF,
                               {bytes.begin() + r * 16, bytes.begin() + (r + 1) * 16}));
    return lines;
}

inline std::string AsText(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

// Forwards to a real sender unless a script answers first; records every command.
class ScriptedSender final : public TBootSender {
public:
    using Answer = std::optional<std::pair<bool, std::string>>;

    explicit ScriptedSender(TBootSender* inner = nullptr) : inner_(inner) {}

    // Runs before every send (on the sending thread); an answer replaces the real exchange.
    std::function<Answer(const std::string& Cmd)> Script;

    bool SendBootCommand(const std::string& Cmd, std::string& Reply, bool LogIt) override
    {
        return Send(&TBootSender::SendBootCommand, Cmd, Reply, LogIt);
    }
    bool SendBootCommandLong(const std::string& Cmd, std::string& Reply, bool LogIt) override
    {
        return Send(&TBootSender::SendBootCommandLong, Cmd, Reply, LogIt);
    }
    bool SendBootRecord(const std::string& Cmd, std::string& Reply, bool LogIt) override
    {
        return Send(&TBootSender::SendBootRecord, Cmd, Reply, LogIt);
    }

    std::vector<std::string> Sent() const
    {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    int Count(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& s : Sent()) n += s.starts_with(prefix) ? 1 : 0;
        return n;
    }
    std::vector<bool> LogFlags() const
    {
        std::lock_guard lock(mutex_);
        return logFlags_;
    }

private:
    using Fn = bool (TBootSender::*)(const std::string&, std::string&, bool);
    bool Send(Fn fn, const std::string& cmd, std::string& reply, bool logIt)
    {
        {
            std::lock_guard lock(mutex_);
            sent_.push_back(cmd);
            logFlags_.push_back(logIt);
        }
        if (Script) {
            if (const Answer answer = Script(cmd)) {
                reply = answer->second;
                return answer->first;
            }
        }
        if (inner_ == nullptr) {
            reply = "OK\r\n";
            return true;
        }
        return (inner_->*fn)(cmd, reply, logIt);
    }

    TBootSender* inner_;
    mutable std::mutex mutex_;
    std::vector<std::string> sent_;
    std::vector<bool> logFlags_;
};

}  // namespace firmwaretest
