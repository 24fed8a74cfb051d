// The ini reader on any file content, in either encoding: every value reads without harm, and what
// is written back reads back into the same sections, keys and values.
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/IniFile.h"

namespace {

using platform::IniFile;

struct Entry {
    std::string section;
    std::string key;
    std::string value;
    friend bool operator==(const Entry&, const Entry&) = default;
};

std::vector<Entry> Contents(const IniFile& ini)
{
    std::vector<Entry> entries;
    for (const std::string& section : ini.ReadSections()) {
        FUZZ_CHECK(platform::IsValidUtf8(section));
        FUZZ_CHECK(ini.SectionExists(section));
        for (const std::string& key : ini.ReadSection(section)) {
            FUZZ_CHECK(platform::IsValidUtf8(key));
            FUZZ_CHECK(ini.ValueExists(section, key));
            const std::string value = ini.ReadString(section, key, "");
            FUZZ_CHECK(platform::IsValidUtf8(value));
            (void)ini.ReadInteger(section, key, 7);
            (void)ini.ReadBool(section, key, true);
            entries.push_back({section, key, value});
        }
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const IniFile ini = IniFile::FromBytes("fuzz.ini", fuzz::Bytes(data, size));
    const std::vector<Entry> entries = Contents(ini);

    // A saved file loads back into exactly what was read.
    const std::string saved = ini.FileBytes();
    const IniFile again = IniFile::FromBytes("fuzz.ini", saved);
    FUZZ_CHECK(Contents(again) == entries);
    FUZZ_CHECK(again.FileBytes() == saved);

    // The same values written through the program's own calls make a file that reads back the same.
    IniFile written = IniFile::FromBytes("fuzz.ini", "");
    for (const Entry& e : entries) {
        try {
            if (!written.ValueExists(e.section, e.key)) written.WriteString(e.section, e.key, e.value);
        } catch (const std::invalid_argument&) {
            // A name or value the file could not carry back is refused, never stored half.
        }
    }
    const std::vector<Entry> stored = Contents(written);
    FUZZ_CHECK(Contents(IniFile::FromBytes("fuzz.ini", written.FileBytes())) == stored);
    return 0;
}
