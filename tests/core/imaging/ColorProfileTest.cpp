#include "core/imaging/ColorProfile.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "core/base/Stream.h"
#include "core/imaging/ConvertImage.h"
#include "core/imaging/LoadPicture.h"
#include "core/imaging/PhotoRotation.h"
#include "core/imaging/Thumbnail.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/resample/Resampler.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

namespace fotoloom {
namespace {

constexpr TColor kWhite = 0x00FFFFFF;

std::vector<uint8_t> SaveProfile(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::vector<uint8_t> bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

// An RGB matrix-shaper profile with the given primaries (x, y of red, green, blue), a D65
// white and the same curve on each channel.
std::vector<uint8_t> RgbProfile(const std::array<double, 6>& xy, cmsToneCurve* curve) {
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  const cmsCIExyYTRIPLE primaries{{xy[0], xy[1], 1.0}, {xy[2], xy[3], 1.0}, {xy[4], xy[5], 1.0}};
  cmsToneCurve* curves[3] = {curve, curve, curve};
  std::vector<uint8_t> bytes = SaveProfile(cmsCreateRGBProfile(&white, &primaries, curves));
  cmsFreeToneCurve(curve);
  return bytes;
}

std::vector<uint8_t> DisplayP3() {
  const double srgb_curve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  return RgbProfile({0.680, 0.320, 0.265, 0.690, 0.150, 0.060},
                    cmsBuildParametricToneCurve(nullptr, 4, srgb_curve));
}

std::vector<uint8_t> AdobeRgb() {
  return RgbProfile({0.64, 0.33, 0.21, 0.71, 0.15, 0.06}, cmsBuildGamma(nullptr, 563.0 / 256.0));
}

std::vector<uint8_t> Srgb() {
  return SaveProfile(cmsCreate_sRGBProfile());
}

// A printer-like CMYK profile: each ink takes away its own share of red, green and blue, in
// amounts that differ plainly from a simple inversion.
std::vector<uint8_t> CmykProfile() {
  cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
  cmsSetProfileVersion(profile, 2.1);
  cmsSetDeviceClass(profile, cmsSigOutputClass);
  cmsSetColorSpace(profile, cmsSigCmykData);
  cmsSetPCS(profile, cmsSigLabData);
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM to_lab =
      cmsCreateTransform(srgb, TYPE_RGB_DBL, lab, TYPE_Lab_16, INTENT_PERCEPTUAL, 0);
  cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 4, 3);
  cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 5, 4, 3, nullptr);
  cmsStageSampleCLut16bit(
      clut,
      [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
        double ink[4];
        for (int i = 0; i < 4; ++i) ink[i] = in[i] / 65535.0;
        const double rgb[3] = {(1 - 0.8 * ink[0]) * (1 - 0.1 * ink[1]) * (1 - 0.9 * ink[3]),
                               (1 - 0.3 * ink[0]) * (1 - 0.7 * ink[1]) * (1 - 0.9 * ink[3]),
                               (1 - 0.1 * ink[0]) * (1 - 0.6 * ink[2]) * (1 - 0.9 * ink[3])};
        cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), rgb, out, 1);
        return TRUE;
      },
      to_lab, 0);
  cmsPipelineInsertStage(pipeline, cmsAT_BEGIN, clut);
  cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
  cmsPipelineFree(pipeline);
  cmsDeleteTransform(to_lab);
  cmsCloseProfile(lab);
  cmsCloseProfile(srgb);
  return SaveProfile(profile);
}

// LittleCMS's own perceptual transform of pixels to sRGB, `format` bytes per pixel in,
// R, G, B out.
std::vector<uint8_t> LcmsToSrgb(const std::vector<uint8_t>& profile, cmsUInt32Number format,
                                const std::vector<uint8_t>& pixels, int bytes_per_pixel) {
  cmsHPROFILE in =
      cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
  cmsHPROFILE out = cmsCreate_sRGBProfile();
  cmsHTRANSFORM transform = cmsCreateTransform(in, format, out, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
  const size_t count = pixels.size() / bytes_per_pixel;
  std::vector<uint8_t> rgb(count * 3);
  if (!transform) {
    ADD_FAILURE() << "LittleCMS refuses the profile";
    return rgb;
  }
  cmsDoTransform(transform, pixels.data(), rgb.data(), static_cast<cmsUInt32Number>(count));
  cmsDeleteTransform(transform);
  cmsCloseProfile(in);
  cmsCloseProfile(out);
  return rgb;
}

int Diff(TPixel32 pixel, const uint8_t* rgb) {
  return std::max({std::abs(PixelRed(pixel) - rgb[0]), std::abs(PixelGreen(pixel) - rgb[1]),
                   std::abs(PixelBlue(pixel) - rgb[2])});
}

// Patches of colour side by side, 32 x 32 pixels each, as R, G, B samples.
std::vector<uint8_t> Patches(const std::vector<std::array<uint8_t, 3>>& colours) {
  const int width = 32 * static_cast<int>(colours.size());
  std::vector<uint8_t> samples;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < width; ++x)
      samples.insert(samples.end(), colours[x / 32].begin(), colours[x / 32].end());
  return samples;
}

