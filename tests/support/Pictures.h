#pragma once
// Saves what a test painted as a PNG for a person to look at. Pictures go into "pictures" under the
// folder the test runs in (the build tree under CTest), never into the source tree.
#include "ui/Png.h"

#include <filesystem>
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

}  // namespace testsupport
