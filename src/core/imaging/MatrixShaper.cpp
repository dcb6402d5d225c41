#include "core/imaging/MatrixShaper.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#if defined(__x86_64__)
#include <emmintrin.h>
#define FOTOLOOM_X86 1
#endif

namespace fotoloom {
namespace {

using TProfileHandle = std::unique_ptr<void, decltype(&cmsCloseProfile)>;

// Rounds as LittleCMS does when it makes its fixed-point tables.
int32_t ToFixed(double value) {
  return static_cast<int32_t>(std::floor(value * TMatrixShaper::kOne + 0.5));
}

// A value of [0, 1] to a byte through a 16-bit word, with LittleCMS's rounding on the way
// (its floor works on the value rounded to 1/65536 first).
uint8_t ToByte(double value) {
  const double word = std::clamp(value, 0.0, 1.0) * 65535.0 + 0.5;
  const uint32_t w =
      word >= 65535.0 ? 65535u
                      : static_cast<uint32_t>(
                            std::floor(std::nearbyint((word - 32767.0) * 65536.0) / 65536.0) +
                            32767);
  return static_cast<uint8_t>((w * 65281u + 8388608u) >> 24);
}

// The colorants of a matrix-shaper profile as the columns of a matrix (XYZ, D50).
bool Colorants(cmsHPROFILE profile, std::array<double, 9>& columns) {
  const cmsTagSignature tags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                   cmsSigBlueColorantTag};
  for (int c = 0; c < 3; ++c) {
    const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[c]));
    if (!xyz) return false;
    columns[c] = xyz->X;
    columns[3 + c] = xyz->Y;
    columns[6 + c] = xyz->Z;
  }
  return true;
}

bool Invert(const std::array<double, 9>& m, std::array<double, 9>& inverse) {
  const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                     m[2] * (m[3] * m[7] - m[4] * m[6]);
  if (std::abs(det) < 1e-9) return false;
  inverse = {(m[4] * m[8] - m[5] * m[7]) / det, (m[2] * m[7] - m[1] * m[8]) / det,
             (m[1] * m[5] - m[2] * m[4]) / det, (m[5] * m[6] - m[3] * m[8]) / det,
             (m[0] * m[8] - m[2] * m[6]) / det, (m[2] * m[3] - m[0] * m[5]) / det,
             (m[3] * m[7] - m[4] * m[6]) / det, (m[1] * m[6] - m[0] * m[7]) / det,
             (m[0] * m[4] - m[1] * m[3]) / det};
  return true;
}

// sRGB's curve from linear light, the same for every profile: made once.
const TMatrixShaper::TEncoding* SrgbEncoding() {
  static const std::unique_ptr<const TMatrixShaper::TEncoding> table = [] {
    std::unique_ptr<TMatrixShaper::TEncoding> encoding;
    const TProfileHandle srgb(cmsCreate_sRGBProfile(), &cmsCloseProfile);
    const auto* curve =
        srgb ? static_cast<const cmsToneCurve*>(cmsReadTag(srgb.get(), cmsSigRedTRCTag)) : nullptr;
    if (!curve) return encoding;
    const std::unique_ptr<cmsToneCurve, decltype(&cmsFreeToneCurve)> reverse(
        cmsReverseToneCurve(curve), &cmsFreeToneCurve);
    if (!reverse) return encoding;
    encoding = std::make_unique<TMatrixShaper::TEncoding>();
    constexpr int kOne = TMatrixShaper::kOne;
    for (int i = 0; i <= kOne; ++i)
      (*encoding)[static_cast<size_t>(i)] =
          ToByte(cmsEvalToneCurveFloat(reverse.get(), static_cast<float>(i / double{kOne})));
    return encoding;
  }();
  return table.get();
}

}  // namespace