// Saturated red, a dull red, a skin tone, a green and a sky blue.
const std::vector<std::array<uint8_t, 3>> kColours = {
    {255, 0, 0}, {180, 40, 40}, {224, 172, 140}, {40, 160, 60}, {90, 150, 220}};

std::vector<uint8_t> PhotoWithProfile(const std::vector<uint8_t>& profile) {
  test::TestJpegOptions options;
  options.icc_profile = profile;
  return test::MakeTestJpeg(Patches(kColours), 32 * static_cast<int>(kColours.size()), 32, options);
}

std::vector<uint8_t> ConvertBytes(const std::vector<uint8_t>& photo, int box_width, int box_height,
                                  int quality = 90) {
  TMemoryStream source(photo);
  TMemoryStream dest;
  ConvertImageStream(source, dest, box_width, box_height, kWhite, quality);
  return dest.Bytes();
}

TBitmap32 Decode(const std::vector<uint8_t>& jpeg) {
  TMemoryStream stream(jpeg);
  TBitmap32 picture;
  DecodeJpeg(stream, picture);
  return picture;
}

// Each patch's centre in `picture` (the patches scaled to `scale` of their size) against
// LittleCMS's transform of the patch colour as the photo stores it.
void ExpectPatchesLike(const TBitmap32& picture, double scale, const std::vector<uint8_t>& stored,
                       const std::vector<uint8_t>& profile, int tolerance) {
  const TBitmap32 raw = Decode(stored);
  std::vector<uint8_t> centres;
  for (size_t i = 0; i < kColours.size(); ++i) {
    const TPixel32 p = raw.At(static_cast<int>(32 * i + 16), 16);
    centres.insert(centres.end(), {PixelRed(p), PixelGreen(p), PixelBlue(p)});
  }
  const std::vector<uint8_t> expected = LcmsToSrgb(profile, TYPE_RGB_8, centres, 3);
  for (size_t i = 0; i < kColours.size(); ++i) {
    const TPixel32 got =
        picture.At(static_cast<int>((32 * i + 16) * scale), static_cast<int>(16 * scale));
    EXPECT_LE(Diff(got, &expected[3 * i]), tolerance)
        << "patch " << i << ": got " << int(PixelRed(got)) << "," << int(PixelGreen(got)) << ","
        << int(PixelBlue(got)) << " expected " << int(expected[3 * i]) << ","
        << int(expected[3 * i + 1]) << "," << int(expected[3 * i + 2]);
  }
}

