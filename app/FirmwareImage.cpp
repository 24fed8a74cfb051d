#include "app/FirmwareImage.h"

#include <algorithm>
#include <stdexcept>

#include "platform/Text.h"
#include "platform/WholeFile.h"

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string HexByte(std::uint8_t b)
{
    return {kDigits[b >> 4], kDigits[b & 0x0F]};
}

std::optional<std::vector<std::uint8_t>> HexBytes(std::string_view hex)
{
    if (hex.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexValue(hex[i]);
        const int lo = HexValue(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return bytes;
}

// Three decimal digits, or -1.
int ThreeDigits(std::string_view text)
{
    if (text.size() != 3) return -1;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// One record of a HEX file, or the reason it is unusable.
struct Record {
    int type = 0;
    unsigned address = 0;
    std::vector<std::uint8_t> data;
};

// Every byte is two digits, so an odd number of them is a digit lost or one too many: short of what the
// byte count asks for, the record was cut.
std::string OddRecordReason(std::string_view digits)
{
    const std::size_t counted = digits.size() < 2 ? 0 : static_cast<std::size_t>(HexValue(digits[0]) * 16 + HexValue(digits[1]));
    if (digits.size() < (counted + 5) * 2) return "запись обрезана: в ней нечётное число шестнадцатеричных цифр";
    return "длина записи не совпадает с её счётчиком байтов";
}

std::string CheckRecord(std::string_view line, Record& record)
{
    if (line.front() != ':') return "запись не начинается с двоеточия";
    const std::string_view digits = line.substr(1);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return HexValue(c) >= 0; }))
        return "в записи есть знаки, не являющиеся шестнадцатеричными цифрами";
    if (digits.size() % 2 != 0) return OddRecordReason(digits);
    const auto bytes = HexBytes(digits);
    if (bytes->size() < 5) return "запись слишком короткая";
    if (bytes->size() != static_cast<std::size_t>((*bytes)[0]) + 5)
        return "длина записи не совпадает с её счётчиком байтов";
    std::uint8_t sum = 0;
    for (const std::uint8_t b : *bytes) sum = static_cast<std::uint8_t>(sum + b);
    if (sum != 0) return "неверная контрольная сумма записи";
    record.address = static_cast<unsigned>((*bytes)[1]) * 256 + (*bytes)[2];
    record.type = (*bytes)[3];
    record.data.assign(bytes->begin() + 4, bytes->end() - 1);
    return {};
}

std::string Describe(int lineNumber, const std::string& reason)
{
    return "строка " + std::to_string(lineNumber) + ": " + reason;
}

// A HEX file's records taken in turn: the data from address 0 on, the base of the last address record.
struct HexReader {
    THexFile file;
    unsigned base = 0;
    bool ended = false;

    // The reason the record cannot be taken; empty when it was.
    std::string Take(const Record& record)
    {
        switch (record.type) {
        case 0x00: return TakeData(record);
        case 0x01:
            if (!record.data.empty()) return "запись конца файла содержит данные";
            ended = true;
            return {};
        case 0x02:  // a segment: the value times 16
        case 0x04:  // the upper 16 bits of a linear address
            if (record.data.size() != 2) return "запись расширенного адреса должна содержать два байта";
            base = (static_cast<unsigned>(record.data[0]) * 256 + record.data[1]) << (record.type == 0x02 ? 4 : 16);
            return {};
        case 0x03:
        case 0x05: return {};  // where to start the program: the bootloader has its own
        default: return "тип записи " + HexByte(static_cast<std::uint8_t>(record.type)) + " не поддерживается";
        }
    }

    std::string TakeData(const Record& record)
    {
        constexpr std::size_t kLimit = static_cast<std::size_t>(FirmwareMaxRows) * FirmwareRowBytes;
        const std::size_t at = base + record.address;
        if (at < file.Bytes.size()) return "адрес записи повторяет уже прочитанные данные или идёт назад";
        if (at > file.Bytes.size()) return "пропуск адресов перед записью";
        if (at + record.data.size() > kLimit) return "прошивка больше, чем принимает загрузчик (128 КБ)";
        file.Bytes.insert(file.Bytes.end(), record.data.begin(), record.data.end());
        return {};
    }
};

}  // namespace

