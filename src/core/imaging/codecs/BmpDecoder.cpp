// Our own BMP reader (replaces the platform's bitmap reader): core (OS/2) and Windows
// information headers up to V5; 1, 4, 8 bit with a palette, 16 and 32 bit with default
// or bit-field masks, 24 bit; RLE4 and RLE8; bottom-up and top-down storage.
//
// Every header field is untrusted: the picture size is checked before anything is
// allocated, row sizes are computed in size_t, offsets are taken relative to the stream
// position where the BMP starts, and all reads go through bounded buffers.
#include "core/imaging/codecs/Decoders.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/PictureLimits.h"
#include "core/imaging/codecs/PictureRows.h"

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

  CheckPictureSize(width, height);
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

// Rows stored as they are, read a block of rows at a time in the order they are asked for,
// which for a bottom-up picture is backwards through the file.
class TUncompressedRows : public TPictureRows {
 public:
  TUncompressedRows(TStream& stream, int64_t data_start, const TBmpHeader& h)
      : m_stream(stream), m_data_start(data_start), m_h(h), m_convert(m_h) {
    const size_t bits = static_cast<size_t>(h.width) * static_cast<size_t>(h.bpp);
    m_row_bytes = (bits + 31) / 32 * 4;
    m_pixel_bytes = (bits + 7) / 8;  // the last row may lack its padding
    // The last byte the picture needs must exist before anything is decoded.
    const int64_t last = data_start + static_cast<int64_t>(m_row_bytes) * (h.height - 1) +
                         static_cast<int64_t>(m_pixel_bytes) - 1;
    stream.Seek(last);
    uint8_t probe;
    if (stream.Read(&probe, 1) != 1) Invalid();
    constexpr size_t kBlockBytes = 1 << 20;
    m_block_rows = static_cast<int>(
        std::clamp<size_t>(kBlockBytes / m_row_bytes, 1, static_cast<size_t>(h.height)));
  }
  int Width() const override { return m_h.width; }
  int Height() const override { return m_h.height; }

  void ReadRow(TPixel32* row) override {
    const int stored = m_h.top_down ? m_next : m_h.height - 1 - m_next;
    ++m_next;
    if (stored < m_block_first || stored >= m_block_first + m_block_count) LoadBlock(stored);
    m_convert(m_block.data() + m_row_bytes * static_cast<size_t>(stored - m_block_first), row);
  }

 private:
  // Loads the block of stored rows that holds `stored` and the rows asked for after it.
  void LoadBlock(int stored) {
    m_block_first = m_h.top_down ? stored : std::max(0, stored - m_block_rows + 1);
    m_block_count = m_h.top_down ? std::min(m_block_rows, m_h.height - stored)
                                 : stored - m_block_first + 1;
    const size_t bytes = m_row_bytes * static_cast<size_t>(m_block_count);
    m_block.resize(bytes);
    m_stream.Seek(m_data_start + static_cast<int64_t>(m_row_bytes) * m_block_first);
    if (m_stream.ReadZeroFilled(m_block.data(), bytes) < bytes - m_row_bytes + m_pixel_bytes) {
      Invalid();
    }
  }

  TStream& m_stream;
  int64_t m_data_start;
  TBmpHeader m_h;
  TRowConverter m_convert;
  size_t m_row_bytes = 0;
  size_t m_pixel_bytes = 0;
  int m_block_rows = 1;
  std::vector<uint8_t> m_block;
  int m_block_first = 0;
  int m_block_count = 0;
  int m_next = 0;
};

// The RLE data read chunk by chunk from the stream through a bounded buffer; every byte
// read is also kept in `record`.
class TRecordingReader {
 public:
  TRecordingReader(TStream& stream, std::vector<uint8_t>& record)
      : m_stream(stream), m_buffer(64 * 1024), m_record(record) {}
  bool Next(uint8_t& value) {
    if (m_pos == m_len) {
      m_len = m_stream.Read(m_buffer.data(), m_buffer.size());
      m_pos = 0;
      if (m_len == 0) return false;
    }
    value = m_buffer[m_pos++];
    m_record.push_back(value);
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
  std::vector<uint8_t>& m_record;
};

// The same over the kept bytes.
class TMemoryReader {
 public:
  TMemoryReader(const std::vector<uint8_t>& bytes, size_t pos) : m_bytes(bytes), m_pos(pos) {}
  bool Next(uint8_t& value) {
    if (m_pos == m_bytes.size()) return false;
    value = m_bytes[m_pos++];
    return true;
  }
  uint8_t Need() {
    uint8_t value;
    if (!Next(value)) Invalid();
    return value;
  }

