#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// The way of a matrix-shaper profile (as phones and cameras embed: Display P3, Adobe RGB)
// to sRGB in integer tables: the profile's curves to linear light in 1.14 fixed point, one
// 3x3 matrix in 1.14, and sRGB's curve back from 16385 steps of linear light. These are
// LittleCMS's own tables and rounding for 8-bit matrix-shaper transforms, so the result is
// the one LittleCMS gives, at a fraction of its cost per pixel: the curves and the matrix
// are joined into one table per channel, so a pixel takes six look-ups and no product.
class TMatrixShaper {
 public:
  static constexpr int kFractionBits = 14;
  static constexpr int kOne = 1 << kFractionBits;
  using TEncoding = std::array<uint8_t, kOne + 1>;  // linear light 0 to kOne to an sRGB byte

  // Null when the profile is not an RGB matrix-shaper one, or when its curves or matrix
  // reach values that the fixed-point sums cannot hold.
  static std::unique_ptr<TMatrixShaper> FromProfile(const std::vector<uint8_t>& icc_profile);

  // Converts B, G, R, A pixels in place; alpha stays.
  void Convert(TPixel32* pixels, size_t count) const;

 private:
  // What one channel's byte adds to each channel of the result: its linear light times the
  // matrix's column for that channel, in 1.14 fixed point (red's with the rounding half
  // added). Sixteen bytes each, for one vector load per channel.
  struct alignas(16) TContribution {
    int32_t to[4];
  };
  const TContribution& Contribution(int channel, uint8_t value) const {
    return m_contribution[static_cast<size_t>(channel)][value];
  }
  uint32_t Encoded(int32_t sum) const;

  std::array<std::array<TContribution, 256>, 3> m_contribution{};  // input R, G, B
  const TEncoding* m_encode = nullptr;  // shared by all profiles
};

}  // namespace fotoloom
