#pragma once

#include <string>

#include "core/base/Stream.h"

namespace fotoloom {

// A new file written beside its final place and put there only when it is whole: a reader,
// a second writer or a kill sees the old file (or none) or the new one, never a part.
//
// The file is made without a name where the file system allows it (O_TMPFILE), so that a
// process killed while writing leaves nothing behind; elsewhere it has one of the hidden
// names of TempName.h beside the target. A file without a name that replaces another gets
// such a hidden name for the moment between naming and renaming; a new one is named in one
// step. A hidden file that a killed writer of the same path left is removed when the next
// one starts. New files get mode 0666 less the umask.
class TPendingFile {
 public:
  // Starts the file for `path`; throws "Cannot create file "<path>". <reason>".
  explicit TPendingFile(std::string path);
  // A file that was not committed disappears.
  ~TPendingFile();
  TPendingFile(const TPendingFile&) = delete;
  TPendingFile& operator=(const TPendingFile&) = delete;

  TFileStream& Stream() { return m_stream; }
  // Puts the file at its path in one step. Whatever the path named before is replaced: a
  // symbolic link itself, never the file it points to. Throws as the constructor does.
  void Commit();

 private:
  std::string m_path;
  std::string m_temp_path;  // empty while the file has no name
  TFileStream m_stream;
};

}  // namespace fotoloom
