#include "core/imaging/ConvertImage.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "core/base/Error.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "core/imaging/resample/Orientation.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

namespace fotoloom {
namespace {

constexpr TColor kWhite = 0x00FFFFFF;
const TPixel32 kRed = MakePixel(255, 0, 0), kGreen = MakePixel(0, 255, 0),
               kBlue = MakePixel(0, 0, 255);

int Diff(TPixel32 a, TPixel32 b) {
  return std::max({std::abs(PixelRed(a) - PixelRed(b)), std::abs(PixelGreen(a) - PixelGreen(b)),
                   std::abs(PixelBlue(a) - PixelBlue(b))});
}

TBitmap32 DecodeFile(const std::string& path) {
  TFileStream file = TFileStream::OpenRead(path);
  TBitmap32 picture;
  DecodeJpeg(file, picture);
  return picture;
}

// Three bands of colour, across (vertical bands) or down (horizontal bands).
TBitmap32 Bands(int width, int height, bool across) {
  TBitmap32 picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int band = across ? x * 3 / width : y * 3 / height;
      picture.At(x, y) = band == 0 ? kRed : band == 1 ? kGreen : kBlue;
    }
  }
  return picture;
}

void WriteJpeg(const std::string& path, const TBitmap32& picture) {
  const std::vector<uint8_t> bytes = EncodeJpeg(picture, 100);
  test::WriteFileBytes(path, bytes);
}

using test::ErrorOf;

class ConvertImageTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string Path(const std::string& name) { return dir.File(name); }
  TBitmap32 Convert(const std::string& source, int width, int height, TColor bg = kWhite) {
    ConvertImageFile(source, Path("out.jpg"), width, height, bg, 95);
    return DecodeFile(Path("out.jpg"));
  }
};

TEST_F(ConvertImageTest, LandscapeBoxKeepsTheLeftEdgeAndPortraitBoxKeepsTheTop) {
  // 300 x 200 into 80 x 60: scaled 90 x 60 at (0, 0). Bands 30 wide; centring would have
  // put the green-blue edge at 55 instead of 60.
  WriteJpeg(Path("wide.jpg"), Bands(300, 200, true));
  TBitmap32 out = Convert(Path("wide.jpg"), 80, 60);
  ASSERT_EQ(out.Width(), 80);
  ASSERT_EQ(out.Height(), 60);
  EXPECT_LE(Diff(out.At(26, 30), kRed), 8);
  EXPECT_LE(Diff(out.At(57, 30), kGreen), 8);
  EXPECT_LE(Diff(out.At(63, 30), kBlue), 8);

  // 200 x 300 into 80 x 60: scaled 80 x 120 at (0, -30): rows 30..90 of the bands.
  WriteJpeg(Path("tall.jpg"), Bands(200, 300, false));
  out = Convert(Path("tall.jpg"), 80, 60);
  EXPECT_LE(Diff(out.At(40, 6), kRed), 8);
  EXPECT_LE(Diff(out.At(40, 14), kGreen), 8);
  EXPECT_LE(Diff(out.At(40, 53), kBlue), 8);

  // The same photo into a portrait box 60 x 80: scaled 60 x 90 at (0, 0), bottom cut off.
  out = Convert(Path("tall.jpg"), 60, 80);
  ASSERT_EQ(out.Width(), 60);
  EXPECT_LE(Diff(out.At(30, 26), kRed), 8);
  EXPECT_LE(Diff(out.At(30, 57), kGreen), 8);
  EXPECT_LE(Diff(out.At(30, 63), kBlue), 8);
}

TEST_F(ConvertImageTest, ASquarePhotoInASquareBoxLeavesOneRowOfBackground) {
  // Checked on the canvas before encoding, where a solid colour stays exact.
  TBitmap32 square(100, 100);
  square.Fill(kGreen);
  TMemoryStream source(EncodeJpeg(square, 100));
  TBitmap32 canvas;
  ASSERT_TRUE(RenderCanvas(source, 60, 60, 0x000000FF, canvas));  // red background
  ASSERT_EQ(canvas.Height(), 60);
  for (int x = 0; x < 60; ++x) {
    EXPECT_EQ(canvas.At(x, 59), kRed);
    EXPECT_LE(Diff(canvas.At(x, 58), kGreen), 1);
  }
}

