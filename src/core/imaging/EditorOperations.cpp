#include "core/imaging/EditorOperations.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/base/Error.h"

namespace fotoloom {
namespace {

int Contrast(int v, int c) {
  // C++ division truncates toward zero, as the formula asks.
  const int result = v >= 128 ? v + c * (v - 127) / 255 : v - c * (127 - v) / 255;
  return std::clamp(result, 0, 255);
}

int Brightness(int v, int b) {
  return std::clamp(v + b * (255 - v) / 255, 0, 255);
}

}  // namespace

void AdjustContrastBrightness(TBitmap32& picture, int contrast, int brightness) {
  const int c = std::clamp(contrast, kAdjustmentMin, kAdjustmentMax);
  const int b = std::clamp(brightness, kAdjustmentMin, kAdjustmentMax);
  // Both adjustments act on each byte alone, so one table does both in a single pass.
  std::array<uint8_t, 256> table;
  for (int v = 0; v < 256; ++v) table[v] = static_cast<uint8_t>(Brightness(Contrast(v, c), b));
  // Byte by byte (B, G, R, A in memory) runs about twice as fast as shifting 32-bit pixels.
  uint8_t* byte = reinterpret_cast<uint8_t*>(picture.Bits());
  const size_t count = static_cast<size_t>(picture.Width()) * picture.Height();
  for (size_t i = 0; i < count; ++i, byte += 4) {
    byte[0] = table[byte[0]];
    byte[1] = table[byte[1]];
    byte[2] = table[byte[2]];
    byte[3] = 255;
  }
}

void MakeBlackAndWhite(TBitmap32& picture) {
  // The weighted channels from tables: faster than three multiplications per pixel.
  std::array<uint32_t, 256> red, green, blue;
  for (uint32_t v = 0; v < 256; ++v) {
    red[v] = 77 * v;
    green[v] = 150 * v;
    blue[v] = 29 * v;
  }
  uint8_t* byte = reinterpret_cast<uint8_t*>(picture.Bits());
  const size_t count = static_cast<size_t>(picture.Width()) * picture.Height();
  for (size_t i = 0; i < count; ++i, byte += 4) {
    const auto grey = static_cast<uint8_t>((red[byte[2]] + green[byte[1]] + blue[byte[0]]) >> 8);
    byte[0] = byte[1] = byte[2] = grey;
    byte[3] = 255;
  }
}

std::optional<TRect> CropRectangle(const TSelection& selection, int width, int height) {
  const TSelection& s = selection;
  if (s.X1 == 0 || s.Y1 == 0 || s.X2 == 0 || s.Y2 == 0) return std::nullopt;
  // 64-bit, since corners dragged far outside the picture may lie far apart.
  const TRect rect{std::clamp<int64_t>(std::min(s.X1, s.X2), 0, width),
                   std::clamp<int64_t>(std::min(s.Y1, s.Y2), 0, height),
                   std::clamp<int64_t>(std::max(s.X1, s.X2), 0, width),
                   std::clamp<int64_t>(std::max(s.Y1, s.Y2), 0, height)};
  if (rect.Width() <= 0 || rect.Height() <= 0) return std::nullopt;
  return rect;
}

TBitmap32 CropPicture(const TBitmap32& picture, const TSelection& selection) {
  const std::optional<TRect> rect = CropRectangle(selection, picture.Width(), picture.Height());
  if (!rect) throw Error(kNoSelectionMessage);
  TBitmap32 result(static_cast<int>(rect->Width()), static_cast<int>(rect->Height()));
  for (int y = 0; y < result.Height(); ++y) {
    std::memcpy(result.Row(y), picture.Row(static_cast<int>(rect->y0) + y) + rect->x0,
                sizeof(TPixel32) * result.Width());
  }
  return result;
}

}  // namespace fotoloom
