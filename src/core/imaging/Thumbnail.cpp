#include "core/imaging/Thumbnail.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "core/imaging/ColorProfile.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/ExifThumbnail.h"
#include "core/imaging/codecs/ImageInfo.h"
#include "core/imaging/codecs/JpegReader.h"
#include "core/imaging/LoadPicture.h"
#include "core/imaging/ResampleRows.h"
#include "core/imaging/resample/Resampler.h"

namespace fotoloom {
namespace {

// The largest of libjpeg's reductions 1/8, 1/4, 1/2 that leaves the longest side at least
// max_side, so the resampler still has the detail to work from.
int JpegScaleFor(int width, int height, int max_side) {
  const int longest = std::max(width, height);
  for (int scale : {8, 4, 2}) {
    if ((longest + scale - 1) / scale >= max_side) return scale;
  }
  return 1;
}

// Also gives the stored size, which sets the thumbnail's aspect ratio: the reduced sides
// are rounded up each on its own.
TBitmap32 DecodeJpegReduced(TStream& stream, const TImageInfo& info, int max_side, int& width,
                            int& height, std::vector<uint8_t>& icc_profile) {
  TJpegReader reader(stream, 4, JpegScaleFor(info.Width, info.Height, max_side));
  width = reader.Width();
  height = reader.Height();
  icc_profile = reader.IccProfile();
  return reader.ReadPicture();
}

}  // namespace

TBitmap32 LoadThumbnail(TStream& stream, int max_side) {
  const TImageInfo info = GetImageInfo(stream);
  TBitmap32 picture;
  std::vector<uint8_t> icc_profile;
  int width = 0;
  int height = 0;
  std::optional<TBitmap32> own;
  std::unique_ptr<TPictureRows> rows;  // when the picture can be read row by row
  if (info.ImageType == itJPEG)
    own = DecodeExifThumbnail(stream, info.Width, info.Height, max_side, icc_profile);
  if (info.ImageType == itJPEG && !own) {
    picture = DecodeJpegReduced(stream, info, max_side, width, height, icc_profile);
  } else if (!own && (rows = OpenPictureRows(stream, info.ImageType))) {
    width = rows->Width();
    height = rows->Height();
    icc_profile = rows->IccProfile();
  } else {
    if (own)
      picture = std::move(*own);
    else if (info.ImageType == itHEIF)
      picture = DecodeHeifForThumbnail(stream, max_side, &icc_profile);
    else
      DecodePicture(stream, info.ImageType, picture, icc_profile);
    width = picture.Width();
    height = picture.Height();
  }
  if (std::max(width, height) <= max_side) {
    if (rows) ReadWholePicture(*rows, picture);
    ConvertToSrgb(picture, icc_profile);
    return picture;
  }
  // Rounded to the nearest pixel, never below one.
  const auto fit = [max_side](int side, int longest) {
    return std::max(
        1, static_cast<int>((static_cast<int64_t>(side) * max_side + longest / 2) / longest));
  };
  const int longest = std::max(width, height);
  TBitmap32 thumbnail = rows ? ResampleRows(*rows, fit(width, longest), fit(height, longest))
                             : ResamplePicture(picture, fit(width, longest), fit(height, longest));
  ConvertToSrgb(thumbnail, icc_profile);
  return thumbnail;
}

}  // namespace fotoloom
