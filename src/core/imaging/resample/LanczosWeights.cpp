#include "core/imaging/resample/LanczosWeights.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace fotoloom {

double Lanczos3(double x) {
  x = std::abs(x);
  if (x >= 3.0) return 0.0;
  if (x < 1e-12) return 1.0;
  // sin(pi x) from sin(pi x / 3) by the triple-angle formula: one sine per tap.
  const double px = std::numbers::pi * x;
  const double s = std::sin(px / 3.0);
  return 3.0 * (3.0 * s - 4.0 * s * s * s) * s / (px * px);
}

TAxisWeights LanczosWeights(int src_size, int64_t dst_size, int64_t out_begin, int64_t out_end) {
  TAxisWeights axis;
  axis.out_count = static_cast<int>(std::max<int64_t>(0, out_end - out_begin));
  axis.first.resize(axis.out_count);
  axis.count.resize(axis.out_count);
  if (axis.out_count == 0 || src_size <= 0) return axis;

  if (dst_size == src_size) {
    axis.identity = true;
    axis.taps = 1;
    axis.weights.assign(axis.out_count, 1.0f);
    for (int i = 0; i < axis.out_count; ++i) {
      axis.first[i] = static_cast<int>(out_begin + i);
      axis.count[i] = 1;
    }
    axis.src_begin = axis.first.front();
    axis.src_end = axis.first.back() + 1;
    return axis;
  }

  const double scale = static_cast<double>(src_size) / static_cast<double>(dst_size);
  const double filter_scale = std::max(1.0, scale);
  const double support = 3.0 * filter_scale;
  axis.taps = static_cast<int>(std::min<double>(src_size, std::ceil(2.0 * support) + 1.0));
  axis.weights.assign(static_cast<size_t>(axis.out_count) * axis.taps, 0.0f);
  std::vector<double> sums(axis.taps);
  axis.src_begin = src_size;
  axis.src_end = 0;
  for (int i = 0; i < axis.out_count; ++i) {
    const double centre = (static_cast<double>(out_begin + i) + 0.5) * scale - 0.5;
    const int64_t j_min = static_cast<int64_t>(std::floor(centre - support)) + 1;
    const int64_t j_max = static_cast<int64_t>(std::ceil(centre + support)) - 1;
    const int first = static_cast<int>(std::clamp<int64_t>(j_min, 0, src_size - 1));
    const int last = static_cast<int>(std::clamp<int64_t>(j_max, 0, src_size - 1));
    std::fill(sums.begin(), sums.end(), 0.0);
    double total = 0.0;
    for (int64_t j = j_min; j <= j_max; ++j) {
      const double w = Lanczos3((static_cast<double>(j) - centre) / filter_scale);
      const int index = static_cast<int>(std::clamp<int64_t>(j, 0, src_size - 1));
      sums[index - first] += w;
      total += w;
    }
    axis.first[i] = first;
    axis.count[i] = last - first + 1;
    float* weights = axis.weights.data() + static_cast<size_t>(i) * axis.taps;
    for (int k = 0; k < axis.count[i]; ++k) weights[k] = static_cast<float>(sums[k] / total);
    axis.src_begin = std::min(axis.src_begin, first);
    axis.src_end = std::max(axis.src_end, last + 1);
  }
  return axis;
}

}  // namespace fotoloom
