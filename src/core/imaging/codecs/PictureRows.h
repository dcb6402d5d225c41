#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/Stream.h"
#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// A picture handed out row by row, top-down, as its decoder produces it, so that a reader
// that keeps only a reduced copy never holds the picture at full size. Opening reads and
// checks the header (CheckPictureSize) but allocates nothing of the picture's size and
// reserves none of the shared picture memory. Damaged data throws the decoder's error,
// when opening or at the row it spoils.
class TPictureRows {
 public:
  virtual ~TPictureRows() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // The embedded ICC profile, in whose colour space the rows stay (empty when none).
  virtual std::vector<uint8_t> IccProfile() const { return {}; }
  // Decodes the next row into `row` (Width() opaque pixels).
  virtual void ReadRow(TPixel32* row) = 0;
};

// The rows of a BMP or of a GIF's first image on its screen, exactly as DecodeBmp and
// DecodeGif give them (those are built on these).
std::unique_ptr<TPictureRows> OpenBmpRows(TStream& stream);
std::unique_ptr<TPictureRows> OpenGifRows(TStream& stream);

// The rows of a PNG photo without interlacing, as DecodePngPhoto gives them. An interlaced
// PNG can only be decoded whole: for one this returns nullptr with the stream back where
// it was.
std::unique_ptr<TPictureRows> OpenPngRows(TStream& stream);
// The same for a TIFF photo stored upright in strips of moderate size; any other (tiled,
// turned by its orientation tag, or in one huge strip) gives nullptr.
std::unique_ptr<TPictureRows> OpenTiffRows(TStream& stream);

// Reads every remaining row into `bitmap` at full size, after reserving its memory
// (ReservePictureMemory). `bitmap` is left as it was when decoding fails.
void ReadWholePicture(TPictureRows& rows, TBitmap32& bitmap);

}  // namespace fotoloom
