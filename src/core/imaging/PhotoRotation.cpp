#include "core/imaging/PhotoRotation.h"

#include <optional>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/codecs/BmpWriter.h"
#include "core/imaging/codecs/GifWriter.h"
#include "core/imaging/LoadByExtension.h"
#include "core/imaging/QuarterTurn.h"
#include "core/imaging/SafeRewrite.h"

namespace fotoloom {

void TurnAndWritePhoto(TBitmap32& picture, const std::string& path) {
  picture = TurnQuarterClockwise(picture);
  switch (ImageTypeFromExtension(path)) {
    case itJPEG:
      RewriteJpegFile(path, picture, kRotationJpegQuality);
      return;
    case itBMP:
      RewriteFile(path, EncodeBmp24(picture));
      return;
    case itGIF: {
      // A picture from one GIF image nearly always fits; more colours than a GIF can hold
      // only arise where the image does not cover the whole screen.
      const std::optional<std::vector<uint8_t>> gif = EncodeGif(picture);
      if (!gif) throw Error("Deze GIF-foto heeft te veel kleuren om gedraaid te worden.");
      RewriteFile(path, *gif);
      return;
    }
    case itPNG:
    case itNone:
      break;
  }
  // Photo lists hold JPEG, GIF and BMP files only; a PNG is a logo, and JPEG data under its
  // name would make it unreadable, so it is left alone.
  throw Error("Een PNG-bestand kan niet gedraaid worden.");
}

void TurnAndWriteJpeg(TBitmap32& picture, const std::string& path) {
  picture = TurnQuarterClockwise(picture);
  RewriteJpegFile(path, picture, kRotationJpegQuality);
}

TBitmap32 RotatePhotoFile(const std::string& path) {
  TBitmap32 picture = LoadPictureByExtension(path);
  TurnAndWritePhoto(picture, path);
  return picture;
}

}  // namespace fotoloom
