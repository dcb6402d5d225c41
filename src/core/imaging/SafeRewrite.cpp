#include "core/imaging/SafeRewrite.h"

#include <vector>

#include "core/base/ReplaceFile.h"
#include "core/base/SystemError.h"
#include "core/imaging/codecs/JpegWriter.h"

namespace fotoloom {

void RewriteFile(const std::string& path, std::span<const uint8_t> bytes) {
  ReplaceFileSafely(path, bytes, std::nullopt,
                    [&](int error_number) { return CannotCreateFileError(path, error_number); });
}

void RewriteJpegFile(const std::string& path, const TBitmap32& picture, int quality) {
  const std::vector<uint8_t> bytes = EncodeJpeg(picture, quality);
  RewriteFile(path, bytes);
}

}  // namespace fotoloom
