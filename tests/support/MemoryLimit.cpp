#include "support/MemoryLimit.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>

namespace fotoloom::test {
namespace {

size_t AddressSpaceInUse() {
  long pages = 0;
  if (FILE* file = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(file, "%ld", &pages) != 1) pages = 0;
    std::fclose(file);
  }
  return static_cast<size_t>(pages) * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

bool UnderSanitizer() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}

int RunWithMemoryLimit(size_t headroom, const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    const rlim_t limit = AddressSpaceInUse() + headroom;
    const rlimit rl{limit, limit};
    if (::setrlimit(RLIMIT_AS, &rl) != 0) ::_exit(99);
    int status = 98;
    try {
      status = body();
    } catch (...) {
      status = 97;
    }
    ::_exit(status);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

}  // namespace fotoloom::test
