#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/base/Cancelled.h"
#include "core/imaging/ConvertImage.h"
#include "core/imaging/LoadPicture.h"
#include "core/imaging/codecs/BmpWriter.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"
#include "support/TestPhotoFormats.h"

namespace fotoloom {
namespace {

namespace fs = std::filesystem;

constexpr TColor kWhite = 0x00FFFFFF;

// A photo in memory that asks for a stop from its `stop_at`th poll on. Its reads never
// throw, so a stop can only come through the polls in the decoder's and the resampler's own
// loops, while the bytes are already read.
class StopAtPoll : public TMemoryStream {
 public:
  StopAtPoll(std::vector<uint8_t> bytes, int stop_at)
      : TMemoryStream(std::move(bytes)), m_stop_at(stop_at) {}
  bool CancelRequested() const override { return ++m_polls >= m_stop_at; }
  int Polls() const { return m_polls; }

 private:
  int m_stop_at;
  mutable int m_polls = 0;
};

std::vector<uint8_t> Rgba(int width, int height) {
  std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
  uint32_t noise = 1;  // hard to compress, so that the file is read in many pieces
  for (uint8_t& byte : rgba) {
    noise = noise * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(noise >> 24);
  }
  return rgba;
}

std::vector<uint8_t> Rgb(int width, int height) {
  std::vector<uint8_t> rgb;
  const std::vector<uint8_t> rgba = Rgba(width, height);
  for (size_t i = 0; i < rgba.size(); ++i)
    if (i % 4 != 3) rgb.push_back(rgba[i]);
  return rgb;
}

struct StopCase {
  const char* name;
  std::vector<uint8_t> (*photo)();
  // Decodes or converts the photo from the stream.
  void (*work)(TStream& stream);
};

void Decode(TStream& stream, bool tiff) {
  TBitmap32 picture;
  if (tiff)
    DecodeTiff(stream, picture);
  else
    DecodeJpeg(stream, picture);
}

const StopCase kStopCases[] = {
    // libjpeg's progress monitor: per group of rows...
    {"baseline JPEG", [] { return test::MakeTestJpeg(Rgb(256, 512), 256, 512); },
     [](TStream& s) { Decode(s, false); }},
    // ...and per row of blocks of each scan, long before the first row comes out.
    {"progressive JPEG",
     [] { return test::MakeTestJpeg(Rgb(256, 512), 256, 512, {.progressive = true}); },
     [](TStream& s) { Decode(s, false); }},
    // libtiff's reads of the strips, from the bytes already in memory.
    {"TIFF", [] { return test::MakeTestTiff(Rgba(256, 512), 256, 512); },
     [](TStream& s) { Decode(s, true); }},
    // libwebp's incremental decoder, handed the bytes a piece at a time.
    {"WebP", [] { return test::MakeTestWebp(Rgba(512, 512), 512, 512); },
     [](TStream& s) {
       TBitmap32 picture;
       DecodeWebp(s, picture);
     }},
    // Decoded whole, then resampled batch by batch.
    {"BMP into the resampler",
     [] {
       TBitmap32 picture(256, 512);
       const std::vector<uint8_t> rgba = Rgba(256, 512);
       for (int y = 0; y < 512; ++y)
         for (int x = 0; x < 256; ++x) {
           const uint8_t* p = rgba.data() + (static_cast<size_t>(y) * 256 + x) * 4;
           picture.At(x, y) = MakePixel(p[0], p[1], p[2]);
         }
       return EncodeBmp24(picture);
     },
     [](TStream& s) {
       TBitmap32 canvas;
       RenderCanvas(s, 64, 128, kWhite, canvas);
     }},
};

// A stop that comes halfway through a photo ends it at that very poll with Cancelled, not
// with an error that would count the photo as damaged, and not only at the photo's end.
TEST(StoppedConversionTest, AStopHalfwayEndsTheWorkAtOnceWithCancelled) {
  for (const StopCase& c : kStopCases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> photo = c.photo();
    StopAtPoll whole(photo, INT_MAX);
    ASSERT_NO_THROW(c.work(whole));
    const int polls = whole.Polls();
    ASSERT_GE(polls, 8) << "too few polls to stop halfway";

    StopAtPoll stopped(photo, polls / 2);
    EXPECT_THROW(c.work(stopped), Cancelled);
    EXPECT_LE(stopped.Polls(), polls / 2 + 1);  // that poll, and one to report it
  }
}

// A photo in memory whose `stop_at`th read throws Cancelled, as the stream of a stopped run
// does.
class StopAtRead : public TMemoryStream {
 public:
  StopAtRead(std::vector<uint8_t> bytes, int stop_at)
      : TMemoryStream(std::move(bytes)), m_stop_at(stop_at) {}
  size_t Read(void* buffer, size_t count) override {
    if (++m_reads >= m_stop_at) throw Cancelled();
    return TMemoryStream::Read(buffer, count);
  }

 private:
  int m_stop_at;
  int m_reads = 0;
};

// The decoders that keep a read's exception across their C library's frames pass a stop on
// as itself: turned into the format's own error it would count the photo as damaged.
TEST(StoppedConversionTest, AStopThatComesThroughAReadIsPassedOnAsCancelled) {
  const struct {
    const char* name;
    std::vector<uint8_t> photo;
    TImageType type;
  } cases[] = {
      {"BMP", test::ReadFileBytes(test::FixturePath("red-blue-halves.bmp")), itBMP},
      {"GIF", test::ReadFileBytes(test::FixturePath("red-blue-halves.gif")), itGIF},
      {"PNG", test::ReadFileBytes(test::FixturePath("red-blue-halves.png")), itPNG},
      // Larger than one read of the decoder.
      {"JPEG", test::MakeTestJpeg(Rgb(512, 512), 512, 512), itJPEG},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StopAtRead stopped(c.photo, 2);
    TBitmap32 picture;
    EXPECT_THROW(LoadPicture(stopped, c.type, picture), Cancelled);
  }
}

class StoppedFileTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::atomic<bool> stop{true};

  std::string Photo() {
    TBitmap32 picture(64, 48);
    picture.Fill(MakePixel(20, 120, 200));
    test::WriteFileBytes(dir.File("photo.jpg"), EncodeJpeg(picture, 90));
    return dir.File("photo.jpg");
  }
  std::vector<std::string> Files() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

// A stopped photo is no failed one: the failure's empty DestFile would throw away the copy
// an earlier run made, so DestFile stays as it was, and no temporary file stays behind.
TEST_F(StoppedFileTest, AStoppedPhotoLeavesItsDestFileAsItWas) {
  const std::string source = Photo();
  EXPECT_THROW(ConvertImageFile(source, dir.File("new.jpg"), 32, 24, kWhite, 90, &stop), Cancelled);
  EXPECT_EQ(Files(), std::vector<std::string>{"photo.jpg"});

  test::WriteFileBytes(dir.File("old.jpg"), {'o', 'u', 'd'});
  EXPECT_THROW(ConvertImageFile(source, dir.File("old.jpg"), 32, 24, kWhite, 90, &stop), Cancelled);
  EXPECT_EQ(test::ReadFileBytes(dir.File("old.jpg")), (std::vector<uint8_t>{'o', 'u', 'd'}));
  EXPECT_EQ(Files(), (std::vector<std::string>{"old.jpg", "photo.jpg"}));

  stop = false;
  ConvertImageFile(source, dir.File("old.jpg"), 32, 24, kWhite, 90, &stop);
  EXPECT_GT(fs::file_size(dir.File("old.jpg")), 100u);
}

}  // namespace
}  // namespace fotoloom
