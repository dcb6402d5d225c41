#pragma once

#include <string>

namespace fotoloom {

// Replaces the file at `path` with `text` so that a failure never leaves half a file: the
// text goes to a new temporary file in the same folder, which is synced and only then
// renamed over the old one. The new file has mode 0600 whatever the old one had, since the
// settings file holds the FTP password. A symbolic link is followed, so a link into a
// dotfiles folder stays a link. A file that we may not write is refused.
//
// On failure the old file is unchanged, the temporary file is gone, and the error is
// "Unable to write to <path>".
void ReplaceFile(const std::string& path, const std::string& text);

}  // namespace fotoloom
