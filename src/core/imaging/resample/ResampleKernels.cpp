#include "core/imaging/resample/ResampleKernels.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define FOTOLOOM_X86 1
#endif

namespace fotoloom::kernels {
namespace {

constexpr float kWeightScale = 1.0f / (1 << kWeightBits);

void VerticalPairsPlain(int32_t* acc, const int16_t* const* pairs, const int32_t* weights,
                        int pair_count, size_t begin, size_t n, bool load, float* out) {
  for (size_t i = begin; i < n; ++i) {
    int32_t sum = load ? acc[i] : 0;
    for (int p = 0; p < pair_count; ++p) {
      const int32_t wa = static_cast<int16_t>(weights[p] & 0xFFFF);
      const int32_t wb = weights[p] >> 16;
      sum += pairs[p][2 * i] * wa + pairs[p][2 * i + 1] * wb;
    }
    if (out) {
      out[i] = static_cast<float>(sum) * kWeightScale;
    } else {
      acc[i] = sum;
    }
  }
}

inline uint8_t ToByte(float v) {
  return static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f);
}

void HorizontalRowPlain(const float* row, const TAxisWeights& columns, TPixel32* out) {
  for (int x = 0; x < columns.out_count; ++x) {
    const float* px = row + static_cast<size_t>(columns.first[x] - columns.src_begin) * 4;
    const float* w = columns.weights.data() + static_cast<size_t>(x) * columns.taps;
    float sum[3] = {0, 0, 0};
    for (int k = 0; k < columns.count[x]; ++k) {
      for (int c = 0; c < 3; ++c) sum[c] += w[k] * px[4 * k + c];
    }
    out[x] = MakePixel(ToByte(sum[2]), ToByte(sum[1]), ToByte(sum[0]));
  }
}

std::atomic<TKernelChoice> g_choice{TKernelChoice::Automatic};

#if FOTOLOOM_X86
bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return has;
}

bool UseAvx2() {
  const TKernelChoice choice = g_choice.load(std::memory_order_relaxed);
  return choice == TKernelChoice::Automatic ? HasAvx2() : choice == TKernelChoice::Avx2;
}

// 32 values (8 pixels) at a time in four registers, every pair's weight loaded once per
// block.
__attribute__((target("avx2"))) void VerticalPairsAvx2(int32_t* acc, const int16_t* const* pairs,
                                                       const int32_t* weights, int pair_count,
                                                       size_t n, bool load, float* out) {
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i s[4];
    for (int j = 0; j < 4; ++j) {
      s[j] = load ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(acc + i + 8 * j))
                  : _mm256_setzero_si256();
    }
    for (int p = 0; p < pair_count; ++p) {
      const __m256i w = _mm256_set1_epi32(weights[p]);
      const auto* src = reinterpret_cast<const __m256i*>(pairs[p] + 2 * i);
      for (int j = 0; j < 4; ++j) {
        s[j] = _mm256_add_epi32(s[j], _mm256_madd_epi16(_mm256_loadu_si256(src + j), w));
      }
    }
    for (int j = 0; j < 4; ++j) {
      if (out) {
        _mm256_storeu_ps(out + i + 8 * j,
                         _mm256_mul_ps(_mm256_cvtepi32_ps(s[j]), _mm256_set1_ps(kWeightScale)));
      } else {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(acc + i + 8 * j), s[j]);
      }
    }
  }
  VerticalPairsPlain(acc, pairs, weights, pair_count, i, n, load, out);
}

// Two taps per instruction: pixels k and k + 1 side by side in one register.
__attribute__((target("avx2,fma"))) void HorizontalRowAvx2(const float* row,
                                                           const TAxisWeights& columns,
                                                           TPixel32* out) {
  for (int x = 0; x < columns.out_count; ++x) {
    const float* px = row + static_cast<size_t>(columns.first[x] - columns.src_begin) * 4;
    const float* w = columns.weights.data() + static_cast<size_t>(x) * columns.taps;
    const int count = columns.count[x];
    __m256 a = _mm256_setzero_ps(), b = _mm256_setzero_ps();
    int k = 0;
    for (; k + 4 <= count; k += 4) {
      const __m256 w01 = _mm256_setr_m128(_mm_set1_ps(w[k]), _mm_set1_ps(w[k + 1]));
      const __m256 w23 = _mm256_setr_m128(_mm_set1_ps(w[k + 2]), _mm_set1_ps(w[k + 3]));
      a = _mm256_fmadd_ps(_mm256_loadu_ps(px + 4 * k), w01, a);
      b = _mm256_fmadd_ps(_mm256_loadu_ps(px + 4 * k + 8), w23, b);
    }
    a = _mm256_add_ps(a, b);
    __m128 sum = _mm_add_ps(_mm256_castps256_ps128(a), _mm256_extractf128_ps(a, 1));
    for (; k < count; ++k) {
      sum = _mm_fmadd_ps(_mm_loadu_ps(px + 4 * k), _mm_set1_ps(w[k]), sum);
    }
    alignas(16) float v[4];
    _mm_store_ps(v, sum);
    out[x] = MakePixel(ToByte(v[2]), ToByte(v[1]), ToByte(v[0]));
  }
}
#endif

}  // namespace

bool ForceKernels(TKernelChoice choice) {
#if FOTOLOOM_X86
  if (choice == TKernelChoice::Avx2 && !HasAvx2()) return false;
#else
  if (choice == TKernelChoice::Avx2) return false;
#endif
  g_choice = choice;
  return true;
}

void InterleaveRows(const uint8_t* a, const uint8_t* b, size_t n, int16_t* out) {
  size_t i = 0;
#if FOTOLOOM_X86
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i vb = b ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)) : zero;
    const __m128i lo = _mm_unpacklo_epi8(va, vb);
    const __m128i hi = _mm_unpackhi_epi8(va, vb);
    auto* o = reinterpret_cast<__m128i*>(out + 2 * i);
    _mm_storeu_si128(o, _mm_unpacklo_epi8(lo, zero));
    _mm_storeu_si128(o + 1, _mm_unpackhi_epi8(lo, zero));
    _mm_storeu_si128(o + 2, _mm_unpacklo_epi8(hi, zero));
    _mm_storeu_si128(o + 3, _mm_unpackhi_epi8(hi, zero));
  }
#endif
  for (; i < n; ++i) {
    out[2 * i] = a[i];
    out[2 * i + 1] = b ? b[i] : 0;
  }
}

void VerticalPairs(int32_t* acc, const int16_t* const* pairs, const int32_t* weights,
                   int pair_count, size_t n, bool load, float* out) {
#if FOTOLOOM_X86
  if (UseAvx2()) return VerticalPairsAvx2(acc, pairs, weights, pair_count, n, load, out);
#endif
  VerticalPairsPlain(acc, pairs, weights, pair_count, 0, n, load, out);
}

void HorizontalRow(const float* row, const TAxisWeights& columns, TPixel32* out) {
  if (columns.identity) {
    const float* px = row + static_cast<size_t>(columns.first[0] - columns.src_begin) * 4;
    for (int x = 0; x < columns.out_count; ++x, px += 4) {
      out[x] = MakePixel(ToByte(px[2]), ToByte(px[1]), ToByte(px[0]));
    }
    return;
  }
#if FOTOLOOM_X86
  if (UseAvx2()) return HorizontalRowAvx2(row, columns, out);
#endif
  HorizontalRowPlain(row, columns, out);
}

}  // namespace fotoloom::kernels