std::unique_ptr<TMatrixShaper> TMatrixShaper::FromProfile(const std::vector<uint8_t>& icc_profile) {
  if (icc_profile.empty()) return nullptr;
  TProfileHandle profile(cmsOpenProfileFromMem(icc_profile.data(),
                                               static_cast<cmsUInt32Number>(icc_profile.size())),
                         &cmsCloseProfile);
  // A profile that also has a table for perceptual intent goes through that table in
  // LittleCMS, not through its matrix.
  if (!profile || cmsGetColorSpace(profile.get()) != cmsSigRgbData ||
      !cmsIsMatrixShaper(profile.get()) || cmsIsTag(profile.get(), cmsSigAToB0Tag) ||
      cmsIsTag(profile.get(), cmsSigDToB0Tag))
    return nullptr;
  TProfileHandle srgb(cmsCreate_sRGBProfile(), &cmsCloseProfile);
  std::array<double, 9> from{}, to{}, to_inverse{};
  if (!Colorants(profile.get(), from) || !Colorants(srgb.get(), to) || !Invert(to, to_inverse))
    return nullptr;
  std::array<int32_t, 9> matrix{};
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column) {
      double sum = 0;
      for (int k = 0; k < 3; ++k) sum += to_inverse[row * 3 + k] * from[k * 3 + column];
      if (std::abs(sum) > 64) return nullptr;
      matrix[static_cast<size_t>(row * 3 + column)] = ToFixed(sum);
    }
  auto shaper = std::make_unique<TMatrixShaper>();
  std::array<int64_t, 3> largest{kOne >> 1, kOne >> 1, kOne >> 1};  // of each row's sum
  const cmsTagSignature curves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
  for (int c = 0; c < 3; ++c) {
    const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile.get(), curves[c]));
    if (!curve) return nullptr;
    std::array<int32_t, 256> linear{};
    for (int i = 0; i < 256; ++i) {
      const double value = cmsEvalToneCurveFloat(curve, static_cast<float>(i / 255.0));
      if (!(value >= 0 && value <= 2)) return nullptr;
      linear[static_cast<size_t>(i)] = ToFixed(value);
    }
    const int32_t brightest = *std::max_element(linear.begin(), linear.end());
    for (int row = 0; row < 3; ++row) {
      const int32_t factor = matrix[static_cast<size_t>(row * 3 + c)];
      largest[static_cast<size_t>(row)] += int64_t{std::abs(factor)} * brightest;
      for (int i = 0; i < 256; ++i)
        shaper->m_contribution[static_cast<size_t>(c)][static_cast<size_t>(i)].to[row] =
            static_cast<int32_t>(int64_t{factor} * linear[static_cast<size_t>(i)] +
                                 (c == 0 ? kOne >> 1 : 0));
    }
  }
  // Every colour's sums must stay within 32 bits.
  if (*std::max_element(largest.begin(), largest.end()) > INT32_MAX) return nullptr;
  shaper->m_encode = SrgbEncoding();
  if (!shaper->m_encode) return nullptr;
  return shaper;
}

uint32_t TMatrixShaper::Encoded(int32_t sum) const {
  return (*m_encode)[static_cast<size_t>(std::clamp(sum >> kFractionBits, 0, kOne))];
}

void TMatrixShaper::Convert(TPixel32* pixels, size_t count) const {
  size_t i = 0;
#if FOTOLOOM_X86
  // Two pixels at a time, read and written as bytes (B, G, R, A in memory): each pixel's
  // three sums in one register, then the steps of linear light of both, clamped, side by
  // side as 16-bit values. Alpha is never written.
  auto* bytes = reinterpret_cast<uint8_t*>(pixels);
  const auto sums = [this](const uint8_t* bgra) {
    const auto load = [](const TContribution& c) {
      return _mm_load_si128(reinterpret_cast<const __m128i*>(c.to));
    };
    const __m128i sum = _mm_add_epi32(
        _mm_add_epi32(load(Contribution(0, bgra[2])), load(Contribution(1, bgra[1]))),
        load(Contribution(2, bgra[0])));
    return _mm_srai_epi32(sum, kFractionBits);
  };
  const __m128i zero = _mm_setzero_si128();
  const __m128i one = _mm_set1_epi16(kOne);
  alignas(16) uint16_t steps[8];
  const uint8_t* const encode = m_encode->data();
  for (; i + 2 <= count; i += 2) {
    uint8_t* const a = bytes + 4 * i;
    uint8_t* const b = a + 4;
    const __m128i both = _mm_packs_epi32(sums(a), sums(b));
    _mm_store_si128(reinterpret_cast<__m128i*>(steps),
                    _mm_min_epi16(_mm_max_epi16(both, zero), one));
    a[2] = encode[steps[0]], a[1] = encode[steps[1]], a[0] = encode[steps[2]];
    b[2] = encode[steps[4]], b[1] = encode[steps[5]], b[0] = encode[steps[6]];
  }
#endif
  for (; i < count; ++i) {
    const TPixel32 p = pixels[i];
    const TContribution& r = Contribution(0, PixelRed(p));
    const TContribution& g = Contribution(1, PixelGreen(p));
    const TContribution& b = Contribution(2, PixelBlue(p));
    pixels[i] = (p & 0xFF000000u) | Encoded(r.to[0] + g.to[0] + b.to[0]) << 16 |
                Encoded(r.to[1] + g.to[1] + b.to[1]) << 8 | Encoded(r.to[2] + g.to[2] + b.to[2]);
  }
}

}  // namespace fotoloom
