#pragma once

#include <string>
#include <string_view>

namespace fotoloom {

// Letter case is folded for A to Z only, the same in every locale.
inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

inline std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

}  // namespace fotoloom
