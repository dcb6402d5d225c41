#include "cli/ConverterProcess.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace fotoloom::test {

ConverterExit RunConverter(const std::vector<std::string>& args,
                           const std::function<bool()>& in_child) {
  ConverterExit result;
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return result;
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipe_ends[1], STDOUT_FILENO);
    ::dup2(pipe_ends[1], STDERR_FILENO);
    ::close(pipe_ends[0]);
    ::close(pipe_ends[1]);
    if (in_child && !in_child()) ::_exit(kCannotSetUp);
    std::vector<std::string> all = {FOTOLOOM_CONVERT_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipe_ends[1]);
  bool ended = false;
  for (;;) {
    pollfd ready{pipe_ends[0], POLLIN, 0};
    if (::poll(&ready, 1, 60'000) <= 0) break;
    char buffer[4096];
    const ssize_t n = ::read(pipe_ends[0], buffer, sizeof buffer);
    if (n <= 0) {
      ended = n == 0;
      break;
    }
    result.output.append(buffer, static_cast<size_t>(n));
  }
  ::close(pipe_ends[0]);
  if (!ended) ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (ended) result.status = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
  return result;
}

}  // namespace fotoloom::test
