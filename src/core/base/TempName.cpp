#include "core/base/TempName.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace fotoloom {
namespace {

// A failure to lock (a file system without locks) leaves the file as unprotected as it would
// be without this scheme; the clean-up cannot lock it there either, so it leaves it alone.
void Lock(int fd) {
  while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
}

bool IsOurRegularFile(const struct stat& info) {
  return S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

// True while `path` leads to the file open as `fd`.
bool StillNames(const std::string& path, int fd) {
  struct stat named {}, open {};
  return ::fstatat(AT_FDCWD, path.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         ::fstat(fd, &open) == 0 && named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

// Why a lock and not an age: a writer on a file system without unnamed files keeps its hidden
// name for the whole photo, which may take minutes on a busy machine or while the program is
// stopped (Ctrl+Z); an age limit would take its file away and fail the photo. The lock is
// held exactly as long as its writer lives.
void RemoveIfStale(const std::string& path) {
  struct stat info {};
  // Only regular files are opened: a device may act on being opened.
  if (::fstatat(AT_FDCWD, path.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
      !IsOurRegularFile(info)) {
    return;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  // Holding the lock, the name cannot change under us: the writers that rename or remove such
  // a name, and the other clean-ups, do so only while they hold it.
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &info) == 0 && IsOurRegularFile(info) &&
      StillNames(path, fd)) {
    ::unlink(path.c_str());
  }
  ::close(fd);
}

}  // namespace

std::string TempNameBeside(const std::string& target, int slot) {
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = target.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 240);
  char suffix[12];
  std::snprintf(suffix, sizeof suffix, "%06d", slot);
  return folder + "." + name + "." + suffix;
}

int CreateTempBeside(const std::string& target, std::string& temp_path) {
  for (int slot = 0; slot < kTempSlots; ++slot) {
    std::string candidate = TempNameBeside(target, slot);
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    Lock(fd);
    // Before the lock, a clean-up may have taken the new file for a leftover and removed it;
    // then the next name is tried.
    if (StillNames(candidate, fd)) {
      temp_path = std::move(candidate);
      return fd;
    }
    ::close(fd);
  }
  errno = EEXIST;
  return -1;
}

bool LinkTempBeside(int fd, const std::string& target, std::string& temp_path) {
  Lock(fd);
  const std::string fd_path = "/proc/self/fd/" + std::to_string(fd);
  for (int slot = 0; slot < kTempSlots; ++slot) {
    std::string candidate = TempNameBeside(target, slot);
    if (::linkat(AT_FDCWD, fd_path.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temp_path = std::move(candidate);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  errno = EEXIST;
  return false;
}

void RemoveStaleTempsBeside(const std::string& target) {
  for (int slot = 0; slot < kTempSlots; ++slot) RemoveIfStale(TempNameBeside(target, slot));
}

}  // namespace fotoloom
