#include "core/imaging/codecs/JpegMarkers.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/imaging/codecs/ExifOrientation.h"
#include "core/imaging/codecs/ExifThumbnail.h"
#include "support/TestJpeg.h"

namespace fotoloom {
namespace {

// Offsets in the data of test::ExifWithOrientation: the IFD's entry count, the orientation
// entry's type, count and value.
constexpr size_t kEntryCount = 6 + 8;
constexpr size_t kOrientationType = kEntryCount + 2 + 12 + 2;
constexpr size_t kOrientationCount = kOrientationType + 2;
constexpr size_t kOrientationValue = kOrientationCount + 4;

// The bytes in a heap block of exactly their size, so that a read or write past the end
// is caught by the address sanitizer.
std::unique_ptr<uint8_t[]> Exact(const std::vector<uint8_t>& bytes) {
  auto block = std::make_unique<uint8_t[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), block.get());
  return block;
}

// The start of a JPEG with one APP1 segment holding `data`.
std::vector<uint8_t> WithApp1(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> jpeg(6 + data.size());
  const size_t length = data.size() + 2;
  jpeg[0] = 0xFF, jpeg[1] = 0xD8, jpeg[2] = 0xFF, jpeg[3] = 0xE1;
  jpeg[4] = static_cast<uint8_t>(length >> 8), jpeg[5] = static_cast<uint8_t>(length);
  std::copy(data.begin(), data.end(), jpeg.begin() + 6);
  return jpeg;
}

TEST(JpegMarkersTest, OrientationIsResetInItsOwnByteOrder) {
  for (const bool big_endian : {false, true}) {
    std::vector<uint8_t> exif = test::ExifWithOrientation(6, big_endian);
    EXPECT_TRUE(ResetExifOrientation(exif.data(), exif.size()));
    EXPECT_EQ(exif, test::ExifWithOrientation(1, big_endian));
    EXPECT_EQ(ReadExifOrientation(exif.data(), exif.size()), 1);
  }
}

// A damaged or hostile EXIF block is neither read nor written outside itself, and is left
// as it was.
TEST(JpegMarkersTest, DamagedExifIsLeftAloneWithinItsBounds) {
  const std::vector<uint8_t> good = test::ExifWithOrientation(6);
  std::vector<std::vector<uint8_t>> damaged;
  for (size_t cut = 0; cut < kOrientationValue + 4; ++cut)
    damaged.emplace_back(good.begin(), good.begin() + cut);
  auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
    std::vector<uint8_t> copy = good;
    for (size_t i = 0; i < bytes.size(); ++i) copy.at(at + i) = bytes[i];
    return copy;
  };
  damaged.push_back(patched(10, {0xF0, 0xFF, 0xFF, 0xFF}));  // IFD offset near 4 GB
  damaged.push_back(patched(10, {37, 0, 0, 0}));             // IFD in the last byte
  // 65535 entries, none of them the orientation: the walk reaches the end.
  std::vector<uint8_t> many = patched(kEntryCount, {0xFF, 0xFF});
  many[kOrientationType - 2] = 0x13;
  damaged.push_back(many);
  damaged.push_back(patched(kOrientationType, {4, 0}));   // LONG instead of SHORT
  damaged.push_back(patched(kOrientationCount, {2, 0}));  // two values
  damaged.push_back(patched(6, {'I', 'M'}));              // no byte order
  for (size_t i = 0; i < damaged.size(); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    const std::vector<uint8_t>& bytes = damaged[i];
    const std::unique_ptr<uint8_t[]> block = Exact(bytes);
    EXPECT_FALSE(ResetExifOrientation(block.get(), bytes.size()));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), block.get()));
  }
  // Cut right after the entry's value field, the tag is still whole.
  std::vector<uint8_t> whole(good.begin(), good.begin() + kOrientationValue + 4);
  EXPECT_TRUE(ResetExifOrientation(whole.data(), whole.size()));
}

// The thumbnail's offsets are checked the same way: cut anywhere, or pointing anywhere,
// the block is never read outside; a thumbnail that cannot be decoded is left as it was.
TEST(JpegMarkersTest, DamagedExifThumbnailIsLeftAlone) {
  const std::vector<uint8_t> thumbnail = {0xFF, 0xD8, 0xFF, 0xD9, 'x', 'y'};
  const std::vector<uint8_t> good = test::ExifWithThumbnail(6, thumbnail);
  ASSERT_TRUE(FindExifThumbnail(good.data(), good.size()));
  for (size_t cut = 0; cut < good.size(); ++cut) {
    const std::unique_ptr<uint8_t[]> block = Exact({good.begin(), good.begin() + cut});
    EXPECT_FALSE(FindExifThumbnail(block.get(), cut)) << cut;
  }
  constexpr size_t kNextIfd = 6 + 8 + 2 + 12;
  constexpr size_t kThumbnailStart = kNextIfd + 4 + 2 + 8;
  for (const size_t at : {kNextIfd, kThumbnailStart, kThumbnailStart + 12}) {
    // 61 points at the block's last byte.
    for (const uint32_t value : {0xFFFFFFFFu, 0xFFFFFFF0u, 61u}) {
      std::vector<uint8_t> bad = good;
      for (int i = 0; i < 4; ++i) bad[at + i] = static_cast<uint8_t>(value >> (8 * i));
      const std::unique_ptr<uint8_t[]> block = Exact(bad);
      EXPECT_FALSE(FindExifThumbnail(block.get(), bad.size())) << at << " " << value;
    }
  }
  std::vector<uint8_t> jpeg = WithApp1(good);
  const std::vector<uint8_t> before = jpeg;
  TurnExifThumbnail(jpeg, 6);
  EXPECT_EQ(jpeg, before);
}

