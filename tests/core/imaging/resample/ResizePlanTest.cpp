#include "core/imaging/resample/ResizePlan.h"

#include <gtest/gtest.h>

#include <array>

#include "core/base/Error.h"

namespace fotoloom {
namespace {

struct PlanCase {
  int width, height, box_width, box_height;
  int canvas_width, canvas_height;
  int64_t scaled_width, scaled_height, offset_x, offset_y;
};

constexpr std::array<PlanCase, 14> kPlanCases{{
    // Landscape photo, landscape box: the right columns are cut off.
    {3000, 2000, 800, 600, 800, 600, 900, 600, 0, 0},
    // Portrait photo, landscape box: centred vertically.
    {2000, 3000, 800, 600, 800, 600, 800, 1200, 0, -300},
    // Landscape photo, portrait box: centred horizontally.
    {3000, 2000, 600, 800, 600, 800, 1200, 800, -300, 0},
    // Portrait photo, portrait box: the bottom rows are cut off.
    {2000, 3000, 600, 800, 600, 800, 600, 900, 0, 0},
    // Equal sides are made one smaller.
    {1000, 1000, 600, 600, 600, 600, 600, 599, 0, 0},
    {1000, 1000, 800, 600, 800, 600, 800, 799, 0, -100},
    {1000, 1000, 600, 800, 600, 800, 800, 799, -100, 0},
    // Variable mode, with halves rounded to even.
    {3000, 2000, 800, 0, 800, 533, 800, 533, 0, 0},
    {1600, 1067, 800, 0, 800, 534, 800, 534, 0, 0},
    {1600, 1065, 800, 0, 800, 532, 800, 532, 0, 0},
    {3000, 2000, 0, 600, 900, 600, 900, 600, 0, 0},
    // Small photos are enlarged.
    {400, 300, 800, 600, 800, 600, 800, 600, 0, 0},
    // A thin strip: the scaled picture is far larger than the canvas.
    {3000, 4, 800, 600, 800, 600, 450000, 600, 0, 0},
    // Nothing asked: an empty canvas.
    {3000, 2000, 0, 0, 0, 0, 0, 0, 0, 0},
}};

TEST(ResizePlanTest, BoxAndVariableGeometry) {
  for (const PlanCase& c : kPlanCases) {
    SCOPED_TRACE(::testing::Message()
                 << c.width << "x" << c.height << " into " << c.box_width << "x" << c.box_height);
    const TResizePlan plan = PlanResize(c.width, c.height, c.box_width, c.box_height);
    EXPECT_EQ(plan.canvas_width, c.canvas_width);
    EXPECT_EQ(plan.canvas_height, c.canvas_height);
    EXPECT_EQ(plan.scaled_width, c.scaled_width);
    EXPECT_EQ(plan.scaled_height, c.scaled_height);
    EXPECT_EQ(plan.offset_x, c.offset_x);
    EXPECT_EQ(plan.offset_y, c.offset_y);
  }
}

TEST(ResizePlanTest, RoundsHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(399.5), 400);
  EXPECT_EQ(RoundHalfEven(300.5), 300);
  EXPECT_EQ(RoundHalfEven(533.5), 534);
  EXPECT_EQ(RoundHalfEven(532.49), 532);
}

TEST(ResizePlanTest, RefusesACanvasBeyondTheLimitsAndNegativeSizes) {
  // A 1-pixel-wide column 60000 high asked for 800 wide would be 48 million rows high.
  EXPECT_THROW(PlanResize(1, 60000, 800, 0), Error);
  EXPECT_THROW(PlanResize(100, 100, -5, 10), Error);
}

}  // namespace
}  // namespace fotoloom
