#pragma once

#include <functional>
#include <string>

#include "core/base/Stream.h"

namespace fotoloom {

// The file handling that every file form of the engine shares. Opens SourceFile, then
// creates or truncates DestFile, and runs `convert` on the two streams. A DestFile that is
// the source file itself (by identity, whatever the spelling of the path) is refused with
// "Cannot create file ..." before anything is truncated. The decoded photo takes its memory
// from the budget shared by all conversions (TPictureMemoryScope). When `convert` fails, the
// destination is left with zero bytes and the error passed on.
void ConvertBetweenFiles(const std::string& SourceFile, const std::string& DestFile,
                         const std::function<void(TStream& source, TStream& dest)>& convert);

}  // namespace fotoloom
