#include "core/imaging/PhotoRotation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/base/Error.h"
#include "core/imaging/codecs/BmpWriter.h"
#include "core/imaging/codecs/GifWriter.h"
#include "core/imaging/codecs/ImageInfo.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "core/imaging/LoadByExtension.h"
#include "core/imaging/QuarterTurn.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

using test::FixturePath;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

constexpr TPixel32 kRed = MakePixel(255, 0, 0);
constexpr TPixel32 kGreen = MakePixel(0, 255, 0);
constexpr TPixel32 kBlue = MakePixel(0, 0, 255);
constexpr TPixel32 kWhite = MakePixel(255, 255, 255);

// Quarters red, green (top) and blue, white (bottom): every turn puts them elsewhere.
TBitmap32 Quarters(int width, int height) {
  TBitmap32 picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2, bottom = y >= height / 2;
      picture.At(x, y) = bottom ? (right ? kWhite : kBlue) : (right ? kGreen : kRed);
    }
  }
  return picture;
}

bool Near(TPixel32 pixel, TPixel32 expected) {
  return std::abs(PixelRed(pixel) - PixelRed(expected)) < 30 &&
         std::abs(PixelGreen(pixel) - PixelGreen(expected)) < 30 &&
         std::abs(PixelBlue(pixel) - PixelBlue(expected)) < 30;
}

bool Same(const TBitmap32& a, const TBitmap32& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         std::equal(a.Bits(), a.Bits() + a.Width() * a.Height(), b.Bits());
}

std::string ErrorText(const auto& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(PhotoRotationTest, JpegPhotoBecomesATurnedJpeg) {
  TempDir dir;
  const std::string photo = dir.File("photo.jpg");
  WriteFileBytes(photo, EncodeJpeg(Quarters(30, 20), 50));
  const TBitmap32 turned = RotatePhotoFile(photo);
  const TImageInfo info = GetImageFileInfo(photo);
  EXPECT_EQ(info.ImageType, itJPEG);
  EXPECT_EQ(info.Width, 20);
  EXPECT_EQ(info.Height, 30);
  EXPECT_EQ(turned.Width(), 20);
  // Red top-left goes to the top-right, green below it, blue to the top-left.
  const TBitmap32 written = LoadPictureByExtension(photo);
  EXPECT_TRUE(Near(written.At(15, 5), kRed));
  EXPECT_TRUE(Near(written.At(15, 25), kGreen));
  EXPECT_TRUE(Near(written.At(5, 5), kBlue));
  EXPECT_TRUE(Near(written.At(5, 25), kWhite));
}

TEST(PhotoRotationTest, BmpAndGifPhotosStayInTheirFormatAndTurnExactly) {
  TempDir dir;
  const TBitmap32 picture = Quarters(7, 4);
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    TImageType type;
  } cases[] = {
      {"photo.bmp", EncodeBmp24(picture), itBMP},
      {"photo.GIF", *EncodeGif(picture), itGIF},
  };
  for (const auto& c : cases) {
    const std::string photo = dir.File(c.name);
    WriteFileBytes(photo, c.bytes);
    RotatePhotoFile(photo);
    EXPECT_EQ(GetImageFileInfo(photo).ImageType, c.type) << c.name;
    EXPECT_TRUE(Same(LoadPictureByExtension(photo), TurnQuarterClockwise(picture))) << c.name;
  }
  // A BMP written by another program is turned the same way.
  WriteFileBytes(dir.File("fixture.bmp"), ReadFileBytes(FixturePath("red-blue-halves.bmp")));
  const TBitmap32 before = LoadPictureByExtension(dir.File("fixture.bmp"));
  RotatePhotoFile(dir.File("fixture.bmp"));
  EXPECT_TRUE(Same(LoadPictureByExtension(dir.File("fixture.bmp")), TurnQuarterClockwise(before)));
}

