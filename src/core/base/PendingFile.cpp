#include "core/base/PendingFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/base/SystemError.h"
#include "core/base/TempName.h"

namespace fotoloom {
namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

// A file without a name in the folder, or -1 where the file system cannot make one.
int OpenUnnamed(const std::string& path) {
  const int fd = ::open(FolderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd >= 0) return fd;
  if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return -1;
  throw CannotCreateFileError(path, errno);
}

int OpenNamed(const std::string& path, std::string& temp_path) {
  const int fd = CreateTempBeside(path, temp_path);
  if (fd < 0) throw CannotCreateFileError(path, errno);
  return fd;
}

int Open(const std::string& path, std::string& temp_path) {
  // What an earlier writer of this output left when it was killed goes before this one starts.
  RemoveStaleTempsBeside(path);
  const int fd = OpenUnnamed(path);
  return fd >= 0 ? fd : OpenNamed(path, temp_path);
}

}  // namespace

TPendingFile::TPendingFile(std::string path)
    : m_path(std::move(path)), m_stream(Open(m_path, m_temp_path), m_path) {}

TPendingFile::~TPendingFile() {
  if (!m_temp_path.empty()) ::unlink(m_temp_path.c_str());
}

void TPendingFile::Commit() {
  if (m_temp_path.empty()) {
    // A new output gets its name in one step, so a kill can leave no temporary name behind.
    const std::string fd_path = "/proc/self/fd/" + std::to_string(m_stream.Descriptor());
    if (::linkat(AT_FDCWD, fd_path.c_str(), AT_FDCWD, m_path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      m_stream.Close();
      return;
    }
    if (errno != EEXIST) throw CannotCreateFileError(m_path, errno);
    // Something has the name: the file gets a temporary name first, so that the rename below
    // replaces what was there in one step. (Linux cannot link over an existing name, and
    // swapping names with RENAME_EXCHANGE would leave the old file under the temporary name
    // instead; so a kill in between can leave the name, and the next writer removes it.)
    if (!LinkTempBeside(m_stream.Descriptor(), m_path, m_temp_path)) {
      throw CannotCreateFileError(m_path, errno);
    }
  }
  if (::rename(m_temp_path.c_str(), m_path.c_str()) != 0) {
    throw CannotCreateFileError(m_path, errno);
  }
  m_temp_path.clear();
  // Only now: the open file holds the lock that tells other writers' clean-up that the
  // temporary name is in use. A late write error still fails the photo, as it does for a new
  // output named above before its close.
  m_stream.Close();
}

}  // namespace fotoloom
