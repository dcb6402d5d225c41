#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Stream.h"
#include "core/imaging/Bitmap32.h"

// The decoders of the formats the engine reads. Each reads one image from the stream's current
// position, fills the bitmap at the image's full size and throws fotoloom::Error with the
// decoder's text on damaged data. Sizes pass ReservePictureMemory (the size check and the
// shared memory budget) before any allocation; a large picture from few bytes of data is
// refused (CheckPictureData). BMP, GIF, PNG and TIFF also come row by row (PictureRows.h).
// Those of formats that embed an ICC profile hand it out through `icc_profile` when it is
// given (empty when there is none); the pixels stay in the profile's colour space.
namespace fotoloom {

// Our own BMP reader: 1, 4, 8, 16 (555, 565, bit fields), 24, 32 bit, RLE4, RLE8,
// bottom-up and top-down. Opaque result. Throws "Bitmap image is not valid".
void DecodeBmp(TStream& stream, TBitmap32& bitmap);

// The first image of a GIF at the logical screen size. Pixels outside the first image
// and its transparent pixels are white. Opaque result.
void DecodeGif(TStream& stream, TBitmap32& bitmap);

// A PNG photo composited over white. Opaque result.
void DecodePngPhoto(TStream& stream, TBitmap32& bitmap, std::vector<uint8_t>* icc_profile);
void DecodePngPhoto(TStream& stream, TBitmap32& bitmap);

// The logo path: the PNG's own colours with its transparency in the alpha channel.
// Returns true; HasAlpha tells whether any transparency was applied.
bool LoadPNGWithAlpha(TStream& stream, TBitmap32& bitmap, bool& HasAlpha,
                      std::vector<uint8_t>* icc_profile = nullptr);
// As LoadPNGWithAlpha on a file; false (and HasAlpha false) on any failure, no error.
bool LoadPNGFileWithAlpha(const std::string& path, TBitmap32& bitmap, bool& HasAlpha);

// A JPEG at full size, turned upright from its EXIF orientation. Opaque result. A CMYK
// JPEG's profile is applied by the decoder and not handed out.
void DecodeJpeg(TStream& stream, TBitmap32& bitmap, std::vector<uint8_t>* icc_profile);
void DecodeJpeg(TStream& stream, TBitmap32& bitmap);

// The decoders below read the stream to its end. Each fills *icc_profile, when given, with
// the photo's embedded ICC profile (empty when it has none). Transparent pixels are laid
// over white; the result is opaque. Their errors start with "HEIF error: ", "WebP error: "
// and "TIFF error: ".

// The primary picture of a HEIF file (HEIC or AVIF), turned upright by its rotation and
// mirror properties; samples deeper than 8 bits are rounded to 8.
void DecodeHeif(TStream& stream, TBitmap32& bitmap, std::vector<uint8_t>* icc_profile = nullptr);
// For the browser: the file's own thumbnail when it is at least max_side on its longest
// side and has the photo's shape, turned upright by its own properties; else the picture
// as DecodeHeif gives it.
TBitmap32 DecodeHeifForThumbnail(TStream& stream, int max_side,
                                 std::vector<uint8_t>* icc_profile = nullptr);

// A WebP picture; of an animation, the first frame on the whole canvas.
void DecodeWebp(TStream& stream, TBitmap32& bitmap, std::vector<uint8_t>* icc_profile = nullptr);

// The first picture of a TIFF file, turned upright from its orientation tag.
void DecodeTiff(TStream& stream, TBitmap32& bitmap, std::vector<uint8_t>* icc_profile = nullptr);

}  // namespace fotoloom
