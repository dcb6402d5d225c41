#include "core/lists/NamePattern.h"

namespace fotoloom {
namespace {

// The position after the UTF-8 character that starts at `i`.
size_t NextCharacter(std::string_view text, size_t i) {
  ++i;
  while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  return i;
}

}  // namespace

bool MatchesNamePattern(std::string_view name, std::string_view pattern) {
  // Greedy matching that backs up to the last "*" on a mismatch: linear for the usual
  // patterns and never worse than name length times pattern length.
  size_t n = 0;
  size_t p = 0;
  size_t star_p = std::string_view::npos;
  size_t star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star_p = p++;
      star_n = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n = NextCharacter(name, n);
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (star_p != std::string_view::npos) {
      // The star takes one byte more, not one character: in a name that is no valid UTF-8
      // (Latin-1, say) a literal may have to match a byte that follows a character.
      p = star_p + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool HasWildcards(std::string_view pattern) {
  return pattern.find_first_of("*?") != std::string_view::npos;
}

}  // namespace fotoloom
