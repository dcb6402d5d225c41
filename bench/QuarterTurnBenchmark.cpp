// The quarter turn of a camera-sized photo, beside the JPEG encoding that follows it when a
// rotated photo is written back: the turn should cost little next to the encode. And the
// lossless turn of a step-1 JPEG against the decode, turn and encode it replaces.
#include <benchmark/benchmark.h>

#include <optional>
#include <random>

#include "core/base/Stream.h"
#include "core/imaging/LoadPicture.h"
#include "core/imaging/QuarterTurn.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "core/imaging/codecs/LosslessJpegTurn.h"

namespace fotoloom {
namespace {

TBitmap32 NoisyPicture(int width, int height) {
  TBitmap32 picture(width, height);
  std::mt19937 random(1);
  // Smooth content with some noise, closer to a photo than pure noise is for the encoder.
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int n = static_cast<int>(random() % 16);
      picture.At(x, y) =
          MakePixel(static_cast<uint8_t>(x / 32 + n), static_cast<uint8_t>(y / 24 + n),
                    static_cast<uint8_t>((x + y) / 48 + n));
    }
  }
  return picture;
}

void BM_TurnQuarterClockwise(benchmark::State& state) {
  const TBitmap32 picture =
      NoisyPicture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    TBitmap32 turned = TurnQuarterClockwise(picture);
    benchmark::DoNotOptimize(turned.Bits());
  }
}

void BM_EncodeJpeg90(benchmark::State& state) {
  const TBitmap32 picture =
      NoisyPicture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    const std::vector<uint8_t> bytes = EncodeJpeg(picture, 90);
    benchmark::DoNotOptimize(bytes.data());
  }
}

void BM_LosslessJpegTurn(benchmark::State& state) {
  const std::vector<uint8_t> jpeg = EncodeJpeg(
      NoisyPicture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))), 90);
  for (auto _ : state) {
    const std::optional<std::vector<uint8_t>> turned = TurnJpegLosslessly(jpeg);
    benchmark::DoNotOptimize(turned->data());
  }
}

void BM_DecodeTurnEncodeJpeg(benchmark::State& state) {
  const std::vector<uint8_t> jpeg = EncodeJpeg(
      NoisyPicture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))), 90);
  for (auto _ : state) {
    TMemoryStream stream(jpeg);
    TBitmap32 picture;
    LoadPicture(stream, itJPEG, picture);
    const std::vector<uint8_t> bytes = EncodeJpeg(TurnQuarterClockwise(picture), 90);
    benchmark::DoNotOptimize(bytes.data());
  }
}

BENCHMARK(BM_TurnQuarterClockwise)->Args({6000, 4000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeJpeg90)->Args({6000, 4000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LosslessJpegTurn)->Args({6000, 4000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeTurnEncodeJpeg)->Args({6000, 4000})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace fotoloom

BENCHMARK_MAIN();
