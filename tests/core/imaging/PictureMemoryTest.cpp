#include "core/imaging/PictureMemory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Stream.h"
#include "core/imaging/ConvertImage.h"
#include "core/imaging/codecs/Decoders.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

namespace fotoloom {
namespace {

// A JPEG converted into a box is streamed: it takes from the budget what the reader holds
// (its rows, and the coefficients of a photo in several scans), not the 96 MB the picture
// has at full size. A budget of 64 MB so converts a 24 megapixel baseline photo, refuses the
// same photo progressive (72 MB of coefficients), and refuses a whole decode of either.
TEST(PictureMemoryTest, AJpegReservesWhatItsReaderHolds) {
  constexpr int kWidth = 6000, kHeight = 4000;
  const std::string too_large = "Picture is too large (6000 x 4000 pixels)";
  std::vector<uint8_t> samples(size_t{kWidth} * kHeight * 3);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i / 3 % 251);
  test::TestJpegOptions progressive;
  progressive.progressive = true;
  progressive.quality = 75;
  const std::vector<uint8_t> baseline_jpeg =
      test::MakeTestJpeg(samples, kWidth, kHeight, {.quality = 75});
  const std::vector<uint8_t> progressive_jpeg = test::MakeTestJpeg(samples, kWidth, kHeight,
                                                                   progressive);
  samples = {};

  test::TempDir dir;
  SetPictureMemoryBudget(uint64_t{64} << 20);
  struct Case {
    const char* name;
    const std::vector<uint8_t>& bytes;
    std::string converted_error, whole_error;
  };
  for (const Case& c : {Case{"baseline", baseline_jpeg, "", too_large},
                        Case{"progressive", progressive_jpeg, too_large, too_large}}) {
    SCOPED_TRACE(c.name);
    const std::string source = dir.File(std::string(c.name) + ".jpg");
    const std::string dest = dir.File(std::string(c.name) + "-small.jpg");
    test::WriteFileBytes(source, c.bytes);
    EXPECT_EQ(test::ErrorOf([&] { ConvertImageFile(source, dest, 800, 600, 0, 90); }),
              c.converted_error);
    EXPECT_EQ(test::ReadFileBytes(dest).empty(), !c.converted_error.empty());
    EXPECT_EQ(test::ErrorOf([&] {
                const TPictureMemoryScope memory;
                TMemoryStream stream(c.bytes);
                TBitmap32 picture;
                DecodeJpeg(stream, picture);
              }),
              c.whole_error);
  }
  SetPictureMemoryBudget(0);
}

}  // namespace
}  // namespace fotoloom