TEST_F(ConvertImageTest, VariableModeAndEnlargementGiveTheRoundedSizes) {
  WriteJpeg(Path("photo.jpg"), Bands(300, 200, true));
  struct SizeCase {
    int width, height, out_width, out_height;
  };
  for (const SizeCase& c : {SizeCase{80, 0, 80, 53}, SizeCase{0, 60, 90, 60},
                            SizeCase{600, 400, 600, 400}, SizeCase{301, 0, 301, 201}}) {
    const TBitmap32 out = Convert(Path("photo.jpg"), c.width, c.height);
    EXPECT_EQ(out.Width(), c.out_width);
    EXPECT_EQ(out.Height(), c.out_height);
  }
}

TEST_F(ConvertImageTest, AThinStripConvertsWithoutMakingItsHugeScaledPicture) {
  // Drawn at 450000 x 600 before cropping; only the 800 columns that show are computed.
  WriteJpeg(Path("strip.jpg"), Bands(3000, 4, true));
  const TBitmap32 out = Convert(Path("strip.jpg"), 800, 600);
  EXPECT_EQ(out.Width(), 800);
  EXPECT_LE(Diff(out.At(400, 300), kRed), 8);
}

TEST_F(ConvertImageTest, EveryFormatIsRecognisedByContent) {
  for (const char* name : {"red-blue-halves.png", "red-blue-halves.gif", "red-blue-halves.bmp",
                           "jpeg-named-as-gif.gif"}) {
    SCOPED_TRACE(name);
    const TBitmap32 out = Convert(test::FixturePath(name), 64, 0);
    ASSERT_EQ(out.Width(), 64);
    ASSERT_EQ(out.Height(), 32);
    EXPECT_LE(Diff(out.At(10, 16), kRed), 8);
    EXPECT_LE(Diff(out.At(54, 16), kBlue), 8);
  }
}

// A photo stored sideways with an EXIF tag converts like the same photo stored upright.
TEST_F(ConvertImageTest, ExifOrientationIsAppliedBeforeResizing) {
  const TBitmap32 stored = Bands(96, 64, true);
  std::vector<uint8_t> rgb;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 96; ++x)
      rgb.insert(rgb.end(), {PixelRed(stored.At(x, y)), PixelGreen(stored.At(x, y)),
                             PixelBlue(stored.At(x, y))});
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    test::WriteFileBytes(
        Path("tagged.jpg"),
        test::MakeTestJpeg(rgb, 96, 64, {.app1 = test::ExifWithOrientation(orientation)}));
    WriteJpeg(Path("upright.jpg"), Upright(stored, orientation));
    for (auto [w, h] : {std::pair{30, 20}, std::pair{20, 30}, std::pair{40, 0}}) {
      const TBitmap32 tagged = Convert(Path("tagged.jpg"), w, h);
      const TBitmap32 upright = Convert(Path("upright.jpg"), w, h);
      ASSERT_EQ(tagged.Width(), upright.Width());
      ASSERT_EQ(tagged.Height(), upright.Height());
      int worst = 0;
      for (int y = 0; y < tagged.Height(); ++y)
        for (int x = 0; x < tagged.Width(); ++x)
          worst = std::max(worst, Diff(tagged.At(x, y), upright.At(x, y)));
      EXPECT_LE(worst, 24) << w << "x" << h;
    }
  }
}

