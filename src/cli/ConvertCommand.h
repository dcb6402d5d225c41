#pragma once

#include <atomic>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace fotoloom {

// Where the command talks to its user.
struct TConsole {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  bool in_is_terminal = false;   // overwrite questions can be answered
  bool err_is_terminal = false;  // a progress bar can be drawn
};

// The command-line converter on the arguments after the program name. `cancel` may be set
// from elsewhere (Ctrl+C) to stop after the photos being converted. Returns the exit
// status: 0 every photo written, 1 a photo failed, was skipped or not reached, 2 bad usage.
int RunConvertCommand(const std::vector<std::string>& args, TConsole& console,
                      std::atomic<bool>& cancel);

}  // namespace fotoloom
