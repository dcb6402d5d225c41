#include "core/imaging/QuarterTurn.h"

#include <gtest/gtest.h>

#include <random>

namespace fotoloom {
namespace {

TBitmap32 Numbered(int width, int height) {
  TBitmap32 picture(width, height);
  for (int i = 0; i < width * height; ++i) picture.Bits()[i] = static_cast<TPixel32>(i);
  return picture;
}

TEST(QuarterTurnTest, TopLeftGoesToTopRight) {
  // a b c       d a
  // d e f  ->   e b
  //             f c
  const TBitmap32 turned = TurnQuarterClockwise(Numbered(3, 2));
  ASSERT_EQ(turned.Width(), 2);
  ASSERT_EQ(turned.Height(), 3);
  const TPixel32 expected[] = {3, 0, 4, 1, 5, 2};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(turned.Bits()[i], expected[i]) << "pixel " << i;
}

TEST(QuarterTurnTest, PixelAtXYMovesToHeightMinusOneMinusYX) {
  // Sizes around the copy's 64-pixel tiles, and single rows and columns.
  for (const auto& [width, height] : {std::pair{1, 1}, {1, 5}, {7, 1}, {64, 64}, {130, 70}}) {
    const TBitmap32 picture = Numbered(width, height);
    const TBitmap32 turned = TurnQuarterClockwise(picture);
    ASSERT_EQ(turned.Width(), height);
    ASSERT_EQ(turned.Height(), width);
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) wrong += turned.At(height - 1 - y, x) != picture.At(x, y);
    }
    EXPECT_EQ(wrong, 0) << width << " x " << height;
  }
}

TEST(QuarterTurnTest, FourTurnsGiveThePictureBack) {
  std::mt19937 random(7);
  TBitmap32 picture(131, 67);
  for (int i = 0; i < picture.Width() * picture.Height(); ++i) picture.Bits()[i] = random();
  TBitmap32 turned = picture;
  for (int i = 0; i < 4; ++i) turned = TurnQuarterClockwise(turned);
  ASSERT_EQ(turned.Width(), picture.Width());
  ASSERT_EQ(turned.Height(), picture.Height());
  EXPECT_TRUE(std::equal(picture.Bits(), picture.Bits() + 131 * 67, turned.Bits()));
}

}  // namespace
}  // namespace fotoloom
