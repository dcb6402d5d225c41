#include "core/imaging/codecs/JpegReader.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <jerror.h>

#include "core/imaging/ColorProfile.h"
#include "core/imaging/PictureLimits.h"
#include "core/imaging/PictureMemory.h"
#include "core/imaging/codecs/ExifOrientation.h"
#include "core/imaging/codecs/JpegSupport.h"

namespace fotoloom {
namespace {

constexpr size_t kInputBufferSize = 64 * 1024;
// Rows of 4 bytes a pixel that a streamed decode holds at most: libjpeg's row groups (16
// rows of each component, twice where its upsampling needs the rows around), the CMYK rows
// and the caller's batch.
constexpr uint64_t kHeldRows = 64;

// libjpeg's input side over a TStream.
struct StreamSource {
  jpeg_source_mgr pub;
  TStream* stream;
  JOCTET* buffer;
};

void InitSource(j_decompress_ptr) {}

// Reads the next block; a stream error is kept in the error manager, not thrown, because
// it must not cross libjpeg's frames.
size_t ReadNoThrow(StreamSource& src, jpeg::ErrorManager& error) noexcept {
  try {
    return src.stream->Read(src.buffer, kInputBufferSize);
  } catch (...) {
    error.pending = std::current_exception();
    return 0;
  }
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
  auto& error = *reinterpret_cast<jpeg::ErrorManager*>(cinfo->err);
  size_t got = ReadNoThrow(*src, error);
  // A failed read is an error, not the end of the photo: padding it would pass it as whole.
  if (error.pending) jpeg::ExitWithPending(reinterpret_cast<j_common_ptr>(cinfo), JERR_FILE_READ);
  if (got == 0) {
    // End of data: hand libjpeg an end-of-image marker, as its own sources do.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    got = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = got;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
  if (count <= 0) return;
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

// What libjpeg keeps of a photo in several scans until the last one: every coefficient, a
// block of 64 per 8 x 8 pixels of each component, in whole MCUs. Valid after the header.
uint64_t CoefficientBytes(jpeg_decompress_struct& cinfo) {
  if (!jpeg_has_multiple_scans(&cinfo)) return 0;
  const auto round_up = [](uint64_t n, uint64_t step) { return (n + step - 1) / step * step; };
  uint64_t bytes = 0;
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& component = cinfo.comp_info[c];
    bytes += round_up(component.width_in_blocks, component.h_samp_factor) *
             round_up(component.height_in_blocks, component.v_samp_factor) * sizeof(JBLOCK);
  }
  return bytes;
}

// Adobe's CMYK JPEGs store inverted ink values; others store plain ink.
inline uint8_t InkToChannel(int ink, int black, bool inverted) {
  const int c = inverted ? ink : 255 - ink;
  const int k = inverted ? black : 255 - black;
  return static_cast<uint8_t>((c * k + 127) / 255);
}

}  // namespace

struct TJpegReader::Impl {
  jpeg_decompress_struct cinfo{};
  jpeg::ErrorManager error{};
  jpeg::ProgressMonitor progress;
  StreamSource source{};
  std::vector<JOCTET> input;
  int bytes_per_pixel = 3;
  int orientation = 1;
  bool started = false;
  bool cmyk = false;
  uint64_t coefficient_bytes = 0;  // CoefficientBytes
  std::vector<uint8_t> cmyk_rows;
  std::vector<uint8_t> icc_profile;
  std::shared_ptr<const TCmykToSrgb> cmyk_profile;
  JOCTET* icc_data = nullptr;  // libjpeg's malloc'd copy, until it is moved into icc_profile
  unsigned int icc_size = 0;

  // Arguments of the guarded calls.
  uint8_t* const* rows = nullptr;
  int count = 0;
  int done = 0;

  // Also runs when the constructor throws; destroying a zeroed struct is safe.
  ~Impl() {
    jpeg_destroy_decompress(&cinfo);
    std::free(icc_data);
  }

