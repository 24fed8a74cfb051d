#pragma once
// Images, HEX files and a scriptable bootloader sender for the firmware tests.
#include <algorithm>
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
    for (const std::uint8_t b : bytes) out += {digits[b >> 4], digits[b & 15]};
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
inline std::vector<std::uint8_t> Bytes(std::size_t count, int seed = 1)
{
    std::vector<std::uint8_t> out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>((i * 31 + i / 251 + static_cast<std::size_t>(seed) * 17) & 0xFF);
    return out;
}

// The records of `count` bytes from address 0, `perRecord` to a line.
inline std::vector<std::string> Records(std::size_t count, std::size_t perRecord = 16, int seed = 1)
{
    const std::vector<std::uint8_t> bytes = Bytes(count, seed);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < count; at += perRecord)
        lines.push_back(Record(static_cast<unsigned>(at) & 0xFFFF, {bytes.begin() + at, bytes.begin() + at + std::min(perRecord, count - at)}));
    return lines;
}

// A built-in image: the version line, then `rows` records of 16 bytes.
inline std::vector<std::string> ImageLines(int rows, const std::string& version = "REV 11.005.121", int seed = 1)
{
    std::vector<std::string> lines = Records(static_cast<std::size_t>(rows) * 16, 16, seed);
    lines.insert(lines.begin(), version);
    return lines;
}

// A HEX file: the records of `count` bytes and the end record, lines ended by CR LF.
inline std::string HexFileText(std::size_t count, int seed = 4)
{
    std::string text;
    for (const std::string& line : Records(count, 16, seed)) text += line + "\r\n";
    return text + Record(0, {}, 1) + "\r\n";
}

inline std::string AsText(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// Forwards to a real sender unless the script answers first; records every command and its log flag.
class ScriptedSender final : public TBootSender {
public:
    using Answer = std::optional<std::pair<bool, std::string>>;

    explicit ScriptedSender(TBootSender& inner) : inner_(inner) {}

    // Runs before every send (on the sending thread); an answer replaces the real exchange.
    std::function<Answer(const std::string& Cmd)> Script;

    // Every send of a command that starts with `prefix` gets this answer instead of the device's.
    void Refuse(const std::string& prefix, bool ok = false, const std::string& reply = {})
    {
        Script = [=](const std::string& cmd) -> Answer {
            return cmd.starts_with(prefix) ? Answer{{ok, reply}} : std::nullopt;
        };
    }

    bool SendBootCommand(const std::string& C, std::string& R, bool L) override { return Send(&TBootSender::SendBootCommand, C, R, L); }
    bool SendBootCommandLong(const std::string& C, std::string& R, bool L) override { return Send(&TBootSender::SendBootCommandLong, C, R, L); }
    bool SendBootRecord(const std::string& C, std::string& R, bool L) override { return Send(&TBootSender::SendBootRecord, C, R, L); }

    // Every command sent, with its log flag.
    std::vector<std::pair<std::string, bool>> Log() const
    {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    int Count(const std::string& prefix) const
    {
        int n = 0;
        for (const auto& [cmd, logged] : Log()) n += cmd.starts_with(prefix) ? 1 : 0;
        return n;
    }

private:
    using Fn = bool (TBootSender::*)(const std::string&, std::string&, bool);
    bool Send(Fn fn, const std::string& cmd, std::string& reply, bool logIt)
    {
        {
            std::lock_guard lock(mutex_);
            sent_.emplace_back(cmd, logIt);
        }
        if (const Answer answer = Script ? Script(cmd) : std::nullopt) {
            reply = answer->second;
            return answer->first;
        }
        return (inner_.*fn)(cmd, reply, logIt);
    }

    TBootSender& inner_;
    mutable std::mutex mutex_;
    std::vector<std::pair<std::string, bool>> sent_;
};

}  // namespace firmwaretest
