#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>

#include <jpeglib.h>
#include <malloc.h>

#include "core/base/Error.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/ExifOrientation.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "support/MemoryLimit.h"
#include "support/TestJpeg.h"

// Allocations through operator new larger than this fail (0: none), so that a test can
// make an allocation fail where it wants.
static std::atomic<size_t> g_fail_new_above{0};

void* operator new(size_t size) {
  const size_t limit = g_fail_new_above.load();
  if (limit != 0 && size > limit) throw std::bad_alloc();
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}
// GCC takes these for the library's operators and warns that free() does not match them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, size_t) noexcept {
  std::free(block);
}
#pragma GCC diagnostic pop

namespace fotoloom {
namespace {

int Diff(TPixel32 a, TPixel32 b) {
  return std::max({std::abs(PixelRed(a) - PixelRed(b)), std::abs(PixelGreen(a) - PixelGreen(b)),
                   std::abs(PixelBlue(a) - PixelBlue(b))});
}

TBitmap32 Decode(const std::vector<uint8_t>& bytes) {
  TMemoryStream stream(bytes);
  TBitmap32 picture;
  DecodeJpeg(stream, picture);
  return picture;
}

// A picture of flat 16 x 16 blocks (they survive JPEG almost unchanged), one colour each.
std::vector<uint8_t> BlockSamples(int blocks_x, int blocks_y, const std::vector<TPixel32>& colors) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < blocks_y * 16; ++y) {
    for (int x = 0; x < blocks_x * 16; ++x) {
      const TPixel32 c = colors[(y / 16) * blocks_x + x / 16];
      rgb.insert(rgb.end(), {PixelRed(c), PixelGreen(c), PixelBlue(c)});
    }
  }
  return rgb;
}

const std::vector<TPixel32> kSixColors = {MakePixel(255, 0, 0),   MakePixel(0, 255, 0),
                                          MakePixel(0, 0, 255),   MakePixel(255, 255, 0),
                                          MakePixel(0, 255, 255), MakePixel(255, 0, 255)};

TEST(JpegTest, EncoderWritesBaselineJfifWithTheTablesOfTheQuality) {
  TBitmap32 picture(40, 24);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 40; ++x) picture.At(x, y) = MakePixel(x * 6, y * 10, 128);
  // libjpeg's standard tables (natural order) and its quality scaling.
  constexpr std::array<int, 8> kLumaFirstRow = {16, 11, 10, 16, 24, 40, 51, 61};
  constexpr std::array<int, 8> kChromaFirstRow = {17, 18, 24, 47, 99, 99, 99, 99};
  for (int quality : {1, 25, 50, 90, 100}) {
    SCOPED_TRACE(quality);
    const std::vector<uint8_t> bytes = EncodeJpeg(picture, quality);
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
    ASSERT_EQ(jpeg_read_header(&cinfo, TRUE), JPEG_HEADER_OK);
    EXPECT_FALSE(cinfo.progressive_mode);
    EXPECT_FALSE(cinfo.arith_code);
    EXPECT_TRUE(cinfo.saw_JFIF_marker);
    EXPECT_EQ(cinfo.jpeg_color_space, JCS_YCbCr);
    EXPECT_EQ(cinfo.data_precision, 8);
    ASSERT_EQ(cinfo.num_components, 3);
    EXPECT_EQ(cinfo.comp_info[0].h_samp_factor, 2);
    EXPECT_EQ(cinfo.comp_info[0].v_samp_factor, 2);
    for (int c = 1; c < 3; ++c) {
      EXPECT_EQ(cinfo.comp_info[c].h_samp_factor, 1);
      EXPECT_EQ(cinfo.comp_info[c].v_samp_factor, 1);
    }
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(cinfo.quant_tbl_ptrs[0]->quantval[i],
                std::clamp((kLumaFirstRow[i] * scale + 50) / 100, 1, 255));
      EXPECT_EQ(cinfo.quant_tbl_ptrs[1]->quantval[i],
                std::clamp((kChromaFirstRow[i] * scale + 50) / 100, 1, 255));
    }
    jpeg_destroy_decompress(&cinfo);
    // Only a baseline frame marker, with standard Huffman tables.
    bool sof0 = false;
    for (size_t i = 2; i + 1 < bytes.size() && bytes[i] == 0xFF && bytes[i + 1] != 0xDA;) {
      const uint8_t marker = bytes[i + 1];
      EXPECT_TRUE(marker < 0xC1 || marker > 0xCF || marker == 0xC4 || marker == 0xCC)
          << int(marker);
      sof0 |= marker == 0xC0;
      i += 2 + ((bytes[i + 2] << 8) | bytes[i + 3]);
    }
    EXPECT_TRUE(sof0);
  }
  EXPECT_EQ(EncodeJpeg(picture, 0), EncodeJpeg(picture, 1));
  EXPECT_GT(EncodeJpeg(picture, 100).size(), EncodeJpeg(picture, 90).size());
}

