#include "core/imaging/LogoOverlay.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

const TPixel32 kGrey = MakePixel(100, 100, 100), kRed = MakePixel(255, 0, 0),
               kGreen = MakePixel(0, 255, 0), kBlue = MakePixel(0, 0, 255),
               kWhite = MakePixel(255, 255, 255);

TLogo SolidLogo(int width, int height, TPixel32 color, TLogoDrawMode mode) {
  TLogo logo{TBitmap32(width, height), mode};
  logo.picture.Fill(color);
  return logo;
}

// A canvas on which a logo of this size lands at (0, 0).
TBitmap32 CanvasFor(const TBitmap32& logo, TPixel32 fill = kGrey) {
  TBitmap32 canvas(logo.Width() + 10, logo.Height() + 10);
  canvas.Fill(fill);
  return canvas;
}

std::vector<TPixel32> TopRow(const TBitmap32& canvas, int count) {
  return {canvas.Row(0), canvas.Row(0) + count};
}

TEST(LogoOverlayTest, TheLogoSitsTenPixelsFromTheBottomRightCorner) {
  TBitmap32 canvas(800, 600);
  canvas.Fill(kGrey);
  DrawLogo(canvas, SolidLogo(200, 50, kRed, TLogoDrawMode::Blend), 255);
  int x0 = 800, y0 = 600, x1 = -1, y1 = -1, count = 0;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x)
      if (canvas.At(x, y) == kRed) {
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        ++count;
      } else {
        ASSERT_EQ(canvas.At(x, y), kGrey) << x << "," << y;
      }
  EXPECT_EQ(x0, 590);
  EXPECT_EQ(x1, 789);
  EXPECT_EQ(y0, 540);
  EXPECT_EQ(y1, 589);
  EXPECT_EQ(count, 200 * 50);
}

TEST(LogoOverlayTest, ALogoLargerThanTheCanvasLosesItsLeftAndTopPart) {
  // Each logo pixel tells its own coordinates.
  TLogo logo{TBitmap32(1000, 800), TLogoDrawMode::Opaque};
  for (int y = 0; y < 800; ++y)
    for (int x = 0; x < 1000; ++x)
      logo.picture.At(x, y) =
          MakePixel(static_cast<uint8_t>(x), static_cast<uint8_t>(y), (x >> 8) << 4 | (y >> 8));
  TBitmap32 canvas(800, 600);
  canvas.Fill(kGrey);
  DrawLogo(canvas, logo, 77);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      const TPixel32 expected = x < 790 && y < 590 ? logo.picture.At(x + 210, y + 210) : kGrey;
      ASSERT_EQ(canvas.At(x, y), expected) << x << "," << y;
    }
}

TEST(LogoOverlayTest, EachKindOfLogoTakesItsTransparencyAndDrawMode) {
  // The fixtures are 4 x 1: red, two pixels of the transparent (or plain) kind, blue.
  const TPixel32 half_red = MakePixel(178, 50, 50);  // alpha 128 over grey
  struct KindCase {
    const char* fixture;
    TLogoDrawMode mode;
    std::vector<TPixel32> drawn;
  };
  const std::vector<KindCase> cases = {
      {"logo-rgba-soft-edge.png", TLogoDrawMode::Blend, {kRed, half_red, kGrey, kBlue}},
      {"logo-palette-green-transparent.png", TLogoDrawMode::Blend, {kRed, kGrey, kGrey, kBlue}},
      {"logo-rgb-green-transparent.png", TLogoDrawMode::Blend, {kRed, kGrey, kGrey, kBlue}},
      {"logo-rgb-opaque.png", TLogoDrawMode::Opaque, {kRed, kGreen, kGreen, kBlue}},
      // GIF transparency is not used: the decoder's white shows.
      {"logo-gif-transparent-colour.gif", TLogoDrawMode::Blend, {kRed, kWhite, kWhite, kBlue}},
  };
  for (const KindCase& c : cases) {
    SCOPED_TRACE(c.fixture);
    const auto logo = LoadLogo(test::FixturePath(c.fixture));
    ASSERT_TRUE(logo);
    EXPECT_EQ(logo->mode, c.mode);
    TBitmap32 canvas = CanvasFor(logo->picture);
    DrawLogo(canvas, *logo, 255);
    EXPECT_EQ(TopRow(canvas, 4), c.drawn);
    EXPECT_EQ(canvas.At(4, 0), kGrey);
  }
}

