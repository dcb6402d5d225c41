#include <gtest/gtest.h>
#include <lcms2.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/PictureRows.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

// A picture to write with libpng's own writer: Png(...), then Palette, a key or Size.
struct TestPng {
  int color_type = PNG_COLOR_TYPE_RGB;
  int bit_depth = 8;
  std::vector<int> samples;  // row by row, every channel of every pixel
  int width = 3;
  int height = 2;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<png_byte> palette_alpha;  // tRNS of a palette picture
  std::optional<png_color_16> key;      // tRNS of a grey or RGB picture
  std::vector<uint8_t> icc_profile;     // iCCP

  TestPng Palette(std::vector<png_color> colours, std::vector<png_byte> alpha = {}) && {
    palette = std::move(colours);
    palette_alpha = std::move(alpha);
    return std::move(*this);
  }
  TestPng GreyKey(png_uint_16 grey) && {
    key = png_color_16{};
    key->gray = grey;
    return std::move(*this);
  }
  TestPng RgbKey(png_uint_16 red, png_uint_16 green, png_uint_16 blue) && {
    key = png_color_16{0, red, green, blue, 0};
    return std::move(*this);
  }
  TestPng Size(int w, int h, bool adam7 = false) && {
    width = w;
    height = h;
    interlaced = adam7;
    return std::move(*this);
  }
};

TestPng Png(int color_type, int bit_depth, std::vector<int> samples) {
  TestPng png;
  png.color_type = color_type;
  png.bit_depth = bit_depth;
  png.samples = std::move(samples);
  return png;
}

int Channels(int color_type) {
  switch (color_type) {
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 1;
  }
}

// One row as the file stores it: 16-bit samples big-endian, small ones packed from the
// high bits of each byte.
std::vector<png_byte> PackedRow(const TestPng& png, int y) {
  const int count = png.width * Channels(png.color_type);
  std::vector<png_byte> row((count * png.bit_depth + 7) / 8);
  for (int i = 0; i < count; ++i) {
    const int sample = png.samples.at(y * count + i);
    if (png.bit_depth == 16) {
      row[2 * i] = static_cast<png_byte>(sample >> 8);
      row[2 * i + 1] = static_cast<png_byte>(sample);
    } else {
      const int bit = i * png.bit_depth;
      row[bit / 8] |= static_cast<png_byte>(sample << (8 - png.bit_depth - bit % 8));
    }
  }
  return row;
}

