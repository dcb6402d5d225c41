#include "core/imaging/ConvertImageWithOverlay.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <thread>

#include "core/base/Error.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

constexpr TColor kWhiteBackground = 0x00FFFFFF;
const TPixel32 kGrey = MakePixel(90, 90, 90), kRed = MakePixel(255, 0, 0);

int Diff(TPixel32 a, TPixel32 b) {
  return std::max({std::abs(PixelRed(a) - PixelRed(b)), std::abs(PixelGreen(a) - PixelGreen(b)),
                   std::abs(PixelBlue(a) - PixelBlue(b))});
}

std::vector<uint8_t> SolidJpeg(int width, int height, TPixel32 color) {
  TBitmap32 picture(width, height);
  picture.Fill(color);
  return EncodeJpeg(picture, 100);
}

TBitmap32 DecodeBytes(const std::vector<uint8_t>& jpeg) {
  TMemoryStream stream(jpeg);
  TBitmap32 picture;
  DecodeJpeg(stream, picture);
  return picture;
}

using test::ErrorOf;

class ConvertImageWithOverlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFileBytes(Photo(), SolidJpeg(300, 200, kGrey));
    test::WriteFileBytes(Logo(), SolidJpeg(100, 40, kRed));
  }
  std::string Photo() const { return dir.File("photo.jpg"); }
  std::string Logo() const { return dir.File("logo.jpg"); }
  std::string Out() const { return dir.File("out.jpg"); }
  // 200 x 60 with a long line of text and the logo: the logo covers x 90..189, y 10..49.
  void Convert(bool add_logo, const std::string& logo, bool add_text) {
    ConvertImageFileWithOverlay(Photo(), Out(), 200, 60, kWhiteBackground, add_logo, logo, add_text,
                                22, "MMMMMMMMMMMMMMMM", 100, 255);
  }
  test::TempDir dir;
};

TEST_F(ConvertImageWithOverlayTest, TheLogoLiesOnTopOfTheText) {
  Convert(true, Logo(), true);
  const TBitmap32 out = DecodeBytes(test::ReadFileBytes(Out()));
  ASSERT_EQ(out.Width(), 200);
  ASSERT_EQ(out.Height(), 60);
  // Inside the logo (away from its edges, where JPEG blurs) only the logo shows; left of
  // it the text does.
  for (int y = 13; y <= 46; ++y)
    for (int x = 93; x <= 186; ++x) ASSERT_LE(Diff(out.At(x, y), kRed), 12) << x << "," << y;
  int white = 0;
  for (int y = 24; y < 60; ++y)
    for (int x = 20; x < 85; ++x) white += PixelGreen(out.At(x, y)) > 200;
  EXPECT_GT(white, 100);
}

TEST_F(ConvertImageWithOverlayTest, LogoFailuresFailThePhotoOrLeaveTheLogoOut) {
  Convert(false, "", true);
  const std::vector<uint8_t> text_only = test::ReadFileBytes(Out());
  ASSERT_FALSE(text_only.empty());

  test::WriteFileBytes(dir.File("notes.png"), {'n', 'o', ' ', 'l', 'o', 'g', 'o'});
  test::WriteFileBytes(dir.File("damaged.bmp"), {'B', 'M'});
  struct LogoCase {
    std::string logo, error;
  };
  const std::vector<LogoCase> cases = {
      {dir.File("missing.png"),
       "Cannot open file \"" + dir.File("missing.png") + "\". No such file or directory"},
      {"", "Cannot open file \"\". No such file or directory"},
      {dir.File("damaged.bmp"), "Bitmap image is not valid"},
      {dir.File("notes.png"), ""},
  };
  for (const LogoCase& c : cases) {
    SCOPED_TRACE(c.logo);
    test::WriteFileBytes(Out(), {1, 2, 3});
    EXPECT_EQ(ErrorOf([&] { Convert(true, c.logo, true); }), c.error);
    if (c.error.empty()) {
      EXPECT_EQ(test::ReadFileBytes(Out()), text_only);
    } else {
      EXPECT_EQ(std::filesystem::file_size(Out()), 0u);
    }
  }

  // The files are handled as by the plain form: the source is never the destination.
  EXPECT_EQ(ErrorOf([&] {
              ConvertImageFileWithOverlay(Photo(), Photo(), 20, 20, kWhiteBackground, true, Logo(),
                                          false, 22, "", 90, 255);
            }),
            "Cannot create file \"" + Photo() + "\". Device or resource busy");
  EXPECT_EQ(test::ReadFileBytes(Photo()), SolidJpeg(300, 200, kGrey));
}

TEST_F(ConvertImageWithOverlayTest, ALogoDeletedDuringABatchFailsTheFollowingPhotos) {
  Convert(true, Logo(), false);
  EXPECT_GT(std::filesystem::file_size(Out()), 0u);
  Convert(true, Logo(), false);  // the second photo of the batch
  EXPECT_GT(std::filesystem::file_size(Out()), 0u);
  ASSERT_EQ(std::remove(Logo().c_str()), 0);
  EXPECT_EQ(ErrorOf([&] { Convert(true, Logo(), false); }),
            "Cannot open file \"" + Logo() + "\". No such file or directory");
  EXPECT_EQ(std::filesystem::file_size(Out()), 0u);
}

TEST_F(ConvertImageWithOverlayTest, PhotosConvertedOnSeveralThreadsComeOutAlike) {
  const std::vector<uint8_t> photo = SolidJpeg(300, 200, kGrey);
  const auto convert = [&](int font_size) {
    TMemoryStream source(photo), dest;
    ConvertImageStreamWithOverlay(source, dest, 200, 60, kWhiteBackground, true, Logo(), true,
                                  font_size, "Caf\u00e9 \u20ac 12", 90, 128);
    return dest.Bytes();
  };
  const std::vector<uint8_t> small = convert(10), large = convert(30);
  std::vector<std::jthread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 6; ++i) wrong[t] += convert(t % 2 ? 10 : 30) != (t % 2 ? small : large);
    });
  }
  threads.clear();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace fotoloom
