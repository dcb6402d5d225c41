#include "core/imaging/EditorOperations.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/base/Error.h"

namespace fotoloom {
namespace {

// One pixel per value, the value rotated through red, green and blue, so that every byte
// meets every channel. Alpha 0, which the adjustments make opaque.
TBitmap32 Bytes(const std::vector<int>& values) {
  const int n = static_cast<int>(values.size());
  TBitmap32 picture(n, 1);
  for (int i = 0; i < n; ++i) {
    picture.Bits()[i] =
        MakePixel(static_cast<uint8_t>(values[i]), static_cast<uint8_t>(values[(i + 1) % n]),
                  static_cast<uint8_t>(values[(i + 2) % n]), 0);
  }
  return picture;
}

TEST(EditorOperationsTest, ContrastThenBrightnessTable) {
  const struct {
    int contrast, brightness;
    std::vector<int> in, out;
  } cases[] = {
      {255, 0, {0, 100, 127, 128, 200, 255}, {0, 73, 127, 129, 255, 255}},
      {-255, 0, {0, 50, 127, 128, 200, 255}, {127, 127, 127, 127, 127, 127}},
      {-100, 0, {200, 50}, {172, 80}},  // -28.6 and +30.2 rounded toward zero
      {0, 100, {0, 200, 255}, {100, 221, 255}},
      {0, -100, {0, 200, 255}, {0, 179, 255}},
      {0, -255, {0, 128, 200, 255}, {0, 1, 145, 255}},  // 2v - 255, clamped
      {0, 0, {0, 1, 254, 255}, {0, 1, 254, 255}},
      // Contrast first: all 127, then brighter. The other order would give 127.
      {-255, 100, {0, 255}, {177, 177}},
      // Slider values beyond the range act as the ends of the range.
      {1000, -1000, {100, 200}, {0, 255}},
  };
  for (const auto& c : cases) {
    TBitmap32 picture = Bytes(c.in);
    AdjustContrastBrightness(picture, c.contrast, c.brightness);
    const TBitmap32 expected = Bytes(c.out);
    for (size_t i = 0; i < c.in.size(); ++i) {
      EXPECT_EQ(picture.Bits()[i], expected.Bits()[i] | 0xFF000000u)
          << "contrast " << c.contrast << ", brightness " << c.brightness << ", pixel " << i;
    }
  }
}

TEST(EditorOperationsTest, BlackAndWhiteTable) {
  const struct {
    TPixel32 in;
    int grey;
  } cases[] = {
      {MakePixel(255, 0, 0, 0), 76},  // 77 x 255 >> 8
      {MakePixel(0, 255, 0), 149},    // 150 x 255 >> 8
      {MakePixel(0, 0, 255), 28},     // 29 x 255 >> 8
      {MakePixel(255, 255, 255), 255}, {MakePixel(0, 0, 0), 0},
      {MakePixel(10, 20, 30), 18},  // (770 + 3000 + 870) >> 8
  };
  for (const auto& c : cases) {
    TBitmap32 picture(1, 1);
    picture.At(0, 0) = c.in;
    MakeBlackAndWhite(picture);
    const auto g = static_cast<uint8_t>(c.grey);
    EXPECT_EQ(picture.At(0, 0), MakePixel(g, g, g)) << std::hex << c.in;
  }
}

TBitmap32 Numbered(int width, int height) {
  TBitmap32 picture(width, height);
  for (int i = 0; i < width * height; ++i) picture.Bits()[i] = static_cast<TPixel32>(i);
  return picture;
}

TEST(EditorOperationsTest, CropTakesTheRectangleBetweenTheCornersInAnyOrder) {
  const TBitmap32 picture = Numbered(400, 300);
  const struct {
    TSelection selection;
    int left, top, width, height;
  } cases[] = {
      {{300, 200, 100, 50}, 100, 50, 200, 150},
      {{100, 50, 300, 200}, 100, 50, 200, 150},
      {{100, 200, 300, 50}, 100, 50, 200, 150},
      {{300, 50, 100, 200}, 100, 50, 200, 150},
      {{1, 1, 400, 300}, 1, 1, 399, 299},
      // Corners beyond the picture's edges are brought back onto it.
      {{350, 250, 500, 400}, 350, 250, 50, 50},
      {{-20, 10, 30, 40}, 0, 10, 30, 30},
  };
  for (const auto& c : cases) {
    const TSelection& s = c.selection;
    const TBitmap32 cropped = CropPicture(picture, s);
    ASSERT_EQ(cropped.Width(), c.width) << s.X1 << "," << s.Y1 << " " << s.X2 << "," << s.Y2;
    ASSERT_EQ(cropped.Height(), c.height);
    int wrong = 0;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        wrong += cropped.At(x, y) != picture.At(c.left + x, c.top + y);
      }
    }
    EXPECT_EQ(wrong, 0) << s.X1 << "," << s.Y1 << " " << s.X2 << "," << s.Y2;
  }
}

TEST(EditorOperationsTest, CropWithoutAUsableSelectionIsRefused) {
  const TBitmap32 picture = Numbered(400, 300);
  const TSelection cases[] = {
      {0, 0, 0, 0},        // nothing selected
      {0, 10, 50, 50},     // drawn from the first column
      {10, 0, 50, 50},     // from the top row
      {50, 50, 10, 0},     // to the top row
      {20, 10, 20, 50},    // a click without dragging: no width
      {20, 10, 50, 10},    // no height
      {500, 10, 600, 50},  // wholly beside the picture
  };
  for (const TSelection& s : cases) {
    EXPECT_FALSE(CropRectangle(s, 400, 300));
    try {
      CropPicture(picture, s);
      ADD_FAILURE() << s.X1 << "," << s.Y1 << " " << s.X2 << "," << s.Y2 << " was cropped";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Maak eerst een raster in de afbeelding.");
    }
  }
}

}  // namespace
}  // namespace fotoloom
