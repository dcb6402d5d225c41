#include "core/imaging/ResampleRows.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace fotoloom {

void FeedResampler(TPictureRows& picture, TResampler& resampler,
                   const std::function<void()>& between_batches) {
  constexpr int kBatch = 16;
  const size_t width = static_cast<size_t>(picture.Width());
  std::vector<TPixel32> buffer(width * kBatch);
  const uint8_t* rows[kBatch];
  for (int i = 0; i < kBatch; ++i) rows[i] = reinterpret_cast<const uint8_t*>(&buffer[width * i]);
  for (int y = 0; y < resampler.EndRow(); y += kBatch) {
    if (between_batches) between_batches();
    const int count = std::min(kBatch, resampler.EndRow() - y);
    for (int i = 0; i < count; ++i) picture.ReadRow(&buffer[width * i]);
    resampler.PushRows(y, rows, count);
  }
}

TBitmap32 ResampleRows(TPictureRows& picture, int width, int height) {
  TResampler resampler(picture.Width(), picture.Height(), width, height, {0, 0, width, height});
  FeedResampler(picture, resampler);
  return std::move(resampler.Result());
}

}  // namespace fotoloom
