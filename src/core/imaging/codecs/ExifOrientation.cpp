#include "core/imaging/codecs/ExifOrientation.h"

#include <cstring>

namespace fotoloom {
namespace {

constexpr size_t kExifHeader = 6;  // "Exif\0\0"
constexpr size_t kTiffHeader = 8;

// Where the value of IFD0's orientation tag lies (an offset into the segment's data) and
// the block's byte order; empty when the tag is missing or not one SHORT.
struct TOrientationValue {
  size_t offset;
  bool little;
};

std::optional<TOrientationValue> FindOrientationValue(const uint8_t* data, size_t size) {
  if (!IsExifSegment(data, size)) return std::nullopt;
  const uint8_t* tiff = data + kExifHeader;
  const size_t tiff_size = size - kExifHeader;
  bool little;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    little = true;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    little = false;
  } else {
    return std::nullopt;
  }
  auto u16 = [&](size_t at) -> uint32_t {
    return little ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1];
  };
  auto u32 = [&](size_t at) -> uint32_t {
    return little ? u16(at) | (u16(at + 2) << 16) : (u16(at) << 16) | u16(at + 2);
  };
  if (u16(2) != 42) return std::nullopt;
  const size_t ifd = u32(4);
  if (ifd > tiff_size || tiff_size - ifd < 2) return std::nullopt;
  const size_t count = u16(ifd);
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = ifd + 2 + 12 * i;
    if (entry > tiff_size || tiff_size - entry < 12) return std::nullopt;
    if (u16(entry) != 0x0112) continue;
    // Type SHORT, one value, stored in the first two bytes of the value field.
    if (u16(entry + 2) != 3 || u32(entry + 4) != 1) return std::nullopt;
    return TOrientationValue{kExifHeader + entry + 8, little};
  }
  return std::nullopt;
}

}  // namespace

bool IsExifSegment(const uint8_t* data, size_t size) {
  return size >= kExifHeader + kTiffHeader && std::memcmp(data, "Exif\0\0", kExifHeader) == 0;
}

int ReadExifOrientation(const uint8_t* data, size_t size) {
  const std::optional<TOrientationValue> found = FindOrientationValue(data, size);
  if (!found) return 1;
  const uint8_t* value = data + found->offset;
  const uint32_t orientation =
      found->little ? value[0] | (value[1] << 8) : (value[0] << 8) | value[1];
  return orientation >= 1 && orientation <= 8 ? static_cast<int>(orientation) : 1;
}

bool ResetExifOrientation(uint8_t* data, size_t size) {
  const std::optional<TOrientationValue> found = FindOrientationValue(data, size);
  if (!found) return false;
  data[found->offset] = found->little ? 1 : 0;
  data[found->offset + 1] = found->little ? 0 : 1;
  return true;
}

}  // namespace fotoloom
