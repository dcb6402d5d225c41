#include "core/imaging/codecs/Decoders.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/PictureMemory.h"

namespace fotoloom {
namespace {

constexpr TPixel32 kWhite = MakePixel(255, 255, 255);
constexpr TPixel32 kBlack = MakePixel(0, 0, 0);

struct TGifSource {
  TStream* stream = nullptr;
  std::exception_ptr stream_error;  // the stream's own exception, carried past giflib
};

// The one place where a giflib failure becomes our error.
[[noreturn]] void ThrowGifError(const TGifSource& source, int code) {
  if (source.stream_error) std::rethrow_exception(source.stream_error);
  const char* text = GifErrorString(code);
  throw Error(std::string("GIF error: ") + (text ? text : "Unknown error"));
}

// Exceptions must not unwind through giflib's C frames: the stream's are kept for later.
int OnGifRead(GifFileType* gif, GifByteType* data, int length) {
  auto* source = static_cast<TGifSource*>(gif->UserData);
  if (length <= 0) return 0;
  try {
    return static_cast<int>(source->stream->ReadZeroFilled(data, static_cast<size_t>(length)));
  } catch (...) {
    source->stream_error = std::current_exception();
    return 0;
  }
}

struct TGifCloser {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using TGifFile = std::unique_ptr<GifFileType, TGifCloser>;

// Reads the records up to the first image descriptor, leaving the rest of the file (further
// frames of an animation) unread. Returns the transparent index of the Graphics Control
// Extension before the image, or NO_TRANSPARENT_COLOR.
int ReadUpToFirstImage(GifFileType* gif, const TGifSource& source) {
  int transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &record) == GIF_ERROR) ThrowGifError(source, gif->Error);
    if (record == IMAGE_DESC_RECORD_TYPE) return transparent;
    if (record == TERMINATE_RECORD_TYPE) ThrowGifError(source, D_GIF_ERR_NO_IMAG_DSCR);
    if (record != EXTENSION_RECORD_TYPE) continue;

    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) ThrowGifError(source, gif->Error);
    GraphicsControlBlock control;
    if (code == GRAPHICS_EXT_FUNC_CODE && block &&
        DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
      transparent = control.TransparentColor;
    }
    while (block) {
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) ThrowGifError(source, gif->Error);
    }
  }
}

// The pixel of each of the 256 possible indexes: the map's colours, black past its end,
// white for the transparent index.
std::array<TPixel32, 256> PixelTable(const ColorMapObject& map, int transparent) {
  std::array<TPixel32, 256> table;
  table.fill(kBlack);
  const int count = std::clamp(map.ColorCount, 0, 256);
  for (int i = 0; i < count; ++i) {
    table[i] = MakePixel(map.Colors[i].Red, map.Colors[i].Green, map.Colors[i].Blue);
  }
  if (transparent >= 0 && transparent < 256) table[transparent] = kWhite;
  return table;
}

struct TLinePass {
  int first;
  int step;
};
constexpr TLinePass kSequential[] = {{0, 1}};
constexpr TLinePass kInterlaced[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};

// Decodes the image's lines in file order and draws the part that lies on the screen.
void DrawImageLines(GifFileType* gif, const TGifSource& source,
                    const std::array<TPixel32, 256>& table, TBitmap32& bitmap) {
  const GifImageDesc& image = gif->Image;
  if (image.Width <= 0 || image.Height <= 0) return;
  std::vector<GifPixelType> line(static_cast<size_t>(image.Width));
  const int visible_width = std::clamp(bitmap.Width() - image.Left, 0, image.Width);
  const std::span<const TLinePass> passes =
      image.Interlace ? std::span<const TLinePass>(kInterlaced) : kSequential;
  for (const TLinePass& pass : passes) {
    for (int y = pass.first; y < image.Height; y += pass.step) {
      const int row = image.Top + y;
      // Nothing after this line would land on the screen.
      if (row >= bitmap.Height() && &pass == &passes.back()) return;
      if (DGifGetLine(gif, line.data(), image.Width) == GIF_ERROR) {
        ThrowGifError(source, gif->Error);
      }
      if (row >= bitmap.Height() || visible_width == 0) continue;
      TPixel32* out = bitmap.Row(row) + image.Left;
      for (int x = 0; x < visible_width; ++x) out[x] = table[line[x]];
    }
  }
}

}  // namespace

void DecodeGif(TStream& stream, TBitmap32& bitmap) {
  TGifSource source;
  source.stream = &stream;
  int error = D_GIF_SUCCEEDED;
  const TGifFile gif(DGifOpen(&source, OnGifRead, &error));
  if (!gif) ThrowGifError(source, error);
  ReservePictureMemory(gif->SWidth, gif->SHeight);
  // A picture without pixels would only fail later, further from its cause.
  if (gif->SWidth <= 0 || gif->SHeight <= 0) ThrowGifError(source, D_GIF_ERR_IMAGE_DEFECT);

  const int transparent = ReadUpToFirstImage(gif.get(), source);
  if (DGifGetImageDesc(gif.get()) == GIF_ERROR) ThrowGifError(source, gif->Error);
  // Without any colour map the pixels have no meaning: the file is treated as damaged.
  const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
  if (!map) ThrowGifError(source, D_GIF_ERR_NO_COLOR_MAP);

  bitmap.SetSize(gif->SWidth, gif->SHeight);
  bitmap.Fill(kWhite);
  DrawImageLines(gif.get(), source, PixelTable(*map, transparent), bitmap);
}

}  // namespace fotoloom