std::optional<std::uint8_t> XorOfHexBytes(std::string_view Hex)
{
    const auto bytes = HexBytes(Hex);
    if (!bytes) return std::nullopt;
    std::uint8_t x = 0;
    for (const std::uint8_t b : *bytes) x ^= b;
    return x;
}

TFirmwareBlock MakeBlock(int Number, std::string Data)
{
    const auto check = XorOfHexBytes(Data);
    if (!check) throw std::invalid_argument("block data are not hexadecimal byte pairs");
    return {Number, std::move(Data), *check};
}

std::string BlockNumberText(int Number)
{
    std::string text(4, '0');
    for (int i = 3; i >= 0; --i, Number >>= 4) text[static_cast<std::size_t>(i)] = kDigits[Number & 0x0F];
    return text;
}

std::string BlockCommand(const TFirmwareBlock& Block)
{
    std::string command = "W";
    command.reserve(Block.Data.size() + 10);
    command.append(BlockNumberText(Block.Number)).append(":").append(Block.Data).append(":");
    return command.append(HexByte(Block.Check));
}

void TLaneChecks::Add(std::uint8_t Check)
{
    lanes_[next_] ^= Check;
    next_ = (next_ + 1) % lanes_.size();
}

std::string TLaneChecks::Command() const
{
    std::string command = "EE";
    for (const std::uint8_t lane : lanes_) command += HexByte(lane);
    return command;
}

TFirmwareBlocks BlocksFromImage(const std::vector<std::string>& Lines)
{
    TFirmwareBlocks out;
    for (std::size_t first = 1; first < Lines.size(); first += FirmwareBlockRows) {
        std::string data;
        for (std::size_t line = first; line < Lines.size() && line < first + FirmwareBlockRows; ++line) {
            const std::string& record = Lines[line];
            if (record.size() < 11 || record.front() != ':' || !XorOfHexBytes(record.substr(1))) {
                out.Error = Describe(static_cast<int>(line) + 1, "не является записью формата Intel HEX");
                out.Blocks.clear();
                return out;
            }
            data += record.substr(9, record.size() - 11);
        }
        const int number = static_cast<int>(first - 1);
        if (number >= FirmwareMaxRows) {
            out.Error = "образ прошивки больше, чем принимает загрузчик";
            out.Blocks.clear();
            return out;
        }
        out.Blocks.push_back(MakeBlock(number, std::move(data)));
    }
    if (out.Blocks.empty()) out.Error = "в образе прошивки нет данных";
    return out;
}

std::vector<std::string> THexFile::RowCells(int Row) const
{
    std::vector<std::string> cells;
    const std::size_t first = static_cast<std::size_t>(Row) * FirmwareRowBytes;
    for (std::size_t i = first; i < Bytes.size() && i < first + FirmwareRowBytes; ++i) cells.push_back(HexByte(Bytes[i]));
    return cells;
}

std::vector<TFirmwareBlock> THexFile::Blocks() const
{
    std::vector<TFirmwareBlock> blocks;
    for (std::size_t first = 0; first < Bytes.size(); first += FirmwareBlockBytes) {
        std::string data;
        data.reserve(FirmwareBlockBytes * 2);
        for (std::size_t i = first; i < first + FirmwareBlockBytes; ++i)
            data += i < Bytes.size() ? HexByte(Bytes[i]) : "FF";
        blocks.push_back(MakeBlock(static_cast<int>(first / FirmwareRowBytes), std::move(data)));
    }
    return blocks;
}

THexFile ParseHexText(std::string_view Text)
{
    HexReader reader;
    const std::vector<std::string> lines = SplitImageText(Text);
    bool first = true;
    bool makersForm = false;
    int lastLine = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = platform::Trim(lines[i]);
        const int number = static_cast<int>(i) + 1;
        if (line.empty()) continue;
        lastLine = number;
        const bool versionLine = first && line.starts_with("REV ");
        first = false;
        if (versionLine) {
            makersForm = true;
            continue;
        }
        std::string reason = reader.ended ? "данные после записи конца файла" : std::string();
        Record record;
        if (reason.empty()) reason = CheckRecord(line, record);
        if (reason.empty()) reason = reader.Take(record);
        if (!reason.empty()) {
            reader.file.Error = Describe(number, reason);
            return reader.file;
        }
    }
    if (reader.file.Bytes.empty())
        reader.file.Error = "в файле нет данных прошивки";
    else if (!reader.ended && !makersForm)
        reader.file.Error = Describe(lastLine + 1, "нет записи конца файла: файл оборван");
    return reader.file;
}

