#include "support/TestPhotoFormats.h"

#include <libheif/heif.h>
#include <tiffio.h>
#include <unistd.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "support/TempDir.h"

// x265, which only these test helpers use to make HEIC files, keeps a few blocks of its
// encoder to the end of the process; LeakSanitizer is told so, and nothing else.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:x265_malloc\n";
}

namespace fotoloom::test {
namespace {

void Check(const heif_error& error) {
  if (error.code != heif_error_Ok) throw std::runtime_error(error.message);
}

heif_error WriteToVector(heif_context*, const void* data, size_t size, void* userdata) {
  auto* bytes = static_cast<std::vector<uint8_t>*>(userdata);
  bytes->insert(bytes->end(), static_cast<const uint8_t*>(data),
                static_cast<const uint8_t*>(data) + size);
  return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

heif_image* MakeHeifImage(const std::vector<uint8_t>& rgba, int width, int height,
                          const TestPhotoOptions& options) {
  const bool deep = options.bit_depth > 8;
  const int channels = options.alpha ? 4 : 3;
  const heif_chroma chroma =
      deep ? (options.alpha ? heif_chroma_interleaved_RRGGBBAA_LE
                            : heif_chroma_interleaved_RRGGBB_LE)
           : (options.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  heif_image* image = nullptr;
  Check(heif_image_create(width, height, heif_colorspace_RGB, chroma, &image));
  Check(heif_image_add_plane(image, heif_channel_interleaved, width, height, options.bit_depth));
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  const int max = (1 << options.bit_depth) - 1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) {
        const uint8_t v = rgba[(static_cast<size_t>(y) * width + x) * 4 + c];
        if (deep) {
          const int wide = (v * max + 127) / 255;
          uint8_t* at = plane + static_cast<size_t>(y) * stride + (x * channels + c) * 2;
          at[0] = static_cast<uint8_t>(wide);
          at[1] = static_cast<uint8_t>(wide >> 8);
        } else {
          plane[static_cast<size_t>(y) * stride + x * channels + c] = v;
        }
      }
    }
  }
  return image;
}

}  // namespace

std::vector<uint8_t> MakeTestHeif(const std::vector<uint8_t>& rgba, int width, int height,
                                  bool avif, const TestPhotoOptions& options) {
  heif_init(nullptr);
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  Check(heif_context_get_encoder_for_format(
      context, avif ? heif_compression_AV1 : heif_compression_HEVC, &encoder));
  heif_encoder_set_lossy_quality(encoder, options.quality);
  // Debian 12's aom asserts on libheif's default chroma for AVIF; 4:2:2 encodes.
  if (avif) Check(heif_encoder_set_parameter(encoder, "chroma", "422"));

  heif_image* image = MakeHeifImage(rgba, width, height, options);
  if (!options.icc.empty())
    Check(heif_image_set_raw_color_profile(image, "prof", options.icc.data(), options.icc.size()));
  heif_encoding_options* encoding = heif_encoding_options_alloc();
  encoding->image_orientation = static_cast<heif_orientation>(options.orientation);
  heif_image_handle* handle = nullptr;
  Check(heif_context_encode_image(context, image, encoder, encoding, &handle));
  if (options.thumbnail_side > 0) {
    heif_image* source = options.thumbnail_rgba.empty()
                             ? image
                             : MakeHeifImage(options.thumbnail_rgba, width, height, options);
    Check(heif_context_encode_thumbnail(context, source, handle, encoder, encoding,
                                        options.thumbnail_side, nullptr));
    if (source != image) heif_image_release(source);
  }
  std::vector<uint8_t> bytes;
  heif_writer writer{1, WriteToVector};
  Check(heif_context_write(context, &writer, &bytes));
  heif_image_handle_release(handle);
  heif_encoding_options_free(encoding);
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(context);
  return bytes;
}

