#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/ImageInfo.h"
#include "support/LittleEndian.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr const char* kInvalid = "Bitmap image is not valid";

using test::Put16;
using test::Put32;

// What the writer puts in a BMP. Masks go right after a 40-byte header, or into the
// larger headers; palette entries are 0xRRGGBB (3 bytes each for the 12-byte header).
struct BmpLayout {
  uint32_t header_size = 40;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bpp = 24;
  uint32_t compression = 0;
  std::vector<uint32_t> masks;
  std::vector<uint32_t> palette;
  uint32_t colors_used = 0;
  uint32_t gap = 0;  // junk bytes between the palette and the pixel data
  Bytes pixels;      // stored as given
};

Bytes MakeBmp(const BmpLayout& s) {
  const bool core = s.header_size == 12;
  const uint32_t mask_bytes = s.header_size == 40 ? 4 * static_cast<uint32_t>(s.masks.size()) : 0;
  const uint32_t palette_bytes = static_cast<uint32_t>(s.palette.size()) * (core ? 3 : 4);
  const uint32_t offset = 14 + s.header_size + mask_bytes + palette_bytes + s.gap;
  Bytes out{'B', 'M'};
  Put32(out, offset + static_cast<uint32_t>(s.pixels.size()));
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, s.header_size);
  if (core) {
    Put16(out, static_cast<uint32_t>(s.width));
    Put16(out, static_cast<uint32_t>(s.height));
    Put16(out, 1);
    Put16(out, s.bpp);
  } else {
    Bytes info;
    Put32(info, static_cast<uint32_t>(s.width));
    Put32(info, static_cast<uint32_t>(s.height));
    Put16(info, 1);
    Put16(info, s.bpp);
    Put32(info, s.compression);
    Put32(info, static_cast<uint32_t>(s.pixels.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, s.colors_used);
    Put32(info, 0);
    if (s.header_size > 40) {
      for (uint32_t m : s.masks) Put32(info, m);
    }
    info.resize(s.header_size - 4, 0);
    out.insert(out.end(), info.begin(), info.end());
    if (s.header_size == 40) {
      for (uint32_t m : s.masks) Put32(out, m);
    }
  }
  for (uint32_t c : s.palette) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
    out.push_back(static_cast<uint8_t>(c >> 16));
    if (!core) out.push_back(0);
  }
  out.insert(out.end(), s.gap, 0xEE);
  out.insert(out.end(), s.pixels.begin(), s.pixels.end());
  return out;
}

// Rows in stored order, each padded to 4 bytes.
Bytes Rows(const std::vector<Bytes>& rows) {
  Bytes out;
  for (const Bytes& r : rows) {
    out.insert(out.end(), r.begin(), r.end());
    out.resize((out.size() + 3) / 4 * 4, 0);
  }
  return out;
}

// Decodes behind a three-byte prefix, so that offsets must count from the BMP's start.
TBitmap32 Decode(const Bytes& bmp) {
  Bytes bytes{'x', 'y', 'z'};
  bytes.insert(bytes.end(), bmp.begin(), bmp.end());
  TMemoryStream stream(bytes);
  stream.Seek(3);
  TBitmap32 bitmap;
  DecodeBmp(stream, bitmap);
  return bitmap;
}

struct Expect {
  int x;
  int y;  // in the decoded picture: 0 is the top row
  TPixel32 pixel;
};

struct DecodeCase {
  const char* name;
  BmpLayout layout;
  int width;
  int height;
  std::vector<Expect> expect;
};

constexpr TPixel32 kBlack = MakePixel(0, 0, 0);
constexpr TPixel32 kWhite = MakePixel(255, 255, 255);
constexpr TPixel32 kRed = MakePixel(255, 0, 0);
constexpr TPixel32 kGreen = MakePixel(0, 255, 0);
constexpr TPixel32 kBlue = MakePixel(0, 0, 255);

