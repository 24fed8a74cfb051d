#pragma once
// Text helpers. Inside the program every std::string is UTF-8; Windows-1251 exists only at the edges
// that carry single-byte text (the wire, Messages.txt, saved logs and exports, ini files).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Windows-1251 <-> Unicode for one character. Total and lossless over all 256 bytes: the one byte
// that Windows-1251 leaves undefined (0x98) maps to U+0098.
char32_t Cp1251ToUnicode(unsigned char byte);
std::optional<unsigned char> UnicodeToCp1251(char32_t cp);

std::string Cp1251ToUtf8(std::string_view bytes);
// nullopt when the text is not valid UTF-8 or holds a character Windows-1251 cannot carry.
std::optional<std::string> Utf8ToCp1251(std::string_view utf8);
// As above, with '?' for what cannot be carried (for logs and exports, never for values sent to a device).
std::string Utf8ToCp1251Lossy(std::string_view utf8);

bool IsValidUtf8(std::string_view text);
// Decodes UTF-8; invalid bytes become U+FFFD each.
std::u32string DecodeUtf8(std::string_view utf8);
std::string EncodeUtf8(std::u32string_view text);
void AppendUtf8(std::string& out, char32_t cp);

// Length in characters (code points), not bytes.
std::size_t Utf8Length(std::string_view utf8);

// The one clamping slice for device text and any text counted from 1 (as the protocol documents count):
// count characters from position `index` (1 = first). Any index or count out of range is clamped; never
// throws.
std::string Copy(std::string_view utf8, long long index, long long count);
// Character position (from 1) of the first occurrence of `sub` in `text`, 0 when absent.
std::size_t Pos(std::string_view sub, std::string_view text);

// Plain ASCII case folding: only a-z / A-Z change; Cyrillic is compared as it is.
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);
bool ContainsIgnoreAsciiCase(std::string_view text, std::string_view sub);
// Trims blanks and control characters (<= ' ') from both ends.
std::string Trim(std::string_view text);

// How the text of a file written either way (Messages.txt, ini files) is encoded. It is decided once
// for the whole file: UTF-8 when the file is valid UTF-8 and shows it (a byte-order mark, or bytes
// beyond ASCII), Windows-1251 when it is not valid UTF-8, and neither for plain ASCII, which reads the
// same both ways.
enum class FileEncoding { Ascii, Windows1251, Utf8, Utf8WithMark };
FileEncoding FileEncodingOf(std::string_view bytes);
// The file's text as its encoding gives it (a byte-order mark dropped).
std::string DecodeFileText(std::string_view bytes);
// The lines of a text; a line ends at LF, CR LF or a CR alone (so CR CR LF ends a line and leaves an
// empty one), and none of them is part of the line. A last line without its end counts; an end at the
// very end gives no empty line after it.
std::vector<std::string_view> SplitLines(std::string_view text);
// A whole number as those files write it: decimal, or hexadecimal after "0x" or "0X" (and after "$"
// where `dollarHex`). Hexadecimal runs up to 32 bits and wraps into the sign, as colour and flag values
// are written; nullopt for anything else, blanks at the ends aside.
std::optional<int> ParseInteger(std::string_view text, bool dollarHex = false);

}  // namespace platform
