#include "core/imaging/resample/ResampleKernels.h"
#include "core/imaging/resample/Resampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace fotoloom {
namespace {

TBitmap32 RandomPicture(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  TBitmap32 picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      picture.At(x, y) = MakePixel(static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                                   static_cast<uint8_t>(random()));
    }
  }
  return picture;
}

// Straight from the definition, in double precision: separable Lanczos-3, centres at
// (i + 0.5) * scale - 0.5, kernel widened when reducing, edge samples repeated,
// weights normalised.
std::vector<std::vector<double>> ReferenceWeights(int src, int dst) {
  std::vector<std::vector<double>> weights(dst, std::vector<double>(src, 0.0));
  const double scale = static_cast<double>(src) / dst;
  const double widen = std::max(1.0, scale);
  for (int i = 0; i < dst; ++i) {
    const double centre = (i + 0.5) * scale - 0.5;
    double total = 0;
    for (int j = static_cast<int>(std::floor(centre - 3 * widen)) - 1;
         j <= static_cast<int>(std::ceil(centre + 3 * widen)) + 1; ++j) {
      const double x = std::abs(j - centre) / widen;
      double w = 0;
      if (x < 1e-12) {
        w = 1;
      } else if (x < 3) {
        w = std::sin(M_PI * x) / (M_PI * x) * std::sin(M_PI * x / 3) / (M_PI * x / 3);
      }
      weights[i][std::clamp(j, 0, src - 1)] += w;
      total += w;
    }
    for (double& w : weights[i]) w /= total;
  }
  return weights;
}

uint8_t Channel(TPixel32 p, int c) {
  return static_cast<uint8_t>(p >> (8 * c));
}

TBitmap32 Reference(const TBitmap32& source, int dst_width, int dst_height) {
  const auto wx = ReferenceWeights(source.Width(), dst_width);
  const auto wy = ReferenceWeights(source.Height(), dst_height);
  TBitmap32 result(dst_width, dst_height);
  for (int oy = 0; oy < dst_height; ++oy) {
    for (int ox = 0; ox < dst_width; ++ox) {
      double sum[3] = {0, 0, 0};
      for (int sy = 0; sy < source.Height(); ++sy) {
        if (wy[oy][sy] == 0) continue;
        for (int sx = 0; sx < source.Width(); ++sx) {
          const double w = wy[oy][sy] * wx[ox][sx];
          for (int c = 0; c < 3; ++c) sum[c] += w * Channel(source.At(sx, sy), c);
        }
      }
      auto byte = [](double v) {
        return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
      };
      result.At(ox, oy) = MakePixel(byte(sum[2]), byte(sum[1]), byte(sum[0]));
    }
  }
  return result;
}

