#pragma once
// Pictures a test painted: saved as PNGs for a person to look at, and held pixel-exact against stored
// fingerprints. Pictures go into "pictures" under the folder the test runs in (the build tree under
// CTest), never into the source tree.
//
// A picture book is a text file of "name fingerprint" lines in the source tree. A picture that differs
// from its entry fails its test and is saved for a person to compare; run with SORVEL_UPDATE_PICTURES=1
// and every check stores what it saw instead (after a change of fonts or a deliberate change of
// drawing), e.g.
//     SORVEL_UPDATE_PICTURES=1 ctest --test-dir build/test -R Picture
#include "ui/Png.h"

#include <sys/file.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>

namespace testsupport {

inline std::filesystem::path PictureFolder()
{
    return std::filesystem::current_path() / "pictures";
}

inline void SavePicture(const ui::Bitmap& bitmap, const std::string& name)
{
    const std::filesystem::path here = std::filesystem::weakly_canonical(std::filesystem::current_path());
    const std::filesystem::path source = std::filesystem::weakly_canonical(SORVEL_SOURCE_DIR);
    // Run by hand from inside the source tree (not a build folder in it): keep the tree clean.
    const std::filesystem::path inside = here.lexically_relative(source);
    if (!inside.empty() && *inside.begin() != ".." && inside.begin()->string().rfind("build", 0) != 0) return;
    std::error_code ignored;
    std::filesystem::create_directories(PictureFolder(), ignored);
    ui::WritePng(bitmap, PictureFolder() / (name + ".png"));
}

// FNV-1a over the size and every pixel: one pixel's shift changes it.
inline std::string PictureFingerprint(const ui::Bitmap& bitmap)
{
    std::uint64_t h = 14695981039346656037ull;
    const auto mix = [&h](std::uint8_t byte) { h = (h ^ byte) * 1099511628211ull; };
    for (const int side : {bitmap.width(), bitmap.height()})
        for (int shift = 0; shift < 32; shift += 8) mix(static_cast<std::uint8_t>(side >> shift));
    const std::size_t bytes = static_cast<std::size_t>(bitmap.width()) * static_cast<std::size_t>(bitmap.height()) * 4;
    for (std::size_t i = 0; i < bytes; ++i) mix(bitmap.rgba()[i]);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

inline std::map<std::string, std::string> ReadPictureBook(const std::filesystem::path& book)
{
    std::map<std::string, std::string> entries;
    std::ifstream in(book);
    for (std::string name, fingerprint; in >> name >> fingerprint;) entries[name] = fingerprint;
    return entries;
}

// Stores one entry, the book locked meanwhile so that test processes storing at once lose nothing.
inline void StoreInPictureBook(const std::filesystem::path& book, const std::string& name, const std::string& fingerprint)
{
    std::FILE* held = std::fopen(book.c_str(), "a");
    if (held != nullptr) ::flock(::fileno(held), LOCK_EX);
    auto entries = ReadPictureBook(book);
    entries[name] = fingerprint;
    std::ofstream out(book, std::ios::trunc);
    for (const auto& [n, f] : entries) out << n << ' ' << f << '\n';
    out.close();
    if (held != nullptr) std::fclose(held);
}

inline ::testing::AssertionResult MatchesStoredPicture(const ui::Bitmap& picture, const std::string& name,
                                                       const std::filesystem::path& book)
{
    const std::string seen = PictureFingerprint(picture);
    if (const char* update = std::getenv("SORVEL_UPDATE_PICTURES"); update != nullptr && *update != '\0') {
        StoreInPictureBook(book, name, seen);
        return ::testing::AssertionSuccess();
    }
    const auto entries = ReadPictureBook(book);
    const auto stored = entries.find(name);
    if (stored != entries.end() && stored->second == seen) return ::testing::AssertionSuccess();
    SavePicture(picture, name);
    return ::testing::AssertionFailure()
           << "picture \"" << name << "\" is " << seen << ", " << book.filename().string() << " holds "
           << (stored == entries.end() ? std::string("none") : stored->second) << "; see " << PictureFolder().string()
           << "/" << name << ".png, and store it with SORVEL_UPDATE_PICTURES=1 if it is right";
}

}  // namespace testsupport
