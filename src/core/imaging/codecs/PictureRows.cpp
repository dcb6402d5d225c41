#include "core/imaging/codecs/PictureRows.h"

#include <utility>

#include "core/imaging/PictureMemory.h"

namespace fotoloom {

void ReadWholePicture(TPictureRows& rows, TBitmap32& bitmap) {
  ReservePictureMemory(rows.Width(), rows.Height());
  TBitmap32 result(rows.Width(), rows.Height());
  for (int y = 0; y < result.Height(); ++y) rows.ReadRow(result.Row(y));
  bitmap = std::move(result);
}

}  // namespace fotoloom
