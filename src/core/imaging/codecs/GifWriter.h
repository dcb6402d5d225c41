#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// A single-image GIF whose colour map holds exactly the picture's colours, so the pixels
// come back unchanged. Returns nothing when the picture has more than 256 colours, which a
// GIF cannot hold without changing the picture. Alpha is ignored.
std::optional<std::vector<uint8_t>> EncodeGif(const TBitmap32& picture);

}  // namespace fotoloom
