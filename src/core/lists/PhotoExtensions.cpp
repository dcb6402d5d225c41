#include "core/lists/PhotoExtensions.h"

#include <string>

#include "core/base/Path.h"
#include "core/lists/AsciiCase.h"

namespace fotoloom {

bool HasPhotoExtension(std::string_view name) {
  const std::string extension = AsciiLower(FileExtension(name));
  return extension == ".jpg" || extension == ".jpeg" || extension == ".gif" || extension == ".bmp";
}

bool ContainsPhotoExtension(std::string_view name) {
  const std::string extension = AsciiLower(FileExtension(name));
  for (const char* part : {"jpg", "jpeg", "gif", "bmp"}) {
    if (extension.find(part) != std::string::npos) return true;
  }
  return false;
}

}  // namespace fotoloom
