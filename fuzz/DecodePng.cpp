// The PNG decoder both ways: as a photo over white with the conversion to sRGB, and as a logo
// with its transparency kept.
#include "FuzzPicture.h"
#include "core/imaging/LoadPicture.h"
#include "core/imaging/codecs/Decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fotoloom::DecodeFuzzInput(data, size, [](fotoloom::TStream& stream) {
    fotoloom::TBitmap32 photo;
    fotoloom::LoadPicture(stream, fotoloom::itPNG, photo);
  });
  fotoloom::DecodeFuzzInput(data, size, [](fotoloom::TStream& stream) {
    fotoloom::TBitmap32 logo;
    bool has_alpha = false;
    fotoloom::LoadPNGWithAlpha(stream, logo, has_alpha);
  });
  return 0;
}
