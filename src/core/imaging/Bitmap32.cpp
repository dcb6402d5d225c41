#include "core/imaging/Bitmap32.h"

#include <algorithm>
#include <cstring>

#include "core/base/Error.h"
#include "core/imaging/PictureLimits.h"

namespace fotoloom {

void CheckPictureSize(int64_t width, int64_t height) {
  if (width < 0 || height < 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      width * height > kMaxPicturePixels) {
    throw Error("Picture is too large (" + std::to_string(width) + " x " + std::to_string(height) +
                " pixels)");
  }
}

TBitmap32::TBitmap32(const TBitmap32& other) {
  *this = other;
}

TBitmap32& TBitmap32::operator=(const TBitmap32& other) {
  if (this == &other) return *this;
  SetSize(other.m_width, other.m_height);
  if (!Empty()) {
    std::memcpy(m_bits.get(), other.m_bits.get(),
                static_cast<size_t>(m_width) * m_height * sizeof(TPixel32));
  }
  return *this;
}

void TBitmap32::SetSize(int width, int height) {
  CheckPictureSize(width, height);
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (count != static_cast<size_t>(m_width) * static_cast<size_t>(m_height) || !m_bits) {
    m_bits = count ? std::make_unique_for_overwrite<TPixel32[]>(count) : nullptr;
  }
  m_width = width;
  m_height = height;
}

void TBitmap32::Fill(TPixel32 color) {
  std::fill_n(m_bits.get(), static_cast<size_t>(m_width) * m_height, color);
}

}  // namespace fotoloom
