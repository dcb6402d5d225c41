#pragma once

#include <cstdint>

#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// A colour number: red in the low byte, then green, then blue. A high byte of FF marks a
// desktop system colour whose index is the low byte.
using TColor = uint32_t;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The opaque pixel of a colour. System colours resolve to fixed, conventional values
// (a light desktop theme); clDefault is white; other high bytes are ignored.
TPixel32 ColorToPixel(TColor color);

}  // namespace fotoloom
