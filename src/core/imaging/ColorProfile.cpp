#include "core/imaging/ColorProfile.h"

#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <list>
#include <mutex>

namespace fotoloom {
namespace {

using TProfileHandle = std::unique_ptr<void, decltype(&cmsCloseProfile)>;

TProfileHandle OpenProfile(const std::vector<uint8_t>& bytes) {
  return {bytes.empty()
              ? nullptr
              : cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())),
          &cmsCloseProfile};
}

// One LittleCMS transform, shared by threads: made without LittleCMS's one-pixel cache,
// which is the only state a transform changes while it runs.
struct TTransform {
  cmsHTRANSFORM handle = nullptr;
  explicit TTransform(cmsHTRANSFORM h) : handle(h) {}
  ~TTransform() {
    if (handle) cmsDeleteTransform(handle);
  }
  TTransform(const TTransform&) = delete;
  TTransform& operator=(const TTransform&) = delete;
};

// The way of a matrix-shaper profile (as phones and cameras embed: Display P3, Adobe RGB) to
// sRGB in tables: its curves to linear light, one 3x3 matrix, and sRGB's curve back. The
// same arithmetic as LittleCMS's transform, at a fraction of its cost per pixel; results
// differ from it by one step at most, where the two round differently.
struct TMatrixShaper {
  static constexpr int kEncodeSteps = 16384;
  std::array<std::array<float, 256>, 3> linear{};  // per channel, from the profile's curves
  std::array<float, 9> matrix{};                    // linear RGB to linear sRGB, rows
  std::vector<uint8_t> encode;                      // linear [0, 1] in kEncodeSteps to sRGB

  void Convert(TPixel32* pixels, size_t count) const {
    const uint8_t* const table = encode.data();
    const auto encoded = [table](float value) {
      const int step = static_cast<int>(value * kEncodeSteps + 0.5f);
      return static_cast<uint32_t>(table[std::clamp(step, 0, kEncodeSteps)]);
    };
    for (size_t i = 0; i < count; ++i) {
      const TPixel32 p = pixels[i];
      const float r = linear[0][PixelRed(p)], g = linear[1][PixelGreen(p)],
                  b = linear[2][PixelBlue(p)];
      const uint32_t out_r = encoded(matrix[0] * r + matrix[1] * g + matrix[2] * b);
      const uint32_t out_g = encoded(matrix[3] * r + matrix[4] * g + matrix[5] * b);
      const uint32_t out_b = encoded(matrix[6] * r + matrix[7] * g + matrix[8] * b);
      pixels[i] = (p & 0xFF000000u) | out_r << 16 | out_g << 8 | out_b;
    }
  }
};

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

// Real profiles' curves stay within [0, 1] and their matrices to sRGB within about [-1, 2].
// A crafted profile (colorants of thousands, a curve to infinity) would take Convert's table
// index out of the range of int: it goes through LittleCMS's own transform instead.
constexpr double kMaxMatrixEntry = 16;

std::unique_ptr<TMatrixShaper> MakeMatrixShaper(const std::vector<uint8_t>& bytes) {
  TProfileHandle profile = OpenProfile(bytes);
  if (!profile || cmsGetColorSpace(profile.get()) != cmsSigRgbData ||
      !cmsIsMatrixShaper(profile.get()))
    return nullptr;
  TProfileHandle srgb(cmsCreate_sRGBProfile(), &cmsCloseProfile);
  std::array<double, 9> from{}, to{}, to_inverse{};
  if (!Colorants(profile.get(), from) || !Colorants(srgb.get(), to) || !Invert(to, to_inverse))
    return nullptr;
  auto shaper = std::make_unique<TMatrixShaper>();
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column) {
      double sum = 0;
      for (int k = 0; k < 3; ++k) sum += to_inverse[row * 3 + k] * from[k * 3 + column];
      if (!(std::abs(sum) <= kMaxMatrixEntry)) return nullptr;
      shaper->matrix[row * 3 + column] = static_cast<float>(sum);
    }
  const cmsTagSignature curves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
  for (int c = 0; c < 3; ++c) {
    const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile.get(), curves[c]));
    if (!curve) return nullptr;
    for (int i = 0; i < 256; ++i) {
      const float value = cmsEvalToneCurveFloat(curve, static_cast<float>(i) / 255.0f);
      if (!(value >= -1.0f && value <= 2.0f)) return nullptr;
      shaper->linear[c][i] = value;
    }
  }
  const auto* srgb_curve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb.get(), cmsSigRedTRCTag));
  if (!srgb_curve) return nullptr;
  const std::unique_ptr<cmsToneCurve, decltype(&cmsFreeToneCurve)> reverse(
      cmsReverseToneCurve(srgb_curve), &cmsFreeToneCurve);
  if (!reverse) return nullptr;
  shaper->encode.resize(TMatrixShaper::kEncodeSteps + 1);
  for (int i = 0; i <= TMatrixShaper::kEncodeSteps; ++i) {
    const float value = cmsEvalToneCurveFloat(
        reverse.get(), static_cast<float>(i) / TMatrixShaper::kEncodeSteps);
    shaper->encode[static_cast<size_t>(i)] =
        static_cast<uint8_t>(std::clamp(std::lround(value * 255.0f), 0L, 255L));
  }
  return shaper;
}

