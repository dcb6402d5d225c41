#pragma once

#include <stdexcept>
#include <string>

namespace fotoloom {

// The one error type of the core: its text is what the user is shown.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace fotoloom
