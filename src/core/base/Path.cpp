#include "core/base/Path.h"

namespace fotoloom {

bool IsPathDelimiter(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/' || c == ':';
#else
  return c == kPathSeparator;
#endif
}

std::string IncludeTrailingSeparator(std::string folder) {
  if (folder.empty() || folder.back() != kPathSeparator) folder += kPathSeparator;
  return folder;
}

std::string_view FileExtension(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i) {
    const char c = path[i - 1];
    if (c == '.') return path.substr(i - 1);
    if (IsPathDelimiter(c)) break;
  }
  return {};
}

}  // namespace fotoloom
