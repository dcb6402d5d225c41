#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "core/base/Error.h"
#include "core/base/Stream.h"
#include "core/imaging/codecs/Decoders.h"

namespace fotoloom {
namespace {

// A 16 x 16 colour JPEG written with the scans given; none: baseline.
std::vector<uint8_t> JpegWithScans(const std::vector<jpeg_scan_info>& scans) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr error{};
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = 16;
  cinfo.image_height = 16;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (!scans.empty()) {
    cinfo.scan_info = scans.data();
    cinfo.num_scans = static_cast<int>(scans.size());
  }
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(16 * 3);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      row[x * 3] = static_cast<uint8_t>(x * 16);
      row[x * 3 + 1] = static_cast<uint8_t>(y * 16);
      row[x * 3 + 2] = static_cast<uint8_t>(x * y);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

// One DC scan, then for each component and AC coefficient a first scan at `bits` bits of
// precision less and one refinement scan per bit: a valid progression of many scans.
std::vector<jpeg_scan_info> ManyScans(int bits) {
  std::vector<jpeg_scan_info> scans;
  scans.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
  for (int c = 0; c < 3; ++c) {
    for (int k = 1; k < 64; ++k) {
      scans.push_back({1, {c, 0, 0, 0}, k, k, 0, bits});
      for (int al = bits - 1; al >= 0; --al) scans.push_back({1, {c, 0, 0, 0}, k, k, al + 1, al});
    }
  }
  return scans;
}

// The bytes of the scans from the `index`th start-of-scan marker to the next marker that is
// no restart marker, so that they can be copied.
std::vector<uint8_t> Scan(const std::vector<uint8_t>& jpeg, int index) {
  size_t start = 0;
  for (size_t i = 2, found = 0; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA && found++ == static_cast<size_t>(index)) {
      start = i;
      break;
    }
  }
  size_t end = start + 2;
  end += static_cast<size_t>(jpeg[end] << 8 | jpeg[end + 1]);  // the scan header
  while (end + 1 < jpeg.size() &&
         !(jpeg[end] == 0xFF && jpeg[end + 1] != 0 && (jpeg[end + 1] < 0xD0 || jpeg[end + 1] > 0xD7)))
    ++end;
  return {jpeg.begin() + static_cast<long>(start), jpeg.begin() + static_cast<long>(end)};
}

std::string DecodeError(const std::vector<uint8_t>& jpeg) {
  TMemoryStream stream(jpeg);
  TBitmap32 picture;
  try {
    DecodeJpeg(stream, picture);
  } catch (const Error& error) {
    return error.what();
  }
  return picture.Width() == 16 ? "" : "wrong size";
}

// Each scan makes the decoder go over the whole picture again: past a thousand, far beyond
// any camera's or encoder's, the photo is refused before it keeps a worker for minutes.
TEST(JpegLimitsTest, AThousandScansAreTheMost) {
  EXPECT_EQ(DecodeError(JpegWithScans(ManyScans(4))), "");  // 946 scans
  EXPECT_EQ(DecodeError(JpegWithScans(ManyScans(5))),       // 1135 scans
            "JPEG error: the photo has more than 1000 scans");
}

// A refinement scan repeated over and over is nonsense that libjpeg only warns about, once
// for every coefficient: a flood of such warnings ends the photo.
TEST(JpegLimitsTest, AFloodOfWarningsIsAnError) {
  std::vector<jpeg_scan_info> scans = {{3, {0, 1, 2, 0}, 0, 0, 0, 0}};
  for (int c = 0; c < 3; ++c) {
    scans.push_back({1, {c, 0, 0, 0}, 1, 63, 0, 1});
    scans.push_back({1, {c, 0, 0, 0}, 1, 63, 1, 0});
  }
  const std::vector<uint8_t> jpeg = JpegWithScans(scans);
  ASSERT_EQ(DecodeError(jpeg), "");
  const std::vector<uint8_t> refinement = Scan(jpeg, 6);
  std::vector<uint8_t> flooded(jpeg.begin(), jpeg.end() - 2);  // without the end marker
  for (int i = 0; i < 5; ++i) flooded.insert(flooded.end(), refinement.begin(), refinement.end());
  flooded.insert(flooded.end(), {0xFF, 0xD9});
  EXPECT_EQ(DecodeError(flooded), "");  // a few warnings: still a photo
  flooded.resize(flooded.size() - 2);
  for (int i = 0; i < 20; ++i) flooded.insert(flooded.end(), refinement.begin(), refinement.end());
  flooded.insert(flooded.end(), {0xFF, 0xD9});
  EXPECT_EQ(DecodeError(flooded), "JPEG error: the photo is too badly damaged (more than 1000 warnings)");
}

// A progressive photo keeps all its coefficients while it is read: a small file declaring
// 16000 x 16000 pixels would take 1.5 GB for them. It is refused at libjpeg's memory limit.
TEST(JpegLimitsTest, AProgressivePhotoThatNeedsGigabytesIsRefused) {
  std::vector<uint8_t> jpeg = JpegWithScans(ManyScans(0));
  // The frame header's height and width.
  for (size_t i = 2; i + 8 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC2) {
      jpeg[i + 5] = 16000 >> 8;
      jpeg[i + 6] = 16000 & 0xFF;
      jpeg[i + 7] = 16000 >> 8;
      jpeg[i + 8] = 16000 & 0xFF;
      break;
    }
  }
  EXPECT_EQ(DecodeError(jpeg), "JPEG error #" + std::to_string(JERR_NO_BACKING_STORE) +
                                   " (the photo needs more than 512 MB to decode)");
}

}  // namespace
}  // namespace fotoloom
