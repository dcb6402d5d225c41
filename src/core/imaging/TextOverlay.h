#pragma once

#include <string>

#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// The character height in pixels of a font size in points at 96 pixels per inch, rounded
// (22 pt gives 29 px). Sizes below 1 point take the default of 8 points; sizes above
// 1000 points are taken as 1000, which already fills far more than the visible strip.
int FontPixelHeight(int FontSize);

// Draws Text (UTF-8) as one line in white bold "Verdana" (fontconfig's best match for it)
// onto the canvas, the top-left corner of the line at (20, canvas height - 36). The
// character height (the em) is FontPixelHeight(FontSize); the line's top is the top of the
// font's ascent. Only the glyphs are painted, anti-aliased, and cut off at the canvas
// edges. An empty Text draws nothing. Throws when no font can be found or loaded.
// Safe to call from several threads at once.
void DrawOverlayText(TBitmap32& canvas, const std::string& Text, int FontSize);

}  // namespace fotoloom
