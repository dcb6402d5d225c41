#include "core/imaging/codecs/PictureRows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Stream.h"
#include "core/imaging/LoadPicture.h"
#include "core/imaging/ResampleRows.h"
#include "core/imaging/codecs/BmpWriter.h"
#include "core/imaging/codecs/GifWriter.h"
#include "support/TestPhotoFormats.h"

namespace fotoloom {
namespace {

// 256 colours at most (a GIF holds them all), different in every row and column.
TBitmap32 Pattern(int width, int height) {
  TBitmap32 picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      picture.At(x, y) = MakePixel(static_cast<uint8_t>(x / 3 % 8 * 32),
                                   static_cast<uint8_t>(y / 3 % 8 * 32),
                                   static_cast<uint8_t>((x + y) % 4 * 64));
    }
  }
  return picture;
}

std::vector<uint8_t> Rgba(const TBitmap32& picture) {
  std::vector<uint8_t> rgba;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const TPixel32 p = picture.At(x, y);
      rgba.insert(rgba.end(), {PixelRed(p), PixelGreen(p), PixelBlue(p), 255});
    }
  }
  return rgba;
}

bool Same(const TBitmap32& a, const TBitmap32& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         std::memcmp(a.Bits(), b.Bits(), sizeof(TPixel32) * a.Width() * a.Height()) == 0;
}

// The rows of each format that has them, read one by one or resampled as they come, give
// what the whole decode gives: a bottom-up BMP read backwards in blocks, a TIFF in strips
// of 8 rows.
TEST(PictureRowsTest, RowsGiveWhatTheWholeDecodeGives) {
  const TBitmap32 pattern = Pattern(301, 203);
  const struct {
    const char* name;
    TImageType type;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"bmp", itBMP, EncodeBmp24(pattern)},
      {"gif", itGIF, EncodeGif(pattern).value()},
      {"tiff", itTIFF, test::MakeTestTiff(Rgba(pattern), 301, 203)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoryStream whole_stream(c.bytes);
    TBitmap32 whole;
    std::vector<uint8_t> icc_profile;
    DecodePicture(whole_stream, c.type, whole, icc_profile);
    EXPECT_TRUE(Same(whole, pattern));

    TMemoryStream stream(c.bytes);
    const std::unique_ptr<TPictureRows> rows = OpenPictureRows(stream, c.type);
    ASSERT_TRUE(rows);
    TBitmap32 read(rows->Width(), rows->Height());
    for (int y = 0; y < read.Height(); ++y) rows->ReadRow(read.Row(y));
    EXPECT_TRUE(Same(read, whole));

    TMemoryStream again(c.bytes);
    EXPECT_TRUE(Same(ResampleRows(*OpenPictureRows(again, c.type), 97, 41),
                     ResamplePicture(whole, 97, 41)));
  }
}

}  // namespace
}  // namespace fotoloom
