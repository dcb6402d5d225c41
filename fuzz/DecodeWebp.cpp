// The WebP decoder with the conversion to sRGB behind it, on any bytes.
#include "FuzzPicture.h"
#include "core/imaging/LoadPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fotoloom::DecodeFuzzInput(data, size, [](fotoloom::TStream& stream) {
    fotoloom::TBitmap32 bitmap;
    fotoloom::LoadPicture(stream, fotoloom::itWEBP, bitmap);
  });
  return 0;
}
