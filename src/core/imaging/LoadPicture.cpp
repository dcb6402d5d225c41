#include "core/imaging/LoadPicture.h"

#include "core/base/Error.h"
#include "core/imaging/codecs/Decoders.h"

namespace fotoloom {

void LoadPicture(TStream& stream, TImageType type, TBitmap32& bitmap) {
  switch (type) {
    case itBMP:
      DecodeBmp(stream, bitmap);
      return;
    case itGIF:
      DecodeGif(stream, bitmap);
      return;
    case itJPEG:
      DecodeJpeg(stream, bitmap);
      return;
    case itPNG:
      DecodePngPhoto(stream, bitmap);
      return;
    case itHEIF:
      DecodeHeif(stream, bitmap);
      return;
    case itWEBP:
      DecodeWebp(stream, bitmap);
      return;
    case itTIFF:
      DecodeTiff(stream, bitmap);
      return;
    case itNone:
      break;
  }
  throw Error("Unknown picture format");
}

}  // namespace fotoloom
