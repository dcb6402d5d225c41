#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// Converts an opaque or transparent picture from the colour space of its embedded ICC
// profile to sRGB with LittleCMS, perceptual intent; alpha is kept. An empty profile, an
// sRGB profile (one whose transform changes no colour by more than one step), a damaged
// one and one that is not for RGB or grey pictures leave the picture untouched.
void ConvertToSrgb(TBitmap32& picture, const std::vector<uint8_t>& icc_profile);

// Turns CMYK rows (4 bytes per pixel) into B, G, R rows (3 bytes per pixel) or B, G, R, 255
// rows (4) through a CMYK profile. Shared by threads.
class TCmykToSrgb {
 public:
  virtual ~TCmykToSrgb() = default;
  virtual void Convert(const uint8_t* cmyk, uint8_t* out, size_t pixels) const = 0;
};

// The conversion through `icc_profile`, whose ink values are stored inverted (255 for no
// ink, as Adobe writes them) or plain; null when the profile is damaged or not for CMYK.
std::shared_ptr<const TCmykToSrgb> CmykToSrgb(const std::vector<uint8_t>& icc_profile,
                                              bool inverted, int bytes_per_pixel);

}  // namespace fotoloom
