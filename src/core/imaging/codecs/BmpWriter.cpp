#include "core/imaging/codecs/BmpWriter.h"

#include <limits>

#include "core/base/Error.h"

namespace fotoloom {
namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr int32_t kPixelsPerMetre = 2835;  // 72 dots per inch

void PutLE(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> EncodeBmp24(const TBitmap32& picture) {
  const size_t row_size = (static_cast<size_t>(picture.Width()) * 3 + 3) & ~size_t{3};
  const size_t image_size = row_size * static_cast<size_t>(picture.Height());
  const size_t file_size = kFileHeaderSize + kInfoHeaderSize + image_size;
  if (file_size > std::numeric_limits<uint32_t>::max()) {
    throw Error("Picture is too large for a BMP file");
  }

  std::vector<uint8_t> out;
  out.reserve(file_size);
  out.push_back('B');
  out.push_back('M');
  PutLE(out, static_cast<uint32_t>(file_size), 4);
  PutLE(out, 0, 4);  // reserved
  PutLE(out, kFileHeaderSize + kInfoHeaderSize, 4);

  PutLE(out, kInfoHeaderSize, 4);
  PutLE(out, static_cast<uint32_t>(picture.Width()), 4);
  PutLE(out, static_cast<uint32_t>(picture.Height()), 4);  // positive: bottom-up
  PutLE(out, 1, 2);                                        // planes
  PutLE(out, 24, 2);                                       // bits per pixel
  PutLE(out, 0, 4);                                        // BI_RGB
  PutLE(out, static_cast<uint32_t>(image_size), 4);
  PutLE(out, kPixelsPerMetre, 4);
  PutLE(out, kPixelsPerMetre, 4);
  PutLE(out, 0, 4);  // colours used
  PutLE(out, 0, 4);  // important colours

  out.resize(file_size);  // the padding bytes stay zero
  uint8_t* line = out.data() + kFileHeaderSize + kInfoHeaderSize;
  for (int y = picture.Height() - 1; y >= 0; --y, line += row_size) {
    const TPixel32* row = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) {
      line[3 * x] = PixelBlue(row[x]);
      line[3 * x + 1] = PixelGreen(row[x]);
      line[3 * x + 2] = PixelRed(row[x]);
    }
  }
  return out;
}

}  // namespace fotoloom