TEST(ColorProfileTest, WideGamutPhotosComeOutAsLittleCmsTransformsThem) {
  const struct {
    const char* name;
    std::vector<uint8_t> profile;
  } cases[] = {{"Display P3", DisplayP3()}, {"Adobe RGB", AdobeRgb()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> photo = PhotoWithProfile(c.profile);
    // The conversion shrinks to half and encodes; the preview path loads at full size; the
    // thumbnail reduces in the decoder.
    ExpectPatchesLike(Decode(ConvertBytes(photo, 80, 16, 100)), 0.5, photo, c.profile, 2);
    TMemoryStream stream(photo);
    TBitmap32 full;
    LoadPicture(stream, itJPEG, full);
    ExpectPatchesLike(full, 1.0, photo, c.profile, 1);
    TMemoryStream thumbnail_stream(photo);
    ExpectPatchesLike(LoadThumbnail(thumbnail_stream, 80), 0.5, photo, c.profile, 1);
  }
  // The photo's own red lies outside sRGB and stays the fullest red; the duller colours
  // visibly change, which an unconverted photo would not show.
  const std::vector<uint8_t> photo = PhotoWithProfile(DisplayP3());
  const TBitmap32 raw = Decode(photo);
  TMemoryStream stream(photo);
  TBitmap32 full;
  LoadPicture(stream, itJPEG, full);
  const uint8_t red[3] = {255, 0, 0};
  EXPECT_LE(Diff(full.At(16, 16), red), 1);
  const TPixel32 dull = raw.At(48, 16);
  const uint8_t dull_rgb[3] = {PixelRed(dull), PixelGreen(dull), PixelBlue(dull)};
  EXPECT_GT(Diff(full.At(48, 16), dull_rgb), 10);
}

// A camera photo carries a small copy of itself in EXIF, in the photo's colour space and
// without a profile of its own: the thumbnail made from that copy goes to sRGB through the
// photo's profile. When the profile's chunks do not make a whole one, the photo itself is
// read (libjpeg then ignores the profile).
TEST(ColorProfileTest, ExifThumbnailGoesThroughThePhotosProfile) {
  const std::vector<uint8_t> small = test::MakeTestJpeg(Patches(kColours), 160, 32);
  test::TestJpegOptions options;
  options.icc_profile = DisplayP3();
  options.app1 = test::ExifWithThumbnail(1, small);
  std::vector<uint8_t> green;
  for (int i = 0; i < 320 * 64; ++i) green.insert(green.end(), {20, 200, 20});
  std::vector<uint8_t> photo = test::MakeTestJpeg(green, 320, 64, options);
  TMemoryStream stream(photo);
  ExpectPatchesLike(LoadThumbnail(stream, 160), 1.0, small, options.icc_profile, 1);

  const char tag[] = "ICC_PROFILE";
  const auto chunk = std::search(photo.begin(), photo.end(), tag, tag + sizeof tag);
  ASSERT_NE(chunk, photo.end());
  chunk[sizeof tag + 1] = 2;  // one chunk of two
  TMemoryStream damaged(photo);
  const TBitmap32 thumbnail = LoadThumbnail(damaged, 160);
  const TPixel32 centre = thumbnail.At(80, 16);
  EXPECT_GT(PixelGreen(centre), 150);
  EXPECT_LT(PixelRed(centre), 60);
}

// Display P3 by its colorants and curves, with a perceptual table that says Adobe RGB
// instead, as LittleCMS itself reads it: the table wins.
std::vector<uint8_t> DisplayP3WithAdobeTable() {
  const std::vector<uint8_t> p3 = DisplayP3(), adobe = AdobeRgb();
  cmsHPROFILE profile = cmsOpenProfileFromMem(p3.data(), static_cast<cmsUInt32Number>(p3.size()));
  cmsHPROFILE adobe_profile =
      cmsOpenProfileFromMem(adobe.data(), static_cast<cmsUInt32Number>(adobe.size()));
  cmsHPROFILE xyz = cmsCreateXYZProfile();
  cmsHTRANSFORM to_xyz = cmsCreateTransform(adobe_profile, TYPE_RGB_16, xyz, TYPE_XYZ_16,
                                            INTENT_PERCEPTUAL, cmsFLAGS_NOOPTIMIZE);
  cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 3, 3);
  cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 17, 3, 3, nullptr);
  cmsStageSampleCLut16bit(
      clut,
      [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
        cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), in, out, 1);
        return TRUE;
      },
      to_xyz, 0);
  // The curves before and after the grid that the tag type needs, straight lines.
  cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
  cmsPipelineInsertStage(pipeline, cmsAT_END, clut);
  cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
  cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
  cmsPipelineFree(pipeline);
  cmsDeleteTransform(to_xyz);
  cmsCloseProfile(xyz);
  cmsCloseProfile(adobe_profile);
  return SaveProfile(profile);
}