std::vector<uint8_t> MakeTestWebp(const std::vector<uint8_t>& rgba, int width, int height,
                                  const TestPhotoOptions& options) {
  std::vector<uint8_t> samples;
  for (size_t i = 0; i < rgba.size(); i += 4) {
    samples.insert(samples.end(), rgba.begin() + i, rgba.begin() + i + (options.alpha ? 4 : 3));
  }
  uint8_t* output = nullptr;
  const size_t size =
      options.alpha
          ? WebPEncodeRGBA(samples.data(), width, height, width * 4, options.quality, &output)
          : WebPEncodeRGB(samples.data(), width, height, width * 3, options.quality, &output);
  if (size == 0) throw std::runtime_error("WebP encoding failed");
  std::vector<uint8_t> bytes(output, output + size);
  WebPFree(output);
  if (options.icc.empty()) return bytes;
  const WebPData image{bytes.data(), bytes.size()};
  const WebPData icc{options.icc.data(), options.icc.size()};
  WebPMux* mux = WebPMuxCreate(&image, 1);
  WebPData assembled{};
  if (!mux || WebPMuxSetChunk(mux, "ICCP", &icc, 1) != WEBP_MUX_OK ||
      WebPMuxAssemble(mux, &assembled) != WEBP_MUX_OK) {
    throw std::runtime_error("WebP mux failed");
  }
  bytes.assign(assembled.bytes, assembled.bytes + assembled.size);
  WebPDataClear(&assembled);
  WebPMuxDelete(mux);
  return bytes;
}

std::vector<uint8_t> MakeTestAnimatedWebp(const std::vector<std::vector<uint8_t>>& frames,
                                          int width, int height) {
  WebPAnimEncoderOptions options;
  WebPAnimEncoderOptionsInit(&options);
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(width, height, &options);
  WebPConfig config;
  WebPConfigInit(&config);
  config.lossless = 1;
  int timestamp = 0;
  for (const std::vector<uint8_t>& rgba : frames) {
    WebPPicture picture;
    WebPPictureInit(&picture);
    picture.use_argb = 1;
    picture.width = width;
    picture.height = height;
    WebPPictureImportRGBA(&picture, rgba.data(), width * 4);
    if (!WebPAnimEncoderAdd(encoder, &picture, timestamp, &config))
      throw std::runtime_error("WebP animation frame failed");
    WebPPictureFree(&picture);
    timestamp += 100;
  }
  WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
  WebPData data{};
  if (!WebPAnimEncoderAssemble(encoder, &data)) throw std::runtime_error("WebP animation failed");
  std::vector<uint8_t> bytes(data.bytes, data.bytes + data.size);
  WebPDataClear(&data);
  WebPAnimEncoderDelete(encoder);
  return bytes;
}

std::vector<uint8_t> MakeTestTiff(const std::vector<uint8_t>& rgba, int width, int height,
                                  const TestPhotoOptions& options) {
  // libtiff writes files; a temporary one is read back.
  const TempDir dir;
  const std::string path = dir.File("photo.tif");
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (!tiff) throw std::runtime_error("TIFFOpen failed");
  const int channels = options.alpha ? 4 : 3;
  const bool deep = options.bit_depth == 16;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, options.bit_depth);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, options.orientation);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 8);
  if (options.alpha) {
    const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  if (!options.icc.empty()) {
    TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(options.icc.size()),
                 options.icc.data());
  }
  std::vector<uint8_t> row(static_cast<size_t>(width) * channels * (deep ? 2 : 1));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) {
        const uint8_t v = rgba[(static_cast<size_t>(y) * width + x) * 4 + c];
        if (deep) {
          const uint16_t wide = static_cast<uint16_t>(v * 257);
          std::memcpy(row.data() + (static_cast<size_t>(x) * channels + c) * 2, &wide, 2);
        } else {
          row[static_cast<size_t>(x) * channels + c] = v;
        }
      }
    }
    if (TIFFWriteScanline(tiff, row.data(), static_cast<uint32_t>(y), 0) < 0)
      throw std::runtime_error("TIFFWriteScanline failed");
  }
  TIFFClose(tiff);
  return ReadFileBytes(path);
}

}  // namespace fotoloom::test
