#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "core/base/Error.h"
#include "core/imaging/PictureLimits.h"
#include "core/imaging/PictureMemory.h"
#include "core/imaging/codecs/Decoders.h"
#include "core/imaging/codecs/OverWhite.h"

namespace fotoloom {
namespace {

[[noreturn]] void ThrowWebpError(VP8StatusCode status) {
  const char* text = "Bitstream error";
  switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA:
      text = "Unexpected end of file";
      break;
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      text = "Unsupported feature";
      break;
    case VP8_STATUS_OUT_OF_MEMORY:
      text = "Out of memory";
      break;
    default:
      break;
  }
  throw Error(std::string("WebP error: ") + text);
}

struct TDemuxDelete {
  void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
struct TAnimDecoderDelete {
  void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

void CollectIccProfile(const std::vector<uint8_t>& bytes, std::vector<uint8_t>* icc_profile) {
  if (!icc_profile) return;
  icc_profile->clear();
  const WebPData data{bytes.data(), bytes.size()};
  const std::unique_ptr<WebPDemuxer, TDemuxDelete> demux(WebPDemux(&data));
  if (!demux || !(WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG)) return;
  WebPChunkIterator chunk;
  if (WebPDemuxGetChunk(demux.get(), "ICCP", 1, &chunk)) {
    icc_profile->assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
  }
}

// The first frame of an animation, on the whole canvas, as B, G, R, A bytes.
void DecodeFirstFrame(const std::vector<uint8_t>& bytes, TBitmap32& bitmap) {
  const WebPData data{bytes.data(), bytes.size()};
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) ThrowWebpError(VP8_STATUS_INVALID_PARAM);
  options.color_mode = MODE_BGRA;
  options.use_threads = 0;
  const std::unique_ptr<WebPAnimDecoder, TAnimDecoderDelete> decoder(
      WebPAnimDecoderNew(&data, &options));
  WebPAnimInfo info;
  if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info)) {
    ThrowWebpError(VP8_STATUS_BITSTREAM_ERROR);
  }
  uint8_t* canvas = nullptr;
  int timestamp = 0;
  if (info.canvas_width != static_cast<uint32_t>(bitmap.Width()) ||
      info.canvas_height != static_cast<uint32_t>(bitmap.Height()) ||
      !WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp)) {
    ThrowWebpError(VP8_STATUS_BITSTREAM_ERROR);
  }
  std::memcpy(bitmap.Bits(), canvas, static_cast<size_t>(bitmap.Width()) * bitmap.Height() * 4);
}

struct TIDecoderDelete {
  void operator()(WebPIDecoder* decoder) const { WebPIDelete(decoder); }
};

// Decoded incrementally, the bytes handed over a piece at a time, so that a stop asked for
// through `stream` ends a large picture between pieces.
void DecodeStill(const std::vector<uint8_t>& bytes, TBitmap32& bitmap, const TStream& stream) {
  WebPDecBuffer output;
  if (!WebPInitDecBuffer(&output)) ThrowWebpError(VP8_STATUS_INVALID_PARAM);
  output.colorspace = MODE_BGRA;
  output.is_external_memory = 1;
  output.u.RGBA.rgba = reinterpret_cast<uint8_t*>(bitmap.Bits());
  output.u.RGBA.stride = bitmap.Width() * 4;
  output.u.RGBA.size = static_cast<size_t>(bitmap.Width()) * bitmap.Height() * 4;
  const std::unique_ptr<WebPIDecoder, TIDecoderDelete> decoder(
      WebPINewDecoder(&output));  // the pixels go straight into the bitmap
  if (!decoder) ThrowWebpError(VP8_STATUS_OUT_OF_MEMORY);
  constexpr size_t kPiece = 16 * 1024;
  VP8StatusCode status = VP8_STATUS_SUSPENDED;
  for (size_t given = 0; status == VP8_STATUS_SUSPENDED && given < bytes.size();) {
    stream.ThrowIfCancelled();
    given = std::min(bytes.size(), given + kPiece);
    status = WebPIUpdate(decoder.get(), bytes.data(), given);
  }
  if (status == VP8_STATUS_SUSPENDED) status = VP8_STATUS_NOT_ENOUGH_DATA;
  if (status != VP8_STATUS_OK) ThrowWebpError(status);
}

}  // namespace

void DecodeWebp(TStream& stream, TBitmap32& bitmap, std::vector<uint8_t>* icc_profile) {
  const std::vector<uint8_t> bytes = ReadToEnd(stream);
  WebPBitstreamFeatures features;
  const VP8StatusCode status = WebPGetFeatures(bytes.data(), bytes.size(), &features);
  if (status != VP8_STATUS_OK) ThrowWebpError(status);
  CheckPictureData(features.width, features.height, static_cast<int64_t>(bytes.size()));
  ReserveWholePicture(features.width, features.height, static_cast<int64_t>(bytes.size()));
  TBitmap32 picture(features.width, features.height);
  // B, G, R, A bytes are the bitmap's own pixel layout.
  if (features.has_animation)
    DecodeFirstFrame(bytes, picture);
  else
    DecodeStill(bytes, picture, stream);
  if (features.has_alpha || features.has_animation) {
    TPixel32* pixels = picture.Bits();
    const size_t count = static_cast<size_t>(picture.Width()) * picture.Height();
    for (size_t i = 0; i < count; ++i) {
      const TPixel32 p = pixels[i];
      const uint8_t a = PixelAlpha(p);
      pixels[i] = MakePixel(OverWhite(PixelRed(p), a), OverWhite(PixelGreen(p), a),
                            OverWhite(PixelBlue(p), a));
    }
  }
  CollectIccProfile(bytes, icc_profile);
  bitmap = std::move(picture);
}

}  // namespace fotoloom
