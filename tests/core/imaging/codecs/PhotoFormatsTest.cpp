#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/LoadPicture.h"
#include "core/imaging/PictureMemory.h"
#include "core/imaging/codecs/Decoders.h"
#include "support/TestPhotoFormats.h"

namespace fotoloom {
namespace {

using test::TestPhotoOptions;

constexpr int kWidth = 64;
constexpr int kHeight = 32;

struct TColour {
  uint8_t r, g, b;
};
constexpr TColour kRed{220, 30, 30}, kGreen{30, 200, 30}, kBlue{30, 30, 220}, kYellow{230, 220, 40};

// Four flat quadrants, red green over blue yellow, so that every turn and mirror shows. The
// right half's alpha is `right_alpha`.
std::vector<uint8_t> Quadrants(uint8_t right_alpha = 255) {
  std::vector<uint8_t> rgba;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const bool right = x >= kWidth / 2;
      const TColour c = y < kHeight / 2 ? (right ? kGreen : kRed) : (right ? kYellow : kBlue);
      rgba.insert(rgba.end(), {c.r, c.g, c.b, right ? right_alpha : uint8_t{255}});
    }
  }
  return rgba;
}

enum class Format { Heic, Avif, Webp, Tiff };

const char* Name(Format format) {
  switch (format) {
    case Format::Heic:
      return "HEIC";
    case Format::Avif:
      return "AVIF";
    case Format::Webp:
      return "WebP";
    case Format::Tiff:
      return "TIFF";
  }
  return "";
}

std::vector<uint8_t> Make(Format format, const std::vector<uint8_t>& rgba,
                          const TestPhotoOptions& options = {}) {
  switch (format) {
    case Format::Heic:
    case Format::Avif:
      return test::MakeTestHeif(rgba, kWidth, kHeight, format == Format::Avif, options);
    case Format::Webp:
      return test::MakeTestWebp(rgba, kWidth, kHeight, options);
    case Format::Tiff:
      return test::MakeTestTiff(rgba, kWidth, kHeight, options);
  }
  return {};
}

// Recognised by content and decoded as the conversion does.
TBitmap32 Load(const std::vector<uint8_t>& bytes) {
  TMemoryStream stream(bytes);
  const TImageType type = GetImageInfo(stream).ImageType;
  EXPECT_NE(type, itNone);
  TBitmap32 picture;
  LoadPicture(stream, type, picture);
  return picture;
}

int Diff(TPixel32 p, TColour c) {
  return std::max(
      {std::abs(PixelRed(p) - c.r), std::abs(PixelGreen(p) - c.g), std::abs(PixelBlue(p) - c.b)});
}

// The colour at the centre of each quadrant of the picture: top left, top right, bottom left,
// bottom right. Lossy formats are compared within a tolerance.
void ExpectQuadrants(const TBitmap32& picture, const TColour (&expected)[4], int tolerance) {
  const int w = picture.Width(), h = picture.Height();
  const int xs[] = {w / 4, 3 * w / 4, w / 4, 3 * w / 4};
  const int ys[] = {h / 4, h / 4, 3 * h / 4, 3 * h / 4};
  for (int i = 0; i < 4; ++i) {
    EXPECT_LE(Diff(picture.At(xs[i], ys[i]), expected[i]), tolerance) << "quadrant " << i;
    EXPECT_EQ(PixelAlpha(picture.At(xs[i], ys[i])), 255) << "quadrant " << i;
  }
}

int Tolerance(Format format) {
  return format == Format::Tiff ? 0 : 12;
}

TEST(PhotoFormatsTest, EachFormatAndDepthIsReadByContent) {
  const struct {
    Format format;
    int bit_depth;
  } cases[] = {{Format::Heic, 8}, {Format::Heic, 10}, {Format::Avif, 8}, {Format::Avif, 10},
               {Format::Webp, 8}, {Format::Tiff, 8},  {Format::Tiff, 16}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(Name(c.format)) + " " + std::to_string(c.bit_depth));
    TestPhotoOptions options;
    options.bit_depth = c.bit_depth;
    const TBitmap32 picture = Load(Make(c.format, Quadrants(), options));
    ASSERT_EQ(picture.Width(), kWidth);
    ASSERT_EQ(picture.Height(), kHeight);
    ExpectQuadrants(picture, {kRed, kGreen, kBlue, kYellow}, Tolerance(c.format));
  }
}

TEST(PhotoFormatsTest, TransparencyLiesOverWhite) {
  // The right half is half transparent: its colours lie halfway to white.
  const auto half = [](TColour c) {
    const auto over = [](uint8_t v) {
      return static_cast<uint8_t>((v * 128 + 255 * 127 + 127) / 255);
    };
    return TColour{over(c.r), over(c.g), over(c.b)};
  };
  for (Format format : {Format::Heic, Format::Avif, Format::Webp, Format::Tiff}) {
    SCOPED_TRACE(Name(format));
    TestPhotoOptions options;
    options.alpha = true;
    options.quality = 100;
    const TBitmap32 picture = Load(Make(format, Quadrants(128), options));
    ExpectQuadrants(picture, {kRed, half(kGreen), kBlue, half(kYellow)},
                    format == Format::Tiff ? 1 : 12);
  }
}

