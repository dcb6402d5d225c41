#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "core/base/Error.h"
#include "core/base/Stream.h"
#include "core/imaging/LoadByExtension.h"
#include "core/imaging/LoadPicture.h"
#include "core/imaging/PhotoRotation.h"
#include "core/imaging/QuarterTurn.h"
#include "core/imaging/codecs/BmpWriter.h"
#include "core/imaging/codecs/ExifOrientation.h"
#include "core/imaging/codecs/ExifThumbnail.h"
#include "core/imaging/codecs/GifWriter.h"
#include "core/imaging/codecs/JpegMarkers.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "core/imaging/resample/Orientation.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"
#include "support/TestPhotoFormats.h"

namespace fotoloom {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// Four coloured quarters over a fine texture: a wrong turn or mirror moves whole quarters,
// and the texture gives the DCT real work.
std::vector<uint8_t> Samples(int width, int height) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2, bottom = y >= height / 2;
      const int texture = ((x * 7 + y * 13) % 17) * 2;
      const int r = (bottom ? 20 : 200) + texture, g = (right ? 180 : 30) + texture,
                b = (bottom && right ? 210 : 40) + texture;
      rgb.insert(rgb.end(),
                 {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)});
    }
  }
  return rgb;
}

std::vector<uint8_t> Segment(uint8_t marker, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> bytes(4 + data.size());
  bytes[0] = 0xFF;
  bytes[1] = marker;
  bytes[2] = static_cast<uint8_t>((data.size() + 2) >> 8);
  bytes[3] = static_cast<uint8_t>(data.size() + 2);
  std::copy(data.begin(), data.end(), bytes.begin() + 4);
  return bytes;
}

using namespace std::string_literals;

std::vector<uint8_t> Text(const std::string& text) {
  return {text.begin(), text.end()};
}

// XMP with its copy of the orientation, as an attribute and as an element.
std::vector<uint8_t> Xmp(int orientation) {
  const std::string n = std::to_string(orientation);
  return Text("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta><rdf:Description tiff:Orientation=\""s + n +
              "\"/><tiff:Orientation>" + n + "</tiff:Orientation>Mijn foto</x:xmpmeta>");
}

// The one chunk of an ICC profile whose header names its colour space ("RGB ", "CMYK").
std::vector<uint8_t> IccChunk(const std::string& colour_space) {
  return Text("ICC_PROFILE\0\1\1"s + std::string(16, '\x11') + colour_space + "profile"s);
}

const std::vector<uint8_t> kIcc = IccChunk("RGB ");
const std::vector<uint8_t> kComment = Text("Vakantie 2026");
// What a phone's motion photo puts after the image: a video, which may hold FF D9 itself.
const std::vector<uint8_t> kMotionVideo = Text(
    "\0\0\0\x18"
    "ftypmp42 \xFF\xD9 frames"s);

// A camera-like photo: JFIF, then XMP (an APP1 before the EXIF one), an ICC profile and a
// comment, then EXIF with the orientation, big-endian for the even orientations; a motion
// video after the end of the image.
std::vector<uint8_t> CameraPhoto(int width, int height, int orientation) {
  std::vector<uint8_t> jpeg = test::MakeTestJpeg(
      Samples(width, height), width, height,
      {.quality = 95, .app1 = test::ExifWithOrientation(orientation, orientation % 2 == 0)});
  std::vector<uint8_t> extra = Segment(0xE1, Xmp(orientation));
  for (const auto& segment : {Segment(0xE2, kIcc), Segment(0xFE, kComment)})
    extra.insert(extra.end(), segment.begin(), segment.end());
  constexpr size_t kAfterJfif = 2 + 18;
  jpeg.insert(jpeg.begin() + kAfterJfif, extra.begin(), extra.end());
  jpeg.insert(jpeg.end(), kMotionVideo.begin(), kMotionVideo.end());
  return jpeg;
}