 private:
  const std::vector<uint8_t>& m_bytes;
  size_t m_pos;
};

struct TRleCursor {
  int64_t x = 0;
  int64_t y = 0;  // counted from the bottom row
};

enum class TRleStop { kNextRow, kEndOfBitmap, kEndOfData };

// Follows the RLE8 or RLE4 codes of one row from the cursor until the cursor leaves the
// row, and draws the row's pixels into `out` when it is given.
template <class Reader>
TRleStop WalkRleRow(Reader& in, const TBmpHeader& h, TRleCursor& at, TPixel32* out) {
  const bool rle4 = h.compression == kBiRle4;
  const TPixel32* pal = h.palette;
  for (;;) {
    uint8_t count;
    if (!in.Next(count)) return TRleStop::kEndOfData;
    const uint8_t code = in.Need();
    if (count != 0) {  // encoded run: `count` pixels of one index (RLE4: two alternating)
      if (at.y >= h.height || at.x + count > h.width) Invalid();
      if (out) {
        TPixel32* run = out + at.x;
        if (rle4) {
          const TPixel32 even = pal[code >> 4];
          const TPixel32 odd = pal[code & 0x0F];
          for (int i = 0; i < count; ++i) run[i] = (i & 1) ? odd : even;
        } else {
          std::fill_n(run, count, pal[code]);
        }
      }
      at.x += count;
    } else if (code == 0) {  // end of line
      if (at.y >= h.height) Invalid();
      ++at.y;
      at.x = 0;
      return TRleStop::kNextRow;
    } else if (code == 1) {  // end of bitmap
      return TRleStop::kEndOfBitmap;
    } else if (code == 2) {  // delta
      const uint8_t dx = in.Need();
      const uint8_t dy = in.Need();
      if (at.x + dx > h.width || at.y + dy > h.height) Invalid();
      at.x += dx;
      at.y += dy;
      if (dy != 0) return TRleStop::kNextRow;
    } else {  // absolute run of `code` pixels, padded to 16 bits
      if (at.y >= h.height || at.x + code > h.width) Invalid();
      TPixel32* run = out ? out + at.x : nullptr;
      size_t bytes;
      if (rle4) {
        uint8_t b = 0;
        for (int i = 0; i < code; ++i) {
          if ((i & 1) == 0) b = in.Need();
          if (run) run[i] = pal[(i & 1) ? (b & 0x0F) : (b >> 4)];
        }
        bytes = (code + 1u) / 2;
      } else {
        for (int i = 0; i < code; ++i) {
          const uint8_t index = in.Need();
          if (run) run[i] = pal[index];
        }
        bytes = code;
      }
      if (bytes & 1) in.Need();
      at.x += code;
    }
  }
}

// RLE8 and RLE4, always bottom-up, so the top row comes last in the file. Opening reads and
// checks all the codes, keeping them (never more than the file holds) and where each row's
// codes start; a row is then drawn from its own codes when it is asked for. Pixels the
// data never sets stay black.
class TRleRows : public TPictureRows {
 public:
  TRleRows(TStream& stream, int64_t data_start, const TBmpHeader& h)
      : m_h(h), m_starts(static_cast<size_t>(h.height)) {
    stream.Seek(data_start);
    TRecordingReader in(stream, m_codes);
    TRleCursor at;
    for (;;) {
      if (at.y < h.height) m_starts[static_cast<size_t>(at.y)] = {m_codes.size(), at.x};
      const TRleStop stop = WalkRleRow(in, h, at, nullptr);
      if (stop == TRleStop::kEndOfBitmap) break;
      if (stop == TRleStop::kEndOfData) {
        if (at.y >= h.height) break;  // every row ended, only the end-of-bitmap mark is missing
        Invalid();
      }
    }
  }
  int Width() const override { return m_h.width; }
  int Height() const override { return m_h.height; }

  void ReadRow(TPixel32* row) override {
    const int64_t y = m_h.height - 1 - m_next++;
    std::fill_n(row, m_h.width, kBlack);
    const TRowStart& start = m_starts[static_cast<size_t>(y)];
    if (start.x < 0) return;  // the codes jump over this row
    TMemoryReader in(m_codes, start.pos);
    TRleCursor at{start.x, y};
    WalkRleRow(in, m_h, at, row);
  }

 private:
  struct TRowStart {
    size_t pos = 0;
    int64_t x = -1;  // -1: no code starts in this row
  };
  TBmpHeader m_h;
  std::vector<uint8_t> m_codes;
  std::vector<TRowStart> m_starts;  // by row from the bottom
  int m_next = 0;
};

}  // namespace

std::unique_ptr<TPictureRows> OpenBmpRows(TStream& stream) {
  const int64_t start = stream.Position();
  const TBmpHeader h = ReadHeader(stream);
  const int64_t data_start = start + h.data_offset;
  if (h.compression == kBiRle8 || h.compression == kBiRle4) {
    return std::make_unique<TRleRows>(stream, data_start, h);
  }
  return std::make_unique<TUncompressedRows>(stream, data_start, h);
}

void DecodeBmp(TStream& stream, TBitmap32& bitmap) {
  ReadWholePicture(*OpenBmpRows(stream), bitmap);
}

}  // namespace fotoloom