std::vector<uint32_t> GreyRamp() {
  std::vector<uint32_t> palette;
  for (uint32_t i = 0; i < 256; ++i) palette.push_back(i << 16 | (255 - i) << 8 | i / 2);
  return palette;
}

std::vector<DecodeCase> DecodeCases() {
  const BmpLayout v = {};
  std::vector<DecodeCase> cases;
  // Positive height: the first stored row is the bottom row.
  {
    BmpLayout s = v;
    s.width = 3, s.height = 2, s.bpp = 1, s.palette = {0x102030, 0xA0B0C0};
    s.pixels = Rows({{0b10100000}, {0b01000000}});
    cases.push_back({"bpp1_bottom_up",
                     s,
                     3,
                     2,
                     {{0, 1, MakePixel(0xA0, 0xB0, 0xC0)},
                      {1, 1, MakePixel(0x10, 0x20, 0x30)},
                      {0, 0, MakePixel(0x10, 0x20, 0x30)},
                      {1, 0, MakePixel(0xA0, 0xB0, 0xC0)}}});
  }
  {  // index 3 lies beyond the three-entry palette (junk bytes follow it): black
    BmpLayout s = v;
    s.width = 3, s.height = 1, s.bpp = 4, s.colors_used = 3, s.gap = 4;
    s.palette = {0xFF0000, 0x00FF00, 0x0000FF};
    s.pixels = Rows({{0x23, 0x10}});
    cases.push_back(
        {"bpp4_index_beyond_palette", s, 3, 1, {{0, 0, kBlue}, {1, 0, kBlack}, {2, 0, kGreen}}});
  }
  {  // colour count 0 means 256 entries; negative height: top-down
    BmpLayout s = v;
    s.width = 2, s.height = -2, s.bpp = 8, s.palette = GreyRamp();
    s.pixels = Rows({{0, 200}, {7, 255}});
    cases.push_back({"bpp8_top_down",
                     s,
                     2,
                     2,
                     {{0, 0, MakePixel(0, 255, 0)},
                      {1, 0, MakePixel(200, 55, 100)},
                      {0, 1, MakePixel(7, 248, 3)},
                      {1, 1, MakePixel(255, 0, 127)}}});
  }
  {  // 5-5-5: 31 becomes 255, 16 becomes 132
    BmpLayout s = v;
    s.width = 3, s.height = 1, s.bpp = 16;
    s.pixels = Rows({{0x00, 0x7C, 0xFF, 0x03, 0x10, 0x42}});
    cases.push_back(
        {"bpp16_rgb555",
         s,
         3,
         1,
         {{0, 0, kRed}, {1, 0, MakePixel(0, 255, 255)}, {2, 0, MakePixel(132, 132, 132)}}});
  }
  {  // 5-6-5 masks after a 40-byte header; bottom-up
    BmpLayout s = v;
    s.width = 1, s.height = 2, s.bpp = 16, s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixels = Rows({{0xE0, 0x07}, {0x1F, 0xF8}});
    cases.push_back({"bpp16_565_masks_after_header",
                     s,
                     1,
                     2,
                     {{0, 0, MakePixel(255, 0, 255)}, {0, 1, kGreen}}});
  }
  {  // 5-6-5 masks inside a V5 header
    BmpLayout s = v;
    s.header_size = 124, s.width = 2, s.height = 1, s.bpp = 16, s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F, 0};
    s.pixels = Rows({{0x00, 0xF8, 0x20, 0x00}});  // red, green 1 of 63 = 4
    cases.push_back({"bpp16_565_v5_header", s, 2, 1, {{0, 0, kRed}, {1, 0, MakePixel(0, 4, 0)}}});
  }
  {  // 4-4-4 masks inside a V2 (52-byte) header
    BmpLayout s = v;
    s.header_size = 52, s.width = 1, s.height = 1, s.bpp = 16, s.compression = 3;
    s.masks = {0x0F00, 0x00F0, 0x000F};
    s.pixels = Rows({{0x8F, 0x0F}});
    cases.push_back({"bpp16_444_v2_header", s, 1, 1, {{0, 0, MakePixel(255, 136, 255)}}});
  }
  {  // rows of 9 bytes padded to 12; the pixel data starts after a gap (bfOffBits)
    BmpLayout s = v;
    s.width = 3, s.height = 2, s.bpp = 24, s.gap = 6;
    s.pixels = Rows({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}});
    cases.push_back({"bpp24_bottom_up_padded_with_gap",
                     s,
                     3,
                     2,
                     {{0, 1, MakePixel(3, 2, 1)},
                      {2, 1, MakePixel(9, 8, 7)},
                      {0, 0, MakePixel(12, 11, 10)},
                      {2, 0, MakePixel(18, 17, 16)}}});
  }
  {
    BmpLayout s = v;
    s.width = 1, s.height = -2, s.bpp = 24;
    s.pixels = Rows({{255, 0, 0}, {0, 0, 255}});
    cases.push_back({"bpp24_top_down", s, 1, 2, {{0, 0, kBlue}, {0, 1, kRed}}});
  }
  {  // B, G, R, x: the fourth byte never makes a pixel transparent
    BmpLayout s = v;
    s.width = 2, s.height = 1, s.bpp = 32;
    s.pixels = Rows({{30, 20, 10, 0, 1, 2, 3, 77}});
    cases.push_back(
        {"bpp32_rgb_opaque", s, 2, 1, {{0, 0, MakePixel(10, 20, 30)}, {1, 0, MakePixel(3, 2, 1)}}});
  }
  {  // R, G, B, A byte order with an alpha mask in a V4 header
    BmpLayout s = v;
    s.header_size = 108, s.width = 1, s.height = 1, s.bpp = 32, s.compression = 3;
    s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
    s.pixels = Rows({{10, 20, 30, 0}});
    cases.push_back({"bpp32_bitfields_v4_header", s, 1, 1, {{0, 0, MakePixel(10, 20, 30)}}});
  }
  {  // 10-10-10 masks in a V3 (56-byte) header: 1023 is 255, 512 is 128
    BmpLayout s = v;
    s.header_size = 56, s.width = 1, s.height = 1, s.bpp = 32, s.compression = 3;
    s.masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0};
    Put32(s.pixels, 1023u << 20 | 512u << 10 | 0);
    cases.push_back({"bpp32_bitfields_10bit_v3_header", s, 1, 1, {{0, 0, MakePixel(255, 128, 0)}}});
  }
  {  // BITMAPCOREHEADER: 16-bit sizes, 3-byte palette entries
    BmpLayout s = v;
    s.header_size = 12, s.width = 2, s.height = 2, s.bpp = 8;
    s.palette = GreyRamp();
    s.pixels = Rows({{1, 2}, {3, 4}});
    cases.push_back({"core_header_bpp8",
                     s,
                     2,
                     2,
                     {{0, 1, MakePixel(1, 254, 0)}, {1, 0, MakePixel(4, 251, 2)}}});
  }
  {
    BmpLayout s = v;
    s.header_size = 12, s.width = 1, s.height = 1, s.bpp = 24;
    s.pixels = Rows({{1, 2, 3}});
    cases.push_back({"core_header_bpp24", s, 1, 1, {{0, 0, MakePixel(3, 2, 1)}}});
  }
  return cases;
}