// Every colour of a coarse grid (the ends of each channel included, so colours that sRGB
// clips too), then colours that repeat, in an odd number of pixels with alpha that differs
// between pixels of one colour: every pixel is exactly LittleCMS's transform of its colour,
// and alpha stays.
TEST(ColorProfileTest, EveryPixelIsLittleCmsTransformOfItsColourWithItsAlpha) {
  std::vector<TPixel32> colours;
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 15)
      for (int b = 0; b < 256; b += 15) colours.push_back(MakePixel(r, g, b, r ^ g ^ b));
  uint32_t seed = 12345;
  while (colours.size() < 301 * 31) {
    seed = seed * 1103515245u + 12345u;
    colours.push_back(((seed >> 8) % 400 * 41843u & 0x00FFFFFFu) | (seed & 0xFF000000u));
  }
  TBitmap32 before(301, 31);
  std::copy(colours.begin(), colours.begin() + 301 * 31, before.Bits());
  const size_t count = size_t{301} * 31;
  const std::vector<uint8_t> bgra(reinterpret_cast<const uint8_t*>(before.Bits()),
                                  reinterpret_cast<const uint8_t*>(before.Bits() + count));
  const std::pair<const char*, std::vector<uint8_t>> cases[] = {
      {"Display P3", DisplayP3()},
      {"Adobe RGB", AdobeRgb()},
      {"Display P3 with a table", DisplayP3WithAdobeTable()}};
  for (const auto& [name, profile] : cases) {
    SCOPED_TRACE(name);
    TBitmap32 picture = before;
    ConvertToSrgb(picture, profile);
    const std::vector<uint8_t> expected = LcmsToSrgb(profile, TYPE_BGRA_8, bgra, 4);
    int wrong = 0;
    for (size_t i = 0; i < count; ++i) {
      const TPixel32 got = picture.Bits()[i];
      wrong += Diff(got, &expected[3 * i]) > 0 || PixelAlpha(got) != PixelAlpha(before.Bits()[i]);
    }
    EXPECT_EQ(wrong, 0);
  }
}

// A grey photo's profile maps each grey level as LittleCMS maps it; grey with sRGB's own
// curve changes nothing.
TEST(ColorProfileTest, GreyProfileMapsEachLevelAsLittleCms) {
  TBitmap32 levels(256, 1);
  std::vector<uint8_t> grey(256);
  for (int i = 0; i < 256; ++i) {
    levels.At(i, 0) = MakePixel(i, i, i, 255 - i);
    grey[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  }
  cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
  const std::vector<uint8_t> linear_grey = SaveProfile(cmsCreateGrayProfile(cmsD50_xyY(), linear));
  cmsFreeToneCurve(linear);
  const std::vector<uint8_t> expected = LcmsToSrgb(linear_grey, TYPE_GRAY_8, grey, 1);
  TBitmap32 picture = levels;
  ConvertToSrgb(picture, linear_grey);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(Diff(picture.At(i, 0), &expected[3 * static_cast<size_t>(i)]), 0) << i;
    ASSERT_EQ(PixelAlpha(picture.At(i, 0)), 255 - i);
  }
  EXPECT_GT(PixelGreen(picture.At(10, 0)), 40);  // linear light shown brighter

  const double srgb_curve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgb_curve);
  const std::vector<uint8_t> srgb_grey = SaveProfile(cmsCreateGrayProfile(cmsD50_xyY(), curve));
  cmsFreeToneCurve(curve);
  picture = levels;
  ConvertToSrgb(picture, srgb_grey);
  EXPECT_TRUE(std::equal(picture.Bits(), picture.Bits() + 256, levels.Bits()));
}

// Profiles that only a crafted file has: colorants at the largest value a profile can store,
// and a curve that rises far above 1. Their pixels come out as LittleCMS transforms them
// (clipped to white, not wrapped round to black).
TEST(ColorProfileTest, ProfilesOutOfAllRangeConvertAsLittleCmsDoes) {
  const auto with_tag = [](cmsTagSignature tag, const void* value) {
    const std::vector<uint8_t> adobe = AdobeRgb();
    cmsHPROFILE profile =
        cmsOpenProfileFromMem(adobe.data(), static_cast<cmsUInt32Number>(adobe.size()));
    cmsWriteTag(profile, tag, value);
    return SaveProfile(profile);
  };
  const cmsCIEXYZ huge_red{32767.0, 32767.0, 32767.0};
  const cmsFloat64Number steep[3] = {3.0, 30000.0, 0.0};  // Y = (30000 X)^3
  cmsToneCurve* steep_curve = cmsBuildParametricToneCurve(nullptr, 2, steep);
  const std::pair<const char*, std::vector<uint8_t>> cases[] = {
      {"huge red colorant", with_tag(cmsSigRedColorantTag, &huge_red)},
      {"steep green curve", with_tag(cmsSigGreenTRCTag, steep_curve)}};
  cmsFreeToneCurve(steep_curve);
  for (const auto& [name, profile] : cases) {
    SCOPED_TRACE(name);
    TBitmap32 picture(5, 1);
    const TPixel32 colours[5] = {0xFF000000u, 0xFFFF0000u, 0xFF00FF00u, 0xFF808080u, 0xFFFFFFFFu};
    for (int x = 0; x < 5; ++x) picture.At(x, 0) = colours[x];
    std::vector<uint8_t> bgra(reinterpret_cast<const uint8_t*>(colours),
                              reinterpret_cast<const uint8_t*>(colours) + sizeof colours);
    const std::vector<uint8_t> expected = LcmsToSrgb(profile, TYPE_BGRA_8, bgra, 4);
    ConvertToSrgb(picture, profile);
    for (int x = 0; x < 5; ++x) EXPECT_LE(Diff(picture.At(x, 0), &expected[3 * x]), 1) << x;
  }
}

