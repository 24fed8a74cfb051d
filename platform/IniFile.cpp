#include "platform/IniFile.h"

#include "platform/Text.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace platform {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

bool EqualIgnoreAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && AsciiUpper(a) == AsciiUpper(b);
}

// Text an ini file cannot hold: a NUL byte (binary data, or UTF-16 with its NUL half of every Latin
// letter), or the byte-order mark of UTF-16 or UTF-32 (a file saved as "Unicode").
bool HoldsNoIniText(std::string_view bytes)
{
    return bytes.find('\0') != std::string_view::npos || bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

// A reader drops a byte-order mark at the start, so bytes that begin like one ("п»ї" in Windows-1251,
// or the character U+FEFF) go out as UTF-8 behind a mark of their own.
std::string AsUtf8(const std::string& text, bool marked)
{
    return marked || text.starts_with(kUtf8Bom) ? std::string(kUtf8Bom) + text : text;
}

// The text in the encoding the file was read in. A file of Windows-1251 (or of plain ASCII, or a new one)
// stays Windows-1251 while that reads back unchanged; otherwise the whole file goes out as UTF-8.
std::string EncodeForFile(const std::string& text, FileEncoding encoding)
{
    if (encoding == FileEncoding::Utf8 || encoding == FileEncoding::Utf8WithMark)
        return AsUtf8(text, encoding == FileEncoding::Utf8WithMark);
    const auto cp1251 = Utf8ToCp1251(text);
    if (!cp1251 || cp1251->starts_with(kUtf8Bom)) return AsUtf8(text, false);
    const FileEncoding readBack = FileEncodingOf(*cp1251);
    return readBack == FileEncoding::Windows1251 || readBack == FileEncoding::Ascii ? *cp1251 : AsUtf8(text, false);
}

bool HasControlCharacter(std::string_view s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

void CheckName(std::string_view what, std::string_view name)
{
    const bool blanksAtEnds = !name.empty() && Trim(name).size() != name.size();
    if (!IsValidUtf8(name) || HasControlCharacter(name) || blanksAtEnds)
        throw std::invalid_argument(std::string(what) + " \"" + std::string(name)
                                    + "\" нельзя сохранить в ini-файле");
}

void CheckKey(std::string_view section, std::string_view ident)
{
    CheckName("Раздел", section);
    CheckName("Ключ", ident);
    const bool looksLikeOther = ident.empty() || ident.front() == ';' || ident.front() == '['
                                || ident.find('=') != std::string_view::npos;
    if (looksLikeOther)
        throw std::invalid_argument("Ключ \"" + std::string(ident) + "\" нельзя сохранить в ini-файле");
}

void CheckValue(std::string_view section, std::string_view ident, std::string_view value)
{
    if (!IsValidUtf8(value) || value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        throw std::invalid_argument("Значение ключа \"" + std::string(ident) + "\" раздела \"" + std::string(section)
                                    + "\" нельзя сохранить в ini-файле: оно содержит перевод строки "
                                      "или неверные символы");
}

}  // namespace

IniFile::IniFile(FilePath FileName) : fileName_(FileName.Path())
{
    std::string bytes;
    try {
        bytes = ReadWholeFile(fileName_, kMaxIniFileBytes);
    } catch (const FileError& e) {
        if (e.Code() == std::errc::no_such_file_or_directory) return;
        throw;
    }
    if (HoldsNoIniText(bytes))
        throw FileError("Не удалось прочитать файл \"" + PathToUtf8(fileName_) +
                            "\": в нём не текст настроек (двоичные данные или текст в кодировке UTF-16)",
                        std::make_error_code(std::errc::illegal_byte_sequence));
    encoding_ = FileEncodingOf(bytes);
    Parse(DecodeFileText(bytes));
}

IniFile IniFile::ReadOrEmpty(FilePath FileName, std::string* Failure)
{
    try {
        return IniFile(FileName);
    } catch (const FileError& e) {
        if (Failure != nullptr) *Failure = e.what();
        return IniFile(std::move(FileName), Unread{});
    }
}

IniFile IniFile::FromBytes(FilePath FileName, std::string_view Bytes)
{
    IniFile ini(std::move(FileName), Unread{});
    ini.encoding_ = FileEncodingOf(Bytes);
    ini.Parse(DecodeFileText(Bytes));
    return ini;
}

void IniFile::Parse(std::string_view text)
{
    Section* current = nullptr;
    for (const std::string_view line : SplitLines(text)) {
        const std::string trimmed = Trim(line);
        if (trimmed.empty()) continue;
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            const std::string name = Trim(std::string_view(trimmed).substr(1, trimmed.size() - 2));
            current = FindSection(name);
            if (!current) current = &AddSection(name);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!current)
            preamble_.push_back(Line{std::string(line), {}, false});
        else if (trimmed.front() == ';' || equals == std::string_view::npos)
            current->Add(Line{std::string(line), {}, false});
        else
            current->Add(Line{Trim(line.substr(0, equals)), std::string(line.substr(equals + 1)), true});
    }
}

std::string IniFile::Compose() const
{
    std::string text;
    const auto addLines = [&text](const std::vector<Line>& lines) {
        for (const Line& line : lines) {
            text += line.key;
            if (line.pair) text += "=" + line.value;
            text += kLineEnd;
        }
    };
    addLines(preamble_);
    for (const Section& section : sections_) {
        if (!text.empty()) text += kLineEnd;
        text += "[" + section.name + "]";
        text += kLineEnd;
        addLines(section.lines);
    }
    return text;
}

void IniFile::Section::Add(Line line)
{
    if (line.pair) keys.emplace(AsciiUpper(line.key), lines.size());
    lines.push_back(std::move(line));
}

void IniFile::Section::Reindex()
{
    keys.clear();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].pair) keys.emplace(AsciiUpper(lines[i].key), i);
}

