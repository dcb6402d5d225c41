#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "core/base/Error.h"
#include "core/imaging/Thumbnail.h"
#include "core/imaging/codecs/BmpWriter.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/JpegReader.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "core/imaging/resample/Resampler.h"
#include "support/TestJpeg.h"
#include "support/TestPhotoFormats.h"

namespace fotoloom {
namespace {

int Diff(TPixel32 a, TPixel32 b) {
  return std::max({std::abs(PixelRed(a) - PixelRed(b)), std::abs(PixelGreen(a) - PixelGreen(b)),
                   std::abs(PixelBlue(a) - PixelBlue(b))});
}

// Smooth diagonal gradients: no detail finer than what a thumbnail keeps.
TBitmap32 Gradient(int width, int height) {
  TBitmap32 picture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      picture.At(x, y) =
          MakePixel(static_cast<uint8_t>(x * 255 / width), static_cast<uint8_t>(y * 255 / height),
                    static_cast<uint8_t>((x + y) * 127 / (width + height)));
  return picture;
}

TBitmap32 Thumbnail(const std::vector<uint8_t>& bytes, int max_side) {
  TMemoryStream stream(bytes);
  return LoadThumbnail(stream, max_side);
}

TEST(ThumbnailTest, FitsTheSquareWithTheAspectRatioKept) {
  struct Case {
    int width, height, max_side, want_width, want_height;
  };
  const Case cases[] = {
      {600, 400, 128, 128, 85},                                 // landscape, scaled 1/4 in the DCT
      {400, 600, 128, 85, 128},                                 // portrait
      {1024, 1024, 128, 128, 128}, {1000, 750, 256, 256, 192},  // 1/2: 1/4 would leave 250 < 256
      {2000, 20, 128, 128, 1},  // the short side never drops to zero
      {100, 60, 128, 100, 60},  // small photos are not enlarged
      {128, 40, 128, 128, 40},
  };
  for (const Case& c : cases) {
    const TBitmap32 source = Gradient(c.width, c.height);
    for (const auto& [format, bytes] :
         {std::pair{"jpeg", EncodeJpeg(source, 90)}, std::pair{"bmp", EncodeBmp24(source)}}) {
      SCOPED_TRACE(std::string(format) + " " + std::to_string(c.width) + "x" +
                   std::to_string(c.height) + " in " + std::to_string(c.max_side));
      const TBitmap32 thumbnail = Thumbnail(bytes, c.max_side);
      EXPECT_EQ(thumbnail.Width(), c.want_width);
      EXPECT_EQ(thumbnail.Height(), c.want_height);
    }
  }
}

TEST(ThumbnailTest, JpegReducedInTheDctLooksLikeAFullDecodeResized) {
  for (const auto& [width, height] : {std::pair{1600, 1200}, std::pair{1203, 1601}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    const std::vector<uint8_t> bytes = EncodeJpeg(Gradient(width, height), 95);
    const TBitmap32 thumbnail = Thumbnail(bytes, 128);

    TMemoryStream stream(bytes);
    TBitmap32 full;
    DecodeJpeg(stream, full);
    const TBitmap32 reference = ResamplePicture(full, thumbnail.Width(), thumbnail.Height());
    int worst = 0;
    long total = 0;
    for (int y = 0; y < thumbnail.Height(); ++y) {
      for (int x = 0; x < thumbnail.Width(); ++x) {
        const int d = Diff(thumbnail.At(x, y), reference.At(x, y));
        worst = std::max(worst, d);
        total += d;
        EXPECT_EQ(PixelAlpha(thumbnail.At(x, y)), 255);
      }
    }
    EXPECT_LE(worst, 6);
    EXPECT_LE(total / (thumbnail.Width() * thumbnail.Height()), 1);
  }
}

TEST(ThumbnailTest, EveryColourSpaceKeepsItsColourWhenReduced) {
  constexpr int kSide = 96;  // reduced 1/2 for a 48-pixel thumbnail
  struct Case {
    const char* name;
    J_COLOR_SPACE space;
    std::vector<uint8_t> sample;
    bool adobe_marker;
  };
  const Case cases[] = {
      {"rgb", JCS_RGB, {200, 60, 30}, true},
      {"grey", JCS_GRAYSCALE, {90}, true},
      {"cmyk adobe", JCS_CMYK, {40, 120, 200, 30}, true},
      {"cmyk plain", JCS_CMYK, {40, 120, 200, 30}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> samples;
    for (int i = 0; i < kSide * kSide; ++i)
      samples.insert(samples.end(), c.sample.begin(), c.sample.end());
    test::TestJpegOptions options;
    options.input_space = c.space;
    options.adobe_marker = c.adobe_marker;
    const std::vector<uint8_t> bytes = test::MakeTestJpeg(samples, kSide, kSide, options);

    TMemoryStream stream(bytes);
    TBitmap32 full;
    DecodeJpeg(stream, full);
    const TBitmap32 thumbnail = Thumbnail(bytes, 48);
    ASSERT_EQ(thumbnail.Width(), 48);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 48; ++x) ASSERT_LE(Diff(thumbnail.At(x, y), full.At(48, 48)), 2);
  }
}

TEST(ThumbnailTest, JpegReaderScalesRoundUp) {
  const std::vector<uint8_t> bytes = EncodeJpeg(Gradient(1001, 601), 80);
  struct Case {
    int scale, width, height;
  };
  for (const Case& c :
       {Case{1, 1001, 601}, Case{2, 501, 301}, Case{4, 251, 151}, Case{8, 126, 76}}) {
    SCOPED_TRACE(c.scale);
    TMemoryStream stream(bytes);
    TJpegReader reader(stream, 4, c.scale);
    EXPECT_EQ(reader.Width(), 1001);
    EXPECT_EQ(reader.OutputWidth(), c.width);
    EXPECT_EQ(reader.OutputHeight(), c.height);
    std::vector<uint8_t> row(static_cast<size_t>(c.width) * 4);
    uint8_t* rows[] = {row.data()};
    int count = 0;
    while (reader.ReadRows(rows, 1) == 1) ++count;
    EXPECT_EQ(count, c.height);
  }
}

TEST(ThumbnailTest, ExifOrientationIsNotApplied) {
  std::vector<uint8_t> samples;
  for (int i = 0; i < 300 * 100; ++i) samples.insert(samples.end(), {10, 200, 10});
  test::TestJpegOptions options;
  options.app1 = test::ExifWithOrientation(6);
  const TBitmap32 thumbnail = Thumbnail(test::MakeTestJpeg(samples, 300, 100, options), 150);
  EXPECT_EQ(thumbnail.Width(), 150);
  EXPECT_EQ(thumbnail.Height(), 50);
}

std::vector<uint8_t> FlatSamples(int width, int height, std::initializer_list<uint8_t> pixel) {
  std::vector<uint8_t> samples;
  for (int i = 0; i < width * height; ++i) samples.insert(samples.end(), pixel);
  return samples;
}

// A camera photo carries a small picture of itself: green photo, red thumbnail here, so the
// result shows which one was read.
TEST(ThumbnailTest, CameraJpegsOwnThumbnailStandsInWhenLargeEnoughAndOfTheSameShape) {
  const struct {
    const char* name;
    int photo_width, photo_height, thumb_width, thumb_height, max_side;
    bool own;
  } cases[] = {
      {"4:3 photo, 160 x 120 thumbnail, 128 asked", 640, 480, 160, 120, 128, true},
      {"exactly as large as asked", 640, 480, 160, 120, 160, true},
      {"too small for what is asked", 640, 480, 160, 120, 256, false},
      {"3:2 photo, barred 4:3 thumbnail", 600, 400, 160, 120, 128, false},
      {"3:2 photo, 160 x 107 thumbnail", 600, 400, 160, 107, 128, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestJpegOptions options;
    options.app1 = test::ExifWithThumbnail(
        6, test::MakeTestJpeg(FlatSamples(c.thumb_width, c.thumb_height, {220, 20, 20}),
                              c.thumb_width, c.thumb_height));
    const TBitmap32 thumbnail =
        Thumbnail(test::MakeTestJpeg(FlatSamples(c.photo_width, c.photo_height, {20, 200, 20}),
                                     c.photo_width, c.photo_height, options),
                  c.max_side);
    // Never turned, as the photo's own thumbnail is not: the stored shape stays.
    EXPECT_EQ(thumbnail.Width(), c.max_side);
    EXPECT_NEAR(thumbnail.Height(), c.max_side * c.photo_height / c.photo_width, 1);
    const TPixel32 centre = thumbnail.At(thumbnail.Width() / 2, thumbnail.Height() / 2);
    EXPECT_EQ(PixelRed(centre) > PixelGreen(centre), c.own);
  }
}

TEST(ThumbnailTest, DamagedExifThumbnailLeavesThePhotoToBeRead) {
  std::vector<uint8_t> small = test::MakeTestJpeg(FlatSamples(160, 120, {220, 20, 20}), 160, 120);
  small.resize(small.size() / 2);
  test::TestJpegOptions options;
  options.app1 = test::ExifWithThumbnail(1, small);
  const TBitmap32 thumbnail =
      Thumbnail(test::MakeTestJpeg(FlatSamples(640, 480, {20, 200, 20}), 640, 480, options), 128);
  ASSERT_EQ(thumbnail.Width(), 128);
  EXPECT_GT(PixelGreen(thumbnail.At(64, 48)), 150);
}

TEST(ThumbnailTest, HeicsOwnThumbnailIsUsedUprightWhenLargeEnough) {
  // The photo is green, its thumbnail red; both stored turned, with rotation properties.
  constexpr int kW = 128, kH = 64;
  const auto rgba = [](uint8_t r, uint8_t g) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < kW * kH; ++i) bytes.insert(bytes.end(), {r, g, 20, 255});
    return bytes;
  };
  const struct {
    int orientation, max_side;
    bool own;
  } cases[] = {{1, 48, true}, {1, 64, true}, {1, 96, false}, {6, 48, true}, {8, 96, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE("orientation " + std::to_string(c.orientation) + ", " +
                 std::to_string(c.max_side));
    test::TestPhotoOptions options;
    options.orientation = c.orientation;
    options.thumbnail_side = 64;
    options.thumbnail_rgba = rgba(220, 20);
    const TBitmap32 thumbnail =
        Thumbnail(test::MakeTestHeif(rgba(20, 200), kW, kH, false, options), c.max_side);
    const bool portrait = c.orientation >= 5;
    EXPECT_EQ(std::max(thumbnail.Width(), thumbnail.Height()), c.max_side);
    EXPECT_EQ(thumbnail.Width() < thumbnail.Height(), portrait) << "upright as the photo";
    const TPixel32 centre = thumbnail.At(thumbnail.Width() / 2, thumbnail.Height() / 2);
    EXPECT_EQ(PixelRed(centre) > PixelGreen(centre), c.own);
  }
}

TEST(ThumbnailTest, DamagedDataThrows) {
  const std::vector<uint8_t> jpeg = EncodeJpeg(Gradient(64, 48), 90);
  std::vector<uint8_t> bad_header = jpeg;
  // The first marker after SOI turned into nonsense.
  std::fill(bad_header.begin() + 2, bad_header.begin() + 40, 0x00);
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
      {"not a picture", std::vector<uint8_t>(500, 0x41)},
      {"jpeg cut in its header", {jpeg.begin(), jpeg.begin() + 30}},
      {"jpeg header overwritten", bad_header},
      {"empty", {}},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    EXPECT_THROW(Thumbnail(bytes, 128), Error);
  }
}

}  // namespace
}  // namespace fotoloom
