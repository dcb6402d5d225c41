#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/Stream.h"
#include "core/imaging/Bitmap32.h"
#include "core/imaging/codecs/ImageInfo.h"
#include "core/imaging/codecs/PictureRows.h"

namespace fotoloom {

// Decodes the stream with the decoder of `type` into an opaque picture at full size (a PNG
// composited over white, a GIF's first image at its screen size, a JPEG turned upright
// from its EXIF orientation, a HEIF or TIFF from its own, transparency over white in all),
// converted to sRGB from its embedded colour profile. Throws the decoder's error on damaged
// data.
void LoadPicture(TStream& stream, TImageType type, TBitmap32& bitmap);

// As LoadPicture, but the pixels stay in the colour space of the embedded profile, which
// comes out in `icc_profile` (empty when there is none). For callers that convert a smaller
// picture made from it, or that write the picture back with its profile.
void DecodePicture(TStream& stream, TImageType type, TBitmap32& bitmap,
                   std::vector<uint8_t>& icc_profile);

// The picture row by row, in the colour space of its profile, for the formats whose
// decoders hand out rows (BMP, GIF, PNG without interlacing, TIFF in strips); nullptr, with
// the stream where it was, for the others, which DecodePicture decodes whole.
std::unique_ptr<TPictureRows> OpenPictureRows(TStream& stream, TImageType type);

}  // namespace fotoloom
