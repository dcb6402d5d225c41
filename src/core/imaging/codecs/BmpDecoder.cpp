// Our own BMP reader (replaces the platform's bitmap reader): core (OS/2) and Windows
// information headers up to V5; 1, 4, 8 bit with a palette, 16 and 32 bit with default
// or bit-field masks, 24 bit; RLE4 and RLE8; bottom-up and top-down storage.
//
// Every header field is untrusted: the picture size passes ReservePictureMemory before any
// allocation, row sizes are computed in size_t, offsets are taken relative to the stream
// position where the BMP starts, and all reads go through bounded buffers.
#include "core/imaging/codecs/Decoders.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/PictureMemory.h"

namespace fotoloom {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;  // Windows CE: four masks after a 40-byte header

constexpr int64_t kFileHeaderSize = 14;
constexpr TPixel32 kBlack = MakePixel(0, 0, 0);

[[noreturn]] void Invalid() {
  throw Error("Bitmap image is not valid");
}

uint16_t Word(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Long(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void ReadExact(TStream& stream, void* buffer, size_t count) {
  if (stream.ReadZeroFilled(buffer, count) != count) Invalid();
}

// One colour channel of a bit-field pixel, scaled to 8 bits through a table (a 5-bit 31
// becomes 255). Channels wider than 16 bits drop their lowest bits first.
class TChannel {
 public:
  explicit TChannel(uint32_t mask) : m_mask(mask) {
    if (mask == 0) {
      m_table.assign(1, 0);
      return;
    }
    m_shift = std::countr_zero(mask);
    int bits = std::bit_width(mask >> m_shift);
    m_drop = bits > 16 ? bits - 16 : 0;
    bits -= m_drop;
    const uint32_t max = (uint32_t{1} << bits) - 1;
    m_table.resize(size_t{max} + 1);
    for (uint32_t v = 0; v <= max; ++v)
      m_table[v] = static_cast<uint8_t>((v * 255 + max / 2) / max);
  }
  uint8_t operator()(uint32_t pixel) const {
    return m_table[((pixel & m_mask) >> m_shift) >> m_drop];
  }

 private:
  uint32_t m_mask;
  int m_shift = 0;
  int m_drop = 0;
  std::vector<uint8_t> m_table;
};

struct TBmpHeader {
  int width = 0;
  int height = 0;  // rows, always positive
  bool top_down = false;
  int bpp = 0;
  uint32_t compression = kBiRgb;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue
  uint32_t data_offset = 0;       // bfOffBits, from the start of the BMP
  TPixel32 palette[256];          // entries the file does not give are black
};

// Reads the file header, the information header, the masks and the palette; leaves the
// stream somewhere before the pixel data.
TBmpHeader ReadHeader(TStream& stream) {
  TBmpHeader h;
  uint8_t file[kFileHeaderSize];
  ReadExact(stream, file, sizeof file);
  if (file[0] != 'B' || file[1] != 'M') Invalid();
  h.data_offset = Long(file + 10);

  uint8_t info[124];
  ReadExact(stream, info, 4);
  const uint32_t info_size = Long(info);
  switch (info_size) {
    case 12:
    case 40:
    case 52:
    case 56:
    case 108:
    case 124:
      break;
    default:
      Invalid();
  }
  ReadExact(stream, info + 4, info_size - 4);
  int64_t headers_end = kFileHeaderSize + info_size;

  int64_t width;
  int64_t height;
  uint32_t colors_used = 0;
  size_t entry_size = 4;
  if (info_size == 12) {  // BITMAPCOREHEADER: 16-bit unsigned sizes, 3-byte palette entries
    width = Word(info + 4);
    height = Word(info + 6);
    h.bpp = Word(info + 10);
    entry_size = 3;
    if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 24) Invalid();
  } else {
    width = static_cast<int32_t>(Long(info + 4));
    height = static_cast<int32_t>(Long(info + 8));
    h.bpp = Word(info + 14);
    h.compression = Long(info + 16);
    colors_used = Long(info + 32);
  }
  if (width <= 0 || height == 0) Invalid();
  h.top_down = height < 0;
  if (h.top_down) height = -height;  // int64_t: no overflow for INT32_MIN

  bool valid = false;
  switch (h.compression) {
    case kBiRgb:
      valid = h.bpp == 1 || h.bpp == 4 || h.bpp == 8 || h.bpp == 16 || h.bpp == 24 || h.bpp == 32;
      break;
    case kBiRle8:
      valid = h.bpp == 8 && !h.top_down;
      break;
    case kBiRle4:
      valid = h.bpp == 4 && !h.top_down;
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      valid = h.bpp == 16 || h.bpp == 32;
      break;
    default:
      break;  // BI_JPEG, BI_PNG, CMYK variants and unknown values
  }
  if (!valid) Invalid();

  if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
    const uint8_t* masks = info + 40;
    uint8_t extra[16];
    if (info_size == 40) {  // the masks follow the header
      const size_t count = h.compression == kBiAlphaBitfields ? 16 : 12;
      ReadExact(stream, extra, count);
      headers_end += static_cast<int64_t>(count);
      masks = extra;
    }
    for (int i = 0; i < 3; ++i) h.masks[i] = Long(masks + 4 * i);
  } else if (h.bpp == 16) {
    h.masks[0] = 0x7C00;
    h.masks[1] = 0x03E0;
    h.masks[2] = 0x001F;
  } else if (h.bpp == 32) {
    h.masks[0] = 0xFF0000;
    h.masks[1] = 0x00FF00;
    h.masks[2] = 0x0000FF;
  }

  if (h.data_offset < headers_end) Invalid();
  std::fill(std::begin(h.palette), std::end(h.palette), kBlack);
  if (h.bpp <= 8) {
    const uint32_t max_entries = uint32_t{1} << h.bpp;
    size_t count = colors_used == 0 ? max_entries : std::min(colors_used, max_entries);
    // A palette never reaches into the pixel data.
    count = std::min(count, static_cast<size_t>(h.data_offset - headers_end) / entry_size);
    uint8_t entries[256 * 4];
    ReadExact(stream, entries, count * entry_size);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* e = entries + i * entry_size;
      h.palette[i] = MakePixel(e[2], e[1], e[0]);
    }
  }

