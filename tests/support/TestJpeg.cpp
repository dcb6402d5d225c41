#include "support/TestJpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace fotoloom::test {

std::vector<uint8_t> MakeTestJpeg(const std::vector<uint8_t>& samples, int width, int height,
                                  const TestJpegOptions& options) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr error{};
  cinfo.err = jpeg_std_error(&error);  // test inputs are valid; libjpeg's exit is fine here
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.in_color_space = options.input_space;
  cinfo.input_components = options.input_space == JCS_GRAYSCALE ? 1
                           : options.input_space == JCS_CMYK    ? 4
                                                                : 3;
  jpeg_set_defaults(&cinfo);
  if (options.file_space != JCS_UNKNOWN) jpeg_set_colorspace(&cinfo, options.file_space);
  if (options.input_space == JCS_CMYK) cinfo.write_Adobe_marker = options.adobe_marker;
  jpeg_set_quality(&cinfo, options.quality, TRUE);
  if (options.progressive) jpeg_simple_progression(&cinfo);
  if (!options.scans.empty()) {
    cinfo.scan_info = options.scans.data();
    cinfo.num_scans = static_cast<int>(options.scans.size());
  }
  jpeg_start_compress(&cinfo, TRUE);
  if (!options.icc_profile.empty()) {
    jpeg_write_icc_profile(&cinfo, options.icc_profile.data(),
                           static_cast<unsigned>(options.icc_profile.size()));
  }
  if (!options.app1.empty()) {
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, options.app1.data(),
                      static_cast<unsigned>(options.app1.size()));
  }
  const size_t row_bytes = static_cast<size_t>(width) * cinfo.input_components;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + row_bytes * cinfo.next_scanline);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return bytes;
}

namespace {

struct CountingErrors {
  jpeg_error_mgr manager;
  std::jmp_buf failed;
  int warnings;
};

}  // namespace

bool DecodesWhole(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return false;
  jpeg_decompress_struct cinfo{};
  CountingErrors errors{};
  cinfo.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = [](j_common_ptr info) {
    std::longjmp(reinterpret_cast<CountingErrors*>(info->err)->failed, 1);
  };
  errors.manager.emit_message = [](j_common_ptr info, int level) {
    if (level < 0) ++reinterpret_cast<CountingErrors*>(info->err)->warnings;
  };
  jpeg_create_decompress(&cinfo);
  if (setjmp(errors.failed) != 0) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  // In libjpeg's own pool, which the destroy frees also after a jump.
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(
      reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
      cinfo.output_width * static_cast<JDIMENSION>(cinfo.output_components), 1);
  while (cinfo.output_scanline < cinfo.output_height) jpeg_read_scanlines(&cinfo, row, 1);
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return errors.warnings == 0;
}

std::vector<uint8_t> MakeSlowJpeg(int side) {
  TestJpegOptions options;
  // The DC scan, then for each component and AC coefficient a first scan at one bit less
  // and its refinement scan.
  options.scans.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
  for (int c = 0; c < 3; ++c) {
    for (int k = 1; k < 64; ++k) {
      options.scans.push_back({1, {c, 0, 0, 0}, k, k, 0, 1});
      options.scans.push_back({1, {c, 0, 0, 0}, k, k, 1, 0});
    }
  }
  std::vector<uint8_t> samples(16 * 16 * 3);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 37);
  std::vector<uint8_t> jpeg = MakeTestJpeg(samples, 16, 16, options);
  for (size_t i = 2; i + 8 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC2) {  // the frame header: height, then width
      jpeg[i + 5] = jpeg[i + 7] = static_cast<uint8_t>(side >> 8);
      jpeg[i + 6] = jpeg[i + 8] = static_cast<uint8_t>(side & 0xFF);
      return jpeg;
    }
  }
  throw std::runtime_error("no progressive frame header");
}

std::vector<uint8_t> ExifWithOrientation(int orientation, bool big_endian) {
  auto word = [&](std::vector<uint8_t>& out, unsigned v) {
    if (big_endian) {
      out.push_back(static_cast<uint8_t>(v >> 8));
      out.push_back(static_cast<uint8_t>(v));
    } else {
      out.push_back(static_cast<uint8_t>(v));
      out.push_back(static_cast<uint8_t>(v >> 8));
    }
  };
  auto dword = [&](std::vector<uint8_t>& out, unsigned v) {
    if (big_endian) {
      word(out, v >> 16);
      word(out, v & 0xFFFF);
    } else {
      word(out, v & 0xFFFF);
      word(out, v >> 16);
    }
  };
  std::vector<uint8_t> out = {'E', 'x', 'i', 'f', 0, 0};
  out.push_back(big_endian ? 'M' : 'I');
  out.push_back(big_endian ? 'M' : 'I');
  word(out, 42);
  dword(out, 8);      // IFD0 right after the header
  word(out, 2);       // two entries: an unrelated one, then the orientation
  word(out, 0x010F);  // maker name, ASCII, 4 bytes inline
  word(out, 2);
  dword(out, 4);
  out.insert(out.end(), {'A', 'B', 'C', 0});
  word(out, 0x0112);
  word(out, 3);
  dword(out, 1);
  word(out, static_cast<unsigned>(orientation));
  word(out, 0);
  dword(out, 0);  // no next IFD
  return out;
}

std::vector<uint8_t> ExifWithThumbnail(int orientation, const std::vector<uint8_t>& thumbnail) {
  std::vector<uint8_t> out = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
  auto word = [&](unsigned v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto dword = [&](unsigned v) {
    word(v & 0xFFFF);
    word(v >> 16);
  };
  auto entry = [&](unsigned tag, unsigned type, unsigned value) {
    word(tag);
    word(type);
    dword(1);
    if (type == 3) {
      word(value);
      word(0);
    } else {
      dword(value);
    }
  };
  word(1);  // IFD0 at 8: the orientation, then IFD1 at 26
  entry(0x0112, 3, static_cast<unsigned>(orientation));
  dword(26);
  word(2);  // IFD1: the thumbnail at 56
  entry(0x0201, 4, 56);
  entry(0x0202, 4, static_cast<unsigned>(thumbnail.size()));
  dword(0);
  out.insert(out.end(), thumbnail.begin(), thumbnail.end());
  return out;
}

}  // namespace fotoloom::test
