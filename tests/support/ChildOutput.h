#pragma once

#include <sys/types.h>

#include <string>

namespace fotoloom::test {

struct ChildOutput {
  bool ended = false;  // the child closed its end and was waited for
  int status = 0;      // waitpid's status, when it ended
  std::string text;    // what it wrote
};

// Reads what a forked child writes to the pipe `read_end` until it closes it, then waits for
// the child. A child that stays silent for a minute is killed, so that a test waiting on it
// fails instead of hanging. Closes `read_end`.
ChildOutput CollectChildOutput(pid_t child, int read_end);

}  // namespace fotoloom::test
