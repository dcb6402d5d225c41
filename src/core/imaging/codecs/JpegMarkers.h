#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace fotoloom {

// One marker segment of a JPEG's header: the marker byte (0xE1 for APP1) and where its
// data lies, after the two length bytes.
struct TJpegSegment {
  uint8_t marker;
  size_t start;  // offset of the segment's FF byte
  size_t data;   // offset of its data
  size_t size;   // bytes of data
};

// The segments between the start of the image and the start of the scan, in file order.
// The walk stops early at damaged data (a length that runs past the end, a missing FF), so
// every segment it returns lies wholly inside `jpeg`.
std::vector<TJpegSegment> JpegHeaderSegments(std::span<const uint8_t> jpeg);

// The EXIF orientation of a JPEG as our decoder applies it: the first EXIF APP1 segment's,
// 1 without one.
int JpegOrientation(std::span<const uint8_t> jpeg);

// Sets the orientation tag of every EXIF segment to 1.
void ResetJpegOrientation(std::vector<uint8_t>& jpeg);

// The ICC profile in the APP2 chunks of `segments` (of `jpeg`), joined in their sequence
// order as libjpeg joins them: empty when there is none, no value when the chunks do not
// make a whole profile (one missing, doubled or numbered past their count).
std::optional<std::vector<uint8_t>> JpegIccProfile(std::span<const uint8_t> jpeg,
                                                   const std::vector<TJpegSegment>& segments);

// What follows the end of the image (the first end-of-image marker after the header), such
// as the video of a phone's motion photo; empty when nothing follows or the end is missing.
std::span<const uint8_t> JpegTrailer(std::span<const uint8_t> jpeg);

// `encoded` (a JPEG that our encoder wrote) with the metadata segments of `original` put
// back after its own header: every APPn and comment segment except the JFIF header and
// Adobe's colour transform marker, which describe the old encoding, not the picture, and an
// ICC profile that is not one for RGB pictures.
std::vector<uint8_t> WithMetadataOf(std::span<const uint8_t> original,
                                    std::span<const uint8_t> encoded);

}  // namespace fotoloom