// FNV-1a, to pin output bytes in a line.
uint64_t Hash(const std::vector<uint8_t>& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (uint8_t byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
  return hash;
}

// The hash was taken from the output of the converter before colour profiles were read: a
// photo without a profile, or with an sRGB one, must keep giving exactly those bytes.
TEST(ColorProfileTest, PhotoWithoutProfileOrWithSrgbGivesTheSameBytesAsBefore) {
  constexpr uint64_t kOutputBefore = 0x275600e2f965bfaeull;
  for (const auto& profile : {std::vector<uint8_t>{}, Srgb()}) {
    SCOPED_TRACE(profile.size());
    EXPECT_EQ(Hash(ConvertBytes(PhotoWithProfile(profile), 80, 16)), kOutputBefore);
  }
}

// A profile that LittleCMS cannot use is ignored: the photo converts as one without any.
TEST(ColorProfileTest, DamagedProfileConvertsAsWithoutOne) {
  const std::vector<uint8_t> good = DisplayP3();
  std::vector<uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
  std::vector<uint8_t> bad_signature = good;
  bad_signature[36] = 'x';  // "acsp"
  std::vector<uint8_t> tags_past_end = good;
  const size_t tag_count = good[131];  // the big-endian count at 128, small here
  for (size_t tag = 0; tag < tag_count; ++tag) tags_past_end[132 + 12 * tag + 4] = 0x7F;
  const std::vector<uint8_t> garbage(600, 0xA5);
  const std::vector<uint8_t> without = ConvertBytes(PhotoWithProfile({}), 80, 16);
  const std::pair<const char*, std::vector<uint8_t>> cases[] = {
      {"truncated", truncated},
      {"bad signature", bad_signature},
      {"tags past the end", tags_past_end},
      {"garbage", garbage}};
  for (const auto& [name, profile] : cases) {
    EXPECT_TRUE(ConvertBytes(PhotoWithProfile(profile), 80, 16) == without) << name;
  }
}

// Converting the small result instead of the whole photo stays within a step of converting
// first and resampling after, on a photo of soft gradients whose colours sRGB can show.
// (Where a photo's colours lie outside sRGB, clipping before or after the averaging differs
// by more along the edge of the clipped area.)
TEST(ColorProfileTest, ConvertingTheSmallResultStaysWithinAStepOfTheFullTransform) {
  constexpr int kWidth = 240, kHeight = 160;
  std::vector<uint8_t> samples;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      samples.push_back(static_cast<uint8_t>(80 + x * 120 / kWidth));
      samples.push_back(static_cast<uint8_t>(170 - y * 100 / kHeight));
      samples.push_back(static_cast<uint8_t>(60 + (x + y) * 100 / (kWidth + kHeight)));
    }
  }
  test::TestJpegOptions options;
  options.icc_profile = DisplayP3();
  const std::vector<uint8_t> photo = test::MakeTestJpeg(samples, kWidth, kHeight, options);
  TMemoryStream source(photo);
  TBitmap32 small;
  ASSERT_TRUE(RenderCanvas(source, 60, 40, kWhite, small));
  TMemoryStream full_source(photo);
  TBitmap32 full;
  LoadPicture(full_source, itJPEG, full);
  const TBitmap32 reference = ResamplePicture(full, 60, 40);
  int worst = 0;
  int beyond_one_step = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 60; ++x) {
      const TPixel32 p = reference.At(x, y);
      const uint8_t rgb[3] = {PixelRed(p), PixelGreen(p), PixelBlue(p)};
      const int diff = Diff(small.At(x, y), rgb);
      worst = std::max(worst, diff);
      beyond_one_step += diff > 1;
    }
  }
  // Rounding twice in another order leaves a pixel here and there, where sRGB's curve is
  // steepest, a second step off.
  EXPECT_LE(worst, 2);
  EXPECT_LE(beyond_one_step, 60 * 40 / 100);
}

