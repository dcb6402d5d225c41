#include "core/publish/ScriptPattern.h"

#include <cctype>

#include "core/base/Error.h"

namespace fotoloom {

namespace {

// Reads a run of digits at `at`; -1 when there is none.
int Number(const std::string& text, size_t& at) {
  if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at]))) return -1;
  long value = 0;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
    value = value * 10 + (text[at++] - '0');
    if (value > 100000) value = 100000;  // a width beyond any address
  }
  return static_cast<int>(value);
}

}  // namespace

std::string ExpandScriptPattern(const std::string& pattern,
                                const std::vector<std::string>& args) {
  const Error invalid("Format '" + pattern + "' invalid or incompatible with argument");
  std::string result;
  size_t next_arg = 0;
  size_t at = 0;
  while (at < pattern.size()) {
    const size_t percent = pattern.find('%', at);
    result.append(pattern, at, percent == std::string::npos ? std::string::npos : percent - at);
    if (percent == std::string::npos) break;
    at = percent + 1;
    if (at < pattern.size() && pattern[at] == '%') {
      result += '%';
      ++at;
      continue;
    }
    int number = Number(pattern, at);
    if (number >= 0 && at < pattern.size() && pattern[at] == ':') {
      next_arg = static_cast<size_t>(number);
      ++at;
      number = -1;
    }
    bool left = false;
    if (number < 0 && at < pattern.size() && pattern[at] == '-') {
      left = true;
      ++at;
    }
    const int width = number >= 0 ? number : Number(pattern, at);
    int precision = -1;
    if (at < pattern.size() && pattern[at] == '.') {
      ++at;
      precision = Number(pattern, at);
      if (precision < 0) throw invalid;
    }
    if (at >= pattern.size() || std::tolower(static_cast<unsigned char>(pattern[at])) != 's')
      throw invalid;
    ++at;
    if (next_arg >= args.size()) throw invalid;
    std::string value = args[next_arg++];
    if (precision >= 0 && value.size() > static_cast<size_t>(precision)) value.resize(precision);
    const size_t padding = width > 0 && value.size() < static_cast<size_t>(width)
                               ? static_cast<size_t>(width) - value.size()
                               : 0;
    if (!left) result.append(padding, ' ');
    result += value;
    if (left) result.append(padding, ' ');
  }
  return result;
}

}  // namespace fotoloom
