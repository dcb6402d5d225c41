#include <vector>

#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/JpegReader.h"
#include "core/imaging/resample/Orientation.h"

namespace fotoloom {

void DecodeJpeg(TStream& stream, TBitmap32& bitmap) {
  TJpegReader reader(stream, 4);
  TBitmap32 stored = reader.ReadPicture();
  bitmap = reader.Orientation() == 1 ? std::move(stored) : Upright(stored, reader.Orientation());
}

}  // namespace fotoloom
