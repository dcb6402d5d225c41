#include "core/imaging/FileConversion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/base/CancellableStream.h"
#include "core/base/Cancelled.h"
#include "core/base/PendingFile.h"
#include "core/base/SystemError.h"
#include "core/imaging/PictureMemory.h"

namespace fotoloom {

void ConvertBetweenFiles(const std::string& SourceFile, const std::string& DestFile,
                         const std::function<void(TStream& source, TStream& dest)>& convert,
                         const std::atomic<bool>* cancelled) {
  TFileStream source = TFileStream::OpenRead(SourceFile);
  struct stat source_stat {};
  if (::fstat(source.Descriptor(), &source_stat) != 0) throw CannotOpenFileError(SourceFile, errno);

  struct stat dest_stat {};
  if (::stat(DestFile.c_str(), &dest_stat) == 0 && dest_stat.st_dev == source_stat.st_dev &&
      dest_stat.st_ino == source_stat.st_ino) {
    throw CannotCreateFileError(DestFile, EBUSY);
  }
  if (::lstat(DestFile.c_str(), &dest_stat) == 0) {
    if (S_ISDIR(dest_stat.st_mode)) throw CannotCreateFileError(DestFile, EISDIR);
    if (!S_ISREG(dest_stat.st_mode) && !S_ISLNK(dest_stat.st_mode)) {
      throw CannotCreateFileError(DestFile, EINVAL);
    }
    // A rename needs only the folder's permission; a write-protected file stays as it is.
    if (S_ISREG(dest_stat.st_mode) &&
        ::faccessat(AT_FDCWD, DestFile.c_str(), W_OK, AT_EACCESS) != 0) {
      throw CannotCreateFileError(DestFile, errno);
    }
  }

  TPendingFile dest(DestFile);
  try {
    {
      const TPictureMemoryScope memory;  // the photo's share of the shared budget
      if (cancelled) {
        TCancellableStream cancellable(source, *cancelled);
        convert(cancellable, dest.Stream());
      } else {
        convert(source, dest.Stream());
      }
    }
    dest.Commit();
  } catch (const Cancelled&) {
    throw;  // the unfinished file goes with `dest`; DestFile is left alone
  } catch (...) {
    // The photo failed: its output is an empty file, put in place as a whole one would be.
    try {
      TPendingFile empty(DestFile);
      empty.Commit();
    } catch (const std::exception&) {
      // The original error is the one to report.
    }
    throw;
  }
}

}  // namespace fotoloom
