#include "core/imaging/ColorProfile.h"

#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <list>
#include <mutex>

#include "core/imaging/MatrixShaper.h"

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

// How a picture with a given profile reaches sRGB: through the tables of a matrix-shaper
// profile, through the transform of its RGB pixels, or for a grey profile through the sRGB
// pixel of each grey level.
struct TSrgbConversion {
  std::unique_ptr<const TMatrixShaper> matrix;
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

// True when `convert` (in place) moves no colour of a coarse grid by more than one step:
// then the profile is sRGB in all but name and the picture stays exactly as decoded.
template <typename TConvert>
bool IsNearIdentity(TConvert convert) {
  std::vector<TPixel32> grid;
  for (int r = 0; r < 256; r += 17)
    for (int g = 0; g < 256; g += 17)
      for (int b = 0; b < 256; b += 17) grid.push_back(MakePixel(r, g, b));
  std::vector<TPixel32> out = grid;
  convert(out.data(), out.size());
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
    // The tables of a matrix-shaper profile give LittleCMS's result without its transform,
    // which takes several times longer to make.
    conversion->matrix = TMatrixShaper::FromProfile(profile);
    if (!conversion->matrix) {
      conversion->rgb =
          MakeTransform(profile, cmsSigRgbData, TYPE_BGRA_8, TYPE_BGRA_8, cmsFLAGS_COPY_ALPHA);
    }
    const bool near_identity = IsNearIdentity([&](TPixel32* pixels, size_t count) {
      if (conversion->matrix) {
        conversion->matrix->Convert(pixels, count);
      } else if (conversion->rgb) {
        const std::vector<TPixel32> in(pixels, pixels + count);
        cmsDoTransform(conversion->rgb->handle, in.data(), pixels,
                       static_cast<cmsUInt32Number>(count));
      }
    });
    if (near_identity) {
      conversion->matrix.reset();
      conversion->rgb.reset();
      conversion->grey = GreyLevels(profile);
      if (conversion->grey.empty()) conversion.reset();
    }
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
