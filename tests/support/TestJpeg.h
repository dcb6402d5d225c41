#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace fotoloom::test {

// Writes test JPEGs with libjpeg directly, in colour spaces and modes the engine never
// writes itself.
struct TestJpegOptions {
  J_COLOR_SPACE input_space = JCS_RGB;     // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
  J_COLOR_SPACE file_space = JCS_UNKNOWN;  // JCS_UNKNOWN: libjpeg's default for the input
  bool adobe_marker = true;                // for CMYK: with Adobe's marker (inverted values)
  bool progressive = false;
  std::vector<jpeg_scan_info> scans;  // a scan script of its own (makes it progressive)
  int quality = 100;
  std::vector<uint8_t> app1;  // an APP1 segment's data, e.g. EXIF
  std::vector<uint8_t> icc_profile;  // written in APP2 ICC_PROFILE chunks
};

std::vector<uint8_t> MakeTestJpeg(const std::vector<uint8_t>& samples, int width, int height,
                                  const TestJpegOptions& options = {});

// True when libjpeg decodes `bytes` to the last row without an error or a warning (a file cut
// short decodes with "Premature end of JPEG file", a damaged one with "Corrupt JPEG data").
bool DecodesWhole(const std::vector<uint8_t>& bytes);

// A 16 x 16 progressive JPEG of 379 scans whose frame declares side x side pixels, about
// 13 KB. Every scan runs out of data and is padded, so each goes over the whole declared
// picture: at a side of 8000 it keeps a decoder busy for seconds, yet it decodes.
std::vector<uint8_t> MakeSlowJpeg(int side);

// The data of an APP1 EXIF segment that holds only an orientation tag.
std::vector<uint8_t> ExifWithOrientation(int orientation, bool big_endian = false);

// The data of a little-endian APP1 EXIF segment whose IFD0 holds the orientation and whose
// IFD1 holds a JPEG thumbnail, stored at the segment's end.
std::vector<uint8_t> ExifWithThumbnail(int orientation, const std::vector<uint8_t>& thumbnail);

}  // namespace fotoloom::test