  ReservePictureMemory(width, height);
  h.width = static_cast<int>(width);
  h.height = static_cast<int>(height);
  return h;
}

// Turns one stored row into pixels; the row holds at least the row's pixel bytes.
class TRowConverter {
 public:
  explicit TRowConverter(const TBmpHeader& h)
      : m_h(h), m_red(h.masks[0]), m_green(h.masks[1]), m_blue(h.masks[2]) {
    m_plain32 =
        h.bpp == 32 && h.masks[0] == 0xFF0000 && h.masks[1] == 0x00FF00 && h.masks[2] == 0x0000FF;
  }

  void operator()(const uint8_t* src, TPixel32* dst) const {
    const int w = m_h.width;
    const TPixel32* pal = m_h.palette;
    switch (m_h.bpp) {
      case 1:
        for (int x = 0; x < w; ++x) dst[x] = pal[(src[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case 4:
        for (int x = 0; x < w; ++x) {
          const uint8_t b = src[x >> 1];
          dst[x] = pal[(x & 1) ? (b & 0x0F) : (b >> 4)];
        }
        break;
      case 8:
        for (int x = 0; x < w; ++x) dst[x] = pal[src[x]];
        break;
      case 16:
        for (int x = 0; x < w; ++x) {
          const uint32_t v = Word(src + 2 * x);
          dst[x] = MakePixel(m_red(v), m_green(v), m_blue(v));
        }
        break;
      case 24:
        for (int x = 0; x < w; ++x, src += 3) dst[x] = MakePixel(src[2], src[1], src[0]);
        break;
      case 32:
        if (m_plain32) {
          for (int x = 0; x < w; ++x, src += 4) dst[x] = MakePixel(src[2], src[1], src[0]);
        } else {
          for (int x = 0; x < w; ++x) {
            const uint32_t v = Long(src + 4 * x);
            dst[x] = MakePixel(m_red(v), m_green(v), m_blue(v));
          }
        }
        break;
      default:
        Invalid();
    }
  }

 private:
  const TBmpHeader& m_h;
  TChannel m_red;
  TChannel m_green;
  TChannel m_blue;
  bool m_plain32 = false;
};

void DecodeUncompressed(TStream& stream, int64_t data_start, const TBmpHeader& h,
                        TBitmap32& result) {
  const size_t bits = static_cast<size_t>(h.width) * static_cast<size_t>(h.bpp);
  const size_t row_bytes = (bits + 31) / 32 * 4;
  const size_t pixel_bytes = (bits + 7) / 8;  // the last row may lack its padding
  // The last byte the picture needs must exist before the picture is allocated.
  const int64_t last = data_start + static_cast<int64_t>(row_bytes) * (h.height - 1) +
                       static_cast<int64_t>(pixel_bytes) - 1;
  stream.Seek(last);
  uint8_t probe;
  if (stream.Read(&probe, 1) != 1) Invalid();
  stream.Seek(data_start);

  result.SetSize(h.width, h.height);
  const TRowConverter convert(h);
  std::vector<uint8_t> row(row_bytes);
  for (int i = 0; i < h.height; ++i) {
    if (stream.ReadZeroFilled(row.data(), row_bytes) < pixel_bytes) Invalid();
    convert(row.data(), result.Row(h.top_down ? i : h.height - 1 - i));
  }
}

// The RLE data through a bounded buffer, read chunk by chunk from the stream.
class TByteReader {
 public:
  explicit TByteReader(TStream& stream) : m_stream(stream), m_buffer(64 * 1024) {}
  bool Next(uint8_t& value) {
    if (m_pos == m_len) {
      m_len = m_stream.Read(m_buffer.data(), m_buffer.size());
      m_pos = 0;
      if (m_len == 0) return false;
    }
    value = m_buffer[m_pos++];
    return true;
  }
  uint8_t Need() {
    uint8_t value;
    if (!Next(value)) Invalid();
    return value;
  }

 private:
  TStream& m_stream;
  std::vector<uint8_t> m_buffer;
  size_t m_pos = 0;
  size_t m_len = 0;
};

// RLE8 and RLE4, always bottom-up. Pixels the data never sets stay black.
void DecodeRle(TStream& stream, int64_t data_start, const TBmpHeader& h, TBitmap32& result) {
  const bool rle4 = h.compression == kBiRle4;
  const TPixel32* pal = h.palette;
  const int64_t w = h.width;
  const int64_t ht = h.height;
  stream.Seek(data_start);
  TByteReader in(stream);
  uint8_t first;
  if (!in.Next(first)) Invalid();  // no data at all: refuse before allocating

  result.SetSize(h.width, h.height);
  result.Fill(kBlack);
  int64_t x = 0;
  int64_t y = 0;  // counted from the bottom row
  bool have_first = true;
  for (;;) {
    uint8_t count;
    if (have_first) {
      count = first;
      have_first = false;
    } else if (!in.Next(count)) {
      if (y >= ht) break;  // every row ended, only the end-of-bitmap mark is missing
      Invalid();
    }
    const uint8_t code = in.Need();
    if (count != 0) {  // encoded run: `count` pixels of one index (RLE4: two alternating)
      if (y >= ht || x + count > w) Invalid();
      TPixel32* out = result.Row(static_cast<int>(ht - 1 - y)) + x;
      if (rle4) {
        const TPixel32 even = pal[code >> 4];
        const TPixel32 odd = pal[code & 0x0F];
        for (int i = 0; i < count; ++i) out[i] = (i & 1) ? odd : even;
      } else {
        std::fill_n(out, count, pal[code]);
      }
      x += count;
    } else if (code == 0) {  // end of line
      if (y >= ht) Invalid();
      ++y;
      x = 0;
    } else if (code == 1) {  // end of bitmap
      break;
    } else if (code == 2) {  // delta
      const uint8_t dx = in.Need();
      const uint8_t dy = in.Need();
      if (x + dx > w || y + dy > ht) Invalid();
      x += dx;
      y += dy;
    } else {  // absolute run of `code` pixels, padded to 16 bits
      if (y >= ht || x + code > w) Invalid();
      TPixel32* out = result.Row(static_cast<int>(ht - 1 - y)) + x;
      size_t bytes;
      if (rle4) {
        uint8_t b = 0;
        for (int i = 0; i < code; ++i) {
          if ((i & 1) == 0) b = in.Need();
          out[i] = pal[(i & 1) ? (b & 0x0F) : (b >> 4)];
        }
        bytes = (code + 1u) / 2;
      } else {
        for (int i = 0; i < code; ++i) out[i] = pal[in.Need()];
        bytes = code;
      }
      if (bytes & 1) in.Need();
      x += code;
    }
  }
}

}  // namespace

void DecodeBmp(TStream& stream, TBitmap32& bitmap) {
  const int64_t start = stream.Position();
  const TBmpHeader h = ReadHeader(stream);
  const int64_t data_start = start + h.data_offset;
  TBitmap32 result;
  if (h.compression == kBiRle8 || h.compression == kBiRle4) {
    DecodeRle(stream, data_start, h, result);
  } else {
    DecodeUncompressed(stream, data_start, h, result);
  }
  bitmap = std::move(result);
}

}  // namespace fotoloom