void AppendToVector(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

// libpng's default error handler longjmps here; nothing in this frame has a destructor.
bool WritePng(const TestPng& picture, png_bytepp rows, std::vector<uint8_t>* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, AppendToVector, nullptr);
  png_set_IHDR(png, info, picture.width, picture.height, picture.bit_depth, picture.color_type,
               picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!picture.palette.empty()) {
    png_set_PLTE(png, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
  }
  if (!picture.palette_alpha.empty()) {
    png_set_tRNS(png, info, picture.palette_alpha.data(),
                 static_cast<int>(picture.palette_alpha.size()), nullptr);
  }
  if (picture.key) png_set_tRNS(png, info, nullptr, 0, &*picture.key);
  if (!picture.icc_profile.empty()) {
    png_set_iCCP(png, info, "test", PNG_COMPRESSION_TYPE_BASE, picture.icc_profile.data(),
                 static_cast<png_uint_32>(picture.icc_profile.size()));
  }
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

std::vector<uint8_t> EncodePng(const TestPng& picture) {
  std::vector<std::vector<png_byte>> packed;
  std::vector<png_bytep> rows;
  for (int y = 0; y < picture.height; ++y) packed.push_back(PackedRow(picture, y));
  for (auto& row : packed) rows.push_back(row.data());
  std::vector<uint8_t> out;
  EXPECT_TRUE(WritePng(picture, rows.data(), &out));
  return out;
}

// The image behind a few other bytes, with the stream at the image.
TMemoryStream StreamAt(const std::vector<uint8_t>& image) {
  std::vector<uint8_t> bytes{'x', 'y', 'z'};
  bytes.insert(bytes.end(), image.begin(), image.end());
  TMemoryStream stream(std::move(bytes));
  stream.Seek(3);
  return stream;
}

// The pixels as AARRGGBB, rows separated by " / ".
std::string Hex(const TBitmap32& bitmap) {
  std::string text;
  for (int y = 0; y < bitmap.Height(); ++y) {
    if (y > 0) text += " /";
    for (int x = 0; x < bitmap.Width(); ++x) {
      char pixel[10];
      std::snprintf(pixel, sizeof pixel, " %08x", bitmap.At(x, y));
      text += pixel;
    }
  }
  return text.empty() ? text : text.substr(1);
}

std::string ErrorText(void (*decode)(TStream&, TBitmap32&), const std::vector<uint8_t>& png) {
  TMemoryStream stream = StreamAt(png);
  TBitmap32 bitmap;
  try {
    decode(stream, bitmap);
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

void DecodeLogo(TStream& stream, TBitmap32& bitmap) {
  bool has_alpha = false;
  LoadPNGWithAlpha(stream, bitmap, has_alpha);
}

std::vector<png_color> Ramp16() {
  std::vector<png_color> palette;
  for (int i = 0; i < 16; ++i) {
    palette.push_back({static_cast<png_byte>(i * 17), 0, static_cast<png_byte>(255 - i * 17)});
  }
  return palette;
}

constexpr png_color kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};
constexpr png_color kWhite{255, 255, 255}, kBlack{0, 0, 0};

struct PhotoCase {
  const char* name;
  TestPng png;
  const char* pixels;
};

// Whole and row by row.
void ExpectPhotos(std::span<const PhotoCase> cases) {
  for (const PhotoCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> png = EncodePng(c.png);
    TMemoryStream stream = StreamAt(png);
    TBitmap32 bitmap;
    DecodePngPhoto(stream, bitmap);
    EXPECT_EQ(Hex(bitmap), c.pixels);

    TMemoryStream row_stream = StreamAt(png);
    const std::unique_ptr<TPictureRows> rows = OpenPngRows(row_stream);
    ASSERT_TRUE(rows);
    TBitmap32 read(rows->Width(), rows->Height());
    for (int y = 0; y < read.Height(); ++y) rows->ReadRow(read.Row(y));
    EXPECT_EQ(Hex(read), c.pixels);
  }
}

TEST(PngDecoderTest, PhotoDecodesEveryColourTypeAndDepth) {
  const PhotoCase cases[] = {
      {"grey_1bit", Png(PNG_COLOR_TYPE_GRAY, 1, {0, 1, 0, 1, 1, 0}),
       "ff000000 ffffffff ff000000 / ffffffff ffffffff ff000000"},
      {"palette_2bit",
       Png(PNG_COLOR_TYPE_PALETTE, 2, {0, 1, 2, 3, 2, 1}).Palette({kRed, kGreen, kBlue, kWhite}),
       "ffff0000 ff00ff00 ff0000ff / ffffffff ff0000ff ff00ff00"},
      {"palette_4bit", Png(PNG_COLOR_TYPE_PALETTE, 4, {0, 9, 15, 3, 12, 7}).Palette(Ramp16()),
       "ff0000ff ff990066 ffff0000 / ff3300cc ffcc0033 ff770088"},
      {"grey_8bit", Png(PNG_COLOR_TYPE_GRAY, 8, {0x00, 0x80, 0xff, 0x12, 0x34, 0x56}),
       "ff000000 ff808080 ffffffff / ff121212 ff343434 ff565656"},
      {"rgb_8bit",
       Png(PNG_COLOR_TYPE_RGB, 8,
           {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90,  //
            0xa0, 0xb0, 0xc0, 0xd0, 0xe0, 0xf0, 0x01, 0x02, 0x03}),
       "ff102030 ff405060 ff708090 / ffa0b0c0 ffd0e0f0 ff010203"},
      {"palette_8bit",
       Png(PNG_COLOR_TYPE_PALETTE, 8, {2, 1, 0, 0, 0, 2})
           .Palette({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}),
       "ff070809 ff040506 ff010203 / ff010203 ff010203 ff070809"},
      // Rounded to 8 bits: 0x12FF gives 0x13 and 0x00FF gives 0x01, where cutting would not.
      {"rgb_16bit_rounded",
       Png(PNG_COLOR_TYPE_RGB, 16,
           {0xFFFF, 0x0000, 0x12FF, 0x8000, 0x0101, 0x7F00, 0x1234, 0x5678, 0x9ABC,  //
            0x00FF, 0x0000, 0x0000, 0xFFFF, 0xFFFF, 0xFFFF, 0x0000, 0x0000, 0x0000}),
       "ffff0013 ff80017f ff12569a / ff010000 ffffffff ff000000"},
      {"grey_alpha_16bit",
       Png(PNG_COLOR_TYPE_GRAY_ALPHA, 16,
           {0x0000, 0xFFFF, 0x0000, 0x0000, 0x4000, 0xFFFF,  //
            0x0000, 0x8000, 0x0000, 0x0101, 0xFFFF, 0x8000}),
       "ff000000 ffffffff ff404040 / ff7f7f7f fffefefe ffffffff"},
  };
  ExpectPhotos(cases);
}

TEST(PngDecoderTest, PhotoCompositesEveryKindOfTransparencyOverWhite) {
  const PhotoCase cases[] = {
      {"rgba_8bit",
       Png(PNG_COLOR_TYPE_RGB_ALPHA, 8,
           {200, 100, 0, 128, 10,  20,  30,  0,  10,  20,  30,  255,  //
            0,   0,   0, 128, 100, 150, 200, 64, 255, 255, 255, 128}),
       "ffe3b17f ffffffff ff0a141e / ff7f7f7f ffd8e5f1 ffffffff"},
      {"rgb_transparent_colour",
       Png(PNG_COLOR_TYPE_RGB, 8,
           {10, 20, 30, 10, 20, 31, 0, 0, 0, 10, 20, 30, 255, 0, 0, 10, 20, 30})
           .RgbKey(10, 20, 30),
       "ffffffff ff0a141f ff000000 / ffffffff ffff0000 ffffffff"},
      // 0x1235 reduces to the same 8 bits as the transparent 0x1234 but is not transparent.
      {"grey16_transparent_value_at_full_depth",
       Png(PNG_COLOR_TYPE_GRAY, 16, {0x1234, 0x1235, 0x0000, 0x1234, 0x1234, 0x8000})
           .GreyKey(0x1234),
       "ffffffff ff121212 ff000000 / ffffffff ffffffff ff808080"},
      {"palette_partial_alpha",
       Png(PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2, 2, 1, 0}).Palette({kRed, kBlack, kBlue}, {0, 128}),
       "ffffffff ff7f7f7f ff0000ff / ff0000ff ff7f7f7f ffffffff"},
  };
  ExpectPhotos(cases);
}

TEST(PngDecoderTest, InterlacedPictureMatchesItsSamples) {
  // 9 x 9 reaches into all seven passes.
  std::vector<int> samples;
  TBitmap32 expected(9, 9);
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 9; ++x) {
      samples.insert(samples.end(), {x * 28, y * 28, x + 9 * y});
      expected.At(x, y) = MakePixel(x * 28, y * 28, x + 9 * y);
    }
  }
  TMemoryStream stream = StreamAt(EncodePng(Png(PNG_COLOR_TYPE_RGB, 8, samples).Size(9, 9, true)));
  // No rows: the stream is left for the whole decode.
  EXPECT_FALSE(OpenPngRows(stream));
  EXPECT_EQ(stream.Position(), 3);
  TBitmap32 bitmap;
  DecodePngPhoto(stream, bitmap);
  EXPECT_EQ(Hex(bitmap), Hex(expected));
}

