#include "core/base/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "core/base/TempName.h"

namespace fotoloom {
namespace {

using TFailure = std::function<Error(int)>;

// The temporary file until it has been renamed: removed on every other way out, and closed
// only after that, since the open file holds the lock that keeps other writers' clean-up away
// from its name.
struct TTempFile {
  int fd = -1;
  std::string path;

  ~TTempFile() {
    if (!path.empty()) ::unlink(path.c_str());
    if (fd >= 0) ::close(fd);
  }
};

// The file a rewrite replaces; a path that does not resolve (a new file) is used as given.
std::string ResolveLinks(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
  return real ? std::string(real.get()) : path;
}

void WriteAll(int fd, std::span<const uint8_t> bytes, const TFailure& failure) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      throw failure(errno);
    }
    bytes = bytes.subspan(static_cast<size_t>(written));
  }
}

// After the rename the new file is in place; syncing the folder makes the rename itself
// survive a crash. A failure here changes nothing for the caller, so it is not reported.
void SyncFolderOf(const std::string& target) {
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

void ReplaceFileSafely(const std::string& path, std::span<const uint8_t> bytes,
                       std::optional<unsigned> fixed_mode,
                       const std::function<Error(int error_number)>& failure) {
  const std::string target = ResolveLinks(path);
  struct stat old_file;
  const bool exists = ::stat(target.c_str(), &old_file) == 0;
  if (!exists && errno != ENOENT) throw failure(errno);
  // A rename needs only the folder's permission; a write-protected photo must stay as it is.
  if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    throw failure(errno);
  }

  RemoveStaleTempsBeside(target);
  TTempFile temp;
  temp.fd = CreateTempBeside(target, temp.path);
  if (temp.fd < 0) throw failure(errno);
  if (fixed_mode || exists) {
    const unsigned mode = fixed_mode ? *fixed_mode : old_file.st_mode & 07777;
    if (::fchmod(temp.fd, mode) != 0) throw failure(errno);
  }
  WriteAll(temp.fd, bytes, failure);
  // After the sync, a close can report no write error that matters, so the file is closed
  // after the rename (by `temp`).
  if (::fsync(temp.fd) != 0) throw failure(errno);
  if (::rename(temp.path.c_str(), target.c_str()) != 0) throw failure(errno);
  temp.path.clear();
  SyncFolderOf(target);
}

}  // namespace fotoloom
