#pragma once

#include <algorithm>
#include <cstdint>

namespace fotoloom {

// Whether a small picture that a photo carries of itself may stand in for the photo in the
// browser: its longest side is at least max_side, and it has the photo's shape within one
// pixel (a camera's 160 x 120 thumbnail of a 3:2 photo has black bars and is not used).
constexpr bool UsableAsThumbnail(int64_t width, int64_t height, int64_t photo_width,
                                 int64_t photo_height, int max_side) {
  if (width <= 0 || height <= 0 || photo_width <= 0 || photo_height <= 0) return false;
  if (std::max(width, height) < max_side) return false;
  const int64_t mismatch = width * photo_height - height * photo_width;
  return (mismatch < 0 ? -mismatch : mismatch) <= photo_width + photo_height;
}

}  // namespace fotoloom