TEST(BmpDecoderTest, DecodesEachDepthAndHeader) {
  for (const DecodeCase& c : DecodeCases()) {
    SCOPED_TRACE(c.name);
    const TBitmap32 bitmap = Decode(MakeBmp(c.layout));
    ASSERT_EQ(bitmap.Width(), c.width);
    ASSERT_EQ(bitmap.Height(), c.height);
    for (const Expect& e : c.expect) {
      EXPECT_EQ(bitmap.At(e.x, e.y), e.pixel) << "at " << e.x << "," << e.y;
    }
    for (int y = 0; y < bitmap.Height(); ++y) {
      for (int x = 0; x < bitmap.Width(); ++x) EXPECT_EQ(PixelAlpha(bitmap.At(x, y)), 255);
    }
  }
}

// RLE pictures 8 x 3 with palette entry 0 white, so that unset pixels show as black, not
// as palette colour 0. Stored bottom row: R G R, then an absolute run; EOL; a delta over
// the middle row to x = 2 of the top row; one blue pixel; end of bitmap.
struct RleCase {
  const char* name;
  uint16_t bpp;
  uint32_t compression;
  Bytes data;
};

TEST(BmpDecoderTest, DecodesRleWithDeltaEndOfLineAndUnsetPixelsBlack) {
  const std::vector<RleCase> cases = {
      {"rle8", 8, 1, {3, 1,                    // encoded run: 3 x red
                      0, 5, 3, 2, 1, 3, 2, 0,  // absolute run of 5, padded to 16 bits
                      0, 0,                    // end of line
                      0, 2, 2, 1,              // delta (2, 1)
                      1, 3,                    // blue
                      0, 1}},                  // end of bitmap
      {"rle4",
       4,
       2,
       {3, 0x12,                    // encoded run: red, green, red
        0, 5, 0x32, 0x13, 0x20, 0,  // absolute run of 5 in 3 bytes, padded
        0, 0, 0, 2, 2, 1, 1, 0x30, 0, 1}},
  };
  for (const RleCase& c : cases) {
    SCOPED_TRACE(c.name);
    BmpLayout s;
    s.width = 8, s.height = 3, s.bpp = c.bpp, s.compression = c.compression;
    s.palette = {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF};
    s.colors_used = 4;
    s.pixels = c.data;
    const TBitmap32 bitmap = Decode(MakeBmp(s));
    ASSERT_EQ(bitmap.Width(), 8);
    ASSERT_EQ(bitmap.Height(), 3);
    const std::vector<TPixel32> bottom = {
        kRed, c.bpp == 4 ? kGreen : kRed, kRed, kBlue, kGreen, kRed, kBlue, kGreen};
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(bitmap.At(x, 2), bottom[x]) << "bottom row x " << x;
      EXPECT_EQ(bitmap.At(x, 1), kBlack) << "middle row x " << x;
      EXPECT_EQ(bitmap.At(x, 0), x == 2 ? kBlue : kBlack) << "top row x " << x;
    }
  }
}

