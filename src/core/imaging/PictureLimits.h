#pragma once

#include <cstdint>

#include "core/base/Stream.h"

namespace fotoloom {

// Pictures larger than this are refused before anything is allocated, so that a crafted
// header cannot make the program allocate gigabytes.
constexpr int64_t kMaxPictureSide = 65535;
constexpr int64_t kMaxPicturePixels = 500'000'000;

// Throws fotoloom::Error when a picture of this size may not be allocated.
void CheckPictureSize(int64_t width, int64_t height);

// A decoder that holds a large picture whole accepts it only from data that could hold a
// real photo of that size: above 48 megapixels, at least one byte of data per 64 pixels
// (4-byte pixels from data compressed at most 256:1). Real photos of that size take
// megabytes, at a bit or more per pixel; a few kilobytes can only declare one.
constexpr int64_t kUncheckedPicturePixels = 48'000'000;
constexpr int64_t kMaxPixelsPerDataByte = 64;
// Throws the same error as CheckPictureSize when the size fails either check.
void CheckPictureData(int64_t width, int64_t height, int64_t data_bytes);
// The same with the data from the stream's position to its end (counted only for a
// picture above kUncheckedPicturePixels; the position is kept).
void CheckPictureData(int64_t width, int64_t height, TStream& data);

}  // namespace fotoloom
