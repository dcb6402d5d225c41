#include "core/imaging/codecs/ExifOrientation.h"

#include <cstring>

namespace fotoloom {

int ReadExifOrientation(const uint8_t* data, size_t size) {
  if (size < 6 + 8 || std::memcmp(data, "Exif\0\0", 6) != 0) return 1;
  const uint8_t* tiff = data + 6;
  const size_t tiff_size = size - 6;
  bool little;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    little = true;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    little = false;
  } else {
    return 1;
  }
  auto u16 = [&](size_t at) -> uint32_t {
    return little ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1];
  };
  auto u32 = [&](size_t at) -> uint32_t {
    return little ? u16(at) | (u16(at + 2) << 16) : (u16(at) << 16) | u16(at + 2);
  };
  if (u16(2) != 42) return 1;
  const size_t ifd = u32(4);
  if (ifd > tiff_size || tiff_size - ifd < 2) return 1;
  const size_t count = u16(ifd);
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = ifd + 2 + 12 * i;
    if (entry > tiff_size || tiff_size - entry < 12) return 1;
    if (u16(entry) != 0x0112) continue;
    // Type SHORT, one value, stored in the first two bytes of the value field.
    if (u16(entry + 2) != 3 || u32(entry + 4) != 1) return 1;
    const uint32_t value = u16(entry + 8);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}

}  // namespace fotoloom