Bytes WithByte(Bytes bytes, size_t at, uint8_t value) {
  bytes.at(at) = value;
  return bytes;
}

BmpLayout Rgb24(int32_t width, int32_t height) {
  BmpLayout s;
  s.width = width, s.height = height;
  s.pixels.assign(static_cast<size_t>((width * 3 + 3) / 4 * 4 * (height < 0 ? -height : height)),
                  0);
  return s;
}

Bytes Rle8(Bytes data, int32_t height = 2) {
  BmpLayout s;
  s.width = 4, s.height = height, s.bpp = 8, s.compression = 1, s.palette = {0xFFFFFF};
  s.pixels = std::move(data);
  return MakeBmp(s);
}

struct DamagedCase {
  const char* name;
  Bytes bytes;
};

TEST(BmpDecoderTest, DamagedInputThrowsNotValid) {
  const Bytes good = MakeBmp(Rgb24(2, 2));
  auto layout = [](auto change) {
    BmpLayout s = Rgb24(2, 2);
    change(s);
    return MakeBmp(s);
  };
  const std::vector<DamagedCase> cases = {
      {"two_bytes_bm", {'B', 'M'}},
      {"wrong_signature", WithByte(good, 1, 'A')},
      {"header_cut_short", Bytes(good.begin(), good.begin() + 30)},
      {"bad_header_size", WithByte(good, 14, 41)},
      {"zero_width", layout([](BmpLayout& s) { s.width = 0; })},
      {"negative_width", layout([](BmpLayout& s) { s.width = -2; })},
      {"zero_height", layout([](BmpLayout& s) { s.height = 0; })},
      {"bad_depth", layout([](BmpLayout& s) { s.bpp = 12; })},
      {"rle8_at_24_bit", layout([](BmpLayout& s) { s.compression = 1; })},
      {"rle4_at_8_bit", layout([](BmpLayout& s) { s.bpp = 8, s.compression = 2; })},
      {"bitfields_at_24_bit", layout([](BmpLayout& s) {
         s.compression = 3, s.masks = {1, 2, 4};
       })},
      {"jpeg_in_bmp", layout([](BmpLayout& s) { s.bpp = 0, s.compression = 4; })},
      {"png_in_bmp", layout([](BmpLayout& s) { s.bpp = 0, s.compression = 5; })},
      {"pixel_data_cut_short", Bytes(good.begin(), good.end() - 6)},
      {"offset_past_end", WithByte(good, 12, 1)},
      {"offset_inside_header", WithByte(good, 10, 20)},
      // Passes the limits, but the data is missing: refused before 1.6 GB are allocated.
      {"large_size_without_data",
       layout([](BmpLayout& s) { s.width = s.height = 20000, s.pixels = {}; })},
      {"rle_top_down", Rle8({0, 1}, -2)},
      {"rle_no_data", Rle8({})},
      {"rle_run_past_row_end", Rle8({5, 0, 0, 1})},
      {"rle_absolute_past_row_end", Rle8({2, 0, 0, 3, 0, 0, 0, 0, 0, 1})},
      {"rle_delta_past_picture", Rle8({0, 2, 0, 3, 0, 1})},
      {"rle_pixels_above_top_row", Rle8({0, 0, 0, 0, 1, 0, 0, 1})},
      {"rle_absolute_run_cut_short", Rle8({0, 4, 0, 0})},
      {"rle_data_ends_before_end_of_bitmap", Rle8({4, 0, 0, 0})},
  };
  for (const DamagedCase& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoryStream stream(c.bytes);
    TBitmap32 bitmap(1, 1);
    try {
      DecodeBmp(stream, bitmap);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), kInvalid);
    }
    EXPECT_EQ(bitmap.Width(), 1);  // left as it was
  }
}

