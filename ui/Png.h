#pragma once
// A minimal PNG writer for looking at what a canvas drew (tests save one picture per widget). The image
// data is stored uncompressed; the files are small enough for widget-sized pictures.
#include "ui/Bitmap.h"

#include <filesystem>
#include <string>

namespace ui {

// The PNG file's bytes for an 8-bit RGB image of the bitmap.
std::string EncodePng(const Bitmap& bitmap);

// Writes the bitmap to `path`; throws std::runtime_error naming the file when it cannot be written.
void WritePng(const Bitmap& bitmap, const std::filesystem::path& path);

}  // namespace ui
