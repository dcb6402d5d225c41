// The resampler alone, fed rows as a JPEG decoder would deliver them (4 bytes per
// pixel, in batches of 16 rows): a camera-sized photo into an 800 x 600 box, and an enlargement.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "core/imaging/resample/Resampler.h"
#include "core/imaging/resample/ResizePlan.h"

namespace fotoloom {
namespace {

void BM_ResampleIntoBox(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  std::mt19937 random(1);
  // A band of distinct rows, reused cyclically: the content does not change the work.
  std::vector<uint8_t> band(static_cast<size_t>(width) * 4 * 64);
  for (uint8_t& b : band) b = static_cast<uint8_t>(random());
  const TResizePlan plan = PlanResize(width, height, 800, 600);
  const TRect window{std::max<int64_t>(0, -plan.offset_x), std::max<int64_t>(0, -plan.offset_y),
                     std::min<int64_t>(plan.scaled_width, 800 - plan.offset_x),
                     std::min<int64_t>(plan.scaled_height, 600 - plan.offset_y)};
  for (auto _ : state) {
    TResampler resampler(width, height, plan.scaled_width, plan.scaled_height, window);
    const uint8_t* rows[16];
    for (int y = resampler.FirstRow() & ~15; y < resampler.EndRow(); y += 16) {
      for (int i = 0; i < 16; ++i)
        rows[i] = band.data() + static_cast<size_t>((y + i) % 64) * width * 4;
      resampler.PushRows(y, rows, std::min(16, height - y));
    }
    benchmark::DoNotOptimize(resampler.Result().Bits());
  }
  state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(width) * height,
                                                  benchmark::Counter::kIsIterationInvariantRate,
                                                  benchmark::Counter::kIs1000);
}

BENCHMARK(BM_ResampleIntoBox)
    ->Args({6000, 4000})
    ->Args({4000, 6000})
    ->Args({2048, 1536})
    ->Args({400, 300})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace fotoloom

BENCHMARK_MAIN();
