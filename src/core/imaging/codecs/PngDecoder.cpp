#include "core/imaging/codecs/Decoders.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <exception>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/PictureMemory.h"
#include "core/imaging/codecs/OverWhite.h"

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

// The two stretches of libpng calls. Each returns false when libpng reported an error; they
// hold no objects with destructors, so the longjmp out of OnPngError skips nothing.
bool RunReadInfo(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  return true;
}

bool RunReadImage(png_structp png, png_infop info, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  ExpandToRgba(png, info);
  png_read_update_info(png, info);
  // The rows are the bitmap's own memory: refuse any layout but four bytes per pixel.
  if (png_get_rowbytes(png, info) != size_t{4} * png_get_image_width(png, info)) {
    png_error(png, "Unexpected row layout");
  }
  png_read_image(png, rows);
  return true;
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

// Decodes into the bitmap's memory as bytes R, G, B, A per pixel; the callers turn them into
// pixels.
TPngTransparency DecodeRgbaBytes(TStream& stream, TBitmap32& bitmap,
                                 std::vector<uint8_t>* icc_profile) {
  TPngSource source;
  source.stream = &stream;
  TPngStructs structs;
  structs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnPngError, OnPngWarning);
  if (structs.png) structs.info = png_create_info_struct(structs.png);
  if (!structs.info) throw PngError("Out of memory");
  png_set_read_fn(structs.png, &source, OnPngRead);
  // libpng's own side limits are opened to the format's maximum, so that CheckPictureSize,
  // right after the header and before anything of the picture's size is allocated, is the
  // check that decides. Ancillary chunks (text, profiles) stay bounded.
  png_set_user_limits(structs.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_set_chunk_cache_max(structs.png, 1000);
  png_set_chunk_malloc_max(structs.png, 8'000'000);

  if (!RunReadInfo(structs.png, structs.info)) ThrowPngError(source);
  const png_uint_32 width = png_get_image_width(structs.png, structs.info);
  const png_uint_32 height = png_get_image_height(structs.png, structs.info);
  ReservePictureMemory(width, height);
  const TPngTransparency transparency = TransparencyOf(structs.png, structs.info);
  if (icc_profile) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profile_size = 0;
    icc_profile->clear();
    if (png_get_iCCP(structs.png, structs.info, &name, &compression, &profile, &profile_size))
      icc_profile->assign(profile, profile + profile_size);
  }

  bitmap.SetSize(static_cast<int>(width), static_cast<int>(height));
  std::vector<png_bytep> rows(height);
  for (png_uint_32 y = 0; y < height; ++y) {
    rows[y] = reinterpret_cast<png_bytep>(bitmap.Row(static_cast<int>(y)));
  }
  if (!RunReadImage(structs.png, structs.info, rows.data())) ThrowPngError(source);
  return transparency;
}

// Replaces the R, G, B, A bytes of every pixel by to_pixel(r, g, b, a).
template <class ToPixel>
void ConvertRgbaBytes(TBitmap32& bitmap, ToPixel to_pixel) {
  TPixel32* pixels = bitmap.Bits();
  const size_t count = static_cast<size_t>(bitmap.Width()) * bitmap.Height();
  for (size_t i = 0; i < count; ++i) {
    const auto* rgba = reinterpret_cast<const uint8_t*>(pixels + i);
    pixels[i] = to_pixel(rgba[0], rgba[1], rgba[2], rgba[3]);
  }
}

}  // namespace

void DecodePngPhoto(TStream& stream, TBitmap32& bitmap, std::vector<uint8_t>* icc_profile) {
  DecodeRgbaBytes(stream, bitmap, icc_profile);
  ConvertRgbaBytes(bitmap, [](uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return MakePixel(OverWhite(r, a), OverWhite(g, a), OverWhite(b, a));
  });
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
