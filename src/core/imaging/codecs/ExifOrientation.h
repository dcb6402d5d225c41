#pragma once

#include <cstddef>
#include <cstdint>

namespace fotoloom {

// The orientation tag (1 to 8) of an APP1 segment's data ("Exif\0\0" and a TIFF block);
// 1 when the segment is not EXIF, has no tag, or is damaged.
int ReadExifOrientation(const uint8_t* data, size_t size);

}  // namespace fotoloom
