#include "core/lists/PhotoExtensions.h"

#include <string>

#include "core/base/Path.h"
#include "core/lists/AsciiCase.h"

namespace fotoloom {

bool HasPhotoExtension(std::string_view name) {
  const std::string extension = AsciiLower(FileExtension(name));
  for (const char* photo : {".jpg", ".jpeg", ".gif", ".bmp", ".png", ".heic", ".heif", ".avif",
                            ".webp", ".tif", ".tiff"}) {
    if (extension == photo) return true;
  }
  return false;
}

bool ContainsPhotoExtension(std::string_view name) {
  const std::string extension = AsciiLower(FileExtension(name));
  // "tif" covers "tiff".
  for (const char* part :
       {"jpg", "jpeg", "gif", "bmp", "png", "heic", "heif", "avif", "webp", "tif"}) {
    if (extension.find(part) != std::string::npos) return true;
  }
  return false;
}

}  // namespace fotoloom
