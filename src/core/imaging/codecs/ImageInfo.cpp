#include "core/imaging/codecs/ImageInfo.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

namespace fotoloom {
namespace {

uint16_t LittleWord(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
int32_t LittleLong(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                              (uint32_t{p[3]} << 24));
}
uint16_t BigWord(const uint8_t* p) {
  uint16_t value;
  std::memcpy(&value, p, 2);
  return SwapWord(value);
}
uint32_t BigLong(const uint8_t* p) {
  uint32_t value;
  std::memcpy(&value, p, 4);
  return SwapLong(value);
}

// A HEIF file starts with an "ftyp" box whose major or compatible brands name a still
// picture; video files share the box but not these brands.
bool IsHeifFileType(TStream& stream) {
  uint8_t box[64];
  stream.ReadZeroFilled(box, sizeof box);
  if (std::memcmp(box + 4, "ftyp", 4) != 0) return false;
  const size_t size = std::min<size_t>(BigLong(box), sizeof box);
  const auto still_brand = [&](size_t at) {
    for (const char* brand : {"heic", "heix", "heim", "heis", "mif1", "mif2", "avif"}) {
      if (std::memcmp(box + at, brand, 4) == 0) return true;
    }
    return false;
  };
  if (size >= 12 && still_brand(8)) return true;
  for (size_t at = 16; at + 4 <= size; at += 4) {
    if (still_brand(at)) return true;
  }
  return false;
}

bool IsTiffSignature(const uint8_t* sig) {
  // Classic TIFF (42) and BigTIFF (43), either byte order.
  return (sig[0] == 'I' && sig[1] == 'I' && (sig[2] == 42 || sig[2] == 43) && sig[3] == 0) ||
         (sig[0] == 'M' && sig[1] == 'M' && sig[2] == 0 && (sig[3] == 42 || sig[3] == 43));
}

}  // namespace

TImageInfo GetImageInfo(TStream& stream) {
  TImageInfo info;
  const int64_t start = stream.Position();
  uint8_t sig[12];
  stream.ReadZeroFilled(sig, sizeof sig);
  if (std::memcmp(sig, "GIF", 3) == 0) {
    info.ImageType = itGIF;
  } else if (sig[0] == 0xFF && sig[1] == 0xD8 && sig[2] == 0xFF) {
    info.ImageType = itJPEG;
  } else if (sig[0] == 0x89 && sig[1] == 0x50 && sig[2] == 0x4E) {
    if (std::memcmp(sig + 3, "\x47\x0D\x0A\x1A\x0A", 5) == 0) info.ImageType = itPNG;
  } else if (sig[0] == 'B' && sig[1] == 'M') {
    info.ImageType = itBMP;
  } else if (std::memcmp(sig, "RIFF", 4) == 0 && std::memcmp(sig + 8, "WEBP", 4) == 0) {
    info.ImageType = itWEBP;
  } else if (IsTiffSignature(sig)) {
    info.ImageType = itTIFF;
  } else if (std::memcmp(sig + 4, "ftyp", 4) == 0) {
    stream.Seek(start);
    if (IsHeifFileType(stream)) info.ImageType = itHEIF;
  }
  stream.Seek(start);
  if (info.ImageType == itNone) return info;
  switch (info.ImageType) {
    case itBMP:
      ReadBMPHeader(stream, info);
      break;
    case itGIF:
      ReadGIFHeader(stream, info);
      break;
    case itJPEG:
      ReadJPEGHeader(stream, info);
      break;
    case itPNG:
      ReadPNGHeader(stream, info);
      break;
    case itHEIF:
    case itWEBP:
    case itTIFF:
    case itNone:
      break;
  }
  stream.Seek(start);
  return info;
}

TImageInfo GetImageFileInfo(const std::string& path) {
  TFileStream file = TFileStream::OpenRead(path);
  return GetImageInfo(file);
}

void ReadBMPHeader(TStream& stream, TImageInfo& info) {
  uint8_t header[14 + 40];
  stream.ReadZeroFilled(header, sizeof header);
  info.Width = LittleLong(header + 14 + 4);
  info.Height = LittleLong(header + 14 + 8);
}

void ReadGIFHeader(TStream& stream, TImageInfo& info) {
  uint8_t header[10];
  stream.ReadZeroFilled(header, sizeof header);
  info.Width = LittleWord(header + 6);
  info.Height = LittleWord(header + 8);
}

void ReadJPEGHeader(TStream& stream, TImageInfo& info) {
  uint8_t soi[2];
  stream.ReadZeroFilled(soi, 2);
  for (;;) {
    uint8_t segment[4];
    if (stream.ReadZeroFilled(segment, 4) < 4) return;
    if (segment[0] == 0xFF && segment[1] == 0xC0) {
      uint8_t frame[5];
      stream.ReadZeroFilled(frame, 5);
      info.Height = BigWord(frame + 1);
      info.Width = BigWord(frame + 3);
      return;
    }
    // The length counts its own two bytes; a length below 2 still moves on by two bytes
    // (the four just read), so the walk always ends.
    const int length = BigWord(segment + 2);
    if (length > 2) stream.Seek(stream.Position() + length - 2);
  }
}

void ReadPNGHeader(TStream& stream, TImageInfo& info) {
  uint8_t header[8 + 4 + 4 + 13];
  stream.ReadZeroFilled(header, sizeof header);
  if (BigLong(header + 8) != 13 ||
      strncasecmp(reinterpret_cast<const char*>(header + 12), "IHDR", 4) != 0) {
    return;
  }
  info.Width = static_cast<int32_t>(BigLong(header + 16));
  info.Height = static_cast<int32_t>(BigLong(header + 20));
}

}  // namespace fotoloom
