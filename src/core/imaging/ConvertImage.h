#pragma once

#include <atomic>
#include <string>

#include "core/base/Stream.h"
#include "core/imaging/Bitmap32.h"
#include "core/imaging/Color.h"

namespace fotoloom {

// Reads a BMP, GIF, JPEG or PNG photo (recognised by content), brings it to the requested
// size and writes it as a baseline JPEG. Box mode when both box sides are non-zero, else
// variable mode. A source whose content is no picture writes nothing and raises nothing.
// Nothing reaches Dest before the encoder has finished.
void ConvertImageStream(TStream& Source, TStream& Dest, int BoxWidth, int BoxHeight,
                        TColor BackgroundColor, int Quality);

// The same on files. DestFile is created or truncated once the source is open, so a
// failure afterwards leaves it empty. A DestFile that is the source file itself (by
// identity, whatever the spelling of the path) is refused before anything is truncated.
// With `cancelled`, a stop throws Cancelled within moments and leaves DestFile as it was
// (see ConvertBetweenFiles).
void ConvertImageFile(const std::string& SourceFile, const std::string& DestFile, int BoxWidth,
                      int BoxHeight, TColor BackgroundColor, int Quality,
                      const std::atomic<bool>* cancelled = nullptr);

// Decodes the source and draws it resized onto a new canvas filled with the background.
// Returns false (and leaves the canvas alone) when the content matches no picture type.
bool RenderCanvas(TStream& Source, int BoxWidth, int BoxHeight, TColor BackgroundColor,
                  TBitmap32& canvas);

}  // namespace fotoloom
