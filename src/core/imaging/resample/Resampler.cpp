#include "core/imaging/resample/Resampler.h"

#include <algorithm>
#include <cmath>

#include "core/imaging/resample/ResampleKernels.h"

namespace fotoloom {

TResampler::TResampler(int src_width, int src_height, int64_t dst_width, int64_t dst_height,
                       const TRect& window)
    : m_columns(LanczosWeights(src_width, dst_width, window.x0, window.x1)),
      m_rows(LanczosWeights(src_height, dst_height, window.y0, window.y1)),
      m_result(static_cast<int>(window.Width()), static_cast<int>(window.Height())) {
  // Fixed-point vertical weights; the rounding error goes to the largest weight so that
  // every row's weights still sum to exactly 1 and a flat colour stays exactly itself.
  constexpr int kOne = 1 << kernels::kWeightBits;
  m_row_weights.resize(m_rows.weights.size());
  for (int r = 0; r < m_rows.out_count; ++r) {
    const float* w = m_rows.weights.data() + static_cast<size_t>(r) * m_rows.taps;
    int16_t* q = m_row_weights.data() + static_cast<size_t>(r) * m_rows.taps;
    int sum = 0, largest = 0;
    for (int k = 0; k < m_rows.count[r]; ++k) {
      q[k] = static_cast<int16_t>(std::lround(w[k] * kOne));
      sum += q[k];
      if (q[k] > q[largest]) largest = k;
    }
    q[largest] = static_cast<int16_t>(q[largest] + kOne - sum);
  }
  m_span = static_cast<size_t>(m_columns.src_end - m_columns.src_begin) * 4;
  // How many output rows can be under way at once: those whose taps share a source row.
  for (int r = 0, s = 0; r < m_rows.out_count; ++r) {
    while (m_rows.first[s] + m_rows.count[s] <= m_rows.first[r]) ++s;
    m_ring_size = std::max(m_ring_size, r - s + 1);
  }
  m_ring.resize(m_span * m_ring_size);
  m_vertical.resize(m_span);
}

int16_t TResampler::RowWeight(int out_row, int y) const {
  const int k = y - m_rows.first[out_row];
  if (k < 0 || k >= m_rows.count[out_row]) return 0;
  return m_row_weights[static_cast<size_t>(out_row) * m_rows.taps + k];
}

void TResampler::PushRows(int first_y, const uint8_t* const* rows, int count) {
  const int lo = std::max(first_y, m_rows.src_begin);
  const int hi = std::min(first_y + count, m_rows.src_end);
  if (lo >= hi || Finished()) return;

  // The vertical pass takes source rows two at a time.
  const int pair_count = (hi - lo + 1) / 2;
  m_pairs.resize(m_span * 2 * pair_count);
  std::vector<const int16_t*> pair_rows(pair_count);
  const size_t offset = static_cast<size_t>(m_columns.src_begin) * 4;
  for (int p = 0; p < pair_count; ++p) {
    const int y = lo + 2 * p;
    const uint8_t* a = rows[y - first_y] + offset;
    const uint8_t* b = y + 1 < hi ? rows[y + 1 - first_y] + offset : nullptr;
    pair_rows[p] = m_pairs.data() + m_span * 2 * p;
    kernels::InterleaveRows(a, b, m_span, m_pairs.data() + m_span * 2 * p);
  }

  std::vector<const int16_t*> used_pairs;
  std::vector<int32_t> used_weights;
  for (int r = m_rows_done; r < m_rows.out_count && m_rows.first[r] < hi; ++r) {
    used_pairs.clear();
    used_weights.clear();
    for (int p = 0; p < pair_count; ++p) {
      const int y = lo + 2 * p;
      const int16_t wa = RowWeight(r, y);
      const int16_t wb = y + 1 < hi ? RowWeight(r, y + 1) : int16_t{0};
      if (wa == 0 && wb == 0) continue;
      used_pairs.push_back(pair_rows[p]);
      used_weights.push_back(
          static_cast<int32_t>(static_cast<uint16_t>(wa)) |
          static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(wb)) << 16));
    }
    const bool continues = m_rows.first[r] < lo;
    const bool finishes = m_rows.first[r] + m_rows.count[r] <= hi;
    int32_t* acc = m_ring.data() + (r % m_ring_size) * m_span;
    kernels::VerticalPairs(acc, used_pairs.data(), used_weights.data(),
                           static_cast<int>(used_pairs.size()), m_span, continues,
                           finishes ? m_vertical.data() : nullptr);
    if (finishes) {
      kernels::HorizontalRow(m_vertical.data(), m_columns, m_result.Row(r));
      m_rows_done = r + 1;
    }
  }
}

void TResampler::PushPicture(const TBitmap32& picture,
                             const std::function<void()>& between_batches) {
  constexpr int kBatch = 16;
  const uint8_t* rows[kBatch];
  for (int y = FirstRow(); y < EndRow(); y += kBatch) {
    if (between_batches) between_batches();
    const int count = std::min(kBatch, EndRow() - y);
    for (int i = 0; i < count; ++i) rows[i] = reinterpret_cast<const uint8_t*>(picture.Row(y + i));
    PushRows(y, rows, count);
  }
}

TBitmap32 ResamplePicture(const TBitmap32& source, int width, int height) {
  TResampler resampler(source.Width(), source.Height(), width, height, {0, 0, width, height});
  resampler.PushPicture(source);
  return std::move(resampler.Result());
}

}  // namespace fotoloom
