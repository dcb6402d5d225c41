#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "core/base/Stream.h"

namespace fotoloom {

// The file handling that every file form of the engine shares. Opens SourceFile (a regular
// file only), runs `convert` into a new file beside DestFile, and puts that in place of
// DestFile only when it is whole, so that no reader, second writer or kill ever sees half a
// JPEG. A symbolic link at DestFile is replaced, not written through.
//
// Refused with "Cannot create file ..." before anything is written: a DestFile that is the
// source file itself (by identity, whatever the spelling of the path), that is no regular
// file (a pipe, a device, a folder), or that is write-protected. The decoded photo takes its
// memory from the budget shared by all conversions (TPictureMemoryScope). When `convert`
// fails, DestFile is left with zero bytes and the error passed on.
//
// With `cancelled`, the conversion stops with Cancelled soon after the flag is set, also in
// the middle of decoding the photo (see TCancellableStream). A stopped photo is no failure:
// DestFile stays as it was before (absent, or the old file), nothing half-written replaces it.
void ConvertBetweenFiles(const std::string& SourceFile, const std::string& DestFile,
                         const std::function<void(TStream& source, TStream& dest)>& convert,
                         const std::atomic<bool>* cancelled = nullptr);

}  // namespace fotoloom
