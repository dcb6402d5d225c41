#pragma once

#include <cstdint>
#include <vector>

namespace fotoloom {

// The Lanczos-3 weights of one axis: a source of src_size samples drawn into dst_size
// samples, of which only the outputs [out_begin, out_end) are wanted. Output i is centred
// on source position (i + 0.5) * src_size / dst_size - 0.5; when reducing, the kernel is
// widened by the reduction factor; taps outside the source repeat its edge sample;
// weights sum to 1. Equal sizes copy samples unchanged.
struct TAxisWeights {
  int out_count = 0;
  int src_begin = 0;  // the source samples used: [src_begin, src_end)
  int src_end = 0;
  int taps = 0;  // stride of `weights`
  bool identity = false;
  std::vector<int> first;      // per output: its first source sample
  std::vector<int> count;      // per output: its number of taps
  std::vector<float> weights;  // out_count x taps
};

double Lanczos3(double x);

TAxisWeights LanczosWeights(int src_size, int64_t dst_size, int64_t out_begin, int64_t out_end);

}  // namespace fotoloom
