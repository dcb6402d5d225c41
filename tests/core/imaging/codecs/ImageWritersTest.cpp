#include <gtest/gtest.h>

#include "core/base/Stream.h"
#include "core/imaging/codecs/BmpWriter.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/GifWriter.h"

namespace fotoloom {
namespace {

TBitmap32 WithColors(int width, int height, int colors) {
  TBitmap32 picture(width, height);
  for (int i = 0; i < width * height; ++i) {
    const int c = i % colors;
    picture.Bits()[i] = MakePixel(static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), 40);
  }
  return picture;
}

// The first pixel that differs, or -1.
int FirstDifference(const TBitmap32& a, const TBitmap32& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 0;
  for (int i = 0; i < a.Width() * a.Height(); ++i) {
    if (a.Bits()[i] != b.Bits()[i]) return i;
  }
  return -1;
}

TEST(BmpWriterTest, EveryRowPaddingReadsBackUnchanged) {
  // Widths 1 to 4 give rows of 3, 6, 9 and 12 bytes: every amount of padding.
  for (int width = 1; width <= 4; ++width) {
    const TBitmap32 picture = WithColors(width, 3, 11);
    const std::vector<uint8_t> bytes = EncodeBmp24(picture);
    const size_t row_size = (width * 3 + 3) & ~3;
    EXPECT_EQ(bytes.size(), 54 + row_size * 3);
    EXPECT_EQ(bytes[28], 24) << "bits per pixel";
    TMemoryStream stream(bytes);
    TBitmap32 decoded;
    DecodeBmp(stream, decoded);
    EXPECT_EQ(FirstDifference(decoded, picture), -1) << "width " << width;
  }
}

TEST(GifWriterTest, UpTo256ColoursReadBackUnchanged) {
  // One colour still needs a map of two entries; 3 and 129 need maps of 4 and 256.
  for (int colors : {1, 2, 3, 129, 256}) {
    const TBitmap32 picture = WithColors(37, 11, colors);
    const std::optional<std::vector<uint8_t>> bytes = EncodeGif(picture);
    ASSERT_TRUE(bytes) << colors;
    TMemoryStream stream(*bytes);
    TBitmap32 decoded;
    DecodeGif(stream, decoded);
    EXPECT_EQ(FirstDifference(decoded, picture), -1) << colors << " colours";
  }
}

TEST(GifWriterTest, MoreThan256ColoursAreRefused) {
  EXPECT_FALSE(EncodeGif(WithColors(37, 11, 257)));
}

}  // namespace
}  // namespace fotoloom
