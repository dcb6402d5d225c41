#include "core/imaging/codecs/JpegMarkers.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "core/imaging/codecs/ExifOrientation.h"

namespace fotoloom {
namespace {

constexpr uint8_t kApp0 = 0xE0, kApp1 = 0xE1, kApp2 = 0xE2, kApp14 = 0xEE, kApp15 = 0xEF,
                  kComment = 0xFE;

bool StartsWith(std::span<const uint8_t> jpeg, const TJpegSegment& segment, const char* tag,
                size_t length) {
  return segment.size >= length && std::memcmp(jpeg.data() + segment.data, tag, length) == 0;
}

constexpr char kIccTag[] = "ICC_PROFILE";  // with its NUL, 12 bytes
constexpr size_t kIccHeader = 14;          // the tag, the chunk's number and the count
constexpr size_t kIccColourSpace = 16;     // in the profile's own header

bool IsIccChunk(std::span<const uint8_t> jpeg, const TJpegSegment& segment) {
  return segment.marker == kApp2 && StartsWith(jpeg, segment, kIccTag, sizeof kIccTag);
}

// Whether the ICC profile, whose first chunk holds its header, describes RGB pictures: only
// such a profile fits the RGB picture our encoder writes. A grey or CMYK photo decoded to
// RGB would be coloured wrongly by its old profile.
bool HasRgbProfile(std::span<const uint8_t> jpeg, const std::vector<TJpegSegment>& segments) {
  for (const TJpegSegment& segment : segments) {
    if (!IsIccChunk(jpeg, segment) || segment.size < kIccHeader + kIccColourSpace + 4 ||
        jpeg[segment.data + 12] != 1)
      continue;
    return std::memcmp(jpeg.data() + segment.data + kIccHeader + kIccColourSpace, "RGB ", 4) == 0;
  }
  return false;
}

constexpr char kXmpTag[] = "http://ns.adobe.com/xap/1.0/";  // with its NUL

// Sets XMP's copy of the orientation, tiff:Orientation as an attribute or an element, to
// 1: programs that read XMP would otherwise turn the photo once more. The digit is replaced
// in place, so the packet keeps its length.
void ResetXmpOrientation(uint8_t* data, size_t size) {
  static constexpr std::string_view kName = "tiff:Orientation";
  const std::string_view xmp(reinterpret_cast<const char*>(data), size);
  for (size_t at = xmp.find(kName); at != std::string_view::npos; at = xmp.find(kName, at + 1)) {
    // tiff:Orientation="6" (or '6'), or <tiff:Orientation>6</tiff:Orientation>.
    const size_t value = at + kName.size();
    const std::string_view rest = xmp.substr(value, 4);
    size_t digit;
    if (rest.size() == 4 && rest[0] == '=' && (rest[1] == '"' || rest[1] == '\'') &&
        rest[3] == rest[1])
      digit = 2;
    else if (rest.size() >= 3 && rest[0] == '>' && rest[2] == '<')
      digit = 1;
    else
      continue;
    if (rest[digit] >= '1' && rest[digit] <= '8') data[value + digit] = '1';
  }
}

bool IsMetadata(std::span<const uint8_t> jpeg, const TJpegSegment& segment) {
  if (segment.marker == kComment) return true;
  if (segment.marker < kApp0 || segment.marker > kApp15) return false;
  if (segment.marker == kApp0) return !StartsWith(jpeg, segment, "JFIF\0", 5);
  if (segment.marker == kApp14) return !StartsWith(jpeg, segment, "Adobe", 5);
  return true;
}

}  // namespace

std::vector<TJpegSegment> JpegHeaderSegments(std::span<const uint8_t> jpeg) {
  std::vector<TJpegSegment> segments;
  if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return segments;
  size_t at = 2;
  while (at + 4 <= jpeg.size()) {
    if (jpeg[at] != 0xFF) break;
    const uint8_t marker = jpeg[at + 1];
    if (marker == 0xFF) {  // a fill byte before the marker
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) break;                 // start of scan, end of image
    if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {  // no length
      at += 2;
      continue;
    }
    const size_t length = (jpeg[at + 2] << 8) | jpeg[at + 3];
    if (length < 2 || length > jpeg.size() - at - 2) break;
    segments.push_back({marker, at, at + 4, length - 2});
    at += 2 + length;
  }
  return segments;
}

int JpegOrientation(std::span<const uint8_t> jpeg) {
  for (const TJpegSegment& segment : JpegHeaderSegments(jpeg)) {
    const uint8_t* data = jpeg.data() + segment.data;
    if (segment.marker == kApp1 && IsExifSegment(data, segment.size))
      return ReadExifOrientation(data, segment.size);
  }
  return 1;
}

void ResetJpegOrientation(std::vector<uint8_t>& jpeg) {
  for (const TJpegSegment& segment : JpegHeaderSegments(jpeg)) {
    if (segment.marker != kApp1) continue;
    uint8_t* data = jpeg.data() + segment.data;
    if (IsExifSegment(data, segment.size))
      ResetExifOrientation(data, segment.size);
    else if (StartsWith(jpeg, segment, kXmpTag, sizeof kXmpTag))
      ResetXmpOrientation(data, segment.size);
  }
}

std::optional<std::vector<uint8_t>> JpegIccProfile(std::span<const uint8_t> jpeg,
                                                   const std::vector<TJpegSegment>& segments) {
  std::vector<const TJpegSegment*> chunks;  // by sequence number, from 1
  for (const TJpegSegment& segment : segments) {
    if (!IsIccChunk(jpeg, segment) || segment.size < kIccHeader) continue;
    const uint8_t number = jpeg[segment.data + 12], count = jpeg[segment.data + 13];
    if (chunks.empty()) chunks.assign(count, nullptr);
    if (count != chunks.size() || number == 0 || number > count || chunks[number - 1])
      return std::nullopt;
    chunks[number - 1] = &segment;
  }
  std::vector<uint8_t> profile;
  for (const TJpegSegment* chunk : chunks) {
    if (!chunk) return std::nullopt;
    profile.insert(profile.end(), jpeg.begin() + chunk->data + kIccHeader,
                   jpeg.begin() + chunk->data + chunk->size);
  }
  return profile;
}

std::span<const uint8_t> JpegTrailer(std::span<const uint8_t> jpeg) {
  const std::vector<TJpegSegment> header = JpegHeaderSegments(jpeg);
  // The scan data never holds FF D9: a literal FF is followed by 00, and markers between
  // scans are not FF D9 either. Thumbnails inside the header segments are skipped.
  size_t at = header.empty() ? 2 : header.back().data + header.back().size;
  for (; at + 1 < jpeg.size(); ++at)
    if (jpeg[at] == 0xFF && jpeg[at + 1] == 0xD9) return jpeg.subspan(at + 2);
  return {};
}

std::vector<uint8_t> WithMetadataOf(std::span<const uint8_t> original,
                                    std::span<const uint8_t> encoded) {
  // Our encoder writes the start of the image and a JFIF header; the metadata follows them.
  size_t insert_at = std::min<size_t>(2, encoded.size());
  for (const TJpegSegment& segment : JpegHeaderSegments(encoded)) {
    if (segment.marker != kApp0) break;
    insert_at = segment.data + segment.size;
  }
  std::vector<uint8_t> result(encoded.begin(), encoded.begin() + insert_at);
  const std::vector<TJpegSegment> segments = JpegHeaderSegments(original);
  const bool keep_profile = HasRgbProfile(original, segments);
  for (const TJpegSegment& segment : segments) {
    if (!IsMetadata(original, segment) || (IsIccChunk(original, segment) && !keep_profile))
      continue;
    const auto begin = original.begin() + segment.start;
    result.insert(result.end(), begin, begin + 4 + segment.size);
  }
  result.insert(result.end(), encoded.begin() + insert_at, encoded.end());
  return result;
}

}  // namespace fotoloom