// A CMYK photo with a profile goes through it, whether its inks are stored inverted as
// Adobe writes them or plain; one without a profile keeps the simple inversion.
TEST(ColorProfileTest, CmykPhotoUsesItsProfile) {
  const std::vector<std::array<uint8_t, 4>> inks = {
      {0, 0, 0, 0}, {255, 0, 0, 0}, {0, 200, 50, 0}, {20, 40, 220, 30}, {0, 0, 0, 180}};
  std::vector<uint8_t> samples;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32 * static_cast<int>(inks.size()); ++x)
      samples.insert(samples.end(), inks[x / 32].begin(), inks[x / 32].end());
  const std::vector<uint8_t> profile = CmykProfile();
  for (const bool adobe : {true, false}) {
    SCOPED_TRACE(adobe ? "Adobe" : "plain");
    test::TestJpegOptions options;
    options.input_space = JCS_CMYK;
    options.adobe_marker = adobe;
    const std::vector<uint8_t> plain_photo =
        test::MakeTestJpeg(samples, 32 * static_cast<int>(inks.size()), 32, options);
    options.icc_profile = profile;
    const std::vector<uint8_t> photo =
        test::MakeTestJpeg(samples, 32 * static_cast<int>(inks.size()), 32, options);
    const TBitmap32 plain = Decode(plain_photo);
    const TBitmap32 converted = Decode(photo);
    // The stored inks as libjpeg gives them, through LittleCMS.
    std::vector<uint8_t> stored;
    for (const auto& ink : inks) stored.insert(stored.end(), ink.begin(), ink.end());
    const std::vector<uint8_t> expected =
        LcmsToSrgb(profile, adobe ? TYPE_CMYK_8_REV : TYPE_CMYK_8, stored, 4);
    int changed = 0;
    for (size_t i = 0; i < inks.size(); ++i) {
      const TPixel32 got = converted.At(static_cast<int>(32 * i + 16), 16);
      EXPECT_LE(Diff(got, &expected[3 * i]), 2) << "patch " << i;
      const TPixel32 p = plain.At(static_cast<int>(32 * i + 16), 16);
      const uint8_t inverted[3] = {PixelRed(p), PixelGreen(p), PixelBlue(p)};
      changed += Diff(got, inverted) > 10;
    }
    EXPECT_GE(changed, 3);
  }
}

// Where the photo cannot turn losslessly it is encoded anew under its own metadata, which
// keeps its RGB profile: the pixels written must stay in that profile's colours, not sRGB.
TEST(ColorProfileTest, ReencodedTurnKeepsThePhotosOwnColours) {
  test::TempDir dir;
  const std::string path = dir.File("phone.jpg");
  // Made once: the profile's header carries the time it was made.
  const std::vector<uint8_t> profile = DisplayP3();
  test::TestJpegOptions options;
  options.icc_profile = profile;
  // 5 patches of 32 by 30 rows: no whole number of blocks down the edge the turn moves.
  std::vector<uint8_t> samples = Patches(kColours);
  samples.resize(samples.size() * 30 / 32);
  const int width = 32 * static_cast<int>(kColours.size());
  test::WriteFileBytes(path, test::MakeTestJpeg(samples, width, 30, options));
  const TBitmap32 before = Decode(test::ReadFileBytes(path));
  RotateOriginalPhoto(path, [](const TBitmap32&) {});
  const std::vector<uint8_t> turned = test::ReadFileBytes(path);
  const TBitmap32 after = Decode(turned);
  ASSERT_EQ(after.Width(), 30);
  for (size_t i = 0; i < kColours.size(); ++i) {
    const TPixel32 p = before.At(static_cast<int>(32 * i + 16), 15);
    const uint8_t rgb[3] = {PixelRed(p), PixelGreen(p), PixelBlue(p)};
    EXPECT_LE(Diff(after.At(14, static_cast<int>(32 * i + 16)), rgb), 3) << "patch " << i;
  }
  TMemoryStream stream(turned);
  TBitmap32 picture;
  std::vector<uint8_t> kept;
  DecodePicture(stream, itJPEG, picture, kept);
  EXPECT_EQ(kept, profile);
}

}  // namespace
}  // namespace fotoloom
