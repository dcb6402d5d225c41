#pragma once

#include <cstddef>
#include <cstdint>

#include "core/imaging/Bitmap32.h"
#include "core/imaging/resample/LanczosWeights.h"

// The inner loops of the resampler, on rows of 4 channels per pixel (B, G, R, and a
// fourth that is carried along). The vertical pass works on pairs of source rows with
// 16-bit fixed-point weights, two products summed per 32-bit lane; the horizontal pass
// works in float, two taps per instruction. Each kernel picks AVX2 when the processor has
// it, unless a choice is forced.
namespace fotoloom::kernels {

enum class TKernelChoice { Automatic, Plain, Avx2 };

// Forces the kernels used from now on (tests run both on every machine). Returns false,
// changing nothing, for AVX2 on a processor without it.
bool ForceKernels(TKernelChoice choice);

constexpr int kWeightBits = 14;  // fixed-point weights: 1.0 is 1 << kWeightBits

// Interleaves two rows of n bytes as 16-bit values: out[2i] = a[i], out[2i + 1] = b[i];
// b may be null (zeros).
void InterleaveRows(const uint8_t* a, const uint8_t* b, size_t n, int16_t* out);

// acc[i] = (load ? acc[i] : 0) + sum over p of pair p's two values at i times its two
// weights (weights[p]: low 16 bits for the first row, high 16 bits for the second). With
// `out`, the final sums go there as floats (weights scaled back to 1) instead of into acc.
// n is a multiple of 4.
void VerticalPairs(int32_t* acc, const int16_t* const* pairs, const int32_t* weights,
                   int pair_count, size_t n, bool load, float* out);

// One output row from a row of the vertical pass (4 floats per pixel, starting at source
// column columns.src_begin).
void HorizontalRow(const float* row, const TAxisWeights& columns, TPixel32* out);

}  // namespace fotoloom::kernels
