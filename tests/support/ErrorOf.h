#pragma once

#include <functional>
#include <string>

#include "core/base/Error.h"

namespace fotoloom::test {

// The text of the fotoloom::Error that `action` throws; empty when it throws none.
inline std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

}  // namespace fotoloom::test