TEST(PngDecoderTest, LogoKeepsItsColoursAndTakesAlphaByKindOfTransparency) {
  struct LogoCase {
    const char* name;
    TestPng png;
    const char* pixels;
    bool has_alpha;
  };
  const LogoCase cases[] = {
      {"rgb_without_transparency",
       Png(PNG_COLOR_TYPE_RGB, 8, {10, 20, 30, 255, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}),
       "ff0a141e ffff0000 ff000000 / ff010203 ff040506 ff070809", false},
      {"rgb_transparent_colour",
       Png(PNG_COLOR_TYPE_RGB, 8,
           {10, 20, 30, 10, 20, 31, 0, 0, 0, 10, 20, 30, 255, 0, 0, 10, 20, 30})
           .RgbKey(10, 20, 30),
       "000a141e ff0a141f ff000000 / 000a141e ffff0000 000a141e", true},
      {"grey16_transparent_value",
       Png(PNG_COLOR_TYPE_GRAY, 16, {0x1234, 0x1235, 0x0000, 0xFFFF, 0x1234, 0x8000})
           .GreyKey(0x1234),
       "00121212 ff121212 ff000000 / ffffffff 00121212 ff808080", true},
      {"rgba_not_premultiplied",
       Png(PNG_COLOR_TYPE_RGB_ALPHA, 8, {200, 100, 0, 128, 10,  20,  30,  0,  10, 20, 30, 255,  //
                                         0,   0,   0, 1,   255, 255, 255, 64, 1,  2,  3,  254}),
       "80c86400 000a141e ff0a141e / 01000000 40ffffff fe010203", true},
      {"grey_alpha_8bit",
       Png(PNG_COLOR_TYPE_GRAY_ALPHA, 8,
           {0x40, 0x80, 0x00, 0x00, 0xff, 0xff, 0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc}),
       "80404040 00000000 ffffffff / 34121212 78565656 bc9a9a9a", true},
      // Entry 1 is the first with transparency 0: its colour, white, is hidden wherever it
      // appears (entry 3 too); entry 2, also 0 but green, stays opaque.
      {"palette_first_zero_entry_colour",
       Png(PNG_COLOR_TYPE_PALETTE, 2, {0, 1, 2, 3, 1, 0})
           .Palette({kRed, kWhite, kGreen, kWhite}, {255, 0, 0}),
       "ffff0000 00ffffff ff00ff00 / 00ffffff 00ffffff ffff0000", true},
      {"palette_partial_alpha_per_entry",
       Png(PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2, 3, 0, 1})
           .Palette({kRed, kBlack, kBlue, kWhite}, {0, 128, 255}),
       "00ff0000 80000000 ff0000ff / ffffffff 00ff0000 80000000", true},
      {"palette_without_transparency",
       Png(PNG_COLOR_TYPE_PALETTE, 1, {0, 1, 0, 1, 1, 0}).Palette({kRed, kGreen}),
       "ffff0000 ff00ff00 ffff0000 / ff00ff00 ff00ff00 ffff0000", false},
      {"palette_entries_all_opaque",
       Png(PNG_COLOR_TYPE_PALETTE, 1, {0, 1, 0, 1, 1, 0}).Palette({kRed, kGreen}, {255, 255}),
       "ffff0000 ff00ff00 ffff0000 / ff00ff00 ff00ff00 ffff0000", false},
  };
  for (const LogoCase& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoryStream stream = StreamAt(EncodePng(c.png));
    TBitmap32 bitmap;
    bool has_alpha = !c.has_alpha;
    EXPECT_TRUE(LoadPNGWithAlpha(stream, bitmap, has_alpha));
    EXPECT_EQ(Hex(bitmap), c.pixels);
    EXPECT_EQ(has_alpha, c.has_alpha);
  }
}

