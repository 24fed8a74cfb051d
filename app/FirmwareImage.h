#pragma once
// Firmware as the bootloader takes it: 128-byte blocks of 16-byte rows, each sent with its number and
// the XOR of its bytes, the block checks folded into four lanes for the closing "EE". Two sources give
// blocks: the six images the program carries (a version line, then Intel HEX records of 16 bytes, the
// data enciphered and forwarded as they stand) and an Intel HEX file of the user's choice, read in full
// before anything is sent.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int FirmwareRowBytes = 16;
inline constexpr int FirmwareBlockRows = 8;
inline constexpr int FirmwareBlockBytes = FirmwareRowBytes * FirmwareBlockRows;
inline constexpr int FirmwareImageCount = 6;
// The bootloader numbers rows 0000 to 1FFF: the device's 128 KiB of program flash.
inline constexpr int FirmwareMaxRows = 0x2000;

struct TFirmwareBlock {
    int Number = 0;      // the index of the block's first 16-byte row
    std::string Data;    // the bytes as hexadecimal digits, two per byte
    std::uint8_t Check = 0;

    bool operator==(const TFirmwareBlock&) const = default;
};

// The XOR of the bytes written as pairs of hexadecimal digits; nullopt when the text is not whole pairs.
std::optional<std::uint8_t> XorOfHexBytes(std::string_view Hex);
// Throws std::invalid_argument when Data is not whole pairs of hexadecimal digits.
TFirmwareBlock MakeBlock(int Number, std::string Data);
// "W", the number as four upper-case hexadecimal digits, ":", the data, ":", the check as two digits.
std::string BlockCommand(const TFirmwareBlock& Block);
// The four upper-case hexadecimal digits of a block number, as the bootloader echoes them.
std::string BlockNumberText(int Number);

// The block checks XORed into four lanes in turn: block 1 into lane 1, block 5 into lane 1 again.
class TLaneChecks {
public:
    void Add(std::uint8_t Check);
    const std::array<std::uint8_t, 4>& Lanes() const { return lanes_; }
    // "EE" and the four lanes as two hexadecimal digits each, lane 1 first.
    std::string Command() const;

private:
    std::array<std::uint8_t, 4> lanes_{};
    std::size_t next_ = 0;
};

// Blocks, or why there are none to send.
struct TFirmwareBlocks {
    std::vector<TFirmwareBlock> Blocks;
    std::string Error;  // empty when every line was usable
    bool Usable() const { return Error.empty() && !Blocks.empty(); }
};

// A built-in image: line 0 its version, then HEX records, eight to a block; the record's data are the
// line without its first 9 characters and its last 2. A last block of fewer rows is sent as it is.
TFirmwareBlocks BlocksFromImage(const std::vector<std::string>& Lines);

// An Intel HEX file read whole, as GNU objcopy and the usual tools write it: data (00), the end of
// file (01), extended segment (02) and linear (04) addresses; the start addresses (03, 05) mean
// nothing to the bootloader and are passed over. Each record's length and checksum are checked, the
// data must run contiguous from address 0 (gaps, overlaps and backward steps refused) and fit the
// device's flash. Empty lines are skipped.
// Two forms: a plain file must end with its end record (a toolchain always writes one, so a file
// without it was cut short at a line break); a file in the device maker's form opens with a version
// line "REV ..." and its end record is optional, as the maker's images have none.
struct THexFile {
    std::vector<std::uint8_t> Bytes;  // from address 0; on an error, the bytes read before it
    std::string Error;                // empty when the whole file was read
    bool Usable() const { return Error.empty() && !Bytes.empty(); }
    int RowCount() const { return static_cast<int>((Bytes.size() + FirmwareRowBytes - 1) / FirmwareRowBytes); }
    // One row's bytes as two-digit texts (fewer than 16 in a short last row).
    std::vector<std::string> RowCells(int Row) const;
    // 128-byte blocks; a short last block is filled with FF, the flash's erased value.
    std::vector<TFirmwareBlock> Blocks() const;
};
THexFile ParseHexText(std::string_view Text);
// The largest file taken for firmware: the flash's 128 KiB take under 400 KB of HEX text in 16-byte
// records; a file ten times that is no firmware, and is refused before it is read.
inline constexpr std::uintmax_t FirmwareMaxFileBytes = 4u << 20;
// A file that cannot be read, or is far too large, gives no bytes and the reason, naming the file.
THexFile ReadHexFile(const std::string& FileName);

// The image text as lines: CR LF or LF ends a line; a final line ending adds no empty line.
std::vector<std::string> SplitImageText(std::string_view Text);

// The numbers of a version line such as "REV 11.005.128": characters 8-10 (Major) and 12-14 (Build),
// each -1 when not three decimal digits.
struct TImageVersion {
    int Major = -1;
    int Build = -1;
};
TImageVersion VersionOfLine(std::string_view Line);
// True when Image is a valid version later than the device's Major.Build.
bool IsNewerFirmware(TImageVersion Image, int Major, int Build);

struct TFirmwareVariant {
    const char* Name;
    int Cpu;        // 0 PIC18F6722, 1 PIC18F67K22
    int FlashType;  // 0 AT45DB161D, 1 M45PE16
    int PanelType;  // 0 Altonika, 1 Bolid
};
// Index i holds image i + 1.
extern const std::array<TFirmwareVariant, FirmwareImageCount> FirmwareVariantNames;
// The image (1..6) for the device's hardware, 0 when none fits.
int SelectFirmwareImageFor(int PanelType, int Cpu, int FlashType);

// The six images, index 1 to 6.
class TFirmwareImages {
public:
    // The images built into the program.
    static TFirmwareImages BuiltIn();

    // Throw std::out_of_range outside 1..6.
    const std::vector<std::string>& Image(int Index) const;
    void SetImage(int Index, std::vector<std::string> Lines);
    // Line 1 of the image (the version line), empty for an empty image.
    std::string VersionLine(int Index) const;

    TImageVersion ImageVersion(int Index) const;
    // True when an image fits the hardware and is newer than the device's version.
    bool UpdateAvailable(int PanelType, int Cpu, int FlashType, int Major, int Build) const;
    // "<variant> ver: <version line>" for each image.
    std::vector<std::string> ListLines() const;

private:
    std::array<std::vector<std::string>, FirmwareImageCount> images_;
};

// The text of built-in image Id (1..6); made at build time from resources/firmware/<Id>.hex.
std::string_view BuiltInFirmwareText(int Id);
