#pragma once

#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// A quarter turn clockwise: W x H becomes H x W, the pixel at (x, y) moves to (H - 1 - y, x)
// and the top-left corner goes to the top-right. No resampling.
TBitmap32 TurnQuarterClockwise(const TBitmap32& picture);

}  // namespace fotoloom
