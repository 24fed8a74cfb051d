#pragma once
// PictureBook holds pictures to their stored expectations, pixel for pixel: a text file beside the test
// keeps one 64-bit hash of each picture's size and pixels per line ("group/name hash"). Every picture is
// written as a PNG into "pictures" beside the test program (in the build tree, wherever it is run from)
// for a person to look at, one that differs under a name that says so. With SORVEL_UPDATE_PICTURES=1 in the
// environment nothing fails: the file is written again from what was painted, so a deliberate change of
// looks (or of fonts) is one command.
#include "platform/ProgramFolder.h"
#include "ui/Bitmap.h"
#include "ui/Png.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace testsupport {

// FNV-1a over the width, the height and the colour of every pixel, in hexadecimal.
inline std::string PictureHash(const ui::Bitmap& bitmap)
{
    std::uint64_t h = 14695981039346656037ull;
    const auto add = [&h](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i, value >>= 8) h = (h ^ (value & 0xFF)) * 1099511628211ull;
    };
    add(static_cast<std::uint32_t>(bitmap.width()), 4);
    add(static_cast<std::uint32_t>(bitmap.height()), 4);
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) add(bitmap.pixel(x, y), 3);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

class PictureBook {
public:
    // `file`: the stored hashes; `prefix`: of the picture files written; `regenerate`: the command a
    // person runs after a deliberate change.
    PictureBook(std::filesystem::path file, std::string prefix, std::string regenerate)
        : file_(std::move(file)), prefix_(std::move(prefix)), regenerate_(std::move(regenerate))
    {
        const char* update = std::getenv("SORVEL_UPDATE_PICTURES");
        updating_ = update != nullptr && *update != '\0' && std::string(update) != "0";
        std::ifstream in(file_);
        std::string name, hash;
        while (in >> name) {
            if (name[0] == '#') std::getline(in, hash);
            else if (in >> hash) stored_[name] = hash;
        }
    }

    // False (and a test failure) when the picture differs from the stored one; always true when updating.
    bool Check(const std::string& group, const std::string& name, const ui::Bitmap& picture)
    {
        const std::string key = group + "/" + name;
        const std::string hash = PictureHash(picture);
        painted_.emplace_back(key, hash);
        const auto it = stored_.find(key);
        const bool same = (it != stored_.end() && it->second == hash) || updating_;
        const std::filesystem::path folder = platform::ProgramFolder() / "pictures";
        const std::filesystem::path png = folder / (prefix_ + "_" + group + "_" + name + (same ? "" : "_differs") + ".png");
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        ui::WritePng(picture, png);
        if (!same)
            ADD_FAILURE() << key << " is not the stored picture (" << (it == stored_.end() ? "none stored" : "stored " + it->second)
                          << ", painted " << hash << "); it is in " << png << ". When the change is meant, store the new pictures: "
                          << regenerate_;
        return same;
    }

    // When updating: the stored hashes, under the file's own header.
    void Close()
    {
        if (!updating_) return;
        std::ifstream old(file_);
        std::string header, line;
        while (std::getline(old, line) && line.rfind('#', 0) == 0) header += line + "\n";
        std::ofstream out(file_);
        out << header;
        for (const auto& [key, hash] : painted_) out << key << " " << hash << "\n";
        std::printf("stored %zu picture hashes in %s\n", painted_.size(), file_.string().c_str());
    }

private:
    std::filesystem::path file_;
    std::string prefix_;
    std::string regenerate_;
    bool updating_ = false;
    std::map<std::string, std::string> stored_;
    std::vector<std::pair<std::string, std::string>> painted_;
};

}  // namespace testsupport
