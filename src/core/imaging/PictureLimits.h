#pragma once

#include <cstdint>

namespace fotoloom {

// Pictures larger than this are refused before anything is allocated, so that a crafted
// header cannot make the program allocate gigabytes.
constexpr int64_t kMaxPictureSide = 65535;
constexpr int64_t kMaxPicturePixels = 500'000'000;

// Throws fotoloom::Error when a picture of this size may not be allocated.
void CheckPictureSize(int64_t width, int64_t height);

}  // namespace fotoloom
