#include "core/imaging/codecs/Decoders.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <exception>
#include <memory>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/PictureLimits.h"
#include "core/imaging/PictureMemory.h"
#include "core/imaging/codecs/OverWhite.h"
#include "core/imaging/codecs/PictureRows.h"

namespace fotoloom {
namespace {

// What libpng's callbacks share with the decoder. It lives in the decoder's frame, above
// every longjmp target, so a longjmp never skips it.
struct TPngSource {
  TStream* stream = nullptr;
  std::exception_ptr stream_error;  // the stream's own exception, carried past libpng
  char message[200] = "";           // libpng's error text
};

Error PngError(const char* text) {
  return Error(std::string("PNG error: ") + text);
}

// The one place where a libpng failure becomes our error.
[[noreturn]] void ThrowPngError(const TPngSource& source) {
  if (source.stream_error) std::rethrow_exception(source.stream_error);
  throw PngError(source.message);
}

void OnPngError(png_structp png, png_const_charp text) {
  auto* source = static_cast<TPngSource*>(png_get_error_ptr(png));
  std::snprintf(source->message, sizeof source->message, "%s", text);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Exceptions must not unwind through libpng's C frames: the stream's are kept for later.
size_t ReadNoThrow(TPngSource& source, png_bytep data, size_t length) noexcept {
  try {
    return source.stream->ReadZeroFilled(data, length);
  } catch (...) {
    source.stream_error = std::current_exception();
    return 0;
  }
}

void OnPngRead(png_structp png, png_bytep data, size_t length) {
  auto* source = static_cast<TPngSource*>(png_get_io_ptr(png));
  if (ReadNoThrow(*source, data, length) < length) png_error(png, "Unexpected end of file");
}

struct TPngStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~TPngStructs() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Every colour type and bit depth becomes 8-bit R, G, B, A. Sixteen-bit samples are
// rounded, not cut. A tRNS chunk becomes alpha: 0 where a grey or RGB pixel equals the
// transparent value (compared at the file's own depth), the entry's value for palette
// pixels.
void ExpandToRgba(png_structp png, png_infop info) {
  const int color_type = png_get_color_type(png, info);
  png_set_scale_16(png);
  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if ((color_type & PNG_COLOR_MASK_COLOR) == 0) {
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
  }
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
}

// How the logo path derives alpha from the file.
struct TPngTransparency {
  bool any = false;          // the file has some kind of transparency
  bool palette_key = false;  // alpha 0 for every pixel of colour `key`, 255 elsewhere
  png_color key{};
};

TPngTransparency TransparencyOf(png_structp png, png_infop info) {
  TPngTransparency result;
  const int color_type = png_get_color_type(png, info);
  png_bytep entries = nullptr;
  int entry_count = 0;
  png_color_16p value = nullptr;
  const bool has_trns = png_get_tRNS(png, info, &entries, &entry_count, &value) != 0;
  if (color_type != PNG_COLOR_TYPE_PALETTE) {
    result.any = (color_type & PNG_COLOR_MASK_ALPHA) != 0 || has_trns;
    return result;
  }
  if (!has_trns) return result;
  // Entries of only 0 and 255 make one transparent colour: the palette colour of the first
  // entry 0, which also hides other entries of that colour and leaves other entries 0 of
  // another colour opaque. Entries between 1 and 254 are applied as they are, each to its
  // own palette index. Entries all 255 hide nothing: no transparency.
  png_colorp palette = nullptr;
  int palette_size = 0;
  png_get_PLTE(png, info, &palette, &palette_size);
  const int count = std::min(entry_count, palette_size);
  const auto partial = [](png_byte a) { return a != 0 && a != 255; };
  const png_bytep first_zero = std::find(entries, entries + count, png_byte{0});
  if (std::any_of(entries, entries + count, partial)) {
    result.any = true;
  } else if (first_zero != entries + count) {
    result.any = true;
    result.palette_key = true;
    result.key = palette[first_zero - entries];
  }
  return result;
}

// The stretches of libpng calls. Each returns false when libpng reported an error; they
// hold no objects with destructors, so the longjmp out of OnPngError skips nothing.
bool RunReadInfo(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  return true;
}

bool RunStartRows(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  ExpandToRgba(png, info);
  png_read_update_info(png, info);
  // The rows are the bitmap's own memory: refuse any layout but four bytes per pixel.
  if (png_get_rowbytes(png, info) != size_t{4} * png_get_image_width(png, info)) {
    png_error(png, "Unexpected row layout");
  }
  return true;
}

bool RunReadImage(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  return true;
}

bool RunReadRow(png_structp png, png_bytep row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_row(png, row, nullptr);
  return true;
}

// libpng on a stream, the header read and checked (the size, and the data behind a large
// one) before anything of the picture's size is allocated; the pixels come as R, G, B, A
// bytes.
class TPngReader {
 public:
  explicit TPngReader(TStream& stream) {
    m_source.stream = &stream;
    m_structs.png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &m_source, OnPngError, OnPngWarning);
    if (m_structs.png) m_structs.info = png_create_info_struct(m_structs.png);
    if (!m_structs.info) throw PngError("Out of memory");
    png_set_read_fn(m_structs.png, &m_source, OnPngRead);
    // libpng's own side limits are opened to the format's maximum, so that our checks,
    // right after the header and before anything of the picture's size is allocated, are
    // the ones that decide. Ancillary chunks (text, profiles) stay bounded.
    png_set_user_limits(m_structs.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_chunk_cache_max(m_structs.png, 1000);
    png_set_chunk_malloc_max(m_structs.png, 8'000'000);

    if (!RunReadInfo(m_structs.png, m_structs.info)) ThrowPngError(m_source);
    CheckPictureData(Width(), Height(), stream);
    // Taken before the transformations, which drop the tRNS entries from the info.
    m_transparency = TransparencyOf(m_structs.png, m_structs.info);
  }
  TPngReader(const TPngReader&) = delete;  // libpng holds the address of m_source
  TPngReader& operator=(const TPngReader&) = delete;

  int Width() const { return static_cast<int>(png_get_image_width(m_structs.png, m_structs.info)); }
  int Height() const {
    return static_cast<int>(png_get_image_height(m_structs.png, m_structs.info));
  }
  bool Interlaced() const {
    return png_get_interlace_type(m_structs.png, m_structs.info) != PNG_INTERLACE_NONE;
  }
  const TPngTransparency& Transparency() const { return m_transparency; }
  std::vector<uint8_t> IccProfile() const {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profile_size = 0;
    if (!png_get_iCCP(m_structs.png, m_structs.info, &name, &compression, &profile,
                      &profile_size)) {
      return {};
    }
    return {profile, profile + profile_size};
  }

  // The whole picture into `rows`, Height() of them.
  void ReadImage(png_bytepp rows) {
    Start();
    if (!RunReadImage(m_structs.png, rows)) ThrowPngError(m_source);
  }
  // The next row of a picture without interlacing.
  void ReadRow(png_bytep row) {
    Start();
    if (!RunReadRow(m_structs.png, row)) ThrowPngError(m_source);
  }

 private:
  void Start() {
    if (m_started) return;
    m_started = true;
    if (!RunStartRows(m_structs.png, m_structs.info)) ThrowPngError(m_source);
  }

  TPngSource m_source;
  TPngStructs m_structs;
  TPngTransparency m_transparency;
  bool m_started = false;
};

// Decodes into the bitmap's memory as bytes R, G, B, A per pixel; the callers turn them into
// pixels.
TPngTransparency DecodeRgbaBytes(TStream& stream, TBitmap32& bitmap,
                                 std::vector<uint8_t>* icc_profile) {
  TPngReader reader(stream);
  ReserveWholePicture(reader.Width(), reader.Height(), stream);
  if (icc_profile) *icc_profile = reader.IccProfile();
  bitmap.SetSize(reader.Width(), reader.Height());
  std::vector<png_bytep> rows(static_cast<size_t>(reader.Height()));
  for (int y = 0; y < reader.Height(); ++y) {
    rows[static_cast<size_t>(y)] = reinterpret_cast<png_bytep>(bitmap.Row(y));
  }
  reader.ReadImage(rows.data());
  return reader.Transparency();
}

// Replaces the R, G, B, A bytes of `count` pixels by to_pixel(r, g, b, a).
template <class ToPixel>
void ConvertRgbaBytes(TPixel32* pixels, size_t count, ToPixel to_pixel) {
  for (size_t i = 0; i < count; ++i) {
    const auto* rgba = reinterpret_cast<const uint8_t*>(pixels + i);
    pixels[i] = to_pixel(rgba[0], rgba[1], rgba[2], rgba[3]);
  }
}
template <class ToPixel>
void ConvertRgbaBytes(TBitmap32& bitmap, ToPixel to_pixel) {
  ConvertRgbaBytes(bitmap.Bits(), static_cast<size_t>(bitmap.Width()) * bitmap.Height(),
                   to_pixel);
}

// A photo's pixel: laid over white.
TPixel32 PhotoPixel(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  return MakePixel(OverWhite(r, a), OverWhite(g, a), OverWhite(b, a));
}

// The photo row by row, for a PNG without interlacing.
class TPngRows : public TPictureRows {
 public:
  explicit TPngRows(TStream& stream) : m_reader(stream) {}
  bool Interlaced() const { return m_reader.Interlaced(); }
  int Width() const override { return m_reader.Width(); }
  int Height() const override { return m_reader.Height(); }
  std::vector<uint8_t> IccProfile() const override { return m_reader.IccProfile(); }
  void ReadRow(TPixel32* row) override {
    m_reader.ReadRow(reinterpret_cast<png_bytep>(row));
    ConvertRgbaBytes(row, static_cast<size_t>(Width()), PhotoPixel);
  }

 private:
  TPngReader m_reader;
};

}  // namespace

std::unique_ptr<TPictureRows> OpenPngRows(TStream& stream) {
  const int64_t start = stream.Position();
  auto rows = std::make_unique<TPngRows>(stream);
  if (!rows->Interlaced()) return rows;
  stream.Seek(start);
  return nullptr;
}

void DecodePngPhoto(TStream& stream, TBitmap32& bitmap, std::vector<uint8_t>* icc_profile) {
  DecodeRgbaBytes(stream, bitmap, icc_profile);
  ConvertRgbaBytes(bitmap, PhotoPixel);
}

void DecodePngPhoto(TStream& stream, TBitmap32& bitmap) {
  DecodePngPhoto(stream, bitmap, nullptr);
}

bool LoadPNGWithAlpha(TStream& stream, TBitmap32& bitmap, bool& HasAlpha,
                      std::vector<uint8_t>* icc_profile) {
  HasAlpha = false;
  const TPngTransparency transparency = DecodeRgbaBytes(stream, bitmap, icc_profile);
  if (transparency.palette_key) {
    const png_color key = transparency.key;
    ConvertRgbaBytes(bitmap, [key](uint8_t r, uint8_t g, uint8_t b, uint8_t) {
      const bool hidden = r == key.red && g == key.green && b == key.blue;
      return MakePixel(r, g, b, hidden ? 0 : 255);
    });
  } else {
    ConvertRgbaBytes(
        bitmap, [](uint8_t r, uint8_t g, uint8_t b, uint8_t a) { return MakePixel(r, g, b, a); });
  }
  HasAlpha = transparency.any;
  return true;
}

bool LoadPNGFileWithAlpha(const std::string& path, TBitmap32& bitmap, bool& HasAlpha) {
  try {
    TFileStream file = TFileStream::OpenRead(path);
    return LoadPNGWithAlpha(file, bitmap, HasAlpha);
  } catch (const std::exception&) {
    HasAlpha = false;
    return false;
  }
}

}  // namespace fotoloom
