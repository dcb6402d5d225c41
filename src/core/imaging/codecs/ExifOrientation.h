#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace fotoloom {

// True when an APP1 segment's data is EXIF ("Exif\0\0" and at least a TIFF header).
bool IsExifSegment(const uint8_t* data, size_t size);

// The orientation tag (1 to 8) of an APP1 segment's data ("Exif\0\0" and a TIFF block);
// 1 when the segment is not EXIF, has no tag, or is damaged.
int ReadExifOrientation(const uint8_t* data, size_t size);

// Sets the orientation tag of an EXIF segment's data to 1 (upright as stored), in the
// block's own byte order. False, changing nothing, when there is no valid tag to set. Every
// offset is checked against `size` first, so damaged or hostile data is never read or
// written outside it.
bool ResetExifOrientation(uint8_t* data, size_t size);

}  // namespace fotoloom
