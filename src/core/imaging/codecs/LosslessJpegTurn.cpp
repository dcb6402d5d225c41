#include "core/imaging/codecs/LosslessJpegTurn.h"

#include <turbojpeg.h>

#include <array>
#include <memory>
#include <string>

#include "core/base/Error.h"
#include "core/imaging/codecs/JpegMarkers.h"

namespace fotoloom {
namespace {

using THandle = std::unique_ptr<void, decltype(&tjDestroy)>;

// The one transform that turns a picture stored with EXIF orientation 1 to 8 a quarter
// turn clockwise from how it is seen: first the orientation's own transform makes it
// upright, then the quarter turn; together they are again one of the eight.
constexpr std::array<TJXOP, 9> kTurnFromOrientation{
    TJXOP_ROT90,       // (no orientation 0)
    TJXOP_ROT90,       // 1 upright: only the turn
    TJXOP_TRANSVERSE,  // 2 mirrored: mirror, then turn
    TJXOP_ROT270,      // 3 upside down: half a turn, then a quarter
    TJXOP_TRANSPOSE,   // 4 mirrored upside down
    TJXOP_HFLIP,       // 5 transposed
    TJXOP_ROT180,      // 6 lying a quarter turn anticlockwise: two quarters
    TJXOP_VFLIP,       // 7 transversed
    TJXOP_NONE,        // 8 lying a quarter turn clockwise: the turn makes it upright
};

// Whether the transform moves no partial block to the left or top edge, where a JPEG
// cannot hold one; the same rules as libjpeg's transupp.
bool IsPerfect(TJXOP op, int width, int height, int subsampling) {
  const bool whole_columns = width % tjMCUWidth[subsampling] == 0;
  const bool whole_rows = height % tjMCUHeight[subsampling] == 0;
  switch (op) {
    case TJXOP_HFLIP:
    case TJXOP_ROT270:
      return whole_columns;
    case TJXOP_VFLIP:
    case TJXOP_ROT90:
      return whole_rows;
    case TJXOP_TRANSVERSE:
    case TJXOP_ROT180:
      return whole_columns && whole_rows;
    case TJXOP_NONE:
    case TJXOP_TRANSPOSE:
      return true;
  }
  return false;
}

[[noreturn]] void ThrowTransformError(tjhandle handle) {
  throw Error("JPEG error (" + std::string(tjGetErrorStr2(handle)) + ")");
}

}  // namespace

std::optional<std::vector<uint8_t>> TurnJpegLosslessly(std::span<const uint8_t> jpeg) {
  THandle handle(tjInitTransform(), &tjDestroy);
  if (!handle) throw Error("JPEG error (" + std::string(tjGetErrorStr2(nullptr)) + ")");
  const auto size = static_cast<unsigned long>(jpeg.size());
  int width = 0, height = 0, subsampling = 0, colour_space = 0;
  // Unusual sampling factors have no block size here: the caller re-encodes those.
  if (tjDecompressHeader3(handle.get(), jpeg.data(), size, &width, &height, &subsampling,
                          &colour_space) != 0 ||
      subsampling < 0 || subsampling >= TJ_NUMSAMP)
    return std::nullopt;
  const TJXOP op = kTurnFromOrientation[JpegOrientation(jpeg)];
  if (!IsPerfect(op, width, height, subsampling)) return std::nullopt;

  tjtransform transform{};
  transform.op = op;
  transform.options = TJXOPT_PERFECT;  // markers are copied unless TJXOPT_COPYNONE
  unsigned char* output = nullptr;
  unsigned long output_size = 0;
  const int result = tjTransform(handle.get(), jpeg.data(), size, 1, &output, &output_size,
                                 &transform, TJFLAG_LIMITSCANS);
  const std::unique_ptr<unsigned char, decltype(&tjFree)> owned(output, &tjFree);
  // A warning (data cut short, say) still gives the whole picture, grey where data is
  // missing, as the decoder shows it too.
  if (result != 0 && (tjGetErrorCode(handle.get()) != TJERR_WARNING || !output))
    ThrowTransformError(handle.get());
  std::vector<uint8_t> turned(output, output + output_size);
  ResetJpegOrientation(turned);
  return turned;
}

}  // namespace fotoloom
