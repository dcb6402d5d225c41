#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/base/Error.h"
#include "core/base/Stream.h"
#include "core/imaging/PictureMemory.h"

namespace fotoloom {

// The picture budget of the fuzz targets: 4 MB, a 1024 x 1024 picture. A crafted header that
// declares more is refused as "Picture is too large" by the decoder instead of filling memory,
// and the decoding of one input stays short enough for the fuzzer to move on.
constexpr uint64_t kFuzzPictureBudget = uint64_t{4} << 20;

// Runs `decode` on a stream over the input inside one picture scope, as a conversion of one
// photo does. The core's own error is the expected answer to a damaged file; any other
// exception escapes and is reported by the fuzzer as a crash.
template <typename Decode>
void DecodeFuzzInput(const uint8_t* data, size_t size, Decode decode) {
  static const bool budget_set = (SetPictureMemoryBudget(kFuzzPictureBudget), true);
  (void)budget_set;
  TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  const TPictureMemoryScope scope;
  try {
    decode(stream);
  } catch (const Error&) {
  }
}

}  // namespace fotoloom
