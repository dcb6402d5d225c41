#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/PictureLimits.h"
#include "core/imaging/PictureMemory.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/OverWhite.h"
#include "core/imaging/codecs/PictureRows.h"
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

// A TIFF file's first picture, read with TIFFRGBAImage in bands of rows: the header is
// read and the size checked on opening.
class TTiffPicture {
 public:
  explicit TTiffPicture(TStream& stream) {
    m_source.bytes = ReadToEnd(stream);
    m_source.stream = &stream;
    const std::unique_ptr<TIFFOpenOptions, TOptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) throw Error("TIFF error: Out of memory");
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &m_source);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &m_source);
    // Tags and strips are bounded; the picture itself is checked by our own checks.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), 256 << 20);
    m_tiff.reset(TIFFClientOpenExt("photo", "rm", &m_source, OnRead, OnWrite, OnSeek, OnClose,
                                   OnSize, OnMap, OnUnmap, options.get()));
    if (!m_tiff) ThrowTiffError(m_source, "Not a TIFF file");

    TIFFGetField(m_tiff.get(), TIFFTAG_IMAGEWIDTH, &m_width);
    TIFFGetField(m_tiff.get(), TIFFTAG_IMAGELENGTH, &m_height);
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(m_tiff.get(), TIFFTAG_ORIENTATION, &orientation);
    if (orientation >= 1 && orientation <= 8) m_orientation = orientation;
    if (m_width == 0 || m_height == 0) ThrowTiffError(m_source, "Image has no size");
    CheckPictureData(m_width, m_height, static_cast<int64_t>(m_source.bytes.size()));

    char reason[1024] = "";
    if (!TIFFRGBAImageOK(m_tiff.get(), reason) ||
        !TIFFRGBAImageBegin(&m_image, m_tiff.get(), 1, reason)) {
      if (!m_source.message[0]) {
        std::snprintf(m_source.message, sizeof m_source.message, "%s", reason);
      }
      ThrowTiffError(m_source, "Unsupported image");
    }
    m_image_begun = true;
    // Read as stored, top row first; the orientation is applied by the reader.
    m_image.req_orientation = ORIENTATION_TOPLEFT;
    m_image.orientation = ORIENTATION_TOPLEFT;
  }
  ~TTiffPicture() {
    if (m_image_begun) TIFFRGBAImageEnd(&m_image);
  }
  TTiffPicture(const TTiffPicture&) = delete;  // libtiff holds the address of m_source
  TTiffPicture& operator=(const TTiffPicture&) = delete;

  int Width() const { return static_cast<int>(m_width); }
  int Height() const { return static_cast<int>(m_height); }
  int Orientation() const { return m_orientation; }
  int64_t DataBytes() const { return static_cast<int64_t>(m_source.bytes.size()); }
  std::vector<uint8_t> IccProfile() const {
    uint32_t size = 0;
    const uint8_t* data = nullptr;
    if (!TIFFGetField(m_tiff.get(), TIFFTAG_ICCPROFILE, &size, &data) || !data) return {};
    return {data, data + size};
  }
  // The rows in a band that reads each strip once, or 0 when the picture is tiled or its
  // strips are too large to read a strip at a time.
  int StripRows() const {
    if (TIFFIsTiled(m_tiff.get())) return 0;
    uint32_t rows = m_height;
    TIFFGetFieldDefaulted(m_tiff.get(), TIFFTAG_ROWSPERSTRIP, &rows);
    rows = std::clamp<uint32_t>(rows, 1, m_height);
    constexpr uint64_t kMaxBandBytes = 16 << 20;
    return uint64_t{rows} * m_width * 4 <= kMaxBandBytes ? static_cast<int>(rows) : 0;
  }

  // Rows [first, first + count) into `pixels`, Width() each.
  void ReadRows(int first, int count, TPixel32* pixels) {
    m_image.row_offset = first;
    if (!TIFFRGBAImageGet(&m_image, pixels, m_width, static_cast<uint32_t>(count))) {
      ThrowTiffError(m_source, "Cannot read image data");
    }
    const size_t total = static_cast<size_t>(m_width) * static_cast<size_t>(count);
    for (size_t i = 0; i < total; ++i) pixels[i] = RasterToPixel(pixels[i]);
  }

 private:
  TTiffSource m_source;
  std::unique_ptr<TIFF, TTiffClose> m_tiff;
  TIFFRGBAImage m_image{};
  bool m_image_begun = false;
  uint32_t m_width = 0;
  uint32_t m_height = 0;
  int m_orientation = ORIENTATION_TOPLEFT;
};

// The picture a strip at a time.
class TTiffRows : public TPictureRows {
 public:
  explicit TTiffRows(std::unique_ptr<TTiffPicture> picture)
      : m_picture(std::move(picture)), m_band_rows(m_picture->StripRows()) {}
  int Width() const override { return m_picture->Width(); }
  int Height() const override { return m_picture->Height(); }
  std::vector<uint8_t> IccProfile() const override { return m_picture->IccProfile(); }
  void ReadRow(TPixel32* row) override {
    if (m_next == m_band_first + m_band_count) {
      m_band_first = m_next;
      m_band_count = std::min(m_band_rows, Height() - m_next);
      m_band.resize(static_cast<size_t>(Width()) * static_cast<size_t>(m_band_count));
      m_picture->ReadRows(m_band_first, m_band_count, m_band.data());
    }
    std::copy_n(m_band.data() + static_cast<size_t>(m_next - m_band_first) * Width(), Width(),
                row);
    ++m_next;
  }

 private:
  std::unique_ptr<TTiffPicture> m_picture;
  int m_band_rows;
  std::vector<TPixel32> m_band;
  int m_band_first = 0;
  int m_band_count = 0;
  int m_next = 0;
};

}  // namespace

std::unique_ptr<TPictureRows> OpenTiffRows(TStream& stream) {
  const int64_t start = stream.Position();
  auto picture = std::make_unique<TTiffPicture>(stream);
  if (picture->Orientation() == ORIENTATION_TOPLEFT && picture->StripRows() > 0) {
    return std::make_unique<TTiffRows>(std::move(picture));
  }
  stream.Seek(start);
  return nullptr;
}

void DecodeTiff(TStream& stream, TBitmap32& bitmap, std::vector<uint8_t>* icc_profile) {
  TTiffPicture picture(stream);
  ReserveWholePicture(picture.Width(), picture.Height(), picture.DataBytes());
  TBitmap32 stored(picture.Width(), picture.Height());
  picture.ReadRows(0, picture.Height(), stored.Bits());
  if (icc_profile) *icc_profile = picture.IccProfile();
  const int orientation = picture.Orientation();
  bitmap = orientation == ORIENTATION_TOPLEFT ? std::move(stored) : Upright(stored, orientation);
}

}  // namespace fotoloom
