#pragma once

#include <string>

namespace fotoloom {

// Throws, with a Dutch message, when `name` cannot serve as a file's new name in its own
// folder: a "/" or a NUL in it, or "." or "..", would put the file somewhere else.
void CheckNameInFolder(const std::string& name);

// Gives the file `old_name` in `folder` the name `new_name` in the same folder. A file that
// already has the new name is never replaced: that is refused with a message, as is a name
// that CheckNameInFolder refuses. Other failures carry the system's reason.
void RenameInFolder(const std::string& folder, const std::string& old_name,
                    const std::string& new_name);

// The road RenameInFolder takes where the file system cannot rename without replacing: a
// second link under the new name, then the old one removed. Open to callers so that it can
// be tried on any file system.
void RenameInFolderByLinking(const std::string& folder, const std::string& old_name,
                             const std::string& new_name);

}  // namespace fotoloom
