#pragma once

#include <cstdint>

namespace fotoloom {

// A colour sample with straight (not premultiplied) alpha laid over white, rounded.
constexpr uint8_t OverWhite(uint8_t c, uint8_t a) {
  return static_cast<uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
}

// The same for a sample already multiplied by its alpha; a damaged sample above its alpha
// stays white.
constexpr uint8_t PremultipliedOverWhite(uint8_t c, uint8_t a) {
  return static_cast<uint8_t>(c > a ? 255 : c + 255 - a);
}

}  // namespace fotoloom
