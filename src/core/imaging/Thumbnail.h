#pragma once

#include "core/base/Stream.h"
#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// The photo in the stream reduced to fit a max_side x max_side square with its aspect ratio
// kept, as the browser shows it. The format is found from the content. A small picture that
// a camera JPEG (EXIF) or a HEIF file carries of itself is used instead of the photo when it
// is at least max_side and has the photo's shape. Otherwise a JPEG is reduced in the DCT while
// it is decoded, to the smallest scale that still covers max_side, and then resampled; other
// formats are decoded in full first. A JPEG's EXIF orientation is not applied (a HEIF's is,
// as everywhere), and a picture that fits already keeps its size. Throws the decoder's error on
// damaged data.
TBitmap32 LoadThumbnail(TStream& stream, int max_side);

}  // namespace fotoloom
