#include "sim/Bootloader.h"

#include <optional>
#include <vector>

namespace sim {

namespace {

constexpr std::size_t kBlockBytes = 128;
constexpr std::size_t kRowBytes = 16;

const std::string kOk = "OK\r\n";
const std::string kNok = "NOK\r\n";

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> HexBytes(std::string_view text)
{
    if (text.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = HexValue(text[i]);
        const int lo = HexValue(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(static_cast<char>(hi * 16 + lo));
    }
    return bytes;
}

std::uint8_t Xor(std::string_view bytes)
{
    std::uint8_t x = 0;
    for (const char b : bytes) x ^= static_cast<std::uint8_t>(b);
    return x;
}

}  // namespace

std::string Bootloader::Answer(std::string_view body)
{
    if (body == "BL") return kOk;
    if (body == "v") return std::string(VersionText) + "\r\n" + kOk;
    if (body == "BE") {
        blocks_.clear();
        erased_ = true;
        finished_ = false;
        return kOk;
    }
    if (body.starts_with("W")) return Block(body.substr(1));
    if (body.starts_with("EE")) return Finish(body.substr(2));
    return kNok;
}

std::string Bootloader::Block(std::string_view body)
{
    // NNNN:data:XX
    if (!erased_ || body.size() < 4 + 1 + 1 + 2 || body[4] != ':' || body[body.size() - 3] != ':') return kNok;
    const auto number = HexBytes(body.substr(0, 4));
    const auto data = HexBytes(body.substr(5, body.size() - 8));
    const auto check = HexBytes(body.substr(body.size() - 2));
    if (!number || !data || !check || data->empty() || data->size() > kBlockBytes) return kNok;
    if (Xor(*data) != static_cast<std::uint8_t>((*check)[0])) return kNok;
    const int row = static_cast<std::uint8_t>((*number)[0]) * 256 + static_cast<std::uint8_t>((*number)[1]);
    if (row % (kBlockBytes / kRowBytes) != 0) return kNok;
    blocks_[row] = *data;
    return std::string(body.substr(0, 4)) + "\r\n" + kOk;
}

std::array<std::uint8_t, 4> Bootloader::Lanes() const
{
    std::array<std::uint8_t, 4> lanes{};
    std::size_t k = 0;
    for (const auto& [row, data] : blocks_) lanes[k++ % 4] ^= Xor(data);
    return lanes;
}

std::string Bootloader::Finish(std::string_view lanesText)
{
    const auto lanes = HexBytes(lanesText);
    if (!erased_ || !lanes || lanes->size() != 4) return kNok;
    const auto expected = Lanes();
    for (std::size_t i = 0; i < 4; ++i)
        if (static_cast<std::uint8_t>((*lanes)[i]) != expected[i]) return kNok;
    finished_ = true;
    active_ = false;
    return kOk;
}

std::string Bootloader::Image() const
{
    std::string image;
    for (const auto& [row, data] : blocks_) {
        const std::size_t at = static_cast<std::size_t>(row) * kRowBytes;
        if (image.size() < at + data.size()) image.resize(at + data.size(), '\xFF');
        image.replace(at, data.size(), data);
    }
    return image;
}

}  // namespace sim