TEST(BmpDecoderTest, HugeDeclaredSizeThrowsLimitError) {
  for (const int32_t height : {100000, INT32_MIN}) {
    SCOPED_TRACE(height);
    BmpLayout s = Rgb24(1, 1);
    s.width = 100000;
    s.height = height;
    TMemoryStream stream(MakeBmp(s));
    TBitmap32 bitmap;
    try {
      DecodeBmp(stream, bitmap);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_STRNE(e.what(), kInvalid);
      EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(bitmap.Empty());
  }
}

TEST(BmpDecoderTest, FileReportsTopDownAndDecodesFromSamePosition) {
  test::TempDir dir;
  BmpLayout s = Rgb24(1, -2);
  s.pixels = Rows({{0, 0, 255}, {255, 0, 0}});
  test::WriteFileBytes(dir.File("top.bmp"), MakeBmp(s));
  TFileStream stream = TFileStream::OpenRead(dir.File("top.bmp"));
  const TImageInfo info = GetImageInfo(stream);
  EXPECT_EQ(info.ImageType, itBMP);
  EXPECT_EQ(info.Height, -2);
  TBitmap32 bitmap;
  DecodeBmp(stream, bitmap);
  EXPECT_EQ(bitmap.At(0, 0), kRed);
  EXPECT_EQ(bitmap.At(0, 1), kBlue);
}

}  // namespace
}  // namespace fotoloom