TEST(JpegTest, DecodesColourGreyProgressiveAndBothKindsOfCmyk) {
  const std::vector<uint8_t> rgb = BlockSamples(3, 2, kSixColors);
  std::vector<uint8_t> grey(32 * 16);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = i % 32 < 16 ? 40 : 220;
  // Red and blue blocks as CMYK, stored inverted (Adobe) and plain.
  std::vector<uint8_t> cmyk_inverted, cmyk_plain;
  for (int i = 0; i < 32 * 16; ++i) {
    const bool red = i % 32 < 16;
    const std::array<uint8_t, 4> ink =
        red ? std::array<uint8_t, 4>{0, 255, 255, 0} : std::array<uint8_t, 4>{255, 255, 0, 0};
    for (uint8_t v : ink) {
      cmyk_plain.push_back(v);
      cmyk_inverted.push_back(static_cast<uint8_t>(255 - v));
    }
  }
  struct Case {
    const char* name;
    std::vector<uint8_t> jpeg;
    TPixel32 left, right;
  };
  const std::vector<Case> cases = {
      {"ycbcr", test::MakeTestJpeg(rgb, 48, 32), kSixColors[0], kSixColors[2]},
      {"progressive", test::MakeTestJpeg(rgb, 48, 32, {.progressive = true}), kSixColors[0],
       kSixColors[2]},
      {"rgb_colour_space", test::MakeTestJpeg(rgb, 48, 32, {.file_space = JCS_RGB}), kSixColors[0],
       kSixColors[2]},
      {"grey", test::MakeTestJpeg(grey, 32, 16, {.input_space = JCS_GRAYSCALE}),
       MakePixel(40, 40, 40), MakePixel(220, 220, 220)},
      {"adobe_cmyk", test::MakeTestJpeg(cmyk_inverted, 32, 16, {.input_space = JCS_CMYK}),
       MakePixel(255, 0, 0), MakePixel(0, 0, 255)},
      {"adobe_ycck",
       test::MakeTestJpeg(cmyk_inverted, 32, 16, {.input_space = JCS_CMYK, .file_space = JCS_YCCK}),
       MakePixel(255, 0, 0), MakePixel(0, 0, 255)},
      {"plain_cmyk",
       test::MakeTestJpeg(cmyk_plain, 32, 16, {.input_space = JCS_CMYK, .adobe_marker = false}),
       MakePixel(255, 0, 0), MakePixel(0, 0, 255)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TBitmap32 picture = Decode(c.jpeg);
    EXPECT_EQ(PixelAlpha(picture.At(0, 0)), 255);
    EXPECT_LE(Diff(picture.At(4, 4), c.left), 3);
    EXPECT_LE(Diff(picture.At(picture.Width() - 4, 4), c.right), 3);
  }
}

TEST(JpegTest, DamagedAndUnsupportedJpegsFailWithTheDecodersError) {
  const std::vector<uint8_t> twelve_bit = {0xFF, 0xD8, 0xFF, 0xC1, 0x00, 0x11, 0x0C, 0x00,
                                           0x10, 0x00, 0x10, 0x03, 0x01, 0x22, 0x00, 0x02,
                                           0x11, 0x01, 0x03, 0x11, 0x01, 0xFF, 0xD9};
  const std::vector<uint8_t> no_frame = {0xFF, 0xD8, 0xFF, 0xD9};
  std::vector<uint8_t> huge = test::MakeTestJpeg(std::vector<uint8_t>(16 * 16 * 3), 16, 16);
  // Patch the frame header to 65000 x 65000: 4.2 gigapixels, refused before allocating.
  for (size_t i = 0; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 0xFD;
      huge[i + 6] = huge[i + 8] = 0xE8;
      break;
    }
  }
  for (const auto& bytes : {twelve_bit, no_frame}) {
    try {
      Decode(bytes);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()).rfind("JPEG error #", 0), 0u) << e.what();
    }
  }
  EXPECT_THROW(Decode(huge), Error);
}

TEST(JpegTest, ATruncatedJpegStillDecodes) {
  // Flat blocks on top, noise below so that the entropy-coded data dominates the file.
  std::vector<uint8_t> rgb = BlockSamples(3, 1, kSixColors);
  std::mt19937 random(4);
  for (int i = 0; i < 48 * 48 * 3; ++i) rgb.push_back(static_cast<uint8_t>(random()));
  std::vector<uint8_t> bytes = test::MakeTestJpeg(rgb, 48, 64);
  bytes.resize(bytes.size() * 3 / 4);
  const TBitmap32 picture = Decode(bytes);
  EXPECT_EQ(picture.Height(), 64);
  EXPECT_LE(Diff(picture.At(4, 4), kSixColors[0]), 3);
}

// A stream whose reads fail once `limit` bytes have been read, like a file on a failing disk.
class FailingStream : public TMemoryStream {
 public:
  FailingStream(std::vector<uint8_t> bytes, size_t limit)
      : TMemoryStream(std::move(bytes)), m_limit(limit) {}
  size_t Read(void* buffer, size_t count) override {
    if (static_cast<size_t>(Position()) + count > m_limit) throw Error("read error of the disk");
    return TMemoryStream::Read(buffer, count);
  }

 private:
  size_t m_limit;
};

