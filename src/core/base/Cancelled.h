#pragma once

#include <exception>

namespace fotoloom {

// Thrown out of work that was asked to stop (the user's stop, a superseded load). A stop is
// not a failure: it is no Error, so code that recovers from damaged data (falling back to
// another picture of the file) does not carry on past it, and callers tell the two apart.
class Cancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "Cancelled"; }
};

}  // namespace fotoloom
