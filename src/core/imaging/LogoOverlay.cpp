#include "core/imaging/LogoOverlay.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "core/imaging/ColorProfile.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/ImageInfo.h"
#include "core/imaging/LoadPicture.h"

namespace fotoloom {
namespace {

constexpr int kLogoMargin = 10;
// Larger logos are decoded again for every photo rather than held for the whole process.
constexpr size_t kMaxCachedLogoBytes = 16'000'000;
constexpr int64_t kMaxCachedLogoPixels = 16'000'000;

// The last logo decoded and the file content it came from; a batch uses one logo for all
// its photos. The content, not the file's times, tells whether the logo changed: file
// times may not change when a file is rewritten quickly.
struct TLogoCache {
  std::mutex mutex;
  std::vector<uint8_t> content;
  std::shared_ptr<const TLogo> logo;
  bool filled = false;
};

TLogoCache& LogoCache() {
  static TLogoCache cache;
  return cache;
}

// Reads the rest of the file into `content`; false when it holds more than `limit` bytes.
bool ReadUpTo(TStream& file, size_t limit, std::vector<uint8_t>& content) {
  constexpr size_t kChunk = 64 * 1024;
  for (;;) {
    const size_t used = content.size();
    if (used > limit) return false;
    content.resize(used + kChunk);
    const size_t got = file.Read(content.data() + used, kChunk);
    content.resize(used + got);
    if (got == 0) return true;
  }
}

std::shared_ptr<const TLogo> DecodeLogo(TStream& file) {
  const TImageType type = GetImageInfo(file).ImageType;
  if (type == itNone) return nullptr;
  auto logo = std::make_shared<TLogo>();
  if (type == itPNG) {
    bool has_alpha = false;
    std::vector<uint8_t> icc_profile;
    LoadPNGWithAlpha(file, logo->picture, has_alpha, &icc_profile);
    ConvertToSrgb(logo->picture, icc_profile);
    logo->mode = has_alpha ? TLogoDrawMode::Blend : TLogoDrawMode::Opaque;
  } else {
    LoadPicture(file, type, logo->picture);
    logo->mode = TLogoDrawMode::Blend;
  }
  return logo;
}

uint8_t Mix(unsigned logo, unsigned canvas, unsigned weight) {
  constexpr unsigned kFull = 255 * 255;
  return static_cast<uint8_t>((logo * weight + canvas * (kFull - weight) + kFull / 2) / kFull);
}

}  // namespace

std::shared_ptr<const TLogo> LoadLogo(const std::string& LogoFile) {
  TFileStream file = TFileStream::OpenRead(LogoFile);
  std::vector<uint8_t> content;
  if (!ReadUpTo(file, kMaxCachedLogoBytes, content)) {
    file.Seek(0);
    return DecodeLogo(file);
  }
  TLogoCache& cache = LogoCache();
  {
    const std::lock_guard lock(cache.mutex);
    if (cache.filled && cache.content == content) return cache.logo;
  }
  TMemoryStream stream(content);
  std::shared_ptr<const TLogo> logo = DecodeLogo(stream);
  if (!logo || int64_t{logo->picture.Width()} * logo->picture.Height() <= kMaxCachedLogoPixels) {
    const std::lock_guard lock(cache.mutex);
    cache.content = std::move(content);
    cache.logo = logo;
    cache.filled = true;
  }
  return logo;
}

void DrawLogo(TBitmap32& canvas, const TLogo& logo, int LogoOpacity) {
  const TBitmap32& picture = logo.picture;
  const unsigned opacity = LogoOpacity >= 0 && LogoOpacity <= 255 ? LogoOpacity : 255;
  // The logo's top-left corner on the canvas, and the part of the logo that shows.
  const int64_t left = int64_t{canvas.Width()} - picture.Width() - kLogoMargin;
  const int64_t top = int64_t{canvas.Height()} - picture.Height() - kLogoMargin;
  const int x0 = static_cast<int>(std::max<int64_t>(0, -left));
  const int y0 = static_cast<int>(std::max<int64_t>(0, -top));
  const int x1 = static_cast<int>(std::min<int64_t>(picture.Width(), canvas.Width() - left));
  const int y1 = static_cast<int>(std::min<int64_t>(picture.Height(), canvas.Height() - top));
  for (int y = y0; y < y1; ++y) {
    const TPixel32* source = picture.Row(y);
    TPixel32* target = canvas.Row(static_cast<int>(top + y));
    for (int x = x0; x < x1; ++x) {
      const TPixel32 s = source[x];
      TPixel32& d = target[left + x];
      if (logo.mode == TLogoDrawMode::Opaque) {
        d = s | 0xFF000000u;
        continue;
      }
      const unsigned weight = PixelAlpha(s) * opacity;
      if (weight == 0) continue;
      d = MakePixel(Mix(PixelRed(s), PixelRed(d), weight),
                    Mix(PixelGreen(s), PixelGreen(d), weight),
                    Mix(PixelBlue(s), PixelBlue(d), weight), PixelAlpha(d));
    }
  }
}

}  // namespace fotoloom