std::vector<uint8_t> NoiseJpeg(int width, int height) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  std::mt19937 random(7);
  for (uint8_t& v : rgb) v = static_cast<uint8_t>(random());
  return test::MakeTestJpeg(rgb, width, height);
}

TEST(JpegTest, AReadErrorOfTheStreamIsPassedOnNotPaddedAsTheEndOfThePhoto) {
  const std::vector<uint8_t> bytes = NoiseJpeg(512, 512);
  // In the headers, and in the middle of the scan data (reads come in 64 KiB blocks).
  for (const size_t limit : {size_t{100}, bytes.size() / 2}) {
    SCOPED_TRACE(limit);
    FailingStream stream(bytes, limit);
    TBitmap32 picture;
    try {
      DecodeJpeg(stream, picture);
      ADD_FAILURE() << "decoded without an error";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "read error of the disk");
    }
  }
}

TEST(JpegTest, RunningOutOfMemoryInTheEncodersOutputEndsThroughLibjpeg) {
  TBitmap32 noise(1024, 1024);
  std::mt19937 random(3);
  for (int y = 0; y < noise.Height(); ++y) {
    for (int x = 0; x < noise.Width(); ++x) noise.Row(y)[x] = static_cast<TPixel32>(random());
  }
  // The encoded noise outgrows 512 KiB; growing the output buffer then fails. Every failed
  // encode must hand on std::bad_alloc and give back libjpeg's memory.
  const size_t before = mallinfo2().uordblks;
  g_fail_new_above = 512 << 10;
  for (int i = 0; i < 20; ++i) EXPECT_THROW(EncodeJpeg(noise, 100), std::bad_alloc);
  g_fail_new_above = 0;
  if (!test::UnderSanitizer()) {  // there the leak checker has the last word
    EXPECT_LT(mallinfo2().uordblks, before + (256 << 10)) << "libjpeg's memory leaked";
  }
  EXPECT_FALSE(EncodeJpeg(noise, 100).empty());
}

// Where the stored picture's top-left and top-right blocks stand once upright.
enum Corner { kTopLeft, kTopRight, kBottomLeft, kBottomRight };
struct OrientationCase {
  int orientation;
  Corner top_left_goes_to, top_right_goes_to;
};
constexpr std::array<OrientationCase, 8> kOrientations{{
    {1, kTopLeft, kTopRight},
    {2, kTopRight, kTopLeft},
    {3, kBottomRight, kBottomLeft},
    {4, kBottomLeft, kBottomRight},
    {5, kTopLeft, kBottomLeft},
    {6, kTopRight, kBottomRight},
    {7, kBottomRight, kTopRight},
    {8, kBottomLeft, kTopLeft},
}};

TPixel32 CornerPixel(const TBitmap32& picture, Corner corner) {
  const int x = corner == kTopLeft || corner == kBottomLeft ? 3 : picture.Width() - 4;
  const int y = corner == kTopLeft || corner == kTopRight ? 3 : picture.Height() - 4;
  return picture.At(x, y);
}

TEST(JpegTest, ExifOrientationTurnsThePictureUpright) {
  const std::vector<uint8_t> rgb = BlockSamples(3, 2, kSixColors);  // 48 x 32 stored
  for (const OrientationCase& c : kOrientations) {
    for (bool big_endian : {false, true}) {
      SCOPED_TRACE(::testing::Message()
                   << "orientation " << c.orientation << (big_endian ? " MM" : " II"));
      const TBitmap32 picture = Decode(test::MakeTestJpeg(
          rgb, 48, 32, {.app1 = test::ExifWithOrientation(c.orientation, big_endian)}));
      const bool swapped = c.orientation >= 5;
      EXPECT_EQ(picture.Width(), swapped ? 32 : 48);
      EXPECT_EQ(picture.Height(), swapped ? 48 : 32);
      EXPECT_LE(Diff(CornerPixel(picture, c.top_left_goes_to), kSixColors[0]), 3);
      EXPECT_LE(Diff(CornerPixel(picture, c.top_right_goes_to), kSixColors[2]), 3);
    }
  }
}

TEST(JpegTest, MissingOrDamagedExifLeavesThePictureAsStored) {
  std::vector<uint8_t> good = test::ExifWithOrientation(6);
  std::vector<uint8_t> bad_order = good, bad_offset = good, out_of_range = good;
  bad_order[6] = 'X';
  bad_offset[10] = 0xF0;                 // IFD0 beyond the segment
  out_of_range[6 + 8 + 2 + 12 + 8] = 9;  // orientation value 9
  EXPECT_EQ(ReadExifOrientation(good.data(), good.size()), 6);
  EXPECT_EQ(ReadExifOrientation(good.data(), good.size() - 10), 1);  // cut inside the entry
  for (const auto& data : {bad_order, bad_offset, out_of_range}) {
    EXPECT_EQ(ReadExifOrientation(data.data(), data.size()), 1);
  }
  const std::vector<uint8_t> not_exif = {'X', 'M', 'P', 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(ReadExifOrientation(not_exif.data(), not_exif.size()), 1);
}

}  // namespace
}  // namespace fotoloom
