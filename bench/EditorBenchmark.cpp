// The photo editor's operations on a 24-megapixel photo, as one slider movement or button
// press recomputes them.
#include <benchmark/benchmark.h>

#include <random>

#include "core/imaging/EditorOperations.h"

namespace fotoloom {
namespace {

const TBitmap32& LoadedPicture() {
  static const TBitmap32 picture = [] {
    TBitmap32 p(6000, 4000);
    std::mt19937 random(1);
    for (int i = 0; i < p.Width() * p.Height(); ++i) p.Bits()[i] = random() | 0xFF000000u;
    return p;
  }();
  return picture;
}

// Each iteration starts again from the loaded picture, as the editor does.
void BM_ContrastBrightness(benchmark::State& state) {
  TBitmap32 shown;
  for (auto _ : state) {
    shown = LoadedPicture();
    AdjustContrastBrightness(shown, 100, -60);
    benchmark::DoNotOptimize(shown.Bits());
  }
}

void BM_BlackAndWhite(benchmark::State& state) {
  TBitmap32 shown;
  for (auto _ : state) {
    shown = LoadedPicture();
    MakeBlackAndWhite(shown);
    benchmark::DoNotOptimize(shown.Bits());
  }
}

void BM_CopyOnly(benchmark::State& state) {
  TBitmap32 shown;
  for (auto _ : state) {
    shown = LoadedPicture();
    benchmark::DoNotOptimize(shown.Bits());
  }
}

void BM_Crop(benchmark::State& state) {
  for (auto _ : state) {
    TBitmap32 cropped = CropPicture(LoadedPicture(), {10, 10, 5990, 3990});
    benchmark::DoNotOptimize(cropped.Bits());
  }
}

BENCHMARK(BM_CopyOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContrastBrightness)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlackAndWhite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Crop)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace fotoloom

BENCHMARK_MAIN();
