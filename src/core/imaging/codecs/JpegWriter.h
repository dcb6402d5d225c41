#pragma once

#include <cstdint>
#include <vector>

#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// Encodes a picture as a baseline JFIF JPEG with libjpeg's defaults for RGB input (YCbCr,
// 2x2 luminance sampling, standard Huffman tables, integer DCT). Quality is clamped to
// 1..100 and uses baseline-compatible quantisation tables. Alpha is dropped.
std::vector<uint8_t> EncodeJpeg(const TBitmap32& picture, int quality);

}  // namespace fotoloom