// The data of every segment with this marker, in file order.
std::vector<std::vector<uint8_t>> SegmentData(const std::vector<uint8_t>& jpeg, uint8_t marker) {
  std::vector<std::vector<uint8_t>> found;
  for (const TJpegSegment& segment : JpegHeaderSegments(jpeg))
    if (segment.marker == marker)
      found.emplace_back(jpeg.begin() + segment.data, jpeg.begin() + segment.data + segment.size);
  return found;
}

// The values of a JPEG's quantisation tables in sorted order. A lossless turn keeps the
// tables, transposed where it swaps the axes; an encoding anew at another quality does not.
std::vector<uint8_t> QuantisationValues(const std::vector<uint8_t>& jpeg) {
  std::vector<uint8_t> values;
  for (const std::vector<uint8_t>& table : SegmentData(jpeg, 0xDB))
    values.insert(values.end(), table.begin(), table.end());
  std::sort(values.begin(), values.end());
  return values;
}

double MeanDifference(const TBitmap32& a, const TBitmap32& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 1e9;
  double sum = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      sum += std::abs(PixelRed(a.At(x, y)) - PixelRed(b.At(x, y))) +
             std::abs(PixelGreen(a.At(x, y)) - PixelGreen(b.At(x, y))) +
             std::abs(PixelBlue(a.At(x, y)) - PixelBlue(b.At(x, y)));
    }
  }
  return sum / (3.0 * a.Width() * a.Height());
}

bool Same(const TBitmap32& a, const TBitmap32& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         std::equal(a.Bits(), a.Bits() + a.Width() * a.Height(), b.Bits());
}

TBitmap32 Turn(const std::string& photo) {
  return RotateOriginalPhoto(photo, [](const TBitmap32&) {});
}

// The metadata is all there, byte for byte; only the orientation now says upright, in the
// EXIF block's own byte order. So is the motion video.
void ExpectMetadataKept(const std::vector<uint8_t>& turned, bool big_endian_exif) {
  EXPECT_EQ(SegmentData(turned, 0xE1), (std::vector<std::vector<uint8_t>>{
                                           Xmp(1), test::ExifWithOrientation(1, big_endian_exif)}));
  EXPECT_EQ(SegmentData(turned, 0xE2), std::vector<std::vector<uint8_t>>{kIcc});
  EXPECT_EQ(SegmentData(turned, 0xFE), std::vector<std::vector<uint8_t>>{kComment});
  EXPECT_EQ(JpegOrientation(turned), 1);
  // The video follows the end of the image once, as it was.
  std::vector<uint8_t> end = {0xFF, 0xD9};
  end.insert(end.end(), kMotionVideo.begin(), kMotionVideo.end());
  EXPECT_TRUE(turned.size() > end.size() && std::equal(end.rbegin(), end.rend(), turned.rbegin()));
}

TEST(OriginalRotationTest, FourLosslessTurnsGiveBackTheSamePixelsAndKeepTheMetadata) {
  TempDir dir;
  const std::string photo = dir.File("camera.JPG");
  const std::vector<uint8_t> original = CameraPhoto(48, 32, 1);  // whole 16 x 16 blocks
  WriteFileBytes(photo, original);
  const TBitmap32 before = LoadPictureByExtension(photo);

  // What the preview shows: the photo as loaded, then turned.
  std::vector<TBitmap32> shown;
  const TBitmap32 turned =
      RotateOriginalPhoto(photo, [&](const TBitmap32& p) { shown.push_back(p); });
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_TRUE(Same(shown[0], before));
  EXPECT_TRUE(Same(shown[1], turned));
  const TBitmap32 once = LoadPictureByExtension(photo);
  EXPECT_EQ(once.Width(), 32);
  EXPECT_LT(MeanDifference(once, TurnQuarterClockwise(before)), 1.0);
  EXPECT_LT(MeanDifference(turned, once), 1.0);
  ExpectMetadataKept(ReadFileBytes(photo), false);
  EXPECT_EQ(QuantisationValues(ReadFileBytes(photo)), QuantisationValues(original));

  for (int i = 0; i < 3; ++i) Turn(photo);
  EXPECT_TRUE(Same(LoadPictureByExtension(photo), before));
  ExpectMetadataKept(ReadFileBytes(photo), false);
}

