#include "core/imaging/resample/Orientation.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace fotoloom {
namespace {

// Stored coordinates of upright pixel (x, y) as sx = cx + ax*x + bx*y, sy = cy + ay*x + by*y,
// for a stored picture of stored_w x stored_h.
struct Affine {
  int64_t ax, bx, cx, ay, by, cy;
};

Affine StoredFromUpright(int orientation, int64_t stored_w, int64_t stored_h) {
  const int64_t w = stored_w - 1, h = stored_h - 1;
  switch (orientation) {
    case 2:
      return {-1, 0, w, 0, 1, 0};
    case 3:
      return {-1, 0, w, 0, -1, h};
    case 4:
      return {1, 0, 0, 0, -1, h};
    case 5:
      return {0, 1, 0, 1, 0, 0};
    case 6:
      return {0, 1, 0, -1, 0, h};
    case 7:
      return {0, -1, w, -1, 0, h};
    case 8:
      return {0, -1, w, 1, 0, 0};
    default:
      return {1, 0, 0, 0, 1, 0};
  }
}

}  // namespace

TRect UprightRectToStored(const TRect& upright, int orientation, int64_t upright_width,
                          int64_t upright_height) {
  const bool swap = OrientationSwapsAxes(orientation);
  const int64_t stored_w = swap ? upright_height : upright_width;
  const int64_t stored_h = swap ? upright_width : upright_height;
  const Affine m = StoredFromUpright(orientation, stored_w, stored_h);
  const int64_t xa = m.cx + m.ax * upright.x0 + m.bx * upright.y0;
  const int64_t ya = m.cy + m.ay * upright.x0 + m.by * upright.y0;
  const int64_t xb = m.cx + m.ax * (upright.x1 - 1) + m.bx * (upright.y1 - 1);
  const int64_t yb = m.cy + m.ay * (upright.x1 - 1) + m.by * (upright.y1 - 1);
  return {std::min(xa, xb), std::min(ya, yb), std::max(xa, xb) + 1, std::max(ya, yb) + 1};
}

void DrawUpright(const TBitmap32& stored, int orientation, TBitmap32& target, int left, int top) {
  const bool swap = OrientationSwapsAxes(orientation);
  const int width = swap ? stored.Height() : stored.Width();
  const int height = swap ? stored.Width() : stored.Height();
  assert(left >= 0 && top >= 0 && left + width <= target.Width() &&
         top + height <= target.Height());
  if (orientation < 2 || orientation > 8) {
    for (int y = 0; y < height; ++y) {
      std::memcpy(target.Row(top + y) + left, stored.Row(y), sizeof(TPixel32) * width);
    }
    return;
  }
  const Affine m = StoredFromUpright(orientation, stored.Width(), stored.Height());
  const int64_t step_x = m.ax + m.ay * stored.Width();
  // Tiles keep both the rows read and the rows written in the cache when axes swap.
  constexpr int kTile = 64;
  for (int ty = 0; ty < height; ty += kTile) {
    const int ty_end = std::min(height, ty + kTile);
    for (int tx = 0; tx < width; tx += kTile) {
      const int tx_end = std::min(width, tx + kTile);
      for (int y = ty; y < ty_end; ++y) {
        const TPixel32* src = stored.Bits() + (m.cx + m.ax * tx + m.bx * y) +
                              (m.cy + m.ay * tx + m.by * y) * stored.Width();
        TPixel32* dst = target.Row(top + y) + left;
        for (int x = tx; x < tx_end; ++x, src += step_x) dst[x] = *src;
      }
    }
  }
}

TBitmap32 Upright(const TBitmap32& stored, int orientation) {
  const bool swap = OrientationSwapsAxes(orientation);
  TBitmap32 result(swap ? stored.Height() : stored.Width(),
                   swap ? stored.Width() : stored.Height());
  if (!result.Empty()) DrawUpright(stored, orientation, result, 0, 0);
  return result;
}

}  // namespace fotoloom
