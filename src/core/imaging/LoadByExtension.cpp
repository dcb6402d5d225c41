#include "core/imaging/LoadByExtension.h"

#include <algorithm>
#include <string_view>

#include "core/base/Error.h"
#include "core/base/Path.h"
#include "core/base/Stream.h"
#include "core/imaging/LoadPicture.h"

namespace fotoloom {

TImageType ImageTypeFromExtension(const std::string& path) {
  std::string_view extension = FileExtension(path);
  if (!extension.empty()) extension.remove_prefix(1);  // the dot
  std::string lower(extension);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  if (lower == "jpg" || lower == "jpeg") return itJPEG;
  if (lower == "gif") return itGIF;
  if (lower == "bmp") return itBMP;
  if (lower == "png") return itPNG;
  if (lower == "heic" || lower == "heif" || lower == "avif") return itHEIF;
  if (lower == "webp") return itWEBP;
  if (lower == "tif" || lower == "tiff") return itTIFF;
  throw Error("Unknown picture file extension (." + std::string(extension) + ")");
}

TBitmap32 LoadPictureByExtension(const std::string& path) {
  const TImageType type = ImageTypeFromExtension(path);
  TFileStream stream = TFileStream::OpenRead(path);
  TBitmap32 picture;
  LoadPicture(stream, type, picture);
  return picture;
}

}  // namespace fotoloom
