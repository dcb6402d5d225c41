#include "core/imaging/codecs/ExifThumbnail.h"

#include "core/base/Error.h"
#include "core/base/Stream.h"
#include "core/imaging/QuarterTurn.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/EmbeddedThumbnail.h"
#include "core/imaging/codecs/ExifOrientation.h"
#include "core/imaging/codecs/ImageInfo.h"
#include "core/imaging/codecs/JpegMarkers.h"
#include "core/imaging/codecs/JpegReader.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "core/imaging/resample/Orientation.h"

namespace fotoloom {
namespace {

constexpr size_t kExifHeader = 6;  // "Exif\0\0"
constexpr uint8_t kApp1 = 0xE1;
constexpr int kThumbnailQuality = 90;
// The EXIF segment lies in the header, within its first segments of at most 64 KB each.
constexpr size_t kHeaderBytes = 256 * 1024;

}  // namespace

std::optional<TExifThumbnail> FindExifThumbnail(const uint8_t* data, size_t size) {
  if (!IsExifSegment(data, size)) return std::nullopt;
  const uint8_t* tiff = data + kExifHeader;
  const size_t tiff_size = size - kExifHeader;
  const bool little = tiff[0] == 'I' && tiff[1] == 'I';
  if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return std::nullopt;
  auto u16 = [&](size_t at) -> uint32_t {
    return little ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1];
  };
  auto u32 = [&](size_t at) -> uint32_t {
    return little ? u16(at) | (u16(at + 2) << 16) : (u16(at) << 16) | u16(at + 2);
  };
  // True when `count` bytes from `at` lie inside the TIFF block.
  auto inside = [&](size_t at, size_t count) { return at <= tiff_size && tiff_size - at >= count; };
  if (u16(2) != 42) return std::nullopt;
  const size_t ifd0 = u32(4);
  if (!inside(ifd0, 2)) return std::nullopt;
  const size_t next = ifd0 + 2 + 12 * static_cast<size_t>(u16(ifd0));
  if (!inside(next, 4)) return std::nullopt;
  const size_t ifd1 = u32(next);
  if (ifd1 == 0 || !inside(ifd1, 2)) return std::nullopt;
  std::optional<size_t> start, length_field;
  for (size_t i = 0, count = u16(ifd1); i < count; ++i) {
    const size_t entry = ifd1 + 2 + 12 * i;
    if (!inside(entry, 12)) return std::nullopt;
    const uint32_t tag = u16(entry);
    if ((tag != 0x0201 && tag != 0x0202) || u16(entry + 2) != 4 || u32(entry + 4) != 1) continue;
    if (tag == 0x0201)
      start = u32(entry + 8);
    else
      length_field = entry + 8;
  }
  if (!start || !length_field) return std::nullopt;
  const size_t length = u32(*length_field);
  if (!inside(*start, length) || length == 0) return std::nullopt;
  return TExifThumbnail{kExifHeader + *start, length, kExifHeader + *length_field, little};
}

void TurnExifThumbnail(std::vector<uint8_t>& jpeg, int orientation) {
  for (const TJpegSegment& segment : JpegHeaderSegments(jpeg)) {
    const uint8_t* data = jpeg.data() + segment.data;
    if (segment.marker != kApp1 || !IsExifSegment(data, segment.size)) continue;
    const std::optional<TExifThumbnail> thumbnail = FindExifThumbnail(data, segment.size);
    // Only a thumbnail at the segment's end can change its size without moving anything.
    if (!thumbnail || thumbnail->start + thumbnail->size != segment.size) return;
    std::vector<uint8_t> encoded;
    try {
      TMemoryStream stream({data + thumbnail->start, data + segment.size});
      TBitmap32 stored;
      DecodeJpeg(stream, stored);
      encoded = EncodeJpeg(TurnQuarterClockwise(Upright(stored, orientation)), kThumbnailQuality);
    } catch (const Error&) {
      return;  // a damaged thumbnail stays as it was: it must not stop the photo's turn
    }
    std::vector<uint8_t> exif(data, data + thumbnail->start);
    exif.insert(exif.end(), encoded.begin(), encoded.end());
    if (exif.size() + 2 > 0xFFFF) return;
    const auto length = static_cast<uint32_t>(encoded.size());
    for (int i = 0; i < 4; ++i)
      exif[thumbnail->length_field + i] =
          static_cast<uint8_t>(length >> (thumbnail->little ? 8 * i : 24 - 8 * i));
    std::vector<uint8_t> result(jpeg.begin(), jpeg.begin() + segment.start);
    result.insert(result.end(), {0xFF, kApp1, static_cast<uint8_t>((exif.size() + 2) >> 8),
                                 static_cast<uint8_t>(exif.size() + 2)});
    result.insert(result.end(), exif.begin(), exif.end());
    result.insert(result.end(), jpeg.begin() + segment.data + segment.size, jpeg.end());
    jpeg = std::move(result);
    return;
  }
}

std::optional<TBitmap32> DecodeExifThumbnail(TStream& stream, int photo_width, int photo_height,
                                             int max_side, std::vector<uint8_t>& icc_profile) {
  const int64_t start = stream.Position();
  std::vector<uint8_t> header(kHeaderBytes);
  header.resize(stream.ReadZeroFilled(header.data(), header.size()));
  stream.Seek(start);
  const std::vector<TJpegSegment> segments = JpegHeaderSegments(header);
  for (const TJpegSegment& segment : segments) {
    const uint8_t* data = header.data() + segment.data;
    if (segment.marker != kApp1 || !IsExifSegment(data, segment.size)) continue;
    const std::optional<TExifThumbnail> thumbnail = FindExifThumbnail(data, segment.size);
    if (!thumbnail) return std::nullopt;
    TMemoryStream jpeg({data + thumbnail->start, data + thumbnail->start + thumbnail->size});
    const TImageInfo info = GetImageInfo(jpeg);
    if (info.ImageType != itJPEG ||
        !UsableAsThumbnail(info.Width, info.Height, photo_width, photo_height, max_side)) {
      return std::nullopt;
    }
    // A profile cut off at the end of what was read, or damaged, is left to the decoder of
    // the photo.
    std::optional<std::vector<uint8_t>> profile = JpegIccProfile(header, segments);
    if (!profile) return std::nullopt;
    try {
      TBitmap32 picture = TJpegReader(jpeg, 4).ReadPicture();
      icc_profile = std::move(*profile);
      return picture;
    } catch (const Error&) {
      return std::nullopt;  // the photo itself is read instead
    }
  }
  return std::nullopt;
}

}  // namespace fotoloom
