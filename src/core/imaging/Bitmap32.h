#pragma once

#include <cstdint>
#include <memory>

namespace fotoloom {

// One pixel of a TBitmap32: bytes B, G, R, A in memory (0xAARRGGBB as a number).
using TPixel32 = uint32_t;

constexpr TPixel32 MakePixel(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  return (TPixel32{a} << 24) | (TPixel32{r} << 16) | (TPixel32{g} << 8) | TPixel32{b};
}
constexpr uint8_t PixelRed(TPixel32 p) {
  return static_cast<uint8_t>(p >> 16);
}
constexpr uint8_t PixelGreen(TPixel32 p) {
  return static_cast<uint8_t>(p >> 8);
}
constexpr uint8_t PixelBlue(TPixel32 p) {
  return static_cast<uint8_t>(p);
}
constexpr uint8_t PixelAlpha(TPixel32 p) {
  return static_cast<uint8_t>(p >> 24);
}

// The engine's picture: 32-bit pixels, rows top-down, no padding between rows.
class TBitmap32 {
 public:
  TBitmap32() = default;
  // Pixels are left uninitialised. Throws when the size passes the picture limits.
  TBitmap32(int width, int height) { SetSize(width, height); }
  TBitmap32(TBitmap32&&) noexcept = default;
  TBitmap32& operator=(TBitmap32&&) noexcept = default;
  TBitmap32(const TBitmap32& other);
  TBitmap32& operator=(const TBitmap32& other);

  void SetSize(int width, int height);
  void Fill(TPixel32 color);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  bool Empty() const { return m_width == 0 || m_height == 0; }

  TPixel32* Bits() { return m_bits.get(); }
  const TPixel32* Bits() const { return m_bits.get(); }
  TPixel32* Row(int y) { return m_bits.get() + static_cast<size_t>(y) * m_width; }
  const TPixel32* Row(int y) const { return m_bits.get() + static_cast<size_t>(y) * m_width; }
  TPixel32& At(int x, int y) { return Row(y)[x]; }
  TPixel32 At(int x, int y) const { return Row(y)[x]; }

 private:
  struct TFree {
    void operator()(TPixel32* bits) const;
  };
  int m_width = 0;
  int m_height = 0;
  std::unique_ptr<TPixel32, TFree> m_bits;
};

}  // namespace fotoloom
