#include "core/settings/IntegerText.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace fotoloom {

bool TryStrToInt(const std::string& text, int32_t& value) {
  if (text.empty()) return false;
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const size_t prefix = text[0] == '$'                                                   ? 1
                        : (text.size() > 1 && text[0] == '0' && (text[1] | 0x20) == 'x') ? 2
                                                                                         : 0;
  if (prefix) {
    const std::string digits = text.substr(prefix);
    if (digits.empty() || digits.size() > 8 ||
        !std::isxdigit(static_cast<unsigned char>(digits[0])))
      return false;
    const unsigned long parsed = std::strtoul(begin + prefix, &end, 16);
    if (errno || *end != '\0') return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(parsed));
    return true;
  }
  const long long parsed = std::strtoll(begin, &end, 10);
  if (errno || *end != '\0' || end == begin || parsed < INT32_MIN || parsed > INT32_MAX) {
    return false;
  }
  value = static_cast<int32_t>(parsed);
  return true;
}

}  // namespace fotoloom
