// The browser's thumbnail on any bytes: the embedded EXIF and HEIF thumbnails, the JPEG
// reduced while it is decoded, and the other decoders behind them.
#include <cstdlib>

#include "FuzzPicture.h"
#include "core/imaging/Thumbnail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fotoloom::DecodeFuzzInput(data, size, [](fotoloom::TStream& stream) {
    const fotoloom::TBitmap32 thumbnail = fotoloom::LoadThumbnail(stream, 48);
    if (thumbnail.Width() > 48 || thumbnail.Height() > 48) std::abort();
  });
  return 0;
}
