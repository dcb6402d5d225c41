#include "core/imaging/FileConversion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/base/SystemError.h"
#include "core/imaging/PictureMemory.h"

namespace fotoloom {

void ConvertBetweenFiles(const std::string& SourceFile, const std::string& DestFile,
                         const std::function<void(TStream& source, TStream& dest)>& convert) {
  TFileStream source = TFileStream::OpenRead(SourceFile);
  struct stat source_stat {};
  if (::fstat(source.Descriptor(), &source_stat) != 0) throw CannotOpenFileError(SourceFile, errno);

  // Open without truncating first: the destination may turn out to be the source itself.
  const int fd = ::open(DestFile.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throw CannotCreateFileError(DestFile, errno);
  TFileStream dest(fd, DestFile);
  struct stat dest_stat {};
  if (::fstat(fd, &dest_stat) != 0) throw CannotCreateFileError(DestFile, errno);
  if (dest_stat.st_dev == source_stat.st_dev && dest_stat.st_ino == source_stat.st_ino) {
    throw CannotCreateFileError(DestFile, EBUSY);
  }
  if (::ftruncate(fd, 0) != 0) throw CannotCreateFileError(DestFile, errno);

  try {
    const TPictureMemoryScope memory;  // the photo's share of the shared budget
    convert(source, dest);
    dest.Close();
  } catch (...) {
    // A failed write must not leave half a JPEG behind.
    if (dest.Descriptor() >= 0 && ::ftruncate(dest.Descriptor(), 0) != 0) {
      // Nothing more can be done; the original error is the one to report.
    }
    throw;
  }
}

}  // namespace fotoloom
