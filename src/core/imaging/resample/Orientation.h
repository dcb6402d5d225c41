#pragma once

#include <cstdint>

#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// EXIF orientations 1 to 8: how a stored picture is turned and mirrored to stand upright.
// 5 to 8 swap the axes.
constexpr bool OrientationSwapsAxes(int orientation) {
  return orientation >= 5 && orientation <= 8;
}

// [x0, x1) x [y0, y1); 64-bit, since a scaled rectangle may be far larger than a picture.
struct TRect {
  int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int64_t Width() const { return x1 - x0; }
  int64_t Height() const { return y1 - y0; }
};

// The stored-picture rectangle that holds the upright rectangle `upright` of an upright
// picture of upright_width x upright_height.
TRect UprightRectToStored(const TRect& upright, int orientation, int64_t upright_width,
                          int64_t upright_height);

// Writes the upright form of `stored` into `target` with its top-left corner at
// (left, top); the upright picture must fit inside the target.
void DrawUpright(const TBitmap32& stored, int orientation, TBitmap32& target, int left, int top);

// The upright form of a stored picture.
TBitmap32 Upright(const TBitmap32& stored, int orientation);

}  // namespace fotoloom
