#pragma once

#include <cstdint>
#include <string>

#include "core/base/Stream.h"

namespace fotoloom {

// itHEIF covers every still picture in the HEIF container: HEIC (HEVC) and AVIF (AV1).
enum TImageType : uint8_t {
  itNone = 0,
  itBMP = 1,
  itGIF = 2,
  itJPEG = 3,
  itPNG = 4,
  itHEIF = 5,
  itWEBP = 6,
  itTIFF = 7
};

// The result of the format test. Width and Height are as the header states them
// (0 when not read); only ImageType is used to decode.
struct TImageInfo {
  TImageType ImageType = itNone;
  int32_t Width = 0;
  int32_t Height = 0;
};

// Finds the format from the first bytes of the stream (never from a file name) and reads
// the header size. The stream is left at the position it had.
TImageInfo GetImageInfo(TStream& stream);
// The same on a file; throws "Cannot open file ..." when it cannot be opened.
TImageInfo GetImageFileInfo(const std::string& path);

// Header readers, each on a stream at the start of the image.
void ReadBMPHeader(TStream& stream, TImageInfo& info);
void ReadGIFHeader(TStream& stream, TImageInfo& info);
void ReadJPEGHeader(TStream& stream, TImageInfo& info);
void ReadPNGHeader(TStream& stream, TImageInfo& info);

constexpr uint32_t SwapLong(uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}
constexpr uint16_t SwapWord(uint16_t value) {
  return static_cast<uint16_t>((value >> 8) | (value << 8));
}

}  // namespace fotoloom
