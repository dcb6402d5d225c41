#pragma once

#include <cstdint>
#include <vector>

#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// An uncompressed 24-bit BMP (BITMAPINFOHEADER, rows bottom-up, each padded to 4 bytes).
// Alpha is dropped.
std::vector<uint8_t> EncodeBmp24(const TBitmap32& picture);

}  // namespace fotoloom
