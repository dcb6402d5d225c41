#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace fotoloom {

// Turns a JPEG a quarter turn clockwise as it is seen, that is after its EXIF orientation,
// without decoding its pixels: the DCT blocks are moved, so nothing of the picture is lost
// and four turns give back the same pixels. Every APPn and comment segment is kept (EXIF,
// XMP, ICC profile); the old orientation is folded into the turn and the EXIF orientation
// tag set to 1, so that the new file looks turned in any viewer.
//
// Empty when a perfect turn is impossible because the picture's size is not a whole number
// of the JPEG's blocks (MCUs) along an edge that the turn moves. Throws "JPEG error ..." on
// data that the transform cannot read.
std::optional<std::vector<uint8_t>> TurnJpegLosslessly(std::span<const uint8_t> jpeg);

}  // namespace fotoloom
