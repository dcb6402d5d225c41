#include "core/imaging/PictureMemory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/base/Stream.h"
#include "core/imaging/ConvertImage.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/JpegReader.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"
#include "support/TestPhotoFormats.h"

namespace fotoloom {
namespace {

// A JPEG converted into a box is streamed: it takes from the budget what the reader holds
// (its rows, and the coefficients of a photo in several scans), not the 96 MB the picture
// has at full size. A budget of 64 MB so converts a 24 megapixel baseline photo, refuses the
// same photo progressive (72 MB of coefficients), and refuses a whole decode of either.
TEST(PictureMemoryTest, AJpegReservesWhatItsReaderHolds) {
  constexpr int kWidth = 6000, kHeight = 4000;
  const std::string too_large = "Picture is too large (6000 x 4000 pixels)";
  std::vector<uint8_t> samples(size_t{kWidth} * kHeight * 3);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i / 3 % 251);
  const std::vector<uint8_t> baseline_jpeg =
      test::MakeTestJpeg(samples, kWidth, kHeight, {.quality = 75});
  const std::vector<uint8_t> progressive_jpeg =
      test::MakeTestJpeg(samples, kWidth, kHeight, {.progressive = true, .quality = 75});
  samples = {};

  test::TempDir dir;
  SetPictureMemoryBudget(uint64_t{64} << 20);
  struct Case {
    const char* name;
    const std::vector<uint8_t>& bytes;
    std::string converted_error, whole_error;
  };
  for (const Case& c : {Case{"baseline", baseline_jpeg, "", too_large},
                        Case{"progressive", progressive_jpeg, too_large, too_large}}) {
    SCOPED_TRACE(c.name);
    const std::string source = dir.File(std::string(c.name) + ".jpg");
    const std::string dest = dir.File(std::string(c.name) + "-small.jpg");
    test::WriteFileBytes(source, c.bytes);
    EXPECT_EQ(test::ErrorOf([&] { ConvertImageFile(source, dest, 800, 600, 0, 90); }),
              c.converted_error);
    EXPECT_EQ(test::ReadFileBytes(dest).empty(), !c.converted_error.empty());
    EXPECT_EQ(test::ErrorOf([&] {
                const TPictureMemoryScope memory;
                TMemoryStream stream(c.bytes);
                TBitmap32 picture;
                DecodeJpeg(stream, picture);
              }),
              c.whole_error);
  }
  SetPictureMemoryBudget(0);
}

// libheif and libde265 hold about 19 bytes a pixel while they decode, not the 4 of the
// picture: a 1000 x 1000 HEIC of a real photo's density is refused by a budget of 16 MB and
// converts with one of 24 MB.
TEST(PictureMemoryTest, AHeifReservesWhatItsDecoderHolds) {
  constexpr int kSide = 1000;
  std::vector<uint8_t> rgba(size_t{kSide} * kSide * 4);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<uint8_t>((i * 7919) >> 3);
  test::TempDir dir;
  const std::string source = dir.File("photo.heic");
  test::WriteFileBytes(source, test::MakeTestHeif(rgba, kSide, kSide, false));
  for (const auto& [megabytes, error] :
       {std::pair<uint64_t, std::string>{16, "Picture is too large (1000 x 1000 pixels)"},
        {24, ""}}) {
    SCOPED_TRACE(megabytes);
    SetPictureMemoryBudget(megabytes << 20);
    EXPECT_EQ(test::ErrorOf([&] {
                ConvertImageFile(source, dir.File("small.jpg"), 800, 600, 0, 90);
              }),
              error);
  }
  SetPictureMemoryBudget(0);
}

// Runs `first` in a scope on one thread and, while that scope holds its reservation,
// `second` in a scope on another; true when `second` had to wait until `first`'s scope
// ended. Where it is expected to wait, `first` lets go after a moment; where not, only
// once `second` is done (or after a minute, as a safeguard against a test that hangs).
bool SecondWaitsForFirst(const std::function<void()>& first, const std::function<void()>& second,
                         bool expected) {
  std::mutex mutex;
  std::condition_variable changed;
  bool held = false, done = false, release = false, released = false, waited = false;
  std::thread holder([&] {
    {
      const TPictureMemoryScope memory;
      first();
      std::unique_lock lock(mutex);
      held = true;
      changed.notify_all();
      changed.wait(lock, [&] { return release; });
      released = true;
    }
  });
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return held; });
  }
  std::thread other([&] {
    const TPictureMemoryScope memory;
    second();
    const std::lock_guard lock(mutex);
    waited = released;
    done = true;
    changed.notify_all();
  });
  {
    std::unique_lock lock(mutex);
    if (expected) {
      changed.wait_for(lock, std::chrono::milliseconds(200), [&] { return done; });
    } else {
      changed.wait_for(lock, std::chrono::minutes(1), [&] { return done; });
    }
    release = true;
    changed.notify_all();
  }
  holder.join();
  other.join();
  return waited;
}

// Large pictures from little data share a part of the budget: a second such decode waits
// while the first holds too much of it; a picture with the data of a real photo, or too
// small to matter, does not. A JPEG counts its coefficients against its file (a 13 KB
// progressive file of 3000 x 3000 pixels: 27 MB of coefficients).
TEST(PictureMemoryTest, SparseDecodesWaitForEachOtherAndNoOtherDoes) {
  SetPictureMemoryBudget(uint64_t{8} << 30);  // the whole budget is not what is tested
  const std::vector<uint8_t> slow_jpeg = test::MakeSlowJpeg(3000);
  const auto whole = [](int width, int height, int64_t data_bytes) {
    return [=] { ReserveWholePicture(width, height, data_bytes); };
  };
  const auto jpeg_rows = [&] {
    TMemoryStream stream(slow_jpeg);
    TJpegReader reader(stream, 4);
    std::vector<uint8_t> row(size_t{3000} * 4);
    uint8_t* rows[] = {row.data()};
    reader.ReadRows(rows, 1);
  };
  struct Case {
    const char* name;
    std::function<void()> first, second;
    bool waits;
  };
  const Case cases[] = {
      {"256 and 192 MB from a few kilobytes", whole(8000, 8000, 1000), whole(8000, 6000, 6000),
       true},
      {"a sparse JPEG's coefficients", whole(8000, 8000, 1000), jpeg_rows, true},
      {"24 megapixels with the data of a real photo (a byte per 40 pixels)",
       whole(8000, 8000, 1000), whole(6000, 4000, 600'000), false},
      {"16 MB from 100 bytes", whole(8000, 8000, 1000), whole(2048, 2048, 100), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SecondWaitsForFirst(c.first, c.second, c.waits), c.waits);
  }
  SetPictureMemoryBudget(0);
}

// libjpeg would keep 300 MB of coefficients for a 13 KB progressive file that declares
// 10000 x 10000 pixels: more than all sparse decodes may share, so the conversion refuses it
// before decoding, as it refuses a picture held whole of that size from that little data.
TEST(PictureMemoryTest, ASparseDecodeLargerThanTheSparsePartIsRefused) {
  test::TempDir dir;
  const std::string source = dir.File("slow.jpg");
  test::WriteFileBytes(source, test::MakeSlowJpeg(10000));
  EXPECT_EQ(
      test::ErrorOf([&] { ConvertImageFile(source, dir.File("small.jpg"), 800, 600, 0, 90); }),
      "Picture is too large (10000 x 10000 pixels)");
}

}  // namespace
}  // namespace fotoloom
