#include "ui/Png.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <stdexcept>

#include "platform/PathText.h"

namespace ui {

namespace {

constexpr std::size_t kMaxStoredBlock = 65535;

std::array<std::uint32_t, 256> MakeCrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

std::uint32_t Crc32(std::string_view bytes)
{
    static const std::array<std::uint32_t, 256> table = MakeCrcTable();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char ch : bytes) c = table[(c ^ static_cast<unsigned char>(ch)) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(std::string_view bytes)
{
    std::uint32_t a = 1, b = 0;
    for (const char ch : bytes) {
        a = (a + static_cast<unsigned char>(ch)) % 65521u;
        b = (b + a) % 65521u;
    }
    return (b << 16) | a;
}

void PutBigEndian(std::string& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFFu));
}

void PutChunk(std::string& out, std::string_view type, std::string_view data)
{
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    std::string body(type);
    body.append(data);
    out.append(body);
    PutBigEndian(out, Crc32(body));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::string StoredZlib(std::string_view raw)
{
    std::string out = "\x78\x01";
    std::size_t pos = 0;
    do {
        const std::size_t len = std::min(kMaxStoredBlock, raw.size() - pos);
        const bool last = pos + len == raw.size();
        out.push_back(last ? '\x01' : '\x00');
        out.push_back(static_cast<char>(len & 0xFFu));
        out.push_back(static_cast<char>(len >> 8));
        out.push_back(static_cast<char>(~len & 0xFFu));
        out.push_back(static_cast<char>((~len >> 8) & 0xFFu));
        out.append(raw.substr(pos, len));
        pos += len;
    } while (pos < raw.size());
    PutBigEndian(out, Adler32(raw));
    return out;
}

}  // namespace

std::string EncodePng(const Bitmap& bitmap)
{
    std::string header;
    PutBigEndian(header, static_cast<std::uint32_t>(bitmap.width()));
    PutBigEndian(header, static_cast<std::uint32_t>(bitmap.height()));
    header.append("\x08\x02\x00\x00\x00", 5);  // 8 bits per channel, RGB, deflate, no filter, no interlace

    std::string raw;
    raw.reserve(static_cast<std::size_t>(bitmap.height()) * (1 + 3 * static_cast<std::size_t>(bitmap.width())));
    for (int y = 0; y < bitmap.height(); ++y) {
        raw.push_back('\0');  // filter: none
        for (int x = 0; x < bitmap.width(); ++x) {
            const TColor c = bitmap.pixel(x, y);
            raw.push_back(static_cast<char>(c & 0xFFu));
            raw.push_back(static_cast<char>((c >> 8) & 0xFFu));
            raw.push_back(static_cast<char>((c >> 16) & 0xFFu));
        }
    }

    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", StoredZlib(raw));
    PutChunk(png, "IEND", {});
    return png;
}

void WritePng(const Bitmap& bitmap, const std::filesystem::path& path)
{
    if (bitmap.isEmpty()) throw std::runtime_error("cannot write an empty picture to " + platform::PathToUtf8(path));
    const std::string bytes = EncodePng(bitmap);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw std::runtime_error("cannot write picture " + platform::PathToUtf8(path));
}

}  // namespace ui
