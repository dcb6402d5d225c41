#include "core/base/RenameInFolder.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include "core/base/Error.h"
#include "core/base/Path.h"
#include "core/base/SystemError.h"

namespace fotoloom {
namespace {

// The folder, open for the calls that name files relative to it: both names are then looked
// up in the one folder, even if the path to it changes meanwhile.
class FolderHandle {
 public:
  explicit FolderHandle(const std::string& folder)
      : m_fd(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {}
  ~FolderHandle() {
    if (m_fd >= 0) ::close(m_fd);
  }
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;
  int Fd() const { return m_fd; }

 private:
  int m_fd;
};

Error TakenError(const std::string& folder, const std::string& new_name) {
  return Error("Er staat al een bestand \"" + new_name + "\" in de map \"" + folder +
               "\". Kies een andere naam.");
}

Error RenameError(const std::string& folder, const std::string& old_name,
                  const std::string& new_name, int error_number) {
  return Error("Kan de naam van \"" + IncludeTrailingSeparator(folder) + old_name +
               "\" niet wijzigen in \"" + new_name + "\". " + SystemErrorText(error_number));
}

// Checks both names and opens the folder; throws when either fails.
int OpenFolderFor(const FolderHandle& handle, const std::string& folder,
                  const std::string& old_name, const std::string& new_name) {
  CheckNameInFolder(new_name);
  if (handle.Fd() < 0) throw RenameError(folder, old_name, new_name, errno);
  return handle.Fd();
}

void LinkThenUnlink(int dir, const std::string& folder, const std::string& old_name,
                    const std::string& new_name) {
  if (::linkat(dir, old_name.c_str(), dir, new_name.c_str(), 0) != 0) {
    if (errno == EEXIST) throw TakenError(folder, new_name);
    throw RenameError(folder, old_name, new_name, errno);
  }
  if (::unlinkat(dir, old_name.c_str(), 0) != 0) {
    // Leave the file under its old name only, as it was.
    const int error_number = errno;
    ::unlinkat(dir, new_name.c_str(), 0);
    throw RenameError(folder, old_name, new_name, error_number);
  }
}

}  // namespace

void CheckNameInFolder(const std::string& name) {
  if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos || name == "." ||
      name == "..")
    throw Error(
        "Een bestandsnaam mag geen \"/\" bevatten en niet \".\" of \"..\" zijn: de foto zou "
        "dan in een andere map komen.");
}

void RenameInFolder(const std::string& folder, const std::string& old_name,
                    const std::string& new_name) {
  const FolderHandle handle(folder);
  const int dir = OpenFolderFor(handle, folder, old_name, new_name);
  if (::renameat2(dir, old_name.c_str(), dir, new_name.c_str(), RENAME_NOREPLACE) == 0) return;
  switch (errno) {
    case EEXIST:
      throw TakenError(folder, new_name);
    case EINVAL:
    case ENOSYS:
    case ENOTSUP:
      // The file system or the kernel knows no rename without replacing.
      LinkThenUnlink(dir, folder, old_name, new_name);
      return;
    default:
      throw RenameError(folder, old_name, new_name, errno);
  }
}

void RenameInFolderByLinking(const std::string& folder, const std::string& old_name,
                             const std::string& new_name) {
  const FolderHandle handle(folder);
  LinkThenUnlink(OpenFolderFor(handle, folder, old_name, new_name), folder, old_name, new_name);
}

}  // namespace fotoloom
