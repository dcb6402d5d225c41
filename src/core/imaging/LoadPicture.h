#pragma once

#include "core/base/Stream.h"
#include "core/imaging/Bitmap32.h"
#include "core/imaging/codecs/ImageInfo.h"

namespace fotoloom {

// Decodes the stream with the decoder of `type` into an opaque picture at full size (a PNG
// composited over white, a GIF's first image at its screen size, a JPEG turned upright
// from its EXIF orientation, a HEIF or TIFF from its own, transparency over white in all). Throws
// the decoder's error on damaged data.
void LoadPicture(TStream& stream, TImageType type, TBitmap32& bitmap);

}  // namespace fotoloom
