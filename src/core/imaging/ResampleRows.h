#pragma once

#include <functional>

#include "core/imaging/Bitmap32.h"
#include "core/imaging/codecs/PictureRows.h"
#include "core/imaging/resample/Resampler.h"

namespace fotoloom {

// Pushes the picture's rows into the resampler as they are decoded, in batches, and
// decodes none after the last row the resampler needs. `between_batches`, when given, runs
// before each batch (and may throw to stop).
void FeedResampler(TPictureRows& picture, TResampler& resampler,
                   const std::function<void()>& between_batches = {});

// The whole picture drawn into a width x height rectangle, as ResamplePicture draws a
// picture held in memory.
TBitmap32 ResampleRows(TPictureRows& picture, int width, int height);

}  // namespace fotoloom
