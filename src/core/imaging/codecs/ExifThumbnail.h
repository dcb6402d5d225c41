#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/base/Stream.h"
#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// Where the JPEG thumbnail of an EXIF segment lies (IFD1's JPEGInterchangeFormat and
// ...Length), as offsets into the segment's data; empty when there is none or the block is
// damaged. Every offset is checked against `size`.
struct TExifThumbnail {
  size_t start;
  size_t size;
  size_t length_field;  // where the thumbnail's length is stored, 4 bytes
  bool little;          // the block's byte order
};
std::optional<TExifThumbnail> FindExifThumbnail(const uint8_t* data, size_t size);

// Turns the EXIF thumbnail of a JPEG as the photo was turned: a quarter turn clockwise from
// how it was seen with `orientation`, stored upright. Viewers that show the thumbnail
// then show what the photo shows. A thumbnail that is not the last thing in its segment, or
// that cannot be read, is left as it was.
void TurnExifThumbnail(std::vector<uint8_t>& jpeg, int orientation);

// The EXIF thumbnail of the JPEG at the stream's position, as stored (not turned, as the
// photo's stored pixels), when it can stand in for a photo of photo_width x photo_height at
// max_side (see UsableAsThumbnail); empty otherwise, also when it is damaged. With it comes
// the photo's ICC profile in `icc_profile` (empty when there is none): the thumbnail has
// none of its own and shares the photo's colours. The stream is left at the position it had.
std::optional<TBitmap32> DecodeExifThumbnail(TStream& stream, int photo_width, int photo_height,
                                             int max_side, std::vector<uint8_t>& icc_profile);

}  // namespace fotoloom
