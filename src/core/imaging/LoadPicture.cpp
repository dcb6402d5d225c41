#include "core/imaging/LoadPicture.h"

#include "core/base/Error.h"
#include "core/imaging/ColorProfile.h"
#include "core/imaging/codecs/Decoders.h"

namespace fotoloom {

void DecodePicture(TStream& stream, TImageType type, TBitmap32& bitmap,
                   std::vector<uint8_t>& icc_profile) {
  icc_profile.clear();
  switch (type) {
    case itBMP:
      DecodeBmp(stream, bitmap);
      return;
    case itGIF:
      DecodeGif(stream, bitmap);
      return;
    case itJPEG:
      DecodeJpeg(stream, bitmap, &icc_profile);
      return;
    case itPNG:
      DecodePngPhoto(stream, bitmap, &icc_profile);
      return;
    case itHEIF:
      DecodeHeif(stream, bitmap, &icc_profile);
      return;
    case itWEBP:
      DecodeWebp(stream, bitmap, &icc_profile);
      return;
    case itTIFF:
      DecodeTiff(stream, bitmap, &icc_profile);
      return;
    case itNone:
      break;
  }
  throw Error("Unknown picture format");
}

std::unique_ptr<TPictureRows> OpenPictureRows(TStream& stream, TImageType type) {
  switch (type) {
    case itBMP:
      return OpenBmpRows(stream);
    case itGIF:
      return OpenGifRows(stream);
    case itPNG:
      return OpenPngRows(stream);
    case itTIFF:
      return OpenTiffRows(stream);
    default:
      return nullptr;
  }
}

void LoadPicture(TStream& stream, TImageType type, TBitmap32& bitmap) {
  std::vector<uint8_t> icc_profile;
  DecodePicture(stream, type, bitmap, icc_profile);
  ConvertToSrgb(bitmap, icc_profile);
}

}  // namespace fotoloom
