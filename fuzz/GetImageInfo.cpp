// The format test and the header readers on any bytes, from the start of the stream and from
// a later position: the stream must come back to where it was.
#include <cstdlib>

#include "FuzzPicture.h"
#include "core/imaging/codecs/ImageInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const int64_t start : {int64_t{0}, static_cast<int64_t>(size / 2)}) {
    fotoloom::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
    stream.Seek(start);
    const fotoloom::TImageInfo info = fotoloom::GetImageInfo(stream);
    if (stream.Position() != start) std::abort();
    if (info.ImageType > fotoloom::itTIFF) std::abort();
  }
  return 0;
}