TEST(PhotoFormatsTest, AnimatedWebpGivesItsFirstFrame) {
  // The first frame is the quadrants, the second opaque black.
  std::vector<uint8_t> black;
  for (int i = 0; i < kWidth * kHeight; ++i) black.insert(black.end(), {0, 0, 0, 255});
  const std::vector<uint8_t> bytes =
      test::MakeTestAnimatedWebp({Quadrants(), black}, kWidth, kHeight);
  ExpectQuadrants(Load(bytes), {kRed, kGreen, kBlue, kYellow}, 0);
}

TEST(PhotoFormatsTest, RotationAndMirrorStandThePhotoUpright) {
  // Where each stored quadrant ends up once the orientation is applied.
  const struct {
    Format format;
    int orientation;
    TColour upright[4];
  } cases[] = {
      {Format::Heic, 6, {kBlue, kRed, kYellow, kGreen}},
      {Format::Heic, 3, {kYellow, kBlue, kGreen, kRed}},
      {Format::Heic, 2, {kGreen, kRed, kYellow, kBlue}},
      {Format::Avif, 8, {kGreen, kYellow, kRed, kBlue}},
      {Format::Tiff, 6, {kBlue, kRed, kYellow, kGreen}},
      {Format::Tiff, 8, {kGreen, kYellow, kRed, kBlue}},
      {Format::Tiff, 5, {kRed, kBlue, kGreen, kYellow}},
      {Format::Tiff, 4, {kBlue, kYellow, kRed, kGreen}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(Name(c.format)) + " orientation " + std::to_string(c.orientation));
    TestPhotoOptions options;
    options.orientation = c.orientation;
    const TBitmap32 picture = Load(Make(c.format, Quadrants(), options));
    const bool swapped = c.orientation >= 5;
    ASSERT_EQ(picture.Width(), swapped ? kHeight : kWidth);
    ASSERT_EQ(picture.Height(), swapped ? kWidth : kHeight);
    ExpectQuadrants(picture, c.upright, Tolerance(c.format));
  }
}

TEST(PhotoFormatsTest, EmbeddedColourProfileIsHandedOut) {
  std::vector<uint8_t> profile(300);
  for (size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<uint8_t>(i * 7);
  using Decoder = std::function<void(TStream&, TBitmap32&, std::vector<uint8_t>*)>;
  const struct {
    Format format;
    Decoder decode;
  } cases[] = {{Format::Heic, DecodeHeif}, {Format::Webp, DecodeWebp}, {Format::Tiff, DecodeTiff}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Name(c.format));
    TestPhotoOptions options;
    options.icc = profile;
    std::vector<uint8_t> found = {1, 2, 3};
    TBitmap32 picture;
    TMemoryStream with(Make(c.format, Quadrants(), options));
    c.decode(with, picture, &found);
    EXPECT_EQ(found, profile);
    TMemoryStream without(Make(c.format, Quadrants()));
    c.decode(without, picture, &found);
    EXPECT_TRUE(found.empty());
  }
}

TEST(PhotoFormatsTest, DamagedAndTruncatedFilesFailWithTheirFormatsError) {
  for (Format format : {Format::Heic, Format::Avif, Format::Webp, Format::Tiff}) {
    const std::vector<uint8_t> good = Make(format, Quadrants());
    std::vector<uint8_t> damaged = good;
    std::fill(damaged.begin() + 4, damaged.begin() + 48, uint8_t{0xFF});
    const std::vector<uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
    for (const auto& [what, bytes] : {std::pair{"damaged", damaged}, {"truncated", truncated}}) {
      SCOPED_TRACE(std::string(Name(format)) + " " + what);
      TMemoryStream stream(bytes);
      TBitmap32 picture;
      const TImageType type = format == Format::Webp   ? itWEBP
                              : format == Format::Tiff ? itTIFF
                                                       : itHEIF;
      try {
        LoadPicture(stream, type, picture);
        ADD_FAILURE() << "no error";
      } catch (const Error& error) {
        const std::string prefix =
            type == itHEIF ? "HEIF error: " : std::string(Name(format)) + " error: ";
        EXPECT_EQ(std::string(error.what()).rfind(prefix, 0), 0u) << error.what();
        EXPECT_GT(std::string(error.what()).size(), prefix.size()) << "a reason follows";
      }
    }
  }
}

TEST(PhotoFormatsTest, MemoryGuardRefusesBeforeDecoding) {
  // A budget below one 64 x 32 picture refuses each format at its header.
  SetPictureMemoryBudget(1000);
  for (Format format : {Format::Heic, Format::Webp, Format::Tiff}) {
    SCOPED_TRACE(Name(format));
    const std::vector<uint8_t> bytes = Make(format, Quadrants());
    TPictureMemoryScope scope;
    try {
      Load(bytes);
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_STREQ(error.what(), "Picture is too large (64 x 32 pixels)");
    }
  }
  SetPictureMemoryBudget(0);
}

}  // namespace
}  // namespace fotoloom
