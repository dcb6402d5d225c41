#pragma once

#include <string_view>

namespace fotoloom {

// True when the extension of the name, in lower case, is one of a format the engine reads:
// ".jpg", ".jpeg", ".gif", ".bmp", ".png", ".heic", ".heif", ".avif", ".webp", ".tif" or ".tiff".
// This is the test of AddFileEntries.
bool HasPhotoExtension(std::string_view name);

// True when the extension of the name, in lower case, contains "jpg", "jpeg", "gif", "bmp",
// "png", "heic", "heif", "avif", "webp" or "tif" (so ".jpg2" passes too). This is the test of the
// adds to the selection list.
bool ContainsPhotoExtension(std::string_view name);

}  // namespace fotoloom
