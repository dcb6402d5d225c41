#include "core/imaging/LoadByExtension.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/base/Error.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"
#include "support/TestPhotoFormats.h"

namespace fotoloom {
namespace {

using test::FixturePath;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

std::string ErrorText(const std::string& path) {
  try {
    LoadPictureByExtension(path);
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

// A 4 x 2 JPEG, left half red and right half blue, optionally with an EXIF orientation.
std::vector<uint8_t> RedBlueJpeg(int orientation = 0) {
  std::vector<uint8_t> samples;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) {
      samples.insert(samples.end(), {uint8_t(x < 2 ? 255 : 0), 0, uint8_t(x < 2 ? 0 : 255)});
    }
  }
  test::TestJpegOptions options;
  if (orientation) options.app1 = test::ExifWithOrientation(orientation);
  return test::MakeTestJpeg(samples, 4, 2, options);
}

bool Near(TPixel32 pixel, TPixel32 expected) {
  return std::abs(PixelRed(pixel) - PixelRed(expected)) < 40 &&
         std::abs(PixelGreen(pixel) - PixelGreen(expected)) < 40 &&
         std::abs(PixelBlue(pixel) - PixelBlue(expected)) < 40;
}

TEST(LoadByExtensionTest, ExtensionInAnyCasePicksTheDecoder) {
  TempDir dir;
  const auto fixture = [](const char* name) { return ReadFileBytes(FixturePath(name)); };
  std::vector<uint8_t> halves;  // red left, blue right, 32 x 16
  for (int i = 0; i < 32 * 16; ++i) {
    const bool left = i % 32 < 16;
    halves.insert(halves.end(), {uint8_t(left ? 255 : 0), 0, uint8_t(left ? 0 : 255), 255});
  }
  test::TestPhotoOptions upright6;
  upright6.orientation = 6;  // as for the JPEG: turned upright, red comes on top
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    int width, height;
  } cases[] = {
      {"a.jpg", RedBlueJpeg(), 4, 2},
      {"b.JPEG", RedBlueJpeg(), 4, 2},
      {"c.Jpg", RedBlueJpeg(6), 2, 4},  // EXIF orientation applied: turned upright
      {"d.bmp", fixture("red-blue-halves.bmp"), 32, 16},
      {"e.GIF", fixture("red-blue-halves.gif"), 32, 16},
      {"f.Png", fixture("red-blue-halves.png"), 32, 16},
      {"g.HEIC", test::MakeTestHeif(halves, 32, 16, false), 32, 16},
      {"h.heif", test::MakeTestHeif(halves, 32, 16, false, upright6), 16, 32},
      {"i.Avif", test::MakeTestHeif(halves, 32, 16, true), 32, 16},
      {"j.webp", test::MakeTestWebp(halves, 32, 16), 32, 16},
      {"k.tif", test::MakeTestTiff(halves, 32, 16), 32, 16},
      {"l.TIFF", test::MakeTestTiff(halves, 32, 16, upright6), 16, 32},
  };
  constexpr TPixel32 kRed = MakePixel(255, 0, 0), kBlue = MakePixel(0, 0, 255);
  for (const auto& c : cases) {
    WriteFileBytes(dir.File(c.name), c.bytes);
    const TBitmap32 picture = LoadPictureByExtension(dir.File(c.name));
    ASSERT_EQ(picture.Width(), c.width) << c.name;
    ASSERT_EQ(picture.Height(), c.height) << c.name;
    // Red left and blue right; after the EXIF quarter turn red is on top.
    const bool turned = c.width < c.height;
    EXPECT_TRUE(Near(picture.At(0, 0), kRed)) << c.name;
    EXPECT_TRUE(Near(turned ? picture.At(0, c.height - 1) : picture.At(c.width - 1, 0), kBlue))
        << c.name;
  }
}

TEST(LoadByExtensionTest, TheExtensionNotTheContentDecides) {
  TempDir dir;
  WriteFileBytes(dir.File("gif.jpg"), ReadFileBytes(FixturePath("red-blue-halves.gif")));
  EXPECT_EQ(ErrorText(dir.File("gif.jpg")).rfind("JPEG error", 0), 0u);
  EXPECT_EQ(ErrorText(FixturePath("jpeg-named-as-gif.gif")).rfind("GIF error", 0), 0u);
  WriteFileBytes(dir.File("heic.webp"),
                 test::MakeTestHeif(std::vector<uint8_t>(8 * 8 * 4), 8, 8, false));
  EXPECT_EQ(ErrorText(dir.File("heic.webp")).rfind("WebP error", 0), 0u);
}

TEST(LoadByExtensionTest, UnknownExtensionIsNamedAsTheFileHasIt) {
  // The extension is checked before the file is opened: none of these files exists.
  const struct {
    const char* path;
    const char* extension;
  } cases[] = {
      {"/nowhere/photo.tga", "tga"}, {"/nowhere/photo.XCF", "XCF"},
      {"/nowhere/photo", ""},        {"/nowhere/my.photos/photo", ""},
      {"/nowhere/photo.", ""},       {"/nowhere/photo.jpg.txt", "txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorText(c.path),
              std::string("Unknown picture file extension (.") + c.extension + ")");
  }
}

TEST(LoadByExtensionTest, MissingFileCannotBeOpened) {
  TempDir dir;
  const std::string path = dir.File("missing.jpg");
  EXPECT_EQ(ErrorText(path), "Cannot open file \"" + path + "\". No such file or directory");
}

}  // namespace
}  // namespace fotoloom
