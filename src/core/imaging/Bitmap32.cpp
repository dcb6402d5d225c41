#include "core/imaging/Bitmap32.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/base/Error.h"
#include "core/imaging/PictureLimits.h"

namespace fotoloom {

namespace {

// Large pictures are laid out on huge pages where the system offers them: a photo is
// written and read in long sweeps, and a 96 MB picture on 4 KB pages spends much of a
// sweep in page faults and TLB misses.
constexpr size_t kHugePage = 2 * 1024 * 1024;

TPixel32* AllocatePixels(size_t count) {
  const size_t bytes = count * sizeof(TPixel32);
  const size_t alignment = bytes >= 4 * kHugePage ? kHugePage : 64;
  void* bits = std::aligned_alloc(alignment, (bytes + alignment - 1) / alignment * alignment);
  if (!bits) throw std::bad_alloc();
  if (alignment == kHugePage) ::madvise(bits, bytes, MADV_HUGEPAGE);
  return static_cast<TPixel32*>(bits);
}

}  // namespace

void TBitmap32::TFree::operator()(TPixel32* bits) const { std::free(bits); }

namespace {

[[noreturn]] void ThrowTooLarge(int64_t width, int64_t height) {
  throw Error("Picture is too large (" + std::to_string(width) + " x " + std::to_string(height) +
              " pixels)");
}

}  // namespace

void CheckPictureSize(int64_t width, int64_t height) {
  if (width < 0 || height < 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      width * height > kMaxPicturePixels) {
    ThrowTooLarge(width, height);
  }
}

void CheckPictureData(int64_t width, int64_t height, int64_t data_bytes) {
  CheckPictureSize(width, height);
  const int64_t pixels = width * height;
  if (pixels > kUncheckedPicturePixels && pixels / kMaxPixelsPerDataByte > data_bytes) {
    ThrowTooLarge(width, height);
  }
}

void CheckPictureData(int64_t width, int64_t height, TStream& data) {
  CheckPictureSize(width, height);
  if (width * height > kUncheckedPicturePixels) CheckPictureData(width, height, BytesToEnd(data));
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
    m_bits.reset(count ? AllocatePixels(count) : nullptr);
  }
  m_width = width;
  m_height = height;
}

void TBitmap32::Fill(TPixel32 color) {
  std::fill_n(m_bits.get(), static_cast<size_t>(m_width) * m_height, color);
}

}  // namespace fotoloom
