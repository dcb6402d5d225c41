#include "core/imaging/codecs/GifWriter.h"

#include <gif_lib.h>

#include <memory>
#include <new>
#include <string>
#include <unordered_map>

#include "core/base/Error.h"

namespace fotoloom {
namespace {

constexpr size_t kMaxGifColors = 256;

[[noreturn]] void ThrowGifWriteError(int code) {
  const char* text = GifErrorString(code);
  throw Error(std::string("GIF error: ") + (text ? text : "Unknown error"));
}

// giflib's output into a vector; no exception may unwind through giflib's C frames.
int OnGifWrite(GifFileType* gif, const GifByteType* data, int length) {
  auto* bytes = static_cast<std::vector<uint8_t>*>(gif->UserData);
  try {
    bytes->insert(bytes->end(), data, data + length);
    return length;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

struct TMapFree {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
struct TGifClose {
  void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};

}  // namespace

std::optional<std::vector<uint8_t>> EncodeGif(const TBitmap32& picture) {
  // Index every pixel; photos have long runs of one colour, so the last one is remembered.
  std::unordered_map<TPixel32, GifPixelType> index_of;
  index_of.reserve(2 * kMaxGifColors);
  std::vector<GifColorType> colors;
  std::vector<GifPixelType> indexes(static_cast<size_t>(picture.Width()) * picture.Height());
  TPixel32 last_color = 0xFFFFFFFFu;  // no colour: alpha is masked off below
  GifPixelType last_index = 0;
  for (size_t i = 0; i < indexes.size(); ++i) {
    const TPixel32 color = picture.Bits()[i] & 0xFFFFFFu;
    if (color != last_color) {
      auto [it, added] = index_of.try_emplace(color, static_cast<GifPixelType>(colors.size()));
      if (added) {
        if (colors.size() == kMaxGifColors) return std::nullopt;
        colors.push_back({PixelRed(color), PixelGreen(color), PixelBlue(color)});
      }
      last_color = color;
      last_index = it->second;
    }
    indexes[i] = last_index;
  }

  // giflib takes colour maps of 2, 4, ..., 256 entries; the unused ones stay black.
  int map_size = 2;
  while (map_size < static_cast<int>(colors.size())) map_size *= 2;
  colors.resize(static_cast<size_t>(map_size), GifColorType{0, 0, 0});
  const std::unique_ptr<ColorMapObject, TMapFree> map(GifMakeMapObject(map_size, colors.data()));
  if (!map) throw std::bad_alloc();

  std::vector<uint8_t> bytes;
  int error = E_GIF_SUCCEEDED;
  std::unique_ptr<GifFileType, TGifClose> gif(EGifOpen(&bytes, OnGifWrite, &error));
  if (!gif) ThrowGifWriteError(error);
  if (EGifPutScreenDesc(gif.get(), picture.Width(), picture.Height(), map->BitsPerPixel, 0,
                        map.get()) == GIF_ERROR ||
      EGifPutImageDesc(gif.get(), 0, 0, picture.Width(), picture.Height(), false, nullptr) ==
          GIF_ERROR) {
    ThrowGifWriteError(gif->Error);
  }
  for (int y = 0; y < picture.Height(); ++y) {
    GifPixelType* line = indexes.data() + static_cast<size_t>(y) * picture.Width();
    if (EGifPutLine(gif.get(), line, picture.Width()) == GIF_ERROR) {
      ThrowGifWriteError(gif->Error);
    }
  }
  // Closing writes the trailer, so its failure counts.
  if (EGifCloseFile(gif.release(), &error) == GIF_ERROR) ThrowGifWriteError(error);
  return bytes;
}

}  // namespace fotoloom
