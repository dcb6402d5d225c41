#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "core/imaging/Bitmap32.h"
#include "core/imaging/resample/LanczosWeights.h"
#include "core/imaging/resample/Orientation.h"

namespace fotoloom {

// Draws a src_width x src_height picture into a dst_width x dst_height rectangle with the
// separable Lanczos-3 filter and keeps only the part `window` of that rectangle. Source
// rows are pushed in order as a decoder delivers them,
// so the full-size picture is never held; only the rows and columns that reach the window
// are computed. Each output is rounded to 8 bits once.
// Rows have 4 bytes per pixel: B, G, R and a fourth byte that is ignored.
class TResampler {
 public:
  TResampler(int src_width, int src_height, int64_t dst_width, int64_t dst_height,
             const TRect& window);

  // The source rows that matter: [FirstRow(), EndRow()). Every one of them must be pushed,
  // in order; others may be pushed and are ignored. Decoding may stop at EndRow().
  int FirstRow() const { return m_rows.src_begin; }
  int EndRow() const { return m_rows.src_end; }

  // Rows first_y, first_y + 1, ... of the source; a batch is cheaper than single rows.
  void PushRows(int first_y, const uint8_t* const* rows, int count);
  void PushRow(int y, const uint8_t* row) { PushRows(y, &row, 1); }
  // Pushes the rows that matter of a whole picture held in memory; `between_batches`, when
  // given, runs before each batch of rows (and may throw to stop).
  void PushPicture(const TBitmap32& picture, const std::function<void()>& between_batches = {});
  bool Finished() const { return m_rows_done == m_rows.out_count; }
  // The window's pixels, opaque.
  TBitmap32& Result() { return m_result; }

 private:
  int16_t RowWeight(int out_row, int y) const;

  TAxisWeights m_columns;
  TAxisWeights m_rows;
  std::vector<int16_t> m_row_weights;  // the vertical weights in fixed point
  size_t m_span;                       // bytes of the used part of a source row
  int m_ring_size = 0;
  std::vector<int32_t> m_ring;    // sums of the output rows under way
  std::vector<int16_t> m_pairs;   // the batch's rows, interleaved in pairs
  std::vector<float> m_vertical;  // a finished row of the vertical pass
  int m_rows_done = 0;            // output rows finished (they finish in order)
  TBitmap32 m_result;
};

// The whole picture drawn into a width x height rectangle.
TBitmap32 ResamplePicture(const TBitmap32& source, int width, int height);

}  // namespace fotoloom
