#include "core/base/TempName.h"

#include <fcntl.h>

#include <cerrno>
#include <random>

namespace fotoloom {

std::string TempNameBeside(const std::string& target) {
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = target.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 240);
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  std::string candidate = folder + "." + name + ".";
  for (int i = 0; i < 6; ++i) candidate += kLetters[pick(random)];
  return candidate;
}

int CreateTempBeside(const std::string& target, std::string& temp_path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = TempNameBeside(target);
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      temp_path = std::move(candidate);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace fotoloom
