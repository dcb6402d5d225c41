#include <libheif/heif.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/PictureLimits.h"
#include "core/imaging/PictureMemory.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/EmbeddedThumbnail.h"
#include "core/imaging/codecs/OverWhite.h"

namespace fotoloom {
namespace {

void ThrowOnHeifError(const heif_error& error) {
  if (error.code != heif_error_Ok) throw Error(std::string("HEIF error: ") + error.message);
}

void InitialiseLibheifOnce() {
  // Loads the decoder plugins; counted by libheif, and kept for the program's life.
  static const bool initialised = [] {
    heif_init(nullptr);
    return true;
  }();
  (void)initialised;
}

struct TContextFree {
  void operator()(heif_context* context) const { heif_context_free(context); }
};
struct THandleRelease {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct TImageRelease {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
struct TOptionsFree {
  void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
using THandle = std::unique_ptr<heif_image_handle, THandleRelease>;

// The file's bytes and libheif's view of them; the bytes must outlive the context.
struct THeifFile {
  std::vector<uint8_t> bytes;
  std::unique_ptr<heif_context, TContextFree> context;
  THandle primary;

  explicit THeifFile(TStream& stream) : bytes(ReadToEnd(stream)) {
    InitialiseLibheifOnce();
    context.reset(heif_context_alloc());
    if (!context) throw Error("HEIF error: Out of memory");
    ThrowOnHeifError(heif_context_read_from_memory_without_copy(context.get(), bytes.data(),
                                                                bytes.size(), nullptr));
    heif_image_handle* handle = nullptr;
    ThrowOnHeifError(heif_context_get_primary_image_handle(context.get(), &handle));
    primary.reset(handle);
  }
};

uint8_t To8Bit(uint16_t value, int bits) {
  const uint32_t max = (1u << bits) - 1;
  return static_cast<uint8_t>((std::min<uint32_t>(value, max) * 255 + max / 2) / max);
}

// What a decode holds at its peak, a pixel: libde265's planes and pictures, libheif's RGB
// image and our picture; measured 18.6 to 19 for 8-bit HEICs of 24 and 48 megapixels.
constexpr uint64_t kHeifDecodeBytesPerPixel = 20;
// HEVC codes a picture in blocks of up to 64 pixels a side, AV1 in blocks of up to 128.
constexpr int kLargestCodedBlock = 128;

// Decodes an image (the primary or a thumbnail) upright, its rotation and mirror
// properties applied by libheif, and composited over white.
// `file_bytes` is the size of the file it comes from.
TBitmap32 DecodeHandle(heif_context* context, heif_image_handle* handle, size_t file_bytes) {
  const int width = heif_image_handle_get_width(handle);
  const int height = heif_image_handle_get_height(handle);
  // libheif decodes the image at its stored size (the 'ispe' box), before any crop, and a
  // grid at the size its grid box declares, which may be far larger: a file of a few hundred
  // bytes can so make it allocate gigabytes. The stored size is checked as well, and libheif
  // refuses a grid larger than it. Its limit holds for the coded size too, which a codec
  // rounds up to whole blocks of up to 128 pixels.
  const int stored_width = heif_image_handle_get_ispe_width(handle);
  const int stored_height = heif_image_handle_get_ispe_height(handle);
  const bool stored_larger =
      int64_t{stored_width} * stored_height > int64_t{width} * height;
  const int decoded_width = stored_larger ? stored_width : width;
  const int decoded_height = stored_larger ? stored_height : height;
  CheckPictureData(decoded_width, decoded_height, static_cast<int64_t>(file_bytes));
  heif_context_set_maximum_image_size_limit(
      context, std::max({width, height, stored_width, stored_height}) + kLargestCodedBlock + 1);
  ReserveWholePicture(decoded_width, decoded_height, static_cast<int64_t>(file_bytes),
                      kHeifDecodeBytesPerPixel);
  const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
  const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
  const heif_chroma chroma =
      deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
           : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  const std::unique_ptr<heif_decoding_options, TOptionsFree> options(heif_decoding_options_alloc());
  heif_image* decoded = nullptr;
  ThrowOnHeifError(heif_decode_image(handle, &decoded, heif_colorspace_RGB, chroma, options.get()));
  const std::unique_ptr<heif_image, TImageRelease> image(decoded);

  int stride = 0;
  const uint8_t* plane =
      heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  const int bits = heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved);
  const int out_width = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int out_height = heif_image_get_height(image.get(), heif_channel_interleaved);
  // The size reserved must be the size made: a decoded image larger than its header said
  // (a damaged file) is refused.
  if (!plane || bits <= 0 || bits > 16 || out_width <= 0 || out_height <= 0 ||
      int64_t{out_width} * out_height > int64_t{width} * height) {
    throw Error("HEIF error: Unsupported image layout");
  }
  const bool premultiplied = heif_image_is_premultiplied_alpha(image.get()) != 0;
  const int channels = alpha ? 4 : 3;
  TBitmap32 bitmap(out_width, out_height);
  for (int y = 0; y < out_height; ++y) {
    const uint8_t* row = plane + static_cast<size_t>(y) * stride;
    TPixel32* out = bitmap.Row(y);
    if (!deep && !alpha) {  // the common photo, kept to a plain loop
      for (int x = 0; x < out_width; ++x, row += 3) out[x] = MakePixel(row[0], row[1], row[2]);
      continue;
    }
    for (int x = 0; x < out_width; ++x) {
      uint8_t c[4] = {0, 0, 0, 255};
      for (int i = 0; i < channels; ++i) {
        if (deep) {
          const uint8_t* sample = row + (static_cast<size_t>(x) * channels + i) * 2;
          c[i] = To8Bit(static_cast<uint16_t>(sample[0] | (sample[1] << 8)), bits);
        } else {
          c[i] = row[static_cast<size_t>(x) * channels + i];
        }
      }
      const auto over = [&](uint8_t v) {
        return premultiplied ? PremultipliedOverWhite(v, c[3]) : OverWhite(v, c[3]);
      };
      out[x] = MakePixel(over(c[0]), over(c[1]), over(c[2]));
    }
  }
  return bitmap;
}

void CollectIccProfile(heif_image_handle* handle, std::vector<uint8_t>* icc_profile) {
  if (!icc_profile) return;
  icc_profile->clear();
  const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
  if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) return;
  icc_profile->resize(heif_image_handle_get_raw_color_profile_size(handle));
  if (icc_profile->empty() ||
      heif_image_handle_get_raw_color_profile(handle, icc_profile->data()).code != heif_error_Ok) {
    icc_profile->clear();  // a profile that cannot be read is as none
  }
}

// The file's own thumbnail, when one can stand in for the photo at max_side.
std::optional<TBitmap32> OwnThumbnail(heif_context* context, heif_image_handle* primary,
                                      int max_side, size_t file_bytes) {
  const int count = heif_image_handle_get_number_of_thumbnails(primary);
  if (count <= 0) return std::nullopt;
  std::vector<heif_item_id> ids(static_cast<size_t>(count));
  heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
  const int64_t photo_width = heif_image_handle_get_width(primary);
  const int64_t photo_height = heif_image_handle_get_height(primary);
  for (heif_item_id id : ids) {
    heif_image_handle* handle = nullptr;
    if (heif_image_handle_get_thumbnail(primary, id, &handle).code != heif_error_Ok) continue;
    const THandle thumbnail(handle);
    // Its sizes are upright, its own rotation applied: a shape that differs from the
    // photo's also catches a thumbnail that is not turned as the photo is.
    if (!UsableAsThumbnail(heif_image_handle_get_width(handle),
                           heif_image_handle_get_height(handle), photo_width, photo_height,
                           max_side)) {
      continue;
    }
    try {
      return DecodeHandle(context, handle, file_bytes);
    } catch (const Error&) {
      // A damaged thumbnail leaves the photo itself to be read.
    }
  }
  return std::nullopt;
}

}  // namespace

void DecodeHeif(TStream& stream, TBitmap32& bitmap, std::vector<uint8_t>* icc_profile) {
  THeifFile file(stream);
  CollectIccProfile(file.primary.get(), icc_profile);
  bitmap = DecodeHandle(file.context.get(), file.primary.get(), file.bytes.size());
}

TBitmap32 DecodeHeifForThumbnail(TStream& stream, int max_side,
                                 std::vector<uint8_t>* icc_profile) {
  THeifFile file(stream);
  // The photo's profile stands for its thumbnail too.
  CollectIccProfile(file.primary.get(), icc_profile);
  if (std::optional<TBitmap32> own =
          OwnThumbnail(file.context.get(), file.primary.get(), max_side, file.bytes.size())) {
    return std::move(*own);
  }
  return DecodeHandle(file.context.get(), file.primary.get(), file.bytes.size());
}

}  // namespace fotoloom