// Every EXIF orientation folds into the one lossless transform: after the turn the file,
// read with orientation 1 as any viewer reads it, shows what was seen, turned clockwise.
TEST(OriginalRotationTest, EveryOrientationTurnsAsSeenAndBecomesUpright) {
  TempDir dir;
  const std::string photo = dir.File("camera.jpg");
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE("orientation " + std::to_string(orientation));
    const std::vector<uint8_t> original = CameraPhoto(48, 32, orientation);
    WriteFileBytes(photo, original);
    const TBitmap32 seen = LoadPictureByExtension(photo);
    // The orientation counts although an XMP segment comes before the EXIF one.
    EXPECT_EQ(seen.Width(), orientation >= 5 ? 32 : 48);
    Turn(photo);
    const std::vector<uint8_t> turned = ReadFileBytes(photo);
    EXPECT_LT(MeanDifference(LoadPictureByExtension(photo), TurnQuarterClockwise(seen)), 1.0);
    EXPECT_EQ(QuantisationValues(turned), QuantisationValues(original));
    ExpectMetadataKept(turned, orientation % 2 == 0);
  }
}

// A size that is no whole number of blocks along the edge the turn moves cannot turn
// losslessly: the photo is encoded anew at quality 90 and keeps its metadata.
TEST(OriginalRotationTest, PartialBlocksReencodeAtQuality90AndKeepTheMetadata) {
  TempDir dir;
  const std::string photo = dir.File("camera.jpeg");
  const std::vector<uint8_t> quality90 = QuantisationValues(EncodeJpeg(TBitmap32(16, 16), 90));
  for (const int orientation : {1, 6}) {
    SCOPED_TRACE("orientation " + std::to_string(orientation));
    WriteFileBytes(photo, CameraPhoto(30, 20, orientation));
    const TBitmap32 seen = LoadPictureByExtension(photo);
    Turn(photo);
    const std::vector<uint8_t> turned = ReadFileBytes(photo);
    EXPECT_EQ(QuantisationValues(turned), quality90);
    ExpectMetadataKept(turned, orientation % 2 == 0);
    EXPECT_LT(MeanDifference(LoadPictureByExtension(photo), TurnQuarterClockwise(seen)), 8.0);
  }
  // The new encoding is RGB: a profile for grey or CMYK pictures would colour it wrongly.
  for (const char* colour_space : {"GRAY", "CMYK"}) {
    std::vector<uint8_t> jpeg = CameraPhoto(30, 20, 1);
    const std::vector<uint8_t> rgb = Segment(0xE2, kIcc);
    const auto at = std::search(jpeg.begin(), jpeg.end(), rgb.begin(), rgb.end());
    ASSERT_NE(at, jpeg.end());
    const std::vector<uint8_t> other = IccChunk(colour_space);
    std::copy(other.begin(), other.end(), at + 4);
    WriteFileBytes(photo, jpeg);
    Turn(photo);
    EXPECT_TRUE(SegmentData(ReadFileBytes(photo), 0xE2).empty()) << colour_space;
  }
}