// The largest difference of any channel, with the place of the first such difference.
::testing::AssertionResult Near(const TBitmap32& a, const TBitmap32& b, int tolerance) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) {
    return ::testing::AssertionFailure() << "sizes differ";
  }
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      for (int c = 0; c < 4; ++c) {
        if (std::abs(Channel(a.At(x, y), c) - Channel(b.At(x, y), c)) > tolerance) {
          return ::testing::AssertionFailure()
                 << "pixel (" << x << ", " << y << ") channel " << c << ": "
                 << int(Channel(a.At(x, y), c)) << " vs " << int(Channel(b.At(x, y), c));
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

struct SizeCase {
  int src_w, src_h, dst_w, dst_h;
};

// Every test of the resampler runs on both kernels, whatever the machine would choose.
class ResamplerTest : public ::testing::TestWithParam<kernels::TKernelChoice> {
 protected:
  void SetUp() override {
    if (!kernels::ForceKernels(GetParam())) GTEST_SKIP() << "this processor has no AVX2";
  }
  void TearDown() override { kernels::ForceKernels(kernels::TKernelChoice::Automatic); }
};

TEST_P(ResamplerTest, MatchesADoublePrecisionReference) {
  constexpr std::array<SizeCase, 7> kCases{{
      {64, 48, 17, 13},  // reduce both ways
      {40, 30, 40, 11},  // equal width, reduced height
      {9, 7, 31, 22},    // enlarge
      {50, 20, 13, 45},  // reduce one axis, enlarge the other
      {3, 2, 7, 5},      // fewer samples than taps
      {100, 3, 9, 1},    // a single output row
      {1, 1, 4, 3},      // one pixel
  }};
  unsigned seed = 1;
  for (const SizeCase& c : kCases) {
    SCOPED_TRACE(::testing::Message()
                 << c.src_w << "x" << c.src_h << " -> " << c.dst_w << "x" << c.dst_h);
    const TBitmap32 source = RandomPicture(c.src_w, c.src_h, seed++);
    EXPECT_TRUE(
        Near(ResamplePicture(source, c.dst_w, c.dst_h), Reference(source, c.dst_w, c.dst_h), 1));
  }
}

TEST_P(ResamplerTest, AWindowIsTheSameAsCroppingTheWholeResult) {
  const TBitmap32 source = RandomPicture(90, 70, 7);
  const TBitmap32 whole = ResamplePicture(source, 33, 25);
  const TRect window{5, 3, 30, 21};
  TResampler resampler(90, 70, 33, 25, window);
  for (int y = 0; y < 70; ++y)
    resampler.PushRow(y, reinterpret_cast<const uint8_t*>(source.Row(y)));
  ASSERT_TRUE(resampler.Finished());
  const TBitmap32& part = resampler.Result();
  ASSERT_EQ(part.Width(), 25);
  ASSERT_EQ(part.Height(), 18);
  for (int y = 0; y < part.Height(); ++y) {
    for (int x = 0; x < part.Width(); ++x) {
      ASSERT_EQ(part.At(x, y), whole.At(x + 5, y + 3)) << x << "," << y;
    }
  }
}

TEST_P(ResamplerTest, RowsPushedOneByOneOrInUnevenBatchesGiveTheSameResult) {
  const TBitmap32 source = RandomPicture(41, 53, 3);
  auto row = [&](int y) { return reinterpret_cast<const uint8_t*>(source.Row(y)); };
  TResampler single(41, 53, 12, 30, {0, 0, 12, 30});
  for (int y = 0; y < 53; ++y) single.PushRow(y, row(y));
  TResampler batched(41, 53, 12, 30, {0, 0, 12, 30});
  for (int y = 0, size = 1; y < 53; y += size, size = size % 7 + 1) {
    std::vector<const uint8_t*> rows;
    for (int i = y; i < std::min(53, y + size); ++i) rows.push_back(row(i));
    batched.PushRows(y, rows.data(), static_cast<int>(rows.size()));
  }
  ASSERT_TRUE(single.Finished());
  ASSERT_TRUE(batched.Finished());
  EXPECT_TRUE(Near(single.Result(), batched.Result(), 0));
  EXPECT_TRUE(Near(single.Result(), ResamplePicture(source, 12, 30), 0));
}

TEST_P(ResamplerTest, SolidColourStaysExactAndEqualSizesCopy) {
  TBitmap32 solid(37, 29);
  solid.Fill(MakePixel(200, 17, 99));
  for (const SizeCase& c : {SizeCase{37, 29, 5, 4}, SizeCase{37, 29, 80, 61}}) {
    const TBitmap32 result = ResamplePicture(solid, c.dst_w, c.dst_h);
    for (int y = 0; y < result.Height(); ++y) {
      for (int x = 0; x < result.Width(); ++x) ASSERT_EQ(result.At(x, y), MakePixel(200, 17, 99));
    }
  }
  const TBitmap32 source = RandomPicture(23, 19, 5);
  EXPECT_TRUE(Near(ResamplePicture(source, 23, 19), source, 0));
}

TEST_P(ResamplerTest, OnlyTheRowsThatReachTheWindowAreNeeded) {
  // 1000 rows drawn into 100; a window of rows 10..20 reads a narrow band of the source.
  TResampler resampler(50, 1000, 5, 100, {0, 10, 5, 20});
  EXPECT_GT(resampler.FirstRow(), 60);
  EXPECT_LT(resampler.EndRow(), 240);
}

INSTANTIATE_TEST_SUITE_P(Kernels, ResamplerTest,
                         ::testing::Values(kernels::TKernelChoice::Plain,
                                           kernels::TKernelChoice::Avx2),
                         [](const ::testing::TestParamInfo<kernels::TKernelChoice>& kernel) {
                           return kernel.param == kernels::TKernelChoice::Plain ? "Plain" : "Avx2";
                         });

}  // namespace
}  // namespace fotoloom
