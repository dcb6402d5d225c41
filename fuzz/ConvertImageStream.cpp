// The whole conversion from memory: format test, decoder, colour profile, resampling into a
// small box and the JPEG encoder. What comes out must be a JPEG, or nothing at all.
#include <cstdlib>

#include "FuzzPicture.h"
#include "core/imaging/ConvertImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fotoloom::DecodeFuzzInput(data, size, [](fotoloom::TStream& stream) {
    fotoloom::TMemoryStream dest;
    try {
      fotoloom::ConvertImageStream(stream, dest, 64, 48, fotoloom::TColor{0xFFFFFF}, 75);
    } catch (const fotoloom::Error&) {
      if (!dest.Bytes().empty()) std::abort();  // a failure writes nothing
      throw;
    }
    const std::vector<uint8_t>& jpeg = dest.Bytes();
    if (!jpeg.empty() && (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8 ||
                          jpeg[jpeg.size() - 2] != 0xFF || jpeg[jpeg.size() - 1] != 0xD9)) {
      std::abort();
    }
  });
  return 0;
}
