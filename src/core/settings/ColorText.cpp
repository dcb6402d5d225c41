#include "core/settings/ColorText.h"

#include <strings.h>

#include <array>
#include <cstdio>

#include "core/base/Error.h"
#include "core/settings/IntegerText.h"

namespace fotoloom {
namespace {

struct NamedColor {
  TColor value;
  const char* name;
};

constexpr std::array<NamedColor, 52> kNamedColors{{
    {0x00000000, "clBlack"},
    {0x00000080, "clMaroon"},
    {0x00008000, "clGreen"},
    {0x00008080, "clOlive"},
    {0x00800000, "clNavy"},
    {0x00800080, "clPurple"},
    {0x00808000, "clTeal"},
    {0x00808080, "clGray"},
    {0x00C0C0C0, "clSilver"},
    {0x000000FF, "clRed"},
    {0x0000FF00, "clLime"},
    {0x0000FFFF, "clYellow"},
    {0x00FF0000, "clBlue"},
    {0x00FF00FF, "clFuchsia"},
    {0x00FFFF00, "clAqua"},
    {0x00FFFFFF, "clWhite"},
    {0x00C0DCC0, "clMoneyGreen"},
    {0x00F0CAA6, "clSkyBlue"},
    {0x00F0FBFF, "clCream"},
    {0x00A4A0A0, "clMedGray"},
    {0xFF000000, "clScrollBar"},
    {0xFF000001, "clBackground"},
    {0xFF000002, "clActiveCaption"},
    {0xFF000003, "clInactiveCaption"},
    {0xFF000004, "clMenu"},
    {0xFF000005, "clWindow"},
    {0xFF000006, "clWindowFrame"},
    {0xFF000007, "clMenuText"},
    {0xFF000008, "clWindowText"},
    {0xFF000009, "clCaptionText"},
    {0xFF00000A, "clActiveBorder"},
    {0xFF00000B, "clInactiveBorder"},
    {0xFF00000C, "clAppWorkSpace"},
    {0xFF00000D, "clHighlight"},
    {0xFF00000E, "clHighlightText"},
    {0xFF00000F, "clBtnFace"},
    {0xFF000010, "clBtnShadow"},
    {0xFF000011, "clGrayText"},
    {0xFF000012, "clBtnText"},
    {0xFF000013, "clInactiveCaptionText"},
    {0xFF000014, "clBtnHighlight"},
    {0xFF000015, "cl3DDkShadow"},
    {0xFF000016, "cl3DLight"},
    {0xFF000017, "clInfoText"},
    {0xFF000018, "clInfoBk"},
    {0xFF00001A, "clHotLight"},
    {0xFF00001B, "clGradientActiveCaption"},
    {0xFF00001C, "clGradientInactiveCaption"},
    {0xFF00001D, "clMenuHighlight"},
    {0xFF00001E, "clMenuBar"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
}};

}  // namespace

TColor StringToColor(const std::string& text) {
  for (const NamedColor& named : kNamedColors) {
    if (strcasecmp(named.name, text.c_str()) == 0) return named.value;
  }
  int32_t value;
  if (!TryStrToInt(text, value)) throw Error("'" + text + "' is not a valid integer value");
  return static_cast<TColor>(value);
}

std::string ColorToString(TColor color) {
  for (const NamedColor& named : kNamedColors) {
    if (named.value == color) return named.name;
  }
  char text[16];
  std::snprintf(text, sizeof text, "$%08X", color);
  return text;
}

}  // namespace fotoloom
