#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <zlib.h>

#include "core/base/Error.h"
#include "core/base/Stream.h"
#include "core/imaging/ConvertImage.h"
#include "core/imaging/PictureLimits.h"
#include "core/imaging/Thumbnail.h"
#include "core/imaging/codecs/BmpWriter.h"
#include "support/LittleEndian.h"
#include "support/MemoryLimit.h"
#include "support/TempDir.h"
#include "support/TestPhotoFormats.h"

namespace fotoloom {
namespace {

using Bytes = std::vector<uint8_t>;

// Room for the conversion on top of what the test program already uses: far below what
// these pictures take at full size.
constexpr size_t kHeadroom = size_t{100} << 20;
constexpr int kSide = 22000;

using test::Put16;
using test::Put32;

// A 35-byte GIF: a kSide x kSide screen with colours white and black, and an image of
// image_side x image_side at the top left. Its LZW data gives a single white pixel, which
// is all of a 1 x 1 image and the start of a larger one.
Bytes HugeScreenGif(int image_side, bool interlaced) {
  Bytes out{'G', 'I', 'F', '8', '9', 'a'};
  Put16(out, kSide);
  Put16(out, kSide);
  out.insert(out.end(), {0x80, 0, 0, 255, 255, 255, 0, 0, 0, ','});
  Put32(out, 0);
  Put16(out, image_side);
  Put16(out, image_side);
  out.insert(out.end(), {static_cast<uint8_t>(interlaced ? 0x40 : 0), 2, 2, 0x44, 0x01, 0, ';'});
  return out;
}

// A 56-byte RLE8 BMP of kSide x kSide whose data is only the end-of-bitmap mark.
Bytes EndOfBitmapBmp() {
  Bytes out{'B', 'M'};
  for (uint32_t v : {56u, 0u, 54u, 40u, uint32_t{kSide}, uint32_t{kSide}}) Put32(out, v);
  Put16(out, 1);
  Put16(out, 8);
  for (uint32_t v : {1u, 2u, 0u, 0u, 0u, 0u}) Put32(out, v);
  out.insert(out.end(), {0, 1});
  return out;
}

void PutBig32(Bytes& out, uint32_t v) {
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutChunk(Bytes& out, const char* type, const Bytes& data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  PutBig32(out, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// A white 1-bit grey PNG of side x side: a few kilobytes of data. Interlaced, its rows come
// in the seven passes of Adam7, each pass's rows only as wide as its columns.
Bytes WhitePng(int side, bool interlaced = false) {
  Bytes header;
  PutBig32(header, static_cast<uint32_t>(side));
  PutBig32(header, static_cast<uint32_t>(side));
  header.insert(header.end(), {1, 0, 0, 0, static_cast<uint8_t>(interlaced ? 1 : 0)});
  struct Pass {
    int x0, y0, dx, dy;
  };
  const std::vector<Pass> passes =
      interlaced ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                     {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
                 : std::vector<Pass>{{0, 0, 1, 1}};
  Bytes raw;
  for (const Pass& pass : passes) {
    const int columns = (side - pass.x0 + pass.dx - 1) / pass.dx;
    const int rows = (side - pass.y0 + pass.dy - 1) / pass.dy;
    if (columns <= 0) continue;
    for (int y = 0; y < rows; ++y) {
      raw.push_back(0);  // no filter
      raw.insert(raw.end(), (static_cast<size_t>(columns) + 7) / 8, 0xFF);
    }
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes data(size);
  EXPECT_EQ(compress2(data.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9), Z_OK);
  data.resize(size);
  Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", data);
  PutChunk(out, "IEND", {});
  return out;
}

// Runs `render` on `bytes` in a child limited to kHeadroom more memory. Returns 0 when
// `check` accepts the picture, 1 when it does not, 2 for an error whose text `check_error`
// does not accept; 128 + signal or 97 when the child ran out of memory.
int RenderInLittleMemory(const Bytes& bytes, const std::function<TBitmap32(TStream&)>& render,
                         const std::function<bool(const TBitmap32&)>& check,
                         const std::function<bool(const std::string&)>& check_error) {
  return test::RunWithMemoryLimit(kHeadroom, [&] {
    TMemoryStream stream(bytes);
    TBitmap32 picture;
    try {
      picture = render(stream);
    } catch (const Error& error) {
      return check_error(error.what()) ? 0 : 2;
    }
    return check(picture) ? 0 : 1;
  });
}

// The picture converted into an 800 x 600 box.
std::function<TBitmap32(TStream&)> Canvas(TColor background) {
  return [background](TStream& stream) {
    TBitmap32 canvas;
    RenderCanvas(stream, 800, 600, background, canvas);
    return canvas;
  };
}

bool AllPixels(const TBitmap32& canvas, TPixel32 color) {
  if (canvas.Empty()) return false;
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      if (canvas.At(x, y) != color) return false;
    }
  }
  return true;
}

// Files of a few dozen bytes that declare pictures of 1.9 GB at full size, and a PNG and a
// TIFF of a few hundred kilobytes at most that hold 190 and 144 MB. The converter keeps no
// picture of that size: the screen around a GIF's image and the rows an RLE bitmap never
// sets (black) cost nothing, and PNG and TIFF rows are resampled as they are decoded; so
// for thumbnails. An interlaced GIF image has to be held whole and so must come with data
// that could fill it.
TEST(HugeDeclaredPictureTest, TinyFilesConvertAndMakeThumbnailsInLittleMemoryOrFailClearly) {
  if (test::UnderSanitizer()) GTEST_SKIP() << "an address-space limit does not work here";
  struct Case {
    const char* name;
    Bytes bytes;
    TPixel32 color;     // of every pixel, with the canvas's background this colour too
    const char* error;  // expected instead of a canvas
  };
  const TPixel32 white = MakePixel(255, 255, 255), black = MakePixel(0, 0, 0);
  const Case cases[] = {
      {"gif_1x1_image", HugeScreenGif(1, false), white, nullptr},
      {"gif_1x1_interlaced_image", HugeScreenGif(1, true), white, nullptr},
      {"rle8_end_of_bitmap", EndOfBitmapBmp(), black, nullptr},
      {"png_of_47_megapixels", WhitePng(6900), white, nullptr},
      {"tiff_of_36_megapixels", test::MakeTestTiff(Bytes(size_t{6000} * 6000 * 4, 255), 6000, 6000),
       white, nullptr},
      {"gif_interlaced_image_of_the_whole_screen", HugeScreenGif(kSide, true), white,
       "Picture is too large (22000 x 22000 pixels)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TColor background = c.color == white ? 0x00FFFFFF : 0;
    const auto all_of_colour = [&](const TBitmap32& picture) {
      return !c.error && AllPixels(picture, c.color);
    };
    const auto expected_error = [&](const std::string& text) { return c.error && text == c.error; };
    EXPECT_EQ(0, RenderInLittleMemory(c.bytes, Canvas(background), all_of_colour, expected_error));
    EXPECT_EQ(0, RenderInLittleMemory(
                     c.bytes, [](TStream& stream) { return LoadThumbnail(stream, 160); },
                     all_of_colour, expected_error));
  }
}

// A 577-byte HEIC whose image box states 32 x 24 pixels but whose grid declares 26725 x
// 26979: libheif would allocate that grid (4 GB) before it found that the tiles cannot fill
// it. Converting it and making its thumbnail fail clearly in little memory.
TEST(HugeDeclaredPictureTest, AHeifGridLargerThanItsStatedSizeFailsInLittleMemory) {
  if (test::UnderSanitizer()) GTEST_SKIP() << "an address-space limit does not work here";
  const Bytes bytes = test::ReadFileBytes(test::FixturePath("heic-grid-larger-than-stated.heic"));
  const auto no_picture = [](const TBitmap32&) { return false; };
  const auto heif_error = [](const std::string& text) {
    return text.starts_with("HEIF error: ") && text.find("26725x26979") != std::string::npos;
  };
  EXPECT_EQ(0, RenderInLittleMemory(bytes, Canvas(0x00FFFFFF), no_picture, heif_error));
  EXPECT_EQ(0, RenderInLittleMemory(
                   bytes, [](TStream& stream) { return LoadThumbnail(stream, 160); }, no_picture,
                   heif_error));
}

// Above 48 megapixels a picture held whole needs a byte of data per 64 pixels; the stream
// form counts from the stream's position and leaves it there.
TEST(HugeDeclaredPictureTest, DataCheckRefusesOnlyLargePicturesFromFewBytes) {
  struct Case {
    int width, height;
    int64_t data_bytes;
    bool refused;
  };
  for (const Case& c : {Case{8000, 6000, 0, false}, Case{8000, 6001, 750'125, false},
                        Case{8000, 6001, 750'124, true}, Case{20000, 20000, 6'250'000, false},
                        Case{20000, 20000, 6'249'999, true}}) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << ", " << c.data_bytes);
    const std::string error = "Picture is too large (" + std::to_string(c.width) + " x " +
                              std::to_string(c.height) + " pixels)";
    bool refused = false;
    try {
      CheckPictureData(c.width, c.height, c.data_bytes);
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), error);
      refused = true;
    }
    EXPECT_EQ(refused, c.refused);

    TMemoryStream stream(Bytes(static_cast<size_t>(c.data_bytes) + 7, 0));
    stream.Seek(7);
    refused = false;
    try {
      CheckPictureData(c.width, c.height, stream);
    } catch (const Error&) {
      refused = true;
    }
    EXPECT_EQ(refused, c.refused);
    EXPECT_EQ(stream.Position(), 7);
  }
}

// A real-sized photo (24 megapixels, 72 MB as a bottom-up BMP) converts in the same little
// memory, rows in the right order: red, green and blue bands from the top.
TEST(HugeDeclaredPictureTest, A24MegapixelBitmapConvertsInLittleMemory) {
  if (test::UnderSanitizer()) GTEST_SKIP() << "an address-space limit does not work here";
  const TPixel32 bands[] = {MakePixel(255, 0, 0), MakePixel(0, 255, 0), MakePixel(0, 0, 255)};
  Bytes bmp;
  {
    TBitmap32 photo(6000, 4000);
    for (int y = 0; y < photo.Height(); ++y) {
      std::fill_n(photo.Row(y), photo.Width(), bands[y * 3 / photo.Height()]);
    }
    bmp = EncodeBmp24(photo);
  }
  const auto banded = [&](const TBitmap32& canvas) {
    // 6000 x 4000 fills an 800 x 600 box at 900 x 600, its right edge cut off: the bands
    // are 200 rows each, exact away from their edges.
    if (canvas.Width() != 800 || canvas.Height() != 600) return false;
    for (int y = 0; y < 600; ++y) {
      if (y % 200 > 190 || y % 200 < 10) continue;
      if (canvas.At(0, y) != bands[y / 200] || canvas.At(799, y) != bands[y / 200]) return false;
    }
    return true;
  };
  EXPECT_EQ(0, RenderInLittleMemory(bmp, Canvas(0x00FFFFFF), banded,
                                    [](const std::string&) { return false; }));
}

// An interlaced PNG is decoded whole. Two white ones of 47 megapixels (190 MB each at full
// size, 18 KB of file) converted at once on two threads take one picture's memory at a time,
// so both convert in room for two pictures and a quarter, where two decoded side by side
// fail (each thread's stack and allocator arena take address space too). A white one is a
// sparse picture, as a flat graphic is: it waits for the other, it is not refused.
TEST(HugeDeclaredPictureTest, SparsePicturesConvertedAtOnceDecodeOneAtATime) {
  if (test::UnderSanitizer()) GTEST_SKIP() << "an address-space limit does not work here";
  constexpr int kPngSide = 6900;
  constexpr size_t kPicture = size_t{kPngSide} * kPngSide * 4;
  test::TempDir dir;
  const Bytes png = WhitePng(kPngSide, true);
  ASSERT_LT(png.size(), 20'000u);
  const std::string sources[] = {dir.File("a.png"), dir.File("b.png")};
  for (const std::string& source : sources) test::WriteFileBytes(source, png);
  const int status = test::RunWithMemoryLimit(2 * kPicture + kPicture / 4, [&] {
    std::string errors[2];
    std::thread workers[2];
    for (int i = 0; i < 2; ++i) {
      workers[i] = std::thread([&, i] {
        try {
          ConvertImageFile(sources[i], sources[i] + ".jpg", 800, 600, 0x00FFFFFF, 90);
        } catch (const std::exception& error) {
          errors[i] = error.what();
        }
      });
    }
    for (std::thread& worker : workers) worker.join();
    for (int i = 0; i < 2; ++i) {
      if (!errors[i].empty() || test::ReadFileBytes(sources[i] + ".jpg").empty()) return 1 + i;
    }
    return 0;
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace fotoloom
