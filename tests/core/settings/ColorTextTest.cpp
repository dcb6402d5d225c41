#include "core/settings/ColorText.h"

#include <gtest/gtest.h>

#include <array>

#include "core/base/Error.h"

namespace fotoloom {
namespace {

struct ColorCase {
  const char* text;
  TColor value;
  const char* written;  // how the value is written back
};

constexpr std::array<ColorCase, 10> kColorCases{{
    {"clWhite", 0x00FFFFFF, "clWhite"},
    {"CLWHITE", 0x00FFFFFF, "clWhite"},
    {"clSkyBlue", 0x00F0CAA6, "clSkyBlue"},
    {"clBtnFace", 0xFF00000F, "clBtnFace"},
    {"clNone", 0x1FFFFFFF, "clNone"},
    {"$00C8C8C8", 0x00C8C8C8, "$00C8C8C8"},
    {"$004080ff", 0x004080FF, "$004080FF"},
    {"0x0000FF00", 0x0000FF00, "clLime"},
    {"255", 0x000000FF, "clRed"},
    {"-16777201", 0xFF00000F, "clBtnFace"},
}};

TEST(ColorTextTest, NamesAndNumbersBothWays) {
  for (const ColorCase& c : kColorCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StringToColor(c.text), c.value);
    EXPECT_EQ(ColorToString(c.value), c.written);
  }
}

TEST(ColorTextTest, UnreadableTextsNameThemselves) {
  for (const char* text : {"", "white", "$", "$123456789", "12abc", "$-1", "4294967296"}) {
    try {
      StringToColor(text);
      ADD_FAILURE() << text;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), std::string("'") + text + "' is not a valid integer value");
    }
  }
}

TEST(ColorTextTest, SystemColoursResolveToFixedValues) {
  EXPECT_EQ(ColorToPixel(StringToColor("clWindow")), MakePixel(255, 255, 255));
  EXPECT_EQ(ColorToPixel(StringToColor("clWindowText")), MakePixel(0, 0, 0));
  EXPECT_EQ(ColorToPixel(0x00FF8040), MakePixel(0x40, 0x80, 0xFF));  // red in the low byte
}

}  // namespace
}  // namespace fotoloom