IniFile::Section& IniFile::AddSection(std::string name)
{
    sectionIndex_.emplace(AsciiUpper(name), sections_.size());
    return sections_.emplace_back(Section{std::move(name), {}, {}});
}

void IniFile::ReindexSections()
{
    sectionIndex_.clear();
    for (std::size_t i = 0; i < sections_.size(); ++i) sectionIndex_.emplace(AsciiUpper(sections_[i].name), i);
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const
{
    const auto it = sectionIndex_.find(AsciiUpper(name));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

IniFile::Section* IniFile::FindSection(std::string_view name)
{
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

const IniFile::Line* IniFile::FindLine(std::string_view section, std::string_view ident) const
{
    const Section* s = FindSection(section);
    if (!s) return nullptr;
    const auto it = s->keys.find(AsciiUpper(ident));
    return it == s->keys.end() ? nullptr : &s->lines[it->second];
}

IniFile::Line* IniFile::FindLine(std::string_view section, std::string_view ident)
{
    return const_cast<Line*>(std::as_const(*this).FindLine(section, ident));
}

std::string IniFile::ReadString(std::string_view Section, std::string_view Ident, std::string_view Default) const
{
    const Line* line = FindLine(Section, Ident);
    return line ? line->value : std::string(Default);
}

int IniFile::ReadInteger(std::string_view Section, std::string_view Ident, int Default) const
{
    const Line* line = FindLine(Section, Ident);
    if (!line) return Default;
    return ParseInteger(line->value).value_or(Default);
}

bool IniFile::ReadBool(std::string_view Section, std::string_view Ident, bool Default) const
{
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view Section, std::string_view Ident, std::string_view Value)
{
    CheckKey(Section, Ident);
    CheckValue(Section, Ident, Value);
    if (Line* existing = FindLine(Section, Ident)) {
        existing->value = std::string(Value);
        return;
    }
    IniFile::Section* section = FindSection(Section);
    if (!section) section = &AddSection(std::string(Section));
    section->Add(Line{std::string(Ident), std::string(Value), true});
}

void IniFile::WriteInteger(std::string_view Section, std::string_view Ident, int Value)
{
    WriteString(Section, Ident, std::to_string(Value));
}

void IniFile::WriteBool(std::string_view Section, std::string_view Ident, bool Value)
{
    WriteString(Section, Ident, Value ? "1" : "0");
}

bool IniFile::SectionExists(std::string_view Section) const { return FindSection(Section) != nullptr; }

bool IniFile::ValueExists(std::string_view Section, std::string_view Ident) const
{
    return FindLine(Section, Ident) != nullptr;
}

void IniFile::EraseSection(std::string_view Section)
{
    std::erase_if(sections_, [&](const IniFile::Section& s) { return EqualIgnoreAsciiCase(s.name, Section); });
    ReindexSections();
}

void IniFile::DeleteKey(std::string_view Section, std::string_view Ident)
{
    if (IniFile::Section* section = FindSection(Section)) {
        std::erase_if(section->lines, [&](const Line& l) { return l.pair && EqualIgnoreAsciiCase(l.key, Ident); });
        section->Reindex();
    }
}

std::vector<std::string> IniFile::ReadSection(std::string_view Section) const
{
    std::vector<std::string> keys;
    if (const IniFile::Section* section = FindSection(Section))
        for (const Line& line : section->lines)
            if (line.pair) keys.push_back(line.key);
    return keys;
}

std::vector<std::string> IniFile::ReadSections() const
{
    std::vector<std::string> names;
    for (const Section& section : sections_) names.push_back(section.name);
    return names;
}

void IniFile::Clear()
{
    preamble_.clear();
    sections_.clear();
    sectionIndex_.clear();
}

void IniFile::UpdateFile() const
{
    ReplaceFileContents(fileName_, FileBytes(), beforeReplace_);
}

std::string IniFile::FileBytes() const { return EncodeForFile(Compose(), encoding_); }

}  // namespace platform