TEST(LogoOverlayTest, OpacityWeakensABlendedLogoButNotAnOpaqueOne) {
  const auto soft = LoadLogo(test::FixturePath("logo-rgba-soft-edge.png"));
  TBitmap32 canvas = CanvasFor(soft->picture);
  DrawLogo(canvas, *soft, 0);
  EXPECT_EQ(TopRow(canvas, 4), std::vector<TPixel32>(4, kGrey));

  const auto opaque = LoadLogo(test::FixturePath("logo-rgb-opaque.png"));
  canvas = CanvasFor(opaque->picture);
  DrawLogo(canvas, *opaque, 50);
  EXPECT_EQ(TopRow(canvas, 4), (std::vector<TPixel32>{kRed, kGreen, kGreen, kBlue}));

  // Values that only a hand-edited setting can hold act as 255.
  TBitmap32 full = CanvasFor(soft->picture);
  DrawLogo(full, *soft, 255);
  for (int opacity : {-1, 256, 1000, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(opacity);
    canvas = CanvasFor(soft->picture);
    DrawLogo(canvas, *soft, opacity);
    EXPECT_EQ(TopRow(canvas, 4), TopRow(full, 4));
  }
}

TEST(LogoOverlayTest, AJpegLogoAtOpacity128IsASolidRectangleAtAboutHalfStrength) {
  test::TempDir dir;
  TBitmap32 picture(16, 8);
  picture.Fill(kBlue);
  test::WriteFileBytes(dir.File("logo.jpg"), EncodeJpeg(picture, 100));
  const auto logo = LoadLogo(dir.File("logo.jpg"));
  ASSERT_TRUE(logo);
  EXPECT_EQ(logo->mode, TLogoDrawMode::Blend);
  TBitmap32 canvas = CanvasFor(logo->picture, MakePixel(200, 200, 0));
  DrawLogo(canvas, *logo, 128);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) {
      const TPixel32 p = canvas.At(x, y);
      ASSERT_NEAR(PixelRed(p), 100, 2);
      ASSERT_NEAR(PixelGreen(p), 100, 2);
      ASSERT_NEAR(PixelBlue(p), 128, 2);
    }
}

TEST(LogoOverlayTest, BlendIsWithinHalfAStepOfTheExactValue) {
  for (int alpha : {0, 1, 127, 128, 254, 255})
    for (int opacity : {0, 1, 50, 128, 254, 255})
      for (auto [logo_value, canvas_value] :
           {std::pair{255, 0}, std::pair{0, 255}, std::pair{37, 200}, std::pair{200, 37}}) {
        const uint8_t l = static_cast<uint8_t>(logo_value), c = static_cast<uint8_t>(canvas_value);
        TLogo logo{TBitmap32(1, 1), TLogoDrawMode::Blend};
        logo.picture.At(0, 0) = MakePixel(l, l, l, static_cast<uint8_t>(alpha));
        TBitmap32 canvas = CanvasFor(logo.picture, MakePixel(c, c, c));
        DrawLogo(canvas, logo, opacity);
        const double w = alpha / 255.0 * opacity / 255.0;
        ASSERT_LE(std::abs(PixelRed(canvas.At(0, 0)) - (l * w + c * (1 - w))), 0.5 + 1e-9)
            << alpha << " " << opacity << " " << logo_value << " " << canvas_value;
      }
}

// A 1 x 1 24-bit BMP: every colour gives a file of the same size.
std::vector<uint8_t> OnePixelBmp(uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> bmp = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                              0,   0,   0,  1, 0, 0, 0, 1, 0, 0, 0,  1, 0, 24, 0};
  bmp.resize(54);
  bmp.insert(bmp.end(), {b, g, r, 0});
  return bmp;
}

TEST(LogoOverlayTest, ALogoIsOpenedEveryTimeButDecodedAgainOnlyWhenItChanged) {
  test::TempDir dir;
  const std::string path = dir.File("logo.bmp");
  test::WriteFileBytes(path, OnePixelBmp(255, 0, 0));
  const auto first = LoadLogo(path);
  EXPECT_EQ(LoadLogo(path), first);
  EXPECT_EQ(first->picture.At(0, 0), kRed);

  // Rewritten in place with the same size and its old modification time put back.
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  test::WriteFileBytes(path, OnePixelBmp(0, 0, 255));
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  EXPECT_EQ(LoadLogo(path)->picture.At(0, 0), kBlue);

  ASSERT_EQ(std::remove(path.c_str()), 0);
  EXPECT_THROW(LoadLogo(path), Error);
}

}  // namespace
}  // namespace fotoloom
