#pragma once
// The in-memory ini file behind current.ini and the saved configurations: the whole file is read when
// the object is made, changed in memory, and written back as a whole by UpdateFile.
//
// A file's encoding is decided once, for the whole file, when it is read (see FileEncodingOf): UTF-8
// when it is valid UTF-8, Windows-1251 otherwise (files written by earlier installs). It is written
// back in the same encoding, with CR LF: a UTF-8 file stays UTF-8 (with its byte-order mark, when it
// had one), so a value reads back as the same bytes even where they would read both ways. A new file,
// one of plain ASCII and one of Windows-1251 are written as Windows-1251, so those installs can still
// read them; when a value holds a character Windows-1251 cannot carry, or when the Windows-1251 bytes
// would read back as UTF-8, the whole file is written as UTF-8 instead, so nothing is ever lost.
// Lines end at CR LF, LF or a CR alone.
// Sections and keys are matched ignoring ASCII case and keep the spelling they were first given.
// Values are kept verbatim: a saved file loads back into exactly the values that were written.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Text.h"
#include "platform/WholeFile.h"

namespace platform {

// The most a settings file may hold: a real one is a few kilobytes, so this is only a guard against a
// file that is something else.
inline constexpr std::uintmax_t kMaxIniFileBytes = 16u << 20;

class IniFile {
public:
    // Reads the file when it exists; a missing file gives an empty ini. Throws FileError when an
    // existing file cannot be read (see ReadWholeFile), and with Code() illegal_byte_sequence when it holds
    // no ini text at all: a NUL byte or a UTF-16 or UTF-32 byte-order mark (a binary file, or a file an
    // editor saved as "Unicode").
    explicit IniFile(FilePath FileName);
    // The file as the constructor reads it; a file that cannot be read gives an empty ini and the
    // reason, naming the file, in *Failure.
    static IniFile ReadOrEmpty(FilePath FileName, std::string* Failure = nullptr);
    // An ini made from Bytes as a file would hold them; FileName is where UpdateFile would write.
    static IniFile FromBytes(FilePath FileName, std::string_view Bytes);

    std::string FileName() const { return PathToUtf8(fileName_); }

    std::string ReadString(std::string_view Section, std::string_view Ident, std::string_view Default) const;
    // Decimal, or hexadecimal after 0x/0X; a missing key or a value that does not convert gives Default.
    int ReadInteger(std::string_view Section, std::string_view Ident, int Default) const;
    // An integer as above: 0 is false, any other number true; otherwise Default.
    bool ReadBool(std::string_view Section, std::string_view Ident, bool Default) const;

    // Throw std::invalid_argument for a name or value that the file could not carry back unchanged
    // (a line break or NUL, invalid UTF-8, a key with "=" or blanks at its ends).
    void WriteString(std::string_view Section, std::string_view Ident, std::string_view Value);
    void WriteInteger(std::string_view Section, std::string_view Ident, int Value);
    void WriteBool(std::string_view Section, std::string_view Ident, bool Value);

    bool SectionExists(std::string_view Section) const;
    bool ValueExists(std::string_view Section, std::string_view Ident) const;
    void EraseSection(std::string_view Section);
    void DeleteKey(std::string_view Section, std::string_view Ident);
    // The key names of a section, in file order; empty for a missing section.
    std::vector<std::string> ReadSection(std::string_view Section) const;
    std::vector<std::string> ReadSections() const;

    // Empties the ini in memory (the file is untouched until UpdateFile).
    void Clear();
    // Writes the whole ini to FileName (see ReplaceFileContents). Throws FileError.
    void UpdateFile() const;
    // The bytes UpdateFile writes.
    std::string FileBytes() const;

    void SetBeforeReplaceHook(BeforeReplaceHook hook) { beforeReplace_ = std::move(hook); }

private:
    struct Unread {};
    IniFile(FilePath FileName, Unread) : fileName_(FileName.Path()) {}

    // A key and its value, or (pair == false) a line kept as it stands: a comment or a line without "=".
    struct Line {
        std::string key;
        std::string value;
        bool pair = true;
    };
    // Names are found through indexes by their upper-cased spelling, so a lookup costs the same however
    // many sections and keys the file holds, and reading a file is linear in its size.
    using Index = std::unordered_map<std::string, std::size_t>;
    struct Section {
        std::string name;
        std::vector<Line> lines;
        Index keys;  // the first pair line of each key

        void Add(Line line);
        void Reindex();
    };

    Section& AddSection(std::string name);
    void ReindexSections();
    void Parse(std::string_view text);
    std::string Compose() const;
    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name);
    const Line* FindLine(std::string_view section, std::string_view ident) const;
    Line* FindLine(std::string_view section, std::string_view ident);

    std::filesystem::path fileName_;
    FileEncoding encoding_ = FileEncoding::Ascii;
    std::vector<Line> preamble_;  // what stands before the first section
    std::vector<Section> sections_;
    Index sectionIndex_;
    BeforeReplaceHook beforeReplace_;
};

}  // namespace platform
