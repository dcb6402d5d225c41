#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fotoloom {

// The input cut at its zero bytes into `count` texts; missing ones are empty, and the last
// one takes the rest (zero bytes included).
inline std::vector<std::string> SplitFuzzInput(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::string> parts;
  const std::string input(reinterpret_cast<const char*>(data), size);
  size_t at = 0;
  while (parts.size() + 1 < count) {
    const size_t zero = input.find('\0', at);
    if (zero == std::string::npos) break;
    parts.push_back(input.substr(at, zero - at));
    at = zero + 1;
  }
  parts.push_back(at <= input.size() ? input.substr(at) : std::string());
  parts.resize(count);
  return parts;
}

}  // namespace fotoloom