// Writes the width and height into the header and gives it a matching CRC.
void SetHeaderSize(std::vector<uint8_t>& png, uint32_t width, uint32_t height) {
  const auto put = [&png](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) png[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
  };
  put(16, width);
  put(20, height);
  put(29, static_cast<uint32_t>(crc32(0, png.data() + 12, 17)));
}

TEST(PngDecoderTest, DamagedOrHugeFilesThrowInBothPaths) {
  const std::vector<uint8_t> good = EncodePng(Png(PNG_COLOR_TYPE_RGB, 8, std::vector<int>(18, 77)));
  const size_t idat = std::string(good.begin(), good.end()).find("IDAT");
  ASSERT_NE(idat, std::string::npos);

  std::vector<uint8_t> huge = good;
  SetHeaderSize(huge, 100000, 100000);
  // 64 megapixels would need a megabyte of data at least; 256 MB would be allocated
  // before the missing data is noticed.
  std::vector<uint8_t> large_without_data = good;
  SetHeaderSize(large_without_data, 8000, 8000);
  std::vector<uint8_t> bad_crc = good;
  bad_crc[29] ^= 0xFF;
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string error_start;
  } cases[] = {
      {"empty", {}, "PNG error: "},
      {"not_png", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0}, "PNG error: "},
      {"header_crc_broken", bad_crc, "PNG error: "},
      {"truncated_in_image_data", {good.begin(), good.begin() + idat + 8}, "PNG error: "},
      {"huge_header", huge, "Picture is too large (100000 x 100000"},
      {"large_header_few_bytes", large_without_data, "Picture is too large (8000 x 8000 pixels)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    using TDecode = void (*)(TStream&, TBitmap32&);
    for (TDecode decode : std::initializer_list<TDecode>{DecodePngPhoto, DecodeLogo}) {
      const std::string text = ErrorText(decode, c.bytes);
      EXPECT_TRUE(text.starts_with(c.error_start)) << text;
    }
  }
}

