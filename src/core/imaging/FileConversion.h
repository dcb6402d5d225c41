#pragma once

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
void ConvertBetweenFiles(const std::string& SourceFile, const std::string& DestFile,
                         const std::function<void(TStream& source, TStream& dest)>& convert);

}  // namespace fotoloom
