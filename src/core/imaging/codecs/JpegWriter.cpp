#include "core/imaging/codecs/JpegWriter.h"

#include <algorithm>

#include "core/imaging/codecs/JpegSupport.h"

namespace fotoloom {
namespace {

// libjpeg's output side into a std::vector.
struct VectorDestination {
  jpeg_destination_mgr pub;
  std::vector<uint8_t>* bytes;
};

constexpr size_t kOutputChunk = 64 * 1024;

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  dest->bytes->resize(kOutputChunk);
  dest->pub.next_output_byte = dest->bytes->data();
  dest->pub.free_in_buffer = dest->bytes->size();
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  // libjpeg calls this with the whole buffer full.
  const size_t used = dest->bytes->size();
  dest->bytes->resize(used * 2);
  dest->pub.next_output_byte = dest->bytes->data() + used;
  dest->pub.free_in_buffer = dest->bytes->size() - used;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  dest->bytes->resize(dest->bytes->size() - dest->pub.free_in_buffer);
}

struct Job {
  jpeg_compress_struct cinfo;
  VectorDestination destination;
  const TBitmap32* picture;
  int quality;
};

void Compress(void* arg) {
  auto* job = static_cast<Job*>(arg);
  jpeg_compress_struct& cinfo = job->cinfo;
  jpeg_create_compress(&cinfo);
  job->destination.pub.init_destination = InitDestination;
  job->destination.pub.empty_output_buffer = EmptyOutputBuffer;
  job->destination.pub.term_destination = TermDestination;
  cinfo.dest = &job->destination.pub;
  cinfo.image_width = static_cast<JDIMENSION>(job->picture->Width());
  cinfo.image_height = static_cast<JDIMENSION>(job->picture->Height());
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, job->quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(
        const_cast<TPixel32*>(job->picture->Row(static_cast<int>(cinfo.next_scanline))));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(const TBitmap32& picture, int quality) {
  std::vector<uint8_t> bytes;
  Job job{};
  jpeg::ErrorManager error{};
  job.cinfo.err = jpeg::InitErrorManager(error);
  job.destination.bytes = &bytes;
  job.picture = &picture;
  job.quality = std::clamp(quality, 1, 100);
  const bool ok = jpeg::Guarded(error, Compress, &job);
  jpeg_destroy_compress(&job.cinfo);
  if (!ok) jpeg::ThrowError(error);
  return bytes;
}

}  // namespace fotoloom