// How a picture with a given profile reaches sRGB: through the tables of a matrix-shaper
// profile, through the transform of its RGB pixels, or for a grey profile through the sRGB
// pixel of each grey level.
struct TSrgbConversion {
  std::unique_ptr<TMatrixShaper> matrix;
  std::unique_ptr<TTransform> rgb;
  std::vector<TPixel32> grey;
  std::shared_ptr<const TTransform> cmyk;
};

std::unique_ptr<TTransform> MakeTransform(const std::vector<uint8_t>& bytes,
                                          cmsColorSpaceSignature space, cmsUInt32Number in_format,
                                          cmsUInt32Number out_format, cmsUInt32Number flags) {
  TProfileHandle profile = OpenProfile(bytes);
  if (!profile || cmsGetColorSpace(profile.get()) != space) return nullptr;
  TProfileHandle srgb(cmsCreate_sRGBProfile(), &cmsCloseProfile);
  cmsHTRANSFORM handle = cmsCreateTransform(profile.get(), in_format, srgb.get(), out_format,
                                            INTENT_PERCEPTUAL, flags | cmsFLAGS_NOCACHE);
  return handle ? std::make_unique<TTransform>(handle) : nullptr;
}

bool WithinOneStep(int a, int b) {
  return std::abs(a - b) <= 1;
}

// True when the transform moves no colour of a coarse grid by more than one step: then the
// profile is sRGB in all but name and the picture stays exactly as decoded.
bool IsNearIdentity(const TTransform& transform) {
  std::vector<TPixel32> grid;
  for (int r = 0; r < 256; r += 17)
    for (int g = 0; g < 256; g += 17)
      for (int b = 0; b < 256; b += 17) grid.push_back(MakePixel(r, g, b));
  std::vector<TPixel32> out(grid.size());
  cmsDoTransform(transform.handle, grid.data(), out.data(),
                 static_cast<cmsUInt32Number>(grid.size()));
  for (size_t i = 0; i < grid.size(); ++i) {
    if (!WithinOneStep(PixelRed(grid[i]), PixelRed(out[i])) ||
        !WithinOneStep(PixelGreen(grid[i]), PixelGreen(out[i])) ||
        !WithinOneStep(PixelBlue(grid[i]), PixelBlue(out[i])))
      return false;
  }
  return true;
}

std::vector<TPixel32> GreyLevels(const std::vector<uint8_t>& bytes) {
  const auto transform = MakeTransform(bytes, cmsSigGrayData, TYPE_GRAY_8, TYPE_BGRA_8, 0);
  if (!transform) return {};
  uint8_t levels[256];
  for (int i = 0; i < 256; ++i) levels[i] = static_cast<uint8_t>(i);
  std::vector<TPixel32> pixels(256);
  cmsDoTransform(transform->handle, levels, pixels.data(), 256);
  bool identity = true;
  for (int i = 0; i < 256; ++i) {
    pixels[i] |= 0xFF000000u;
    identity = identity && WithinOneStep(PixelRed(pixels[i]), i) &&
               WithinOneStep(PixelGreen(pixels[i]), i) && WithinOneStep(PixelBlue(pixels[i]), i);
  }
  return identity ? std::vector<TPixel32>{} : pixels;
}

// Photos of one batch nearly always share a few profiles, and making a transform costs more
// than applying it to a small picture: the last few conversions are kept.
struct TCacheEntry {
  std::vector<uint8_t> profile;
  int kind;
  std::shared_ptr<const TSrgbConversion> conversion;  // null: nothing to do
};

enum { kRgbOrGrey = 0 };  // CMYK kinds are 1 + inverted + 2 * (bytes_per_pixel == 4)

std::shared_ptr<const TSrgbConversion> CachedConversion(const std::vector<uint8_t>& profile,
                                                        int kind) {
  static std::mutex mutex;
  static std::list<TCacheEntry> cache;
  constexpr size_t kCacheSize = 8;
  {
    std::lock_guard lock(mutex);
    for (auto it = cache.begin(); it != cache.end(); ++it) {
      if (it->kind == kind && it->profile == profile) {
        cache.splice(cache.begin(), cache, it);
        return it->conversion;
      }
    }
  }
  auto conversion = std::make_shared<TSrgbConversion>();
  if (kind == kRgbOrGrey) {
    conversion->rgb =
        MakeTransform(profile, cmsSigRgbData, TYPE_BGRA_8, TYPE_BGRA_8, cmsFLAGS_COPY_ALPHA);
    if (conversion->rgb && IsNearIdentity(*conversion->rgb)) {
      conversion->rgb.reset();
    } else if (conversion->rgb) {
      conversion->matrix = MakeMatrixShaper(profile);
    }
    if (!conversion->rgb) conversion->grey = GreyLevels(profile);
    if (!conversion->rgb && conversion->grey.empty()) conversion.reset();
  } else {
    const bool inverted = (kind - 1) & 1;
    const bool with_alpha = (kind - 1) & 2;
    conversion->cmyk =
        MakeTransform(profile, cmsSigCmykData, inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8,
                      with_alpha ? TYPE_BGRA_8 : TYPE_BGR_8, 0);
    if (!conversion->cmyk) conversion.reset();
  }
  std::lock_guard lock(mutex);
  cache.push_front({profile, kind, conversion});
  if (cache.size() > kCacheSize) cache.pop_back();
  return conversion;
}

