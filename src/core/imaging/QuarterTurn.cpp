#include "core/imaging/QuarterTurn.h"

#include "core/imaging/resample/Orientation.h"

namespace fotoloom {

// EXIF orientation 6 means "stored turned a quarter left": standing it upright is exactly a
// quarter turn clockwise, so the tiled copy of Orientation does the work.
constexpr int kQuarterClockwiseOrientation = 6;

TBitmap32 TurnQuarterClockwise(const TBitmap32& picture) {
  return Upright(picture, kQuarterClockwiseOrientation);
}

}  // namespace fotoloom