  void Run(void (*fn)(void*)) {
    if (!jpeg::Guarded(error, fn, this)) jpeg::ThrowError(error);
  }
};

TJpegReader::TJpegReader(TStream& stream, int bytes_per_pixel, int scale)
    : m(std::make_unique<Impl>()) {
  m->bytes_per_pixel = bytes_per_pixel;
  m->cinfo.err = jpeg::InitErrorManager(m->error);
  m->input.resize(kInputBufferSize);
  m->source.stream = &stream;
  m->source.buffer = m->input.data();
  m->progress.source = &stream;
  m->Run([](void* arg) {
    auto* impl = static_cast<Impl*>(arg);
    jpeg_create_decompress(&impl->cinfo);
    jpeg::LimitDecompression(&impl->cinfo, impl->progress);
    impl->source.pub.init_source = InitSource;
    impl->source.pub.fill_input_buffer = FillInputBuffer;
    impl->source.pub.skip_input_data = SkipInputData;
    impl->source.pub.resync_to_restart = jpeg_resync_to_restart;
    impl->source.pub.term_source = TermSource;
    impl->cinfo.src = &impl->source.pub;
    jpeg_save_markers(&impl->cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&impl->cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&impl->cinfo, TRUE);
    // Joins the ICC_PROFILE chunks in their sequence order; missing or doubled chunks
    // give no profile.
    jpeg_read_icc_profile(&impl->cinfo, &impl->icc_data, &impl->icc_size);
    impl->coefficient_bytes = CoefficientBytes(impl->cinfo);
  });
  if (m->icc_data) {
    m->icc_profile.assign(m->icc_data, m->icc_data + m->icc_size);
    std::free(m->icc_data);
    m->icc_data = nullptr;
  }
  CheckPictureSize(m->cinfo.image_width, m->cinfo.image_height);
  for (jpeg_saved_marker_ptr marker = m->cinfo.marker_list; marker; marker = marker->next) {
    // XMP also lives in APP1 and may come first.
    if (marker->marker != JPEG_APP0 + 1 || !IsExifSegment(marker->data, marker->data_length))
      continue;
    m->orientation = ReadExifOrientation(marker->data, marker->data_length);
    break;
  }
  m->cmyk = m->cinfo.jpeg_color_space == JCS_CMYK || m->cinfo.jpeg_color_space == JCS_YCCK;
  if (m->cmyk) {
    m->cmyk_profile = CmykToSrgb(m->icc_profile, m->cinfo.saw_Adobe_marker, bytes_per_pixel);
    m->icc_profile.clear();
  }
  m->cinfo.out_color_space = m->cmyk ? JCS_CMYK : bytes_per_pixel == 4 ? JCS_EXT_BGRA : JCS_EXT_BGR;
  m->cinfo.scale_num = 1;
  m->cinfo.scale_denom = static_cast<unsigned>(scale);
  m->Run([](void* arg) { jpeg_calc_output_dimensions(&static_cast<Impl*>(arg)->cinfo); });
}

TJpegReader::~TJpegReader() {
  jpeg_destroy_decompress(&m->cinfo);
}

int TJpegReader::Width() const {
  return static_cast<int>(m->cinfo.image_width);
}
int TJpegReader::Height() const {
  return static_cast<int>(m->cinfo.image_height);
}
int TJpegReader::OutputWidth() const {
  return static_cast<int>(m->cinfo.output_width);
}
int TJpegReader::OutputHeight() const {
  return static_cast<int>(m->cinfo.output_height);
}
int TJpegReader::Orientation() const {
  return m->orientation;
}
const std::vector<uint8_t>& TJpegReader::IccProfile() const {
  return m->icc_profile;
}
int TJpegReader::NextRow() const {
  return m->started ? static_cast<int>(m->cinfo.output_scanline) : 0;
}

int TJpegReader::ReadRows(uint8_t* const* rows, int count) {
  if (!m->started) {
    // Only the rows and the coefficients are held, not the picture. The file is counted
    // only where the coefficients may make the decode sparse.
    const uint64_t bytes = m->coefficient_bytes + uint64_t{m->cinfo.output_width} * 4 * kHeldRows;
    const int64_t data_bytes =
        PictureMemoryToReserve() && m->coefficient_bytes > kSparseMinimumBytes
            ? static_cast<int64_t>(m->source.pub.bytes_in_buffer) + BytesToEnd(*m->source.stream)
            : -1;
    ReserveDecoderMemory(m->cinfo.image_width, m->cinfo.image_height, bytes, data_bytes);
    m->Run([](void* arg) { jpeg_start_decompress(&static_cast<Impl*>(arg)->cinfo); });
    m->started = true;
  }
  const int remaining = static_cast<int>(m->cinfo.output_height - m->cinfo.output_scanline);
  count = std::min(count, remaining);
  if (count <= 0) return 0;
  const size_t width = m->cinfo.output_width;
  std::vector<uint8_t*> cmyk_pointers;
  if (m->cmyk) {
    m->cmyk_rows.resize(width * 4 * count);
    for (int i = 0; i < count; ++i) cmyk_pointers.push_back(m->cmyk_rows.data() + width * 4 * i);
  }
  m->rows = m->cmyk ? cmyk_pointers.data() : rows;
  m->count = count;
  m->done = 0;
  m->Run([](void* arg) {
    auto* impl = static_cast<Impl*>(arg);
    while (impl->done < impl->count) {
      const auto got =
          jpeg_read_scanlines(&impl->cinfo, const_cast<JSAMPARRAY>(impl->rows + impl->done),
                              static_cast<JDIMENSION>(impl->count - impl->done));
      if (got == 0) break;
      impl->done += static_cast<int>(got);
    }
  });
  if (m->cmyk_profile) {
    for (int i = 0; i < m->done; ++i) m->cmyk_profile->Convert(cmyk_pointers[i], rows[i], width);
  } else if (m->cmyk) {
    const bool inverted = m->cinfo.saw_Adobe_marker;
    const int bpp = m->bytes_per_pixel;
    for (int i = 0; i < m->done; ++i) {
      const uint8_t* in = cmyk_pointers[i];
      uint8_t* out = rows[i];
      for (size_t x = 0; x < width; ++x, in += 4, out += bpp) {
        out[0] = InkToChannel(in[2], in[3], inverted);
        out[1] = InkToChannel(in[1], in[3], inverted);
        out[2] = InkToChannel(in[0], in[3], inverted);
        if (bpp == 4) out[3] = 255;
      }
    }
  }
  return m->done;
}

TBitmap32 TJpegReader::ReadPicture() {
  // Before ReadRows, which would reserve only the rows.
  const uint64_t picture_bytes = uint64_t{m->cinfo.output_width} * m->cinfo.output_height * 4;
  ReserveDecoderMemory(m->cinfo.image_width, m->cinfo.image_height,
                       m->coefficient_bytes + picture_bytes, -1);
  TBitmap32 picture(OutputWidth(), OutputHeight());
  std::vector<uint8_t*> rows(picture.Height());
  for (int y = 0; y < picture.Height(); ++y) rows[y] = reinterpret_cast<uint8_t*>(picture.Row(y));
  int done = 0;
  while (done < picture.Height()) {
    const int got = ReadRows(rows.data() + done, picture.Height() - done);
    if (got == 0) break;
    done += got;
  }
  return picture;
}

}  // namespace fotoloom
