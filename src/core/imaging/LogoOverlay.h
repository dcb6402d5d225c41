#pragma once

#include <memory>
#include <string>

#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// Blend: weighted by the logo's alpha and the opacity. Opaque: the logo's pixels replace
// the canvas's.
enum class TLogoDrawMode { Opaque, Blend };

struct TLogo {
  TBitmap32 picture;  // at its own size; alpha in the top byte
  TLogoDrawMode mode = TLogoDrawMode::Blend;
};

// The logo of one photo. Opens LogoFile (throws "Cannot open file ..." when it cannot) and
// recognises its format by content. Returns null when the content is no picture. A PNG
// keeps its transparency and is blended when it has any, else drawn opaque; any other
// format is an opaque picture that is blended. Damaged data throws the decoder's error.
// The file is opened and read on every call, but the last decoded logo is kept with the
// content it came from, so that a batch decodes its logo once.
// Safe to call from several threads at once.
std::shared_ptr<const TLogo> LoadLogo(const std::string& LogoFile);

// Draws the logo unscaled into the bottom-right corner of the canvas, 10 pixels from the
// right and the bottom edge, cut off where it falls outside. In blend mode each channel
// moves towards the logo by alpha/255 * LogoOpacity/255 (exactly rounded); LogoOpacity
// outside 0..255 acts as 255. In opaque mode LogoOpacity has no effect.
void DrawLogo(TBitmap32& canvas, const TLogo& logo, int LogoOpacity);

}  // namespace fotoloom
