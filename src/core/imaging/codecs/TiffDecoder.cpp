#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/PictureMemory.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/OverWhite.h"
#include "core/imaging/resample/Orientation.h"

namespace fotoloom {
namespace {

// libtiff reads the file from memory through these callbacks and reports its errors here,
// per file, so decoders on several threads never share a message.
struct TTiffSource {
  std::vector<uint8_t> bytes;
  uint64_t position = 0;
  const TStream* stream = nullptr;  // asked between reads whether to stop
  char message[300] = "";
};

tmsize_t OnRead(thandle_t handle, void* buffer, tmsize_t size) {
  auto* source = static_cast<TTiffSource*>(handle);
  // libtiff reads strip by strip: a stop fails the read (see ThrowTiffError). As a short
  // read, not -1: libtiff 4.5 clears past its buffer after a negative count.
  if (source->stream->CancelRequested()) return 0;
  if (size <= 0 || source->position >= source->bytes.size()) return 0;
  const uint64_t count =
      std::min<uint64_t>(static_cast<uint64_t>(size), source->bytes.size() - source->position);
  std::memcpy(buffer, source->bytes.data() + source->position, count);
  source->position += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t OnWrite(thandle_t, void*, tmsize_t) {
  return 0;
}

toff_t OnSeek(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<TTiffSource*>(handle);
  uint64_t base = 0;
  if (whence == SEEK_CUR) base = source->position;
  if (whence == SEEK_END) base = source->bytes.size();
  source->position = base + offset;
  return source->position;
}

int OnClose(thandle_t) {
  return 0;
}

toff_t OnSize(thandle_t handle) {
  return static_cast<TTiffSource*>(handle)->bytes.size();
}

int OnMap(thandle_t, void**, toff_t*) {
  return 0;
}

void OnUnmap(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user_data, const char*, const char* format, va_list arguments) {
  auto* source = static_cast<TTiffSource*>(user_data);
  if (source->message[0] == '\0')
    std::vsnprintf(source->message, sizeof source->message, format, arguments);
  return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

// A read failed by a stop is no damage: it throws Cancelled.
[[noreturn]] void ThrowTiffError(const TTiffSource& source, const char* fallback) {
  source.stream->ThrowIfCancelled();
  throw Error(std::string("TIFF error: ") + (source.message[0] ? source.message : fallback));
}

struct TOptionsFree {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
struct TTiffClose {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

// The raster of TIFFRGBAImage: R in the lowest byte, then G, B and alpha, with the colours
// already multiplied by alpha.
TPixel32 RasterToPixel(uint32_t value) {
  const uint8_t a = static_cast<uint8_t>(TIFFGetA(value));
  return MakePixel(PremultipliedOverWhite(static_cast<uint8_t>(TIFFGetR(value)), a),
                   PremultipliedOverWhite(static_cast<uint8_t>(TIFFGetG(value)), a),
                   PremultipliedOverWhite(static_cast<uint8_t>(TIFFGetB(value)), a));
}

}  // namespace

void DecodeTiff(TStream& stream, TBitmap32& bitmap, std::vector<uint8_t>* icc_profile) {
  TTiffSource source;
  source.bytes = ReadToEnd(stream);
  source.stream = &stream;
  const std::unique_ptr<TIFFOpenOptions, TOptionsFree> options(TIFFOpenOptionsAlloc());
  if (!options) throw Error("TIFF error: Out of memory");
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &source);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &source);
  // Tags and strips are bounded; the picture itself is checked by ReservePictureMemory.
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), 256 << 20);
  const std::unique_ptr<TIFF, TTiffClose> tiff(TIFFClientOpenExt("photo", "rm", &source, OnRead,
                                                                 OnWrite, OnSeek, OnClose, OnSize,
                                                                 OnMap, OnUnmap, options.get()));
  if (!tiff) ThrowTiffError(source, "Not a TIFF file");

  uint32_t width = 0, height = 0;
  TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
  uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ORIENTATION, &orientation);
  if (orientation < 1 || orientation > 8) orientation = ORIENTATION_TOPLEFT;
  if (width == 0 || height == 0) ThrowTiffError(source, "Image has no size");
  ReservePictureMemory(width, height);

  char reason[1024] = "";
  TIFFRGBAImage image;
  if (!TIFFRGBAImageOK(tiff.get(), reason) || !TIFFRGBAImageBegin(&image, tiff.get(), 1, reason)) {
    if (!source.message[0]) std::snprintf(source.message, sizeof source.message, "%s", reason);
    ThrowTiffError(source, "Unsupported image");
  }
  // Read as stored, top row first; the orientation is applied below as for JPEG.
  image.req_orientation = ORIENTATION_TOPLEFT;
  image.orientation = ORIENTATION_TOPLEFT;
  TBitmap32 stored(static_cast<int>(width), static_cast<int>(height));
  const int read = TIFFRGBAImageGet(&image, stored.Bits(), width, height);
  TIFFRGBAImageEnd(&image);
  if (!read) ThrowTiffError(source, "Cannot read image data");
  TPixel32* pixels = stored.Bits();
  const size_t count = static_cast<size_t>(width) * height;
  for (size_t i = 0; i < count; ++i) pixels[i] = RasterToPixel(pixels[i]);

  if (icc_profile) {
    icc_profile->clear();
    uint32_t size = 0;
    const uint8_t* data = nullptr;
    if (TIFFGetField(tiff.get(), TIFFTAG_ICCPROFILE, &size, &data) && data)
      icc_profile->assign(data, data + size);
  }
  bitmap = orientation == ORIENTATION_TOPLEFT ? std::move(stored) : Upright(stored, orientation);
}

}  // namespace fotoloom