THexFile ReadHexFile(const std::string& FileName)
{
    try {
        return ParseHexText(platform::ReadWholeFile(FileName, FirmwareMaxFileBytes));
    } catch (const platform::FileError& e) {
        THexFile file;
        file.Error = e.what();
        return file;
    }
}

std::vector<std::string> SplitImageText(std::string_view Text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < Text.size()) {
        const std::size_t end = Text.find('\n', start);
        std::string_view line = Text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return lines;
}

TImageVersion VersionOfLine(std::string_view Line)
{
    return {ThreeDigits(platform::Copy(Line, 8, 3)), ThreeDigits(platform::Copy(Line, 12, 3))};
}

bool IsNewerFirmware(TImageVersion Image, int Major, int Build)
{
    if (Image.Major < 0 || Image.Build < 0) return false;
    return Image.Major > Major || (Image.Major == Major && Image.Build > Build);
}

const std::array<TFirmwareVariant, FirmwareImageCount> FirmwareVariantNames{{
    {"PIC18F6722 AT45 Altonika", 0, 0, 0},
    {"PIC18F6722 M45 Altonika", 0, 1, 0},
    {"PIC18F6722 AT45 Bolid", 0, 0, 1},
    {"PIC18F6722 M45 Bolid", 0, 1, 1},
    {"PIC18F67K22 M45 Bolid", 1, 1, 1},
    {"PIC18F67K22 M45 Altonika", 1, 1, 0},
}};

int SelectFirmwareImageFor(int PanelType, int Cpu, int FlashType)
{
    for (std::size_t i = 0; i < FirmwareVariantNames.size(); ++i) {
        const TFirmwareVariant& v = FirmwareVariantNames[i];
        if (v.Cpu == Cpu && v.PanelType == PanelType && v.FlashType == FlashType) return static_cast<int>(i) + 1;
    }
    return 0;
}

TFirmwareImages TFirmwareImages::BuiltIn()
{
    TFirmwareImages images;
    for (int id = 1; id <= FirmwareImageCount; ++id) images.SetImage(id, SplitImageText(BuiltInFirmwareText(id)));
    return images;
}

const std::vector<std::string>& TFirmwareImages::Image(int Index) const
{
    if (Index < 1 || Index > FirmwareImageCount) throw std::out_of_range("firmware image index out of range");
    return images_[static_cast<std::size_t>(Index - 1)];
}

void TFirmwareImages::SetImage(int Index, std::vector<std::string> Lines)
{
    if (Index < 1 || Index > FirmwareImageCount) throw std::out_of_range("firmware image index out of range");
    images_[static_cast<std::size_t>(Index - 1)] = std::move(Lines);
}

std::string TFirmwareImages::VersionLine(int Index) const
{
    const auto& lines = Image(Index);
    return lines.empty() ? std::string() : lines.front();
}

TImageVersion TFirmwareImages::ImageVersion(int Index) const
{
    return VersionOfLine(VersionLine(Index));
}

bool TFirmwareImages::UpdateAvailable(int PanelType, int Cpu, int FlashType, int Major, int Build) const
{
    const int index = SelectFirmwareImageFor(PanelType, Cpu, FlashType);
    return index != 0 && IsNewerFirmware(ImageVersion(index), Major, Build);
}

std::vector<std::string> TFirmwareImages::ListLines() const
{
    std::vector<std::string> lines;
    for (int id = 1; id <= FirmwareImageCount; ++id)
        lines.push_back(std::string(FirmwareVariantNames[static_cast<std::size_t>(id - 1)].Name) + " ver: " +
                        VersionLine(id));
    return lines;
}