// GIF and BMP photos have no lossless turn: they turn exactly in memory and stay in their
// own format, shown loaded and then turned like a JPEG.
TEST(OriginalRotationTest, BmpAndGifPhotosTurnExactlyInTheirOwnFormat) {
  TempDir dir;
  TBitmap32 picture(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      picture.At(x, y) = MakePixel(static_cast<uint8_t>(40 * x), static_cast<uint8_t>(80 * y), 9);
  for (const char* name : {"photo.bmp", "photo.GIF"}) {
    SCOPED_TRACE(name);
    const std::string photo = dir.File(name);
    const std::string extension = name + 6;
    WriteFileBytes(photo, extension == "bmp" ? EncodeBmp24(picture) : *EncodeGif(picture));
    std::vector<TBitmap32> shown;
    RotateOriginalPhoto(photo, [&](const TBitmap32& p) { shown.push_back(p); });
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(Same(shown[0], picture));
    EXPECT_TRUE(Same(shown[1], TurnQuarterClockwise(picture)));
    EXPECT_TRUE(Same(LoadPictureByExtension(photo), TurnQuarterClockwise(picture)));
  }
}

// Viewers that show the EXIF thumbnail show it turned as the photo, upright as stored.
TEST(OriginalRotationTest, TheExifThumbnailTurnsWithThePhoto) {
  TempDir dir;
  const std::string photo = dir.File("camera.jpg");
  TBitmap32 stored(16, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x)
      stored.At(x, y) = x < 8 ? MakePixel(220, 30, 30) : MakePixel(30, 30, 220);
  const std::vector<uint8_t> thumbnail = EncodeJpeg(stored, 95);
  for (const int orientation : {1, 6}) {
    SCOPED_TRACE("orientation " + std::to_string(orientation));
    WriteFileBytes(photo,
                   test::MakeTestJpeg(Samples(48, 32), 48, 32,
                                      {.app1 = test::ExifWithThumbnail(orientation, thumbnail)}));
    Turn(photo);
    const std::vector<uint8_t> exif = SegmentData(ReadFileBytes(photo), 0xE1).at(0);
    EXPECT_EQ(ReadExifOrientation(exif.data(), exif.size()), 1);
    const std::optional<TExifThumbnail> found = FindExifThumbnail(exif.data(), exif.size());
    ASSERT_TRUE(found);
    ASSERT_EQ(found->start + found->size, exif.size());
    TMemoryStream stream({exif.begin() + found->start, exif.end()});
    TBitmap32 turned;
    LoadPicture(stream, itJPEG, turned);
    TMemoryStream old_stream(thumbnail);
    TBitmap32 old_thumbnail;
    LoadPicture(old_stream, itJPEG, old_thumbnail);
    EXPECT_LT(MeanDifference(turned, TurnQuarterClockwise(Upright(old_thumbnail, orientation))),
              8.0);
  }
}

TEST(OriginalRotationTest, UnreadablePhotoKeepsItsFile) {
  TempDir dir;
  const std::string photo = dir.File("damaged.jpg");
  std::vector<uint8_t> damaged = CameraPhoto(48, 32, 1);
  damaged.resize(200);
  damaged[2 + 18 + 3] = 0xFF;  // the XMP segment now runs far past the end
  WriteFileBytes(photo, damaged);
  bool shown = false;
  EXPECT_THROW(RotateOriginalPhoto(photo, [&](const TBitmap32&) { shown = true; }), Error);
  EXPECT_FALSE(shown);
  EXPECT_EQ(ReadFileBytes(photo), damaged);
}

TEST(OriginalRotationTest, PhoneFormatIsRefusedBeforeAnythingIsShown) {
  // The original is never rewritten in another format, nor a turn shown that is not made.
  TempDir dir;
  const std::string photo = dir.File("IMG_0001.HEIC");
  const std::vector<uint8_t> heic =
      test::MakeTestHeif(std::vector<uint8_t>(16 * 8 * 4, 128), 16, 8, false);
  WriteFileBytes(photo, heic);
  bool shown = false;
  try {
    RotateOriginalPhoto(photo, [&](const TBitmap32&) { shown = true; });
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Een HEIC-bestand kan niet gedraaid worden.");
  }
  EXPECT_FALSE(shown);
  EXPECT_EQ(ReadFileBytes(photo), heic);
}

}  // namespace
}  // namespace fotoloom
