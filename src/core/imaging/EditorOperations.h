#pragma once

#include <cstdint>
#include <optional>

#include "core/imaging/Bitmap32.h"
#include "core/imaging/resample/Orientation.h"

// The photo editor's pixel operations. The adjustments treat the picture as 24-bit colour:
// their result is opaque.
namespace fotoloom {

// The range of the contrast and brightness sliders; values outside it are clamped.
constexpr int kAdjustmentMin = -255;
constexpr int kAdjustmentMax = 255;

// Contrast c, then brightness b, on every colour byte v on its own, each result clamped to
// 0..255 (division rounds toward zero):
//   contrast:   v >= 128: v + c (v - 127) / 255;  v <= 127: v - c (127 - v) / 255
//   brightness: v + b (255 - v) / 255
void AdjustContrastBrightness(TBitmap32& picture, int contrast, int brightness);

// Every pixel becomes the grey (77 red + 150 green + 29 blue) >> 8.
void MakeBlackAndWhite(TBitmap32& picture);

// The selection drawn with the mouse: start and end corner in picture pixels, in any
// order. All coordinates 0 means no selection.
struct TSelection {
  int32_t X1 = 0;
  int32_t Y1 = 0;
  int32_t X2 = 0;
  int32_t Y2 = 0;
};

constexpr const char* kNoSelectionMessage = "Maak eerst een raster in de afbeelding.";

// The part of a width x height picture that the selection crops to, or nothing when there is
// no selection to crop: a coordinate of 0 counts as no selection (so a selection from the
// first column or row does too), and so does a rectangle without width or height. The part
// of the rectangle beyond the picture's edges is left out.
std::optional<TRect> CropRectangle(const TSelection& selection, int width, int height);

// The cropped copy of `picture`; throws kNoSelectionMessage where CropRectangle gives nothing.
TBitmap32 CropPicture(const TBitmap32& picture, const TSelection& selection);

}  // namespace fotoloom
