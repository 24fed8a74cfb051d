// The ini reader on any file content, in either encoding: every value reads without harm, and what
// is written back reads back into the same sections, keys and values.
#include <tuple>

#include "fuzz/FuzzSupport.h"
#include "platform/IniFile.h"

namespace {

using platform::IniFile;
using Entries = std::vector<std::tuple<std::string, std::string, std::string>>;

Entries Contents(const IniFile& ini)
{
    Entries entries;
    for (const std::string& section : ini.ReadSections()) {
        for (const std::string& key : ini.ReadSection(section)) {
            const std::string value = ini.ReadString(section, key, "");
            FUZZ_CHECK(platform::IsValidUtf8(section) && platform::IsValidUtf8(key) && platform::IsValidUtf8(value));
            (void)ini.ReadInteger(section, key, 7);
            (void)ini.ReadBool(section, key, true);
            entries.emplace_back(section, key, value);
        }
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const IniFile ini = IniFile::FromBytes("fuzz.ini", fuzz::Bytes(data, size));
    const Entries entries = Contents(ini);
    // A saved file loads back into exactly what was read.
    const std::string saved = ini.FileBytes();
    const IniFile again = IniFile::FromBytes("fuzz.ini", saved);
    FUZZ_CHECK(Contents(again) == entries && again.FileBytes() == saved);

    // The same values written through the program's own calls make a file that reads back the same.
    IniFile written = IniFile::FromBytes("fuzz.ini", "");
    for (const auto& [section, key, value] : entries) {
        try {
            if (!written.ValueExists(section, key)) written.WriteString(section, key, value);
        } catch (const std::invalid_argument&) {
            // A name or value the file could not carry back is refused, never stored half.
        }
    }
    FUZZ_CHECK(Contents(IniFile::FromBytes("fuzz.ini", written.FileBytes())) == Contents(written));
    return 0;
}
