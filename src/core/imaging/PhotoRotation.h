#pragma once

#include <string>

#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// Rotated photos are written back as JPEGs of this quality, whatever quality they had.
constexpr int kRotationJpegQuality = 90;

// Turns `picture` a quarter turn clockwise and writes it over `path` in the format that the
// path's extension names, so that the file stays readable by its extension: a JPEG of
// quality 90, a 24-bit BMP, or a GIF when the picture has at most 256 colours. The picture
// is turned even when writing fails; the file is then unchanged.
void TurnAndWritePhoto(TBitmap32& picture, const std::string& path);

// The same for a photo held in memory by the result list's preview, which is always written
// as a JPEG of quality 90.
void TurnAndWriteJpeg(TBitmap32& picture, const std::string& path);

// Loads a photo by its extension, turns it and writes it back. Returns the turned picture.
TBitmap32 RotatePhotoFile(const std::string& path);

}  // namespace fotoloom
