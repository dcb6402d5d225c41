#pragma once

#include <cstdint>
#include <memory>

#include "core/base/Stream.h"

namespace fotoloom {

// Decodes a JPEG row by row at full size with libjpeg's accurate defaults. Rows come as
// B, G, R bytes (3 per pixel) or B, G, R, 255 (4 per pixel), whatever the JPEG's colour
// space: grey, YCbCr, RGB, CMYK or YCCK (Adobe's inverted CMYK included).
class TJpegReader {
 public:
  // Reads the header and the EXIF orientation; throws on damaged data or a picture too
  // large for the limits.
  TJpegReader(TStream& stream, int bytes_per_pixel);
  ~TJpegReader();
  TJpegReader(const TJpegReader&) = delete;
  TJpegReader& operator=(const TJpegReader&) = delete;

  // The stored size, before the orientation is applied.
  int Width() const;
  int Height() const;
  // The EXIF orientation, 1 to 8 (1 when there is none).
  int Orientation() const;

  // Decodes the next rows into rows[0..count); returns how many were decoded (0 at the
  // end). The first call starts the decompressor. Rows that are never read are not
  // decoded at all.
  int ReadRows(uint8_t* const* rows, int count);
  int NextRow() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m;
};

}  // namespace fotoloom
