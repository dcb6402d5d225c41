#pragma once

#include <cstdint>
#include <vector>

namespace fotoloom::test {

// Writes HEIC, AVIF, WebP and TIFF test photos with Debian's own encoders (libheif with x265
// and aom, libwebp, libtiff), from R, G, B, A bytes per pixel.
struct TestPhotoOptions {
  int bit_depth = 8;       // HEIF: 8 or 10; TIFF: 8 or 16
  bool alpha = false;      // keep the alpha bytes; otherwise they are ignored
  int orientation = 1;     // HEIF: rotation and mirror properties; TIFF: orientation tag
  int thumbnail_side = 0;  // HEIF: also a thumbnail of this longest side, made from
  std::vector<uint8_t> thumbnail_rgba;  // this picture of the same size (the photo if empty)
  int quality = 90;                     // lossy HEIF and WebP
  std::vector<uint8_t> icc;             // an ICC profile to embed
};

std::vector<uint8_t> MakeTestHeif(const std::vector<uint8_t>& rgba, int width, int height,
                                  bool avif, const TestPhotoOptions& options = {});
std::vector<uint8_t> MakeTestWebp(const std::vector<uint8_t>& rgba, int width, int height,
                                  const TestPhotoOptions& options = {});
// An animation of the given frames (R, G, B, A bytes each), 100 ms apart.
std::vector<uint8_t> MakeTestAnimatedWebp(const std::vector<std::vector<uint8_t>>& frames,
                                          int width, int height);
std::vector<uint8_t> MakeTestTiff(const std::vector<uint8_t>& rgba, int width, int height,
                                  const TestPhotoOptions& options = {});

}  // namespace fotoloom::test
