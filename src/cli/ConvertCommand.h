#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "core/convert/RunGate.h"

namespace fotoloom {

// Where the command talks to its user.
struct TConsole {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  bool in_is_terminal = false;   // overwrite questions can be answered
  bool err_is_terminal = false;  // a progress bar can be drawn
};

// The command-line converter on the arguments after the program name. `gate` may be
// cancelled from elsewhere (Ctrl+C) to stop, the photos being converted included. Returns the
// exit status: 0 every photo written, 1 a photo failed, was skipped (existing, or no photo)
// or not reached, or the run itself failed (out of memory), 2 bad usage.
int RunConvertCommand(const std::vector<std::string>& args, TConsole& console, TRunGate& gate);

}  // namespace fotoloom
