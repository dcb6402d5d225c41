#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// Replaces the file at `path` with `bytes` so that a failure never leaves half a file: the
// bytes go to a new temporary file in the same folder (".<name>.XXXXXX"), which is synced,
// given the old file's permission bits and only then renamed over the old one. A path that
// does not exist yet becomes a new file with the usual permissions (0666 less the umask).
//
// A symbolic link is followed: the file it points to is replaced and the link stays a link.
// A file that we may not write (write-protected, or on a read-only file system) is refused
// even though its folder would let a rename replace it. Owner and group are not carried
// over: the new file belongs to whoever rewrites it.
//
// On failure the old file is unchanged, the temporary file is gone, and the error is
// "Cannot create file "<path>". <reason>".
void RewriteFile(const std::string& path, std::span<const uint8_t> bytes);

// Encodes `picture` as a baseline JPEG of `quality` in memory, then RewriteFile. An encoder
// failure touches no file.
void RewriteJpegFile(const std::string& path, const TBitmap32& picture, int quality);

}  // namespace fotoloom
