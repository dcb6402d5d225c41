#include "core/imaging/TextOverlay.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fotoloom {
namespace {

const TPixel32 kNavy = MakePixel(0, 0, 80);

struct TInk {
  int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;  // inclusive
  int brightest = 0;
  bool Empty() const { return right < 0; }
  int Height() const { return bottom - top + 1; }
};

// Where the text changed a navy canvas, and whether it stayed on the line from navy to white.
TInk Measure(const TBitmap32& canvas) {
  TInk ink;
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x) {
      const TPixel32 p = canvas.At(x, y);
      if (p == kNavy) continue;
      EXPECT_EQ(PixelRed(p), PixelGreen(p)) << x << "," << y;
      EXPECT_GE(PixelBlue(p), PixelRed(p)) << x << "," << y;
      ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
      ink.brightest = std::max<int>(ink.brightest, PixelRed(p));
    }
  return ink;
}

TBitmap32 Drawn(const std::string& text, int font_size, int width = 400, int height = 120) {
  TBitmap32 canvas(width, height);
  canvas.Fill(kNavy);
  DrawOverlayText(canvas, text, font_size);
  return canvas;
}

std::vector<TPixel32> Pixels(const TBitmap32& canvas) {
  return {canvas.Bits(), canvas.Bits() + size_t(canvas.Width()) * canvas.Height()};
}

TEST(TextOverlayTest, PointsBecomePixelsAt96PerInch) {
  for (auto [points, pixels] :
       {std::pair{22, 29}, std::pair{8, 11}, std::pair{0, 11}, std::pair{-4, 11}, std::pair{1, 1},
        std::pair{100, 133}, std::pair{1000, 1333}, std::pair{INT32_MAX, 1333}}) {
    EXPECT_EQ(FontPixelHeight(points), pixels) << points;
  }
}

TEST(TextOverlayTest, TheLineStartsAtTwentyAndItsTopLiesThirtySixAboveTheBottom) {
  const TInk ink = Measure(Drawn("H", 22));
  ASSERT_FALSE(ink.Empty());
  EXPECT_EQ(ink.brightest, 255);
  // The glyph's own side bearing puts its ink a little right of the line's start. The
  // baseline lies the font's ascent (0.9 to 1 em for sans fonts) below the line's top, and
  // a capital of a 29-pixel font stands about 0.72 em on it.
  EXPECT_GE(ink.left, 20);
  EXPECT_LE(ink.left, 24);
  const int line_top = 120 - 36;
  EXPECT_GE(ink.bottom, line_top + 25);
  EXPECT_LE(ink.bottom, line_top + 29);
  EXPECT_GE(ink.Height(), 19);
  EXPECT_LE(ink.Height(), 23);

  const TInk half_size = Measure(Drawn("H", 11));
  EXPECT_NEAR(2 * half_size.Height(), ink.Height(), 2);
  EXPECT_EQ(Pixels(Drawn("H", 0)), Pixels(Drawn("H", 8)));
}

TEST(TextOverlayTest, OnlyTheGlyphsArePaintedAndLargeTextIsCutOffAtTheBottom) {
  // Between the two letters the line's own rows stay untouched: no box behind the text.
  const TBitmap32 canvas = Drawn("I   I", 22);
  const TInk ink = Measure(canvas);
  int blank_columns = 0;
  for (int x = ink.left; x <= ink.right; ++x) {
    bool blank = true;
    for (int y = ink.top; y <= ink.bottom; ++y) blank = blank && canvas.At(x, y) == kNavy;
    blank_columns += blank;
  }
  EXPECT_GE(blank_columns, 10);

  const TInk large = Measure(Drawn("Hg", 100));
  EXPECT_GE(large.top, 120 - 36);
  EXPECT_EQ(large.bottom, 119);
  EXPECT_GE(large.left, 20);
}

TEST(TextOverlayTest, AccentsTheEuroSignAndBadBytesDrawTheirOwnGlyphs) {
  const TInk e = Measure(Drawn("e", 22)), e_acute = Measure(Drawn("\u00e9", 22));
  ASSERT_FALSE(e_acute.Empty());
  EXPECT_LT(e_acute.top, e.top - 3);  // the accent stands above the letter
  EXPECT_EQ(e_acute.bottom, e.bottom);

  // The euro sign is a glyph of its own, not the box of a character the font lacks.
  const std::vector<TPixel32> euro = Pixels(Drawn("\u20ac", 22));
  EXPECT_FALSE(Measure(Drawn("\u20ac", 22)).Empty());
  EXPECT_NE(euro, Pixels(Drawn("\U0010FFFD", 22)));
  EXPECT_NE(euro, Pixels(Drawn("E", 22)));

  // Bytes that are no UTF-8 draw the replacement character, one per bad sequence.
  struct BadCase {
    std::string bytes, same_as;
  };
  for (const BadCase& c :
       {BadCase{"\xff", "\ufffd"}, BadCase{"a\xc3", "a\ufffd"}, BadCase{"\xe2\x82x", "\ufffdx"},
        BadCase{"\xc0\xaf", "\ufffd\ufffd"}, BadCase{"\xed\xa0\x80", "\ufffd"}}) {
    EXPECT_EQ(Pixels(Drawn(c.bytes, 22)), Pixels(Drawn(c.same_as, 22))) << c.same_as.size();
  }
}

TEST(TextOverlayTest, EmptyTextAndTinyCanvasesAreSafe) {
  TBitmap32 canvas = Drawn("", 22);
  EXPECT_TRUE(Measure(canvas).Empty());
  for (auto [width, height] :
       {std::pair{1, 1}, std::pair{15, 10}, std::pair{30, 40}, std::pair{2000, 20}}) {
    for (int size : {22, 100}) {
      const TInk ink = Measure(Drawn("W\u00e9\u20ac W", size, width, height));
      EXPECT_TRUE(ink.Empty() || ink.left >= 20) << width << "x" << height;
    }
  }
}

}  // namespace
}  // namespace fotoloom
