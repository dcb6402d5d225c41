#include "core/imaging/Color.h"

#include <array>

namespace fotoloom {
namespace {

// RGB values of the system colours by index (0xRRGGBB).
constexpr std::array<uint32_t, 31> kSystemColors = {
    0xC8C8C8,  // scroll bar
    0x000000,  // desktop background
    0x99B4D1,  // active caption
    0xBFCDDB,  // inactive caption
    0xF0F0F0,  // menu
    0xFFFFFF,  // window
    0x646464,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0x000000,  // caption text
    0xB4B4B4,  // active border
    0xF4F7FC,  // inactive border
    0xABABAB,  // application workspace
    0x0078D7,  // highlight
    0xFFFFFF,  // highlight text
    0xF0F0F0,  // button face
    0xA0A0A0,  // button shadow
    0x6D6D6D,  // grey text
    0x000000,  // button text
    0x000000,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x696969,  // 3D dark shadow
    0xE3E3E3,  // 3D light
    0x000000,  // tooltip text
    0xFFFFE1,  // tooltip background
    0xB5B5B5,  // (unused index)
    0x0066CC,  // hot-tracked item
    0xB9D1EA,  // active caption gradient
    0xD7E4F2,  // inactive caption gradient
    0x3399FF,  // menu highlight
    0xF0F0F0,  // menu bar
};

}  // namespace

TPixel32 ColorToPixel(TColor color) {
  if (color == clDefault) return MakePixel(255, 255, 255);
  if ((color >> 24) == 0xFF) {
    const uint32_t index = color & 0xFF;
    const uint32_t rgb = index < kSystemColors.size() ? kSystemColors[index] : 0xFFFFFF;
    return MakePixel(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                     static_cast<uint8_t>(rgb));
  }
  return MakePixel(static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 8),
                   static_cast<uint8_t>(color >> 16));
}

}  // namespace fotoloom
