#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "core/base/Error.h"

namespace fotoloom {

// Replaces the file at `path` with `bytes` so that a failure never leaves half a file: the
// bytes go to a new temporary file in the same folder (TempName.h, whose leftovers of a killed
// earlier rewrite go first), which is synced, given its permission bits and only then
// renamed over the old one; then the folder is synced. The permission bits are `fixed_mode`
// when given, else the old file's (a new file gets 0666 less the umask).
//
// A symbolic link is followed: the file it points to is replaced and the link stays a link.
// A file that we may not write (write-protected, or on a read-only file system) is refused
// even though its folder would let a rename replace it. Owner and group are not carried
// over.
//
// On failure the old file is unchanged, the temporary file is gone, and `failure` makes the
// error to throw from the system's error number.
void ReplaceFileSafely(const std::string& path, std::span<const uint8_t> bytes,
                       std::optional<unsigned> fixed_mode,
                       const std::function<Error(int error_number)>& failure);

}  // namespace fotoloom
