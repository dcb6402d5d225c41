// The file name patterns against a plain backtracking matcher: both must agree on every name
// and pattern, valid UTF-8 or not. "*" takes any run of bytes and "?" one character of UTF-8
// text.
#include <cstdlib>
#include <string_view>
#include <vector>

#include "FuzzText.h"
#include "core/lists/NamePattern.h"

namespace {

size_t NextCharacter(std::string_view text, size_t i) {
  ++i;
  while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  return i;
}

// Every (name position, pattern position) once, so that the reference stays quick.
class TReferenceMatch {
 public:
  TReferenceMatch(std::string_view name, std::string_view pattern)
      : m_name(name), m_pattern(pattern), m_seen((name.size() + 1) * (pattern.size() + 1), -1) {}

  bool Matches(size_t n, size_t p) {
    signed char& seen = m_seen[n * (m_pattern.size() + 1) + p];
    if (seen < 0) seen = Compute(n, p) ? 1 : 0;
    return seen == 1;
  }

 private:
  bool Compute(size_t n, size_t p) {
    if (p == m_pattern.size()) return n == m_name.size();
    if (m_pattern[p] == '*') {
      return Matches(n, p + 1) || (n < m_name.size() && Matches(n + 1, p));
    }
    if (n == m_name.size()) return false;
    if (m_pattern[p] == '?') return Matches(NextCharacter(m_name, n), p + 1);
    return m_pattern[p] == m_name[n] && Matches(n + 1, p + 1);
  }

  std::string_view m_name;
  std::string_view m_pattern;
  std::vector<signed char> m_seen;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> parts = fotoloom::SplitFuzzInput(data, size, 2);
  const std::string& name = parts[0];
  const std::string& pattern = parts[1];
  const bool matches = fotoloom::MatchesNamePattern(name, pattern);
  if (matches != TReferenceMatch(name, pattern).Matches(0, 0)) std::abort();
  if (!fotoloom::HasWildcards(pattern) && matches != (name == pattern)) std::abort();
  if (!fotoloom::MatchesNamePattern(name, "*")) std::abort();
  return 0;
}
