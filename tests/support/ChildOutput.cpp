#include "support/ChildOutput.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fotoloom::test {

ChildOutput CollectChildOutput(pid_t child, int read_end) {
  ChildOutput result;
  for (;;) {
    pollfd ready{read_end, POLLIN, 0};
    if (::poll(&ready, 1, 60'000) <= 0) break;
    char buffer[4096];
    const ssize_t n = ::read(read_end, buffer, sizeof buffer);
    if (n <= 0) {
      result.ended = n == 0;
      break;
    }
    result.text.append(buffer, static_cast<size_t>(n));
  }
  ::close(read_end);
  if (!result.ended) ::kill(child, SIGKILL);
  ::waitpid(child, &result.status, 0);
  return result;
}

}  // namespace fotoloom::test
