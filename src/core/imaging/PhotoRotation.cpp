#include "core/imaging/PhotoRotation.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "core/base/Error.h"
#include "core/base/Path.h"
#include "core/base/Stream.h"
#include "core/imaging/codecs/BmpWriter.h"
#include "core/imaging/codecs/ExifThumbnail.h"
#include "core/imaging/codecs/GifWriter.h"
#include "core/imaging/codecs/JpegMarkers.h"
#include "core/imaging/codecs/JpegReader.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "core/imaging/codecs/LosslessJpegTurn.h"
#include "core/imaging/LoadByExtension.h"
#include "core/imaging/LoadPicture.h"
#include "core/imaging/QuarterTurn.h"
#include "core/imaging/SafeRewrite.h"

namespace fotoloom {
namespace {

// Formats that are read but never written: JPEG data under such a name would not be what the
// name promises, and the user's original is never rewritten in another format. Refused before
// anything is read.
void RefuseUnwritableFormat(const std::string& path) {
  std::string format;
  switch (ImageTypeFromExtension(path)) {
    case itPNG:
      format = "PNG";
      break;
    case itHEIF:  // HEIC, HEIF or AVIF, as the name says
      for (char c : FileExtension(path).substr(1))
        format += c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
      break;
    case itWEBP:
      format = "WebP";
      break;
    case itTIFF:
      format = "TIFF";
      break;
    case itJPEG:
    case itGIF:
    case itBMP:
    case itNone:
      return;
  }
  throw Error("Een " + format + "-bestand kan niet gedraaid worden.");
}

// Writes a turned picture over `path` in the format its extension names.
void WriteTurnedPhoto(const TBitmap32& picture, const std::string& path) {
  RefuseUnwritableFormat(path);
  switch (ImageTypeFromExtension(path)) {
    case itJPEG:
      RewriteJpegFile(path, picture, kRotationJpegQuality);
      return;
    case itBMP:
      RewriteFile(path, EncodeBmp24(picture));
      return;
    case itGIF: {
      // A picture from one GIF image nearly always fits; more colours than a GIF can hold
      // only arise where the image does not cover the whole screen.
      const std::optional<std::vector<uint8_t>> gif = EncodeGif(picture);
      if (!gif) throw Error("Deze GIF-foto heeft te veel kleuren om gedraaid te worden.");
      RewriteFile(path, *gif);
      return;
    }
    default:
      throw Error("Unknown picture format");
  }
}

// The turned photo in the colours of the original's own profile, when it has an RGB one:
// that profile stays with the photo, so the pixels must not be the sRGB ones shown. Other
// profiles are dropped with the old encoding, and the shown picture is already right.
std::optional<TBitmap32> TurnedInOwnColours(const std::vector<uint8_t>& original) {
  std::vector<uint8_t> icc_profile;
  {
    TMemoryStream header(original);
    icc_profile = TJpegReader(header, 4).IccProfile();
  }
  constexpr size_t kColourSpace = 16;  // offset in the profile's header
  if (icc_profile.size() < kColourSpace + 4 ||
      !std::equal(icc_profile.begin() + kColourSpace, icc_profile.begin() + kColourSpace + 4,
                  "RGB "))
    return std::nullopt;
  TMemoryStream stream(original);
  TBitmap32 own;
  DecodePicture(stream, itJPEG, own, icc_profile);
  return TurnQuarterClockwise(own);
}

}  // namespace

void TurnAndWritePhoto(TBitmap32& picture, const std::string& path) {
  picture = TurnQuarterClockwise(picture);
  WriteTurnedPhoto(picture, path);
}

void TurnAndWriteJpeg(TBitmap32& picture, const std::string& path) {
  picture = TurnQuarterClockwise(picture);
  RewriteJpegFile(path, picture, kRotationJpegQuality);
}

TBitmap32 RotatePhotoFile(const std::string& path) {
  RefuseUnwritableFormat(path);
  TBitmap32 picture = LoadPictureByExtension(path);
  TurnAndWritePhoto(picture, path);
  return picture;
}

TBitmap32 RotateOriginalPhoto(const std::string& path,
                              const std::function<void(const TBitmap32&)>& show) {
  RefuseUnwritableFormat(path);
  if (ImageTypeFromExtension(path) != itJPEG) {
    TBitmap32 picture = LoadPictureByExtension(path);
    show(picture);
    picture = TurnQuarterClockwise(picture);
    show(picture);
    WriteTurnedPhoto(picture, path);
    return picture;
  }
  TFileStream file = TFileStream::OpenRead(path);
  TMemoryStream stream(ReadToEnd(file));
  const std::vector<uint8_t>& original = stream.Bytes();
  TBitmap32 picture;
  LoadPicture(stream, itJPEG, picture);
  show(picture);
  picture = TurnQuarterClockwise(picture);
  show(picture);
  std::optional<std::vector<uint8_t>> turned = TurnJpegLosslessly(original);
  if (!turned) {
    const std::optional<TBitmap32> own = TurnedInOwnColours(original);
    turned = WithMetadataOf(original, EncodeJpeg(own ? *own : picture, kRotationJpegQuality));
    ResetJpegOrientation(*turned);
  }
  TurnExifThumbnail(*turned, JpegOrientation(original));
  // Whatever a camera put after the image (a motion photo's video) stays behind it.
  const std::span<const uint8_t> trailer = JpegTrailer(original);
  turned->insert(turned->end(), trailer.begin(), trailer.end());
  RewriteFile(path, *turned);
  return picture;
}

}  // namespace fotoloom
