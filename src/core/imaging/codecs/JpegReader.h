#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/Stream.h"
#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// Decodes a JPEG row by row at full size with libjpeg's accurate defaults. Rows come as
// B, G, R bytes (3 per pixel) or B, G, R, 255 (4 per pixel), whatever the JPEG's colour
// space: grey, YCbCr, RGB, CMYK or YCCK (Adobe's inverted CMYK included). A CMYK JPEG's
// own ICC profile turns its inks into sRGB; without a usable one they are simply inverted.
// With a scale of 2, 4 or 8 the picture is reduced in the DCT while it is decoded, which
// costs a fraction of a full decode.
class TJpegReader {
 public:
  // Reads the header and the EXIF orientation; throws on damaged data or a picture too
  // large for the limits. The rows come at 1/scale of the stored size (scale 1, 2, 4 or 8).
  TJpegReader(TStream& stream, int bytes_per_pixel, int scale = 1);
  ~TJpegReader();
  TJpegReader(const TJpegReader&) = delete;
  TJpegReader& operator=(const TJpegReader&) = delete;

  // The stored size, before the orientation is applied.
  int Width() const;
  int Height() const;
  // The size of the rows: the stored size divided by the scale, rounded up.
  int OutputWidth() const;
  int OutputHeight() const;
  // The EXIF orientation, 1 to 8 (1 when there is none).
  int Orientation() const;
  // The embedded ICC profile that still applies to the rows: empty when there is none and
  // for CMYK JPEGs, whose profile the reader applies itself.
  const std::vector<uint8_t>& IccProfile() const;

  // Decodes the next rows into rows[0..count); returns how many were decoded (0 at the
  // end). The first call starts the decompressor. Rows that are never read are not
  // decoded at all.
  int ReadRows(uint8_t* const* rows, int count);
  // Decodes every row, at the output size, into a picture (4 bytes per pixel only).
  TBitmap32 ReadPicture();
  int NextRow() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m;
};

}  // namespace fotoloom
