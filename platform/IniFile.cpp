#include "platform/IniFile.h"

#include "platform/SystemError.h"
#include "platform/Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <utility>

namespace platform {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

std::error_code LastError() { return {errno, std::generic_category()}; }

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& file, std::error_code code)
{
    // The generic category holds errno values: the reason is given in the interface's words.
    const std::string reason = code.category() == std::generic_category() ? SystemErrorText(code.value()) : code.message();
    throw IniFileError(what + " \"" + file.string() + "\": " + reason, code);
}

bool EqualIgnoreAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && AsciiUpper(a) == AsciiUpper(b);
}

// Owns a file descriptor.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { if (fd_ >= 0) ::close(fd_); }
    int Get() const { return fd_; }
    // Closes now, so that a failing close is seen; returns false with errno set on failure.
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// A temporary file that removes itself unless it was renamed into place.
struct TemporaryFile {
    std::filesystem::path path;
    bool placed = false;
    ~TemporaryFile()
    {
        if (!placed && !path.empty()) ::unlink(path.c_str());
    }
};

// Reads the whole file; nullopt when it does not exist.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file)
{
    const Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        Fail("Не удалось прочитать файл", file, LastError());
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail("Не удалось прочитать файл", file, LastError());
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

void WriteAll(int fd, std::string_view bytes, const std::filesystem::path& file)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail("Не удалось сохранить файл", file, LastError());
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Opens a new file with a name of its own beside the target; the process umask applies to its mode.
int OpenTemporaryBeside(const std::filesystem::path& target, TemporaryFile& temporary)
{
    std::random_device entropy;
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary.path = folder / ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()) + "-"
                                   + std::to_string(entropy()));
        const int fd = ::open(temporary.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) {
            const auto code = LastError();
            temporary.path.clear();
            Fail("Не удалось сохранить файл", target, code);
        }
    }
    temporary.path.clear();
    Fail("Не удалось сохранить файл", target, std::make_error_code(std::errc::file_exists));
}

// Makes the rename itself durable; a folder that cannot be flushed leaves the new file in place all the
// same, so a failure here is not reported.
void FlushFolder(const std::filesystem::path& folder)
{
    const Descriptor fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0) ::fsync(fd.Get());
}

// No write permission for anyone (even the superuser keeps to that here), or none for this process.
bool IsReadOnly(const std::filesystem::path& file, const struct stat& status)
{
    return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(file.c_str(), W_OK) != 0;
}

// The text as Windows-1251 when that reads back unchanged, else as UTF-8.
std::string EncodeForFile(const std::string& text)
{
    const auto cp1251 = Utf8ToCp1251(text);
    const bool looksLikeUtf8 =
        cp1251 && IsValidUtf8(*cp1251) && std::any_of(cp1251->begin(), cp1251->end(), [](char c) {
            return static_cast<unsigned char>(c) >= 0x80;
        });
    const std::string bytes = cp1251 && !looksLikeUtf8 ? *cp1251 : text;
    // A reader drops a byte-order mark at the start, so bytes that begin like one ("п»ї" in
    // Windows-1251, or the character U+FEFF) go out as UTF-8 behind a mark of their own.
    if (bytes.starts_with(kUtf8Bom)) return std::string(kUtf8Bom) + text;
    return bytes;
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
    if (!IsValidUtf8(value) || value.find_first_of("\r\n") != std::string_view::npos)
        throw std::invalid_argument("Значение ключа \"" + std::string(ident) + "\" раздела \"" + std::string(section)
                                    + "\" нельзя сохранить в ini-файле: оно содержит перевод строки "
                                      "или неверные символы");
}

}  // namespace

void ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes,
                         const BeforeReplaceHook& beforeReplace)
{
    std::error_code ignored;
    // Replace the file a link points to, not the link.
    const std::filesystem::path real =
        std::filesystem::is_symlink(target, ignored) ? std::filesystem::weakly_canonical(target, ignored) : target;
    const std::filesystem::path& destination = real.empty() ? target : real;

    struct stat old {};
    const bool exists = ::stat(destination.c_str(), &old) == 0;
    // The new file takes the old one's place by a rename, which a folder allows whatever the file's own
    // protection: a file made read-only must be refused here, or it would be replaced all the same.
    if (exists && !S_ISDIR(old.st_mode) && IsReadOnly(destination, old))
        throw IniFileError("Не удалось сохранить файл \"" + destination.string() + "\": файл только для чтения",
                           std::make_error_code(std::errc::permission_denied));
    TemporaryFile temporary;
    Descriptor fd(OpenTemporaryBeside(destination, temporary));
    if (exists) ::fchmod(fd.Get(), old.st_mode & 07777);
    WriteAll(fd.Get(), bytes, destination);
    if (::fsync(fd.Get()) != 0) Fail("Не удалось сохранить файл", destination, LastError());
    if (!fd.Close()) Fail("Не удалось сохранить файл", destination, LastError());
    if (beforeReplace) beforeReplace(temporary.path);
    if (::rename(temporary.path.c_str(), destination.c_str()) != 0)
        Fail("Не удалось сохранить файл", destination, LastError());
    temporary.placed = true;
    FlushFolder(destination.parent_path());
}

IniFile::IniFile(std::filesystem::path FileName) : fileName_(std::move(FileName))
{
    if (const auto bytes = ReadWholeFile(fileName_)) Parse(DecodeFileText(*bytes));
}

IniFile IniFile::ReadOrEmpty(std::filesystem::path FileName, std::string* Failure)
{
    try {
        return IniFile(FileName);
    } catch (const IniFileError& e) {
        if (Failure != nullptr) *Failure = e.what();
        return IniFile(std::move(FileName), Unread{});
    }
}

IniFile IniFile::FromBytes(std::filesystem::path FileName, std::string_view Bytes)
{
    IniFile ini(std::move(FileName), Unread{});
    ini.Parse(DecodeFileText(Bytes));
    return ini;
}

void IniFile::Parse(std::string_view text)
{
    Section* current = nullptr;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        const std::string trimmed = Trim(line);
        if (trimmed.empty()) continue;
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            const std::string name = Trim(std::string_view(trimmed).substr(1, trimmed.size() - 2));
            current = FindSection(name);
            if (!current) current = &sections_.emplace_back(Section{name, {}});
            continue;
        }
        std::vector<Line>& lines = current ? current->lines : preamble_;
        const std::size_t equals = line.find('=');
        if (trimmed.front() == ';' || equals == std::string_view::npos || !current)
            lines.push_back(Line{std::string(line), {}, false});
        else
            lines.push_back(Line{Trim(line.substr(0, equals)), std::string(line.substr(equals + 1)), true});
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

const IniFile::Section* IniFile::FindSection(std::string_view name) const
{
    const auto it = std::find_if(sections_.begin(), sections_.end(),
                                 [&](const Section& s) { return EqualIgnoreAsciiCase(s.name, name); });
    return it == sections_.end() ? nullptr : &*it;
}

IniFile::Section* IniFile::FindSection(std::string_view name)
{
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

const IniFile::Line* IniFile::FindLine(std::string_view section, std::string_view ident) const
{
    const Section* s = FindSection(section);
    if (!s) return nullptr;
    const auto it = std::find_if(s->lines.begin(), s->lines.end(),
                                 [&](const Line& l) { return l.pair && EqualIgnoreAsciiCase(l.key, ident); });
    return it == s->lines.end() ? nullptr : &*it;
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
    if (!section) section = &sections_.emplace_back(IniFile::Section{std::string(Section), {}});
    section->lines.push_back(Line{std::string(Ident), std::string(Value), true});
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
}

void IniFile::DeleteKey(std::string_view Section, std::string_view Ident)
{
    if (IniFile::Section* section = FindSection(Section))
        std::erase_if(section->lines, [&](const Line& l) { return l.pair && EqualIgnoreAsciiCase(l.key, Ident); });
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
}

void IniFile::UpdateFile() const
{
    ReplaceFileContents(fileName_, FileBytes(), beforeReplace_);
}

std::string IniFile::FileBytes() const { return EncodeForFile(Compose()); }

}  // namespace platform
