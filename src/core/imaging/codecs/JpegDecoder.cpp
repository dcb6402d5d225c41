#include <vector>

#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/JpegReader.h"
#include "core/imaging/resample/Orientation.h"

namespace fotoloom {

void DecodeJpeg(TStream& stream, TBitmap32& bitmap, std::vector<uint8_t>* icc_profile) {
  TJpegReader reader(stream, 4);
  if (icc_profile) *icc_profile = reader.IccProfile();
  TBitmap32 stored = reader.ReadPicture();
  bitmap = reader.Orientation() == 1 ? std::move(stored) : Upright(stored, reader.Orientation());
}

void DecodeJpeg(TStream& stream, TBitmap32& bitmap) {
  DecodeJpeg(stream, bitmap, nullptr);
}

}  // namespace fotoloom
