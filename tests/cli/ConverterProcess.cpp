#include "cli/ConverterProcess.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "support/ChildOutput.h"

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
  const ChildOutput end = CollectChildOutput(child, pipe_ends[0]);
  result.output = end.text;
  if (end.ended) {
    result.status =
        WIFSIGNALED(end.status) ? 128 + WTERMSIG(end.status) : WEXITSTATUS(end.status);
  }
  return result;
}

}  // namespace fotoloom::test