TEST(PngDecoderTest, FileFormLoadsOrAnswersFalse) {
  test::TempDir dir;
  const std::vector<uint8_t> png = EncodePng(
      Png(PNG_COLOR_TYPE_RGB_ALPHA, 8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}).Size(3, 1));
  test::WriteFileBytes(dir.File("logo.png"), png);
  test::WriteFileBytes(dir.File("damaged.png"), {png.begin(), png.begin() + png.size() / 2});

  TBitmap32 bitmap;
  bool has_alpha = false;
  EXPECT_TRUE(LoadPNGFileWithAlpha(dir.File("logo.png"), bitmap, has_alpha));
  EXPECT_TRUE(has_alpha);
  EXPECT_EQ(Hex(bitmap), "04010203 08050607 0c090a0b");
  for (const char* name : {"missing.png", "damaged.png"}) {
    SCOPED_TRACE(name);
    has_alpha = true;
    EXPECT_FALSE(LoadPNGFileWithAlpha(dir.File(name), bitmap, has_alpha));
    EXPECT_FALSE(has_alpha);
  }
}

// The iCCP profile comes out with the pixels as stored; the photo and logo paths both give it.
TEST(PngDecoderTest, IccProfileComesOutWithThePixelsAsStored) {
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(srgb, nullptr, &size);
  std::vector<uint8_t> profile(size);
  cmsSaveProfileToMem(srgb, profile.data(), &size);
  cmsCloseProfile(srgb);
  TestPng picture =
      Png(PNG_COLOR_TYPE_RGB, 8, {200, 30, 40, 10, 20, 30, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  picture.icc_profile = profile;
  const std::vector<uint8_t> png = EncodePng(picture);
  for (const bool logo : {false, true}) {
    TMemoryStream stream(png);
    TBitmap32 bitmap;
    std::vector<uint8_t> got;
    bool has_alpha = false;
    if (logo)
      LoadPNGWithAlpha(stream, bitmap, has_alpha, &got);
    else
      DecodePngPhoto(stream, bitmap, &got);
    EXPECT_EQ(got, profile) << logo;
    EXPECT_EQ(bitmap.At(0, 0), MakePixel(200, 30, 40)) << logo;
  }
  TMemoryStream plain(EncodePng(Png(PNG_COLOR_TYPE_GRAY, 8, {1, 2, 3, 4, 5, 6})));
  TBitmap32 bitmap;
  std::vector<uint8_t> got = {1};
  DecodePngPhoto(plain, bitmap, &got);
  EXPECT_TRUE(got.empty());
}

}  // namespace
}  // namespace fotoloom
