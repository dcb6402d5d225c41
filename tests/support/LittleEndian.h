#pragma once

#include <cstdint>
#include <vector>

namespace fotoloom::test {

// Appends numbers as the little-endian formats (BMP, GIF) store them.
inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace fotoloom::test
