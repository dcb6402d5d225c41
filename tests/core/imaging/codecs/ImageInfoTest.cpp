#include "core/imaging/codecs/ImageInfo.h"

#include <gtest/gtest.h>

#include <array>
#include <string_view>

#include "core/base/Error.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

struct InfoCase {
  const char* name;
  std::string_view bytes;
  TImageType type;
  int32_t width;
  int32_t height;
};

// Content decides, never a name; short streams read as if padded with zeros.
constexpr std::array<InfoCase, 21> kInfoCases{{
    {"empty", "", itNone, 0, 0},
    {"text", "hello, this is no photo", itNone, 0, 0},
    {"gif", "GIF89a\x40\x01\xF0\x00", itGIF, 320, 240},
    {"gif_short", "GIF", itGIF, 0, 0},
    {"jpeg_sof0_after_app0",
     std::string_view("\xFF\xD8\xFF\xE0\x00\x04\xAA\xBB\xFF\xC0\x00\x11\x08\x02\x58\x03\x20", 17),
     itJPEG, 800, 600},
    {"jpeg_progressive_has_no_size",
     std::string_view("\xFF\xD8\xFF\xC2\x00\x11\x08\x02\x58\x03\x20\x03\x01\x22\x00\x02\x11\x01"
                      "\x03\x11\x01",
                      21),
     itJPEG, 0, 0},
    {"png", std::string_view("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\x01\x2C\0\0\0\xC8", 24), itPNG,
     300, 200},
    {"png_lower_case_ihdr",
     std::string_view("\x89PNG\r\n\x1A\n\0\0\0\x0Dihdr\0\0\x01\x2C\0\0\0\xC8", 24), itPNG, 300,
     200},
    {"png_first_chunk_not_ihdr",
     std::string_view("\x89PNG\r\n\x1A\n\0\0\0\x0DgAMA\0\0\x01\x2C\0\0\0\xC8", 24), itPNG, 0, 0},
    {"png_signature_broken_is_not_bmp_either", "\x89PNBM", itNone, 0, 0},
    {"bmp_two_bytes", "BM", itBMP, 0, 0},
    {"webp", std::string_view("RIFF\x24\0\0\0WEBPVP8 ", 16), itWEBP, 0, 0},
    {"riff_not_webp", std::string_view("RIFF\x24\0\0\0WAVEfmt ", 16), itNone, 0, 0},
    {"tiff_intel", std::string_view("II*\0\x08\0\0\0", 8), itTIFF, 0, 0},
    {"tiff_motorola", std::string_view("MM\0*\0\0\0\x08", 8), itTIFF, 0, 0},
    {"bigtiff", std::string_view("II+\0\x08\0\0\0", 8), itTIFF, 0, 0},
    {"heic_major_brand", std::string_view("\0\0\0\030ftypheic\0\0\0\0mif1heic", 24), itHEIF, 0, 0},
    {"avif_compatible_brand_only", std::string_view("\0\0\0\034ftypxxxx\0\0\0\0mif1miafavif", 28),
     itHEIF, 0, 0},
    {"mp4_video_is_not_heif", std::string_view("\0\0\0\030ftypisom\0\0\0\0isommp42", 24), itNone,
     0, 0},
    // A brand past the box's own size belongs to the next box.
    {"heif_brand_outside_the_box", std::string_view("\0\0\0\020ftypisom\0\0\0\0mif1", 20), itNone,
     0, 0},
    {"bmp_top_down",
     std::string_view("BM\0\0\0\0\0\0\0\0\0\0\0\0\x28\0\0\0\x10\0\0\0\xF8\xFF\xFF\xFF", 26), itBMP,
     16, -8},
}};

TEST(ImageInfoTest, SignaturesAndHeaderSizes) {
  for (const InfoCase& c : kInfoCases) {
    SCOPED_TRACE(c.name);
    // Behind a prefix, to show that the test works from the stream's position.
    std::vector<uint8_t> bytes = Bytes("xyz");
    bytes.insert(bytes.end(), c.bytes.begin(), c.bytes.end());
    TMemoryStream stream(bytes);
    stream.Seek(3);
    const TImageInfo info = GetImageInfo(stream);
    EXPECT_EQ(info.ImageType, c.type);
    EXPECT_EQ(info.Width, c.width);
    EXPECT_EQ(info.Height, c.height);
    EXPECT_EQ(stream.Position(), 3);
  }
}

TEST(ImageInfoTest, FileFormReadsContentAndReportsOpenErrors) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("photo.gif"), Bytes(std::string_view("\xFF\xD8\xFF\xC0\x00\x11\x08\x00\x10\x00\x20", 11)));
  const TImageInfo info = GetImageFileInfo(dir.File("photo.gif"));
  EXPECT_EQ(info.ImageType, itJPEG);
  EXPECT_EQ(info.Width, 32);
  EXPECT_EQ(info.Height, 16);
  EXPECT_THROW(GetImageFileInfo(dir.File("missing.jpg")), Error);
}

TEST(ImageInfoTest, SwapsReverseByteOrder) {
  EXPECT_EQ(SwapLong(0x11223344u), 0x44332211u);
  EXPECT_EQ(SwapWord(0xA1B2u), 0xB2A1u);
}

}  // namespace
}  // namespace fotoloom
