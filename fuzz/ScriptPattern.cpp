// The script address pattern with up to three arguments, all taken from the input. A pattern
// without directives comes back as it is.
#include <cstdlib>

#include "FuzzText.h"
#include "core/base/Error.h"
#include "core/publish/ScriptPattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts = fotoloom::SplitFuzzInput(data, size, 4);
  const std::string pattern = parts.front();
  parts.erase(parts.begin());
  try {
    const std::string result = fotoloom::ExpandScriptPattern(pattern, parts);
    if (pattern.find('%') == std::string::npos && result != pattern) std::abort();
  } catch (const fotoloom::Error&) {
    if (pattern.find('%') == std::string::npos) std::abort();
  }
  return 0;
}
