#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fotoloom::test {

struct ConverterExit {
  int status = -1;     // the exit status, 128 + the signal that ended it, or -1: still running
                       // after a minute (then it is killed)
  std::string output;  // standard output and standard error, as they came
};

// The exit status of a run whose `in_child` could not set up the conditions it needs.
constexpr int kCannotSetUp = 125;

// Runs the real fotoloom-convert with `args` in a child process. `in_child` runs in the child
// just before the program starts, to set limits or drop rights that the program inherits; it
// returns false when it cannot, and the run then ends with kCannotSetUp.
ConverterExit RunConverter(const std::vector<std::string>& args,
                           const std::function<bool()>& in_child = {});

}  // namespace fotoloom::test