TEST(PhotoRotationTest, RefusedPhotosAreLeftUnchanged) {
  TempDir dir;
  WriteFileBytes(dir.File("logo.png"), ReadFileBytes(FixturePath("red-blue-halves.png")));
  WriteFileBytes(dir.File("jpeg.gif"), ReadFileBytes(FixturePath("jpeg-named-as-gif.gif")));
  WriteFileBytes(dir.File("photo.tif"), ReadFileBytes(FixturePath("red-blue-halves.bmp")));
  // Formats that are read but not written are refused by name, whatever they hold.
  for (const char* name : {"phone.HEIC", "photo.heif", "photo.avif", "photo.webp", "scan.tiff"})
    WriteFileBytes(dir.File(name), ReadFileBytes(FixturePath("red-blue-halves.bmp")));
  const struct {
    const char* name;
    std::string error_start;
  } cases[] = {
      {"logo.png", "Een PNG-bestand kan niet gedraaid worden."},
      {"jpeg.gif", "GIF error"},  // JPEG data under a GIF name fails in its decoder
      {"photo.tif", "Een TIFF-bestand kan niet gedraaid worden."},
      {"scan.tiff", "Een TIFF-bestand kan niet gedraaid worden."},
      {"phone.HEIC", "Een HEIC-bestand kan niet gedraaid worden."},
      {"photo.heif", "Een HEIF-bestand kan niet gedraaid worden."},
      {"photo.avif", "Een AVIF-bestand kan niet gedraaid worden."},
      {"photo.webp", "Een WebP-bestand kan niet gedraaid worden."},
  };
  for (const auto& c : cases) {
    const std::vector<uint8_t> before = ReadFileBytes(dir.File(c.name));
    const std::string error = ErrorText([&] { RotatePhotoFile(dir.File(c.name)); });
    EXPECT_EQ(error.rfind(c.error_start, 0), 0u) << error;
    EXPECT_EQ(ReadFileBytes(dir.File(c.name)), before) << c.name;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 8);
}

TEST(PhotoRotationTest, GifWithMoreThan256ColoursIsRefused) {
  // A GIF image smaller than its screen shows white around it: 256 colours plus white.
  TempDir dir;
  const std::string photo = dir.File("photo.gif");
  WriteFileBytes(photo, ReadFileBytes(FixturePath("red-blue-halves.gif")));
  TBitmap32 picture(20, 16);
  picture.Fill(kWhite);
  for (int i = 0; i < 256; ++i) picture.Bits()[i] = MakePixel(static_cast<uint8_t>(i), 0, 0);
  const std::string error = ErrorText([&] { TurnAndWritePhoto(picture, photo); });
  EXPECT_EQ(error, "Deze GIF-foto heeft te veel kleuren om gedraaid te worden.");
  EXPECT_EQ(picture.Width(), 16) << "the picture is turned all the same";
  EXPECT_EQ(ReadFileBytes(photo), ReadFileBytes(FixturePath("red-blue-halves.gif")));
}

TEST(PhotoRotationTest, PictureInMemoryIsWrittenAsJpegAndFourTurnsBringItBack) {
  TempDir dir;
  const std::string photo = dir.File("converted.jpg");
  WriteFileBytes(photo, EncodeJpeg(Quarters(30, 20), 50));
  const TBitmap32 original = LoadPictureByExtension(photo);
  TBitmap32 preview = original;
  for (int press = 1; press <= 4; ++press) {
    TurnAndWriteJpeg(preview, photo);
    const TImageInfo info = GetImageFileInfo(photo);
    EXPECT_EQ(info.ImageType, itJPEG);
    EXPECT_EQ(info.Width, press % 2 ? 20 : 30) << "press " << press;
  }
  EXPECT_TRUE(Same(preview, original));
}

TEST(PhotoRotationTest, PreviewKeepsTheTurnWhenTheFileCannotBeWritten) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("folder.jpg"));
  TBitmap32 preview = Quarters(30, 20);
  const std::string error = ErrorText([&] { TurnAndWriteJpeg(preview, dir.File("folder.jpg")); });
  EXPECT_EQ(error, "Cannot create file \"" + dir.File("folder.jpg") + "\". Is a directory");
  EXPECT_TRUE(Same(preview, TurnQuarterClockwise(Quarters(30, 20))));
}

}  // namespace
}  // namespace fotoloom
