#include "core/imaging/codecs/Decoders.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/PictureLimits.h"
#include "core/imaging/PictureMemory.h"
#include "core/imaging/codecs/PictureRows.h"

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
constexpr TLinePass kInterlaced[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};

// The screen's rows: white, with the first image's lines drawn where they lie on the
// screen. A sequential image is decoded line by line as its rows are asked for. An
// interlaced one comes in four passes over its lines, so the part of it that lies on the
// screen is first decoded whole into a buffer of colour indexes, one byte per pixel.
class TGifRows : public TPictureRows {
 public:
  explicit TGifRows(TStream& stream) {
    m_source.stream = &stream;
    int error = D_GIF_SUCCEEDED;
    m_gif.reset(DGifOpen(&m_source, OnGifRead, &error));
    if (!m_gif) ThrowGifError(m_source, error);
    CheckPictureSize(m_gif->SWidth, m_gif->SHeight);
    // A picture without pixels would only fail later, further from its cause.
    if (m_gif->SWidth <= 0 || m_gif->SHeight <= 0) ThrowGifError(m_source, D_GIF_ERR_IMAGE_DEFECT);

    const int transparent = ReadUpToFirstImage(m_gif.get(), m_source);
    if (DGifGetImageDesc(m_gif.get()) == GIF_ERROR) ThrowGifError(m_source, m_gif->Error);
    // Without any colour map the pixels have no meaning: the file is treated as damaged.
    const ColorMapObject* map = m_gif->Image.ColorMap ? m_gif->Image.ColorMap : m_gif->SColorMap;
    if (!map) ThrowGifError(m_source, D_GIF_ERR_NO_COLOR_MAP);
    m_table = PixelTable(*map, transparent);

    const GifImageDesc& image = m_gif->Image;
    if (image.Width <= 0 || image.Height <= 0) return;
    m_visible_width = std::clamp(Width() - image.Left, 0, image.Width);
    m_line.resize(static_cast<size_t>(image.Width));
  }
  TGifRows(const TGifRows&) = delete;  // giflib holds the address of m_source
  TGifRows& operator=(const TGifRows&) = delete;
  int Width() const override { return m_gif->SWidth; }
  int Height() const override { return m_gif->SHeight; }

  void ReadRow(TPixel32* row) override {
    const GifImageDesc& image = m_gif->Image;
    const int y = m_next_row++ - image.Top;
    std::fill_n(row, Width(), kWhite);
    if (m_line.empty()) return;
    if (image.Interlace && !m_interlaced_read) DecodeInterlaced();
    if (y < 0 || y >= image.Height) return;
    const GifPixelType* line;
    if (image.Interlace) {
      line = m_interlaced.data() + static_cast<size_t>(y) * m_visible_width;
    } else {
      ReadLine();
      line = m_line.data();
    }
    if (m_visible_width == 0) return;
    TPixel32* out = row + image.Left;
    for (int x = 0; x < m_visible_width; ++x) out[x] = m_table[line[x]];
  }

 private:
  void ReadLine() {
    if (DGifGetLine(m_gif.get(), m_line.data(), m_gif->Image.Width) == GIF_ERROR) {
      ThrowGifError(m_source, m_gif->Error);
    }
  }

  // Decodes the passes in file order and keeps the lines that lie on the screen. The
  // buffer takes its share of the picture memory (a quarter of a picture of its size), and
  // a large one must be backed by data: few bytes cannot hold a real picture of that size.
  void DecodeInterlaced() {
    m_interlaced_read = true;
    const GifImageDesc& image = m_gif->Image;
    const int visible_height = std::clamp(Height() - image.Top, 0, image.Height);
    CheckPictureData(m_visible_width, visible_height, *m_source.stream);
    ReservePictureMemory(m_visible_width, (visible_height + 3) / 4);
    m_interlaced.resize(static_cast<size_t>(m_visible_width) * visible_height);
    for (const TLinePass& pass : kInterlaced) {
      for (int y = pass.first; y < image.Height; y += pass.step) {
        // Nothing after this line would land on the screen.
        if (y >= visible_height && &pass == &std::end(kInterlaced)[-1]) return;
        ReadLine();
        if (y < visible_height) {
          std::copy_n(m_line.data(), m_visible_width,
                      m_interlaced.data() + static_cast<size_t>(y) * m_visible_width);
        }
      }
    }
  }

  TGifSource m_source;
  TGifFile m_gif;
  std::array<TPixel32, 256> m_table;
  int m_visible_width = 0;
  std::vector<GifPixelType> m_line;        // one line of the image, empty when it has none
  std::vector<GifPixelType> m_interlaced;  // the visible part of an interlaced image
  bool m_interlaced_read = false;
  int m_next_row = 0;
};

}  // namespace

std::unique_ptr<TPictureRows> OpenGifRows(TStream& stream) {
  return std::make_unique<TGifRows>(stream);
}

void DecodeGif(TStream& stream, TBitmap32& bitmap) {
  ReadWholePicture(*OpenGifRows(stream), bitmap);
}

}  // namespace fotoloom
