#include "core/imaging/codecs/JpegWriter.h"

#include <algorithm>

#include <jerror.h>

#include "core/imaging/codecs/JpegSupport.h"

namespace fotoloom {
namespace {

// libjpeg's output side into a std::vector.
struct VectorDestination {
  jpeg_destination_mgr pub;
  std::vector<uint8_t>* bytes;
};

constexpr size_t kOutputChunk = 64 * 1024;

// Grows the buffer to `size`; an allocation failure is kept in the error manager, because
// an exception must not unwind through libjpeg.
bool ResizeNoThrow(j_compress_ptr cinfo, size_t size) noexcept {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  try {
    dest->bytes->resize(size);
    return true;
  } catch (...) {
    reinterpret_cast<jpeg::ErrorManager*>(cinfo->err)->pending = std::current_exception();
    return false;
  }
}

void InitDestination(j_compress_ptr cinfo) {
  if (!ResizeNoThrow(cinfo, kOutputChunk)) {
    jpeg::ExitWithPending(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
  }
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  dest->pub.next_output_byte = dest->bytes->data();
  dest->pub.free_in_buffer = dest->bytes->size();
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  // libjpeg calls this with the whole buffer full.
  const size_t used = dest->bytes->size();
  if (!ResizeNoThrow(cinfo, used * 2)) {
    jpeg::ExitWithPending(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
  }
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