class TLcmsCmykToSrgb : public TCmykToSrgb {
 public:
  TLcmsCmykToSrgb(std::shared_ptr<const TSrgbConversion> conversion, int bytes_per_pixel)
      : m_conversion(std::move(conversion)), m_bytes_per_pixel(bytes_per_pixel) {}
  void Convert(const uint8_t* cmyk, uint8_t* out, size_t pixels) const override {
    cmsDoTransform(m_conversion->cmyk->handle, cmyk, out, static_cast<cmsUInt32Number>(pixels));
    if (m_bytes_per_pixel == 4) {
      for (size_t i = 0; i < pixels; ++i) out[4 * i + 3] = 255;
    }
  }

 private:
  std::shared_ptr<const TSrgbConversion> m_conversion;
  int m_bytes_per_pixel;
};

// LittleCMS's transform of the pixels in place, each colour transformed once: photos repeat
// many of their colours, and a look-up costs a fraction of LittleCMS's work per pixel. The
// colours are remembered in a small table by hash, the last one in each slot.
void TransformRemembering(const TTransform& transform, TPixel32* pixels, size_t count) {
  constexpr int kBits = 16;
  constexpr size_t kChunk = 4096;
  // Each slot holds a colour in its high half and its result in the low one; a colour has
  // no alpha, so the empty mark never matches.
  std::vector<uint64_t> remembered(size_t{1} << kBits, ~uint64_t{0});
  const auto slot = [](uint32_t colour) { return (colour * 2654435761u) >> (32 - kBits); };
  std::vector<TPixel32> new_colours, results;
  std::vector<size_t> new_at;
  for (size_t start = 0; start < count; start += kChunk) {
    const size_t end = std::min(count, start + kChunk);
    new_colours.clear();
    new_at.clear();
    for (size_t i = start; i < end; ++i) {
      const uint32_t colour = pixels[i] & 0x00FFFFFFu;
      const uint64_t entry = remembered[slot(colour)];
      if (entry >> 32 == colour) {
        pixels[i] = (static_cast<uint32_t>(entry) & 0x00FFFFFFu) | (pixels[i] & 0xFF000000u);
      } else {
        new_colours.push_back(pixels[i]);
        new_at.push_back(i);
      }
    }
    results.resize(new_colours.size());
    cmsDoTransform(transform.handle, new_colours.data(), results.data(),
                   static_cast<cmsUInt32Number>(new_colours.size()));
    for (size_t k = 0; k < new_colours.size(); ++k) {
      pixels[new_at[k]] = results[k];
      const uint32_t colour = new_colours[k] & 0x00FFFFFFu;
      remembered[slot(colour)] = uint64_t{colour} << 32 | results[k];
    }
  }
}

}  // namespace

void ConvertToSrgb(TBitmap32& picture, const std::vector<uint8_t>& icc_profile) {
  if (icc_profile.empty() || picture.Empty()) return;
  const auto conversion = CachedConversion(icc_profile, kRgbOrGrey);
  if (!conversion) return;
  TPixel32* pixels = picture.Bits();
  const size_t count = static_cast<size_t>(picture.Width()) * picture.Height();
  if (conversion->matrix) {
    conversion->matrix->Convert(pixels, count);
    return;
  }
  if (conversion->rgb) {
    TransformRemembering(*conversion->rgb, pixels, count);
    return;
  }
  // The decoders give grey pictures as equal R, G and B.
  for (size_t i = 0; i < count; ++i)
    pixels[i] = (conversion->grey[PixelGreen(pixels[i])] & 0x00FFFFFFu) | (pixels[i] & 0xFF000000u);
}

std::shared_ptr<const TCmykToSrgb> CmykToSrgb(const std::vector<uint8_t>& icc_profile,
                                              bool inverted, int bytes_per_pixel) {
  if (icc_profile.empty()) return nullptr;
  auto conversion =
      CachedConversion(icc_profile, 1 + (inverted ? 1 : 0) + (bytes_per_pixel == 4 ? 2 : 0));
  if (!conversion) return nullptr;
  return std::make_shared<TLcmsCmykToSrgb>(std::move(conversion), bytes_per_pixel);
}

}  // namespace fotoloom
