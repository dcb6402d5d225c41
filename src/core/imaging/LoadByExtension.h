#pragma once

#include <string>

#include "core/imaging/Bitmap32.h"
#include "core/imaging/codecs/ImageInfo.h"

namespace fotoloom {

// The format that a file's extension names, in any letter case: ".jpg" and ".jpeg" JPEG,
// ".gif" GIF, ".bmp" BMP, ".png" PNG, ".heic", ".heif" and ".avif" HEIF, ".webp" WebP, ".tif"
// and ".tiff" TIFF. Anything else, no extension included, throws
// "Unknown picture file extension (.<extension as the name has it>)".
TImageType ImageTypeFromExtension(const std::string& path);

// The loader of the previews, the rotation and the editor: the decoder is chosen by the
// extension, not by the content, so a file whose content does not match fails with its
// decoder's error. JPEGs, HEIFs and TIFFs are turned upright from their orientation,
// transparency is composited over white, GIFs give their first image. A file that cannot be opened
// gives "Cannot open file "<path>". <reason>"; the extension is checked before the file is opened.
TBitmap32 LoadPictureByExtension(const std::string& path);

}  // namespace fotoloom