// XMP's copy of the orientation is set to 1 only where the whole value is there: a packet
// cut short is neither read past its end nor changed.
TEST(JpegMarkersTest, XmpOrientationIsResetOnlyWhenWhole) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"tiff:Orientation=\"6\"", "tiff:Orientation=\"1\""},
      {"tiff:Orientation='8'/>", "tiff:Orientation='1'/>"},
      {"<tiff:Orientation>3</tiff:Orientation>", "<tiff:Orientation>1</tiff:Orientation>"},
      {"tiff:Orientation=\"6", "tiff:Orientation=\"6"},
      {"tiff:Orientation=\"9\"", "tiff:Orientation=\"9\""},
      {"<tiff:Orientation>6", "<tiff:Orientation>6"},
      {"tiff:Orientation", "tiff:Orientation"},
  };
  const std::string tag("http://ns.adobe.com/xap/1.0/\0", 29);
  for (const auto& [xmp, expected] : cases) {
    const std::string data = tag + xmp;
    std::vector<uint8_t> jpeg = WithApp1({data.begin(), data.end()});
    ResetJpegOrientation(jpeg);
    EXPECT_EQ(std::string(jpeg.begin() + 6 + 29, jpeg.end()), expected);
  }
}

// Segment lengths that run past the end, or that are too short to count themselves, end
// the walk: every segment found lies inside the data.
TEST(JpegMarkersTest, HostileSegmentLengthsEndTheWalk) {
  const std::vector<std::vector<uint8_t>> jpegs = {
      {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xFF, 'E', 'x'},          // length past the end
      {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x01, 0xFF, 0xDA},        // length 1
      {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x04, 0, 0, 0xFF, 0xE2},  // cut inside the next header
      {0xFF, 0xD8, 0xFF},                                      // cut inside the first
      {0xFF, 0xD8, 0x00, 0xE1, 0x00, 0x02},                    // no FF before the marker
      {0xD8},
  };
  for (const std::vector<uint8_t>& jpeg : jpegs) {
    const std::unique_ptr<uint8_t[]> block = Exact(jpeg);
    const std::span<const uint8_t> bytes(block.get(), jpeg.size());
    for (const TJpegSegment& segment : JpegHeaderSegments(bytes))
      EXPECT_LE(segment.data + segment.size, jpeg.size());
    std::vector<uint8_t> copy = jpeg;
    ResetJpegOrientation(copy);
    EXPECT_EQ(copy, jpeg);
    EXPECT_EQ(JpegOrientation(bytes), 1);
    WithMetadataOf(bytes, bytes);
  }
  const std::vector<TJpegSegment> third = JpegHeaderSegments(jpegs[2]);
  ASSERT_EQ(third.size(), 1u);
  EXPECT_EQ(third[0].size, 2u);
}

// ICC chunks are joined by their numbers, in whatever order they are stored; a set that is
// not whole gives no profile, and a JPEG without chunks an empty one.
TEST(JpegMarkersTest, IccChunksJoinByTheirNumbers) {
  // One APP2 ICC_PROFILE chunk: its number, the count and its bytes.
  using TChunk = std::tuple<uint8_t, uint8_t, std::string>;
  const auto jpeg_with = [](const std::vector<TChunk>& chunks) {
    std::vector<uint8_t> jpeg = {0xFF, 0xD8};
    for (const auto& [number, count, bytes] : chunks) {
      const size_t length = 2 + 14 + bytes.size();
      jpeg.insert(jpeg.end(), {0xFF, 0xE2, static_cast<uint8_t>(length >> 8),
                               static_cast<uint8_t>(length)});
      const char tag[] = "ICC_PROFILE";
      jpeg.insert(jpeg.end(), tag, tag + sizeof tag);
      jpeg.insert(jpeg.end(), {number, count});
      jpeg.insert(jpeg.end(), bytes.begin(), bytes.end());
    }
    jpeg.insert(jpeg.end(), {0xFF, 0xDA, 0x00, 0x02});
    return jpeg;
  };
  const struct {
    const char* name;
    std::vector<TChunk> chunks;
    std::optional<std::string> profile;
  } cases[] = {
      {"none", {}, ""},
      {"one", {{1, 1, "abc"}}, "abc"},
      {"out of order", {{3, 3, "ghi"}, {1, 3, "abc"}, {2, 3, "def"}}, "abcdefghi"},
      {"missing", {{1, 3, "abc"}, {3, 3, "ghi"}}, std::nullopt},
      {"doubled", {{1, 2, "abc"}, {1, 2, "abc"}, {2, 2, "def"}}, std::nullopt},
      {"counts differ", {{1, 2, "abc"}, {2, 3, "def"}}, std::nullopt},
      {"numbered zero", {{0, 1, "abc"}}, std::nullopt},
      {"past the count", {{1, 1, "abc"}, {2, 1, "def"}}, std::nullopt}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> jpeg = jpeg_with(c.chunks);
    const std::optional<std::vector<uint8_t>> got =
        JpegIccProfile(jpeg, JpegHeaderSegments(jpeg));
    ASSERT_EQ(got.has_value(), c.profile.has_value());
    if (got) {
      EXPECT_EQ(std::string(got->begin(), got->end()), *c.profile);
    }
  }
}

}  // namespace
}  // namespace fotoloom
