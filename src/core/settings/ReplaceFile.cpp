#include "core/settings/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "core/base/Error.h"

namespace fotoloom {
namespace {

// The temporary file until it has been renamed: closed and removed on every other way out.
struct TTempFile {
  int fd = -1;
  std::string path;

  ~TTempFile() {
    if (fd >= 0) ::close(fd);
    if (!path.empty()) ::unlink(path.c_str());
  }
};

std::string ResolveLinks(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
  return real ? std::string(real.get()) : path;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

void ReplaceFile(const std::string& path, const std::string& text) {
  const Error failure("Unable to write to " + path);
  const std::string target = ResolveLinks(path);
  if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) throw failure;

  TTempFile temp;
  temp.path = target + ".XXXXXX";
  temp.fd = ::mkostemp(temp.path.data(), O_CLOEXEC);  // mode 0600
  if (temp.fd < 0) {
    temp.path.clear();
    throw failure;
  }
  if (!WriteAll(temp.fd, text) || ::fsync(temp.fd) != 0) throw failure;
  const int fd = temp.fd;
  temp.fd = -1;
  if (::close(fd) != 0 && errno != EINTR) throw failure;
  if (::rename(temp.path.c_str(), target.c_str()) != 0) throw failure;
  temp.path.clear();
}

}  // namespace fotoloom