TEST_F(ConvertImageTest, FailuresLeaveWhatTheyShould) {
  WriteJpeg(Path("photo.jpg"), Bands(30, 20, true));
  test::WriteFileBytes(Path("text.jpg"), {'n', 'o', ' ', 'p', 'h', 'o', 't', 'o'});
  test::WriteFileBytes(Path("damaged.bmp"), {'B', 'M'});
  test::WriteFileBytes(Path("out.jpg"), {1, 2, 3});

  // The source cannot be opened: the destination is not touched.
  EXPECT_EQ(
      ErrorOf([&] { ConvertImageFile(Path("missing.jpg"), Path("out.jpg"), 80, 60, kWhite, 90); }),
      "Cannot open file \"" + Path("missing.jpg") + "\". No such file or directory");
  EXPECT_EQ(test::ReadFileBytes(Path("out.jpg")).size(), 3u);

  // The destination cannot be created.
  EXPECT_EQ(
      ErrorOf([&] { ConvertImageFile(Path("photo.jpg"), Path("no/out.jpg"), 80, 60, kWhite, 90); }),
      "Cannot create file \"" + Path("no/out.jpg") + "\". No such file or directory");

  // No picture, a damaged picture, nothing asked: the destination ends with zero bytes.
  EXPECT_EQ(
      ErrorOf([&] { ConvertImageFile(Path("text.jpg"), Path("out.jpg"), 80, 60, kWhite, 90); }),
      "");
  EXPECT_EQ(std::filesystem::file_size(Path("out.jpg")), 0u);
  test::WriteFileBytes(Path("out.jpg"), {1, 2, 3});
  EXPECT_EQ(
      ErrorOf([&] { ConvertImageFile(Path("damaged.bmp"), Path("out.jpg"), 80, 60, kWhite, 90); }),
      "Bitmap image is not valid");
  EXPECT_EQ(std::filesystem::file_size(Path("out.jpg")), 0u);
  EXPECT_EQ(
      ErrorOf([&] { ConvertImageFile(Path("photo.jpg"), Path("out.jpg"), 0, 0, kWhite, 90); }), "");
  EXPECT_EQ(std::filesystem::file_size(Path("out.jpg")), 0u);
}

TEST_F(ConvertImageTest, TheSourceItselfIsNeverTheDestination) {
  WriteJpeg(Path("photo.jpg"), Bands(30, 20, true));
  const std::vector<uint8_t> original = test::ReadFileBytes(Path("photo.jpg"));
  ASSERT_EQ(::link(Path("photo.jpg").c_str(), Path("hardlink.jpg").c_str()), 0);
  ASSERT_EQ(::symlink(Path("photo.jpg").c_str(), Path("symlink.jpg").c_str()), 0);
  std::filesystem::create_directory(Path("sub"));
  for (const std::string& dest :
       {Path("sub/../photo.jpg"), Path("./photo.jpg"), Path("hardlink.jpg"), Path("symlink.jpg")}) {
    SCOPED_TRACE(dest);
    EXPECT_EQ(ErrorOf([&] { ConvertImageFile(Path("photo.jpg"), dest, 10, 10, kWhite, 90); }),
              "Cannot create file \"" + dest + "\". Device or resource busy");
    EXPECT_EQ(test::ReadFileBytes(Path("photo.jpg")), original);
  }
}

TEST_F(ConvertImageTest, StreamsAreReadAndWrittenFromTheirPositions) {
  std::vector<uint8_t> source = {'x', 'y'};
  const std::vector<uint8_t> jpeg = EncodeJpeg(Bands(30, 20, true), 100);
  source.insert(source.end(), jpeg.begin(), jpeg.end());
  TMemoryStream in(source), out(std::vector<uint8_t>{'h', 'e', 'a', 'd'});
  in.Seek(2);
  out.Seek(4);
  ConvertImageStream(in, out, 15, 10, kWhite, 0);
  ASSERT_GT(out.Bytes().size(), 4u);
  EXPECT_EQ(out.Bytes()[4], 0xFF);
  EXPECT_EQ(out.Bytes()[5], 0xD8);
  // Quality 0 is quality 1.
  TMemoryStream in1(source), out1(std::vector<uint8_t>{'h', 'e', 'a', 'd'});
  in1.Seek(2);
  out1.Seek(4);
  ConvertImageStream(in1, out1, 15, 10, kWhite, 1);
  EXPECT_EQ(out.Bytes(), out1.Bytes());
}

}  // namespace
}  // namespace fotoloom
