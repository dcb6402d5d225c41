#include "core/lists/ListEntry.h"

namespace fotoloom {

TListEntry FileEntry(const std::string& folder, const std::string& name, uint64_t size,
                     std::string_view decimal_separator) {
  return {name, SizeText(size, decimal_separator), folder, name};
}

std::string SizeText(uint64_t size, std::string_view decimal_separator) {
  // Tenths of a kilobyte in whole numbers, so that a half is exact and always goes up.
  const uint64_t tenths = size / 1024 * 10 + (size % 1024 * 10 + 512) / 1024;
  std::string text = std::to_string(tenths / 10);
  text += decimal_separator;
  text += static_cast<char>('0' + tenths % 10);
  text += " kB";
  return text;
}

}  // namespace fotoloom
