#pragma once

#include <functional>
#include <string>

#include "core/imaging/Bitmap32.h"

namespace fotoloom {

// Rotated photos are written back as JPEGs of this quality, whatever quality they had.
constexpr int kRotationJpegQuality = 90;

// Turns `picture` a quarter turn clockwise and writes it over `path` in the format that the
// path's extension names, so that the file stays readable by its extension: a JPEG of
// quality 90, a 24-bit BMP, or a GIF when the picture has at most 256 colours. The picture
// is turned even when writing fails; the file is then unchanged. PNG, HEIF, AVIF, WebP and
// TIFF files are refused ("Een HEIC-bestand kan niet gedraaid worden.").
void TurnAndWritePhoto(TBitmap32& picture, const std::string& path);

// The same for a photo held in memory by the result list's preview, which is always written
// as a JPEG of quality 90.
void TurnAndWriteJpeg(TBitmap32& picture, const std::string& path);

// Loads a photo by its extension, turns it and writes it back. Returns the turned picture.
TBitmap32 RotatePhotoFile(const std::string& path);

// Turns a photo of the selection list, the user's own original, a quarter turn clockwise as
// it is seen, and returns the turned picture. A JPEG (by its extension) is turned without
// loss and keeps its metadata (see TurnJpegLosslessly); one whose size does not allow that
// is encoded anew at quality 90 with its metadata put back and its orientation set to 1.
// GIF and BMP photos are written as TurnAndWritePhoto writes them; the formats it refuses
// are refused before anything is read or shown. `show` sees the picture
// as it was loaded and then turned, both before the file is written, which is replaced
// through RewriteFile or left unchanged.
TBitmap32 RotateOriginalPhoto(const std::string& path,
                              const std::function<void(const TBitmap32&)>& show);

}  // namespace fotoloom
